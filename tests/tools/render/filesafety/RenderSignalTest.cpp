// calderine-render stopped while it writes by a signal that would end it (a closed terminal,
// an interrupt, a termination request, a reader gone from a pipe): it must remove its hidden
// temporary files and exit with 128 + the signal's number, as a shell reports a program the
// signal ended.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace calderine {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr auto kPatience = std::chrono::seconds(30);

std::size_t hiddenCount(const TempFolder& folder) {
    std::size_t hidden = 0;
    for (const std::string& name : folder.names()) {
        hidden += name.starts_with('.') ? 1 : 0;
    }
    return hidden;
}

// The header of a 16-bit stereo WAV file whose data never ends: the data chunk claims far
// more than any test feeds.
std::string endlessWavHeader(const TempFolder& folder) {
    const fs::path sample = folder / "header.wav";
    writeSound(sample, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, testSignal(4, 2, kRate));
    std::ifstream in(sample, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    fs::remove(sample);
    std::string header = bytes.str();
    const std::size_t data = header.find("data");
    header.resize(data + 8);
    const std::uint32_t huge = 0x7FFF0000u;
    std::memcpy(header.data() + 4, &huge, 4); // the RIFF size, little-endian on the test host
    std::memcpy(header.data() + data + 4, &huge, 4);
    return header;
}

// Feeds a named pipe a WAV stream of quiet noise until the reader goes away.
class EndlessWriter {
public:
    EndlessWriter(const fs::path& pipe, std::string header)
        : pipe(pipe), thread([this, pipe, header]() mutable {
              // SIGPIPE stays pending on this thread instead of ending the test program.
              sigset_t pipeSignal;
              sigemptyset(&pipeSignal);
              sigaddset(&pipeSignal, SIGPIPE);
              pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
              const int fd = ::open(pipe.c_str(), O_WRONLY);
              std::string block = header;
              std::uint32_t state = 1;
              while (fd >= 0 && !stop) {
                  block.resize(header.size() + 4096);
                  for (std::size_t i = header.size(); i < block.size(); ++i) {
                      state = state * 1664525u + 1013904223u;
                      block[i] = static_cast<char>((state >> 24) & 0x07);
                  }
                  if (::write(fd, block.data(), block.size()) < 0) {
                      break;
                  }
                  header.clear();
                  block.clear();
              }
              ::close(fd);
          }) {}
    ~EndlessWriter() {
        stop = true;
        // Lets the writer's open() return if the tool never opened the pipe; Linux wakes it on
        // any reader's arrival, even one already gone.
        ::close(::open(pipe.c_str(), O_RDONLY | O_NONBLOCK));
        thread.join();
    }

private:
    fs::path pipe;
    std::atomic<bool> stop{false};
    std::thread thread;
};

TEST(RenderSignals, StoppedRenderLeavesNoTemporaryFiles) {
    struct Case {
        int signal;
        int exitStatus;
        bool stems;
        bool savePreset;
        std::size_t temporaries;
    };
    const Case cases[] = {
        {SIGTERM, 143, true, false, 3},  {SIGINT, 130, true, false, 3},
        {SIGTERM, 143, false, false, 1}, {SIGINT, 130, false, true, 2},
        {SIGHUP, 129, true, false, 3},   {SIGHUP, 129, false, true, 2},
        {SIGQUIT, 131, false, false, 1}, {SIGPIPE, 141, false, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(strsignal(c.signal) + std::string(c.stems ? ", stems" : "") +
                     (c.savePreset ? ", preset" : ""));
        const TempFolder folder;
        const std::string header = endlessWavHeader(folder);
        const fs::path input = folder / "in.wav";
        ASSERT_EQ(::mkfifo(input.c_str(), 0600), 0);
        EndlessWriter writer(input, header);
        std::vector<std::string> arguments{input.string(), (folder / "out.wav").string()};
        if (c.stems) {
            arguments.push_back("--stems");
        }
        if (c.savePreset) {
            arguments.insert(arguments.end(), {"--save-preset", (folder / "saved").string()});
        }
        RunningTool tool(arguments);
        ASSERT_GT(tool.pid(), 0);
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (hiddenCount(folder) < c.temporaries && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_EQ(hiddenCount(folder), c.temporaries) << "the render did not start";
        tool.signal(c.signal);
        const ToolResult result = tool.wait();
        EXPECT_EQ(result.status, c.exitStatus) << result.err;
        EXPECT_EQ(folder.names(), std::vector<std::string>{"in.wav"});
    }
}

std::vector<std::string> hiddenNames(const fs::path& folder) {
    std::vector<std::string> hidden;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (const std::string name = entry.path().filename().string(); name.starts_with('.')) {
            hidden.push_back(name);
        }
    }
    return hidden;
}

fs::path madeFifo(const fs::path& path) {
    ::mkfifo(path.c_str(), 0600);
    return path;
}

// A render that writes out/NAME from an endless pipe and has begun writing.
struct EndlessRender {
    EndlessRender(const TempFolder& folder, const std::string& name, std::size_t hiddenBefore)
        : input(madeFifo(folder / (name + ".fifo"))), writer(input, endlessWavHeader(folder)),
          tool({input.string(), (folder / "out" / name).string(), "--format", "wav"}) {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (hiddenNames(folder / "out").size() == hiddenBefore &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    fs::path input;
    EndlessWriter writer;
    RunningTool tool;
};

std::string temporaryPrefixOf(pid_t pid) {
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, ".calderine-render-%010d-", static_cast<int>(pid));
    return prefix;
}

// SIGKILL leaves no handler a chance: the temporary stays, named so that its maker is known,
// and the next run writing into that folder removes it, but never the file of a run still
// going.
TEST(RenderSignals, AKilledRunsTemporaryGoesWithTheNextRunAndALiveRunsStays) {
    const TempFolder folder;
    fs::create_directories(folder / "out");
    // Started first: a run also sweeps the folder, and this one must find nothing to remove.
    EndlessRender live(folder, "live.wav", 0);
    const auto liveOnly = hiddenNames(folder / "out");
    ASSERT_EQ(liveOnly.size(), 1u) << "the live render did not start";
    const std::string livePrefix = temporaryPrefixOf(live.tool.pid());
    // The prefix and six characters of mkstemp's.
    EXPECT_EQ(liveOnly.front().size(), livePrefix.size() + 6) << liveOnly.front();
    EXPECT_TRUE(liveOnly.front().starts_with(livePrefix)) << liveOnly.front();

    EndlessRender killed(folder, "killed.wav", 1);
    ASSERT_EQ(hiddenNames(folder / "out").size(), 2u) << "the render to kill did not start";
    const std::string killedPrefix = temporaryPrefixOf(killed.tool.pid());
    killed.tool.signal(SIGKILL);
    EXPECT_EQ(killed.tool.wait().status, -1);
    const auto left = hiddenNames(folder / "out");
    ASSERT_EQ(left.size(), 2u) << "SIGKILL cannot have removed it";
    EXPECT_EQ(
        std::count_if(left.begin(), left.end(),
                      [&](const std::string& name) { return name.starts_with(killedPrefix); }),
        1);

    const fs::path input = folder / "in.wav";
    writeSound(input, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, testSignal(4410, 2, kRate));
    const ToolResult later = runTool({input.string(), (folder / "out" / "later.wav").string()});
    ASSERT_EQ(later.status, 0) << later.err;
    EXPECT_EQ(hiddenNames(folder / "out"), liveOnly);

    live.tool.signal(SIGTERM);
    EXPECT_EQ(live.tool.wait().status, 143);
    EXPECT_EQ(hiddenNames(folder / "out"), std::vector<std::string>{});
}

// A file grown past the size limit fails as on a full disk, with its reason and no temporary
// left, instead of the run ending without a word at SIGXFSZ.
TEST(RenderSignals, AnOutputOverTheFileSizeLimitFailsWithItsReason) {
    const TempFolder folder;
    const fs::path input = folder / "in.wav";
    // One second of 16-bit stereo: 176 kB, over the limit of 64 kB (bash's unit: 1024 bytes).
    writeSound(input, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, testSignal(kRate, 2, kRate));
    const ToolResult result =
        runShell("ulimit -f 64; " + shellQuoted(CALDERINE_RENDER_TOOL) + " " +
                 shellQuoted(input.string()) + " " + shellQuoted((folder / "out.wav").string()));
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.errLines(), 1) << result.err;
    EXPECT_NE(result.err.find("File too large"), std::string::npos) << result.err;
    EXPECT_EQ(folder.names(), std::vector<std::string>{"in.wav"});
}

} // namespace
} // namespace calderine
