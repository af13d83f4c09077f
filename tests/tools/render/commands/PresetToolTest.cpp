// --preset, --save-preset and the settings block of --info against the built module, and the
// presets shipped in presets/, each checked by what it does to a render.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace calderine {
namespace {

constexpr int kRate = 44100;
constexpr std::size_t kFrames = 17640; // 0.4 s

std::vector<std::string> settingLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.front() != '#') {
            lines.push_back(line);
        }
    }
    return lines;
}

std::string shipped(const char* name) {
    return (std::filesystem::path(CALDERINE_PRESET_FOLDER) / name).string();
}

void writeInput(const std::filesystem::path& path) {
    writeSound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, kRate, testSignal(kFrames, 2, kRate));
}

double largestDifference(const std::vector<float>& a, const std::vector<float>& b) {
    EXPECT_EQ(a.size(), b.size());
    double worst = 0.0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        worst = std::max(worst, std::abs(static_cast<double>(a[i]) - b[i]));
    }
    return worst;
}

TEST(PresetTool, SavedSettingsReadBackIdentically) {
    const struct {
        std::vector<std::string> settings;
        std::vector<std::string> lines; // some of the lines the file must hold
    } cases[] = {
        {{}, {"Tone_Gain=0.0 dB", "Noise_Tilt=0.50", "StereoMode=Stereo", "DryMix=0.0 %"}},
        {{"--set", "Tone_Gain=-6.3", "--set", "StereoMode=M/S", "--set",
          "NoiseClipper_Threshold=-12.5", "--set", "DryMix=25"},
         {"Tone_Gain=-6.3 dB", "StereoMode=M/S", "NoiseClipper_Threshold=-12.5", "DryMix=25.0 %"}},
        {{"--set", "Noise_Gain=mute", "--set-normalized", "Noise_Tilt=1", "--set", "Bypass=On"},
         {"Noise_Gain=mute", "Noise_Tilt=1.00", "Bypass=On", "NoiseClipper_Threshold=off"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.settings));
        const TempFolder folder;
        writeInput(folder / "in.wav");
        std::vector<std::string> save = c.settings;
        save.insert(save.end(), {"--save-preset", (folder / "a.preset").string()});
        const ToolResult saved = runTool(save);
        ASSERT_EQ(saved.status, 0) << saved.err;
        EXPECT_EQ(saved.out + saved.err, "");
        const std::vector<std::string> lines = settingLines(slurp(folder / "a.preset"));
        EXPECT_EQ(lines.size(), 10u);
        for (const std::string& line : c.lines) {
            EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
        }

        const ToolResult again = runTool({"--preset", (folder / "a.preset").string(),
                                          "--save-preset", (folder / "b.preset").string()});
        ASSERT_EQ(again.status, 0) << again.err;
        EXPECT_EQ(slurp(folder / "b.preset"), slurp(folder / "a.preset"));

        // The preset gives the very sound the settings give.
        std::vector<std::string> direct = c.settings;
        direct.insert(direct.begin(),
                      {(folder / "in.wav").string(), (folder / "set.wav").string()});
        ASSERT_EQ(runTool(direct).status, 0);
        ASSERT_EQ(runTool({(folder / "in.wav").string(), (folder / "preset.wav").string(),
                           "--preset", (folder / "a.preset").string()})
                      .status,
                  0);
        EXPECT_TRUE(readSound<float>(folder / "set.wav").samples ==
                    readSound<float>(folder / "preset.wav").samples);
    }
}

TEST(PresetTool, SetAdjustsWhatAPresetGives) {
    const TempFolder folder;
    std::ofstream(folder / "p.preset") << "Tone_Gain=-3\nDryMix=10 %\n";
    const ToolResult result =
        runTool({"--set", "Tone_Gain=4.5", "--preset", (folder / "p.preset").string(),
                 "--save-preset", (folder / "out.preset").string()});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto lines = settingLines(slurp(folder / "out.preset"));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Tone_Gain=4.5 dB"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "DryMix=10.0 %"), lines.end());
}

