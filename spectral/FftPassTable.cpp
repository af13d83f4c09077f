#include "spectral/FftPassTable.h"

namespace calderine::fftpass {

const FftPassTable* avx2FftPasses() noexcept {
#if defined(CALDERINE_FFT_AVX2)
    // Idempotent; reads the CPU's feature bits once, then only tests a flag.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) {
        return &avx2FftPassesUnchecked();
    }
#endif
    return nullptr;
}

const FftPassTable& activeFftPasses() noexcept {
    const FftPassTable* wide = avx2FftPasses();
    return wide != nullptr ? *wide : baselineFftPasses();
}

} // namespace calderine::fftpass
