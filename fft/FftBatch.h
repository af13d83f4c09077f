#pragma once

#include "fft/Fft.h"
#include "fft/FftPassTable.h"
#include "vecmath/BinMath.h"

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

// inputs: fftBatchWidth arrays holding the lower halves (N / 2 doubles) of the transforms' inputs,
// whose upper halves are zero; nothing past N / 2 is read, so an input may lie in a longer array.
// outputs: fftBatchWidth arrays of N doubles for the spectra. work: 4 N doubles each, 64-byte
// aligned, overwritten. weights: null, or N / 2 doubles by which the transform multiplies its
// input first (input q is inputs[q][j] weights[q][j], rounded once): a window applied as the
// first pass reads the input, where a pass of its own would write it out and read it back. No
// array may overlap another.
struct FftBatchArrays {
    const double* inputs[fftBatchWidth];
    double* outputs[fftBatchWidth];
    double* work[2];
    const double* weights[fftBatchWidth];
};

void fftForwardUpperHalfZeroBatch(const FftPlan& plan, const FftBatchArrays& arrays) noexcept;

// The same four transforms, multiplied in pairs for two fast convolutions: outputs[0] receives
// (spectrum 0 x spectrum 1) scale and outputs[1] (spectrum 2 x spectrum 3) scale, bin by bin in the
// packed layout, rounded as binmath's scaledProducts rounds (DC and Nyquist as (a b) scale);
// outputs[2] and [3] are not used. The spectra themselves are not kept.
void fftForwardUpperHalfZeroBatchProducts(const FftPlan& plan, const FftBatchArrays& arrays,
                                          double scale) noexcept;

namespace fftpass {

// fftForwardUpperHalfZeroBatch with a given build of the passes: the lanes where passes is the
// AVX2 build, one transform after another with passes where it is not.
void fftForwardUpperHalfZeroBatchWith(const FftPassTable& passes, const FftPlan& plan,
                                      const FftBatchArrays& arrays) noexcept;

// fftForwardUpperHalfZeroBatchProducts with a given build of the passes and the per-bin loops.
void fftForwardUpperHalfZeroBatchProductsWith(const FftPassTable& passes,
                                              const binmath::BinMathTable& binMath,
                                              const FftPlan& plan, const FftBatchArrays& arrays,
                                              double scale) noexcept;

// The AVX2 build's batches, present only where the library was built with it; the CPU must have
// AVX2.
void fftForwardUpperHalfZeroBatchAvx2(const FftPlan& plan, const FftBatchArrays& arrays) noexcept;
void fftForwardUpperHalfZeroBatchProductsAvx2(const FftPlan& plan, const FftBatchArrays& arrays,
                                              double scale) noexcept;

} // namespace fftpass

} // namespace calderine
