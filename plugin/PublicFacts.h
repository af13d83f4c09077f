// What any host may know of calderine without asking it: the ID it registers under and the
// sample rates it serves.
#pragma once

#include "host/VstConstants.h"

#include <cstdint>

namespace calderine {

inline constexpr std::int32_t kCalderineUniqueId = fourCharCode("CLDR");

// Hz. Outside, a new rate is ignored and the effect stays as it was: below, the tilt corners
// crowd the Nyquist frequency; above, the frames (50 ms) grow into megabytes with no benefit
// to any real session.
inline constexpr double kMinServedSampleRate = 8000.0;
inline constexpr double kMaxServedSampleRate = 768000.0;

} // namespace calderine
