// Times one real transform at the separator's frame sizes (N from 8 kHz to 192 kHz), both
// directions and layouts. With FFTW available, its double-precision r2c/c2r plans (FFTW_MEASURE)
// are timed at the same sizes for comparison: FFTW is a yardstick here, never a dependency.
// Registration interleaves the two per size and direction, so that both see the same machine
// load when others share it. "FftBaseline" times the build of the passes that runs on CPUs
// without AVX2 (on those, "Fft" is the same build). "FftUpperHalfZero" times the forward entry for
// zero-padded input (fftForwardUpperHalfZero) in either build; "FftBatchUpperHalfZero" four such
// transforms in one batch (fftForwardUpperHalfZeroBatch), per transform, for comparison with it.
//
// "FftPass" times each radix pass of a plan on its own, in both builds, named by the order it runs
// in, its radix and its shape (ido, l1): the figures that tell which pass to work on, and whether
// the AVX2 build gains over the baseline build in every one of them. The fused steps (named by the
// passes they join, e.g. "1+2+3:radf433") are timed on the same shapes, for comparison with the
// sum of those passes.

#include "fft/Fft.h"
#include "fft/FftBatch.h"
#include "fft/FftPassTable.h"
#include "simd/AlignedBuffer.h"
#include "tests/support/TestSignal.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#ifdef CALDERINE_BENCH_WITH_FFTW
#include <fftw3.h>
#endif

