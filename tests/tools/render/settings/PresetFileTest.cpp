#include "tools/render/settings/PresetFile.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace calderine {
namespace {

std::vector<PresetLine> parse(const std::string& text) {
    return PresetFile::parse(text, "p.preset");
}

TEST(PresetFile, ReadsAssignmentsWithTheirLineNumbers) {
    const auto lines = parse("# a comment\n"
                             "\n"
                             "Tone_Gain=-6.0 dB\n"
                             "   # an indented comment\n"
                             "  StereoMode = M/S  \r\n"
                             "Odd=a=b # kept: '#' starts a comment only at the start of a line\n"
                             "\t\n"
                             "Noise_Gain=mute");
    struct Expected {
        const char* name;
        const char* value;
        const char* origin;
    };
    const Expected expected[] = {
        {"Tone_Gain", "-6.0 dB", "p.preset:3"},
        {"StereoMode", "M/S", "p.preset:5"},
        {"Odd", "a=b # kept: '#' starts a comment only at the start of a line", "p.preset:6"},
        {"Noise_Gain", "mute", "p.preset:8"},
    };
    ASSERT_EQ(lines.size(), std::size(expected));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i].assignment.parameter, expected[i].name);
        EXPECT_EQ(lines[i].assignment.value, expected[i].value);
        EXPECT_FALSE(lines[i].assignment.normalised);
        EXPECT_EQ(lines[i].origin, expected[i].origin);
    }
    EXPECT_TRUE(parse("").empty());
    EXPECT_TRUE(parse("# only\n\n#comments\n").empty());
}

TEST(PresetFile, RefusesALineThatIsNoAssignmentNamingIt) {
    const struct {
        const char* text;
        const char* start;
    } cases[] = {
        {"Tone_Gain\n", "p.preset:1: "},
        {"# fine\nTone_Gain=1\n=3\n", "p.preset:3: "},
        {"\n\nTone_Gain=\n", "p.preset:3: "},
        {"Tone_Gain -6\n", "p.preset:1: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            parse(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const PresetError& error) {
            EXPECT_TRUE(std::string(error.what()).starts_with(c.start)) << error.what();
        }
    }
}

TEST(PresetFile, WritesNumbersWithTheirUnitAndWordsAlone) {
    const struct {
        Setting setting;
        const char* line;
    } cases[] = {
        {{"Tone_Gain", "-6.3", "dB"}, "Tone_Gain=-6.3 dB"},
        {{"Tone_Gain", "mute", "dB"}, "Tone_Gain=mute"},
        {{"DryMix", "25.0", "%"}, "DryMix=25.0 %"},
        {{"Noise_Tilt", "0.50", ""}, "Noise_Tilt=0.50"},
        {{"StereoMode", "M/S", ""}, "StereoMode=M/S"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PresetFile::line(c.setting), c.line);
    }
}

TEST(PresetFile, WhatItWritesReadsBackLineForLine) {
    const std::vector<Setting> settings = {
        {"Tone_Gain", "-6.3", "dB"}, {"Noise_Gain", "mute", "dB"}, {"StereoMode", "M/S", ""}};
    std::ostringstream out;
    PresetFile::write(out, settings, "first line\nsecond line");
    EXPECT_TRUE(out.str().starts_with("# first line\n# second line\n")) << out.str();
    const auto lines = parse(out.str());
    ASSERT_EQ(lines.size(), settings.size());
    const char* values[] = {"-6.3 dB", "mute", "M/S"};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].assignment.parameter, settings[i].name);
        EXPECT_EQ(lines[i].assignment.value, values[i]);
    }
}

} // namespace
} // namespace calderine