// A value just beyond an end is taken as the end and said so once, on standard error; --quiet
// keeps that quiet too.
TEST(PresetTool, AValueTakenAsTheEndIsNoted) {
    const TempFolder folder;
    const std::string saved = (folder / "end.preset").string();
    const ToolResult loud = runTool({"--set", "Tone_Gain=-18.04", "--save-preset", saved});
    ASSERT_EQ(loud.status, 0) << loud.err;
    EXPECT_EQ(loud.err, "calderine-render: Tone_Gain=-18.04: below -18.0, the lowest number it "
                        "shows; -18.0 taken\n");
    EXPECT_NE(slurp(folder / "end.preset").find("\nTone_Gain=-18.0 dB\n"), std::string::npos);
    const ToolResult quiet = runTool({"--set", "Tone_Gain=-18.04", "--save-preset", saved, "-q"});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
}

TEST(PresetTool, InfoSettingsBlockReadsBackAsAPreset) {
    const TempFolder folder;
    const ToolResult info = runTool({"--info"});
    ASSERT_EQ(info.status, 0) << info.err;
    // What `sed -n 's/^preset: //p'` cuts out of the --info text.
    std::ostringstream block;
    std::vector<std::string> lines;
    std::istringstream in(info.out);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("preset: ")) {
            lines.push_back(line.substr(8));
            block << lines.back() << '\n';
        }
    }
    ASSERT_EQ(lines.size(), 10u) << info.out;
    EXPECT_EQ(lines[3], "Noise_Tilt=0.50");
    std::ofstream(folder / "info.preset") << block.str();
    const ToolResult saved = runTool({"--preset", (folder / "info.preset").string(),
                                      "--save-preset", (folder / "saved.preset").string()});
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(settingLines(slurp(folder / "saved.preset")), lines);
}

TEST(PresetTool, BadPresetsStopEverythingNamingTheLine) {
    const struct {
        const char* what;
        const char* text; // null: no file at all
        const char* fragment;
        int status;
    } cases[] = {
        {"not an assignment", "# ok\nTone_Gain=1\nloud\n", "bad.preset:3: expected NAME=VALUE", 2},
        {"unknown parameter", "\n\nLoudness=3\n", "bad.preset:3: Loudness=3: unknown parameter", 2},
        {"out of range", "Tone_Gain=0\nDryMix=150 %\n", "bad.preset:2: DryMix=150 %: out of range",
         2},
        {"a unit of another parameter", "Tone_Gain=3 %\n", "bad.preset:1: Tone_Gain=3 %: not a", 2},
        {"missing file", nullptr, "cannot read the preset '", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFolder folder;
        writeInput(folder / "in.wav");
        const std::string preset = (folder / "bad.preset").string();
        if (c.text != nullptr) {
            std::ofstream(preset) << c.text;
        }
        const auto before = folder.names();
        const ToolResult result =
            runTool({(folder / "in.wav").string(), (folder / "out.wav").string(), "--preset",
                     preset, "--save-preset", (folder / "saved.preset").string()});
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.errLines(), 1) << result.err;
        EXPECT_TRUE(result.err.starts_with("calderine-render: ")) << result.err;
        EXPECT_NE(result.err.find(c.fragment), std::string::npos) << result.err;
        EXPECT_EQ(folder.names(), before) << "something was written";
    }
}

// Where a preset comes from: a file holding the text, or something that never ends.
enum class Source { File, EndlessDevice, SilentFifo };

// The address space a sanitizer build needs: AddressSanitizer reserves terabytes of shadow
// memory at start, so no bound on the address space lets its tool start at all.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kAddressSpaceBoundable = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kAddressSpaceBoundable = false;
#else
constexpr bool kAddressSpaceBoundable = true;
#endif
#else
constexpr bool kAddressSpaceBoundable = true;
#endif

