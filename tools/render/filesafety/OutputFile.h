// The one way calderine-render puts bytes under a name it was given, audio and text alike.
// A regular or a new file is written under a hidden temporary name, created exclusively in
// the folder of the final target (see TemporaryFileTable), and renamed over that target only
// by commit(): a failed or stopped run leaves neither a partial file nor a damaged old one,
// and a symbolic link stays a link. A device or a pipe is written straight into and stays
// what it is. Which names may be written at all is OutputGuard's to decide beforehand.
#pragma once

#include "tools/render/filesafety/OutputDestination.h"

#include <cstddef>
#include <filesystem>
#include <optional>

namespace calderine {

class OutputFile {
public:
    // Opens at once, so that a destination that cannot be written is refused before any
    // work; throws AudioFileError with the system's reason. A pipe's open waits for a reader.
    explicit OutputFile(const OutputDestination& destination);
    // Closes, and removes the temporary file unless commit() succeeded.
    ~OutputFile();

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Open for writing (and reading, aside) until complete().
    int descriptor() const noexcept { return fd; }
    const OutputDestination& destination() const noexcept { return target; }

    // Puts every byte, retrying interrupted and partial writes; throws AudioFileError.
    void write(const char* bytes, std::size_t size);
    // Brings a temporary file onto the disk and closes the descriptor, which may report a
    // failed write only now; throws AudioFileError.
    void complete();
    // Completes if needed and gives a temporary file its real name, replacing what was there.
    void commit();

private:
    void openAside();
    void openInPlace();
    void removeTemporary() noexcept;

    OutputDestination target;
    std::optional<std::filesystem::path> temporary;
    std::size_t temporarySlot = 0;
    int fd = -1;
};

} // namespace calderine
