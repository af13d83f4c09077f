// Flush-to-zero for the calling thread: results too small for a normal number become zero
// instead of denormals, which would cost far more CPU in the recursive filters and the
// overlap-add tails as a signal decays. Only the flush bit is set (not denormals-are-zero),
// and it is left set: the host's audio thread keeps it.
#pragma once

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#include <xmmintrin.h>
#endif

#include <cstdint>

namespace calderine {

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
inline constexpr unsigned kFlushToZeroBit = 0x8000; // MXCSR.FZ

inline void enableFlushToZero() noexcept {
    _mm_setcsr(_mm_getcsr() | kFlushToZeroBit);
}

inline bool flushToZeroEnabled() noexcept {
    return (_mm_getcsr() & kFlushToZeroBit) != 0;
}
#elif defined(__aarch64__)
inline constexpr std::uint64_t kFlushToZeroBit = std::uint64_t{1} << 24; // FPCR.FZ

inline void enableFlushToZero() noexcept {
    std::uint64_t fpcr = 0;
    __asm__ __volatile__("mrs %0, fpcr" : "=r"(fpcr));
    __asm__ __volatile__("msr fpcr, %0" : : "r"(fpcr | kFlushToZeroBit));
}

inline bool flushToZeroEnabled() noexcept {
    std::uint64_t fpcr = 0;
    __asm__ __volatile__("mrs %0, fpcr" : "=r"(fpcr));
    return (fpcr & kFlushToZeroBit) != 0;
}
#else
// No known control register: denormals are left to the processor.
inline void enableFlushToZero() noexcept {}
inline bool flushToZeroEnabled() noexcept {
    return false;
}
#endif

} // namespace calderine
