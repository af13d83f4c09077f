#include "spectral/FftBatch.h"

namespace calderine {

void fftForwardUpperHalfZeroBatch(const FftPlan& plan, const FftBatchArrays& arrays) noexcept {
    fftpass::fftForwardUpperHalfZeroBatchWith(fftpass::activeFftPasses(), plan, arrays);
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

} // namespace calderine
