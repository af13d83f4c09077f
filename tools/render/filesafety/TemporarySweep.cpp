#include "tools/render/filesafety/TemporarySweep.h"

#include "tools/render/filesafety/TemporaryName.h"

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace calderine {

namespace {

bool ownerIsGone(pid_t owner) {
    return owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH;
}

bool nobodyHoldsIt(int folder, const char* name) {
    const int file = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        return false;
    }
    const bool free = ::flock(file, LOCK_EX | LOCK_NB) == 0;
    ::close(file);
    return free;
}

} // namespace

void TemporarySweep::markLive(int descriptor) noexcept {
    // A file system without locks leaves the process id alone to protect the file.
    ::flock(descriptor, LOCK_EX | LOCK_NB);
}

void TemporarySweep::removeAbandoned(const std::filesystem::path& folder) noexcept {
    const int descriptor =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return;
    }
    DIR* listing = ::fdopendir(descriptor);
    if (listing == nullptr) {
        ::close(descriptor);
        return;
    }
    while (const dirent* entry = ::readdir(listing)) {
        const auto owner = TemporaryName::owner(entry->d_name);
        struct stat status {};
        if (!owner || ::fstatat(descriptor, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode) || status.st_uid != ::geteuid() || !ownerIsGone(*owner) ||
            !nobodyHoldsIt(descriptor, entry->d_name)) {
            continue;
        }
        ::unlinkat(descriptor, entry->d_name, 0);
    }
    ::closedir(listing);
}

} // namespace calderine