// The tool run with its address space (where the build allows) and its time bounded, so that
// a preset that makes it grow or wait without end fails the test instead of the machine.
ToolResult runBounded(const std::vector<std::string>& arguments) {
    constexpr rlim_t kAddressSpace = 2ull << 30;
    constexpr auto kPatience = std::chrono::seconds(30);
    rlimit saved{};
    ::getrlimit(RLIMIT_AS, &saved);
    const rlimit bounded{std::min(kAddressSpace, saved.rlim_max), saved.rlim_max};
    if (kAddressSpaceBoundable) {
        ::setrlimit(RLIMIT_AS, &bounded); // inherited by the tool, given back at once
    }
    RunningTool tool(arguments);
    ::setrlimit(RLIMIT_AS, &saved);
    if (tool.pid() <= 0) {
        ADD_FAILURE() << "the tool did not start";
        return tool.wait();
    }
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    for (;;) {
        siginfo_t state{};
        ::waitid(P_PID, static_cast<id_t>(tool.pid()), &state, WEXITED | WNOHANG | WNOWAIT);
        if (state.si_pid != 0) {
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            tool.signal(SIGKILL);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return tool.wait();
}

// Presets as they arrive from elsewhere. Those a person meant are read as meant; the rest
// are refused in one short line that names the file and line and passes nothing from the file
// to the terminal as it stands, within a bounded time.
TEST(PresetTool, HostilePresetsAreReadAsMeantOrRefusedSafely) {
    const std::string longLine = "Tone_Gain=" + std::string(10'000'000, '6') + "\n";
    const struct {
        const char* what;
        std::string fileName;
        std::string text;
        Source source;
        // Accepted: a line of the saved preset; refused: a part of the one line of error.
        const char* expected;
        int status;
    } cases[] = {
        {"byte-order mark", "p.preset", "\xEF\xBB\xBFTone_Gain=-6\n", Source::File,
         "Tone_Gain=-6.0 dB", 0},
        {"CRLF line ends", "p.preset", "# saved elsewhere\r\nStereoMode=M/S\r\nDryMix=20\r\n",
         Source::File, "DryMix=20.0 %", 0},
        {"byte-order mark and CRLF", "p.preset", "\xEF\xBB\xBFStereoMode=M/S\r\n", Source::File,
         "StereoMode=M/S", 0},
        {"a 10 MB line", "p.preset", "# fine\n" + longLine, Source::File,
         "p.preset:2: a line longer than", 2},
        {"/dev/zero", "", "", Source::EndlessDevice, "/dev/zero:1: a line longer than", 2},
        {"a FIFO nobody writes to", "fifo.preset", "", Source::SilentFifo,
         "fifo.preset': it did not end within", 2},
        {"a NUL in a name", "p.preset", std::string("Tone\0Gain=3\n", 12), Source::File,
         "p.preset:1: Tone\\x00Gain=3: unknown parameter 'Tone\\x00Gain'", 2},
        {"escapes in a value", "p.preset", "Tone_Gain=\x1b[2J-6\x1b]0;x\x07\n", Source::File,
         "p.preset:1: Tone_Gain=\\x1b[2J-6\\x1b]0;x\\x07: not a value it shows", 2},
        {"an escape in a name", "p.preset", "Dry\x1b[8mMix=3\n", Source::File,
         "p.preset:1: Dry\\x1b[8mMix=3: unknown parameter", 2},
        {"a NUL in a value", "p.preset", std::string("DryMix=3\0 %\n", 12), Source::File,
         "p.preset:1: DryMix=3\\x00 %: not a value it shows", 2},
        {"a carriage return in a name", "p.preset", "Loud\rcalderine-render: done=1\n",
         Source::File, "p.preset:1: Loud\\x0dcalderine-render: done=1: unknown", 2},
        {"a newline in the file's name", "a\nb.preset", "Loudness=3\n", Source::File,
         "a\\nb.preset:1: Loudness=3: unknown parameter", 2},
        {"not an assignment, with escapes", "p.preset", "\x1b[31mloud\n", Source::File,
         "p.preset:1: expected NAME=VALUE, got '\\x1b[31mloud'", 2},
    };
    constexpr auto kBound = std::chrono::seconds(15);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFolder folder;
        std::string preset = (folder / c.fileName).string();
        int writer = -1; // holds the FIFO open for writing, and writes nothing
        if (c.source == Source::File) {
            std::ofstream(preset, std::ios::binary) << c.text;
        } else if (c.source == Source::EndlessDevice) {
            preset = "/dev/zero";
        } else {
            ASSERT_EQ(::mkfifo(preset.c_str(), 0600), 0);
            writer = ::open(preset.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            ASSERT_GE(writer, 0);
        }
        const std::string saved = (folder / "saved.preset").string();
        const auto start = std::chrono::steady_clock::now();
        const ToolResult result = runBounded({"--preset", preset, "--save-preset", saved});
        const auto took = std::chrono::steady_clock::now() - start;
        if (writer >= 0) {
            ::close(writer);
        }
        EXPECT_LT(took, kBound);
        EXPECT_EQ(result.status, c.status) << result.err.substr(0, 500);
        if (c.status == 0) {
            EXPECT_EQ(result.err, "");
            const auto lines = settingLines(slurp(saved));
            EXPECT_NE(std::find(lines.begin(), lines.end(), c.expected), lines.end())
                << slurp(saved);
            continue;
        }
        EXPECT_LT(result.err.size(), 1000u) << result.err.substr(0, 500);
        EXPECT_TRUE(result.err.starts_with("calderine-render: ")) << result.err.substr(0, 500);
        EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err.substr(0, 500);
        // One line, and nothing in it a terminal would act on.
        EXPECT_EQ(result.errLines(), 1);
        EXPECT_TRUE(result.err.ends_with('\n'));
        EXPECT_TRUE(std::none_of(result.err.begin(), result.err.end(), [](char b) {
            return b != '\n' && b >= 0 && b < ' ';
        })) << result.err.substr(0, 500);
        EXPECT_FALSE(std::filesystem::exists(saved));
    }
}

TEST(PresetTool, APresetIsSavedOnlyWhenTheRenderSucceeds) {
    const TempFolder folder;
    const std::string saved = (folder / "saved.preset").string();
    const ToolResult missingInput = runTool(
        {(folder / "absent.wav").string(), (folder / "out.wav").string(), "--save-preset", saved});
    EXPECT_EQ(missingInput.status, 1);
    const ToolResult missingFolder =
        runTool({"--save-preset", (folder / "absent" / "x.preset").string()});
    EXPECT_EQ(missingFolder.status, 1);
    EXPECT_EQ(missingFolder.errLines(), 1) << missingFolder.err;
    EXPECT_TRUE(folder.names().empty()) << testing::PrintToString(folder.names());
}

// "-" is standard output for a preset as for audio: no file named "-" appears.
TEST(PresetTool, ADashSavesToStandardOutput) {
    const TempFolder folder;
    writeInput(folder / "in.wav");
    const std::vector<std::vector<std::string>> commands = {
        {"--save-preset", "-", "--set", "Tone_Gain=-6.3"},
        {(folder / "in.wav").string(), (folder / "out.wav").string(), "--save-preset", "-", "--set",
         "Tone_Gain=-6.3"},
    };
    for (const auto& arguments : commands) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const ToolResult result = runTool(arguments);
        ASSERT_EQ(result.status, 0) << result.err;
        const auto lines = settingLines(result.out);
        EXPECT_NE(std::find(lines.begin(), lines.end(), "Tone_Gain=-6.3 dB"), lines.end())
            << result.out;
        EXPECT_FALSE(std::filesystem::exists("-")) << "a file named '-' was written";
        std::filesystem::remove("-");
    }
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

// Standard output carries the audio or the preset, never both; standard input has no name for
// --output-dir to write under.
TEST(PresetTool, StandardStreamsARunCannotShareAreRefusedBeforeAnyWork) {
    const struct {
        std::vector<std::string> arguments; // after in.wav or "-"; "@" is the scratch folder
        bool standardInput;
        const char* fragment;
    } cases[] = {
        {{"-", "--format", "flac", "--save-preset", "-"},
         false,
         "--save-preset - and OUTPUT - would both write standard output"},
        {{"--output-dir", "@/out"}, true, "'-' (standard input) has no name"},
        {{"--output-dir", "@/out", "--jobs", "1", "@/in.wav"},
         true,
         "'-' (standard input) has no name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fragment);
        const TempFolder folder;
        writeInput(folder / "in.wav");
        std::vector<std::string> arguments{c.standardInput ? "-" : (folder / "in.wav").string()};
        for (const std::string& argument : c.arguments) {
            arguments.push_back(argument == "@/out"      ? (folder / "out").string()
                                : argument == "@/in.wav" ? (folder / "in.wav").string()
                                                         : argument);
        }
        const ToolResult result =
            runTool(arguments, c.standardInput ? (folder / "in.wav").string() : "");
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.errLines(), 1) << result.err;
        EXPECT_NE(result.err.find(c.fragment), std::string::npos) << result.err;
        EXPECT_EQ(folder.names(), std::vector<std::string>{"in.wav"});
        EXPECT_FALSE(std::filesystem::exists("-"));
        std::filesystem::remove("-");
    }
}

// Renders in.wav through a shipped preset into NAME.wav, with the stems beside it.
void renderThrough(const TempFolder& folder, const char* preset, const std::string& name) {
    const ToolResult result = runTool({(folder / "in.wav").string(), (folder / name).string(),
                                       "--preset", shipped(preset), "--stems"});
    ASSERT_EQ(result.status, 0) << result.err;
}

TEST(ShippedPresets, EachDoesWhatItsCommentSays) {
    const TempFolder folder;
    writeInput(folder / "in.wav");
    renderThrough(folder, "transparent-split.preset", "split.wav");
    renderThrough(folder, "breath-and-hiss.preset", "breath.wav");
    renderThrough(folder, "tones-only.preset", "tones.wav");
    const auto input = readSound<float>(folder / "in.wav").samples;
    const auto tone = readSound<float>(folder / "split.tone.wav").samples;
    const auto noise = readSound<float>(folder / "split.noise.wav").samples;
    ASSERT_EQ(tone.size(), input.size());
    ASSERT_EQ(noise.size(), input.size());
    // Both parts carry a real share, so their sum is no trivial copy of one of them.
    EXPECT_GT(rms(tone), 0.1 * rms(input));
    EXPECT_GT(rms(noise), 0.1 * rms(input));

    std::vector<float> sum(input.size());
    for (std::size_t i = 0; i < sum.size(); ++i) {
        sum[i] = tone[i] + noise[i];
    }
    EXPECT_LT(largestDifference(sum, input), 1e-6) << "the parts do not add up to the input";
    EXPECT_LT(largestDifference(readSound<float>(folder / "split.wav").samples, input), 1e-5);
    EXPECT_LT(largestDifference(readSound<float>(folder / "breath.wav").samples, noise), 1e-6);
    EXPECT_LT(largestDifference(readSound<float>(folder / "tones.wav").samples, tone), 1e-6);
}

TEST(ShippedPresets, EachOpensWithAComment) {
    for (const char* name :
         {"transparent-split.preset", "breath-and-hiss.preset", "tones-only.preset"}) {
        SCOPED_TRACE(name);
        const std::string text = slurp(shipped(name));
        EXPECT_TRUE(text.starts_with("# ")) << text;
    }
}

} // namespace
} // namespace calderine
