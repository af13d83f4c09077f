#pragma once

#include <memory>

namespace calderine {

// Real-input discrete Fourier transform of even sizes N = 2^a * 3^b * 5^c, double precision,
// mixed radix (passes of radix 4, 2, 3 and 5 in the real-data formulation with half-complex
// storage; several pass pairs and triples run as one sweep over the array, see runSteps in
// Fft.cpp).
//
// Neither direction scales:
//   Forward:  X_k = sum_n x_n * exp(-2*pi*i*k*n/N)
//   Backward: x_n = X_0 + (-1)^n X_{N/2} + 2 * sum_{k=1}^{N/2-1} (Re X_k cos - Im X_k
//   sin)(2*pi*k*n/N)
// so Backward(Forward(x)) = N * x; callers divide by N where they need to.
//
// A spectrum of N doubles is stored in one of two layouts. X_0 (DC) and X_{N/2} (Nyquist) are
// real, so each takes a single slot:
//   packed  (ordered = false): Re X_0, Re X_1, Im X_1, ..., Re X_{N/2-1}, Im X_{N/2-1}, Re X_{N/2}
//                              -> DC first, Nyquist last.
//   ordered (ordered = true):  Re X_0, Re X_{N/2}, Re X_1, Im X_1, ..., Re X_{N/2-1}, Im X_{N/2-1}
//                              -> DC first, Nyquist second; bin k at [2k], [2k + 1].
// The ordered layout costs one extra copy pass.
//
// On x86-64 CPUs with AVX2 the radix passes run in a 256-bit build chosen at run time; it performs
// the same operations in the same order as the baseline build, so results are bit-identical on
// every machine.

enum class FftDirection : int { Forward = 0, Backward = 1 };

inline constexpr int fftMaxFactors = 13;

// One step of a transform: a single radix pass, or passes fused into one sweep over the array
// (FftPassTable.h names them after FFTPACK's passes). twiddles[t] holds the step's twiddle rows,
// in the order its pass takes them, in table t: 0 the plan's own, 1 the lane-ordered table of the
// step's direction (FftPlan::laneTwiddles; null rows where there is none).
struct FftStep {
    enum class Kind {
        Single, // radix p at ido, l1 rows: p - 1 rows (wa1 ..)
        Pair,   // radf44: radix 4 at ido (4 l1 rows) then at 4 ido (l1 rows): 3 + 3 rows
        Head,   // radf24 or radb24, the plan's first factors 2, 4: 3 rows (radix 4) + 1 (radix 2)
        Tail,   // the plan's last factors p, p, after `lead` where it joins them (4 before 3, 3;
                // 3 before 5, 5), at ido = 1 and p (l1: the rows of the lead's or ido = p pass):
                // the lead's rows, then those of the ido = p pass
    };
    static constexpr int maxRows = 6;

    Kind kind;
    int p;    // radix: of the single pass, of the pair and head's radix-4 pass, the tail's p, p
    int lead; // Tail: 4, 3 or 0
    int ido;
    int l1;
    const double* twiddles[2][maxRows];
};

// The steps of one direction, in the order they run.
struct FftSteps {
    int count;
    FftStep steps[fftMaxFactors];
};

// Immutable after createFftPlan: any number of transforms may use one plan at the same time, on
// different arrays.
struct FftPlan {
    int size;         // N, the number of real samples
    int factors[15];  // [0] = N, [1] = number of factors nf, [2 .. nf + 1] = factors in pass order
    double* twiddles; // N doubles, 64-byte aligned, owned by the plan
    // The same twiddles in the order the AVX2 passes read them, for forward and for backward
    // transforms (indexed by FftDirection; FftTwiddleOrder.h), in the same allocation; null where
    // the CPU runs no AVX2 passes.
    double* laneTwiddles[2];
    FftSteps steps[2]; // indexed by FftDirection
};

// Whether a plan fuses passes into steps where it can (the fastest transform) or runs every radix
// pass as a step of its own; both give the same bits.
enum class FftFusion { Fused, Unfused };

// Returns null (having freed everything it took) when size is not an even product of the factors
// 4, 2, 3 and 5, or would need more than fftMaxFactors factors. Throws std::bad_alloc only when
// memory runs out.
FftPlan* createFftPlan(int size, FftFusion fusion = FftFusion::Fused);
void destroyFftPlan(FftPlan* plan); // plan must not be null

struct FftPlanDeleter {
    void operator()(FftPlan* plan) const noexcept;
};
using FftPlanPtr = std::unique_ptr<FftPlan, FftPlanDeleter>;

// input, output and work are arrays of N doubles (64-byte alignment is best for speed, not
// required). Forward reads N real samples and writes a spectrum; Backward reads a spectrum and
// writes N real samples; ordered selects the spectrum layout.
//
// - input is left unchanged unless it is output or work; input == output and input == work are
//   both allowed.
// - work is overwritten. With a work array (distinct from output) the transform allocates
//   nothing, takes no lock and calls no trigonometric function: fit for the audio thread.
// - work == nullptr (or work == output): a scratch array is taken from the stack for small sizes
//   and from the heap above that; should the heap refuse, output is filled with zeros.
void fftTransform(const FftPlan& plan, const double* input, double* output, double* work,
                  FftDirection direction, bool ordered) noexcept;

// The forward transform of an input whose upper half, input[N / 2 .. N - 1], holds zeros (a
// zero-padded frame): what fftTransform(plan, input, output, work, FftDirection::Forward,
// ordered) gives, but for the sign of an exact zero, sooner: the first pass (ido = 1, alone or in a
// fused step) skips the inputs that fall in the upper half in every row (all but N = 2). Others,
// zero in some rows only, may be read, so the upper half must hold the zeros. Same rules for the
// arrays as fftTransform.
void fftForwardUpperHalfZero(const FftPlan& plan, const double* input, double* output, double* work,
                             bool ordered) noexcept;

} // namespace calderine
