// What calderine-render writes besides the samples: as many channels as the input has unless
// told otherwise, and a warning when an integer encoding clips, silenced by --quiet.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace calderine {
namespace {

constexpr int kRate = 44100;
constexpr std::size_t kFrames = 3000;

std::vector<std::string> withDelay(std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--plugin", CALDERINE_FAKE_DELAY_MODULE});
    return arguments;
}

TEST(OutputChannels, FollowTheInputUnlessAskedOtherwise) {
    struct Case {
        int inputChannels;
        const char* channels; // --channels, or null
        int expectedChannels;
    };
    const Case cases[] = {
        {1, nullptr, 1}, {1, "1", 1}, {1, "2", 2}, {2, nullptr, 2}, {2, "1", 1}, {2, "2", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.inputChannels) + " in, --channels " +
                     (c.channels ? c.channels : "(none)"));
        const TempFolder folder;
        writeSound(folder / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, c.inputChannels, kRate,
                   testSignal(kFrames, c.inputChannels, kRate));
        std::vector<std::string> arguments{(folder / "in.wav").string(),
                                           (folder / "out.wav").string()};
        if (c.channels) {
            arguments.insert(arguments.end(), {"--channels", c.channels});
        }
        const ToolResult result = runTool(withDelay(arguments));
        ASSERT_EQ(result.status, 0) << result.err;
        const auto input = readSound<double>(folder / "in.wav");
        const auto output = readSound<double>(folder / "out.wav");
        ASSERT_EQ(output.channels, c.expectedChannels);
        ASSERT_EQ(output.frames(), input.frames());
        // The stand-in returns its input (a mono input on both sides); one channel is their
        // mean.
        for (std::size_t n = 0; n < input.frames(); ++n) {
            for (int o = 0; o < output.channels; ++o) {
                double expected = 0.0;
                if (c.inputChannels == 1) {
                    expected = input.samples[n];
                } else if (output.channels == 1) {
                    expected = static_cast<double>(static_cast<float>(
                        (input.samples[2 * n] + input.samples[2 * n + 1]) / 2.0));
                } else {
                    expected = input.samples[2 * n + static_cast<std::size_t>(o)];
                }
                ASSERT_EQ(output.samples[n * static_cast<std::size_t>(output.channels) +
                                         static_cast<std::size_t>(o)],
                          expected)
                    << "frame " << n << " channel " << o;
            }
        }
    }
}

TEST(OutputChannels, RefusesACountOtherThanOneOrTwo) {
    const ToolResult result = runTool({"in.wav", "out.wav", "--channels", "3"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("--channels takes 1 or 2"), std::string::npos) << result.err;
}

TEST(ClipWarning, CountsWhatAnIntegerEncodingClipsAndSuggestsFloat) {
    // A float input with overs the stand-in passes on unchanged: every fifth sample at 1.5.
    std::vector<double> samples = testSignal(kFrames, 2, kRate);
    int overs = 0;
    for (std::size_t i = 0; i < samples.size(); i += 5) {
        samples[i] = i % 2 == 0 ? 1.5 : -1.5;
        ++overs;
    }
    struct Case {
        std::vector<std::string> options;
        const char* extension; // of the output, which names its format
        const char* warning;   // a fragment of the one warning line; null: none
    };
    const std::string counted = std::to_string(overs) + " samples clipped in '";
    const char* inFloatWav = "; a float format such as --format wav --encoding float";
    const Case cases[] = {
        {{"--encoding", "pcm24"}, "wav", "; --encoding float keeps them"},
        {{}, "flac", inFloatWav},
        // Lossy codecs take floating point, but what they decode to is played and read
        // clipped like any integer file.
        {{}, "mp3", inFloatWav},
        {{}, "ogg", inFloatWav},
        {{"--encoding", "pcm16", "-q"}, "wav", nullptr},
        {{"--encoding", "pcm16", "--quiet"}, "wav", nullptr},
        {{}, "wav", nullptr}, // float stays float: nothing clips
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.options) + " " + c.extension);
        const TempFolder folder;
        writeSound(folder / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, kRate, samples);
        const auto out = folder / (std::string("out.") + c.extension);
        std::vector<std::string> arguments{(folder / "in.wav").string(), out.string()};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const ToolResult result = runTool(withDelay(arguments));
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(std::filesystem::exists(out));
        if (c.warning == nullptr) {
            EXPECT_EQ(result.err, "");
            continue;
        }
        EXPECT_EQ(result.errLines(), 1) << result.err;
        EXPECT_TRUE(result.err.starts_with("calderine-render: warning: ")) << result.err;
        EXPECT_NE(result.err.find(counted + out.string() + "'"), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(c.warning), std::string::npos) << result.err;
    }
}

} // namespace
} // namespace calderine
