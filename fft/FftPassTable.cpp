#include "fft/FftPassTable.h"

#include "simd/CpuBuild.h"

namespace calderine::fftpass {

const FftPassTable* avx2FftPasses() noexcept {
#if defined(CALDERINE_SIMD_AVX2)
    if (simd::avx2Available()) {
        return &avx2FftPassesUnchecked();
    }
#endif
    return nullptr;
}

const FftPassTable& activeFftPasses() noexcept {
#if defined(CALDERINE_SIMD_AVX2)
    if (simd::activeBuild() == simd::Build::avx2) {
        return avx2FftPassesUnchecked();
    }
#endif
    return baselineFftPasses();
}

} // namespace calderine::fftpass
