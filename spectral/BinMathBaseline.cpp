// The scalar reference and the baseline (128-bit) build of the per-bin loops, and the choice
// between the builds. Compiled with -ffp-contract=off: a fused multiply-add would round
// differently from the other builds.

#include "spectral/BinMath.h"
#include "spectral/BinMathKernels.h"
#include "spectral/FftPassTable.h"

namespace calderine::binmath {

#if defined(CALDERINE_FFT_AVX2)
const BinMathTable& avx2BinMathUnchecked() noexcept; // BinMathAvx2.cpp
#endif

const BinMathTable& referenceBinMath() noexcept {
    static constexpr BinMathTable table = kernelTable<ScalarLanes>();
    return table;
}

const BinMathTable& baselineBinMath() noexcept {
    static constexpr BinMathTable table = kernelTable<PairLanes>();
    return table;
}

const BinMathTable* avx2BinMath() noexcept {
#if defined(CALDERINE_FFT_AVX2)
    if (fftpass::avx2FftPasses() != nullptr) {
        return &avx2BinMathUnchecked();
    }
#endif
    return nullptr;
}

const BinMathTable& activeBinMath() noexcept {
    const BinMathTable* wide = avx2BinMath();
    const bool fftIsWide = &fftpass::activeFftPasses() != &fftpass::baselineFftPasses();
    return fftIsWide && wide != nullptr ? *wide : baselineBinMath();
}

AnalysisBuild activeAnalysisBuild() noexcept {
    return {&fftpass::activeFftPasses(), &activeBinMath()};
}

AnalysisBuild baselineAnalysisBuild() noexcept {
    return {&fftpass::baselineFftPasses(), &baselineBinMath()};
}

AnalysisBuild avx2AnalysisBuild() noexcept {
    const BinMathTable* binMath = avx2BinMath();
    if (binMath == nullptr) {
        return {nullptr, nullptr};
    }
    return {fftpass::avx2FftPasses(), binMath};
}

} // namespace calderine::binmath
