#include "tools/render/filesafety/AtomicTextFile.h"

#include "tools/render/common/TextForms.h"
#include "tools/render/filesafety/OutputDestination.h"
#include "tools/render/filesafety/TemporaryFileTable.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace calderine {

AtomicTextFile::AtomicTextFile(const std::filesystem::path& path) : destination(path) {
    const OutputDestination target = OutputDestination::inspect(path);
    if (target.kind() == DestinationKind::Folder) {
        throw std::runtime_error("cannot write " + quoted(destination) + ": it is a folder");
    }
    TemporaryFileTable::Created created;
    try {
        created = TemporaryFileTable::create(destination.parent_path());
    } catch (const std::system_error& error) {
        throw std::runtime_error("cannot write " + quoted(destination) + ": " +
                                 error.code().message());
    }
    temporary = created.path;
    slot = created.slot;
    descriptor = created.descriptor;
    // As any program would make it, or as the file it replaces was.
    if (target.writtenAside()) {
        ::fchmod(descriptor, target.permissions());
    }
}

AtomicTextFile::~AtomicTextFile() {
    if (!committed) {
        removeTemporary();
    }
}

void AtomicTextFile::removeTemporary() noexcept {
    if (descriptor >= 0) {
        ::close(descriptor);
        descriptor = -1;
    }
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    TemporaryFileTable::release(slot);
}

void AtomicTextFile::commit() {
    const std::string bytes = text.str();
    for (std::size_t written = 0; written < bytes.size();) {
        const ssize_t step = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (step < 0 && errno == EINTR) {
            continue;
        }
        if (step <= 0) {
            throw std::runtime_error("cannot write " + quoted(destination) + ": " +
                                     std::strerror(step < 0 ? errno : ENOSPC));
        }
        written += static_cast<std::size_t>(step);
    }
    // Some file systems report a failed write only when the file is closed.
    const bool closed = ::close(descriptor) == 0;
    descriptor = -1;
    if (!closed) {
        throw std::runtime_error("cannot write " + quoted(destination));
    }
    std::error_code error;
    std::filesystem::rename(temporary, destination, error);
    if (error) {
        throw std::runtime_error("cannot write " + quoted(destination) + ": " + error.message());
    }
    committed = true;
    TemporaryFileTable::release(slot);
}

} // namespace calderine
