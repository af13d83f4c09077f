#include "effect/Parameter.h"

#include "effect/ParameterTable.h"
#include "tests/support/DocumentedParameters.h"

#include <clocale>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <string>

namespace calderine {
namespace {

std::string display(const Parameter& parameter, double plain) {
    char text[Parameter::kDisplayLength + 1];
    std::memset(text, 'x', sizeof text);
    parameter.displayText(plain, text);
    return text;
}

struct NormalisedCase {
    std::size_t index;
    float normalised;
    double value;
    const char* text;
};

// Readable case names in test listings.
void PrintTo(const NormalisedCase& c, std::ostream* os) {
    *os << kParameterTable[c.index].name << " at " << c.normalised;
}

class ParameterFromNormalised : public ::testing::TestWithParam<NormalisedCase> {};

TEST_P(ParameterFromNormalised, GivesValueAndDisplay) {
    const NormalisedCase c = GetParam();
    const Parameter parameter(kParameterTable[c.index]);
    const double value = parameter.fromNormalized(c.normalised);
    EXPECT_NEAR(value, c.value, 1e-6);
    EXPECT_EQ(display(parameter, value), c.text);
}

using namespace parameterIndex;

INSTANTIATE_TEST_SUITE_P(EdgeCases, ParameterFromNormalised,
                         ::testing::Values(NormalisedCase{toneGain, 0.0f, -18.0, "mute"},
                                           NormalisedCase{toneGain, 1.0f, 18.0, "18.0"},
                                           NormalisedCase{toneGain, -0.5f, -18.0, "mute"},
                                           NormalisedCase{toneGain, 1.5f, 18.0, "18.0"},
                                           NormalisedCase{toneGain, 0.001f, -17.964, "-18.0"},
                                           NormalisedCase{clipperThreshold, 1.0f, 0.0, "off"},
                                           NormalisedCase{clipperThreshold, 0.5f, -20.0, "-20.0"},
                                           NormalisedCase{noiseTilt, 0.5f, 0.5, "0.50"},
                                           NormalisedCase{stereoMode, 0.12f, 0.48, "Mono"},
                                           NormalisedCase{stereoMode, 0.125f, 0.5, "Stereo"},
                                           NormalisedCase{stereoMode, 1.0f, 4.0, "S"},
                                           NormalisedCase{bypass, 0.49f, 0.0, "Off"},
                                           NormalisedCase{bypass, 0.5f, 1.0, "On"},
                                           NormalisedCase{dryMix, 0.5f, 50.0, "50.0"},
                                           NormalisedCase{dryMix, -0.5f, 0.0, "0.0"},
                                           NormalisedCase{dryMix, 1.5f, 100.0, "100.0"}));

// Ends of the range are exact, not merely close.
TEST(Parameter, RangeEndsAreExact) {
    for (const auto& descriptor : kParameterTable) {
        const Parameter parameter(descriptor);
        EXPECT_EQ(parameter.fromNormalized(0.0f), descriptor.minimum) << descriptor.name;
        EXPECT_EQ(parameter.fromNormalized(1.0f), descriptor.maximum) << descriptor.name;
    }
}

// A NaN from the host must still give a usable plain value: the minimum, for every kind.
TEST(Parameter, NanNormalisedGivesMinimum) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const auto& descriptor : kParameterTable) {
        const Parameter parameter(descriptor);
        EXPECT_EQ(parameter.fromNormalized(nan), descriptor.minimum) << descriptor.name;
    }
}

struct DisplayCase {
    std::size_t index;
    double plain;
    const char* text;
};

void PrintTo(const DisplayCase& c, std::ostream* os) {
    *os << kParameterTable[c.index].name << " = " << c.plain;
}

class ParameterDisplay : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(ParameterDisplay, RoundsHalfUp) {
    const DisplayCase c = GetParam();
    const Parameter parameter(kParameterTable[c.index]);
    EXPECT_EQ(display(parameter, c.plain), c.text);
}

