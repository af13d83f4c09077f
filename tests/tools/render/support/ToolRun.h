// Runs the built calderine-render as a user would, with its standard output and error
// captured and its exit status returned.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace calderine {

struct ToolResult {
    int status = -1; // the exit status; -1 when the tool did not exit normally
    std::string out;
    std::string err;

    int errLines() const {
        int lines = 0;
        for (const char c : err) {
            lines += c == '\n' ? 1 : 0;
        }
        return lines;
    }
};

inline std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The tool's command line for exec: the words own the texts that argv() points into.
class ToolCommandLine {
public:
    explicit ToolCommandLine(const std::vector<std::string>& arguments)
        : words{CALDERINE_RENDER_TOOL} {
        words.insert(words.end(), arguments.begin(), arguments.end());
        for (auto& word : words) {
            pointers.push_back(word.data());
        }
        pointers.push_back(nullptr);
    }
    ToolCommandLine(const ToolCommandLine&) = delete;
    ToolCommandLine& operator=(const ToolCommandLine&) = delete;

    char* const* argv() const { return pointers.data(); }

private:
    std::vector<std::string> words;
    std::vector<char*> pointers;
};

// The tool started and left running, for tests that act on it while it works; wait() collects
// its result.
class RunningTool {
public:
    // input: a file to connect to the tool's standard input; empty for none.
    explicit RunningTool(const std::vector<std::string>& arguments, const std::string& input = "") {
        static int serial = 0;
        const std::string base = "/tmp/calderine-tool-run-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(serial++);
        outPath = base + ".out";
        errPath = base + ".err";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (!input.empty()) {
            posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.c_str(), O_RDONLY, 0);
        }
        // A test run from a background job inherits ignored interrupts; the tool must not.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (const int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE}) {
            sigaddset(&defaults, signal);
        }
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
        const ToolCommandLine line(arguments);
        if (posix_spawn(&child, line.argv()[0], &actions, &attributes, line.argv(), environ) != 0) {
            child = -1;
        }
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~RunningTool() {
        if (child > 0) {
            ::kill(child, SIGKILL);
            wait();
        }
    }
    RunningTool(const RunningTool&) = delete;
    RunningTool& operator=(const RunningTool&) = delete;

    pid_t pid() const { return child; }

    // Sends the tool a signal. Never kill(pid(), ...) directly: a tool that failed to start
    // has pid -1, and kill(-1, ...) signals every process the tests may signal.
    void signal(int number) const {
        if (child > 0) {
            ::kill(child, number);
        }
    }

    // As wait(), but a tool still running after `patience` is killed (status -1): a fault that
    // makes it hang fails the test instead of hanging it.
    ToolResult waitAtMost(std::chrono::milliseconds patience) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        // WNOWAIT: the child stays to be collected by wait().
        for (siginfo_t ended{}; child > 0; ended = {}) {
            if (waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOHANG | WNOWAIT) != 0 ||
                ended.si_pid != 0) {
                break;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(child, SIGKILL);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return wait();
    }

    ToolResult wait() {
        ToolResult result;
        if (child > 0) {
            int status = 0;
            waitpid(child, &status, 0);
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            child = -1;
        }
        result.out = slurp(outPath);
        result.err = slurp(errPath);
        std::remove(outPath.c_str());
        std::remove(errPath.c_str());
        return result;
    }

private:
    pid_t child = -1;
    std::string outPath;
    std::string errPath;
};

// input: a file to connect to the tool's standard input; empty for none.
inline ToolResult runTool(const std::vector<std::string>& arguments,
                          const std::string& input = "") {
    return RunningTool(arguments, input).wait();
}

// A word for the shell, in single quotes (none may be inside).
inline std::string shellQuoted(const std::string& word) {
    // Appended step by step: GCC 12 reports a false -Wrestrict for "'" + std::string at -O3.
    std::string text(1, '\'');
    text += word;
    text += '\'';
    return text;
}

// Runs a bash pipeline, for tests that need real pipes around the tool. The status is that of
// the last command that failed (pipefail); standard error is collected, standard output is
// wherever the line sends it.
inline ToolResult runShell(const std::string& line) {
    static int serial = 0;
    const std::string errors = "/tmp/calderine-shell-run-" + std::to_string(::getpid()) + "-" +
                               std::to_string(serial++) + ".err";
    const std::string command = "bash -o pipefail -c " + shellQuoted(line) + " 2> " + errors;
    const int status = std::system(command.c_str());
    ToolResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = slurp(errors);
    std::remove(errors.c_str());
    return result;
}

} // namespace calderine
