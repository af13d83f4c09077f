// Times one real transform at the separator's frame sizes (N from 8 kHz to 192 kHz), both
// directions and layouts. With FFTW available, its double-precision r2c/c2r plans (FFTW_MEASURE)
// are timed at the same sizes for comparison: FFTW is a yardstick here, never a dependency.
// Registration interleaves the two per size and direction, so that both see the same machine
// load when others share it. "FftBaseline" times the build of the passes that runs on CPUs
// without AVX2 (on those, "Fft" is the same build).

#include "spectral/AlignedBuffer.h"
#include "spectral/Fft.h"
#include "spectral/FftPassTable.h"
#include "tests/support/TestSignal.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstring>
#include <random>
#include <string>

#ifdef CALDERINE_BENCH_WITH_FFTW
#include <fftw3.h>
#endif

namespace calderine {
namespace {

constexpr int frameSizes[] = {480, 1152, 2304, 2400, 4608, 4800, 9600};

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
    return true;
}();

} // namespace
} // namespace calderine
