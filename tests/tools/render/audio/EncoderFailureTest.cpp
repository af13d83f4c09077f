// calderine-render when the disk refuses the sound part-way, for every format: the run must
// fail with the system's reason, leave no partial or temporary file, and print nothing on
// standard output. A full device refuses every byte; a file-size limit (RLIMIT_FSIZE, with
// SIGXFSZ ignored, as any user may set) refuses the bytes past it with EFBIG, as a file
// system filling up mid-render would with ENOSPC.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace calderine {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 48000;
// Three seconds of tones over noise: hundreds of kilobytes in every format, lossy included.
constexpr std::size_t kFrames = 3 * kRate;
// Far below any of them, far above a header and one line on standard error.
constexpr rlim_t kFileSizeLimit = 16 * 1024;

constexpr const char* kNoSpace = "No space left on device";
constexpr const char* kTooLarge = "File too large";

struct Format {
    const char* name;
    bool streams; // may be written to standard output
};

const Format kFormats[] = {
    {"wav", false},  {"flac", true}, {"aiff", false}, {"caf", false}, {"w64", false},
    {"rf64", false}, {"au", true},   {"ogg", true},   {"opus", true}, {"mp3", true},
};

// The tool with its standard output and error going to the given files, under a limit on
// the size of any file it writes (0: none).
ToolResult runLimited(const std::vector<std::string>& arguments, const fs::path& out,
                      const fs::path& err, rlim_t fileSizeLimit) {
    const ToolCommandLine line(arguments);
    const pid_t child = ::fork();
    if (child == 0) {
        const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(outFd, STDOUT_FILENO);
        ::dup2(errFd, STDERR_FILENO);
        if (fileSizeLimit > 0) {
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, SIG_IGN); // writes past the limit fail with EFBIG instead
        }
        ::execv(line.argv()[0], line.argv());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ToolResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = out == "/dev/full" ? "" : slurp(out.string());
    result.err = slurp(err.string());
    return result;
}

TEST(EncoderFailure, EveryFormatReportsARefusedWriteAndLeavesNothing) {
    const TempFolder scratch;
    const fs::path input = scratch / "in.wav";
    writeSound(input, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, kRate, testSignal(kFrames, 2, kRate));
    const std::vector<std::string> common{"--plugin", CALDERINE_FAKE_DELAY_MODULE};

    int refused = 0;
    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.name);
        const TempFolder folder; // where the output goes, and nothing else
        const fs::path file = folder / (std::string("out.") + format.name);
        struct Destination {
            std::string what;
            std::vector<std::string> arguments;
            fs::path out; // where standard output goes
            rlim_t limit;
            const char* reason;
        };
        std::vector<Destination> destinations = {
            {"/dev/full",
             {input.string(), "/dev/full", "--format", format.name},
             scratch / "stdout",
             0,
             kNoSpace},
            {"a file past the size limit",
             {input.string(), file.string()},
             scratch / "stdout",
             kFileSizeLimit,
             kTooLarge},
        };
        if (format.streams) {
            destinations.push_back({"standard output on /dev/full",
                                    {input.string(), "-", "--format", format.name},
                                    "/dev/full",
                                    0,
                                    kNoSpace});
        }
        for (Destination& destination : destinations) {
            SCOPED_TRACE(destination.what);
            destination.arguments.insert(destination.arguments.end(), common.begin(), common.end());
            const ToolResult result = runLimited(destination.arguments, destination.out,
                                                 scratch / "stderr", destination.limit);
            ++refused;
            EXPECT_EQ(result.status, 1) << result.err;
            EXPECT_EQ(result.errLines(), 1) << result.err;
            EXPECT_NE(result.err.find(destination.reason), std::string::npos) << result.err;
            EXPECT_EQ(result.out, "");
            EXPECT_TRUE(folder.names().empty()) << "left behind: " << folder.names().front();
        }
    }
    EXPECT_EQ(refused, 25);
}

} // namespace
} // namespace calderine
