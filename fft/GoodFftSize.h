#pragma once

#include <cstdint>

namespace calderine {

// Picks the separator's frame and transform size N for a frame length (in samples).
//
// From 32 on, the result is the smallest 2^l * 3^m * 5^o with l >= 5 that is not below
// frameLength, so it is always a multiple of 32 and a size the real FFT accepts. Below 32 it is
// the smallest power of two strictly above frameLength, and 0 gives 1. A length whose answer
// would not fit 32 bits gets the largest such size that does.
std::uint32_t goodFftSize(std::uint32_t frameLength) noexcept;

} // namespace calderine
