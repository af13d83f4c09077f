#include "spectral/SpectralSeparator.h"
#include "tests/support/Segments.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace calderine {
namespace {

// Noise with a few tones, so that every frame limits some bins, as programme material does.
std::vector<double> testSignal(std::size_t length, double sampleRate) {
    std::mt19937_64 engine(3);
    std::normal_distribution<double> normal(0.0, 0.05);
    std::vector<double> signal(length);
    for (std::size_t t = 0; t < length; ++t) {
        const double time = static_cast<double>(t) / sampleRate;
        signal[t] = normal(engine) + 0.5 * std::sin(2.0 * 3.141592653589793 * 440.0 * time) +
                    0.2 * std::sin(2.0 * 3.141592653589793 * 3150.0 * time);
    }
    return signal;
}

std::uint32_t frameLengthFor(double sampleRate) {
    return static_cast<std::uint32_t>(std::ceil(0.05 * sampleRate));
}

// As an audio callback runs it: blocks of range(1) samples through processBlock, N samples an
// iteration, the per-sample sum of the slots and the ring writes in segments between frames.
void separatorBlocks(benchmark::State& state) {
    const auto sampleRate = static_cast<double>(state.range(0));
    const auto block = static_cast<std::size_t>(state.range(1));
    SpectralSeparator separator(frameLengthFor(sampleRate), sampleRate);
    const std::vector<double> input = testSignal(separator.latency(), sampleRate);
    std::vector<double> output(input.size());
    for (auto _ : state) {
        for (std::size_t at = 0; at < input.size(); at += block) {
            const std::size_t count = std::min(block, input.size() - at);
            testing::runBlock(separator, input.data() + at, output.data() + at, count);
        }
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    const auto samples = static_cast<double>(state.iterations() * input.size());
    state.counters["per_sample"] =
        benchmark::Counter(samples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(separatorBlocks)->Args({48000, 256})->Args({96000, 256})->Unit(benchmark::kMicrosecond);

bool completedAFrame(const SpectralSeparator& separator) {
    for (std::size_t j = 0; j < SpectralSeparator::slotCount; ++j) {
        if (separator.slot(j).position == 0) {
            return true;
        }
    }
    return false;
}

// Only the call that completes a frame (analysis of N samples plus a 2N-point convolution) is
// timed: the worst case a single audio block has to absorb.
void separatorFrameCall(benchmark::State& state) {
    const auto sampleRate = static_cast<double>(state.range(0));
    SpectralSeparator separator(frameLengthFor(sampleRate), sampleRate);
    const std::uint32_t hop = separator.hop();
    const std::vector<double> input = testSignal(4 * separator.latency(), sampleRate);
    std::size_t next = 0;
    const auto feed = [&] {
        const double y = testing::runSample(separator, input[next]);
        next = (next + 1) % input.size();
        return y;
    };
    // Slot 3 completes its first frame on call hop; from then on one frame every hop calls.
    for (std::uint32_t t = 0; t + 1 < hop; ++t) {
        feed();
    }
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(feed());
        const auto stop = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
        if (!completedAFrame(separator)) {
            state.SkipWithError("the timed call did not complete a frame");
            break;
        }
        for (std::uint32_t t = 0; t + 1 < hop; ++t) {
            benchmark::DoNotOptimize(feed());
        }
    }
}
BENCHMARK(separatorFrameCall)
    ->Arg(44100)
    ->Arg(48000)
    ->Arg(96000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace calderine
