// Times one real transform at the separator's frame sizes (N from 8 kHz to 192 kHz), both
// directions and layouts. With FFTW available, its double-precision r2c/c2r plans (FFTW_MEASURE)
// are timed at the same sizes for comparison: FFTW is a yardstick here, never a dependency.

#include "spectral/AlignedBuffer.h"
#include "spectral/Fft.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#ifdef CALDERINE_BENCH_WITH_FFTW
#include <fftw3.h>
#endif

namespace calderine {
namespace {

const std::vector<long> frameSizes = {480, 1152, 2304, 2400, 4608, 4800, 9600};

void fillRandom(double* values, long n) {
    std::mt19937_64 engine(42);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::generate(values, values + n, [&] { return uniform(engine); });
}

std::string directionName(long direction) { return direction == 0 ? "forward" : "backward"; }

// Args: N, direction (0 forward, 1 backward), layout (0 packed, 1 ordered).
void BM_Fft(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const auto direction = static_cast<FftDirection>(state.range(1));
    const bool ordered = state.range(2) != 0;
    const FftPlanPtr plan(createFftPlan(n));
    AlignedBuffer input(n);
    AlignedBuffer output(n);
    AlignedBuffer work(n);
    fillRandom(input.data(), n);

    for (auto _ : state) {
        fftTransform(*plan, input.data(), output.data(), work.data(), direction, ordered);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(directionName(state.range(1)) + (ordered ? " ordered" : " packed"));
}
BENCHMARK(BM_Fft)->ArgsProduct({frameSizes, {0, 1}, {0, 1}})->ArgNames({"N", "dir", "ordered"});

#ifdef CALDERINE_BENCH_WITH_FFTW

// Args: N, direction (0 r2c, 1 c2r), preserve (1: FFTW_PRESERVE_INPUT, the contract our
// transform keeps; 0: FFTW's default for c2r, which scribbles over its input, so the spectrum is
// restored before every call and that copy is part of the time).
void BM_Fftw(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const bool backward = state.range(1) != 0;
    const bool preserve = state.range(2) != 0;
    const unsigned flags = FFTW_MEASURE | (preserve ? FFTW_PRESERVE_INPUT : FFTW_DESTROY_INPUT);
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
        if (backward && !preserve) {
            std::memcpy(spectrum, pristine.data(), sizeof(double) * spectrumDoubles);
        }
        fftw_execute(plan);
        benchmark::DoNotOptimize(backward ? static_cast<void*>(real) : spectrum);
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::string("fftw ") + (backward ? "c2r" : "r2c") +
                   (preserve ? " preserve-input" : ""));
    fftw_destroy_plan(plan);
    fftw_free(spectrum);
    fftw_free(real);
}
BENCHMARK(BM_Fftw)
    ->ArgsProduct({frameSizes, {0}, {1}})
    ->ArgsProduct({frameSizes, {1}, {0, 1}})
    ->ArgNames({"N", "dir", "preserve"});

#endif

} // namespace
} // namespace calderine
