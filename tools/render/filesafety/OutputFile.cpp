#include "tools/render/filesafety/OutputFile.h"

#include "tools/render/common/AudioFileError.h"
#include "tools/render/common/TextForms.h"
#include "tools/render/filesafety/TemporaryFileTable.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace calderine {

namespace {

[[noreturn]] void fail(const char* doing, const OutputDestination& target,
                       const std::string& reason) {
    throw AudioFileError(std::string(doing) + " " + quoted(target.named()) + ": " + reason);
}

} // namespace

OutputFile::OutputFile(const OutputDestination& destination) : target(destination) {
    if (target.kind() == DestinationKind::Folder) {
        fail("cannot write", target, "it is a folder");
    }
    if (target.writtenAside()) {
        openAside();
    } else {
        openInPlace();
    }
}

void OutputFile::openAside() {
    TemporaryFileTable::Created created;
    try {
        // Beside the final target, not the link that leads there: rename() cannot cross file
        // systems, and the link must stay.
        created = TemporaryFileTable::create(target.resolved().parent_path());
    } catch (const std::system_error& error) {
        fail("cannot write", target, error.code().message());
    }
    temporary = created.path;
    temporarySlot = created.slot;
    fd = created.descriptor;
    // The replacement looks like what it replaces; a new file as any program would make it.
    if (const auto owner = target.owner()) {
        if (::fchown(fd, owner->first, owner->second) != 0) {
            // Only root may give a file away; anyone else's replacement is theirs.
        }
    }
    ::fchmod(fd, target.permissions());
}

void OutputFile::openInPlace() {
    // O_NOCTTY: a terminal named as an output must not become the tool's controlling one.
    fd = ::open(target.named().c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        fail("cannot write", target, std::strerror(errno));
    }
}

OutputFile::~OutputFile() {
    if (fd >= 0) {
        ::close(fd);
    }
    removeTemporary();
}

void OutputFile::removeTemporary() noexcept {
    if (temporary) {
        std::error_code ignored;
        std::filesystem::remove(*temporary, ignored);
        TemporaryFileTable::release(temporarySlot);
        temporary.reset();
    }
}

void OutputFile::write(const char* bytes, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t put = ::write(fd, bytes + done, size - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            fail("cannot write", target, std::strerror(put < 0 ? errno : ENOSPC));
        }
        done += static_cast<std::size_t>(put);
    }
}

void OutputFile::complete() {
    if (fd < 0) {
        return;
    }
    // Some file systems report a failed write only when the file is synced or closed; a
    // temporary file must be on the disk before it replaces anything.
    const bool synced = !temporary || ::fsync(fd) == 0;
    const int syncError = errno;
    const bool closed = ::close(fd) == 0;
    const int closeError = errno;
    fd = -1;
    if (!synced || !closed) {
        fail("cannot complete", target, std::strerror(synced ? closeError : syncError));
    }
}

void OutputFile::commit() {
    complete();
    if (!temporary) {
        return; // written in place
    }
    std::error_code error;
    std::filesystem::rename(*temporary, target.resolved(), error);
    if (error) {
        fail("cannot write", target, error.message());
    }
    // Renamed: nothing is left under the temporary name for anyone to remove.
    TemporaryFileTable::release(temporarySlot);
    temporary.reset();
}

} // namespace calderine
