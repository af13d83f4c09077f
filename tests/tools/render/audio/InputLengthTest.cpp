// Inputs read to the end of their data, whatever their header says: a header that promises more
// than the file holds fails the run unless --accept-truncated, and a length the writer could not
// know (an MP3 or WAV written to a pipe) is no reason to stop early or to complain.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace calderine {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 48000;
constexpr std::size_t kFrames = 48000;
// A 16-bit stereo WAV as libsndfile writes it: 44 bytes of header, then 4 bytes a frame.
constexpr std::size_t kWavHeader = 44;
constexpr std::size_t kKeptFrames = 25000;
constexpr std::size_t kDataSizeField = 40;
// 20 MB of samples.
constexpr std::size_t kLongFrames = 5'000'000;

std::string bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string withDataSize(std::string wav, std::uint32_t size) {
    for (std::size_t i = 0; i < 4; ++i) {
        wav[kDataSizeField + i] = static_cast<char>(size >> (8 * i));
    }
    return wav;
}

// Runs `cat INPUT | tool - ARGS` through a real pipe when piped, else `tool INPUT ARGS`.
ToolResult render(const fs::path& input, bool piped, const std::vector<std::string>& arguments) {
    if (!piped) {
        std::vector<std::string> line = arguments;
        line.insert(line.begin(), input.string());
        return runTool(line);
    }
    std::string line =
        "cat " + shellQuoted(input.string()) + " | " + shellQuoted(CALDERINE_RENDER_TOOL) + " -";
    for (const std::string& argument : arguments) {
        line += ' ';
        line += shellQuoted(argument);
    }
    return runShell(line);
}

TEST(InputLength, HeadersThatPromiseMoreFailOthersAreReadWhole) {
    const TempFolder folder;
    const fs::path whole = folder / "whole.wav";
    writeSound(whole, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, testSignal(kFrames, 2, kRate));
    const std::string wav = bytesOf(whole);
    ASSERT_EQ(wav.size(), kWavHeader + 4 * kFrames);

    struct Case {
        const char* what;
        std::string bytes;
        bool piped;
        bool accept;
        int status;
        std::size_t frames;            // of the output; 0: none written
        std::vector<std::string> said; // on standard error; empty: nothing at all
    };
    const std::string truncated = wav.substr(0, kWavHeader + 4 * kKeptFrames);
    const std::vector<std::string> refusal = {"'", "25000", "48000", "--accept-truncated"};
    const Case cases[] = {
        {"truncated file", truncated, false, false, 1, 0, refusal},
        {"truncated on standard input", truncated, true, false, 1, 0, {"standard input", "25000"}},
        {"truncated, accepted",
         truncated,
         false,
         true,
         0,
         kKeptFrames,
         {"warning", "25000", "48000"}},
        {"whole", wav, false, false, 0, kFrames, {}},
        // Lengths streaming writers put in the header: ffmpeg's and sox's.
        {"unknown length (0xFFFFFFFF)", withDataSize(wav, 0xFFFFFFFF), true, false, 0, kFrames, {}},
        {"unknown length (0x7FFFF000)", withDataSize(wav, 0x7FFFF000), true, false, 0, kFrames, {}},
        // libsndfile looks for chunks behind the data, 4 GiB ahead here, past the 16 MiB a
        // pipe's reader keeps for such seeks.
        {"unknown length, longer than a pipe keeps",
         withDataSize(wav.substr(0, kWavHeader), 0xFFFFFFFF) + std::string(4 * kLongFrames, '\0'),
         true,
         false,
         0,
         kLongFrames,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path input = folder / "in.wav";
        const fs::path output = folder / "out.wav";
        writeBytes(input, c.bytes);
        std::vector<std::string> arguments = {output.string(), "--plugin",
                                              CALDERINE_FAKE_DELAY_MODULE};
        if (c.accept) {
            arguments.push_back("--accept-truncated");
        }
        const ToolResult result = render(input, c.piped, arguments);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_EQ(result.errLines(), c.said.empty() ? 0 : 1) << result.err;
        for (const std::string& fragment : c.said) {
            EXPECT_NE(result.err.find(fragment), std::string::npos) << result.err;
        }
        if (c.frames == 0) {
            EXPECT_FALSE(fs::exists(output));
        } else {
            ASSERT_TRUE(fs::exists(output));
            const auto sound = readSound<double>(output);
            EXPECT_EQ(sound.frames(), c.frames);
        }
        fs::remove(output);
    }
}

// libsndfile writes an MP3 on a pipe without the Xing header that states its length; it then
// estimates the length from the first frame's bit rate, a third of the truth for this one.
TEST(InputLength, AnMp3WithoutLengthHeaderIsReadWhole) {
    const TempFolder folder;
    constexpr std::size_t kLong = 4 * kRate;
    writeSound(folder / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate,
               testSignal(kLong, 2, kRate));
    const std::string line =
        shellQuoted(CALDERINE_RENDER_TOOL) + " " + shellQuoted((folder / "in.wav").string()) +
        " - --format mp3 --plugin " + shellQuoted(CALDERINE_FAKE_DELAY_MODULE) + " | cat > " +
        shellQuoted((folder / "piped.mp3").string());
    ASSERT_EQ(runShell(line).status, 0);

    const ToolResult result =
        runTool({(folder / "piped.mp3").string(), (folder / "out.wav").string(), "--plugin",
                 CALDERINE_FAKE_DELAY_MODULE});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    // Without the header's gapless figures, the decoder's delay and the last frame's padding
    // (less than two MP3 frames of 1152 samples) come back too.
    const auto sound = readSound<float>(folder / "out.wav");
    EXPECT_GE(sound.frames(), kLong);
    EXPECT_LE(sound.frames(), kLong + 2 * 1152);
}

TEST(InputLength, BatchFailsOnlyTheTruncatedFileUnlessAccepted) {
    const TempFolder folder;
    fs::create_directory(folder / "in");
    const fs::path good = folder / "in" / "good.wav";
    writeSound(good, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, testSignal(kFrames, 2, kRate));
    writeBytes(folder / "in" / "cut.wav", bytesOf(good).substr(0, kWavHeader + 4 * kKeptFrames));

    for (const bool accept : {false, true}) {
        SCOPED_TRACE(accept ? "accepted" : "refused");
        const fs::path out = folder / (accept ? "accepted" : "refused");
        std::vector<std::string> arguments = {good.string(),  (folder / "in" / "cut.wav").string(),
                                              "--output-dir", out.string(),
                                              "--plugin",     CALDERINE_FAKE_DELAY_MODULE};
        if (accept) {
            arguments.push_back("--accept-truncated");
        }
        const ToolResult result = runTool(arguments);
        EXPECT_EQ(result.status, accept ? 0 : 1) << result.err;
        EXPECT_EQ(result.errLines(), 1) << result.err;
        EXPECT_NE(result.err.find("cut.wav"), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(accept ? "warning" : "--accept-truncated"), std::string::npos)
            << result.err;
        EXPECT_EQ(readSound<float>(out / "good.wav").frames(), kFrames);
        EXPECT_EQ(fs::exists(out / "cut.wav"), accept);
    }
}

} // namespace
} // namespace calderine
