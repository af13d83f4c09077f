#include "tools/render/commands/ModuleProbe.h"

#include "tools/vsthost/HostError.h"
#include "tools/vsthost/PluginModule.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace calderine {

namespace {

using Clock = std::chrono::steady_clock;

// The child's one-byte answer.
constexpr char kModule = 'm';
constexpr char kNotModule = 'n';
// How often a child that closed its end of the pipe is looked at until it has exited.
constexpr std::chrono::milliseconds kReapInterval{10};

// In the child: loads the library with its standard streams on /dev/null, so that nothing it
// prints reaches the listing (nor, when it calls exit, buffers inherited from the parent),
// answers and leaves without running anything more of the library's or the parent's.
[[noreturn]] void answerInChild(const std::filesystem::path& path, int answerEnd) {
    const int nothing = ::open("/dev/null", O_RDWR);
    if (nothing >= 0) {
        ::dup2(nothing, STDIN_FILENO);
        ::dup2(nothing, STDOUT_FILENO);
        ::dup2(nothing, STDERR_FILENO);
    }
    char answer = kNotModule;
    try {
        const PluginModule module(path);
        answer = kModule;
        // Before the library is closed: its destructors are as untrusted as its constructors.
        [[maybe_unused]] const auto written = ::write(answerEnd, &answer, 1);
        ::_exit(0);
    } catch (...) {
    }
    [[maybe_unused]] const auto written = ::write(answerEnd, &answer, 1);
    ::_exit(0);
}

// The one byte the child writes, or nothing when it closed the pipe without one or the
// deadline passed.
std::optional<char> readAnswer(int answerEnd, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        pollfd wanted{answerEnd, POLLIN, 0};
        const int ready = ::poll(&wanted, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return std::nullopt;
        }
        char answer = 0;
        const auto got = ::read(answerEnd, &answer, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return got == 1 ? std::optional<char>(answer) : std::nullopt;
    }
}

// The child's wait status once it has ended, killed when it has not by the deadline; nothing
// when it had to be killed.
std::optional<int> reap(pid_t child, Clock::time_point deadline) {
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) {
            return status;
        }
        if (done < 0 && errno != EINTR) {
            return status;
        }
        if (Clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(kReapInterval);
    }
    ::kill(child, SIGKILL);
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> ModuleProbe::problem(const std::filesystem::path& path,
                                                std::chrono::milliseconds limit) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        throw HostError("cannot look into '" + path.string() + "': " + std::strerror(errno));
    }
    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(ends[0]);
        ::close(ends[1]);
        throw HostError("cannot look into '" + path.string() + "': " + std::strerror(error));
    }
    if (child == 0) {
        ::close(ends[0]);
        answerInChild(path, ends[1]);
    }
    ::close(ends[1]);
    const auto deadline = Clock::now() + limit;
    const std::optional<char> answer = readAnswer(ends[0], deadline);
    ::close(ends[0]);
    const std::optional<int> status = reap(child, deadline);
    if (answer) {
        return *answer == kModule ? std::nullopt
                                  : std::optional<std::string>("not a VST 2.4 module");
    }
    if (!status) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limit).count();
        return "did not answer within " + std::to_string(seconds) + " s";
    }
    if (WIFSIGNALED(*status)) {
        return "crashed while loading: signal " + std::to_string(WTERMSIG(*status));
    }
    return "exited while loading: status " + std::to_string(WEXITSTATUS(*status));
}

} // namespace calderine
