// An effect whose output holds NaN and infinity, rendered into every kind of format: the run
// fails and leaves no file unless --accept-nonfinite is given, and then each such sample is
// written as 0, whatever the encoder.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <cmath>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <string>
#include <vector>

namespace calderine {
namespace {

// Opus takes 48 kHz; 4800 frames hold 48 periods of the stand-in's 100 frames, each with one
// NaN and two infinities.
constexpr int kRate = 48000;
constexpr std::size_t kFrames = 4800;
constexpr const char* kExpectedCount = "144 samples from the effect were not finite (NaN or "
                                       "infinity)";

struct OutputCase {
    const char* what;
    const char* file;
    std::vector<std::string> options;
    bool exact; // the file holds the samples as given, so the zeros can be found
};

const OutputCase kOutputs[] = {
    {"wav 16", "out.wav", {"--encoding", "pcm16"}, true},
    {"wav float", "out.wav", {"--encoding", "float"}, true},
    {"aiff 24", "out.aiff", {"--encoding", "pcm24"}, true},
    {"flac", "out.flac", {}, true},
    {"wav mono", "out.wav", {"--channels", "1", "--encoding", "float"}, false},
    {"ogg", "out.ogg", {}, false},
    {"opus", "out.opus", {}, false},
    {"mp3", "out.mp3", {}, false},
};

class NonFiniteOutput : public ::testing::Test {
protected:
    NonFiniteOutput() {
        input = testSignal(kFrames, 2, kRate);
        // 16-bit, so that every lossless output holds exactly these values.
        writeSound(folder / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, input);
        input = readSound<double>(folder / "in.wav").samples;
    }

    ToolResult render(const OutputCase& output, bool accept) const {
        std::vector<std::string> arguments{(folder / "in.wav").string(),
                                           (folder / output.file).string(), "--plugin",
                                           CALDERINE_HOSTILE_NONFINITE};
        arguments.insert(arguments.end(), output.options.begin(), output.options.end());
        if (accept) {
            arguments.push_back("--accept-nonfinite");
        }
        return runTool(arguments);
    }

    TempFolder folder;
    std::vector<double> input;
};

TEST_F(NonFiniteOutput, FailsTheRunAndLeavesNoFile) {
    for (const OutputCase& output : kOutputs) {
        SCOPED_TRACE(output.what);
        const ToolResult result = render(output, false);
        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_NE(result.err.find(kExpectedCount), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("--accept-nonfinite"), std::string::npos) << result.err;
        EXPECT_EQ(result.errLines(), 1) << result.err;
        EXPECT_EQ(folder.names(), std::vector<std::string>{"in.wav"});
    }
}

TEST_F(NonFiniteOutput, AcceptedTheyAreWrittenAsZero) {
    for (const OutputCase& output : kOutputs) {
        SCOPED_TRACE(output.what);
        const auto path = folder / output.file;
        const ToolResult result = render(output, true);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "calderine-render: warning: '" + path.string() +
                                  "': " + kExpectedCount + ", written as 0\n");
        const TestSound<double> written = readSound<double>(path);
        for (const double sample : written.samples) {
            ASSERT_TRUE(std::isfinite(sample));
        }
        if (output.exact) {
            ASSERT_EQ(written.samples.size(), input.size());
            for (std::size_t n = 0; n < kFrames; ++n) {
                const std::size_t phase = n % 100;
                const double left = phase == 0 ? 0.0 : input[2 * n];
                const double right = phase == 50 || phase == 75 ? 0.0 : input[2 * n + 1];
                ASSERT_EQ(written.samples[2 * n], left) << "frame " << n;
                ASSERT_EQ(written.samples[2 * n + 1], right) << "frame " << n;
            }
        } else {
            // A full-scale sample in every 33 frames would more than double the level.
            EXPECT_LT(rms(written.samples), 1.5 * rms(input));
            EXPECT_GT(rms(written.samples), 0.5 * rms(input));
        }
        std::filesystem::remove(path);
    }
}

} // namespace
} // namespace calderine
