// What any host may know of calderine without asking it: the ID it registers under. (The
// sample rates it serves are the effect core's.)
#pragma once

#include "host/VstConstants.h"

#include <cstdint>

namespace calderine {

inline constexpr std::int32_t kCalderineUniqueId = fourCharCode("CLDR");

} // namespace calderine
