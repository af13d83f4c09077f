// "-" as calderine-render's INPUT and OUTPUT: standard input and output, through real pipes,
// as in `a | calderine-render - - --format flac | b`.
#include "tests/tools/render/TempFolder.h"
#include "tests/tools/render/TestAudio.h"
#include "tests/tools/render/ToolRun.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace calderine {
namespace {

constexpr int kRate = 48000;
constexpr std::size_t kFrames = 4800;

// Runs the tool between two pipes: `cat INPUT | tool ARGS | cat > OUTPUT`.
ToolResult runPiped(const std::filesystem::path& input, const std::vector<std::string>& arguments,
                    const std::filesystem::path& output) {
    std::string line = "cat '" + input.string() + "' | '" + CALDERINE_RENDER_TOOL + "'";
    for (const std::string& argument : arguments) {
        line += " '" + argument + "'";
    }
    line += " | cat > '" + output.string() + "'";
    ToolResult result;
    const std::string errors = output.string() + ".err";
    // The tool's own status, not that of the last cat.
    line += "; exit \\${PIPESTATUS[1]}";
    const std::string command = "bash -c \"" + line + "\" 2> '" + errors + "'";
    const int status = std::system(command.c_str());
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = slurp(errors);
    std::filesystem::remove(errors);
    return result;
}

TEST(StandardStream, StreamableFormatsGoThroughAPipeOthersAreRefused) {
    struct Case {
        const char* format;
        int major; // the container expected on the pipe; 0: refused
    };
    const Case cases[] = {
        {"flac", SF_FORMAT_FLAC},
        {"au", SF_FORMAT_AU},
        {"ogg", SF_FORMAT_OGG},
        {"wav", 0},
        {"aiff", 0},
        {"caf", 0},
        {"w64", 0},
        {"rf64", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        const TempFolder folder;
        // Standard input is a pipe too; WAV reads from one.
        writeSound(folder / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate,
                   testSignal(kFrames, 2, kRate));
        const ToolResult result =
            runPiped(folder / "in.wav",
                     {"-", "-", "--format", c.format, "--plugin", CALDERINE_FAKE_DELAY_MODULE},
                     folder / "piped");
        EXPECT_FALSE(std::filesystem::exists(folder / "-")) << "wrote a file named '-'";
        if (c.major == 0) {
            EXPECT_EQ(result.status, 2);
            EXPECT_EQ(result.errLines(), 1) << result.err;
            EXPECT_NE(result.err.find("cannot be written to standard output"), std::string::npos)
                << result.err;
            EXPECT_EQ(std::filesystem::file_size(folder / "piped"), 0u);
            continue;
        }
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const auto input = readSound<double>(folder / "in.wav");
        const auto output = readSound<double>(folder / "piped");
        EXPECT_EQ(output.format & SF_FORMAT_TYPEMASK, c.major);
        EXPECT_EQ(output.sampleRate, kRate);
        if (c.major != SF_FORMAT_OGG) {
            // Lossless and 16 bits kept: the samples themselves.
            EXPECT_EQ(output.samples, input.samples);
        } else {
            EXPECT_NEAR(rms(output.samples), rms(input.samples), 0.1 * rms(input.samples));
        }
    }
}

TEST(StandardStream, OutputDashNeedsAFormatAndNoStems) {
    const TempFolder folder;
    writeSound(folder / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate,
               testSignal(kFrames, 2, kRate));
    const std::vector<std::vector<std::string>> lines = {
        {(folder / "in.wav").string(), "-"},
        {(folder / "in.wav").string(), "-", "--format", "flac", "--stems"},
    };
    for (const auto& arguments : lines) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const ToolResult result = runTool(arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.errLines(), 1) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(folder.names(), std::vector<std::string>{"in.wav"});
    }
}

} // namespace
} // namespace calderine
