// A listening program on a named pipe, for tests of the tool writing into one.
#pragma once

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

namespace calderine {

// Drains a named pipe on a thread of its own, as a listening program would. The pipe is opened
// without waiting for a writer, so that a tool that never opens it cannot hang the test.
class PipeReader {
public:
    explicit PipeReader(const std::filesystem::path& pipe)
        : fd(::open(pipe.c_str(), O_RDONLY | O_NONBLOCK)), thread([this] {
              for (bool last = false; fd >= 0 && !last;) {
                  // Whatever the tool wrote is in the pipe once it has ended.
                  last = toolEnded;
                  for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) {
                      bytes.append(buffer, static_cast<std::size_t>(got));
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          }) {}
    ~PipeReader() {
        if (thread.joinable()) {
            finish();
        }
        ::close(fd);
    }
    PipeReader(const PipeReader&) = delete;
    PipeReader& operator=(const PipeReader&) = delete;

    // Call once the tool has ended.
    std::string finish() {
        toolEnded = true;
        thread.join();
        return bytes;
    }

private:
    int fd;
    std::atomic<bool> toolEnded{false};
    char buffer[4096];
    std::string bytes;
    std::thread thread;
};

} // namespace calderine
