// The whole effect as a host runs it: one instance reached only through its record, resumed,
// fed stereo noise in host-sized blocks. Reported per sample rate and block size:
//   realtime      seconds of audio processed per second of CPU (one core)
//   worst_us      the slowest single block, microseconds of the processing thread's CPU time
//   worst_budget  that block's time as a share of its real-time budget (block / rate)
// The worst block is taken in thread CPU time: on a shared machine the wall clock of a single
// block mostly measures the scheduler, not the effect.
#include "bench/BenchSupport.h"
#include "host/EffectFactory.h"
#include "plugin/plugin.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <ctime>
#include <random>
#include <vector>

namespace calderine {
namespace {

constexpr std::size_t kChannels = 2;
constexpr int kWarmUpLatencies = 2; // the separators are full before timing starts

using bench::benchHost;
using bench::threadSeconds;

// Args: sample rate (Hz), block size (frames).
void effectStereo(benchmark::State& state) {
    const auto rate = static_cast<float>(state.range(0));
    const auto blockFrames = static_cast<std::int32_t>(state.range(1));
    AEffect* effect = createEffect(&benchHost, &createPluginInstance);
    if (effect == nullptr) {
        state.SkipWithError("no effect instance");
        return;
    }
    const auto dispatch = [effect](std::int32_t opcode, std::intptr_t value, float opt) {
        return effect->dispatcher(effect, opcode, 0, value, nullptr, opt);
    };
    dispatch(effSetSampleRate, 0, rate);
    dispatch(effSetBlockSize, blockFrames, 0.0f);
    // A working setting: tilts, clipper and dry signal all in use.
    const float settings[] = {0.6f, 0.5f, 0.5f, 0.7f, 0.55f, 0.1f, 0.25f, 0.0f, 0.4f, 0.5f};
    for (std::int32_t i = 0; i < effect->numParams; ++i) {
        effect->setParameter(effect, i, settings[i]);
    }
    dispatch(effMainsChanged, 1, 0.0f);

    // A few seconds of input, cycled, so that successive blocks see different audio.
    const std::size_t inputFrames = static_cast<std::size_t>(rate) * 2;
    std::mt19937 generator(5);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    std::vector<std::vector<float>> input(kChannels, std::vector<float>(inputFrames));
    for (auto& channel : input) {
        for (float& sample : channel) {
            sample = noise(generator);
        }
    }
    std::vector<std::vector<float>> output(kChannels, std::vector<float>(blockFrames));
    float* out[kChannels] = {output[0].data(), output[1].data()};
    std::size_t position = 0;
    const auto processNextBlock = [&] {
        if (position + static_cast<std::size_t>(blockFrames) > inputFrames) {
            position = 0;
        }
        float* in[kChannels] = {input[0].data() + position, input[1].data() + position};
        effect->processReplacing(effect, in, out, blockFrames);
        position += static_cast<std::size_t>(blockFrames);
    };
    const std::int64_t warmUpBlocks = kWarmUpLatencies * effect->initialDelay / blockFrames + 1;
    for (std::int64_t b = 0; b < warmUpBlocks; ++b) {
        processNextBlock();
    }

    double worstSeconds = 0.0;
    for (auto _ : state) {
        const double start = threadSeconds();
        processNextBlock();
        worstSeconds = std::max(worstSeconds, threadSeconds() - start);
        benchmark::DoNotOptimize(output[0].data());
        benchmark::ClobberMemory();
    }
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);

    const double blockSeconds = static_cast<double>(blockFrames) / rate;
    state.counters["realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * blockSeconds, benchmark::Counter::kIsRate);
    state.counters["worst_us"] = worstSeconds * 1e6;
    state.counters["worst_budget"] = worstSeconds / blockSeconds;
    state.SetItemsProcessed(state.iterations() * blockFrames);
}
BENCHMARK(effectStereo)
    ->ArgNames({"rate", "block"})
    ->ArgsProduct({{44100, 48000, 96000}, {64, 256, 1024}})
    ->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace calderine
