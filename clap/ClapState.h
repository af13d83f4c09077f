// The plug-in's state as hosts store it in sessions: a small versioned record of the parameter
// values. Every version this module wrote before stays readable.
//
// Record, little-endian: the bytes "CLDS", the version (uint32), the number of values that
// follow (uint32), then each value in its plain unit (IEEE-754 double), in parameter-id order.
#pragma once

#include "clap/ClapExtensions.h"
#include "effect/EffectCore.h"

namespace calderine::clap {

inline constexpr std::uint32_t kStateVersion = 1;

// Main thread. False when the stream refuses the bytes.
bool saveState(const EffectCore& effect, const ClapOutputStream& stream) noexcept;
// Main thread. False, with every value left as it was, for a stream that fails, ends early,
// runs on, is not such a record, comes from a later version or holds a value that is not a
// number; otherwise every value is set (those an earlier version did not have to defaults).
bool loadState(EffectCore& effect, const ClapInputStream& stream) noexcept;

// Any thread: static for the life of the module.
const ClapPluginState& stateExtension() noexcept;

} // namespace calderine::clap
