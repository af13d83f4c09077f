#pragma once

#include <cstdint>

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

// Unaligned loads and stores, by the width of the vector type asked for.
template <class V>
V loadu(const double* p) noexcept;
template <>
inline Double2 loadu<Double2>(const double* p) noexcept {
    return *reinterpret_cast<const UnalignedDouble2*>(p);
}
inline void storeu(double* p, Double2 v) noexcept {
    *reinterpret_cast<UnalignedDouble2*>(p) = v;
}

// 256-bit vectors pass in registers only where the translation unit is built for AVX.
#if defined(__AVX__)
template <>
inline Double4 loadu<Double4>(const double* p) noexcept {
    return *reinterpret_cast<const UnalignedDouble4*>(p);
}
inline void storeu(double* p, Double4 v) noexcept {
    *reinterpret_cast<UnalignedDouble4*>(p) = v;
}
#endif

// Every lane x.
template <class V>
constexpr V splat(double x) noexcept {
    if constexpr (sizeof(V) == sizeof(Double2)) {
        return V{x, x};
    } else {
        return V{x, x, x, x};
    }
}

} // namespace

} // namespace calderine::simd
