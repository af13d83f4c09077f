// A host automates parameters from its own thread while the audio thread processes. The
// hand-over is lock-free; run under ThreadSanitizer, any unsynchronised access between the
// two threads fails this test.
#include "plugin/ParameterTable.h"
#include "tests/plugin/LocalEffect.h"
#include "tests/support/EffectSignals.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <latch>
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

} // namespace
} // namespace calderine
