#include "spectral/FftPassTable.h"

namespace calderine::fftpass {

void detectCpuFeatures() noexcept {
#if defined(CALDERINE_FFT_AVX2)
    __builtin_cpu_init();
#endif
}

const FftPassTable* avx2FftPasses() noexcept {
#if defined(CALDERINE_FFT_AVX2)
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
