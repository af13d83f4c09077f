#include "shaping/ShapingLaws.h"

#include "shaping/TiltFilter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <ostream>

namespace calderine {
namespace {

TEST(ShapingLaws, LevelsAndCornerAreLiteral) {
    EXPECT_DOUBLE_EQ(shaping::decibelsToGain(0.0), 1.0);
    EXPECT_DOUBLE_EQ(shaping::decibelsToGain(-20.0), 0.1);
    EXPECT_DOUBLE_EQ(shaping::decibelsToGain(6.0), 1.9952623149688795);
    EXPECT_DOUBLE_EQ(shaping::tiltFrequency(44100.0), 0.014739229024943311); // 650 Hz
    EXPECT_DOUBLE_EQ(shaping::tiltFrequency(48000.0), 0.013541666666666667);
    // Full scale is 10 dB per shelf for a tilt and 5 dB per shelf for the emphasis.
    EXPECT_DOUBLE_EQ(shaping::tiltGain(0.0), 1.0);
    EXPECT_DOUBLE_EQ(shaping::tiltGain(0.5), 1.7782794100389228);
    EXPECT_DOUBLE_EQ(shaping::tiltGain(1.0), 3.1622776601683795);
    EXPECT_DOUBLE_EQ(shaping::emphasisGain(0.0), 1.0);
    EXPECT_DOUBLE_EQ(shaping::emphasisGain(0.5), 1.333521432163324);
    EXPECT_DOUBLE_EQ(shaping::emphasisGain(1.0), 1.7782794100389228);
}

enum class Law { Tilt, Emphasis };

struct LawPoint {
    Law law;
    double value;
    double sampleRate;
    double hertz;
    double decibels;
};

void PrintTo(const LawPoint& c, std::ostream* os) {
    *os << (c.law == Law::Tilt ? "tilt " : "emphasis ") << c.value << " at " << c.sampleRate
        << " Hz rate, " << c.hertz << " Hz";
}

class ShapingLawResponse : public ::testing::TestWithParam<LawPoint> {};

// What a parameter value does to the spectrum, in dB at fixed frequencies. The figures come from
// the shelf formulas evaluated on the unit circle by a separate program for a 650 Hz corner and
// 10 dB (tilt) or 5 dB (emphasis) per shelf at full scale: three shelves and the output scale
// give -15 dB at 0 Hz and +15 dB at Nyquist for a full tilt.
TEST_P(ShapingLawResponse, MatchesDecibelFigures) {
    const LawPoint c = GetParam();
    TiltFilter filter;
    filter.design(shaping::tiltFrequency(c.sampleRate),
                  c.law == Law::Tilt ? shaping::tiltGain(c.value) : shaping::emphasisGain(c.value));
    const double decibels = 20.0 * std::log10(filter.magnitudeAt(c.hertz / c.sampleRate));
    EXPECT_NEAR(decibels, c.decibels, 1e-8);
}

INSTANTIATE_TEST_SUITE_P(
    Literals, ShapingLawResponse,
    ::testing::Values(LawPoint{Law::Tilt, 1.0, 44100.0, 0.0, -15.0},
                      LawPoint{Law::Tilt, 1.0, 44100.0, 65.0, -9.822887537602},
                      LawPoint{Law::Tilt, 1.0, 44100.0, 650.0, -0.023438080491},
                      LawPoint{Law::Tilt, 1.0, 44100.0, 6500.0, 9.846325618091},
                      LawPoint{Law::Tilt, 1.0, 44100.0, 22050.0, 15.0},
                      LawPoint{Law::Tilt, 1.0, 48000.0, 0.0, -15.0},
                      LawPoint{Law::Tilt, 1.0, 48000.0, 65.0, -9.822811235234},
                      LawPoint{Law::Tilt, 1.0, 48000.0, 650.0, -0.019839592093},
                      LawPoint{Law::Tilt, 1.0, 48000.0, 6500.0, 9.842650827327},
                      LawPoint{Law::Tilt, 1.0, 48000.0, 24000.0, 15.0},
                      LawPoint{Law::Tilt, 0.5, 44100.0, 0.0, -7.5},
                      LawPoint{Law::Tilt, 0.5, 44100.0, 650.0, -0.011321970004},
                      LawPoint{Law::Tilt, 0.5, 44100.0, 6500.0, 4.926019017611},
                      LawPoint{Law::Tilt, 0.5, 44100.0, 22050.0, 7.5},
                      LawPoint{Law::Tilt, 0.0, 48000.0, 650.0, 0.0},
                      LawPoint{Law::Emphasis, 1.0, 48000.0, 0.0, -7.5},
                      LawPoint{Law::Emphasis, 1.0, 48000.0, 65.0, -4.914660299236},
                      LawPoint{Law::Emphasis, 1.0, 48000.0, 650.0, -0.009584350678},
                      LawPoint{Law::Emphasis, 1.0, 48000.0, 6500.0, 4.924244649917},
                      LawPoint{Law::Emphasis, 1.0, 48000.0, 24000.0, 7.5},
                      LawPoint{Law::Emphasis, 0.5, 44100.0, 0.0, -3.75},
                      LawPoint{Law::Emphasis, 0.5, 44100.0, 65.0, -2.457750944999},
                      LawPoint{Law::Emphasis, 0.5, 44100.0, 650.0, -0.005611639008},
                      LawPoint{Law::Emphasis, 0.5, 44100.0, 22050.0, 3.75}));

} // namespace
} // namespace calderine
