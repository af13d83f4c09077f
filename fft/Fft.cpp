#include "fft/Fft.h"

#include "fft/FftConstants.h"
#include "fft/FftPassTable.h"
#include "fft/FftTwiddleOrder.h"
#include "simd/AlignedBuffer.h"
#include "simd/CpuBuild.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <numeric>
#include <utility>

namespace calderine {

namespace {

constexpr int trialFactors[] = {4, 2, 3, 5};

// Without a caller's work array the scratch comes from the stack up to this many doubles
// (8 KiB, harmless on any audio thread), and from the heap above it.
constexpr int stackScratchLimit = 1024;

// Fills factors[2 ..] in pass order and returns their count, or 0 when size is not a product of
// the trial factors or needs more factors than the table holds. A 2 (there is at most one, the
// 4s having been taken first) goes to the front, so that it runs as the last forward pass.
int factorise(int size, int (&factors)[15]) {
    int remaining = size;
    int nf = 0;
    for (const int trial : trialFactors) {
        while (remaining != 1 && remaining % trial == 0) {
            if (nf == fftMaxFactors) {
                return 0;
            }
            remaining /= trial;
            factors[2 + nf] = trial;
            ++nf;
            if (trial == 2 && nf > 1) {
                std::rotate(factors + 2, factors + 1 + nf, factors + 2 + nf);
            }
        }
    }
    return remaining == 1 ? nf : 0;
}

void freeTwiddles(double* twiddles) noexcept {
    ::operator delete (twiddles, std::align_val_t{AlignedBuffer::alignment});
}

// upperHalfZero: cc is the transform's input and its upper half is zero (the first pass, ido = 1).
// A radix-2 first pass (N = 2) runs in full.
void forwardPass(const fftpass::FftPassTable& passes, int p, int ido, int l1,
                 const double* const* wa, const double* cc, double* ch,
                 bool upperHalfZero) noexcept {
    switch (p) {
    case 4:
        (upperHalfZero ? passes.radf4UpperHalfZero : passes.radf4)(ido, l1, cc, ch, wa[0], wa[1],
                                                                   wa[2]);
        break;
    case 2:
        passes.radf2(ido, l1, cc, ch, wa[0]);
        break;
    case 3:
        (upperHalfZero ? passes.radf3UpperHalfZero : passes.radf3)(ido, l1, cc, ch, wa[0], wa[1]);
        break;
    default:
        (upperHalfZero ? passes.radf5UpperHalfZero : passes.radf5)(ido, l1, cc, ch, wa[0], wa[1],
                                                                   wa[2], wa[3]);
        break;
    }
}

void backwardPass(const fftpass::FftPassTable& passes, int p, int ido, int l1,
                  const double* const* wa, const double* cc, double* ch) noexcept {
    switch (p) {
    case 4:
        passes.radb4(ido, l1, cc, ch, wa[0], wa[1], wa[2]);
        break;
    case 2:
        passes.radb2(ido, l1, cc, ch, wa[0]);
        break;
    case 3:
        passes.radb3(ido, l1, cc, ch, wa[0], wa[1]);
        break;
    default:
        passes.radb5(ido, l1, cc, ch, wa[0], wa[1], wa[2], wa[3]);
        break;
    }
}

// Nyquist moves from the end to slot 1; the complex bins shift up by one. In place: the packed
// spectrum is still in cache, and a second array would cost as much again.
void packedToOrderedInPlace(double* spectrum, int n) noexcept {
    const double nyquist = spectrum[n - 1];
    std::memmove(spectrum + 2, spectrum + 1, static_cast<std::size_t>(n - 2) * sizeof(double));
    spectrum[1] = nyquist;
}

void orderedToPacked(const double* __restrict in, double* __restrict out, int n) noexcept {
    out[0] = in[0];
    out[n - 1] = in[1];
    for (int k = 1; k < n - 1; ++k) {
        out[k] = in[k + 1];
    }
}

// Plans whose last two factors are equal odd ones (5, 5 or 3, 3) run the passes at ido = 1 and
// ido = p as one step (radf55/radb55, radf33/radb33), which spares the trip of the whole array
// through memory between them and the interleaving shuffles on both sides of it (measured: 0.6 to
// 0.8 of the two passes' time). Where a 4 precedes the 3, 3, the radix-4 pass at ido = 9 joins them
// (radf433/radb433).
//
// The fused backward 5, 5 and 3, 3 steps store p * p streams l1 = N / p^2 doubles apart. Where more
// of them fall into one set of the L1 data cache than it has ways (8 on current x86-64 cores, 4 KiB
// per way), they evict each other: at N = 4608 (l1 = 512, all nine streams in one set) radb33 took
// 2180 ns against 1063 + 655 for the two passes. Such plans keep those backward passes apart.
struct FusedTail {
    int radix; // p of the fused p, p step, or 0 for none
    int lead;  // the factor before the p, p whose pass joins them (4 before 3, 3; 3 before 5, 5 in
               // forward transforms), or 0
    int passes() const noexcept { return radix == 0 ? 0 : lead != 0 ? 3 : 2; }
};

FusedTail fusedTail(const FftPlan& plan, FftDirection direction) noexcept {
    const int nf = plan.factors[1];
    if (nf < 2) {
        return {0, 0};
    }
    const int p = plan.factors[nf + 1];
    if ((p != 5 && p != 3) || plan.factors[nf] != p) {
        return {0, 0};
    }
    if (p == 3 && nf >= 3 && plan.factors[nf - 1] == 4) {
        return {3, 4};
    }
    if (p == 5 && nf >= 3 && plan.factors[nf - 1] == 3 && direction == FftDirection::Forward) {
        return {5, 3};
    }
    if (direction == FftDirection::Backward) {
        constexpr int wayBytes = 4096;
        constexpr int ways = 8;
        const int strideBytes = static_cast<int>(sizeof(double)) * (plan.size / (p * p));
        const int sets = wayBytes / std::gcd(strideBytes, wayBytes);
        if ((p * p + sets - 1) / sets > ways) {
            return {0, 0};
        }
    }
    return {p, 0};
}

// Plans whose first factors are 2, 4 with an even ido for the radix-4 pass run those two passes as
// one step (radf24/radb24): the radix-2 pass at ido = N / 2 does little arithmetic per value, so
// the trip of the whole array through memory was most of its time. Not where the radix-4 pass
// already belongs to the fused tail (N = 72: 2, 4, 3, 3).
bool fusedHead(const FftPlan& plan, const FusedTail& tail) noexcept {
    const int nf = plan.factors[1];
    return nf - tail.passes() >= 2 && plan.factors[2] == 2 && plan.factors[3] == 4 &&
           (plan.size / 8) % 2 == 0;
}

// Consecutive forward radix-4 passes outside the fused head and tail run in pairs (radf44) where
// the pass with the smaller ido has an even one, which spares one trip of the whole array through
// memory per pair; pairs are taken greedily in the order the passes run. Measured (AVX2 build,
// ns): 2223 against 1369 + 1149 for the ido = 36, 144 passes at N = 4608, 1956 against 1103 + 1040
// for ido = 300, 1200 at 4800, 1129 against 608 + 542 at 2304 (even). A backward pair, built and
// measured the same way, gained nothing (2461 against 1159 + 1325 at 4608, 2236 against 1070 +
// 1137 at 4800, 1119 against 533 + 567 at 2304): the pair holds 32 complex vectors at once, the
// spills cost what the saved trip through memory gains, so backward passes stay apart. Returns a
// mask of the factor indices j (1-based, as in plan.factors[1 + j]) whose pass runs first in a
// pair.
unsigned pairedForwardFours(const FftPlan& plan, int lowest, int highest) noexcept {
    const int n = plan.size;
    // ido of factor j's pass: N over the product of factors 1 .. j.
    int ido[16] = {};
    int product = 1;
    for (int j = 1; j <= plan.factors[1]; ++j) {
        product *= plan.factors[1 + j];
        ido[j] = n / product;
    }
    const auto fours = [&](int j) { return plan.factors[1 + j] == 4 && plan.factors[2 + j] == 4; };
    unsigned mask = 0;
    for (int j = highest; j > lowest; --j) {
        if (fours(j - 1) && ido[j] % 2 == 0) {
            mask |= 1u << j;
            --j;
        }
    }
    return mask;
}

// Factor j's pass (1-based, as in plan.factors[1 + j]): ido, rows and where its p - 1 twiddle rows
// of ido doubles start in the plan's table (fillTwiddles' layout). The same in both directions.
struct FactorShape {
    int ido;
    int l1;
    int rowStart;
};

struct PlanShape {
    FactorShape factor[fftMaxFactors + 1];
};

PlanShape shapeOf(const FftPlan& plan) noexcept {
    PlanShape shape{};
    int l1 = 1;
    int start = 0;
    for (int j = 1; j <= plan.factors[1]; ++j) {
        const int p = plan.factors[1 + j];
        const int ido = plan.size / (l1 * p);
        shape.factor[j] = {ido, l1, start};
        start += (p - 1) * ido;
        l1 *= p;
    }
    return shape;
}

// Factor j's row m holds (cos, sin) of q (m + 1) l1 2 pi / N for q = 1 .. (ido - 1) / 2. The last
// factor runs with ido = 1 and reads none.
void fillTwiddles(const FftPlan& plan) {
    const double h = fftconst::twoPi / plan.size;
    const PlanShape shape = shapeOf(plan);
    for (int j = 1; j < plan.factors[1]; ++j) {
        const FactorShape& f = shape.factor[j];
        for (int m = 1; m < plan.factors[1 + j]; ++m) {
            const double a = m * f.l1 * h;
            double* const row = plan.twiddles + f.rowStart + (m - 1) * f.ido;
            for (int q = 1; q <= (f.ido - 1) / 2; ++q) {
                row[2 * (q - 1)] = std::cos(q * a);
                row[2 * (q - 1) + 1] = std::sin(q * a);
            }
        }
    }
}

// Builds a plan's steps, appending to each the rows of its factors in the order its pass takes
// them.
class StepList {
public:
    StepList(const FftPlan& plan, FftSteps& out) : plan_(plan), shape_(shapeOf(plan)), out_(out) {
        out_.count = 0;
    }

