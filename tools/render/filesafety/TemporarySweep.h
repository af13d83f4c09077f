// Removes the temporary files that runs killed outright (SIGKILL, a crash, a power cut) left
// in a folder: no handler of theirs could. A file goes only when everything says its maker is
// gone, since another run may be writing it right now:
// - its name is a temporary's of this tool, with a process id other than this one's;
// - it is a regular file (not a link) of this user;
// - no process has that id (kill(pid, 0) fails with ESRCH, not merely EPERM);
// - no process holds the lock its maker keeps on it while writing (a run in another process
//   namespace, on another machine sharing the folder, has an id this one cannot see).
#pragma once

#include <filesystem>

namespace calderine {

class TemporarySweep {
public:
    // Takes the lock that tells a live run's temporary from an abandoned one; held until
    // the descriptor is closed.
    static void markLive(int descriptor) noexcept;
    // Quietly: a file that cannot be examined or removed stays.
    static void removeAbandoned(const std::filesystem::path& folder) noexcept;
};

} // namespace calderine
