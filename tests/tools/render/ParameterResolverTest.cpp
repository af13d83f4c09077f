// --set resolved through nothing but what a host sees: normalised values and display texts.
#include "tools/render/settings/ParameterResolver.h"

#include "tests/support/BuiltModule.h"
#include "tools/vsthost/HostedEffect.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace calderine {
namespace {

std::vector<float> parameters(HostedEffect& effect) {
    std::vector<float> values;
    for (std::int32_t index = 0; index < effect.parameterCount(); ++index) {
        values.push_back(effect.parameter(index));
    }
    return values;
}

// The text the effect shows once the resolved value is set.
std::string shownAfter(HostedEffect& effect, const ParameterAssignment& assignment) {
    ParameterResolver resolver(effect);
    const std::vector<float> before = parameters(effect);
    const ParameterChange change = resolver.resolve(assignment);
    EXPECT_EQ(parameters(effect), before) << "probing must leave the parameters as they were";
    effect.setParameter(change.index, change.normalised);
    return effect.parameterName(change.index) + "=" + effect.parameterDisplay(change.index);
}

TEST(ParameterResolver, FindsTheValueTheEffectShows) {
    struct Case {
        ParameterAssignment assignment;
        const char* shown;
    };
    const Case cases[] = {
        {{"Tone_Gain", "-6"}, "Tone_Gain=-6.0"},
        {{"Tone_Gain", "+3.04"}, "Tone_Gain=3.0"}, // the nearest value it can show
        {{"Tone_Gain", "3.06"}, "Tone_Gain=3.1"},
        {{"Tone_Gain", "18"}, "Tone_Gain=18.0"},
        {{"Tone_Gain", "-18"}, "Tone_Gain=-18.0"}, // a number, not the word at the end
        {{"Tone_Gain", "mute"}, "Tone_Gain=mute"},
        {{"tone_gain", "-6"}, "Tone_Gain=-6.0"},
        {{"NoiseClipper_Threshold", "off"}, "NoiseClipper_Threshold=off"},
        {{"NoiseClipper_Threshold", "-20"}, "NoiseClipper_Threshold=-20.0"},
        {{"NoiseClipper_Threshold", "-40"}, "NoiseClipper_Threshold=-40.0"},
        {{"NoiseClipper_Threshold", "0"}, "NoiseClipper_Threshold=0.0"},
        {{"DryMix", "25"}, "DryMix=25.0"},
        {{"DryMix", "100"}, "DryMix=100.0"},
        {{"Noise_Tilt", "0.8"}, "Noise_Tilt=0.80"},
        {{"StereoMode", "M/S"}, "StereoMode=M/S"},
        {{"StereoMode", "M"}, "StereoMode=M"},
        {{"StereoMode", "mono"}, "StereoMode=Mono"},
        {{"Bypass", "On"}, "Bypass=On"},
        {{"Bypass", "off"}, "Bypass=Off"},
    };
    HostedEffect effect(builtModule());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.assignment.parameter + "=" + c.assignment.value);
        EXPECT_EQ(shownAfter(effect, c.assignment), c.shown);
    }
}

TEST(ParameterResolver, PicksTheMiddleOfWhatShowsTheValue) {
    HostedEffect effect(builtModule());
    ParameterResolver resolver(effect);
    // "M/S" covers 0.375 up to 0.625, "-6.0" dB covers (-6.05 + 18) / 36 up to (-5.95 + 18) / 36.
    EXPECT_NEAR(resolver.resolve({"StereoMode", "M/S"}).normalised, 0.5f, 1e-6f);
    EXPECT_NEAR(resolver.resolve({"Tone_Gain", "-6"}).normalised, 12.0f / 36.0f, 1e-6f);
    EXPECT_EQ(resolver.resolve({"Tone_Gain", "mute"}).normalised, 0.0f);
    EXPECT_EQ(resolver.resolve({"NoiseClipper_Threshold", "off"}).normalised, 1.0f);
}

TEST(ParameterResolver, TakesNormalisedValuesByNameOrIndex) {
    HostedEffect effect(builtModule());
    ParameterResolver resolver(effect);
    const ParameterChange byIndex = resolver.resolve({"3", "0.25", true});
    EXPECT_EQ(byIndex.index, 3);
    EXPECT_EQ(byIndex.normalised, 0.25f);
    const ParameterChange byName = resolver.resolve({"DryMix", "1", true});
    EXPECT_EQ(byName.index, 5);
    EXPECT_EQ(byName.normalised, 1.0f);
}

TEST(ParameterResolver, RefusesWithEveryNameAndRange) {
    struct Case {
        ParameterAssignment assignment;
        const char* problem;
    };
    const Case cases[] = {
        {{"Loudness", "3"}, "Loudness=3: unknown parameter 'Loudness'"},
        {{"Tone_Gain", "25"}, "Tone_Gain=25: out of range"},
        {{"Tone_Gain", "-18.5"}, "Tone_Gain=-18.5: out of range"},
        {{"DryMix", "-1"}, "DryMix=-1: out of range"},
        {{"DryMix", "lots"}, "DryMix=lots: not a value DryMix takes"},
        {{"Tone_Gain", ""}, "Tone_Gain=: not a value Tone_Gain takes"},
        {{"StereoMode", "Quad"}, "not a value StereoMode takes"},
        {{"StereoMode", "2"}, "not a value StereoMode takes"},
        {{"Tone_Gain", "1.5", true}, "a normalised value is a number from 0 to 1"},
        {{"Tone_Gain", "-0.1", true}, "a normalised value is a number from 0 to 1"},
        {{"Tone_Gain", "half", true}, "a normalised value is a number from 0 to 1"},
        {{"10", "0.5", true}, "unknown parameter '10'"},
    };
    const char* listed[] = {
        "; parameters: Tone_Gain (mute .. 18.0 dB), NoiseClipper_Threshold (-40.0 .. off), ",
        "DryMix (0.0 .. 100.0 %)",
        "StereoMode (Mono, Stereo, M/S, M, S)",
        "Bypass (Off, On)",
        "Separation_Slope (0.00 .. 1.00)",
    };
    HostedEffect effect(builtModule());
    ParameterResolver resolver(effect);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.assignment.parameter + "=" + c.assignment.value);
        try {
            resolver.resolve(c.assignment);
            ADD_FAILURE() << "accepted";
        } catch (const ParameterError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(c.problem), std::string::npos) << message;
            for (const char* fragment : listed) {
                EXPECT_NE(message.find(fragment), std::string::npos) << message;
            }
            EXPECT_EQ(message.find('\n'), std::string::npos);
        }
    }
}

TEST(ParameterResolver, FollowsNumbersThatFallAsTheNormalisedValueRises) {
    HostedEffect effect(std::make_shared<const PluginModule>(CALDERINE_FAKE_DELAY_MODULE));
    ParameterResolver resolver(effect);
    // The stand-in shows 10 - 20 * normalised.
    EXPECT_NEAR(resolver.resolve({"Level", "5"}).normalised, 0.25f, 0.0026f);
    EXPECT_EQ(shownAfter(effect, {"Level", "5"}), "Level=5.0");
    EXPECT_EQ(shownAfter(effect, {"Level", "-10"}), "Level=-10.0");
    EXPECT_THROW(resolver.resolve({"Level", "10.5"}), ParameterError);
}

} // namespace
} // namespace calderine
