// calderine-render against the built module: a render must be exactly what a host gets by
// handing the same samples to the effect's record itself, so the tool adds nothing of its own.
#include "tests/support/BuiltModule.h"
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"
#include "tools/render/settings/ParameterResolver.h"
#include "tools/vsthost/HostedEffect.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace calderine {
namespace {

constexpr double kTestSeconds = 0.4;

// What the tool must produce, computed in one block through the record: open, rate, block
// size, parameters, on, then the file followed by latency's worth of zeros.
template <typename Sample>
std::vector<Sample> byHand(const TestSound<Sample>& input, bool keepLatency,
                           const std::vector<ParameterChange>& changes) {
    HostedEffect effect(builtModule());
    effect.dispatch(effOpen);
    effect.setSampleRate(static_cast<float>(input.sampleRate));
    effect.setBlockSize(static_cast<std::int32_t>(input.frames()));
    for (const ParameterChange& change : changes) {
        effect.setParameter(change.index, change.normalised);
    }
    effect.resume();
    const std::size_t latency =
        keepLatency ? 0 : static_cast<std::size_t>(effect.record().initialDelay);
    const std::size_t frames = input.frames();
    std::vector<std::vector<Sample>> in(2, std::vector<Sample>(frames + latency, Sample{0}));
    std::vector<std::vector<Sample>> out(2, std::vector<Sample>(frames + latency));
    for (std::size_t n = 0; n < frames; ++n) {
        for (std::size_t c = 0; c < 2; ++c) {
            in[c][n] = input.samples[n * static_cast<std::size_t>(input.channels) +
                                     (input.channels == 1 ? 0 : c)];
        }
    }
    if constexpr (std::is_same_v<Sample, float>) {
        effect.processReplacing(in, out);
    } else {
        effect.processDoubleReplacing(in, out);
    }
    std::vector<Sample> interleaved;
    for (std::size_t n = latency; n < latency + frames; ++n) {
        interleaved.push_back(out[0][n]);
        interleaved.push_back(out[1][n]);
    }
    return interleaved;
}

struct Case {
    int channels;
    int sampleRate;
    const char* precision;
    bool keepLatency;
    std::vector<std::string> settings;       // as given to the tool
    std::vector<ParameterChange> normalised; // the same, as a host would set them
};

template <typename Sample>
void expectRenderMatchesRecord(const Case& c, int format) {
    const TempFolder folder;
    const auto in = folder / "in.wav";
    const auto out = folder / "out.wav";
    const auto frames = static_cast<std::size_t>(kTestSeconds * c.sampleRate);
    writeSound(in, format, c.channels, c.sampleRate, testSignal(frames, c.channels, c.sampleRate));
    std::vector<std::string> arguments{in.string(), out.string(),  "--block",
                                       "100",       "--precision", c.precision};
    arguments.insert(arguments.end(), c.settings.begin(), c.settings.end());
    if (c.keepLatency) {
        arguments.push_back("--keep-latency");
    }
    const ToolResult result = runTool(arguments);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "");

    const auto input = readSound<Sample>(in);
    const auto output = readSound<Sample>(out);
    EXPECT_EQ(output.format, format);
    EXPECT_EQ(output.sampleRate, c.sampleRate);
    EXPECT_EQ(output.channels, 2);
    ASSERT_EQ(output.frames(), frames);
    const std::vector<Sample> expected = byHand(input, c.keepLatency, c.normalised);
    // Guards against a comparison of two silences: the effect must have done something.
    ASSERT_GT(rms(expected), 0.01);
    EXPECT_TRUE(output.samples == expected);
}

