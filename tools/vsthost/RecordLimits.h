// What a host takes from a module's record and texts. A loaded module is untrusted input: the
// counts it reports size the host's allocations and loops, and its texts are written into the
// host's buffers, so each is bounded here, generously beside what real effects report.
#pragma once

#include <cstddef>
#include <cstdint>

namespace calderine {

// Effects with the most parameters report a few thousand; 2^31 - 1 would allocate until
// memory ran out.
inline constexpr std::int32_t kMostParameters = 10000;
inline constexpr std::int32_t kMostPrograms = 10000;
// Inputs, and outputs, each: surround and ambisonic effects stay well below this.
inline constexpr std::int32_t kMostChannels = 256;

// Texts are limited to 8 to 64 characters by the format, but effects overrun their limit, and
// hosts give 64 or more bytes; this much room absorbs any overrun short of a runaway.
inline constexpr std::size_t kTextBufferBytes = 64 * 1024;
// Bytes kept of any text, four times the longest the format allows.
inline constexpr std::size_t kLongestText = 256;

} // namespace calderine
