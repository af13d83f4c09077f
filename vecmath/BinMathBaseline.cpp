// The scalar reference and the baseline (128-bit) build of the per-bin loops, and the choice
// between the builds. Compiled with -ffp-contract=off: a fused multiply-add would round
// differently from the other builds.

#include "simd/CpuBuild.h"
#include "vecmath/BinMath.h"
#include "vecmath/BinMathKernels.h"

namespace calderine::binmath {

#if defined(CALDERINE_SIMD_AVX2)
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
#if defined(CALDERINE_SIMD_AVX2)
    if (simd::avx2Available()) {
        return &avx2BinMathUnchecked();
    }
#endif
    return nullptr;
}

const BinMathTable& activeBinMath() noexcept {
#if defined(CALDERINE_SIMD_AVX2)
    if (simd::activeBuild() == simd::Build::avx2) {
        return avx2BinMathUnchecked();
    }
#endif
    return baselineBinMath();
}

} // namespace calderine::binmath
