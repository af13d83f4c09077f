// The built bundle in Debian's command-line LV2 tools: the validator accepts its description,
// and lv2apply renders what calderine-render renders through the VST 2.4 module, sample for
// sample once lv2apply's uncompensated latency is taken off. Skipped where the tools are
// missing.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace calderine {
namespace {

bool installed(const char* tool) {
    return runShell(std::string("command -v ") + tool + " >/dev/null").status == 0;
}

std::string lv2Environment() {
    return std::string("LV2_PATH=") + shellQuoted(CALDERINE_LV2_BUNDLES) + " ";
}

TEST(Lv2Hosts, ValidatorFindsNoError) {
    if (!installed("lv2_validate") || !installed("sord_validate")) {
        GTEST_SKIP() << "lv2_validate needs lv2-dev and sordi";
    }
    const std::string bundle = std::string(CALDERINE_LV2_BUNDLES) + "/calderine.lv2/";
    const ToolResult result = runShell("lv2_validate " + shellQuoted(bundle + "manifest.ttl") +
                                       " " + shellQuoted(bundle + "calderine.ttl") + " >&2");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("Found 0 errors"), std::string::npos) << result.err;
}

// Every parameter away from its default, in the VST tool's names and the LV2 symbols.
constexpr struct {
    const char* name;
    const char* symbol;
    const char* value;
} kSettings[] = {
    {"Tone_Gain", "tone_gain", "-4.5"},
    {"NoiseClipper_Threshold", "noise_clipper_threshold", "-12"},
    {"NoiseClipper_Emphasis", "noise_clipper_emphasis", "0.4"},
    {"Noise_Tilt", "noise_tilt", "0.3"},
    {"Noise_Gain", "noise_gain", "3"},
    {"DryMix", "dry_mix", "20"},
    {"Tone_Tilt", "tone_tilt", "0.6"},
    {"Separation_Slope", "separation_slope", "0.5"},
};

TEST(Lv2Hosts, Lv2ApplyRendersWhatTheVstModuleRenders) {
    if (!installed("lv2apply")) {
        GTEST_SKIP() << "lv2apply is in lilv-utils";
    }
#if defined(CALDERINE_SANITIZED_MODULES)
    GTEST_SKIP() << "lv2apply cannot load a module built with the sanitizers";
#endif
    constexpr struct {
        int rate;
        std::size_t latency; // 50 ms, rounded up to 2^a·3^b·5^c (a >= 5)
    } kRates[] = {{44100, 2304}, {48000, 2400}, {96000, 4800}};
    constexpr struct {
        const char* name;
        const char* index;
    } kModes[] = {{"Stereo", "1"}, {"M/S", "2"}, {"Mono", "0"}};
    TempFolder folder;
    for (const auto& rate : kRates) {
        const std::filesystem::path input =
            folder.path() / ("in" + std::to_string(rate.rate) + ".wav");
        writeSound(input, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, rate.rate,
                   testSignal(static_cast<std::size_t>(rate.rate * 3 / 2), 2, rate.rate));
        for (const auto& mode : kModes) {
            const std::filesystem::path vst = folder.path() / "vst.wav";
            const std::filesystem::path lv2 = folder.path() / "lv2.wav";
            std::vector<std::string> arguments = {
                input,        vst,     "--plugin", CALDERINE_VST_MODULE,
                "--encoding", "float", "--set",    std::string("StereoMode=") + mode.name};
            std::string lv2Line = lv2Environment() + "lv2apply -i " + shellQuoted(input) + " -o " +
                                  shellQuoted(lv2) + " -c stereo_mode " + mode.index;
            for (const auto& s : kSettings) {
                arguments.insert(arguments.end(), {"--set", std::string(s.name) + "=" + s.value});
                lv2Line += std::string(" -c ") + s.symbol + " " + s.value;
            }
            const ToolResult rendered = runTool(arguments);
            ASSERT_EQ(rendered.status, 0) << rendered.err;
            const ToolResult applied = runShell(lv2Line + " urn:pemberlow:calderine >&2");
            ASSERT_EQ(applied.status, 0) << applied.err;

            const auto expected = readSound<float>(vst);
            const auto actual = readSound<float>(lv2);
            ASSERT_EQ(actual.frames(), expected.frames());
            const std::size_t shift = rate.latency * 2; // interleaved stereo
            const std::vector<float> aligned(
                actual.samples.begin() + static_cast<std::ptrdiff_t>(shift), actual.samples.end());
            const std::vector<float> head(expected.samples.begin(),
                                          expected.samples.end() -
                                              static_cast<std::ptrdiff_t>(shift));
            const auto mismatch = std::mismatch(aligned.begin(), aligned.end(), head.begin());
            EXPECT_EQ(mismatch.first, aligned.end())
                << rate.rate << " Hz, " << mode.name << ": first difference at frame "
                << (mismatch.first - aligned.begin()) / 2;
            EXPECT_GT(rms(head), 0.01) << "silent render";
        }
    }
}

} // namespace
} // namespace calderine
