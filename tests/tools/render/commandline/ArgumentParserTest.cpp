#include "tools/render/commandline/ArgumentParser.h"

#include "tests/tools/render/commandline/UsageRefusal.h"

#include <gtest/gtest.h>
#include <optional>
#include <sndfile.h>
#include <string>
#include <string_view>
#include <vector>

namespace calderine {
namespace {

RenderOptions parse(const std::vector<std::string_view>& arguments) {
    return ArgumentParser{}.parse(arguments);
}

TEST(ArgumentParser, AcceptsTheDocumentedForms) {
    struct Case {
        std::vector<std::string_view> arguments;
        RenderAction action;
        std::optional<std::string> module;
    };
    const Case cases[] = {
        {{"--info"}, RenderAction::Info, std::nullopt},
        {{"--info", "some/effect.so"}, RenderAction::Info, "some/effect.so"},
        {{"some/effect.so", "--info"}, RenderAction::Info, "some/effect.so"},
        {{"--info", "--plugin", "some/effect.so"}, RenderAction::Info, "some/effect.so"},
        {{"in.wav", "out.wav"}, RenderAction::Render, std::nullopt},
        {{"in.wav", "out.wav", "--plugin=x.so"}, RenderAction::Render, "x.so"},
        {{"--demo"}, RenderAction::Demo, std::nullopt},
        {{"--help"}, RenderAction::Help, std::nullopt},
        {{"-h"}, RenderAction::Help, std::nullopt},
        // Asking for help wins over everything else on the line, even mistakes.
        {{"--info", "--bogus", "--help"}, RenderAction::Help, std::nullopt},
        {{"--version"}, RenderAction::Version, std::nullopt},
        {{"--bogus", "--version"}, RenderAction::Version, std::nullopt},
        {{"--version", "-h"}, RenderAction::Help, std::nullopt},
        {{"in.wav", "-", "--format", "flac"}, RenderAction::Render, std::nullopt},
        {{"-", "out.wav"}, RenderAction::Render, std::nullopt},
        {{"in.wav", "out"}, RenderAction::Render, std::nullopt},
        // Help lists the parameters of the module a render would load.
        {{"--help", "--plugin", "x.so"}, RenderAction::Help, "x.so"},
        {{"--plugin=x.so", "--bogus", "-h"}, RenderAction::Help, "x.so"},
        {{"--version", "--plugin", "x.so"}, RenderAction::Version, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        const RenderOptions options = parse(c.arguments);
        EXPECT_EQ(options.action, c.action);
        EXPECT_EQ(options.modulePath.has_value(), c.module.has_value());
        if (c.module) {
            EXPECT_EQ(options.modulePath->string(), *c.module);
        }
    }
}

TEST(ArgumentParser, ReadsEveryRenderOption) {
    const RenderOptions options =
        parse({"--set", "Tone_Gain=-6", "in.flac", "--block", "64", "--precision=double",
               "--set-normalized", "3=0.25", "--stems", "--keep-latency", "--force", "--format",
               "wav", "--set", "StereoMode=M/S", "--", "-out.wav"});
    EXPECT_EQ(options.action, RenderAction::Render);
    EXPECT_EQ(options.input, "in.flac");
    EXPECT_EQ(options.output, "-out.wav");
    EXPECT_EQ(options.blockFrames, 64);
    EXPECT_EQ(options.precision, SamplePrecision::Double);
    EXPECT_TRUE(options.stems);
    EXPECT_TRUE(options.keepLatency);
    EXPECT_TRUE(options.force);
    EXPECT_EQ(options.format, "wav");
    ASSERT_EQ(options.assignments.size(), 3u);
    const ParameterAssignment expected[] = {
        {"Tone_Gain", "-6", false}, {"3", "0.25", true}, {"StereoMode", "M/S", false}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(options.assignments[i].parameter, expected[i].parameter);
        EXPECT_EQ(options.assignments[i].value, expected[i].value);
        EXPECT_EQ(options.assignments[i].normalised, expected[i].normalised);
    }

    const RenderOptions conventions =
        parse({"-q", "in.wav", "out.wav", "--channels", "1", "--encoding=pcm24"});
    EXPECT_TRUE(conventions.quiet);
    EXPECT_EQ(conventions.channels, 1);
    EXPECT_EQ(conventions.encoding, SF_FORMAT_PCM_24);
    EXPECT_TRUE(parse({"in.wav", "out.wav", "--quiet"}).quiet);
    EXPECT_EQ(parse({"in.wav", "out.wav", "--encoding", "float"}).encoding, SF_FORMAT_FLOAT);

    const RenderOptions defaults = parse({"in.wav", "out.wav"});
    EXPECT_FALSE(defaults.quiet || defaults.channels || defaults.encoding);
    EXPECT_EQ(defaults.blockFrames, 512);
    EXPECT_EQ(defaults.precision, SamplePrecision::Float);
    EXPECT_FALSE(defaults.stems || defaults.keepLatency || defaults.force || defaults.format);

    const RenderOptions lossy = parse({"in.wav", "out.ogg", "--quality=0.7", "--accept-truncated"});
    EXPECT_EQ(lossy.quality, 0.7);
    EXPECT_TRUE(lossy.acceptTruncated);
    EXPECT_EQ(parse({"in.wav", "out.flac", "--encoding", "pcm16"}).encoding, SF_FORMAT_PCM_16);
    EXPECT_FALSE(defaults.quality || defaults.acceptTruncated);

    EXPECT_EQ(parse({"--demo"}).demoFolder, "demo-out");
    EXPECT_EQ(parse({"--demo", "elsewhere"}).demoFolder, "elsewhere");
}

TEST(ArgumentParser, RefusesWhatItCannotDoWithAReason) {
    const std::vector<testing::Refusal> cases = {
        {{}, "nothing to do"},
        {{"effect.so"}, "takes INPUT and OUTPUT"},
        {{"a.wav", "b.wav", "c.wav"}, "takes INPUT and OUTPUT"},
        {{"--info", "a.so", "b.so"}, "one module"},
        {{"--info", "--plugin", "a.so", "b.so"}, "a module twice"},
        {{"--info", "--info"}, "twice"},
        {{"--info", "--stems"}, "--stems does not go with --info"},
        {{"--info", "--force"}, "--force does not go with --info"},
        {{"--info", "--demo"}, "do not go together"},
        {{"--demo", "a", "b"}, "one folder"},
        {{"a.wav", "b.wav", "--bogus"}, "unknown option '--bogus'"},
        {{"a.wav", "b.wav", "--stems=yes"}, "--stems takes no value"},
        {{"a.wav", "b.wav", "--block"}, "--block needs a value"},
        {{"a.wav", "b.wav", "--block", "0"}, "from 1 to"},
        {{"a.wav", "b.wav", "--block", "2000000"}, "from 1 to"},
        {{"a.wav", "b.wav", "--block", "12k"}, "from 1 to"},
        {{"a.wav", "b.wav", "--block", "8", "--block", "8"}, "--block given twice"},
        {{"a.wav", "b.wav", "--precision", "half"}, "float or double"},
        {{"a.wav", "b.wav", "--format", "mp9"}, "--format takes one of wav"},
        {{"a.wav", "b.wav", "--set", "Tone_Gain"}, "NAME=VALUE"},
        {{"a.wav", "b.wav", "--set", "=3"}, "NAME=VALUE"},
        {{"a.wav", "b.wav", "--plugin", "a.so", "--plugin", "b.so"}, "--plugin given twice"},
        {{"a.wav", "b.xyz"}, "cannot tell a format from the extension of 'b.xyz'"},
        {{"a.wav", "b.mp9"}, "name one with --format (wav"},
        {{"a.wav", "-"}, "standard output ('-') needs --format"},
        {{"a.wav", "-", "--format", "aiff"}, "aiff cannot be written to standard output"},
        {{"a.wav", "-", "--format", "flac", "--stems"}, "--stems needs an OUTPUT file"},
        {{"a.wav", "b.wav", "--channels", "0"}, "--channels takes 1 or 2"},
        {{"a.wav", "b.wav", "--channels", "stereo"}, "--channels takes 1 or 2"},
        {{"a.wav", "b.wav", "--encoding", "pcm12"}, "--encoding takes one of pcm16"},
        {{"a.wav", "b.wav", "-q=1"}, "-q takes no value"},
        // One file or many: the count said in words that fit it.
        {{"effect.so"}, "got only one file ('effect.so')"},
        {{"a.wav", "b.wav", "c.wav"}, "got 3 files"},
        // Options that mean nothing in the mode asked for are refused, not ignored.
        {{"--demo", "--output-dir", "o"}, "--output-dir does not go with --demo"},
        {{"--demo", "--jobs", "2"}, "--jobs does not go with --demo"},
        {{"--info", "--quality", "3"}, "--quality does not go with --info"},
        {{"--info", "--accept-truncated"}, "--accept-truncated does not go with --info"},
        {{"--list-plugins", "--quality=3"}, "--list-plugins takes no other"},
        {{"a.wav", "b.wav", "--quality", "high"}, "--quality takes a number"},
        {{"a.wav", "b.wav", "--quality", "1", "--quality", "2"}, "--quality given twice"},
        // An encoding the container cannot take is a mistake of the line, found before work.
        {{"a.wav", "b.ogg", "--encoding", "pcm16"}, "--encoding does not apply to Ogg Vorbis"},
        {{"a.wav", "b.wav", "--format", "mp3", "--encoding", "float"},
         "--encoding does not apply to MP3"},
        {{"a.wav", "b.flac", "--encoding", "float"}, "FLAC has no float encoding"},
        {{"a.ogg", "--output-dir", "o", "--encoding", "pcm24"},
         "--encoding does not apply to Ogg Vorbis"},
    };
    testing::expectEveryRefused(cases);
}

} // namespace
} // namespace calderine
