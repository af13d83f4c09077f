#include "tools/render/audio/SoundFileWriter.h"

#include "tools/render/audio/SoundFileOpen.h"
#include "tools/render/common/AudioFileError.h"
#include "tools/render/common/TextForms.h"
#include "tools/render/filesafety/TemporaryFileTable.h"

#include <cerrno>
#include <cstdio>
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
    SF_INFO info{};
    info.format = format;
    info.channels = shape.channels;
    info.samplerate = shape.sampleRate;
    // The descriptor stays ours, so that it is closed exactly once whatever libsndfile does.
    const bool intoPipe = destination.kind() == DestinationKind::Pipe;
    if (intoPipe) {
        file = pipe.open(descriptor, format, shape);
    } else {
        channel = std::make_unique<SoundFileChannel>(descriptor);
        file = channel->open(info);
    }
    if (file == nullptr) {
        const std::string reason =
            intoPipe ? pipe.failure()
                     : (channel->failed() ? channel->reason(nullptr) : sf_strerror(nullptr));
        ::close(descriptor);
        descriptor = -1;
        removeTemporary();
        throw AudioFileError("cannot write " + quoted(destination.named()) + ": " + reason);
    }
    // Without it libsndfile wraps integer samples of overs around instead of clipping them,
    // which turns a slight over into a full-scale click.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    try {
        settings.apply(file, format, shape);
    } catch (const AudioFileError& error) {
        // No destructor runs for an object that was never made.
        sf_close(file);
        file = nullptr;
        ::close(descriptor);
        descriptor = -1;
        removeTemporary();
        throw AudioFileError("cannot write " + quoted(destination.named()) + ": " + error.what());
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
    if (file != nullptr) {
        sf_close(file);
    }
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

template <typename Sample, typename Write>
void SoundFileWriter::writeFrames(std::span<const Sample> frames, Write write) {
    if (file == nullptr) {
        throw AudioFileError("cannot write " + quoted(path()) + ": already finished");
    }
    const auto count =
        static_cast<sf_count_t>(frames.size() / static_cast<std::size_t>(channelCount));
    if (write(file, frames.data(), count) != count || (channel && channel->failed())) {
        throw AudioFileError("cannot write " + quoted(path()) + ": " + failure());
    }
}

std::string SoundFileWriter::failure() const {
    return channel ? channel->reason(file) : SoundFileChannel::libraryReason(file);
}

void SoundFileWriter::write(std::span<const float> frames) {
    writeFrames(frames, sf_writef_float);
}

void SoundFileWriter::write(std::span<const double> frames) {
    writeFrames(frames, sf_writef_double);
}

void SoundFileWriter::closeFile() {
    sf_private_tag* closing = file;
    file = nullptr;
    // The encoders' last frames, trailers and header updates are written only here.
    const bool closed = sf_close(closing) == 0;
    std::string reason = channel && channel->failed() ? channel->reason(nullptr) : "";
    // Some file systems report a failed write only when the file is synced or closed; a
    // temporary file must be on the disk before it replaces anything.
    if (reason.empty() && temporary && ::fsync(descriptor) != 0) {
        reason = std::strerror(errno);
    }
    const int released = ::close(descriptor);
    const int closeError = errno;
    descriptor = -1;
    if (reason.empty() && released != 0) {
        reason = std::strerror(closeError);
    }
    if (reason.empty() && !closed) {
        reason = "the encoder could not complete it";
    }
    if (!reason.empty()) {
        throw AudioFileError("cannot complete " + quoted(path()) + ": " + reason);
    }
}

void SoundFileWriter::finish() {
    if (file != nullptr) {
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
