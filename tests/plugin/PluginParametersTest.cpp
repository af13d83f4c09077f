// What a parameter change does to the two engines, and when it gets there.
#include "effect/ParameterTable.h"
#include "tests/plugin/LocalEffect.h"
#include "tests/support/EffectSignals.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace calderine {
namespace {

using testing::LocalEffect;
namespace param = parameterIndex;

constexpr float kStereoModeStep = 0.25f; // normalised distance between two modes
constexpr std::size_t kEngineCount = 2;

// Calls one processing entry with no samples: a host may do that to flush automation.
using EmptyBlock = void (*)(AEffect&);
void emptyFloatBlock(AEffect& record) {
    float* none[testing::kStereo] = {nullptr, nullptr};
    record.processReplacing(&record, none, none, 0);
}
void emptyDoubleBlock(AEffect& record) {
    double* none[testing::kStereo] = {nullptr, nullptr};
    record.processDoubleReplacing(&record, none, none, 0);
}

// setParameter never touches the engines (another thread may own them): while suspended the
// change is applied by resume, while resumed by the next block.
TEST(ParameterApplication, SuspendedAtResumeResumedAtTheNextBlockEvenAnEmptyOne) {
    for (const EmptyBlock emptyBlock : {&emptyFloatBlock, &emptyDoubleBlock}) {
        LocalEffect effect;
        effect.setParameter(param::toneGain, 0.0f);
        // The host sees the new value and its text at once.
        EXPECT_EQ(effect.parameter(param::toneGain), 0.0f);
        char text[64] = {}; // above every host text limit
        effect.dispatch(effGetParamDisplay, static_cast<std::int32_t>(param::toneGain), 0, text);
        EXPECT_STREQ(text, "mute");
        for (std::size_t e = 0; e < kEngineCount; ++e) {
            EXPECT_EQ(effect.engine(e).toneGain, 1.0) << "suspended, engine " << e;
        }
        effect.resume();
        for (std::size_t e = 0; e < kEngineCount; ++e) {
            EXPECT_EQ(effect.engine(e).toneGain, 0.0) << "resumed, engine " << e;
        }
        effect.suspend();
        effect.setParameter(param::toneGain, 0.5f);
        effect.resume();
        effect.setParameter(param::toneGain, 0.0f);
        for (std::size_t e = 0; e < kEngineCount; ++e) {
            EXPECT_EQ(effect.engine(e).toneGain, 1.0) << "resumed, before a block, engine " << e;
        }
        emptyBlock(effect.record());
        for (std::size_t e = 0; e < kEngineCount; ++e) {
            EXPECT_EQ(effect.engine(e).toneGain, 0.0) << "after an empty block, engine " << e;
        }
    }
}

// The suspended-state operations that own the engines apply what is pending: a new sample rate
// and a program change (resume is above).
TEST(ParameterApplication, SampleRateAndProgramChangesApplyPendingChanges) {
    LocalEffect effect;
    effect.setParameter(param::toneGain, 0.0f);
    effect.setSampleRate(48000.0f);
    for (std::size_t e = 0; e < kEngineCount; ++e) {
        EXPECT_EQ(effect.engine(e).toneGain, 0.0) << "after the rate, engine " << e;
    }
    effect.setParameter(param::toneGain, 0.5f);
    effect.dispatch(effSetProgram, 0, 0);
    for (std::size_t e = 0; e < kEngineCount; ++e) {
        EXPECT_EQ(effect.engine(e).toneGain, 1.0) << "after the program, engine " << e;
    }
    for (std::size_t i = 0; i < kParameterCount; ++i) {
        EXPECT_FALSE(effect.instance().parameter(i).changed.load()) << i;
    }
}

// A stereo-mode change set while suspended still clears the signal memory: resume clears it
// anyway, and the mode is the new one from the first block.
TEST(ParameterApplication, StereoModeSetWhileSuspendedHoldsFromTheFirstBlock) {
    LocalEffect effect;
    effect.setParameter(param::stereoMode, 2 * kStereoModeStep); // "M/S"
    effect.setParameter(param::bypass, 1.0f);
    EXPECT_EQ(effect.instance().stereoRouter().mode, 1);
    effect.resume();
    EXPECT_EQ(effect.instance().stereoRouter().mode, 2);
    for (std::size_t e = 0; e < kEngineCount; ++e) {
        EXPECT_TRUE(effect.engine(e).bypass) << "engine " << e;
    }
    EXPECT_EQ(static_cast<std::uint32_t>(effect.record().initialDelay),
              effect.instance().stereoRouter().latency());
}

// Mute and off are decided on the unrounded value; the amount applied is the rounded one.
// Gains and the clipper ceiling are amplitude factors 10^(dB / 20); a tilt filter of gain
// g = 10^(dB / 20), with 10 dB per unit of tilt (5 dB for the emphasis), scales its output by
// 1/sqrt(g), the de-emphasis by sqrt(g).
TEST(ParameterApplication, EngineValuesAcrossTheRanges) {
    using Reading = double (*)(const ChannelEngine&);
    struct Case {
        const char* what;
        std::size_t parameter;
        float normalised;
        Reading reading;
        double expected;
    };
    const Reading toneGain = [](const ChannelEngine& e) { return e.toneGain; };
    const Reading noiseGain = [](const ChannelEngine& e) { return e.noiseGain; };
    const Reading dryMix = [](const ChannelEngine& e) { return e.dryMix; };
    const Reading bypass = [](const ChannelEngine& e) { return e.bypass ? 1.0 : 0.0; };
    const Reading clipperOn = [](const ChannelEngine& e) { return e.clipperEnabled() ? 1.0 : 0.0; };
    const Reading ceiling = [](const ChannelEngine& e) { return e.clipper().ceiling(); };
    const Reading toneTilt = [](const ChannelEngine& e) { return e.toneTilt().outputScale(); };
    const Reading noiseTilt = [](const ChannelEngine& e) { return e.noiseTilt().outputScale(); };
    const Reading emphasis = [](const ChannelEngine& e) { return e.emphasis().outputScale(); };
    const Reading deEmphasis = [](const ChannelEngine& e) { return e.deEmphasis().outputScale(); };
    constexpr double kMinus18dB = 0.12589254117941673; // -17.964 dB kept to one decimal
    const Case cases[] = {
        {"tone gain at its minimum mutes", param::toneGain, 0.0f, toneGain, 0.0},
        {"tone gain just above is -18 dB", param::toneGain, 0.001f, toneGain, kMinus18dB},
        {"noise gain at its minimum mutes", param::noiseGain, 0.0f, noiseGain, 0.0},
        {"noise gain just above is -18 dB", param::noiseGain, 0.001f, noiseGain, kMinus18dB},
        {"clipper off exactly at 0 dB", param::clipperThreshold, 1.0f, clipperOn, 0.0},
        {"clipper on just below 0 dB", param::clipperThreshold, 0.999f, clipperOn, 1.0},
        {"clipper ceiling rounds to 0 dB", param::clipperThreshold, 0.999f, ceiling, 1.0},
        {"clipper ceiling at -20 dB", param::clipperThreshold, 0.5f, ceiling, 0.1},
        {"dry mix kept to one decimal", param::dryMix, 0.3333f, dryMix, 0.333},
        {"bypass 0.7 switches on", param::bypass, 0.7f, bypass, 1.0},
        {"bypass 0.49 stays off", param::bypass, 0.49f, bypass, 0.0},
        {"tone gain -9 dB", param::toneGain, 0.25f, toneGain, 0.35481338923357547},
        {"tone gain 9 dB", param::toneGain, 0.75f, toneGain, 2.8183829312644537},
        {"noise gain -13.5 dB", param::noiseGain, 0.125f, noiseGain, 0.21134890398366465},
        {"noise gain 3.6 dB", param::noiseGain, 0.6f, noiseGain, 1.5135612484362082},
        {"noise gain 18 dB", param::noiseGain, 1.0f, noiseGain, 7.943282347242816},
        {"clipper ceiling at -40 dB", param::clipperThreshold, 0.0f, ceiling, 0.01},
        {"clipper ceiling at -8 dB", param::clipperThreshold, 0.8f, ceiling, 0.3981071705534972},
        {"dry mix 25 %", param::dryMix, 0.25f, dryMix, 0.25},
        {"dry mix 45.67 % kept as 45.7 %", param::dryMix, 0.4567f, dryMix, 0.457},
        {"dry mix 100 %", param::dryMix, 1.0f, dryMix, 1.0},
        {"tone tilt 0.125 kept as 0.13", param::toneTilt, 0.125f, toneTilt, 0.9278974901273311},
        {"tone tilt 1", param::toneTilt, 1.0f, toneTilt, 0.5623413251903491},
        {"noise tilt 0.7", param::noiseTilt, 0.7f, noiseTilt, 0.6683439175686147},
        {"emphasis 0.3", param::clipperEmphasis, 0.3f, emphasis, 0.9172759353897796},
        {"de-emphasis 0.3", param::clipperEmphasis, 0.3f, deEmphasis, 1.0901844923851276},
    };
    constexpr double kTolerance = 1e-15; // relative to the expected value above 1
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LocalEffect effect;
        effect.setParameter(c.parameter, c.normalised);
        effect.resume(); // applies the change
        const double tolerance = kTolerance * std::max(1.0, std::fabs(c.expected));
        for (std::size_t e = 0; e < kEngineCount; ++e) {
            EXPECT_NEAR(c.reading(effect.engine(e)), c.expected, tolerance) << "engine " << e;
        }
    }
}

