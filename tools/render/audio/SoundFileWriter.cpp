#include "tools/render/audio/SoundFileWriter.h"

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

SoundFileWriter::SoundFileWriter(const std::filesystem::path& path, int format,
                                 const StreamShape& shape, const EncoderSettings& settings)
    : SoundFileWriter(OutputDestination::inspect(path), format, shape, settings) {}

SoundFileWriter::SoundFileWriter(const OutputDestination& destination, int format,
                                 const StreamShape& shape, const EncoderSettings& settings)
    : destination(destination), channelCount(shape.channels) {
    if (destination.kind() == DestinationKind::Folder) {
        throw AudioFileError("cannot write " + quoted(destination.named()) + ": it is a folder");
    }
    descriptor = destination.writtenAside() ? openAside() : openInPlace(format, shape);
    try {
        stream =
            std::make_unique<EncodedStream>(descriptor, destination.kind() == DestinationKind::Pipe,
                                            format, shape, settings, quoted(destination.named()));
    } catch (...) {
        // No destructor runs for an object that was never made.
        ::close(descriptor);
        descriptor = -1;
        removeTemporary();
        throw;
    }
}

int SoundFileWriter::openAside() {
    TemporaryFileTable::Created created;
    try {
        created = TemporaryFileTable::create(destination.resolved().parent_path());
    } catch (const std::system_error& error) {
        throw AudioFileError("cannot write " + quoted(destination.named()) + ": " +
                             error.code().message());
    }
    temporary = created.path;
    temporarySlot = created.slot;
    // The replacement looks like what it replaces; a new file as any program would make it.
    if (const auto owner = destination.owner()) {
        if (::fchown(created.descriptor, owner->first, owner->second) != 0) {
            // Only root may give a file away; anyone else's replacement is theirs.
        }
    }
    ::fchmod(created.descriptor, destination.permissions());
    return created.descriptor;
}

int SoundFileWriter::openInPlace(int format, const StreamShape& shape) {
    if (destination.kind() == DestinationKind::Pipe && !OutputFormat::streams(format, shape)) {
        throw AudioFileError("cannot write " + quoted(destination.named()) +
                             ": a pipe cannot take this format, which needs seeking back; "
                             "choose one that streams, --format " +
                             OutputFormat::streamingNames(shape, " or "));
    }
    const int opened = ::open(destination.named().c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (opened < 0) {
        const int reason = errno;
        throw AudioFileError("cannot write " + quoted(destination.named()) + ": " +
                             std::strerror(reason));
    }
    return opened;
}

SoundFileWriter::~SoundFileWriter() {
    stream.reset();
    if (descriptor >= 0) {
        ::close(descriptor);
    }
    removeTemporary();
}

void SoundFileWriter::removeTemporary() noexcept {
    if (temporary) {
        std::error_code ignored;
        std::filesystem::remove(*temporary, ignored);
        TemporaryFileTable::release(temporarySlot);
        temporary.reset();
    }
}

void SoundFileWriter::write(std::span<const float> frames) {
    stream->write(frames);
}

void SoundFileWriter::write(std::span<const double> frames) {
    stream->write(frames);
}

void SoundFileWriter::closeFile() {
    std::optional<std::string> reason = stream->close();
    // Some file systems report a failed write only when the file is synced or closed; a
    // temporary file must be on the disk before it replaces anything.
    if (!reason && temporary && ::fsync(descriptor) != 0) {
        reason = std::strerror(errno);
    }
    const int released = ::close(descriptor);
    const int closeError = errno;
    descriptor = -1;
    if (!reason && released != 0) {
        reason = std::strerror(closeError);
    }
    if (reason) {
        throw AudioFileError("cannot complete " + quoted(path()) + ": " + *reason);
    }
}

void SoundFileWriter::finish() {
    if (stream->isOpen()) {
        closeFile();
    }
}

void SoundFileWriter::commit() {
    finish();
    if (!temporary) {
        return; // written in place
    }
    std::error_code error;
    std::filesystem::rename(*temporary, destination.resolved(), error);
    if (error) {
        throw AudioFileError("cannot write " + quoted(path()) + ": " + error.message());
    }
    // Renamed: nothing is left under the temporary name for anyone to remove.
    TemporaryFileTable::release(temporarySlot);
    temporary.reset();
}

} // namespace calderine
