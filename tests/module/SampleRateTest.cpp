// Sample-rate changes through the built module: the reported latency, the rates refused, and
// settings that must sound the same after the engines were rebuilt.
#include "effect/ParameterTable.h"
#include "tests/support/BuiltModule.h"
#include "tests/support/EffectSignals.h"
#include "tests/support/RecordingHost.h"
#include "tools/vsthost/HostedEffect.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace calderine {
namespace {

namespace param = parameterIndex;
using testing::Channels;

constexpr float kBypassOn = 1.0f;
constexpr double kFrameSeconds = 0.05; // the separator's frame, and the least latency

// Where a bypassed impulse comes out; -1 if it does not.
std::int64_t heardDelay(HostedEffect& effect, std::size_t frames) {
    Channels<double> input(testing::kStereo, std::vector<double>(frames));
    input[testing::kLeft][0] = 1.0;
    const auto output = testing::render(effect.record(), input, 1024);
    for (std::size_t n = 0; n < frames; ++n) {
        if (output[testing::kLeft][n] != 0.0) {
            return static_cast<std::int64_t>(n);
        }
    }
    return -1;
}

TEST(SampleRate, ReportedLatencyIsTheDelayHeard) {
    struct Case {
        float rate;
        std::int32_t latency; // 0: not pinned down here, only checked against the delay
    };
    const Case cases[] = {{8000.0f, 0},     {22050.0f, 0},    {44100.0f, 2304},
                          {48000.0f, 2400}, {96000.0f, 4800}, {768000.0f, 0}};
    RecordingHost host;
    HostedEffect effect(builtModule(), host);
    effect.setParameter(static_cast<std::int32_t>(param::bypass), kBypassOn);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        effect.suspend();
        effect.setSampleRate(c.rate);
        const std::int32_t reported = effect.record().initialDelay;
        if (c.latency != 0) {
            EXPECT_EQ(reported, c.latency);
        }
        EXPECT_GE(reported, static_cast<std::int32_t>(std::ceil(c.rate * kFrameSeconds)));
        effect.resume();
        EXPECT_EQ(heardDelay(effect, static_cast<std::size_t>(reported) + 64), reported);
    }
    // The latency changed without the host being told: the version query is all it saw.
    EXPECT_EQ(host.calls().size(), 1u);
}

// A refused rate changes nothing: the latency stays and the effect sounds exactly like one
// that never received it.
TEST(SampleRate, UnservedRatesLeaveTheEffectAsItWas) {
    constexpr float kServedRate = 48000.0f;
    const float refused[] = {0.0f,
                             -0.0f,
                             -48000.0f,
                             std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(),
                             7999.0f,
                             768001.0f,
                             1.0e9f,
                             FLT_MAX,
                             std::numeric_limits<float>::denorm_min()};
    const float settings[kParameterCount] = {0.6f, 0.4f,  0.7f, 0.8f, 0.55f,
                                             0.1f, 0.25f, 0.0f, 0.3f, 0.6f};
    HostedEffect refusing(builtModule());
    HostedEffect reference(builtModule());
    for (HostedEffect* effect : {&refusing, &reference}) {
        effect->setSampleRate(kServedRate);
        for (std::int32_t i = 0; i < static_cast<std::int32_t>(kParameterCount); ++i) {
            effect->setParameter(i, settings[i]);
        }
    }
    const std::int32_t latency = reference.record().initialDelay;
    for (const float rate : refused) {
        refusing.setSampleRate(rate);
        EXPECT_EQ(refusing.record().initialDelay, latency) << rate;
    }
    const auto input = testing::noisyTones<double>(4 * static_cast<std::size_t>(latency), 11);
    refusing.resume();
    reference.resume();
    const auto heard = testing::render(refusing.record(), input);
    const auto expected = testing::render(reference.record(), input);
    EXPECT_EQ(testing::maxDifference(heard, expected), 0.0);
}

// Every setting whose engine state depends on the rate, or lives in the rebuilt separators,
// must be in force after a rate change: the effect then sounds exactly like a fresh instance
// set up at the new rate. Each case also proves that its setting is audible at all.
TEST(SampleRate, EverySettingHoldsAfterARateChange) {
    constexpr float kSecondRate = 48000.0f;
    constexpr float kClipperAtMinus20dB = 0.5f;
    constexpr double kAudible = 1e-3;
    struct Setting {
        std::size_t parameter;
        float normalised;
    };
    struct Case {
        const char* what;
        std::vector<Setting> settings;
    };
    const Case cases[] = {
        {"Tone_Tilt", {{param::toneTilt, 0.85f}}},
        {"Noise_Tilt", {{param::noiseTilt, 0.95f}}},
        {"NoiseClipper_Emphasis",
         {{param::clipperThreshold, kClipperAtMinus20dB}, {param::clipperEmphasis, 0.9f}}},
        {"Separation_Slope", {{param::separationSlope, 1.0f}}},
    };
    const auto apply = [](HostedEffect& effect, const std::vector<Setting>& settings) {
        for (const Setting& s : settings) {
            effect.setParameter(static_cast<std::int32_t>(s.parameter), s.normalised);
        }
    };
    constexpr std::size_t kFramesHeard = 6; // in latencies, so that many frames are analysed
    const auto earlier = testing::noisyTones<double>(8192, 21);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostedEffect changed(builtModule());
        apply(changed, c.settings);
        changed.resume();
        testing::render(changed.record(), earlier);
        changed.suspend();
        changed.setSampleRate(kSecondRate);
        changed.resume();

        HostedEffect fresh(builtModule());
        fresh.setSampleRate(kSecondRate);
        apply(fresh, c.settings);
        fresh.resume();

        // Without the setting the output differs: the case is audible.
        HostedEffect withoutSetting(builtModule());
        withoutSetting.setSampleRate(kSecondRate);
        withoutSetting.resume();

        const auto input = testing::noisyTones<double>(
            kFramesHeard * static_cast<std::size_t>(fresh.record().initialDelay), 22);
        const auto expected = testing::render(fresh.record(), input);
        EXPECT_EQ(testing::maxDifference(testing::render(changed.record(), input), expected), 0.0);
        EXPECT_GT(testing::maxDifference(testing::render(withoutSetting.record(), input), expected),
                  kAudible);
    }
}

} // namespace
} // namespace calderine
