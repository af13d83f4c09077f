// The parameters extension: the effect's ten parameters in plain units, under ids that never
// change (sessions and automation are stored by id).
#pragma once

#include "clap/ClapExtensions.h"

#include <cstddef>

namespace calderine::clap {

// The parameter table's index for id, or false for an id this plug-in never gave out.
bool parameterIndex(ClapId id, std::size_t& index) noexcept;

// Any thread: static for the life of the module.
const ClapPluginParams& parametersExtension() noexcept;

} // namespace calderine::clap
