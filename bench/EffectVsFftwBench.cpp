// The yardstick for the effect's speed: its CPU time against the time FFTW (double,
// FFTW_MEASURE) needs for the transforms the effect cannot avoid for the same audio. Per channel
// frame of N samples those are 2 forward and 2 backward real transforms of size N and 2 forward
// and 1 backward of size 2N; a separator completes four frames per N samples.
//   ratio             effect CPU time / FFTW time, stereo 48 kHz, default settings, 256-frame
//                     blocks (1.0 would be the effect costing its bare transforms)
//   frame_call_ratio  the median call that completes the two channels' frames (64-frame blocks)
//                     / FFTW time for two channel frames
// frameCallTable/<rate>/<block> gives, per sample rate and block size, the worst and median call
// that completes frames, as a share of the block's real-time budget (block / rate) and against
// FFTW's two channel frames at that rate's N; worst_any_budget is the worst call of all, so
// that work moved off the completing calls shows up wherever it lands.
// Each round times the effect and FFTW back to back; the medians over the rounds are reported,
// so a burst of load from another process moves one round, not the result.
#include "bench/BenchSupport.h"
#include "host/EffectFactory.h"
#include "plugin/plugin.h"
#include "tests/support/TestSignal.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <ctime>
#include <fftw3.h>
#include <vector>

namespace calderine {
namespace {

constexpr float kRate = 48000.0f;
constexpr std::int32_t kThroughputBlock = 256;
constexpr std::int32_t kFrameCallBlock = 64;
constexpr int kRounds = 9;
constexpr double kSecondsPerRound = 2.0;
// Quarter frames: four slots, staggered by N/4, each completing a frame every N samples.
constexpr int kFramesPerSlotPeriod = 4;

using bench::benchHost;
using bench::threadSeconds;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One effect instance at default settings, fed tones over noise from the start.
class Effect {
public:
    explicit Effect(std::int32_t blockFrames, float rate = kRate)
        : effect(createEffect(&benchHost, &createPluginInstance)), block(blockFrames) {
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, rate);
        effect->dispatcher(effect, effSetBlockSize, 0, block, nullptr, 0.0f);
        effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
        const auto signal = testing::tonesOverNoise(static_cast<std::size_t>(rate) * 2);
        for (std::size_t c = 0; c < 2; ++c) {
            input[c].assign(signal[c].begin(), signal[c].end());
            output[c].assign(static_cast<std::size_t>(block), 0.0f);
        }
    }
    ~Effect() { effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f); }
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    std::int64_t latency() const { return effect->initialDelay; }

    // Processes the next block; returns its thread CPU time in seconds.
    double processBlock() {
        if (position + static_cast<std::size_t>(block) > input[0].size()) {
            position = 0;
        }
        float* in[2] = {input[0].data() + position, input[1].data() + position};
        float* out[2] = {output[0].data(), output[1].data()};
        const double start = threadSeconds();
        effect->processReplacing(effect, in, out, block);
        const double seconds = threadSeconds() - start;
        benchmark::DoNotOptimize(output[0].data());
        position += static_cast<std::size_t>(block);
        processed += block;
        return seconds;
    }
    std::int64_t samplesProcessed() const { return processed; }

private:
    AEffect* effect;
    std::int32_t block;
    std::vector<float> input[2];
    std::vector<float> output[2];
    std::size_t position = 0;
    std::int64_t processed = 0;
};

// FFTW doing one channel frame's transforms at frame size n.
class FftwFrame {
public:
    explicit FftwFrame(int n)
        : real(fftw_alloc_real(2 * static_cast<std::size_t>(n))),
          spectrum(fftw_alloc_complex(static_cast<std::size_t>(n) + 1)),
          forwardN(fftw_plan_dft_r2c_1d(n, real, spectrum, FFTW_MEASURE)),
          backwardN(fftw_plan_dft_c2r_1d(n, spectrum, real, FFTW_MEASURE)),
          forward2N(fftw_plan_dft_r2c_1d(2 * n, real, spectrum, FFTW_MEASURE)),
          backward2N(fftw_plan_dft_c2r_1d(2 * n, spectrum, real, FFTW_MEASURE)) {
        const auto noise = testing::tonesOverNoise(2 * static_cast<std::size_t>(n));
        std::copy(noise[0].begin(), noise[0].end(), real);
    }
    ~FftwFrame() {
        for (fftw_plan plan : {forwardN, backwardN, forward2N, backward2N}) {
            fftw_destroy_plan(plan);
        }
        fftw_free(real);
        fftw_free(spectrum);
    }
    FftwFrame(const FftwFrame&) = delete;
    FftwFrame& operator=(const FftwFrame&) = delete;

