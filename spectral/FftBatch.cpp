#include "spectral/FftBatch.h"

namespace calderine {

void fftForwardUpperHalfZeroBatch(const FftPlan& plan, const FftBatchArrays& arrays) noexcept {
    fftpass::fftForwardUpperHalfZeroBatchWith(fftpass::activeFftPasses(), plan, arrays);
}

void fftForwardUpperHalfZeroBatchProducts(const FftPlan& plan, const FftBatchArrays& arrays,
                                          double scale) noexcept {
    fftpass::fftForwardUpperHalfZeroBatchProductsWith(
        fftpass::activeFftPasses(), binmath::activeBinMath(), plan, arrays, scale);
}

void fftpass::fftForwardUpperHalfZeroBatchWith(const FftPassTable& passes, const FftPlan& plan,
                                               const FftBatchArrays& arrays) noexcept {
#if defined(CALDERINE_FFT_AVX2)
    if (&passes == avx2FftPasses()) {
        fftForwardUpperHalfZeroBatchAvx2(plan, arrays);
        return;
    }
#endif
    for (int q = 0; q < fftBatchWidth; ++q) {
        fftForwardUpperHalfZeroWith(passes, plan, arrays.inputs[q], arrays.outputs[q],
                                    arrays.work[0], false);
    }
}

void fftpass::fftForwardUpperHalfZeroBatchProductsWith(const FftPassTable& passes,
                                                       const binmath::BinMathTable& binMath,
                                                       const FftPlan& plan,
                                                       const FftBatchArrays& arrays,
                                                       double scale) noexcept {
#if defined(CALDERINE_FFT_AVX2)
    if (&passes == avx2FftPasses()) {
        fftForwardUpperHalfZeroBatchProductsAvx2(plan, arrays, scale);
        return;
    }
#endif
    // The four spectra side by side in the first work array, the second as the scratch.
    const int n = plan.size;
    double* const spectra = arrays.work[0];
    for (int q = 0; q < fftBatchWidth; ++q) {
        fftForwardUpperHalfZeroWith(passes, plan, arrays.inputs[q], spectra + q * n, arrays.work[1],
                                    false);
    }
    for (int pair = 0; pair < 2; ++pair) {
        const double* const a = spectra + 2 * pair * n;
        binmath::packedScaledProducts(binMath, a, a + n, arrays.outputs[pair],
                                      static_cast<std::size_t>(n), scale);
    }
}

} // namespace calderine
