// calderine-render stopped by an interrupt or a termination request while it writes: it must
// remove its hidden temporary files and exit with 128 + the signal's number, as a shell
// reports a program the signal ended.
#include "tests/tools/render/TempFolder.h"
#include "tests/tools/render/TestAudio.h"
#include "tests/tools/render/ToolRun.h"

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
        std::size_t temporaries;
    };
    const Case cases[] = {
        {SIGTERM, 143, true, 3},
        {SIGINT, 130, true, 3},
        {SIGTERM, 143, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(strsignal(c.signal) + std::string(c.stems ? ", stems" : ""));
        const TempFolder folder;
        const std::string header = endlessWavHeader(folder);
        const fs::path input = folder / "in.wav";
        ASSERT_EQ(::mkfifo(input.c_str(), 0600), 0);
        EndlessWriter writer(input, header);
        std::vector<std::string> arguments{input.string(), (folder / "out.wav").string()};
        if (c.stems) {
            arguments.push_back("--stems");
        }
        RunningTool tool(arguments);
        ASSERT_GT(tool.pid(), 0);
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (hiddenCount(folder) < c.temporaries && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_EQ(hiddenCount(folder), c.temporaries) << "the render did not start";
        ::kill(tool.pid(), c.signal);
        const ToolResult result = tool.wait();
        EXPECT_EQ(result.status, c.exitStatus) << result.err;
        EXPECT_EQ(folder.names(), std::vector<std::string>{"in.wav"});
    }
}

} // namespace
} // namespace calderine
