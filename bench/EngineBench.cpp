#include "engine/ChannelEngine.h"
#include "tests/support/TestSignal.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <random>
#include <vector>

namespace calderine {
namespace {

// Per-sample cost of one engine, the separator's frame work included (its frames complete
// every N/4 samples, so a block of a few frames averages it in). Arg: sample rate in Hz.
void channelEngineSample(benchmark::State& state) {
    const double sampleRate = static_cast<double>(state.range(0));
    ChannelEngine engine;
    engine.setSampleRate(sampleRate);
    engine.setToneTilt(0.3, sampleRate);
    engine.setNoiseTilt(0.5, sampleRate);
    engine.setEmphasis(0.5, sampleRate);
    engine.setClipper(true, 0.3);
    engine.dryMix = 0.1;

    const std::size_t blockLength = 4 * engine.latency();
    const std::vector<double> input = testing::uniformNoise(blockLength, 3, 0.5);
    for (auto _ : state) {
        for (const double x : input) {
            benchmark::DoNotOptimize(engine.processSample(x));
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * blockLength));
}
BENCHMARK(channelEngineSample)->Arg(44100)->Arg(48000)->Arg(96000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace calderine
