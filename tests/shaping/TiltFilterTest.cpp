#include "shaping/TiltFilter.h"

#include "tests/support/TestSignal.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <ostream>
#include <random>
#include <utility>
#include <vector>

namespace calderine {
namespace {

std::vector<double> whiteNoise(std::size_t length, unsigned seed) {
    return testing::uniformNoise(length, seed);
}

TiltFilter designed(double frequency, double gain) {
    TiltFilter filter;
    filter.design(frequency, gain);
    return filter;
}

// Linear gains of 10 dB, 5 dB and 2.5 dB.
constexpr double k10dB = 3.1622776601683795;
constexpr double k5dB = 1.7782794100389228;
constexpr double k2p5dB = 1.333521432163324;

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
    const TiltFilter filter = designed(650.0 / sampleRate, gain);
    const double expected = std::pow(gain, 1.5);
    EXPECT_NEAR(filter.magnitudeAt(0.0), 1.0 / expected, 1e-9 / expected);
    EXPECT_NEAR(filter.magnitudeAt(0.5), expected, 1e-9 * expected);

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
                         ::testing::Values(EndGainCase{44100.0, k10dB}, EndGainCase{44100.0, k5dB},
                                           EndGainCase{44100.0, 1.0 / k5dB},
                                           EndGainCase{48000.0, k2p5dB},
                                           EndGainCase{96000.0, k10dB}, EndGainCase{8000.0, k10dB},
                                           EndGainCase{12000.0, 1.0 / k10dB}));

TEST(TiltFilter, EmphasisFollowedByDeEmphasisIsFlat) {
    const auto input = whiteNoise(20000, 2);
    for (const double sampleRate : {44100.0, 11025.0}) {
        const double frequency = 650.0 / sampleRate;
        const double gain = k5dB;
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
    const double frequency = 650.0 / sampleRate;
    const auto input = whiteNoise(static_cast<std::size_t>(10.0 * sampleRate), 5);
    for (const double gain : {k10dB, k5dB, 1.0 / k5dB}) {
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
        const double frequency = 650.0 / sampleRate;
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

struct ResponsePoint {
    double sampleRate;
    double gain;
    double hertz;
    double magnitude;
};

void PrintTo(const ResponsePoint& c, std::ostream* os) {
    *os << c.sampleRate << " Hz rate, gain " << c.gain << ", at " << c.hertz << " Hz";
}

class TiltResponse : public ::testing::TestWithParam<ResponsePoint> {};

// The tilt designed at 650 Hz: the cascade of the bilinear shelf formulas (1/(2Q) =
// 1.1661481194695427), evaluated on the unit circle in double precision by a separate program.
// 0 Hz and Nyquist are g^(-3/2) and g^(3/2) exactly; at 650 Hz the tilt is within 0.03 dB of
// flat; at 65 Hz and 6.5 kHz (a decade either side) the shelves are half-way, which pins Q.
TEST_P(TiltResponse, MatchesShelfCascade) {
    const ResponsePoint c = GetParam();
    const TiltFilter filter = designed(650.0 / c.sampleRate, c.gain);
    EXPECT_NEAR(filter.magnitudeAt(c.hertz / c.sampleRate), c.magnitude, 1e-10 * c.magnitude);
}

INSTANTIATE_TEST_SUITE_P(
    Literals, TiltResponse,
    ::testing::Values(ResponsePoint{44100.0, k10dB, 0.0, 0.17782794100389226},
                      ResponsePoint{44100.0, k10dB, 65.0, 0.32274210193403574},
                      ResponsePoint{44100.0, k10dB, 650.0, 0.99730522869503035},
                      ResponsePoint{44100.0, k10dB, 6500.0, 3.1068213496480586},
                      ResponsePoint{44100.0, k10dB, 22050.0, 5.6234132519034912},
                      ResponsePoint{44100.0, k5dB, 0.0, 0.4216965034285823},
                      ResponsePoint{44100.0, k5dB, 65.0, 0.56789121134926901},
                      ResponsePoint{44100.0, k5dB, 650.0, 0.99869735920629588},
                      ResponsePoint{44100.0, k5dB, 6500.0, 1.7631974573110933},
                      ResponsePoint{44100.0, k5dB, 22050.0, 2.3713737056616546},
                      ResponsePoint{48000.0, k10dB, 65.0, 0.32274493711794844},
                      ResponsePoint{48000.0, k10dB, 650.0, 0.99771848916106542},
                      ResponsePoint{48000.0, k10dB, 6500.0, 3.1055072063527849},
                      ResponsePoint{48000.0, k5dB, 65.0, 0.56789361399539329},
                      ResponsePoint{48000.0, k5dB, 650.0, 0.99889716941531048},
                      ResponsePoint{48000.0, k5dB, 6500.0, 1.7628373052477968}));

// A boost tilt rises steadily from DC to Nyquist and a cut tilt falls: no shelf overshoots.
TEST(TiltFilter, ResponseIsMonotonic) {
    for (const double sampleRate : {44100.0, 48000.0, 96000.0}) {
        for (const double gain : {k10dB, k2p5dB, 1.0 / k5dB}) {
            const TiltFilter filter = designed(650.0 / sampleRate, gain);
            double previous = filter.magnitudeAt(0.0);
            for (int i = 1; i <= 2000; ++i) {
                const double current = filter.magnitudeAt(0.5 * i / 2000.0);
                ASSERT_TRUE(gain > 1.0 ? current > previous : current < previous)
                    << sampleRate << " Hz, gain " << gain << ", step " << i;
                previous = current;
            }
        }
    }
}

struct ShelfPoint {
    bool high;
    double corner;
    double gain;
    double frequency;
    double magnitude;
};

void PrintTo(const ShelfPoint& c, std::ostream* os) {
    *os << (c.high ? "high" : "low") << " shelf at " << c.corner << ", gain " << c.gain << ", at "
        << c.frequency;
}

class ShelfResponse : public ::testing::TestWithParam<ShelfPoint> {};

// One section against the same independently evaluated formulas. A shelf passes its full gain
// at one end, unity at the other and sqrt(gain) at its corner for any Q; half and twice the
// corner depend on Q.
TEST_P(ShelfResponse, MatchesShelfFormulas) {
    const ShelfPoint c = GetParam();
    ShelfSection section;
    if (c.high) {
        section.designHighShelf(c.corner, c.gain);
    } else {
        section.designLowShelf(c.corner, c.gain);
    }
    EXPECT_NEAR(section.magnitudeAt(c.frequency), c.magnitude, 1e-10 * c.magnitude);
}

INSTANTIATE_TEST_SUITE_P(
    Literals, ShelfResponse,
    ::testing::Values(ShelfPoint{false, 0.01, 4.0, 0.0, 4.0},
                      ShelfPoint{false, 0.01, 4.0, 0.005, 2.7910172473230812},
                      ShelfPoint{false, 0.01, 4.0, 0.01, 2.0},
                      ShelfPoint{false, 0.01, 4.0, 0.02, 1.4327142996002573},
                      ShelfPoint{false, 0.01, 4.0, 0.5, 1.0}, ShelfPoint{true, 0.1, 0.25, 0.0, 1.0},
                      ShelfPoint{true, 0.1, 0.25, 0.05, 0.70526117250734532},
                      ShelfPoint{true, 0.1, 0.25, 0.1, 0.5},
                      ShelfPoint{true, 0.1, 0.25, 0.2, 0.34213548529018245},
                      ShelfPoint{true, 0.1, 0.25, 0.5, 0.25},
                      // At 8 kHz a corner asked for at 3840 Hz (0.48)
                      // sits at 3600 Hz (0.45 of the rate): sqrt(gain)
                      // there, where a limit of 0.49 gives 1.31 (high) and 3.06.
                      ShelfPoint{true, 0.48, 4.0, 0.45, 2.0},
                      ShelfPoint{false, 0.48, 4.0, 0.45, 2.0}));

// Amplitude of the steady-state response to a unit sine, by correlation over whole periods.
double measuredGain(TiltFilter filter, double frequency, std::size_t settle, std::size_t span) {
    const double w = 2.0 * std::numbers::pi * frequency;
    double inPhase = 0.0;
    double quadrature = 0.0;
    for (std::size_t n = 0; n < settle + span; ++n) {
        const double phase = w * static_cast<double>(n);
        const double y = filter.processSample(std::sin(phase));
        if (n >= settle) {
            inPhase += y * std::sin(phase);
            quadrature += y * std::cos(phase);
        }
    }
    return 2.0 * std::hypot(inPhase, quadrature) / static_cast<double>(span);
}

// The query describes what processSample does: sines through the running filter come out with
// the amplitude the query predicts.
TEST(TiltFilter, MagnitudeAtMatchesMeasuredSines) {
    for (const double gain : {k10dB, 1.0 / k5dB}) {
        const TiltFilter filter = designed(650.0 / 48000.0, gain);
        // Each frequency fits a whole number of periods into 4800 samples.
        for (const double hertz : {100.0, 600.0, 1000.0, 4000.0, 12000.0, 16000.0}) {
            const double frequency = hertz / 48000.0;
            EXPECT_NEAR(measuredGain(filter, frequency, 48000, 4800), filter.magnitudeAt(frequency),
                        1e-7)
                << hertz << " Hz, gain " << gain;
        }
    }
}

} // namespace
} // namespace calderine

namespace calderine {
namespace {

// Two filters ticked as a lane pair give, to the bit, what each gives alone sample by sample,
// and leave the same histories behind: a later sample-by-sample run continues identically.
// Designs of opposite tilt, and a run started mid-signal so that the histories are not zero.
TEST(TiltFilter, PairedFiltersMatchTheirOwnSamples) {
    const std::vector<double> a = whiteNoise(700, 31);
    const std::vector<double> b = whiteNoise(700, 32);
    TiltFilter soloFirst = designed(0.0135, 3.1622776601683795);
    TiltFilter soloSecond = designed(0.0074, 0.5623413251903491);
    TiltFilter pairFirst = soloFirst;
    TiltFilter pairSecond = soloSecond;
    std::vector<double> pairA(a);
    std::vector<double> pairB(b);
    for (const auto& [begin, end] :
         {std::pair<std::size_t, std::size_t>{0, 5}, {5, 261}, {261, 262}, {262, 650}}) {
        TiltFilter::processPair(pairFirst, pairA.data() + begin, pairSecond, pairB.data() + begin,
                                end - begin);
        for (std::size_t i = begin; i < end; ++i) {
            ASSERT_EQ(pairA[i], soloFirst.processSample(a[i])) << i;
            ASSERT_EQ(pairB[i], soloSecond.processSample(b[i])) << i;
        }
    }
    for (std::size_t i = 650; i < a.size(); ++i) {
        ASSERT_EQ(pairFirst.processSample(a[i]), soloFirst.processSample(a[i])) << i;
        ASSERT_EQ(pairSecond.processSample(b[i]), soloSecond.processSample(b[i])) << i;
    }
}

} // namespace
} // namespace calderine

namespace calderine {
namespace {

// Both builds of the four-lane loop give each filter, to the bit, what it gives alone, and leave
// its histories as the lone filter would. Four designs of different corners and tilts, run over
// segments of uneven lengths so that histories carry across calls.
TEST(TiltFilter, QuadFiltersMatchTheirOwnSamplesInEveryBuild) {
    const double corners[4] = {0.0135, 0.0074, 0.0021, 0.03};
    const double gains[4] = {3.1622776601683795, 0.5623413251903491, 1.7782794100389228, 0.1};
    for (const bool wide : {false, true}) {
        const TiltFilter::QuadKernel quad = TiltFilter::quadKernel(wide);
        TiltFilter solo[4];
        TiltFilter lanes[4];
        std::vector<double> inputs[4];
        std::vector<double> outputs[4];
        for (std::size_t k = 0; k < 4; ++k) {
            solo[k] = designed(corners[k], gains[k]);
            lanes[k] = solo[k];
            inputs[k] = whiteNoise(600, 40 + static_cast<unsigned>(k));
            outputs[k] = inputs[k];
        }
        TiltFilter* const filters[4] = {&lanes[0], &lanes[1], &lanes[2], &lanes[3]};
        // Blocks of every length the lane loop treats apart (none, one sample, two, three and
        // more), each taking over the state the one before left.
        for (const auto& [begin, end] : {std::pair<std::size_t, std::size_t>{0, 3},
                                         {3, 5},
                                         {5, 261},
                                         {261, 262},
                                         {262, 262},
                                         {262, 550}}) {
            double* const signals[4] = {outputs[0].data() + begin, outputs[1].data() + begin,
                                        outputs[2].data() + begin, outputs[3].data() + begin};
            quad(filters, signals, end - begin);
        }
        for (std::size_t k = 0; k < 4; ++k) {
            for (std::size_t i = 0; i < 550; ++i) {
                ASSERT_EQ(outputs[k][i], solo[k].processSample(inputs[k][i]))
                    << "wide " << wide << ", filter " << k << ", sample " << i;
            }
            for (std::size_t i = 550; i < 600; ++i) {
                ASSERT_EQ(lanes[k].processSample(inputs[k][i]), solo[k].processSample(inputs[k][i]))
                    << "wide " << wide << ", filter " << k << ", sample " << i;
            }
        }
    }
}

} // namespace
} // namespace calderine
