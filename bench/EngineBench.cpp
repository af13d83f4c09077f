#include "engine/ChannelEngine.h"
#include "tests/support/Segments.h"
#include "tests/support/TestSignal.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <random>
#include <vector>

namespace calderine {
namespace {

void configure(ChannelEngine& engine, double sampleRate) {
    engine.setSampleRate(sampleRate);
    engine.setToneTilt(0.3, sampleRate);
    engine.setNoiseTilt(0.5, sampleRate);
    engine.setEmphasis(0.5, sampleRate);
    engine.setClipper(true, 0.3);
    engine.dryMix = 0.1;
}

// Cost of one engine in host-sized blocks, the separator's frame work included (its frames
// complete every N/4 samples, so a block of a few frames averages it in). Args: sample rate in
// Hz, block size in samples.
void channelEngineBlock(benchmark::State& state) {
    const double sampleRate = static_cast<double>(state.range(0));
    const auto blockSize = static_cast<std::size_t>(state.range(1));
    ChannelEngine engine;
    configure(engine, sampleRate);
    const std::size_t blockLength = 4 * engine.latency();
    const std::vector<double> input = testing::uniformNoise(blockLength, 3, 0.5);
    std::vector<double> output(blockLength);
    for (auto _ : state) {
        for (std::size_t start = 0; start < blockLength; start += blockSize) {
            const std::size_t count = std::min(blockSize, blockLength - start);
            testing::runBlock(engine, input.data() + start, output.data() + start, count);
        }
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * blockLength));
}
BENCHMARK(channelEngineBlock)
    ->ArgsProduct({{44100, 48000, 96000}, {64, 256}})
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace calderine
