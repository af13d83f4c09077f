// Many files in one run against the built module: each output must be what a render of that
// file alone gives, however many run at once, and a bad file must cost nothing but itself.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
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

// The tool's standard error, read through a pipe of one page that is drained slowly: the
// tool's writes wait for room, so that writes of several jobs meet there; standard output is
// dropped. Returns the exit status, -1 where the tool did not exit normally.
int runWithSlowStandardError(const std::vector<std::string>& arguments, std::string& errors) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return -1;
    }
    ::fcntl(ends[0], F_SETPIPE_SZ, 4096);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
    const ToolCommandLine line(arguments);
    pid_t child = -1;
    const int spawned =
        posix_spawn(&child, line.argv()[0], &actions, nullptr, line.argv(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    char piece[32];
    for (ssize_t got; spawned == 0 && (got = ::read(ends[0], piece, sizeof piece)) > 0;) {
        errors.append(piece, static_cast<std::size_t>(got));
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    ::close(ends[0]);
    int status = 0;
    if (spawned != 0 || ::waitpid(child, &status, 0) != child) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Jobs that warn at once: each warning still reaches standard error as a line of its own,
// never cut into by another job's.
TEST(BatchTool, WarningsOfParallelJobsStayWholeLines) {
    constexpr int kFiles = 48;
    constexpr int kRuns = 2;
    const TempFolder folder;
    std::filesystem::create_directories(folder / "in");
    // Loud 16-bit inputs, raised 18 dB more: every file and its tone stem clip.
    std::vector<double> loud = testSignal(1000, 2, 44100);
    for (double& sample : loud) {
        sample *= 1.9;
    }
    std::vector<std::string> inputs;
    for (int i = 0; i < kFiles; ++i) {
        inputs.push_back((folder / "in" / ("loud" + std::to_string(i) + ".wav")).string());
        writeSound(inputs.back(), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, loud);
    }
    const std::regex whole("calderine-render: warning: [0-9]+ samples clipped in '[^']*/out/"
                           "loud[0-9]+(\\.tone|\\.noise)?\\.wav' \\(peak [^)]*\\); [^:]* keeps "
                           "them");
    for (int run = 0; run < kRuns; ++run) {
        SCOPED_TRACE(run);
        std::vector<std::string> arguments{
            "--output-dir", (folder / "out").string(), "--jobs", "8", "--stems", "--force", "--set",
            "Tone_Gain=18"};
        arguments.insert(arguments.end(), inputs.begin(), inputs.end());
        std::string errors;
        ASSERT_EQ(runWithSlowStandardError(arguments, errors), 0) << errors;
        std::istringstream lines(errors);
        int count = 0;
        for (std::string line; std::getline(lines, line); ++count) {
            EXPECT_TRUE(std::regex_match(line, whole)) << line;
        }
        EXPECT_GE(count, 2 * kFiles) << errors;
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
