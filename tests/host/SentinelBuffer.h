// A host-owned text buffer pre-filled with a sentinel, so that tests see exactly which bytes an
// effect wrote into it and that it wrote nothing past its limit.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

namespace calderine::testing {

inline constexpr char kSentinel = '#';
inline constexpr std::size_t kBufferBytes = 128;
using Buffer = std::array<char, kBufferBytes>;

inline Buffer sentinelBuffer() {
    Buffer buffer;
    buffer.fill(kSentinel);
    return buffer;
}

inline bool untouched(const Buffer& buffer) {
    return std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == kSentinel; });
}

} // namespace calderine::testing