INSTANTIATE_TEST_SUITE_P(Rounding, ParameterDisplay,
                         ::testing::Values(DisplayCase{toneGain, 2.25, "2.3"},
                                           DisplayCase{toneGain, -2.25, "-2.2"},
                                           DisplayCase{toneGain, -0.04, "0.0"},
                                           DisplayCase{clipperEmphasis, 0.125, "0.13"},
                                           DisplayCase{dryMix, 33.33, "33.3"},
                                           DisplayCase{stereoMode, 1.2, "Stereo"},
                                           DisplayCase{stereoMode, 2.5, "M"}));

// Whatever the value, the text fits 8 characters, is terminated, and a choice parameter names
// one of its entries.
INSTANTIATE_TEST_SUITE_P(OutOfRange, ParameterDisplay,
                         ::testing::Values(DisplayCase{toneGain, -123456.75, "-123456."},
                                           DisplayCase{toneGain, 1e300, "10000000"},
                                           DisplayCase{stereoMode, 9.0, "S"},
                                           DisplayCase{stereoMode, -3.0, "Mono"},
                                           DisplayCase{stereoMode, std::nan(""), "Mono"},
                                           DisplayCase{bypass, 1e300, "On"}));

TEST(Parameter, DisplayNeverWritesPastNinthByte) {
    const double values[] = {1e300,        -1e300,  std::numeric_limits<double>::infinity(),
                             std::nan(""), -1e-300, 12345678.9};
    for (const auto& descriptor : kParameterTable) {
        const Parameter parameter(descriptor);
        for (const double v : values) {
            char text[16];
            std::memset(text, 'x', sizeof text);
            parameter.displayText(v, text);
            EXPECT_LE(std::strlen(text), Parameter::kDisplayLength) << descriptor.name << v;
            for (std::size_t i = Parameter::kDisplayLength + 1; i < sizeof text; ++i) {
                EXPECT_EQ(text[i], 'x') << descriptor.name << v;
            }
        }
    }
}

TEST(Parameter, ToNormalised) {
    const Parameter toneGainParameter(kParameterTable[toneGain]);
    EXPECT_EQ(toneGainParameter.toNormalized(1.0), static_cast<float>(19.0 / 36.0));
    const Parameter dryMixParameter(kParameterTable[dryMix]);
    EXPECT_EQ(dryMixParameter.toNormalized(50.0), 0.5f);
}

TEST(Parameter, EngineValueConvertsRoundedDecibels) {
    Parameter gain(kParameterTable[toneGain]);
    gain.store(6.0);
    EXPECT_DOUBLE_EQ(gain.engineValue(), 1.9952623149688797);
    // -17.964 dB is kept to one decimal (-18.0) before the conversion.
    gain.store(-17.964);
    EXPECT_DOUBLE_EQ(gain.engineValue(), 0.12589254117941673);

    Parameter threshold(kParameterTable[clipperThreshold]);
    threshold.store(-40.0);
    EXPECT_DOUBLE_EQ(threshold.engineValue(), 0.01);

    Parameter mix(kParameterTable[dryMix]);
    mix.store(33.33);
    EXPECT_DOUBLE_EQ(mix.engineValue(), 33.3);
    Parameter mode(kParameterTable[stereoMode]);
    mode.store(2.5);
    EXPECT_EQ(mode.engineValue(), 3.0);
}

// Every row of the documented parameter list: name, unit, both ends of the range with their
// texts, and the default as plain value, normalised value and text.
TEST(Parameter, DocumentedRows) {
    static_assert(testing::kDocumentedParameterCount == kParameterCount);
    for (std::size_t i = 0; i < kParameterCount; ++i) {
        const testing::DocumentedParameter& row = testing::kDocumentedParameters[i];
        SCOPED_TRACE(row.name);
        const Parameter p(kParameterTable[i]);
        EXPECT_STREQ(p.descriptor.name, row.name);
        if (*row.label == '\0') {
            EXPECT_EQ(p.descriptor.unit, nullptr);
        } else {
            EXPECT_STREQ(p.descriptor.unit, row.label);
        }
        EXPECT_EQ(p.fromNormalized(0.0f), row.minimum);
        EXPECT_EQ(display(p, row.minimum), row.minimumDisplay);
        EXPECT_EQ(p.fromNormalized(1.0f), row.maximum);
        EXPECT_EQ(display(p, row.maximum), row.maximumDisplay);
        EXPECT_EQ(p.current(), row.defaultValue);
        EXPECT_EQ(p.toNormalized(p.current()), row.defaultNormalised);
        EXPECT_EQ(display(p, p.current()), row.defaultDisplay);
        EXPECT_FALSE(p.changed.load());
    }
}

