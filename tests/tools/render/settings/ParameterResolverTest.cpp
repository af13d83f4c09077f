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

// Every way a person writes a value, through the one generic reading of display texts: names,
// words and units in any case, the unit optional and with or without a space, a value within
// half a display step beyond an end taken as that end; anything else refused naming the one
// parameter and what it takes.
TEST(ParameterResolver, TakesWhatPeopleWriteAndRefusesTheRestWithTheRange) {
    struct Case {
        ParameterAssignment assignment;
        const char* shown;   // what the effect shows once the value is set; null: refused
        const char* problem; // for a refusal, a part of the message
    };
    const char* toneRange = "Tone_Gain takes mute, -18.0 .. 18.0 dB";
    const Case cases[] = {
        {{"Tone_Gain", "-6"}, "Tone_Gain=-6.0", nullptr},
        {{"Tone_Gain", "+3.04"}, "Tone_Gain=3.0", nullptr}, // the nearest value it can show
        {{"Tone_Gain", "3.06"}, "Tone_Gain=3.1", nullptr},
        {{"Tone_Gain", "18"}, "Tone_Gain=18.0", nullptr},
        {{"Tone_Gain", "-18"}, "Tone_Gain=-18.0", nullptr}, // a number, not the word at the end
        {{"Tone_Gain", "mute"}, "Tone_Gain=mute", nullptr},
        {{"Tone_Gain", "MUTE"}, "Tone_Gain=mute", nullptr},
        {{"tone_gain", "-6"}, "Tone_Gain=-6.0", nullptr},
        {{"Tone_Gain", "-6dB"}, "Tone_Gain=-6.0", nullptr},
        {{"Tone_Gain", "-6db"}, "Tone_Gain=-6.0", nullptr},
        {{"Tone_Gain", "-6 DB"}, "Tone_Gain=-6.0", nullptr},
        {{"Tone_Gain", " -6 dB "}, "Tone_Gain=-6.0", nullptr},
        // Within half of the 0.1 dB step beyond an end: that end.
        {{"Tone_Gain", "-18.04"}, "Tone_Gain=-18.0", nullptr},
        {{"Tone_Gain", "18.05"}, "Tone_Gain=18.0", nullptr},
        {{"Tone_Gain", "-18.04 dB"}, "Tone_Gain=-18.0", nullptr},
        {{"NoiseClipper_Threshold", "off"}, "NoiseClipper_Threshold=off", nullptr},
        {{"NoiseClipper_Threshold", "OFF"}, "NoiseClipper_Threshold=off", nullptr},
        {{"NoiseClipper_Threshold", "-20"}, "NoiseClipper_Threshold=-20.0", nullptr},
        {{"NoiseClipper_Threshold", "-40"}, "NoiseClipper_Threshold=-40.0", nullptr},
        {{"NoiseClipper_Threshold", "-40.05"}, "NoiseClipper_Threshold=-40.0", nullptr},
        {{"NoiseClipper_Threshold", "0"}, "NoiseClipper_Threshold=0.0", nullptr},
        {{"DryMix", "25"}, "DryMix=25.0", nullptr},
        {{"DryMix", "25%"}, "DryMix=25.0", nullptr},
        {{"DryMix", "25 %"}, "DryMix=25.0", nullptr},
        {{"DryMix", "100"}, "DryMix=100.0", nullptr},
        {{"Noise_Tilt", "0.8"}, "Noise_Tilt=0.80", nullptr},
        {{"Noise_Tilt", "1.004"}, "Noise_Tilt=1.00", nullptr},
        {{"StereoMode", "M/S"}, "StereoMode=M/S", nullptr},
        {{"StereoMode", "m/s"}, "StereoMode=M/S", nullptr},
        {{"StereoMode", "M"}, "StereoMode=M", nullptr},
        {{"StereoMode", "mono"}, "StereoMode=Mono", nullptr},
        {{"Bypass", "On"}, "Bypass=On", nullptr},
        {{"Bypass", "off"}, "Bypass=Off", nullptr},

        {{"Tone_Gain", "25"}, nullptr, "Tone_Gain=25: out of range; Tone_Gain takes mute, -18.0"},
        {{"Tone_Gain", "-18.06"}, nullptr, toneRange}, // beyond half a step
        {{"Tone_Gain", "-18.5"}, nullptr, "Tone_Gain=-18.5: out of range"},
        {{"tone_gain", "19"}, nullptr, toneRange},
        {{"Tone_Gain", "-6 Hz"}, nullptr, toneRange},
        {{"Tone_Gain", "-6 %"}, nullptr, toneRange},
        {{"Tone_Gain", "-6 dB dB"}, nullptr, toneRange},
        {{"Tone_Gain", ""}, nullptr, "Tone_Gain=: not a value"},
        {{"Tone_Gain", "dB"}, nullptr, toneRange},
        {{"NoiseClipper_Threshold", "-41"},
         nullptr,
         "NoiseClipper_Threshold takes -40.0 .. 0.0, off"},
        // The effect labels the threshold with no unit, so a unit cannot be checked.
        {{"NoiseClipper_Threshold", "-20dB"},
         nullptr,
         "shows no unit for it; give the number alone"},
        {{"NoiseClipper_Threshold", "-20 dB"}, nullptr, "shows no unit"},
        {{"DryMix", "-1"}, nullptr, "DryMix=-1: out of range; DryMix takes 0.0 .. 100.0 %"},
        {{"DryMix", "lots"}, nullptr, "DryMix=lots: not a value"},
        {{"Noise_Tilt", "1.01"}, nullptr, "Noise_Tilt takes 0.00 .. 1.00"},
        {{"StereoMode", "Quad"}, nullptr, "StereoMode takes Mono, Stereo, M/S, M, S"},
        {{"StereoMode", "2"}, nullptr, "StereoMode takes Mono, Stereo, M/S, M, S"},
        {{"Bypass", "yes"}, nullptr, "Bypass takes Off, On"},
        {{"Tone_Gain", "1.5", true}, nullptr, "a normalised value is a number from 0 to 1"},
        {{"Tone_Gain", "-0.1", true}, nullptr, "a normalised value is a number from 0 to 1"},
        {{"Tone_Gain", "half", true}, nullptr, "a normalised value is a number from 0 to 1"},
        // An unknown name lists the names, and with --set-normalized their indices.
        {{"Loudness", "3"},
         nullptr,
         "Loudness=3: unknown parameter 'Loudness'; the parameters are Tone_Gain, "
         "NoiseClipper_Threshold, NoiseClipper_Emphasis, Noise_Tilt, Noise_Gain, DryMix, "
         "StereoMode, Bypass, Tone_Tilt, Separation_Slope"},
        {{"10", "0.5", true},
         nullptr,
         "unknown parameter '10'; the parameters by index and "
         "name are 0 Tone_Gain, 1 NoiseClipper_Threshold, 2 "},
    };
    HostedEffect effect(builtModule());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.assignment.parameter + "=" + c.assignment.value);
        if (c.shown != nullptr) {
            EXPECT_EQ(shownAfter(effect, c.assignment), c.shown);
            continue;
        }
        try {
            ParameterResolver(effect).resolve(c.assignment);
            ADD_FAILURE() << "accepted";
        } catch (const ParameterError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(c.problem), std::string::npos) << message;
            EXPECT_EQ(message.find('\n'), std::string::npos) << message;
            // One parameter's range, not the ranges of all ten.
            const auto firstRange = message.find(" .. ");
            EXPECT_TRUE(firstRange == std::string::npos ||
                        message.find(" .. ", firstRange + 1) == std::string::npos)
                << message;
        }
    }
}

