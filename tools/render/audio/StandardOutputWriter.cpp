#include "tools/render/audio/StandardOutputWriter.h"

#include "tools/render/common/AudioFileError.h"

#include <cstdio>
#include <sndfile.h>
#include <string>

namespace calderine {

namespace {

constexpr const char* kWhere = "standard output";

} // namespace

StandardOutputWriter::StandardOutputWriter(int format, const StreamShape& shape,
                                           const EncoderSettings& settings)
    : channelCount(shape.channels) {
    SF_INFO info{};
    info.format = format;
    info.channels = shape.channels;
    info.samplerate = shape.sampleRate;
    // Left open on close: the descriptor belongs to the process, not to this writer.
    const int descriptor = fileno(stdout);
    const bool intoPipe = PipeSoundFile::isPipe(descriptor);
    if (intoPipe) {
        file = pipe.open(descriptor, format, shape);
    } else {
        channel = std::make_unique<SoundFileChannel>(descriptor);
        file = channel->open(info);
    }
    if (file == nullptr) {
        throw AudioFileError(
            std::string("cannot write to ") + kWhere + ": " +
            (intoPipe ? pipe.failure()
                      : (channel->failed() ? channel->reason(nullptr) : sf_strerror(nullptr))));
    }
    // As for files: clip overs of integer encodings instead of wrapping them around.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    try {
        settings.apply(file, format, shape);
    } catch (const AudioFileError& error) {
        sf_close(file); // no destructor runs for an object that was never made
        file = nullptr;
        throw AudioFileError(std::string("cannot write to ") + kWhere + ": " + error.what());
    }
}

StandardOutputWriter::~StandardOutputWriter() {
    if (file != nullptr) {
        sf_close(file);
    }
}

template <typename Sample, typename Write>
void StandardOutputWriter::writeFrames(std::span<const Sample> frames, Write write) {
    if (file == nullptr) {
        throw AudioFileError(std::string("cannot write to ") + kWhere + ": already finished");
    }
    const auto count =
        static_cast<sf_count_t>(frames.size() / static_cast<std::size_t>(channelCount));
    if (write(file, frames.data(), count) != count || (channel && channel->failed())) {
        throw AudioFileError(std::string("cannot write to ") + kWhere + ": " + failure());
    }
}

std::string StandardOutputWriter::failure() const {
    return channel ? channel->reason(file) : SoundFileChannel::libraryReason(file);
}

void StandardOutputWriter::write(std::span<const float> frames) {
    writeFrames(frames, sf_writef_float);
}

void StandardOutputWriter::write(std::span<const double> frames) {
    writeFrames(frames, sf_writef_double);
}

void StandardOutputWriter::finish() {
    if (file == nullptr) {
        return;
    }
    sf_private_tag* closing = file;
    file = nullptr;
    // The encoders' last frames and trailers are written only here.
    const bool closed = sf_close(closing) == 0;
    if (channel && channel->failed()) {
        throw AudioFileError(std::string("cannot complete the sound on ") + kWhere + ": " +
                             channel->reason(nullptr));
    }
    if (!closed) {
        throw AudioFileError(std::string("cannot complete the sound on ") + kWhere);
    }
}

} // namespace calderine
