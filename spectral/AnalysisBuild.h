#pragma once

#include "fft/FftPassTable.h"
#include "vecmath/BinMath.h"

namespace calderine {

// The transform passes and per-bin loops one frame analysis runs: both of the same build.
struct AnalysisBuild {
    const fftpass::FftPassTable* fft;
    const binmath::BinMathTable* binMath;
};

// What this CPU runs (simd::activeBuild(), CALDERINE_FFT_BASELINE included).
inline AnalysisBuild activeAnalysisBuild() noexcept {
    return {&fftpass::activeFftPasses(), &binmath::activeBinMath()};
}
inline AnalysisBuild baselineAnalysisBuild() noexcept {
    return {&fftpass::baselineFftPasses(), &binmath::baselineBinMath()};
}
// Both members null when this build has no AVX2 code or the CPU lacks AVX2.
inline AnalysisBuild avx2AnalysisBuild() noexcept {
    return {fftpass::avx2FftPasses(), binmath::avx2BinMath()};
}

} // namespace calderine
