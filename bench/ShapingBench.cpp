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