namespace calderine {
namespace {

constexpr int frameSizes[] = {480, 1152, 2304, 2400, 4608, 4800, 9600};
// The frame sizes of 48 kHz and 96 kHz material, where the effect spends its time.
constexpr int passSizes[] = {2304, 2400, 4608, 4800};

void fillRandom(double* values, long n) {
    const auto noise = testing::uniformNoise(static_cast<std::size_t>(n), 42);
    std::copy(noise.begin(), noise.end(), values);
}

void timeTransform(benchmark::State& state, const fftpass::FftPassTable& passes, int n,
                   FftDirection direction, bool ordered) {
    const FftPlanPtr plan(createFftPlan(n));
    AlignedBuffer input(n);
    AlignedBuffer output(n);
    AlignedBuffer work(n);
    fillRandom(input.data(), n);
    for (auto _ : state) {
        fftpass::fftTransformWith(passes, *plan, input.data(), output.data(), work.data(),
                                  direction, ordered);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
}

// The forward transform of a zero-padded input (upper half zero) through the entry that skips those
// zeros, for comparison with "Fft/N:.../forward/packed" on full input (the time of a full transform
// does not depend on the values).
void timeUpperHalfZero(benchmark::State& state, const fftpass::FftPassTable& passes, int n) {
    const FftPlanPtr plan(createFftPlan(n));
    AlignedBuffer input(n);
    AlignedBuffer output(n);
    AlignedBuffer work(n);
    fillRandom(input.data(), n / 2);
    for (auto _ : state) {
        fftpass::fftForwardUpperHalfZeroWith(passes, *plan, input.data(), output.data(),
                                             work.data(), false);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
}

// Four zero-padded inputs through one batch; the time reported is per transform.
void timeBatchUpperHalfZero(benchmark::State& state, int n) {
    const FftPlanPtr plan(createFftPlan(n));
    std::vector<AlignedBuffer> inputs;
    std::vector<AlignedBuffer> outputs;
    FftBatchArrays arrays{};
    inputs.reserve(fftBatchWidth);
    outputs.reserve(fftBatchWidth);
    for (int q = 0; q < fftBatchWidth; ++q) {
        inputs.emplace_back(n);
        outputs.emplace_back(n);
        fillRandom(inputs.back().data(), n / 2);
        arrays.inputs[q] = inputs.back().data();
        arrays.outputs[q] = outputs.back().data();
    }
    AlignedBuffer work[2] = {AlignedBuffer(4 * std::size_t(n)), AlignedBuffer(4 * std::size_t(n))};
    arrays.work[0] = work[0].data();
    arrays.work[1] = work[1].data();
    for (auto _ : state) {
        fftForwardUpperHalfZeroBatch(*plan, arrays);
        benchmark::DoNotOptimize(arrays.outputs[0]);
        benchmark::ClobberMemory();
    }
    state.counters["per_transform"] = benchmark::Counter(
        fftBatchWidth, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// One pass of a transform: its place in the chain, radix, shape and twiddle rows (offset into the
// plan's table), exactly as the transform runs it.
struct PassShape {
    int step;
    int radix;
    int ido;
    int l1;
    int twiddleOffset;
};

std::vector<PassShape> passesOf(const FftPlan& plan, FftDirection direction) {
    std::vector<PassShape> shapes;
    const int n = plan.size;
    const int nf = plan.factors[1];
    if (direction == FftDirection::Forward) {
        fftpass::forEachForwardPass(plan, [&](int j, int p, int ido, int l1, int iw) {
            shapes.push_back({nf - j + 1, p, ido, l1, iw});
        });
    } else {
        int l1 = 1;
        int iw = 0;
        for (int j = 1; j <= nf; ++j) {
            const int p = plan.factors[1 + j];
            const int l2 = p * l1;
            const int ido = n / l2;
            shapes.push_back({j, p, ido, l1, iw});
            l1 = l2;
            iw += (p - 1) * ido;
        }
    }
    return shapes;
}

// The passes here read the plan's own twiddle table in every build. The AVX2 build reads the
// lane-ordered one in a transform (FftTwiddleOrder.h); given the plan's, it multiplies by
// twiddles permuted within blocks: the same addresses and operations, so the same time, though
// not the transform's values.
//
// upperHalfZero: the forward first pass's variant for input whose upper half is zero.
void runPass(const fftpass::FftPassTable& passes, FftDirection direction, const PassShape& s,
             const double* cc, double* ch, const double* wa, bool upperHalfZero) {
    const int ido = s.ido;
    const bool forward = direction == FftDirection::Forward;
    switch (s.radix) {
    case 2:
        (forward ? passes.radf2 : passes.radb2)(ido, s.l1, cc, ch, wa);
        break;
    case 3:
        (upperHalfZero ? passes.radf3UpperHalfZero
         : forward     ? passes.radf3
                       : passes.radb3)(ido, s.l1, cc, ch, wa, wa + ido);
        break;
    case 4:
        (upperHalfZero ? passes.radf4UpperHalfZero
         : forward     ? passes.radf4
                       : passes.radb4)(ido, s.l1, cc, ch, wa, wa + ido, wa + 2 * ido);
        break;
    default:
        (upperHalfZero ? passes.radf5UpperHalfZero
         : forward     ? passes.radf5
                       : passes.radb5)(ido, s.l1, cc, ch, wa, wa + ido, wa + 2 * ido, wa + 3 * ido);
        break;
    }
}

void timePass(benchmark::State& state, const fftpass::FftPassTable& passes, int n,
              FftDirection direction, int step, bool upperHalfZero = false) {
    const FftPlanPtr plan(createFftPlan(n));
    const PassShape shape = passesOf(*plan, direction)[static_cast<std::size_t>(step)];
    AlignedBuffer input(n);
    AlignedBuffer output(n);
    fillRandom(input.data(), upperHalfZero ? n / 2 : n);
    for (auto _ : state) {
        runPass(passes, direction, shape, input.data(), output.data(),
                plan->twiddles + shape.twiddleOffset, upperHalfZero);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
}

// The fused step of plans ending in factors p, p (radf55/radb55, radf33/radb33), 4, 3, 3
// (radf433/radb433, lead 4) or 3, 5, 5 (radf355, lead 3), on the same arrays and twiddles as the
// passes it replaces, for comparison with their sum. upperHalfZero: the forward step's variant for
// input whose upper half is zero, on such input.
void timeFusedTail(benchmark::State& state, const fftpass::FftPassTable& passes, int n,
                   FftDirection direction, int lead, bool upperHalfZero = false) {
    const FftPlanPtr plan(createFftPlan(n));
    const std::vector<PassShape> shapes = passesOf(*plan, direction);
    const bool forward = direction == FftDirection::Forward;
    // The ido = p pass: second forward, next to last backward.
    const PassShape& tail = shapes[forward ? 1 : shapes.size() - 2];
    // The joining pass (radix 4 at ido = 9, or 3 at ido = 25): third forward, third from last
    // backward.
    const PassShape& four = shapes[forward ? 2 : shapes.size() - 3];
    const double* wa = plan->twiddles + tail.twiddleOffset;
    const double* wa4 = plan->twiddles + four.twiddleOffset;
    const int p = tail.radix;
    AlignedBuffer input(n);
    AlignedBuffer output(n);
    fillRandom(input.data(), upperHalfZero ? n / 2 : n);
    for (auto _ : state) {
        if (upperHalfZero) {
            if (lead == 3) {
                passes.radf355UpperHalfZero(four.l1, input.data(), output.data(), wa4, wa4 + 25, wa,
                                            wa + 5, wa + 10, wa + 15);
            } else if (lead == 4) {
                passes.radf433UpperHalfZero(four.l1, input.data(), output.data(), wa4, wa4 + 9,
                                            wa4 + 18, wa, wa + 3);
            } else if (p == 5) {
                passes.radf55UpperHalfZero(tail.l1, input.data(), output.data(), wa, wa + 5,
                                           wa + 10, wa + 15);
            } else {
                passes.radf33UpperHalfZero(tail.l1, input.data(), output.data(), wa, wa + 3);
            }
        } else if (lead == 3) {
            passes.radf355(four.l1, input.data(), output.data(), wa4, wa4 + 25, wa, wa + 5, wa + 10,
                           wa + 15);
        } else if (lead == 4) {
            (forward ? passes.radf433 : passes.radb433)(four.l1, input.data(), output.data(), wa4,
                                                        wa4 + 9, wa4 + 18, wa, wa + 3);
        } else if (p == 5) {
            (forward ? passes.radf55 : passes.radb55)(tail.l1, input.data(), output.data(), wa,
                                                      wa + 5, wa + 10, wa + 15);
        } else {
            (forward ? passes.radf33 : passes.radb33)(tail.l1, input.data(), output.data(), wa,
                                                      wa + 3);
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
}

// The fused step of plans whose first factors are 2, 4 (radf24/radb24), on the same arrays and
// twiddles as the two passes it replaces.
void timeFusedHead(benchmark::State& state, const fftpass::FftPassTable& passes, int n,
                   FftDirection direction) {
    const FftPlanPtr plan(createFftPlan(n));
    const int ido = n / 8;
    const double* wb = plan->twiddles;
    const double* wa = wb + n / 2;
    AlignedBuffer input(n);
    AlignedBuffer output(n);
    fillRandom(input.data(), n);
    for (auto _ : state) {
        (direction == FftDirection::Forward ? passes.radf24 : passes.radb24)(
            ido, input.data(), output.data(), wa, wa + ido, wa + 2 * ido, wb);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
}

// Two consecutive forward radix-4 passes as one step (radf44): shapes[first] and
// shapes[first + 1] in the order the forward transform runs them.
void timeFourPair(benchmark::State& state, const fftpass::FftPassTable& passes, int n, int first) {
    const FftPlanPtr plan(createFftPlan(n));
    const std::vector<PassShape> shapes = passesOf(*plan, FftDirection::Forward);
    const PassShape& a = shapes[static_cast<std::size_t>(first)];
    const PassShape& b = shapes[static_cast<std::size_t>(first) + 1];
    const double* wa = plan->twiddles + a.twiddleOffset;
    const double* wb = plan->twiddles + b.twiddleOffset;
    AlignedBuffer input(n);
    AlignedBuffer output(n);
    fillRandom(input.data(), n);
    for (auto _ : state) {
        passes.radf44(a.ido, b.l1, input.data(), output.data(), wa, wa + a.ido, wa + 2 * a.ido, wb,
                      wb + b.ido, wb + 2 * b.ido);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
}

#ifdef CALDERINE_BENCH_WITH_FFTW
// preserveInput: FFTW_PRESERVE_INPUT, the contract our transform keeps. Without it FFTW's c2r
// scribbles over its input, so the spectrum is restored before every call and that copy is part
// of the time (r2c preserves its input either way).
void timeFftw(benchmark::State& state, int n, bool backward, bool preserveInput) {
    const unsigned flags =
        FFTW_MEASURE | (preserveInput ? FFTW_PRESERVE_INPUT : FFTW_DESTROY_INPUT);
    const long spectrumDoubles = 2L * (n / 2 + 1);
    auto* real = static_cast<double*>(fftw_malloc(sizeof(double) * n));
    auto* spectrum = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * (n / 2 + 1)));
    AlignedBuffer pristine(spectrumDoubles);
    fftw_plan plan = backward ? fftw_plan_dft_c2r_1d(n, spectrum, real, flags)
                              : fftw_plan_dft_r2c_1d(n, real, spectrum, flags);
    // Planning with FFTW_MEASURE overwrites the arrays: fill them afterwards.
    fillRandom(real, n);
    fillRandom(pristine.data(), spectrumDoubles);
    std::memcpy(spectrum, pristine.data(), sizeof(double) * spectrumDoubles);

    for (auto _ : state) {
        if (backward && !preserveInput) {
            std::memcpy(spectrum, pristine.data(), sizeof(double) * spectrumDoubles);
        }
        fftw_execute(plan);
        benchmark::DoNotOptimize(backward ? static_cast<void*>(real) : spectrum);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(plan);
    fftw_free(spectrum);
    fftw_free(real);
}
#endif

const bool registered = [] {
    for (const int n : frameSizes) {
        const std::string size = "/N:" + std::to_string(n);
        for (const FftDirection direction : {FftDirection::Forward, FftDirection::Backward}) {
            const bool backward = direction == FftDirection::Backward;
            const std::string way = backward ? "/backward" : "/forward";
            for (const bool ordered : {false, true}) {
                benchmark::RegisterBenchmark(
                    ("Fft" + size + way + (ordered ? "/ordered" : "/packed")).c_str(),
                    [=](benchmark::State& state) {
                        timeTransform(state, fftpass::activeFftPasses(), n, direction, ordered);
                    });
            }
            benchmark::RegisterBenchmark(
                ("FftBaseline" + size + way + "/packed").c_str(), [=](benchmark::State& state) {
                    timeTransform(state, fftpass::baselineFftPasses(), n, direction, false);
                });
            if (!backward) {
                benchmark::RegisterBenchmark(("FftUpperHalfZero" + size + way + "/packed").c_str(),
                                             [=](benchmark::State& state) {
                                                 timeUpperHalfZero(state,
                                                                   fftpass::activeFftPasses(), n);
                                             });
                benchmark::RegisterBenchmark(
                    ("FftBatchUpperHalfZero" + size + way + "/packed").c_str(),
                    [=](benchmark::State& state) { timeBatchUpperHalfZero(state, n); });
                benchmark::RegisterBenchmark(
                    ("FftBaselineUpperHalfZero" + size + way + "/packed").c_str(),
                    [=](benchmark::State& state) {
                        timeUpperHalfZero(state, fftpass::baselineFftPasses(), n);
                    });
            }
#ifdef CALDERINE_BENCH_WITH_FFTW
            benchmark::RegisterBenchmark(
                ("Fftw" + size + (backward ? "/c2r" : "/r2c")).c_str(),
                [=](benchmark::State& state) { timeFftw(state, n, backward, false); });
            if (backward) {
                benchmark::RegisterBenchmark(
                    ("Fftw" + size + "/c2r-preserve-input").c_str(),
                    [=](benchmark::State& state) { timeFftw(state, n, true, true); });
            }
#endif
        }
    }
    for (const int n : passSizes) {
        const FftPlanPtr plan(createFftPlan(n));
        for (const FftDirection direction : {FftDirection::Forward, FftDirection::Backward}) {
            const bool forward = direction == FftDirection::Forward;
            const std::vector<PassShape> shapes = passesOf(*plan, direction);
            const int nf = plan->factors[1];
            const int p = plan->factors[nf + 1];
            if (nf >= 2 && (p == 5 || p == 3) && plan->factors[nf] == p) {
                for (const int lead : {0, 4, 3}) {
                    if (lead != 0 &&
                        (nf < 3 || plan->factors[nf - 1] != lead || (lead == 4 && p != 3) ||
                         (lead == 3 && (p != 5 || !forward)))) {
                        continue;
                    }
                    const std::string fusedName = (forward ? ":radf" : ":radb") +
                                                  (lead != 0 ? std::to_string(lead) : "") +
                                                  std::to_string(p) + std::to_string(p);
                    const std::string name =
                        "/N:" + std::to_string(n) +
                        (lead != 0
                             ? (forward ? "/1+2+3"
                                        : "/" + std::to_string(nf - 2) + "+" +
                                              std::to_string(nf - 1) + "+" + std::to_string(nf))
                             : (forward
                                    ? "/1+2"
                                    : "/" + std::to_string(nf - 1) + "+" + std::to_string(nf))) +
                        fusedName;
                    benchmark::RegisterBenchmark(
                        ("FftPass" + name).c_str(), [=](benchmark::State& state) {
                            timeFusedTail(state, fftpass::activeFftPasses(), n, direction, lead);
                        });
                    benchmark::RegisterBenchmark(
                        ("FftPassBaseline" + name).c_str(), [=](benchmark::State& state) {
                            timeFusedTail(state, fftpass::baselineFftPasses(), n, direction, lead);
                        });
                    if (forward) {
                        benchmark::RegisterBenchmark(("FftPass" + name + "UpperHalfZero").c_str(),
                                                     [=](benchmark::State& state) {
                                                         timeFusedTail(state,
                                                                       fftpass::activeFftPasses(),
                                                                       n, direction, lead, true);
                                                     });
                        benchmark::RegisterBenchmark(
                            ("FftPassBaseline" + name + "UpperHalfZero").c_str(),
                            [=](benchmark::State& state) {
                                timeFusedTail(state, fftpass::baselineFftPasses(), n, direction,
                                              lead, true);
                            });
                    }
                }
            }
            if (nf >= 3 && plan->factors[2] == 2 && plan->factors[3] == 4) {
                const std::string name =
                    "/N:" + std::to_string(n) +
                    (forward ? "/" + std::to_string(nf - 1) + "+" + std::to_string(nf) + ":radf24"
                             : "/1+2:radb24");
                benchmark::RegisterBenchmark(
                    ("FftPass" + name).c_str(), [=](benchmark::State& state) {
                        timeFusedHead(state, fftpass::activeFftPasses(), n, direction);
                    });
                benchmark::RegisterBenchmark(
                    ("FftPassBaseline" + name).c_str(), [=](benchmark::State& state) {
                        timeFusedHead(state, fftpass::baselineFftPasses(), n, direction);
                    });
            }
            for (std::size_t step = 0; forward && step + 1 < shapes.size(); ++step) {
                const PassShape& a = shapes[step];
                const PassShape& b = shapes[step + 1];
                if (a.radix != 4 || b.radix != 4 || a.ido % 2 != 0) {
                    continue;
                }
                const std::string name = "/N:" + std::to_string(n) + "/" + std::to_string(a.step) +
                                         "+" + std::to_string(b.step) + ":radf44";
                const int first = static_cast<int>(step);
                benchmark::RegisterBenchmark(
                    ("FftPass" + name).c_str(), [=](benchmark::State& state) {
                        timeFourPair(state, fftpass::activeFftPasses(), n, first);
                    });
                benchmark::RegisterBenchmark(
                    ("FftPassBaseline" + name).c_str(), [=](benchmark::State& state) {
                        timeFourPair(state, fftpass::baselineFftPasses(), n, first);
                    });
            }
            for (std::size_t step = 0; step < shapes.size(); ++step) {
                const PassShape& s = shapes[step];
                const std::string name = "/N:" + std::to_string(n) + "/" + std::to_string(s.step) +
                                         (forward ? ":radf" : ":radb") + std::to_string(s.radix) +
                                         "/ido:" + std::to_string(s.ido) +
                                         "/l1:" + std::to_string(s.l1);
                const int index = static_cast<int>(step);
                benchmark::RegisterBenchmark(
                    ("FftPass" + name).c_str(), [=](benchmark::State& state) {
                        timePass(state, fftpass::activeFftPasses(), n, direction, index);
                    });
                benchmark::RegisterBenchmark(
                    ("FftPassBaseline" + name).c_str(), [=](benchmark::State& state) {
                        timePass(state, fftpass::baselineFftPasses(), n, direction, index);
                    });
                if (forward && step == 0 && s.radix != 2) {
                    benchmark::RegisterBenchmark(
                        ("FftPass" + name + "UpperHalfZero").c_str(), [=](benchmark::State& state) {
                            timePass(state, fftpass::activeFftPasses(), n, direction, index, true);
                        });
                    benchmark::RegisterBenchmark(
                        ("FftPassBaseline" + name + "UpperHalfZero").c_str(),
                        [=](benchmark::State& state) {
                            timePass(state, fftpass::baselineFftPasses(), n, direction, index,
                                     true);
                        });
                }
            }
        }
    }
    return true;
}();

} // namespace
} // namespace calderine
