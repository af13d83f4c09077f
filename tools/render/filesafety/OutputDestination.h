// Where an output's bytes go, found out before anything is written. A regular or a new file is
// written aside and renamed into place, so it changes all at once or not at all; a device or a
// pipe is written straight into, since renaming over it would replace it with a plain file.
// A symbolic link stays a link: its final target is what gets written.
#pragma once

#include <filesystem>
#include <optional>
#include <sys/types.h>

namespace calderine {

enum class DestinationKind {
    NewFile,
    RegularFile,
    Device, // character or block: writable in place, usually seekable
    Pipe,   // named pipe or socket: the format must stream without seeking back
    Folder,
};

// The same file whatever the name it is reached by.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;

    // Empty when nothing is there (a dangling link included).
    static std::optional<FileIdentity> of(const std::filesystem::path& path);
};

class OutputDestination {
public:
    // Throws AudioFileError when links loop or lead nowhere that can be named.
    static OutputDestination inspect(const std::filesystem::path& named);

    // As the command line gave it, for messages.
    const std::filesystem::path& named() const noexcept { return namedPath; }
    // Where the sound lands: the final target of any links, absolute and without dot segments
    // for a regular or new file; the name itself for a device or a pipe.
    const std::filesystem::path& resolved() const noexcept { return resolvedPath; }
    DestinationKind kind() const noexcept { return destinationKind; }
    const std::optional<FileIdentity>& identity() const noexcept { return fileIdentity; }

    bool writtenAside() const noexcept {
        return destinationKind == DestinationKind::NewFile ||
               destinationKind == DestinationKind::RegularFile;
    }
    // A regular file this user may not write, or that nobody may (root ignores the bits).
    bool readOnly() const noexcept { return isReadOnly; }
    // Permission bits of the existing file, or what the umask leaves of 0666 for a new one.
    mode_t permissions() const noexcept { return mode; }
    // Owner of the existing file, to hand on to its replacement.
    std::optional<std::pair<uid_t, gid_t>> owner() const noexcept { return fileOwner; }

    // Whether writing one would overwrite the other.
    bool sameFileAs(const OutputDestination& other) const;

private:
    std::filesystem::path namedPath;
    std::filesystem::path resolvedPath;
    DestinationKind destinationKind = DestinationKind::NewFile;
    std::optional<FileIdentity> fileIdentity;
    bool isReadOnly = false;
    mode_t mode = 0;
    std::optional<std::pair<uid_t, gid_t>> fileOwner;
};

} // namespace calderine
