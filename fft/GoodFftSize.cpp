#include "fft/GoodFftSize.h"

#include <limits>

namespace calderine {

namespace {

// Below 2^5 the answer is a plain power of two; from there on N must stay a multiple of 32 so
// that the four slots' hop N/4 is a whole number of samples and N/2 stays even.
constexpr unsigned minPowerOfTwoExponent = 5;

constexpr std::uint64_t largestSize = std::numeric_limits<std::uint32_t>::max();

constexpr unsigned countDigits(std::uint64_t value, std::uint64_t base) {
    unsigned digits = 0;
    for (; value != 0; value /= base) {
        ++digits;
    }
    return digits;
}

// Candidates are formed in 64 bits and a loop stops as soon as its candidates reach the best
// size found so far: later ones only grow, so they can neither equal frameLength nor improve on
// the best, and stopping keeps every product below 2^64. Wrapping 32-bit products would let a
// product with a prime factor above 5 slip in as "best" for frame lengths of about 2^21 and up.
constexpr std::uint64_t smallestSizeFrom(std::uint64_t frameLength) {
    const unsigned bits = countDigits(frameLength, 2);
    const unsigned digits3 = countDigits(frameLength, 3);
    const unsigned digits5 = countDigits(frameLength, 5);
    std::uint64_t best = std::uint64_t{1} << bits;
    if (bits <= minPowerOfTwoExponent) {
        return best;
    }
    for (unsigned l = minPowerOfTwoExponent; l < bits; ++l) {
        std::uint64_t power3 = 1;
        for (unsigned m = 0; m < digits3; ++m, power3 *= 3) {
            const std::uint64_t base = (std::uint64_t{1} << l) * power3;
            if (base >= best) {
                break;
            }
            std::uint64_t power5 = 1;
            for (unsigned o = 0; o < digits5; ++o, power5 *= 5) {
                const std::uint64_t candidate = base * power5;
                if (candidate == frameLength) {
                    return frameLength;
                }
                if (candidate >= best) {
                    break;
                }
                if (candidate > frameLength) {
                    best = candidate;
                }
            }
        }
    }
    return best;
}

// The largest size of the form 2^l * 3^m * 5^o (l >= 5) that fits 32 bits: the answer for the
// few frame lengths whose true answer does not.
constexpr std::uint64_t largestRepresentableSize() {
    std::uint64_t largest = 0;
    for (std::uint64_t power2 = std::uint64_t{1} << minPowerOfTwoExponent; power2 <= largestSize;
         power2 *= 2) {
        for (std::uint64_t power3 = power2; power3 <= largestSize; power3 *= 3) {
            for (std::uint64_t size = power3; size <= largestSize; size *= 5) {
                largest = size > largest ? size : largest;
            }
        }
    }
    return largest;
}

} // namespace

std::uint32_t goodFftSize(std::uint32_t frameLength) noexcept {
    static constexpr std::uint64_t fallback = largestRepresentableSize();
    const std::uint64_t size = smallestSizeFrom(frameLength);
    return static_cast<std::uint32_t>(size <= largestSize ? size : fallback);
}

} // namespace calderine
