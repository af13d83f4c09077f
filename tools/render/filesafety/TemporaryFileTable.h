// The hidden temporary files of a run, kept where a signal handler can reach them: a fixed
// table of C strings, so that on any signal that would end the run (a closed terminal, an
// interrupt, a termination request, a reader gone from a pipe; the list in the source) the
// handler removes them with nothing but unlink(), ends an open progress line with write(), and
// the tool exits with 128 + the signal's number, as a shell reports a program a signal ended.
#pragma once

#include <cstddef>
#include <filesystem>

namespace calderine {

class TemporaryFileTable {
public:
    // The mix and its two stems for each of the most jobs that run at once (64, which the
    // command line checks against this), and the preset.
    static constexpr std::size_t kCapacity = 3 * 64 + 1;

    struct Created {
        int descriptor = -1; // open for reading and writing
        std::size_t slot = 0;
        std::filesystem::path path;
    };

    // For each of those signals, except one ignored since the start (SIGINT in a background
    // job, SIGHUP under nohup, SIGPIPE by a caller that wants EPIPE instead). SIGXFSZ is
    // ignored: a write past the file size limit fails like any other.
    static void installSignalHandlers();

    // A new empty file in folder under a hidden name of this process (see TemporaryName),
    // registered before a byte is written and locked as long as the descriptor is open. The
    // first file in a folder also clears it of what killed runs left (see TemporarySweep).
    // Throws std::system_error when it cannot be made or the table is full.
    static Created create(const std::filesystem::path& folder);

    // Forgets the file: it was renamed into place or removed.
    static void release(std::size_t slot) noexcept;
};

} // namespace calderine
