// "-" as calderine-render's INPUT and OUTPUT: standard input and output, through real pipes,
// as in `a | calderine-render - - --format flac | b`.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace calderine {
namespace {

constexpr int kRate = 48000;
constexpr std::size_t kFrames = 4800;

// The tool between two pipes: `cat INPUT | tool ARGS | cat > OUTPUT`.
ToolResult runPiped(const std::filesystem::path& input, const std::vector<std::string>& arguments,
                    const std::filesystem::path& output) {
    std::string line =
        "cat " + shellQuoted(input.string()) + " | " + shellQuoted(CALDERINE_RENDER_TOOL);
    for (const std::string& argument : arguments) {
        line += ' ';
        line += shellQuoted(argument);
    }
    line += " | cat > ";
    line += shellQuoted(output.string());
    return runShell(line);
}

bool installed(const char* program) {
    return std::system(("command -v " + std::string(program) + " > /dev/null 2>&1").c_str()) == 0;
}

struct StreamFormat {
    const char* format;
    int major; // the container expected on the pipe; 0: refused
    bool lossless;
    const char* soxType;    // how sox names it; null where sox has no reader
    const char* ffmpegType; // how ffmpeg names it
};

const StreamFormat kFormats[] = {
    {"wav", SF_FORMAT_WAV, true, "wav", "wav"},
    {"flac", SF_FORMAT_FLAC, true, "flac", "flac"},
    {"au", SF_FORMAT_AU, true, "au", "au"},
    {"ogg", SF_FORMAT_OGG, false, "ogg", "ogg"},
    {"opus", SF_FORMAT_OGG, false, nullptr, "ogg"},
    {"mp3", SF_FORMAT_MPEG, false, "mp3", "mp3"},
    {"aiff", 0, false, nullptr, nullptr},
    {"caf", 0, false, nullptr, nullptr},
    {"w64", 0, false, nullptr, nullptr},
    {"rf64", 0, false, nullptr, nullptr},
};

// Lossless and 16 bits kept: the samples themselves. Lossy: the level within 2 dB, and the
// length give or take an MP3 decoder's delay and padding (two frames of 1152).
void expectSameSound(const TestSound<double>& input, const std::filesystem::path& file,
                     bool lossless) {
    const auto output = readSound<double>(file);
    EXPECT_EQ(output.sampleRate, kRate);
    if (lossless) {
        EXPECT_EQ(output.samples, input.samples);
        return;
    }
    EXPECT_NEAR(static_cast<double>(output.frames()), static_cast<double>(input.frames()),
                2 * 1152);
    // The codecs drop some of the signal's noise above their cut-off.
    const double ratio = rms(output.samples) / rms(input.samples);
    EXPECT_GT(ratio, 0.8);
    EXPECT_LT(ratio, 1.25);
}

class StandardStreamFormats : public testing::Test {
protected:
    void SetUp() override {
        writeSound(folder / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate,
                   testSignal(kFrames, 2, kRate));
        input = readSound<double>(folder / "in.wav");
    }
    // `tool in.wav - --format FORMAT | READER > out.wav`, READER reading standard input.
    ToolResult pipeInto(const StreamFormat& f, const std::string& reader) const {
        const std::string line = shellQuoted(CALDERINE_RENDER_TOOL) + " " +
                                 shellQuoted((folder / "in.wav").string()) + " - --format " +
                                 f.format + " --plugin " +
                                 shellQuoted(CALDERINE_FAKE_DELAY_MODULE) + " | " + reader;
        return runShell(line);
    }

