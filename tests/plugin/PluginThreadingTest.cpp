// A host automates parameters from its own thread while the audio thread processes, and its
// main thread suspends, changes the sample rate and resumes. The hand-over is lock-free; run
// under ThreadSanitizer, any unsynchronised access between the threads fails these tests.
#include "effect/ParameterTable.h"
#include "tests/plugin/LocalEffect.h"
#include "tests/support/EffectSignals.h"

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <gtest/gtest.h>
#include <latch>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace calderine {
namespace {

using testing::LocalEffect;
namespace param = parameterIndex;

constexpr std::size_t kBlockFrames = 64;
constexpr std::size_t kBlocks = 600;   // several frames of the separator at 44100 Hz
constexpr std::size_t kTextBytes = 64; // above every host text limit
constexpr float kLastToneGain = 0.0f;
constexpr float kLastBypass = 1.0f;

TEST(PluginThreading, AutomationFromAnotherThreadReachesTheAudioThread) {
    LocalEffect effect;
    effect.resume();
    const auto input = testing::noisyTones<float>(kBlocks * kBlockFrames, 111);
    std::latch start(2);
    std::atomic<bool> audioDone{false};
    std::size_t abnormal = 0;

    std::thread audio([&] {
        std::vector<float> left(kBlockFrames), right(kBlockFrames);
        float* out[testing::kStereo] = {left.data(), right.data()};
        start.arrive_and_wait();
        for (std::size_t block = 0; block < kBlocks; ++block) {
            const std::size_t offset = block * kBlockFrames;
            float* in[testing::kStereo] = {const_cast<float*>(input[0].data()) + offset,
                                           const_cast<float*>(input[1].data()) + offset};
            testing::processBlock(effect.record(), in, out,
                                  static_cast<std::int32_t>(kBlockFrames));
            for (std::size_t n = 0; n < kBlockFrames; ++n) {
                abnormal += std::isfinite(left[n]) && std::isfinite(right[n]) ? 0 : 1;
            }
        }
        audioDone.store(true);
    });

    std::thread automation([&] {
        std::mt19937 generator(7);
        std::uniform_int_distribution<std::int32_t> pickIndex(0, kParameterCount - 1);
        std::uniform_real_distribution<float> pickValue(0.0f, 1.0f);
        char display[kTextBytes];
        start.arrive_and_wait();
        while (!audioDone.load()) {
            const std::int32_t index = pickIndex(generator);
            effect.record().setParameter(&effect.record(), index, pickValue(generator));
            effect.record().getParameter(&effect.record(), index);
            effect.dispatch(effGetParamDisplay, index, 0, display);
            std::this_thread::yield();
        }
        // Settings made at the very end must not be lost.
        effect.setParameter(param::toneGain, kLastToneGain);
        effect.setParameter(param::bypass, kLastBypass);
    });

    audio.join();
    automation.join();
    EXPECT_EQ(abnormal, 0u);

    float* none[testing::kStereo] = {nullptr, nullptr};
    testing::processBlock(effect.record(), none, none, 0);
    for (std::size_t e = 0; e < effect.instance().stereoRouter().engines.size(); ++e) {
        EXPECT_EQ(effect.engine(e).toneGain, 0.0) << "engine " << e;
        EXPECT_TRUE(effect.engine(e).bypass) << "engine " << e;
    }
}

// What a host guarantees, kept by the test itself (never by the effect): processing runs only
// while the effect is resumed, so it never overlaps suspend, setSampleRate, setProgram or resume.
class ProcessingGate {
public:
    // Main thread: waits for the running block, if any, to end; none starts until open().
    void close() {
        std::unique_lock lock(mutex);
        isOpen = false;
        changed.wait(lock, [&] { return !busy; });
    }
    // Main thread: lets the audio thread process, and waits until it has done `blocks` blocks.
    void openFor(std::size_t blocks) {
        std::unique_lock lock(mutex);
        isOpen = true;
        const std::size_t target = processed + blocks;
        changed.notify_all();
        changed.wait(lock, [&] { return processed >= target; });
    }
    void finish() {
        const std::lock_guard lock(mutex);
        finished = true;
        changed.notify_all();
    }
    // Audio thread: false once finished; otherwise the block may run until done() is called.
    bool enter() {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return isOpen || finished; });
        busy = !finished;
        return busy;
    }
    void done() {
        const std::lock_guard lock(mutex);
        busy = false;
        ++processed;
        changed.notify_all();
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    bool isOpen = false;
    bool busy = false;
    bool finished = false;
    std::size_t processed = 0;
};

TEST(PluginThreading, AutomationWhileTheMainThreadChangesRatesAndResumes) {
    constexpr float kRates[] = {48000.0f, 44100.0f, 32000.0f, 22050.0f};
    constexpr std::size_t kCycles = 24;
    constexpr std::size_t kBlocksPerCycle = 12;
    LocalEffect effect;
    const auto input = testing::noisyTones<float>(kBlockFrames, 112);
    ProcessingGate gate;
    std::atomic<bool> mainDone{false};
    std::size_t abnormal = 0;

    std::thread audio([&] {
        std::vector<float> left(kBlockFrames), right(kBlockFrames);
        float* out[testing::kStereo] = {left.data(), right.data()};
        float* in[testing::kStereo] = {const_cast<float*>(input[0].data()),
                                       const_cast<float*>(input[1].data())};
        while (gate.enter()) {
            testing::processBlock(effect.record(), in, out,
                                  static_cast<std::int32_t>(kBlockFrames));
            for (std::size_t n = 0; n < kBlockFrames; ++n) {
                abnormal += std::isfinite(left[n]) && std::isfinite(right[n]) ? 0 : 1;
            }
            gate.done();
        }
    });

    std::thread automation([&] {
        std::mt19937 generator(8);
        std::uniform_int_distribution<std::int32_t> pickIndex(0, kParameterCount - 1);
        std::uniform_real_distribution<float> pickValue(0.0f, 1.0f);
        char display[kTextBytes];
        while (!mainDone.load()) {
            const std::int32_t index = pickIndex(generator);
            effect.record().setParameter(&effect.record(), index, pickValue(generator));
            effect.record().getParameter(&effect.record(), index);
            effect.dispatch(effGetParamDisplay, index, 0, display);
            std::this_thread::yield();
        }
    });

    for (std::size_t cycle = 0; cycle < kCycles; ++cycle) {
        gate.close();
        effect.suspend();
        effect.setSampleRate(kRates[cycle % std::size(kRates)]);
        if (cycle % 3 == 0) {
            effect.dispatch(effSetProgram, 0, 0);
        }
        EXPECT_EQ(static_cast<std::uint32_t>(effect.record().initialDelay),
                  effect.instance().stereoRouter().latency());
        effect.resume();
        gate.openFor(kBlocksPerCycle);
    }
    gate.close();
    mainDone.store(true);
    automation.join();
    gate.finish();
    audio.join();
    EXPECT_EQ(abnormal, 0u);

    // The last settings, made while suspended, are shown at once and reach the engines at resume.
    effect.suspend();
    effect.setParameter(param::toneGain, kLastToneGain);
    effect.setParameter(param::bypass, kLastBypass);
    EXPECT_EQ(effect.parameter(param::toneGain), kLastToneGain);
    effect.resume();
    for (std::size_t e = 0; e < effect.instance().stereoRouter().engines.size(); ++e) {
        EXPECT_EQ(effect.engine(e).toneGain, 0.0) << "engine " << e;
        EXPECT_TRUE(effect.engine(e).bypass) << "engine " << e;
    }
}

} // namespace
} // namespace calderine
