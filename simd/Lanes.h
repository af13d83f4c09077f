#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__AVX__)
#include <immintrin.h>
#endif

// The vector types every lane loop of the project is written over: two doubles in 128 bits (the
// baseline SIMD width of every x86-64 and ARM64 CPU) and four in 256 bits (the AVX2 build), each
// with its 64-bit integer twin for masks and bit manipulation. GCC and clang spell lane-wise
// arithmetic, comparison and __builtin_shufflevector on them alike. Lane code does exactly the
// scalar operations in every lane, so each width gives the scalar code's bits.
namespace calderine::simd {

using Double2 = double __attribute__((vector_size(16)));
using Double4 = double __attribute__((vector_size(32)));
using Bits2 = std::uint64_t __attribute__((vector_size(16)));
using Bits4 = std::uint64_t __attribute__((vector_size(32)));

// The same vectors at any double's alignment. Accessing memory through them (rather than through
// memcpy, which may alias anything) tells the compiler that a store into the arrays cannot change
// a loop's indices and pointers. They must be typedefs: on an alias declaration (using) clang
// ignores the lowered alignment and emits aligned accesses, which fault on 8-byte-aligned data.
typedef double UnalignedDouble2 __attribute__((vector_size(16), aligned(8)));
typedef double UnalignedDouble4 __attribute__((vector_size(32), aligned(8)));
static_assert(alignof(UnalignedDouble2) == alignof(double), "unaligned vector type is aligned");
static_assert(alignof(UnalignedDouble4) == alignof(double), "unaligned vector type is aligned");

// Internal linkage: translation units compiled for different instruction sets include this, and
// the linker must not pick one's copy for another.
namespace {

// Lane policies: the vector (or scalar) type, its matching 64-bit integer type and the operations
// that the vector extensions do not spell the same way for every width: the per-bin math is
// written over them, the FFT and the tilt filters use their loads, stores and splats.
struct ScalarLanes {
    using V = double;
    using I = std::uint64_t;
    static constexpr std::size_t width = 1;

    static V splat(double x) noexcept { return x; }
    static I splatI(std::uint64_t x) noexcept { return x; }
    static I bits(V v) noexcept { return std::bit_cast<I>(v); }
    static V fromBits(I i) noexcept { return std::bit_cast<V>(i); }
    // All ones where a < b (or a >= b; false for NaN), else zero.
    static I lessMask(V a, V b) noexcept { return a < b ? ~I{0} : I{0}; }
    static I notLessMask(V a, V b) noexcept { return a >= b ? ~I{0} : I{0}; }
    // Whether every lane of a comparison mask is set.
    static bool all(I mask) noexcept { return mask != 0; }
    // Correctly rounded, as in every build.
    static V sqrt(V v) noexcept { return std::sqrt(v); }
    static V load(const double* p) noexcept { return *p; }
    static void store(double* p, V v) noexcept { *p = v; }
    // Interleaved (re, im) pairs: width pairs from p, split into their parts; and back.
    static void loadPairs(const double* p, V& re, V& im) noexcept {
        re = p[0];
        im = p[1];
    }
    static void storePairs(double* p, V re, V im) noexcept {
        p[0] = re;
        p[1] = im;
    }
    // Stores width values computed from loadPairs' lanes, in the order of the pairs.
    static void storeInPairOrder(double* p, V v) noexcept { *p = v; }
    // Loads width consecutive values into the lanes that loadPairs gives the same pairs.
    static V loadInPairOrder(const double* p) noexcept { return *p; }
    // width values ending at p (p[0], p[-1], ...), lane 0 holding p[0].
    static V loadReversed(const double* p) noexcept { return *p; }
};

// Two doubles in a 128-bit vector.
struct PairLanes {
    using V = Double2;
    using I = Bits2;
    static constexpr std::size_t width = 2;

    static V splat(double x) noexcept { return V{x, x}; }
    static I splatI(std::uint64_t x) noexcept { return I{x, x}; }
    static I bits(V v) noexcept { return std::bit_cast<I>(v); }
    static V fromBits(I i) noexcept { return std::bit_cast<V>(i); }
    static I lessMask(V a, V b) noexcept { return std::bit_cast<I>(a < b); }
    static I notLessMask(V a, V b) noexcept { return std::bit_cast<I>(a >= b); }
    static bool all(I mask) noexcept { return (mask[0] & mask[1]) != 0; }
    static V sqrt(V v) noexcept {
#if defined(__SSE2__)
        return std::bit_cast<V>(_mm_sqrt_pd(std::bit_cast<__m128d>(v)));
#else
        return V{std::sqrt(v[0]), std::sqrt(v[1])};
#endif
    }
    static V load(const double* p) noexcept {
        return *reinterpret_cast<const UnalignedDouble2*>(p);
    }
    static void store(double* p, V v) noexcept {
        *reinterpret_cast<UnalignedDouble2*>(p) = v;
    }
    static void loadPairs(const double* p, V& re, V& im) noexcept {
        const V a = load(p);
        const V b = load(p + 2);
        re = __builtin_shufflevector(a, b, 0, 2);
        im = __builtin_shufflevector(a, b, 1, 3);
    }
    static void storePairs(double* p, V re, V im) noexcept {
        store(p, __builtin_shufflevector(re, im, 0, 2));
        store(p + 2, __builtin_shufflevector(re, im, 1, 3));
    }
    static void storeInPairOrder(double* p, V v) noexcept {
        store(p, v);
    }
    static V loadInPairOrder(const double* p) noexcept {
        return load(p);
    }
    static V loadReversed(const double* p) noexcept {
        const V v = load(p - 1);
        return __builtin_shufflevector(v, v, 1, 0);
    }
};

// a where mask is all ones, b where it is zero.
template <class L>
typename L::V select(typename L::I mask, typename L::V a, typename L::V b) noexcept {
    return L::fromBits((L::bits(a) & mask) | (L::bits(b) & ~mask));
}

#if defined(__AVX__)
// Four doubles in a 256-bit vector: only in translation units built for AVX2.
struct QuadLanes {
    using V = Double4;
    using I = Bits4;
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
    static V load(const double* p) noexcept {
        return *reinterpret_cast<const UnalignedDouble4*>(p);
    }
    static void store(double* p, V v) noexcept { *reinterpret_cast<UnalignedDouble4*>(p) = v; }
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

#endif

} // namespace

} // namespace calderine::simd
