#include "tools/render/audio/SoundFileWriter.h"

#include "tools/render/common/AudioFileError.h"
#include "tools/render/common/TextForms.h"

#include <string>

namespace calderine {

namespace {

// Before the pipe is opened, which waits for a reader.
const OutputDestination& streamable(const OutputDestination& destination, int format,
                                    const StreamShape& shape) {
    if (destination.kind() == DestinationKind::Pipe && !OutputFormat::streams(format, shape)) {
        throw AudioFileError("cannot write " + quoted(destination.named()) +
                             ": a pipe cannot take this format, which needs seeking back; "
                             "choose one that streams, --format " +
                             OutputFormat::streamingNames(shape, " or "));
    }
    return destination;
}

} // namespace

SoundFileWriter::SoundFileWriter(const std::filesystem::path& path, int format,
                                 const StreamShape& shape, const EncoderSettings& settings)
    : SoundFileWriter(OutputDestination::inspect(path), format, shape, settings) {}

SoundFileWriter::SoundFileWriter(const OutputDestination& destination, int format,
                                 const StreamShape& shape, const EncoderSettings& settings)
    : file(streamable(destination, format, shape)),
      stream(std::make_unique<EncodedStream>(file.descriptor(),
                                             destination.kind() == DestinationKind::Pipe, format,
                                             shape, settings, quoted(destination.named()))),
      channelCount(shape.channels) {}

SoundFileWriter::~SoundFileWriter() {
    stream.reset();
}

void SoundFileWriter::write(std::span<const float> frames) {
    stream->write(frames);
}

void SoundFileWriter::write(std::span<const double> frames) {
    stream->write(frames);
}

void SoundFileWriter::finish() {
    if (!stream->isOpen()) {
        return;
    }
    if (const std::optional<std::string> reason = stream->close()) {
        throw AudioFileError("cannot complete " + quoted(path()) + ": " + *reason);
    }
    file.complete();
}

void SoundFileWriter::commit() {
    finish();
    file.commit();
}

} // namespace calderine