TEST(RenderTool, RendersExactlyWhatTheRecordGives) {
    const Case cases[] = {
        {2, 44100, "float", false, {}, {}},
        {2, 44100, "double", false, {}, {}},
        {2, 44100, "float", true, {}, {}},
        {2, 44100, "double", true, {}, {}},
        // Both of the effect's channels, as asked; by default a mono input gives one.
        {1, 44100, "float", false, {"--channels", "2"}, {}},
        {2, 96000, "float", false, {}, {}},
        {2, 96000, "double", true, {}, {}},
        // -6 dB lies at 12/36 of Tone_Gain's range; "M/S" at the middle of StereoMode's.
        {2,
         44100,
         "float",
         false,
         {"--set", "Tone_Gain=-6", "--set", "StereoMode=M/S", "--set-normalized", "Noise_Tilt=0.8"},
         {{0, 12.0f / 36.0f}, {6, 0.5f}, {3, 0.8f}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels at " + std::to_string(c.sampleRate) +
                     " Hz, " + c.precision + (c.keepLatency ? ", raw" : ", compensated") +
                     testing::PrintToString(c.settings));
        if (std::string(c.precision) == "float") {
            expectRenderMatchesRecord<float>(c, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        } else {
            expectRenderMatchesRecord<double>(c, SF_FORMAT_WAV | SF_FORMAT_DOUBLE);
        }
    }
}

TEST(RenderTool, AMonoInputGivesEqualChannelsInEveryStereoModeAndSoOneChannel) {
    const TempFolder folder;
    const int rate = 44100;
    writeSound(folder / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, rate,
               testSignal(static_cast<std::size_t>(kTestSeconds * rate), 1, rate));
    for (const char* mode : {"Mono", "Stereo", "M/S", "M", "S"}) {
        SCOPED_TRACE(mode);
        const std::string setting = std::string("StereoMode=") + mode;
        const ToolResult both =
            runTool({(folder / "in.wav").string(), (folder / "both.wav").string(), "--channels",
                     "2", "--set", setting});
        ASSERT_EQ(both.status, 0) << both.err;
        const ToolResult one = runTool(
            {(folder / "in.wav").string(), (folder / "one.wav").string(), "--set", setting});
        ASSERT_EQ(one.status, 0) << one.err;

        const auto stereo = readSound<float>(folder / "both.wav");
        const auto mono = readSound<float>(folder / "one.wav");
        ASSERT_EQ(stereo.channels, 2);
        ASSERT_EQ(mono.channels, 1);
        ASSERT_EQ(mono.frames(), stereo.frames());
        std::vector<float> left;
        std::vector<float> right;
        for (std::size_t n = 0; n < stereo.frames(); ++n) {
            left.push_back(stereo.samples[2 * n]);
            right.push_back(stereo.samples[2 * n + 1]);
        }
        EXPECT_TRUE(left == right);
        EXPECT_TRUE(mono.samples == left);
        EXPECT_GT(rms(mono.samples), 0.01);
    }
}

TEST(RenderTool, StemsAddUpToTheMix) {
    const TempFolder folder;
    const int rate = 44100;
    writeSound(folder / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, rate,
               testSignal(static_cast<std::size_t>(kTestSeconds * rate), 2, rate));
    const ToolResult result =
        runTool({(folder / "in.wav").string(), (folder / "out.wav").string(), "--stems"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(folder.names(),
              (std::vector<std::string>{"in.wav", "out.noise.wav", "out.tone.wav", "out.wav"}));

    const auto mix = readSound<float>(folder / "out.wav").samples;
    const auto tone = readSound<float>(folder / "out.tone.wav").samples;
    const auto noise = readSound<float>(folder / "out.noise.wav").samples;
    ASSERT_EQ(tone.size(), mix.size());
    ASSERT_EQ(noise.size(), mix.size());
    double worst = 0.0;
    for (std::size_t i = 0; i < mix.size(); ++i) {
        worst = std::max(worst, std::abs(static_cast<double>(tone[i]) + noise[i] - mix[i]));
    }
    EXPECT_LT(worst, 1e-6);
    // Each part carries a real share of the signal, so the sum is not trivially the mix.
    EXPECT_GT(rms(tone), 0.1 * rms(mix));
    EXPECT_GT(rms(noise), 0.1 * rms(mix));
}

TEST(RenderTool, DemoWritesAndReportsEveryFile) {
    const TempFolder folder;
    const ToolResult result = runTool({"--demo", (folder / "demo").string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    for (const char* name : {"input.wav", "mix.wav", "mix.tone.wav", "mix.noise.wav"}) {
        SCOPED_TRACE(name);
        const auto path = (folder / "demo" / name).string();
        const auto sound = readSound<float>(path);
        EXPECT_EQ(sound.channels, 2);
        EXPECT_GT(sound.frames(), 44100u);
        EXPECT_GT(rms(sound.samples), 0.001);
        EXPECT_NE(result.out.find(path + " "), std::string::npos) << result.out;
    }
    const auto input = readSound<float>(folder / "demo" / "input.wav");
    std::vector<float> left;
    std::vector<float> right;
    for (std::size_t n = 0; n < input.frames(); ++n) {
        left.push_back(input.samples[2 * n]);
        right.push_back(input.samples[2 * n + 1]);
    }
    EXPECT_NE(left, right);
    // One line per file: "PATH peak L dBFS RMS L dBFS [real-time factor F]".
    std::istringstream lines(result.out);
    int count = 0;
    int timed = 0;
    for (std::string text; std::getline(lines, text); ++count) {
        std::istringstream words(text);
        std::string path, peakWord, peakUnit, rmsWord, rmsUnit, realTime, factorWord;
        double peak = 0.0, level = 0.0, factor = 0.0;
        words >> path >> peakWord >> peak >> peakUnit >> rmsWord >> level >> rmsUnit;
        EXPECT_TRUE(words && peakWord == "peak" && peakUnit == "dBFS" && rmsWord == "RMS" &&
                    rmsUnit == "dBFS" && peak < 0.0 && level < peak)
            << text;
        if (words >> realTime >> factorWord >> factor) {
            EXPECT_EQ(realTime + " " + factorWord, "real-time factor") << text;
            EXPECT_GT(factor, 0.0) << text;
            ++timed;
        }
    }
    EXPECT_EQ(count, 4);
    EXPECT_EQ(timed, 3);
}

} // namespace
} // namespace calderine
