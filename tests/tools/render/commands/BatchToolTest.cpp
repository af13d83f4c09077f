// Many files in one run against the built module: each output must be what a render of that
// file alone gives, however many run at once, and a bad file must cost nothing but itself.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace calderine {
namespace {

struct Input {
    const char* name;
    int format;
    int channels;
    int sampleRate;
    std::size_t frames;
};

const Input kInputs[] = {
    {"a.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, 9000},
    {"b.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, 7000},
    {"c.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2, 48000, 12000},
    {"d.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 96000, 5000},
};

std::vector<std::string> writeInputs(const TempFolder& folder) {
    std::filesystem::create_directories(folder / "in");
    std::vector<std::string> paths;
    for (const Input& input : kInputs) {
        paths.push_back((folder / "in" / input.name).string());
        writeSound(paths.back(), input.format, input.channels, input.sampleRate,
                   testSignal(input.frames, input.channels, input.sampleRate));
    }
    return paths;
}

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(BatchTool, RendersEachFileAsARenderOfItAloneWould) {
    const TempFolder folder;
    const auto inputs = writeInputs(folder);
    // What single renders give, the reference for every batch below.
    std::filesystem::create_directories(folder / "single");
    for (const Input& input : kInputs) {
        const ToolResult alone = runTool({(folder / "in" / input.name).string(),
                                          (folder / "single" / input.name).string(), "--stems",
                                          "--set", "Tone_Gain=-3"});
        ASSERT_EQ(alone.status, 0) << alone.err;
    }
    const auto expectedNames = namesIn(folder / "single");
    ASSERT_EQ(expectedNames.size(), 3 * std::size(kInputs));
    for (const char* jobs : {"1", "2", "3", "8"}) {
        SCOPED_TRACE(std::string("--jobs ") + jobs);
        const std::string out = (folder / ("out" + std::string(jobs))).string();
        std::vector<std::string> arguments{"--output-dir", out,     "--jobs",      jobs,
                                           "--stems",      "--set", "Tone_Gain=-3"};
        arguments.insert(arguments.end(), inputs.begin(), inputs.end());
        const ToolResult result = runTool(arguments);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out + result.err, "");
        ASSERT_EQ(namesIn(out), expectedNames);
        for (const std::string& name : expectedNames) {
            SCOPED_TRACE(name);
            const auto batch = readSound<double>(std::filesystem::path(out) / name);
            const auto single = readSound<double>(folder / "single" / name);
            EXPECT_EQ(batch.format, single.format);
            EXPECT_EQ(batch.sampleRate, single.sampleRate);
            EXPECT_GT(rms(batch.samples), 0.001);
            EXPECT_TRUE(batch.samples == single.samples);
        }
    }
}

TEST(BatchTool, AFailingFileIsReportedAndTheOthersGoOn) {
    const TempFolder folder;
    auto inputs = writeInputs(folder);
    const std::string text = (folder / "in" / "text.wav").string();
    const std::string absent = (folder / "in" / "absent.wav").string();
    std::ofstream(text) << "not a sound file\n";
    inputs.insert(inputs.begin() + 1, text);
    inputs.push_back(absent);
    const std::string out = (folder / "out").string();
    std::vector<std::string> arguments{"--output-dir", out, "--jobs", "2"};
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    const ToolResult result = runTool(arguments);

    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.errLines(), 2) << result.err;
    std::istringstream lines(result.err);
    std::vector<std::string> reported;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_TRUE(line.starts_with("calderine-render: ")) << line;
        reported.push_back(line.substr(0, line.find(": ", 18)));
    }
    std::sort(reported.begin(), reported.end());
    EXPECT_EQ(reported, (std::vector<std::string>{"calderine-render: " + absent,
                                                  "calderine-render: " + text}));
    // Every good file complete, nothing of the bad ones, no temporary left over.
    EXPECT_EQ(namesIn(out), (std::vector<std::string>{"a.wav", "b.wav", "c.flac", "d.wav"}));
    for (const char* name : {"a.wav", "b.wav", "c.flac", "d.wav"}) {
        EXPECT_GT(readSound<float>(std::filesystem::path(out) / name).frames(), 0u) << name;
    }
}

TEST(BatchTool, RefusesInputsThatWouldOverwriteEachOtherBeforeAnyWork) {
    const struct {
        const char* what;
        std::vector<std::string> inputs; // under the scratch folder
        std::vector<std::string> options;
    } cases[] = {
        {"one name in two folders", {"in/a.wav", "other/a.wav"}, {}},
        {"one file twice", {"in/a.wav", "in/a.wav"}, {}},
        {"a stem's name", {"in/a.wav", "other/a.tone.wav"}, {"--stems"}},
        {"one format for two extensions", {"in/a.wav", "other/a.flac"}, {"--format", "wav"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFolder folder;
        for (const char* sub : {"in", "other"}) {
            std::filesystem::create_directories(folder / sub);
        }
        std::vector<std::string> arguments{"--output-dir", (folder / "out").string()};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        for (const std::string& input : c.inputs) {
            writeSound(folder / input, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100,
                       testSignal(4410, 2, 44100));
            arguments.push_back((folder / input).string());
        }
        const ToolResult result = runTool(arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.errLines(), 1) << result.err;
        EXPECT_NE(result.err.find("would both write"), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(folder / "out")) << "work began";
    }
}

} // namespace
} // namespace calderine
