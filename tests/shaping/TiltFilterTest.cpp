#include "shaping/TiltFilter.h"

#include "shaping/ShapingLaws.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <vector>

namespace calderine {
namespace {

std::vector<double> whiteNoise(std::size_t length, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> distribution(-1.0, 1.0);
    std::vector<double> samples(length);
    for (double& s : samples) {
        s = distribution(generator);
    }
    return samples;
}

TiltFilter designed(double frequency, double gain) {
    TiltFilter filter;
    filter.design(frequency, gain);
    return filter;
}

TEST(TiltFilter, UnitGainIsIdentity) {
    const auto input = whiteNoise(4096, 1);
    for (const double frequency : {0.01, 650.0 / 44100.0, 650.0 / 8000.0}) {
        TiltFilter filter = designed(frequency, 1.0);
        for (const double x : input) {
            ASSERT_NEAR(filter.processSample(x), x, 1e-12) << frequency;
        }
    }
}

struct EndGainCase {
    double sampleRate;
    double gain;
};

// Readable case names in test listings.
void PrintTo(const EndGainCase& c, std::ostream* os) {
    *os << c.sampleRate << " Hz, gain " << c.gain;
}

class TiltEndGains : public ::testing::TestWithParam<EndGainCase> {};

// DC is cut by g^(3/2) and Nyquist boosted by g^(3/2); this also holds where the upper shelf's
// corner had to be lowered below Nyquist.
TEST_P(TiltEndGains, MatchTiltLaw) {
    const auto [sampleRate, gain] = GetParam();
    const TiltFilter filter = designed(shaping::tiltFrequency(sampleRate), gain);
    const double expected = std::pow(gain, 1.5);

    TiltFilter dc = filter;
    double out = 0.0;
    for (int i = 0; i < 400000; ++i) {
        out = dc.processSample(1.0);
    }
    EXPECT_NEAR(out, 1.0 / expected, 1e-6 / expected);

    TiltFilter nyquist = filter;
    double sign = 1.0;
    for (int i = 0; i < 4000; ++i) {
        out = nyquist.processSample(sign) * sign;
        sign = -sign;
    }
    EXPECT_NEAR(out, expected, 1e-6 * expected);
}

INSTANTIATE_TEST_SUITE_P(RatesAndGains, TiltEndGains,
                         ::testing::Values(EndGainCase{44100.0, shaping::tiltGain(1.0)},
                                           EndGainCase{44100.0, shaping::tiltGain(0.5)},
                                           EndGainCase{44100.0, 1.0 / shaping::emphasisGain(1.0)},
                                           EndGainCase{96000.0, shaping::tiltGain(1.0)},
                                           EndGainCase{8000.0, shaping::tiltGain(1.0)},
                                           EndGainCase{12000.0, 1.0 / shaping::tiltGain(1.0)}));

TEST(TiltFilter, EmphasisFollowedByDeEmphasisIsFlat) {
    const auto input = whiteNoise(20000, 2);
    for (const double sampleRate : {44100.0, 11025.0}) {
        const double frequency = shaping::tiltFrequency(sampleRate);
        const double gain = shaping::emphasisGain(1.0);
        TiltFilter emphasis = designed(frequency, gain);
        TiltFilter deEmphasis = designed(frequency, 1.0 / gain);
        for (const double x : input) {
            ASSERT_NEAR(deEmphasis.processSample(emphasis.processSample(x)), x, 1e-9);
        }
    }
}

TEST(TiltFilter, AssignCoefficientsKeepsHistories) {
    TiltFilter live = designed(0.02, 2.0);
    for (const double x : whiteNoise(64, 3)) {
        live.processSample(x);
    }
    const TiltFilter before = live;
    const TiltFilter source = designed(0.03, 3.0);
    live.assignCoefficients(source);

    EXPECT_EQ(live.outputScale(), source.outputScale());
    for (std::size_t i = 0; i < TiltFilter::kSectionCount; ++i) {
        const ShelfSection& s = live.section(i);
        const ShelfSection& want = source.section(i);
        const ShelfSection& old = before.section(i);
        EXPECT_EQ(s.b0, want.b0);
        EXPECT_EQ(s.b1, want.b1);
        EXPECT_EQ(s.b2, want.b2);
        EXPECT_EQ(s.a0, want.a0);
        EXPECT_EQ(s.c1, want.c1);
        EXPECT_EQ(s.c2, want.c2);
        EXPECT_EQ(s.x0, old.x0);
        EXPECT_EQ(s.x1, old.x1);
        EXPECT_EQ(s.x2, old.x2);
        EXPECT_EQ(s.y0, old.y0);
        EXPECT_EQ(s.y1, old.y1);
        EXPECT_EQ(s.y2, old.y2);
        EXPECT_NE(s.y0, 0.0);
    }
}

TEST(TiltFilter, ClearHistoryRestartsLikeAFreshDesign) {
    const auto input = whiteNoise(512, 4);
    TiltFilter used = designed(0.015, 2.5);
    for (const double x : input) {
        used.processSample(x);
    }
    used.clearHistory();
    TiltFilter fresh = designed(0.015, 2.5);
    for (const double x : input) {
        ASSERT_EQ(used.processSample(x), fresh.processSample(x));
    }
}

// Poles of 1 - c1 z^-1 - c2 z^-2 strictly inside the unit circle (the stability triangle).
bool sectionStable(const ShelfSection& s) {
    return std::fabs(s.c2) < 1.0 && std::fabs(s.c1) < 1.0 - s.c2;
}

class TiltLowRates : public ::testing::TestWithParam<double> {};

// Where ten times the corner lies above Nyquist, the upper shelf must still be designed stable:
// a long noise burst at the strongest settings stays finite and bounded.
TEST_P(TiltLowRates, StrongestDesignsStayBounded) {
    const double sampleRate = GetParam();
    const double frequency = shaping::tiltFrequency(sampleRate);
    const auto input = whiteNoise(static_cast<std::size_t>(10.0 * sampleRate), 5);
    for (const double gain :
         {shaping::tiltGain(1.0), shaping::emphasisGain(1.0), 1.0 / shaping::emphasisGain(1.0)}) {
        TiltFilter filter = designed(frequency, gain);
        for (std::size_t i = 0; i < TiltFilter::kSectionCount; ++i) {
            EXPECT_TRUE(sectionStable(filter.section(i))) << gain << " section " << i;
        }
        double peak = 0.0;
        for (const double x : input) {
            const double y = filter.processSample(x);
            ASSERT_TRUE(std::isfinite(y));
            peak = std::max(peak, std::fabs(y));
        }
        // Linear gain is at most g^(3/2) < 6 here; allow for noise peaks adding up.
        EXPECT_LT(peak, 50.0) << gain;
    }
}

INSTANTIATE_TEST_SUITE_P(HostRates, TiltLowRates, ::testing::Values(8000.0, 11025.0, 12000.0));

// The corner limit only touches rates where a corner would reach 0.45 of the rate; from
// 14.5 kHz up the upper shelf keeps its corner, visible as a different response than a shelf
// forced down to the limit.
TEST(TiltFilter, CornerLimitLeavesUsualRatesAlone) {
    for (const double sampleRate : {14500.0, 44100.0}) {
        const double frequency = shaping::tiltFrequency(sampleRate);
        ASSERT_LT(10.0 * frequency, ShelfSection::kMaxCornerFrequency);
        ShelfSection expected;
        expected.designHighShelf(10.0 * frequency, 2.0);
        const TiltFilter filter = designed(frequency, 2.0);
        EXPECT_EQ(filter.section(2).c1, expected.c1);
        ShelfSection limited;
        limited.designHighShelf(ShelfSection::kMaxCornerFrequency, 2.0);
        EXPECT_NE(filter.section(2).c1, limited.c1);
    }
    // Above the limit every corner lands on the same design.
    ShelfSection high;
    high.designHighShelf(0.8, 2.0);
    ShelfSection limited;
    limited.designHighShelf(ShelfSection::kMaxCornerFrequency, 2.0);
    EXPECT_EQ(high.c1, limited.c1);
    EXPECT_EQ(high.b0, limited.b0);
}

} // namespace
} // namespace calderine
