#pragma once

#include "fft/Fft.h"

// The radix passes of one build of the transform. The baseline build runs on any CPU; on x86-64
// a second build for 256-bit AVX2 vectors is chosen at run time where the CPU has it. Both builds
// perform the same floating-point operations in the same order (no fused multiply-add), so they
// give bit-identical results.
namespace calderine::fftpass {

using Radix2 = void (*)(int ido, int l1, const double* cc, double* ch, const double* wa1) noexcept;
using Radix3 = void (*)(int ido, int l1, const double* cc, double* ch, const double* wa1,
                        const double* wa2) noexcept;
using Radix4 = void (*)(int ido, int l1, const double* cc, double* ch, const double* wa1,
                        const double* wa2, const double* wa3) noexcept;
using Radix5 = void (*)(int ido, int l1, const double* cc, double* ch, const double* wa1,
                        const double* wa2, const double* wa3, const double* wa4) noexcept;
// Two radix-5 passes in one: the ido = 1 and ido = 5 passes of a plan ending in factors 5, 5 (l1:
// the rows of the ido = 5 pass; wa: its twiddle rows). See radf55 and radb55.
using Radix55 = void (*)(int l1, const double* cc, double* ch, const double* wa1, const double* wa2,
                         const double* wa3, const double* wa4) noexcept;

// Likewise for a plan ending in factors 3, 3 (radf33, radb33).
using Radix33 = void (*)(int l1, const double* cc, double* ch, const double* wa1,
                         const double* wa2) noexcept;

// Three passes in one: the radix-4 pass at ido = 9 and the 3, 3 step of a plan ending in factors
// 4, 3, 3 (l1: the rows of the radix-4 pass; wa: its twiddle rows; wb: those of the ido = 3
// radix-3 pass). See radf433 and radb433.
using Radix433 = void (*)(int l1, const double* cc, double* ch, const double* wa1,
                          const double* wa2, const double* wa3, const double* wb1,
                          const double* wb2) noexcept;

// Two passes in one: radix 4 at ido (N / 8, even; two rows) and radix 2 at 4 * ido (one row) of a
// plan whose first factors are 2, 4 (wa: the radix-4 pass's twiddle rows; wb: the radix-2
// pass's). See radf24 and radb24.
using Radix24 = void (*)(int ido, const double* cc, double* ch, const double* wa1,
                         const double* wa2, const double* wa3, const double* wb) noexcept;

// Two consecutive forward radix-4 passes in one: ido (even) with 4 * l1 rows then 4 * ido with
// l1 rows (wa: the first pass's twiddle rows, wb: the second's). See radf44.
using Radix44 = void (*)(int ido, int l1, const double* cc, double* ch, const double* wa1,
                         const double* wa2, const double* wa3, const double* wb1, const double* wb2,
                         const double* wb3) noexcept;

// Three forward passes in one: radf3 at ido = 25 and the 5, 5 step of a plan ending in factors 3,
// 5, 5 (l1: the rows of the radix-3 pass; wa: its twiddle rows; wb: those of the ido = 5 radix-5
// pass). See radf355.
using Radix355 = void (*)(int l1, const double* cc, double* ch, const double* wa1,
                          const double* wa2, const double* wb1, const double* wb2,
                          const double* wb3, const double* wb4) noexcept;

struct FftPassTable {
    Radix2 radf2;
    Radix3 radf3;
    Radix4 radf4;
    Radix5 radf5;
    Radix2 radb2;
    Radix3 radb3;
    Radix4 radb4;
    Radix5 radb5;
    Radix55 radf55;
    Radix55 radb55;
    Radix33 radf33;
    Radix33 radb33;
    Radix433 radf433;
    Radix433 radb433;
    Radix24 radf24;
    Radix24 radb24;
    Radix44 radf44;
    Radix355 radf355;
    // The first forward steps of an input whose upper half (samples N / 2 .. N - 1) is zero: the
    // same steps, but their ido = 1 pass neither loads nor sums the inputs that fall there in every
    // row (from 2 N / 3 on for radix 3, 3 N / 5 on for radix 5, N / 2 on for radix 4). Results
    // equal the full steps' but for the sign of an exact zero. The single passes differ from the
    // full ones at ido = 1 only.
    Radix3 radf3UpperHalfZero;
    Radix4 radf4UpperHalfZero;
    Radix5 radf5UpperHalfZero;
    Radix33 radf33UpperHalfZero;
    Radix55 radf55UpperHalfZero;
    Radix433 radf433UpperHalfZero;
    Radix355 radf355UpperHalfZero;
    // Whether the passes read the plan's twiddles in lane order (FftPlan::laneTwiddles) rather
    // than as the plan's table has them.
    bool twiddlesInLaneOrder;
};

const FftPassTable& baselineFftPasses() noexcept;
// Null when this build has no AVX2 passes or the CPU lacks AVX2.
const FftPassTable* avx2FftPasses() noexcept;
// The AVX2 build itself, present only where the library was built with it; callers go through
// avx2FftPasses(), which checks the CPU first.
const FftPassTable& avx2FftPassesUnchecked() noexcept;
// The build that fftTransform runs: simd::activeBuild()'s.
const FftPassTable& activeFftPasses() noexcept;

// Calls pass(j, p, ido, l1, iw) for each forward pass of plan, in the order they run (factor j =
// nf down to 1, radix p, ido x l1 values), iw being the offset of its twiddle rows in the plan's
// table: the single passes, which the transform fuses into steps where it can.
template <class Pass>
void forEachForwardPass(const FftPlan& plan, Pass&& pass) {
    const int n = plan.size;
    int l2 = n;
    int iw = n - 1;
    for (int j = plan.factors[1]; j >= 1; --j) {
        const int p = plan.factors[1 + j];
        const int l1 = l2 / p;
        const int ido = n / l2;
        iw -= (p - 1) * ido;
        pass(j, p, ido, l1, iw);
        l2 = l1;
    }
}

// fftTransform with a given build of the passes (fftTransform uses activeFftPasses()).
void fftTransformWith(const FftPassTable& passes, const FftPlan& plan, const double* input,
                      double* output, double* work, FftDirection direction, bool ordered) noexcept;

// fftForwardUpperHalfZero with a given build of the passes.
void fftForwardUpperHalfZeroWith(const FftPassTable& passes, const FftPlan& plan,
                                 const double* input, double* output, double* work,
                                 bool ordered) noexcept;

} // namespace calderine::fftpass
