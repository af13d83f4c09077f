// calderine-render's streaming and latency compensation, checked with a stand-in effect
// that only delays its input by the latency it reports: whatever the block size, the
// compensated output must be the input itself and the raw output the input shifted.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace calderine {
namespace {

constexpr std::size_t kDelayFrames = 300; // the stand-in's latency
constexpr std::size_t kFrames = 2000;
constexpr int kRate = 44100;

struct Case {
    int channels;
    int format;
    const char* precision;
    const char* block;
    bool keepLatency;
};

// Input frame n as it must appear in output frame n (compensated) or n + kDelayFrames (raw).
template <typename Sample>
void expectDelayedCopy(const TestSound<Sample>& input, const TestSound<Sample>& output,
                       bool keepLatency) {
    const std::size_t shift = keepLatency ? kDelayFrames : 0;
    // A mono input gives a mono output: the mean of the stand-in's two equal channels.
    ASSERT_EQ(output.channels, input.channels);
    ASSERT_EQ(output.frames(), input.frames());
    const auto channels = static_cast<std::size_t>(output.channels);
    for (std::size_t n = 0; n < output.frames(); ++n) {
        for (std::size_t c = 0; c < channels; ++c) {
            const Sample expected =
                n < shift ? Sample{0} : input.samples[(n - shift) * channels + c];
            ASSERT_EQ(output.samples[n * channels + c], expected)
                << "frame " << n << " channel " << c;
        }
    }
}

TEST(RenderLatency, OutputLinesUpWithInputWhateverTheBlockSize) {
    const Case cases[] = {
        {2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "float", "1", false},
        {2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "float", "7", false},
        {2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "float", "300", false},
        {2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "float", "512", false},
        {2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "float", "5000", false}, // longer than the file
        {2, SF_FORMAT_WAV | SF_FORMAT_DOUBLE, "double", "64", false},
        {2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "float", "7", true},
        {2, SF_FORMAT_WAV | SF_FORMAT_DOUBLE, "double", "512", true},
        {1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "float", "256", false},
        // Integer files must come back bit for bit when nothing changes them.
        {2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, "float", "512", false},
        {2, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "double", "512", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels, format " + std::to_string(c.format) +
                     ", " + c.precision + ", block " + c.block +
                     (c.keepLatency ? ", raw" : ", compensated"));
        const TempFolder folder;
        const bool flac = (c.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC;
        const auto in = folder / (flac ? "in.flac" : "in.wav");
        const auto out = folder / (flac ? "out.flac" : "out.wav");
        writeSound(in, c.format, c.channels, kRate, testSignal(kFrames, c.channels, kRate));
        std::vector<std::string> arguments{
            in.string(),   out.string(), "--plugin", CALDERINE_FAKE_DELAY_MODULE,
            "--precision", c.precision,  "--block",  c.block};
        if (c.keepLatency) {
            arguments.push_back("--keep-latency");
        }
        const ToolResult result = runTool(arguments);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const auto output = readSound<double>(out);
        EXPECT_EQ(output.format, c.format);
        EXPECT_EQ(output.sampleRate, kRate);
        expectDelayedCopy(readSound<double>(in), output, c.keepLatency);
    }
}

// Every 16-bit value, the extremes included, must survive the trip through float samples.
TEST(RenderLatency, IntegerFilesComeBackBitForBitAtFullScale) {
    const TempFolder folder;
    constexpr int kSteps = 65536;
    std::vector<double> ramp;
    for (int step = 0; step < kSteps; ++step) {
        const double value = (step - kSteps / 2) / 32768.0;
        ramp.push_back(value);
        ramp.push_back(-value);
    }
    writeSound(folder / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, ramp);
    const ToolResult result = runTool({(folder / "in.wav").string(), (folder / "out.wav").string(),
                                       "--plugin", CALDERINE_FAKE_DELAY_MODULE});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto input = readSound<double>(folder / "in.wav");
    EXPECT_EQ(input.samples.front(), -1.0); // the ramp reached the file unclipped
    expectDelayedCopy(input, readSound<double>(folder / "out.wav"), false);
}

TEST(RenderLatency, AnEmptyFileGivesAnEmptyFile) {
    const TempFolder folder;
    writeSound(folder / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, kRate, {});
    const ToolResult result = runTool({(folder / "in.wav").string(), (folder / "out.wav").string(),
                                       "--plugin", CALDERINE_FAKE_DELAY_MODULE});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(readSound<float>(folder / "out.wav").frames(), 0u);
}

} // namespace
} // namespace calderine