    // The single pass of factor j.
    void single(int j) {
        const FactorShape& f = shape_.factor[j];
        FftStep& step = add(FftStep::Kind::Single, plan_.factors[1 + j], 0, f.ido, f.l1);
        rowsOf(step, j);
    }
    // radf44: factor j at ido, then factor j - 1 at 4 ido.
    void pair(int j) {
        const FactorShape& f = shape_.factor[j];
        FftStep& step = add(FftStep::Kind::Pair, 4, 0, f.ido, shape_.factor[j - 1].l1);
        rowsOf(step, j);
        rowsOf(step, j - 1);
    }
    // radf24 or radb24: factors 1 (radix 2) and 2 (radix 4, whose ido and rows the pass takes).
    void head() {
        const FactorShape& f = shape_.factor[2];
        FftStep& step = add(FftStep::Kind::Head, 4, 0, f.ido, f.l1);
        rowsOf(step, 2);
        rowsOf(step, 1);
    }
    // The fused tail: the last two factors, and the lead's before them where it joins.
    void tail(const FusedTail& fused) {
        const int nf = plan_.factors[1];
        const int first = fused.lead != 0 ? nf - 2 : nf - 1;
        FftStep& step = add(FftStep::Kind::Tail, fused.radix, fused.lead, shape_.factor[first].ido,
                            shape_.factor[first].l1);
        for (int j = first; j < nf; ++j) {
            rowsOf(step, j);
        }
    }

private:
    FftStep& add(FftStep::Kind kind, int p, int lead, int ido, int l1) {
        FftStep& step = out_.steps[out_.count++];
        step = FftStep{.kind = kind, .p = p, .lead = lead, .ido = ido, .l1 = l1, .twiddles = {}};
        rows_ = 0;
        return step;
    }
    void rowsOf(FftStep& step, int j) {
        const FactorShape& f = shape_.factor[j];
        for (int m = 0; m < plan_.factors[1 + j] - 1; ++m) {
            step.twiddles[0][rows_++] = plan_.twiddles + f.rowStart + m * f.ido;
        }
    }

