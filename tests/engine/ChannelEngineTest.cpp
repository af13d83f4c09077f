#include "engine/ChannelEngine.h"

#include "tests/support/Segments.h"
#include "tests/support/TestSignal.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <random>
#include <stdexcept>
#include <vector>

namespace calderine {
namespace {

std::vector<double> noise(std::size_t length, double amplitude, unsigned seed) {
    return testing::uniformNoise(length, seed, amplitude);
}

std::vector<double> run(ChannelEngine& engine, const std::vector<double>& input) {
    std::vector<double> output;
    output.reserve(input.size());
    for (const double x : input) {
        output.push_back(testing::runSample(engine, x));
    }
    return output;
}

struct RateCase {
    double sampleRate;
    std::uint32_t latency;
};

// Readable case names in test listings.
void PrintTo(const RateCase& c, std::ostream* os) {
    *os << c.sampleRate << " Hz";
}

class ChannelEngineRates : public ::testing::TestWithParam<RateCase> {};

// With dryMix 1 the output is the delay line's output exactly, so the delay is observable
// sample for sample: silent for latency() calls, then the input.
TEST_P(ChannelEngineRates, DelayIsExactlyLatency) {
    const auto [sampleRate, latency] = GetParam();
    ChannelEngine engine;
    engine.setSampleRate(sampleRate);
    EXPECT_EQ(engine.latency(), latency);
    engine.dryMix = 1.0;
    const auto input = noise(2 * latency, 0.5, 1);
    const auto output = run(engine, input);
    for (std::size_t i = 0; i < output.size(); ++i) {
        ASSERT_EQ(output[i], i < latency ? 0.0 : input[i - latency]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(HostRates, ChannelEngineRates,
                         ::testing::Values(RateCase{44100.0, 2304}, RateCase{48000.0, 2400},
                                           RateCase{96000.0, 4800}));

TEST(ChannelEngine, ConstructedForDefaultRate) {
    const ChannelEngine engine;
    EXPECT_EQ(engine.latency(), 2304u);
    EXPECT_EQ(engine.delayLine().length(), 2304u);
    EXPECT_FALSE(engine.clipperEnabled());
    EXPECT_EQ(engine.clipper().ceiling(), 1.0);
}

// Default settings recombine tone and noise: (d - n) + n is the delayed input.
TEST(ChannelEngine, DefaultsReturnDelayedInput) {
    ChannelEngine engine;
    const std::uint32_t latency = engine.latency();
    const auto input = noise(4 * latency, 0.5, 2);
    const auto output = run(engine, input);
    for (std::size_t i = 0; i < output.size(); ++i) {
        const double delayed = i < latency ? 0.0 : input[i - latency];
        ASSERT_NEAR(output[i], delayed, 1e-9) << i;
    }
}

TEST(ChannelEngine, BypassReturnsDelayedInputExactly) {
    ChannelEngine engine;
    engine.setToneTilt(1.0, 44100.0);
    engine.setNoiseTilt(0.3, 44100.0);
    engine.setEmphasis(1.0, 44100.0);
    engine.setClipper(true, 0.05);
    engine.toneGain = 3.0;
    engine.noiseGain = 0.2;
    engine.dryMix = 0.4;
    engine.bypass = true;
    const std::uint32_t latency = engine.latency();
    const auto input = noise(3 * latency, 1.0, 3);
    const auto output = run(engine, input);
    for (std::size_t i = 0; i < output.size(); ++i) {
        ASSERT_EQ(output[i], i < latency ? 0.0 : input[i - latency]) << i;
    }
}

TEST(ChannelEngine, ZeroGainsGiveSilence) {
    ChannelEngine engine;
    engine.toneGain = 0.0;
    engine.noiseGain = 0.0;
    for (const double y : run(engine, noise(3 * engine.latency(), 1.0, 4))) {
        ASSERT_EQ(y, 0.0);
    }
}

// The tone and noise branches split the delayed input between them: with only one gain open
// each engine returns its part, and the parts add up to the delayed input.
TEST(ChannelEngine, ToneAndNoisePartsAddUpToDelayedInput) {
    ChannelEngine toneOnly;
    toneOnly.noiseGain = 0.0;
    ChannelEngine noiseOnly;
    noiseOnly.toneGain = 0.0;
    const std::uint32_t latency = toneOnly.latency();
    const auto input = noise(4 * latency, 0.5, 5);
    const auto tone = run(toneOnly, input);
    const auto noisePart = run(noiseOnly, input);
    double noiseEnergy = 0.0;
    for (std::size_t i = latency; i < input.size(); ++i) {
        ASSERT_NEAR(tone[i] + noisePart[i], input[i - latency], 1e-9) << i;
        noiseEnergy += noisePart[i] * noisePart[i];
    }
    // White noise is mostly noise: the noise branch must actually carry signal.
    EXPECT_GT(noiseEnergy, 0.0);
}

// Emphasis and de-emphasis cancel while the clipper stays in its linear region.
TEST(ChannelEngine, EmphasisPairIsFlatBelowClipperKnee) {
    ChannelEngine engine;
    engine.setEmphasis(1.0, 44100.0);
    engine.setClipper(true, 1.0);
    const std::uint32_t latency = engine.latency();
    const auto input = noise(4 * latency, 0.05, 6);
    const auto output = run(engine, input);
    for (std::size_t i = latency; i < output.size(); ++i) {
        ASSERT_NEAR(output[i], input[i - latency], 1e-9) << i;
    }
}

void expectSameHistories(const TiltFilter& a, const TiltFilter& b) {
    for (std::size_t i = 0; i < TiltFilter::kSectionCount; ++i) {
        EXPECT_EQ(a.section(i).x0, b.section(i).x0);
        EXPECT_EQ(a.section(i).x1, b.section(i).x1);
        EXPECT_EQ(a.section(i).y0, b.section(i).y0);
        EXPECT_EQ(a.section(i).y1, b.section(i).y1);
    }
}

TEST(ChannelEngine, ClipperBranchPausesWhileDisabled) {
    ChannelEngine engine;
    engine.setEmphasis(0.5, 44100.0);
    engine.setClipper(true, 0.1);
    const std::uint32_t latency = engine.latency();
    run(engine, noise(2 * latency, 0.5, 7));
    ASSERT_NE(engine.emphasis().section(0).x0, 0.0);

    const TiltFilter emphasisBefore = engine.emphasis();
    const TiltFilter deEmphasisBefore = engine.deEmphasis();
    const double toneHistoryBefore = engine.toneTilt().section(0).x0;
    engine.setClipper(false, 0.2);
    run(engine, noise(latency, 0.5, 8));
    expectSameHistories(engine.emphasis(), emphasisBefore);
    expectSameHistories(engine.deEmphasis(), deEmphasisBefore);
    EXPECT_NE(engine.toneTilt().section(0).x0, toneHistoryBefore);
    // Disabling keeps the previous threshold.
    EXPECT_EQ(engine.clipper().ceiling(), 0.1);

    // Enabled again, the branch continues from the stored histories: the last input moves one
    // place back instead of being cleared.
    engine.setClipper(true, 0.1);
    testing::runSample(engine, 0.25);
    EXPECT_EQ(engine.emphasis().section(0).x1, emphasisBefore.section(0).x0);
    EXPECT_EQ(engine.deEmphasis().section(0).x1, deEmphasisBefore.section(0).x0);
}

// After reset and after a rate change the delayed path starts silent again.
TEST(ChannelEngine, ResetAndRateChangeSilenceTheDelay) {
    ChannelEngine engine;
    engine.dryMix = 1.0;
    run(engine, noise(3000, 1.0, 9));
    engine.reset();
    for (std::uint32_t i = 0; i < engine.latency(); ++i) {
        ASSERT_EQ(testing::runSample(engine, 1.0), 0.0) << i;
    }
    EXPECT_EQ(testing::runSample(engine, 1.0), 1.0);

    engine.setSampleRate(48000.0);
    ASSERT_EQ(engine.latency(), 2400u);
    for (std::uint32_t i = 0; i < engine.latency(); ++i) {
        ASSERT_EQ(testing::runSample(engine, 1.0), 0.0) << i;
    }
    EXPECT_EQ(testing::runSample(engine, 1.0), 1.0);
    // Settings survive the rebuild.
    EXPECT_EQ(engine.dryMix, 1.0);
}

TEST(ChannelEngine, ResetClearsFilterHistoriesKeepsSettings) {
    ChannelEngine engine;
    engine.setToneTilt(1.0, 44100.0);
    engine.setClipper(true, 0.3);
    run(engine, noise(3000, 1.0, 10));
    const double toneScale = engine.toneTilt().outputScale();
    engine.reset();
    for (const TiltFilter* filter :
         {&engine.toneTilt(), &engine.noiseTilt(), &engine.emphasis(), &engine.deEmphasis()}) {
        for (std::size_t i = 0; i < TiltFilter::kSectionCount; ++i) {
            EXPECT_EQ(filter->section(i).x0, 0.0);
            EXPECT_EQ(filter->section(i).y1, 0.0);
        }
    }
    EXPECT_EQ(engine.toneTilt().outputScale(), toneScale);
    EXPECT_TRUE(engine.clipperEnabled());
    EXPECT_EQ(engine.clipper().ceiling(), 0.3);
}

// A rate the engine cannot be built for is refused before anything is replaced: the engine
// carries on exactly like a twin that never saw the call.
TEST(ChannelEngine, RefusedRateLeavesEngineUnchanged) {
    const double refused[] = {0.0, -44100.0, std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(), 1e12};
    ChannelEngine engine;
    ChannelEngine twin;
    const auto input = noise(6000, 0.5, 11);
    for (std::size_t i = 0; i < 3000; ++i) {
        testing::runSample(engine, input[i]);
        testing::runSample(twin, input[i]);
    }
    for (const double rate : refused) {
        EXPECT_THROW(engine.setSampleRate(rate), std::invalid_argument) << rate;
    }
    EXPECT_EQ(engine.latency(), twin.latency());
    for (std::size_t i = 3000; i < input.size(); ++i) {
        ASSERT_EQ(testing::runSample(engine, input[i]), testing::runSample(twin, input[i])) << i;
    }
}

// Very low rates are served and stay stable with every filter at its strongest.
TEST(ChannelEngine, LowRateWithStrongestShapingStaysFinite) {
    for (const double rate : {8000.0, 11025.0}) {
        ChannelEngine engine;
        engine.setSampleRate(rate);
        engine.setToneTilt(1.0, rate);
        engine.setNoiseTilt(1.0, rate);
        engine.setEmphasis(1.0, rate);
        engine.setClipper(true, 0.01);
        double peak = 0.0;
        for (const double y : run(engine, noise(static_cast<std::size_t>(5 * rate), 1.0, 12))) {
            ASSERT_TRUE(std::isfinite(y));
            peak = std::max(peak, std::fabs(y));
        }
        EXPECT_LT(peak, 100.0) << rate;
    }
}

} // namespace
} // namespace calderine