struct InteriorCase {
    std::size_t index;
    float normalised;
    const char* text;
    double engineValue; // decibels as amplitude factors, 10^(dB / 20)
};

void PrintTo(const InteriorCase& c, std::ostream* os) {
    *os << kParameterTable[c.index].name << " at " << c.normalised;
}

class ParameterInterior : public ::testing::TestWithParam<InteriorCase> {};

// Inside the range: the text and the engine value both keep the documented number of decimals
// (one for gains, threshold and mix, two for the 0..1 controls), rounded half up.
TEST_P(ParameterInterior, DisplayAndEngineValue) {
    const InteriorCase c = GetParam();
    Parameter parameter(kParameterTable[c.index]);
    parameter.store(parameter.fromNormalized(c.normalised));
    EXPECT_EQ(display(parameter, parameter.current()), c.text);
    EXPECT_NEAR(parameter.engineValue(), c.engineValue, 1e-12 * std::fabs(c.engineValue));
}

INSTANTIATE_TEST_SUITE_P(
    Documented, ParameterInterior,
    ::testing::Values(
        InteriorCase{toneGain, 0.25f, "-9.0", 0.35481338923357547},    // -9 dB
        InteriorCase{toneGain, 0.75f, "9.0", 2.8183829312644537},      // 9 dB
        InteriorCase{noiseGain, 0.125f, "-13.5", 0.21134890398366465}, // -13.5 dB
        InteriorCase{noiseGain, 0.6f, "3.6", 1.5135612484362082},      // 3.6000009 dB
        InteriorCase{clipperThreshold, 0.25f, "-30.0", 0.03162277660168379},
        InteriorCase{clipperThreshold, 0.8f, "-8.0", 0.3981071705534972},
        InteriorCase{clipperEmphasis, 0.3f, "0.30", 0.3},
        InteriorCase{noiseTilt, 0.7f, "0.70", 0.7}, // 0.69999999 as a float
        InteriorCase{dryMix, 0.25f, "25.0", 25.0}, InteriorCase{dryMix, 0.4567f, "45.7", 45.7},
        InteriorCase{stereoMode, 0.5f, "M/S", 2.0}, InteriorCase{stereoMode, 0.75f, "M", 3.0},
        InteriorCase{bypass, 0.25f, "Off", 0.0}, InteriorCase{bypass, 0.75f, "On", 1.0},
        InteriorCase{toneTilt, 0.125f, "0.13", 0.13}, // half up from 0.125
        InteriorCase{separationSlope, 0.333f, "0.33", 0.33}));

TEST(Parameter, ChangeIsTakenOnce) {
    Parameter parameter(kParameterTable[noiseTilt]);
    EXPECT_FALSE(parameter.takeChange());
    parameter.store(0.75);
    EXPECT_TRUE(parameter.takeChange());
    EXPECT_EQ(parameter.current(), 0.75);
    EXPECT_FALSE(parameter.takeChange());
    parameter.markChanged();
    EXPECT_TRUE(parameter.takeChange());
}

// The text must not follow the process locale's decimal separator.
TEST(Parameter, DisplayIgnoresLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    // The last name is how the Windows C runtime spells a German locale.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
        std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr &&
        std::setlocale(LC_NUMERIC, "German_Germany.1252") == nullptr) {
        GTEST_SKIP() << "no locale with a comma decimal separator installed";
    }
    const Parameter parameter(kParameterTable[toneGain]);
    const std::string text = display(parameter, 2.25);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(text, "2.3");
}

} // namespace
} // namespace calderine
