#include "fft/FftBatch.h"

#include <algorithm>

namespace calderine {

namespace {

// Input q of a batch as the single transform takes it, in space (N doubles): the lower half,
// multiplied by its weights where it has them, then zeros, which the single transform may read.
const double* paddedInput(const FftPlan& plan, const FftBatchArrays& arrays, int q,
                          double* space) noexcept {
    const double* const input = arrays.inputs[q];
    const double* const weights = arrays.weights[q];
    const int half = plan.size / 2;
    if (weights == nullptr) {
        std::copy_n(input, half, space);
    } else {
        for (int j = 0; j < half; ++j) {
            space[j] = input[j] * weights[j];
        }
    }
    std::fill(space + half, space + plan.size, 0.0);
    return space;
}

} // namespace

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
#if defined(CALDERINE_SIMD_AVX2)
    if (&passes == avx2FftPasses()) {
        fftForwardUpperHalfZeroBatchAvx2(plan, arrays);
        return;
    }
#endif
    for (int q = 0; q < fftBatchWidth; ++q) {
        fftForwardUpperHalfZeroWith(passes, plan, paddedInput(plan, arrays, q, arrays.work[1]),
                                    arrays.outputs[q], arrays.work[0], false);
    }
}

void fftpass::fftForwardUpperHalfZeroBatchProductsWith(const FftPassTable& passes,
                                                       const binmath::BinMathTable& binMath,
                                                       const FftPlan& plan,
                                                       const FftBatchArrays& arrays,
                                                       double scale) noexcept {
#if defined(CALDERINE_SIMD_AVX2)
    if (&passes == avx2FftPasses()) {
        fftForwardUpperHalfZeroBatchProductsAvx2(plan, arrays, scale);
        return;
    }
#endif
    // The four spectra side by side in the first work array; the second holds the scratch, then
    // the padded input.
    const int n = plan.size;
    double* const spectra = arrays.work[0];
    for (int q = 0; q < fftBatchWidth; ++q) {
        fftForwardUpperHalfZeroWith(passes, plan,
                                    paddedInput(plan, arrays, q, arrays.work[1] + 2 * n),
                                    spectra + q * n, arrays.work[1], false);
    }
    for (int pair = 0; pair < 2; ++pair) {
        const double* const a = spectra + 2 * pair * n;
        binmath::packedScaledProducts(binMath, a, a + n, arrays.outputs[pair],
                                      static_cast<std::size_t>(n), scale);
    }
}

} // namespace calderine
