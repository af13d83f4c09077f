// The LV2 plug-in's identity and port numbering, shared by the module and the generator of its
// description, so that the two cannot disagree. Hosts store sessions by the URI and by port
// symbol: neither may change once released.
#pragma once

#include "effect/ParameterTable.h"

#include <cstddef>
#include <cstdint>

namespace calderine::lv2 {

// No web address is owned for the project, so the URI is a name, not a location.
inline constexpr const char* kPluginUri = "urn:pemberlow:calderine";

// Port indices: the stereo audio ports, one control input per parameter in parameter order,
// then the latency output.
namespace port {
inline constexpr std::uint32_t inLeft = 0;
inline constexpr std::uint32_t inRight = 1;
inline constexpr std::uint32_t outLeft = 2;
inline constexpr std::uint32_t outRight = 3;
inline constexpr std::uint32_t firstControl = 4;
inline constexpr std::uint32_t latency = firstControl + static_cast<std::uint32_t>(kParameterCount);
inline constexpr std::uint32_t count = latency + 1;
} // namespace port

inline constexpr std::uint32_t controlPort(std::size_t parameter) noexcept {
    return port::firstControl + static_cast<std::uint32_t>(parameter);
}

// The Bypass parameter reaches LV2 as the host's own bypass switch, `lv2:enabled`: 1 processes,
// 0 bypasses, the inverse of the parameter's plain value.
inline constexpr std::size_t kEnabledParameter = parameterIndex::bypass;

} // namespace calderine::lv2