// StereoMode spans the five modes 0..4 in steps of 0.25, switching half-way between them.
TEST(ParameterApplication, StereoModeFromNormalised) {
    struct Case {
        float normalised;
        std::int32_t mode;
    };
    const Case cases[] = {{0.0f, 0}, {0.12f, 0}, {0.125f, 1}, {0.25f, 1}, {0.5f, 2},
                          {0.6f, 2}, {0.75f, 3}, {0.875f, 4}, {1.0f, 4}};
    for (const Case& c : cases) {
        LocalEffect effect;
        effect.setParameter(param::stereoMode, c.normalised);
        effect.resume(); // the owner of the engines applies the change
        EXPECT_EQ(effect.instance().stereoRouter().mode, c.mode) << "at " << c.normalised;
    }
}

// A mode switch clears the delay lines (among all signal memory), so with Bypass "On" the
// output restarts with N zeros; a setting that rounds to the current mode clears nothing.
TEST(ParameterApplication, StereoModeResetsOnlyOnARealChange) {
    LocalEffect effect;
    effect.setParameter(param::bypass, 1.0f);
    effect.resume();
    const std::size_t latency = effect.instance().stereoRouter().latency();
    const auto warmUp = testing::noisyTones<double>(latency, 1);
    testing::render(effect.record(), warmUp);

    struct Step {
        float normalised;
        bool resets;
    };
    const Step steps[] = {
        {0.3f, false},                // 1.2 is still "Stereo"
        {2 * kStereoModeStep, true},  // "M/S"
        {2 * kStereoModeStep, false}, // "M/S" again
        {0.55f, false},               // 2.2 is still "M/S"
        {kStereoModeStep, true},      // back to "Stereo"
    };
    std::uint32_t seed = 2;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.normalised);
        effect.setParameter(param::stereoMode, step.normalised);
        const auto out = testing::render(effect.record(), testing::noisyTones<double>(64, ++seed));
        double energy = 0.0;
        for (const auto& channel : out) {
            for (const double sample : channel) {
                energy += sample * sample;
            }
        }
        EXPECT_EQ(energy == 0.0, step.resets);
        // The rest of the memory is refilled so that the next step starts from a full line.
        testing::render(effect.record(), testing::noisyTones<double>(latency, ++seed));
    }
}