    const TempFolder folder;
    TestSound<double> input;
};

TEST_F(StandardStreamFormats, StreamableFormatsGoThroughAPipeAndBackOthersAreRefused) {
    for (const StreamFormat& f : kFormats) {
        SCOPED_TRACE(f.format);
        const ToolResult result =
            runPiped(folder / "in.wav",
                     {"-", "-", "--format", f.format, "--plugin", CALDERINE_FAKE_DELAY_MODULE},
                     folder / "piped");
        EXPECT_FALSE(std::filesystem::exists(folder / "-")) << "wrote a file named '-'";
        if (f.major == 0) {
            EXPECT_EQ(result.status, 2);
            EXPECT_EQ(result.errLines(), 1) << result.err;
            EXPECT_NE(result.err.find("cannot be written to standard output"), std::string::npos)
                << result.err;
            EXPECT_EQ(std::filesystem::file_size(folder / "piped"), 0u);
            continue;
        }
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(readSound<double>(folder / "piped").format & SF_FORMAT_TYPEMASK, f.major);
        expectSameSound(input, folder / "piped", f.lossless);

        // The tool reads its own stream from a pipe, to its end and without complaint.
        const ToolResult back =
            runPiped(folder / "piped",
                     {"-", (folder / "back.wav").string(), "--plugin", CALDERINE_FAKE_DELAY_MODULE},
                     folder / "nothing");
        ASSERT_EQ(back.status, 0) << back.err;
        EXPECT_EQ(back.err, "");
        EXPECT_EQ(std::filesystem::file_size(folder / "nothing"), 0u);
        expectSameSound(input, folder / "back.wav", f.lossless);
    }
}

// On a pipe the FLAC encoder cannot complete its header (length, checksum) at the end; the
// stream must simply end with its last frame, as long as the same render written to a file.
TEST_F(StandardStreamFormats, FlacOnAPipeEndsWithItsLastFrame) {
    const std::vector<std::string> render = {"--format", "flac", "--plugin",
                                             CALDERINE_FAKE_DELAY_MODULE};
    std::vector<std::string> toFile = {(folder / "in.wav").string(),
                                       (folder / "file.flac").string()};
    toFile.insert(toFile.end(), render.begin(), render.end());
    ASSERT_EQ(runTool(toFile).status, 0);
    std::vector<std::string> toPipe = {"-", "-"};
    toPipe.insert(toPipe.end(), render.begin(), render.end());
    ASSERT_EQ(runPiped(folder / "in.wav", toPipe, folder / "piped.flac").status, 0);
    EXPECT_EQ(std::filesystem::file_size(folder / "piped.flac"),
              std::filesystem::file_size(folder / "file.flac"));
}

TEST_F(StandardStreamFormats, SoxReadsEveryStream) {
    if (!installed("sox")) {
        GTEST_SKIP() << "sox is not installed";
    }
    for (const StreamFormat& f : kFormats) {
        if (f.major == 0 || f.soxType == nullptr) {
            continue;
        }
        SCOPED_TRACE(f.format);
        const auto out = folder / "sox.wav";
        const ToolResult result = pipeInto(f, "sox -t " + std::string(f.soxType) + " - -b 16 " +
                                                  shellQuoted(out.string()));
        ASSERT_EQ(result.status, 0) << result.err;
        // sox warns of every WAV whose header leaves the length open, ffmpeg's too; anything
        // worse (a FLAC decoder losing sync) it calls a failure.
        EXPECT_EQ(result.err.find("FAIL"), std::string::npos) << result.err;
        expectSameSound(input, out, f.lossless);
    }
}

// Not in CI: run where ffmpeg is installed.
TEST_F(StandardStreamFormats, FfmpegReadsEveryStream) {
    if (!installed("ffmpeg")) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    for (const StreamFormat& f : kFormats) {
        if (f.major == 0) {
            continue;
        }
        SCOPED_TRACE(f.format);
        const auto out = folder / "ffmpeg.wav";
        const ToolResult result =
            pipeInto(f, "ffmpeg -nostdin -v error -f " + std::string(f.ffmpegType) +
                            " -i - -c:a pcm_s16le -y " + shellQuoted(out.string()));
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        expectSameSound(input, out, f.lossless);
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
