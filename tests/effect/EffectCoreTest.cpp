#include "effect/EffectCore.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace calderine {
namespace {

using namespace parameterIndex;

std::string display(const EffectCore& core, std::size_t index) {
    char text[Parameter::kDisplayLength + 1];
    std::memset(text, 'x', sizeof text);
    core.displayText(index, text);
    return text;
}

struct PlainCase {
    std::size_t index;
    double plain;     // as set
    double stored;    // clamped and rounded to the displayed decimals
    float normalised; // what a VST host reads back for it
    const char* text;
};

void PrintTo(const PlainCase& c, std::ostream* os) {
    *os << kParameterTable[c.index].name << " at " << c.plain;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// clang-format off
const PlainCase kPlainCases[] = {
    {toneGain,         6.0,       6.0,   0.6666667f, "6.0"},
    {toneGain,         6.04,      6.0,   0.6666667f, "6.0"},
    {toneGain,         -2.25,     -2.2,  0.4388889f, "-2.2"},  // half up, also below zero
    {toneGain,         -17.96,    -18.0, 0.0f,       "mute"},  // rounds onto the minimum
    {toneGain,         -30.0,     -18.0, 0.0f,       "mute"},
    {toneGain,         kNaN,      -18.0, 0.0f,       "mute"},
    {toneGain,         kInfinity, 18.0,  1.0f,       "18.0"},
    {clipperThreshold, -20.0,     -20.0, 0.5f,       "-20.0"},
    {clipperThreshold, 0.0,       0.0,   1.0f,       "off"},
    {clipperEmphasis,  0.254,     0.25,  0.25f,      "0.25"},
    {noiseTilt,        0.75,      0.75,  0.75f,      "0.75"},
    {noiseGain,        -6.0,      -6.0,  0.3333333f, "-6.0"},
    {dryMix,           33.33,     33.3,  0.333f,     "33.3"},
    {dryMix,           150.0,     100.0, 1.0f,       "100.0"},
    {stereoMode,       2.0,       2.0,   0.5f,       "M/S"},
    {stereoMode,       2.6,       3.0,   0.75f,      "M"},
    {stereoMode,       -1.0,      0.0,   0.0f,       "Mono"},
    {bypass,           1.0,       1.0,   1.0f,       "On"},
    {bypass,           0.4,       0.0,   0.0f,       "Off"},
    {bypass,           0.5,       1.0,   1.0f,       "On"},
    {toneTilt,         1.0,       1.0,   1.0f,       "1.00"},
    {separationSlope,  0.5,       0.5,   0.5f,       "0.50"},
};
// clang-format on

class PlainValue : public ::testing::TestWithParam<PlainCase> {};

// A plain value and its normalised counterpart name the same setting: the same text, and plain
// values that agree to within the displayed decimals.
TEST_P(PlainValue, AgreesWithItsNormalisedValue) {
    const PlainCase c = GetParam();
    EffectCore byPlain;
    byPlain.setPlain(c.index, c.plain);
    EXPECT_NEAR(byPlain.plain(c.index), c.stored, 1e-12);
    EXPECT_NEAR(byPlain.normalized(c.index), c.normalised, 1e-6f);
    EXPECT_EQ(display(byPlain, c.index), c.text);

    EffectCore byNormalised;
    byNormalised.setNormalized(c.index, c.normalised);
    EXPECT_EQ(display(byNormalised, c.index), c.text);
    EXPECT_NEAR(byNormalised.plain(c.index), c.stored, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Table, PlainValue, ::testing::ValuesIn(kPlainCases));

} // namespace
} // namespace calderine