TEST(Programs, SetProgramZeroReappliesEveryParameterAtItsOwnValue) {
    LocalEffect effect;
    const float settings[kParameterCount] = {0.001f,  0.999f, 0.33f, 0.71f, 0.2f,
                                             0.3333f, 0.3f,   0.7f,  0.45f, 0.9f};
    for (std::size_t i = 0; i < kParameterCount; ++i) {
        effect.setParameter(i, settings[i]);
    }
    double before[kParameterCount];
    for (std::size_t i = 0; i < kParameterCount; ++i) {
        before[i] = effect.instance().parameter(i).current();
    }
    effect.resume();
    effect.dispatch(effSetProgram, 0, 0);

    // Each value went through single precision and back: it may move by a float's rounding.
    constexpr double kFloatRounding = 1e-5; // relative to the parameter's range
    for (std::size_t i = 0; i < kParameterCount; ++i) {
        const Parameter& p = effect.instance().parameter(i);
        EXPECT_NEAR(p.current(), before[i],
                    kFloatRounding * (p.descriptor.maximum - p.descriptor.minimum))
            << i;
        EXPECT_TRUE(p.changed.load()) << "parameter " << i << " waits to be re-applied";
    }
    emptyDoubleBlock(effect.record());
    for (std::size_t i = 0; i < kParameterCount; ++i) {
        EXPECT_FALSE(effect.instance().parameter(i).changed.load()) << i;
    }
    EXPECT_EQ(effect.dispatch(effGetProgram), 0);
}

} // namespace
} // namespace calderine
