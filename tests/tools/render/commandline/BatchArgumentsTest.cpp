// The command-line forms of many-file renders, presets and plug-in lookup.
#include "tests/tools/render/commandline/UsageRefusal.h"
#include "tests/tools/render/support/TempFolder.h"
#include "tools/render/commandline/ArgumentParser.h"
#include "tools/render/commands/BatchCommand.h"
#include "tools/render/settings/PresetFile.h"

#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calderine {
namespace {

RenderOptions parse(const std::vector<std::string_view>& arguments) {
    return ArgumentParser{}.parse(arguments);
}

TEST(BatchArguments, ReadsManyInputsIntoAFolder) {
    const RenderOptions options =
        parse({"a.wav", "--output-dir", "out", "b/c.flac", "--jobs=3", "--stems", "d.wav"});
    EXPECT_EQ(options.action, RenderAction::Batch);
    EXPECT_EQ(options.inputs, (std::vector<std::filesystem::path>{"a.wav", "b/c.flac", "d.wav"}));
    EXPECT_EQ(options.outputFolder, std::filesystem::path("out"));
    EXPECT_EQ(options.jobs, 3);
    EXPECT_TRUE(options.stems);
    EXPECT_EQ(parse({"one.wav", "--output-dir", "out"}).action, RenderAction::Batch);
    EXPECT_EQ(parse({"--list-plugins"}).action, RenderAction::ListPlugins);
    EXPECT_EQ(parse({"--set", "Tone_Gain=1", "--save-preset", "x.preset"}).action,
              RenderAction::SavePreset);
}

TEST(BatchArguments, RefusesWhatDoesNotFit) {
    const std::vector<testing::Refusal> cases = {
        {{"--output-dir", "out"}, "at least one INPUT"},
        {{"a.wav", "b.wav", "--jobs", "2"}, "--jobs goes with --output-dir"},
        {{"a.wav", "--output-dir", "out", "--jobs", "0"}, "--jobs takes a number from 1"},
        {{"a.wav", "--output-dir", "out", "--jobs", "two"}, "--jobs takes a number from 1"},
        {{"a.wav", "--output-dir", "out", "--jobs", "100000"}, "--jobs takes a number from 1"},
        {{"a.wav", "--output-dir", "o", "--output-dir", "p"}, "--output-dir given twice"},
        {{"a.wav", "b.wav", "c.wav"}, "many inputs go with --output-dir"},
        {{"--list-plugins", "x.so"}, "--list-plugins takes no other"},
        {{"--list-plugins", "--info"}, "--list-plugins takes no other"},
        {{"--list-plugins", "--plugin", "x"}, "--list-plugins takes no other"},
        {{"--info", "--save-preset", "x.preset"}, "does not go with --info"},
    };
    testing::expectEveryRefused(cases);
}

TEST(BatchArguments, PresetsComeBeforeEverySetInTheirOrder) {
    const TempFolder folder;
    std::ofstream(folder / "one.preset") << "# first\nA=1\nB=2\n";
    std::ofstream(folder / "two.preset") << "C=3\n";
    const std::string one = (folder / "one.preset").string();
    const std::string two = (folder / "two.preset").string();
    const RenderOptions options = parse({"in.wav", "--set", "A=9", "--preset", one, "out.wav",
                                         "--preset", two, "--set-normalized", "B=0.5"});
    std::vector<std::string> seen;
    for (const auto& assignment : options.assignments) {
        seen.push_back(assignment.parameter + "=" + assignment.value);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"A=1", "B=2", "C=3", "A=9", "B=0.5"}));
    EXPECT_EQ(options.assignmentOrigins,
              (std::vector<std::string>{one + ":2", one + ":3", two + ":1", "", ""}));
}

TEST(BatchArguments, AMissingPresetStopsTheParse) {
    EXPECT_THROW(parse({"in.wav", "out.wav", "--preset", "/nonexistent/x.preset"}), PresetError);
}

TEST(BatchCommandNames, NamesOutputsAfterInputsAndRefusesCollisions) {
    EXPECT_EQ(BatchCommand::outputFor("in/take.wav", "out", std::nullopt), "out/take.wav");
    EXPECT_EQ(BatchCommand::outputFor("in/take.wav", "out", "flac"), "out/take.flac");
    EXPECT_EQ(BatchCommand::outputFor("take", "out", std::nullopt), "out/take");

    const struct {
        const char* what;
        std::vector<std::filesystem::path> inputs;
        bool stems;
        std::optional<std::string> format;
        bool collides;
    } cases[] = {
        {"distinct", {"a/x.wav", "a/y.wav", "b/z.wav"}, true, std::nullopt, false},
        {"same name, other folders", {"a/x.wav", "b/x.wav"}, false, std::nullopt, true},
        {"same file twice", {"a/x.wav", "a/x.wav"}, false, std::nullopt, true},
        {"extensions differ", {"a/x.wav", "a/x.flac"}, false, std::nullopt, false},
        {"one format for both", {"a/x.wav", "a/x.flac"}, false, "ogg", true},
        {"an input named like a stem", {"a/x.wav", "b/x.tone.wav"}, true, std::nullopt, true},
        {"no stems, no clash", {"a/x.wav", "b/x.tone.wav"}, false, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RenderOptions options;
        options.action = RenderAction::Batch;
        options.inputs = c.inputs;
        options.outputFolder = "out";
        options.stems = c.stems;
        options.format = c.format;
        if (c.collides) {
            EXPECT_THROW(BatchCommand(options, "m.so"), UsageError);
        } else {
            EXPECT_NO_THROW(BatchCommand(options, "m.so"));
        }
    }
}

TEST(BatchCommandNames, RunsOneJobPerCoreByDefaultAndNeverMoreThanFiles) {
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    EXPECT_EQ(BatchCommand::jobCount(0, 1000), std::min<std::size_t>(cores, 1000));
    EXPECT_EQ(BatchCommand::jobCount(4, 10), 4u);
    EXPECT_EQ(BatchCommand::jobCount(4, 2), 2u);
    EXPECT_EQ(BatchCommand::jobCount(4, 0), 1u);
}

} // namespace
} // namespace calderine
