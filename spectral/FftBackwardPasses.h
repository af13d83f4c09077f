#pragma once

// Backward (synthesis) radix passes of the real FFT. Each pass reads cc, laid out ido x p x l1,
// and writes ch, laid out ido x l1 x p (ido varying fastest); waN is the twiddle row of the N-th
// non-trivial output, read at [i - 2] (cosine) and [i - 1] (sine) for i = 2, 4, .., ido - 1.
// cc and ch must not overlap.
namespace calderine::fftpass {

void radb2(int ido, int l1, const double* __restrict cc, double* __restrict ch,
           const double* __restrict wa1) noexcept;
void radb3(int ido, int l1, const double* __restrict cc, double* __restrict ch,
           const double* __restrict wa1, const double* __restrict wa2) noexcept;
void radb4(int ido, int l1, const double* __restrict cc, double* __restrict ch,
           const double* __restrict wa1, const double* __restrict wa2,
           const double* __restrict wa3) noexcept;
void radb5(int ido, int l1, const double* __restrict cc, double* __restrict ch,
           const double* __restrict wa1, const double* __restrict wa2, const double* __restrict wa3,
           const double* __restrict wa4) noexcept;

} // namespace calderine::fftpass