TEST(ParameterResolver, NotesAValueTakenAsTheEndOfTheRange) {
    HostedEffect effect(builtModule());
    ParameterResolver resolver(effect);
    std::string note;
    resolver.resolve({"Tone_Gain", "-18.04"}, &note);
    EXPECT_NE(note.find("Tone_Gain=-18.04: below -18.0"), std::string::npos) << note;
    EXPECT_NE(note.find("-18.0 taken"), std::string::npos) << note;
    for (const char* inside : {"-18", "18", "mute", "-6 dB"}) {
        note.clear();
        resolver.resolve({"Tone_Gain", inside}, &note);
        EXPECT_EQ(note, "") << inside;
    }
}

TEST(ParameterResolver, ShowsTheWordsAndTheNumericRangeOfEveryParameter) {
    HostedEffect effect(builtModule());
    ParameterResolver resolver(effect);
    const std::vector<std::string> expected = {"mute, -18.0 .. 18.0 dB",
                                               "-40.0 .. 0.0, off",
                                               "0.00 .. 1.00",
                                               "0.00 .. 1.00",
                                               "mute, -18.0 .. 18.0 dB",
                                               "0.0 .. 100.0 %",
                                               "Mono, Stereo, M/S, M, S",
                                               "Off, On",
                                               "0.00 .. 1.00",
                                               "0.00 .. 1.00"};
    ASSERT_EQ(effect.parameterCount(), static_cast<std::int32_t>(expected.size()));
    for (std::int32_t index = 0; index < effect.parameterCount(); ++index) {
        EXPECT_EQ(resolver.range(index), expected[static_cast<std::size_t>(index)]) << index;
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

TEST(ParameterResolver, FollowsNumbersThatFallAsTheNormalisedValueRises) {
    HostedEffect effect(std::make_shared<const PluginModule>(CALDERINE_FAKE_DELAY_MODULE));
    ParameterResolver resolver(effect);
    // The stand-in shows 10 - 20 * normalised.
    EXPECT_NEAR(resolver.resolve({"Level", "5"}).normalised, 0.25f, 0.0026f);
    EXPECT_EQ(shownAfter(effect, {"Level", "5"}), "Level=5.0");
    EXPECT_EQ(shownAfter(effect, {"Level", "-10"}), "Level=-10.0");
    EXPECT_THROW(resolver.resolve({"Level", "10.5"}), ParameterError);
    // Words and numbers in the order of the normalised value, whichever way the numbers run.
    EXPECT_EQ(resolver.range(0), "10.0 .. -10.0");
}

} // namespace
} // namespace calderine