    const FftPlan& plan_;
    PlanShape shape_;
    FftSteps& out_;
    int rows_ = 0;
};

// A direction's steps in the order they run: the radix passes, two or three of them fused as
// above where the plan allows it and fusion is asked for.
void buildSteps(const FftPlan& plan, FftDirection direction, FftFusion fusion, FftSteps& out) {
    const bool fuse = fusion == FftFusion::Fused;
    const int nf = plan.factors[1];
    const FusedTail fused = fuse ? fusedTail(plan, direction) : FusedTail{0, 0};
    const bool head = fuse && fusedHead(plan, fused);
    const int lowest = head ? 3 : 1;
    const int highest = nf - fused.passes();
    StepList list(plan, out);
    if (direction == FftDirection::Forward) {
        if (fused.radix != 0) {
            list.tail(fused);
        }
        const unsigned pairs = fuse ? pairedForwardFours(plan, lowest, highest) : 0u;
        for (int j = highest; j >= lowest; --j) {
            if ((pairs >> j & 1u) != 0) {
                list.pair(j--);
            } else {
                list.single(j);
            }
        }
        if (head) {
            list.head();
        }
        return;
    }
    if (head) {
        list.head();
    }
    for (int j = lowest; j <= highest; ++j) {
        list.single(j);
    }
    if (fused.radix != 0) {
        list.tail(fused);
    }
}

void runStep(const fftpass::FftPassTable& passes, const FftStep& step, const double* const* w,
             const double* source, double* destination, bool forward, bool zeros) noexcept {
    const int ido = step.ido;
    const int l1 = step.l1;
    switch (step.kind) {
    case FftStep::Kind::Single:
        if (forward) {
            forwardPass(passes, step.p, ido, l1, w, source, destination, zeros);
        } else {
            backwardPass(passes, step.p, ido, l1, w, source, destination);
        }
        break;
    case FftStep::Kind::Pair:
        passes.radf44(ido, l1, source, destination, w[0], w[1], w[2], w[3], w[4], w[5]);
        break;
    case FftStep::Kind::Head:
        (forward ? passes.radf24 : passes.radb24)(ido, source, destination, w[0], w[1], w[2], w[3]);
        break;
    case FftStep::Kind::Tail:
        if (step.lead == 4) {
            (zeros     ? passes.radf433UpperHalfZero
             : forward ? passes.radf433
                       : passes.radb433)(l1, source, destination, w[0], w[1], w[2], w[3], w[4]);
        } else if (step.lead == 3) {
            (zeros ? passes.radf355UpperHalfZero : passes.radf355)(l1, source, destination, w[0],
                                                                   w[1], w[2], w[3], w[4], w[5]);
        } else if (step.p == 5) {
            (zeros     ? passes.radf55UpperHalfZero
             : forward ? passes.radf55
                       : passes.radb55)(l1, source, destination, w[0], w[1], w[2], w[3]);
        } else {
            (zeros     ? passes.radf33UpperHalfZero
             : forward ? passes.radf33
                       : passes.radb33)(l1, source, destination, w[0], w[1]);
        }
        break;
    }
}

// Runs the chain of steps (preceded by the conversion from the ordered layout for a backward
// transform), each reading the previous step's array and writing the other of output/work. The
// first destination is chosen by the parity of the step count so that the last step lands in
// output; when input is that first destination, the other array goes first instead (input must be
// read before it is overwritten) and the result is copied into output at the end. A forward
// transform into the ordered layout reorders its result in place. With upperHalfZero (forward
// only: the input's samples from N / 2 on are zeros) the first step skips those zeros.
void runSteps(const fftpass::FftPassTable& passes, const FftPlan& plan, const double* input,
              double* output, double* work, FftDirection direction, bool ordered,
              bool upperHalfZero) noexcept {
    const int n = plan.size;
    const bool forward = direction == FftDirection::Forward;
    const bool convertInput = ordered && !forward;
    const FftSteps& steps = plan.steps[static_cast<int>(direction)];
    // The table this build reads (FftPassTable::twiddlesInLaneOrder).
    const int table =
        passes.twiddlesInLaneOrder && plan.laneTwiddles[static_cast<int>(direction)] ? 1 : 0;

    double* destination = (steps.count + (convertInput ? 1 : 0)) % 2 == 1 ? output : work;
    double* other = destination == output ? work : output;
    if (destination == input) {
        std::swap(destination, other);
    }
    const double* source = input;
    if (convertInput) {
        orderedToPacked(source, destination, n);
        source = destination;
        std::swap(destination, other);
    }
    for (int s = 0; s < steps.count; ++s) {
        const FftStep& step = steps.steps[s];
        runStep(passes, step, step.twiddles[table], source, destination, forward,
                forward && upperHalfZero && s == 0);
        source = destination;
        std::swap(destination, other);
    }
    if (forward && ordered) {
        packedToOrderedInPlace(const_cast<double*>(source), n);
    }
    if (source != output) {
        std::copy_n(source, n, output);
    }
}

// The plan's twiddles, each direction's rows in the order its AVX2 passes read them; points the
// steps' lane rows into it.
void fillLaneTwiddles(FftPlan& plan, const FftDirection direction, double* table) {
    using fftpass::orderTwiddleRow;
    using fftpass::TwiddleReads;
    std::copy_n(plan.twiddles, plan.size, table);
    FftSteps& steps = plan.steps[static_cast<int>(direction)];
    for (int s = 0; s < steps.count; ++s) {
        FftStep& step = steps.steps[s];
        double* rows[FftStep::maxRows] = {};
        for (int r = 0; r < FftStep::maxRows && step.twiddles[0][r] != nullptr; ++r) {
            rows[r] = table + (step.twiddles[0][r] - plan.twiddles);
            step.twiddles[1][r] = rows[r];
        }
        const int ido = step.ido;
        switch (step.kind) {
        case FftStep::Kind::Tail: // broadcast across rows, one twiddle at a time
            break;
        case FftStep::Kind::Single:
            for (int m = 0; m < step.p - 1; ++m) {
                orderTwiddleRow(rows[m], ido, TwiddleReads::AlongI);
            }
            break;
        case FftStep::Kind::Pair:
            for (int m = 0; m < 3; ++m) {
                orderTwiddleRow(rows[m], ido, TwiddleReads::AlongI);
                orderTwiddleRow(rows[3 + m], ido, TwiddleReads::Quartered);
            }
            break;
        case FftStep::Kind::Head:
            for (int m = 0; m < 3; ++m) {
                orderTwiddleRow(rows[m], ido, TwiddleReads::AlongI);
            }
            orderTwiddleRow(rows[3], ido, TwiddleReads::Quartered);
            break;
        }
    }
}

} // namespace

FftPlan* createFftPlan(int size, FftFusion fusion) {
    if (size < 2 || size % 2 != 0) {
        return nullptr;
    }
    auto plan = std::make_unique<FftPlan>();
    plan->size = size;
    const int nf = factorise(size, plan->factors);
    if (nf == 0) {
        return nullptr;
    }
    plan->factors[0] = size;
    plan->factors[1] = nf;
    // Fixes the build outside any processing call.
    static_cast<void>(simd::activeBuild());

    // The plan's table, then the two lane-ordered ones where AVX2 passes will read them, each from
    // a 64-byte boundary.
    const fftpass::FftPassTable* const wide = fftpass::avx2FftPasses();
    const bool laneOrdered = wide != nullptr && wide->twiddlesInLaneOrder;
    constexpr int lineDoubles = static_cast<int>(AlignedBuffer::alignment / sizeof(double));
    const std::size_t stride = static_cast<std::size_t>((size + lineDoubles - 1) / lineDoubles) *
                               static_cast<std::size_t>(lineDoubles);
    const std::size_t tables = laneOrdered ? 3 : 1;
    plan->twiddles = static_cast<double*>(::operator new (
        tables* stride * sizeof(double), std::align_val_t{AlignedBuffer::alignment}));
    std::fill_n(plan->twiddles, tables * stride, 0.0);
    fillTwiddles(*plan);
    plan->laneTwiddles[0] = plan->laneTwiddles[1] = nullptr;
    for (const FftDirection direction : {FftDirection::Forward, FftDirection::Backward}) {
        const int index = static_cast<int>(direction);
        buildSteps(*plan, direction, fusion, plan->steps[index]);
        if (laneOrdered) {
            double* const table = plan->twiddles + (1 + static_cast<std::size_t>(index)) * stride;
            fillLaneTwiddles(*plan, direction, table);
            plan->laneTwiddles[index] = table;
        }
    }
    return plan.release();
}

void destroyFftPlan(FftPlan* plan) {
    if (plan == nullptr) {
        return;
    }
    freeTwiddles(plan->twiddles);
    delete plan;
}

void FftPlanDeleter::operator()(FftPlan* plan) const noexcept {
    destroyFftPlan(plan);
}

void fftTransform(const FftPlan& plan, const double* input, double* output, double* work,
                  FftDirection direction, bool ordered) noexcept {
    fftpass::fftTransformWith(fftpass::activeFftPasses(), plan, input, output, work, direction,
                              ordered);
}

void fftForwardUpperHalfZero(const FftPlan& plan, const double* input, double* output, double* work,
                             bool ordered) noexcept {
    fftpass::fftForwardUpperHalfZeroWith(fftpass::activeFftPasses(), plan, input, output, work,
                                         ordered);
}

namespace {

void runWithScratch(const fftpass::FftPassTable& passes, const FftPlan& plan, const double* input,
                    double* output, double* work, FftDirection direction, bool ordered,
                    bool upperHalfZero) noexcept {
    if (work != nullptr && work != output) {
        runSteps(passes, plan, input, output, work, direction, ordered, upperHalfZero);
        return;
    }
    const int n = plan.size;
    if (n <= stackScratchLimit) {
        alignas(AlignedBuffer::alignment) double scratch[stackScratchLimit];
        runSteps(passes, plan, input, output, scratch, direction, ordered, upperHalfZero);
        return;
    }
    const std::unique_ptr<double[]> scratch(new (std::nothrow) double[n]);
    if (!scratch) {
        // Silence is the one harmless answer left for an audio path.
        std::fill_n(output, n, 0.0);
        return;
    }
    runSteps(passes, plan, input, output, scratch.get(), direction, ordered, upperHalfZero);
}

} // namespace

void fftpass::fftTransformWith(const FftPassTable& passes, const FftPlan& plan, const double* input,
                               double* output, double* work, FftDirection direction,
                               bool ordered) noexcept {
    runWithScratch(passes, plan, input, output, work, direction, ordered, false);
}

void fftpass::fftForwardUpperHalfZeroWith(const FftPassTable& passes, const FftPlan& plan,
                                          const double* input, double* output, double* work,
                                          bool ordered) noexcept {
    runWithScratch(passes, plan, input, output, work, FftDirection::Forward, ordered, true);
}

} // namespace calderine
