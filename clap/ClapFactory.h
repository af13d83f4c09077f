// What a host finds in the module: the entry's functions, the one factory and the one plug-in
// it makes.
#pragma once

#include "clap/ClapCore.h"

namespace calderine::clap {

// Stable: hosts store sessions under it.
inline constexpr const char* kPluginId = "pemberlow.calderine";

const ClapPluginDescriptor& pluginDescriptor() noexcept;
const ClapPluginFactory& pluginFactory() noexcept;
// The functions of the entry record the module exports as clap_entry.
// Any thread, once before anything else: nothing to prepare.
bool CALDERINE_CLAP_CALL entryInit(const char* pluginPath);
// Any thread, once after everything else.
void CALDERINE_CLAP_CALL entryDeinit();
// Any thread: the plug-in factory, or null for another kind.
const void* CALDERINE_CLAP_CALL entryFactory(const char* factoryId);

} // namespace calderine::clap
