#include "spectral/AnalysisBuild.h"

namespace calderine {

AnalysisBuild activeAnalysisBuild() noexcept {
    return {&fftpass::activeFftPasses(), &binmath::activeBinMath()};
}

AnalysisBuild baselineAnalysisBuild() noexcept {
    return {&fftpass::baselineFftPasses(), &binmath::baselineBinMath()};
}

AnalysisBuild avx2AnalysisBuild() noexcept {
    return {fftpass::avx2FftPasses(), binmath::avx2BinMath()};
}

} // namespace calderine
