#pragma once

#include "spectral/Fft.h"
#include "spectral/FftPassTable.h"

namespace calderine {

// Several forward transforms of one size, of inputs whose upper halves are zero, run together: the
// batch of a stereo pair's render stage (two frames, two kernels). Each transform gives the bits
// fftForwardUpperHalfZero gives it alone (packed layout).
//
// In the AVX2 build the four transforms run in the four lanes of one vector, a transform per lane:
// every pass then works on whole vectors with no shuffle, its twiddles broadcast, where a single
// transform's vectors span neighbouring iterations and must be split into real and imaginary
// parts. Elsewhere they run one after another.
inline constexpr int fftBatchWidth = 4;

// inputs: fftBatchWidth arrays of N doubles whose upper halves (N / 2 .. N - 1) are zero; only
// their lower halves are read. outputs: fftBatchWidth arrays of N doubles for the spectra. work:
// 4 N doubles each, 64-byte aligned, overwritten. No array may overlap another.
struct FftBatchArrays {
    const double* inputs[fftBatchWidth];
    double* outputs[fftBatchWidth];
    double* work[2];
};

void fftForwardUpperHalfZeroBatch(const FftPlan& plan, const FftBatchArrays& arrays) noexcept;

namespace fftpass {

// fftForwardUpperHalfZeroBatch with a given build of the passes: the lanes where passes is the
// AVX2 build, one transform after another with passes where it is not.
void fftForwardUpperHalfZeroBatchWith(const FftPassTable& passes, const FftPlan& plan,
                                      const FftBatchArrays& arrays) noexcept;

// The AVX2 build's batch, present only where the library was built with it; the CPU must have
// AVX2.
void fftForwardUpperHalfZeroBatchAvx2(const FftPlan& plan, const FftBatchArrays& arrays) noexcept;

} // namespace fftpass

} // namespace calderine
