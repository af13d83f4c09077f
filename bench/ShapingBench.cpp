#include "shaping/NoiseClipper.h"
#include "shaping/ShapingLaws.h"
#include "shaping/TiltFilter.h"
#include "tests/support/TestSignal.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <random>
#include <vector>

namespace calderine {
namespace {

constexpr std::size_t kBlockLength = 4096;

std::vector<double> noiseBlock(double amplitude) {
    return testing::uniformNoise(kBlockLength, 7, amplitude);
}

// One sample through a tilt (three biquads in series); reported per sample.
void tiltFilterSample(benchmark::State& state) {
    TiltFilter filter;
    filter.design(shaping::tiltFrequency(44100.0), shaping::tiltGain(0.5));
    const auto input = noiseBlock(1.0);
    for (auto _ : state) {
        for (const double x : input) {
            benchmark::DoNotOptimize(filter.processSample(x));
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBlockLength));
}
BENCHMARK(tiltFilterSample);

// Two tilts side by side, as a channel runs its tone and noise filters; reported per sample pair.
void tiltFilterPair(benchmark::State& state) {
    TiltFilter first;
    TiltFilter second;
    first.design(shaping::tiltFrequency(48000.0), shaping::tiltGain(0.5));
    second.design(shaping::tiltFrequency(48000.0), shaping::tiltGain(0.25));
    auto a = noiseBlock(1.0);
    auto b = noiseBlock(0.5);
    for (auto _ : state) {
        TiltFilter::processPair(first, a.data(), second, b.data(), a.size());
        benchmark::DoNotOptimize(a.data());
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBlockLength));
}
BENCHMARK(tiltFilterPair);

// Four tilts, as the two channels of a stereo pair run their tone and noise filters; reported per
// sample of the four. Arg 0: the build of two pairs; 1: the wide build where the CPU has one.
void tiltFilterQuad(benchmark::State& state) {
    TiltFilter filters[4];
    std::vector<double> signals[4];
    for (int k = 0; k < 4; ++k) {
        filters[k].design(shaping::tiltFrequency(48000.0), shaping::tiltGain(0.2 * (k + 1)));
        signals[k] = noiseBlock(1.0 / (k + 1));
    }
    TiltFilter* const pointers[4] = {&filters[0], &filters[1], &filters[2], &filters[3]};
    double* const data[4] = {signals[0].data(), signals[1].data(), signals[2].data(),
                             signals[3].data()};
    const TiltFilter::QuadKernel quad = TiltFilter::quadKernel(state.range(0) != 0);
    for (auto _ : state) {
        quad(pointers, data, kBlockLength);
        benchmark::DoNotOptimize(data);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBlockLength));
}
BENCHMARK(tiltFilterQuad)->Arg(0)->Arg(1);

// Inputs spread over the pass, knee and clipped regions (threshold 0.5, so |x| up to 2T).
void noiseClipperSample(benchmark::State& state) {
    NoiseClipper clipper;
    clipper.setThreshold(0.5);
    const auto input = noiseBlock(1.0);
    std::vector<double> output(kBlockLength);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kBlockLength; ++i) {
            output[i] = clipper.processSample(input[i]);
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBlockLength));
}
BENCHMARK(noiseClipperSample);

} // namespace
} // namespace calderine
