// The per-bin loops built for 256-bit AVX2 vectors. Compiled with -mavx2 and without fused
// multiply-add, so that results match the reference and baseline builds bit for bit; runs only
// where avx2BinMath() has seen the CPU support AVX2.

#include "simd/Vectors.h"
#include "vecmath/BinMath.h"
#include "vecmath/BinMathKernels.h"

#include <bit>
#include <cstdint>
#include <immintrin.h>

namespace calderine::binmath {
namespace {

struct QuadLanes {
    using V = simd::Double4;
    using I = simd::Bits4;
    static constexpr std::size_t width = 4;

    static V splat(double x) noexcept { return V{x, x, x, x}; }
    static I splatI(std::uint64_t x) noexcept { return I{x, x, x, x}; }
    static I bits(V v) noexcept { return std::bit_cast<I>(v); }
    static V fromBits(I i) noexcept { return std::bit_cast<V>(i); }
    static I lessMask(V a, V b) noexcept { return std::bit_cast<I>(a < b); }
    static I notLessMask(V a, V b) noexcept { return std::bit_cast<I>(a >= b); }
    static bool all(I mask) noexcept {
        return _mm256_movemask_pd(std::bit_cast<__m256d>(mask)) == 0xf;
    }
    static V sqrt(V v) noexcept {
        return std::bit_cast<V>(_mm256_sqrt_pd(std::bit_cast<__m256d>(v)));
    }
    static V load(const double* p) noexcept { return simd::loadu<V>(p); }
    static void store(double* p, V v) noexcept { simd::storeu(p, v); }
    // Four pairs r0 i0 r1 i1 | r2 i2 r3 i3: the in-lane unpack gives the lane order 0, 2, 1, 3,
    // which the math does not care about and storePairs undoes.
    static void loadPairs(const double* p, V& re, V& im) noexcept {
        const V a = load(p);
        const V b = load(p + 4);
        re = __builtin_shufflevector(a, b, 0, 4, 2, 6);
        im = __builtin_shufflevector(a, b, 1, 5, 3, 7);
    }
    static void storePairs(double* p, V re, V im) noexcept {
        store(p, __builtin_shufflevector(re, im, 0, 4, 2, 6));
        store(p + 4, __builtin_shufflevector(re, im, 1, 5, 3, 7));
    }
    // Undoes loadPairs' lane order 0, 2, 1, 3.
    static void storeInPairOrder(double* p, V v) noexcept {
        store(p, __builtin_shufflevector(v, v, 0, 2, 1, 3));
    }
    // The same permutation, which is its own inverse.
    static V loadInPairOrder(const double* p) noexcept {
        const V v = load(p);
        return __builtin_shufflevector(v, v, 0, 2, 1, 3);
    }
    static V loadReversed(const double* p) noexcept {
        const V v = load(p - 3);
        return __builtin_shufflevector(v, v, 3, 2, 1, 0);
    }
};

} // namespace

const BinMathTable& avx2BinMathUnchecked() noexcept {
    static constexpr BinMathTable table = kernelTable<QuadLanes>();
    return table;
}

} // namespace calderine::binmath