    // Thread CPU seconds for `frames` channel frames.
    double time(std::int64_t frames) {
        const double start = threadSeconds();
        for (std::int64_t f = 0; f < frames; ++f) {
            // c2r overwrites its input; the values stay bounded because every transform
            // leaves a finite spectrum, and the time does not depend on them.
            fftw_execute(forwardN);
            fftw_execute(backwardN);
            fftw_execute(forwardN);
            fftw_execute(backwardN);
            fftw_execute(forward2N);
            fftw_execute(forward2N);
            fftw_execute(backward2N);
            scale();
        }
        const double seconds = threadSeconds() - start;
        benchmark::DoNotOptimize(real);
        return seconds;
    }

private:
    // Keeps the data from growing without bound across repeated unnormalised round trips.
    void scale() { real[0] *= 1e-9; }

    double* real;
    fftw_complex* spectrum;
    fftw_plan forwardN, backwardN, forward2N, backward2N;
};

void effectAgainstFftw(benchmark::State& state) {
    for (auto _ : state) {
        Effect throughput(kThroughputBlock);
        Effect frameCalls(kFrameCallBlock);
        const std::int64_t n = throughput.latency();
        const std::int64_t hop = n / kFramesPerSlotPeriod;
        FftwFrame fftw(static_cast<int>(n));
        // Warm up: the separators full, the caches and plans settled.
        while (throughput.samplesProcessed() < 2 * n) {
            throughput.processBlock();
        }
        while (frameCalls.samplesProcessed() < 2 * n) {
            frameCalls.processBlock();
        }
        fftw.time(8);

        std::vector<double> ratios, frameCallRatios, effectShares;
        const auto roundSamples = static_cast<std::int64_t>(kSecondsPerRound * kRate);
        for (int round = 0; round < kRounds; ++round) {
            double effectSeconds = 0.0;
            const std::int64_t start = throughput.samplesProcessed();
            while (throughput.samplesProcessed() - start < roundSamples) {
                effectSeconds += throughput.processBlock();
            }
            const std::int64_t samples = throughput.samplesProcessed() - start;
            // Two channels, four frames per N samples each.
            const std::int64_t channelFrames = 2 * kFramesPerSlotPeriod * samples / n;
            const double fftwSeconds = fftw.time(channelFrames);
            ratios.push_back(effectSeconds / fftwSeconds);

            // The calls that complete a frame: those that cross a multiple of the hop.
            std::vector<double> completing;
            while (completing.size() < 16) {
                const std::int64_t before = frameCalls.samplesProcessed();
                const double seconds = frameCalls.processBlock();
                if ((before + kFrameCallBlock) / hop > before / hop) {
                    completing.push_back(seconds);
                }
            }
            const double twoFrames = fftw.time(64) / 32.0;
            frameCallRatios.push_back(median(completing) / twoFrames);
        }
        state.counters["ratio"] = median(ratios);
        state.counters["ratio_min"] = *std::min_element(ratios.begin(), ratios.end());
        state.counters["ratio_max"] = *std::max_element(ratios.begin(), ratios.end());
        state.counters["frame_call_ratio"] = median(frameCallRatios);
    }
}
BENCHMARK(effectAgainstFftw)->Iterations(1)->Unit(benchmark::kMillisecond);

// Completing calls gathered per configuration: enough for a stable median, and the worst of as
// many frames as about a second of audio at 48 kHz holds.
constexpr std::size_t kTableCompletingCalls = 96;

void frameCallTable(benchmark::State& state) {
    const auto rate = static_cast<float>(state.range(0));
    const auto block = static_cast<std::int32_t>(state.range(1));
    for (auto _ : state) {
        Effect effect(block, rate);
        const std::int64_t n = effect.latency();
        const std::int64_t hop = n / kFramesPerSlotPeriod;
        FftwFrame fftw(static_cast<int>(n));
        while (effect.samplesProcessed() < 2 * n) {
            effect.processBlock();
        }
        fftw.time(8);

        std::vector<double> completing;
        double worstAny = 0.0;
        while (completing.size() < kTableCompletingCalls) {
            const std::int64_t before = effect.samplesProcessed();
            const double seconds = effect.processBlock();
            worstAny = std::max(worstAny, seconds);
            if ((before + block) / hop > before / hop) {
                completing.push_back(seconds);
            }
        }
        const double twoFrames = fftw.time(64) / 32.0;
        const double budget = static_cast<double>(block) / static_cast<double>(rate);
        const double worst = *std::max_element(completing.begin(), completing.end());
        const double middle = median(completing);
        state.counters["median_budget"] = middle / budget;
        state.counters["worst_budget"] = worst / budget;
        state.counters["median_fftw"] = middle / twoFrames;
        state.counters["worst_fftw"] = worst / twoFrames;
        state.counters["worst_any_budget"] = worstAny / budget;
    }
}
BENCHMARK(frameCallTable)
    ->ArgsProduct({{48000, 96000, 192000}, {32, 64, 128, 256, 512}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace calderine
