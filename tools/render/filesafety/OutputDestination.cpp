#include "tools/render/filesafety/OutputDestination.h"

#include "tools/render/common/AudioFileError.h"
#include "tools/render/common/TextForms.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace calderine {

namespace {

namespace fs = std::filesystem;

// As many links as Linux itself follows before it calls it a loop.
constexpr int kMaxLinkHops = 40;
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPermissionBits = 07777;
constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;

mode_t readUmask() {
    // The only way to read it is to set it, and a file created meanwhile by another thread
    // would get the wrong permissions: read once, while the program starts, before any thread.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

const mode_t processUmask = readUmask();

mode_t currentUmask() {
    return processUmask;
}

// A name that does not exist yet, possibly reached through dangling links: the file that
// writing it creates. fs::canonical cannot follow links to nothing.
fs::path followToNewFile(const fs::path& named) {
    fs::path path = fs::absolute(named);
    for (int hop = 0; fs::is_symlink(fs::symlink_status(path)); ++hop) {
        if (hop == kMaxLinkHops) {
            throw AudioFileError("cannot write " + quoted(named) +
                                 ": too many levels of symbolic links");
        }
        const fs::path target = fs::read_symlink(path);
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    std::error_code error;
    const fs::path folder = fs::weakly_canonical(path.parent_path(), error);
    return (error ? path.parent_path() : folder) / path.filename();
}

DestinationKind kindOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return DestinationKind::RegularFile;
    }
    if (S_ISDIR(mode)) {
        return DestinationKind::Folder;
    }
    if (S_ISFIFO(mode) || S_ISSOCK(mode)) {
        return DestinationKind::Pipe;
    }
    return DestinationKind::Device;
}

} // namespace

std::optional<FileIdentity> FileIdentity::of(const fs::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{status.st_dev, status.st_ino};
}

OutputDestination OutputDestination::inspect(const fs::path& named) {
    OutputDestination destination;
    destination.namedPath = named;
    struct stat status {};
    if (::stat(named.c_str(), &status) != 0) {
        if (errno == ELOOP) {
            throw AudioFileError("cannot write " + quoted(named) + ": " + std::strerror(errno));
        }
        destination.destinationKind = DestinationKind::NewFile;
        destination.resolvedPath = followToNewFile(named);
        destination.mode = kNewFileMode & ~currentUmask();
        return destination;
    }
    destination.destinationKind = kindOf(status.st_mode);
    destination.fileIdentity = FileIdentity{status.st_dev, status.st_ino};
    if (destination.destinationKind != DestinationKind::RegularFile) {
        destination.resolvedPath = named;
        return destination;
    }
    destination.resolvedPath = fs::canonical(named);
    destination.mode = status.st_mode & kPermissionBits;
    destination.fileOwner = std::pair{status.st_uid, status.st_gid};
    destination.isReadOnly = (status.st_mode & kAnyWriteBit) == 0 ||
                             ::faccessat(AT_FDCWD, named.c_str(), W_OK, AT_EACCESS) != 0;
    return destination;
}

bool OutputDestination::sameFileAs(const OutputDestination& other) const {
    if (fileIdentity && other.fileIdentity) {
        return *fileIdentity == *other.fileIdentity;
    }
    return !fileIdentity && !other.fileIdentity && resolvedPath == other.resolvedPath;
}

} // namespace calderine
