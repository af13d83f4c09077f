#include "tools/render/audio/EncodedStream.h"

#include "tools/render/common/AudioFileError.h"

#include <utility>

namespace calderine {

EncodedStream::EncodedStream(int descriptor, bool intoPipe, int format, const StreamShape& shape,
                             const EncoderSettings& settings, std::string target)
    : target(std::move(target)), channelCount(shape.channels) {
    if (intoPipe) {
        file = pipe.open(descriptor, format, shape);
    } else {
        SF_INFO info{};
        info.format = format;
        info.channels = shape.channels;
        info.samplerate = shape.sampleRate;
        channel.emplace(descriptor);
        file = channel->open(info);
    }
    if (file == nullptr) {
        throw AudioFileError("cannot write " + this->target + ": " +
                             (intoPipe ? pipe.failure() : channel->reason(nullptr)));
    }
    // Without it libsndfile wraps integer samples of overs around instead of clipping them,
    // which turns a slight over into a full-scale click.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    try {
        settings.apply(file, format, shape);
    } catch (const AudioFileError& error) {
        sf_close(file); // no destructor runs for an object that was never made
        throw AudioFileError("cannot write " + this->target + ": " + error.what());
    }
}

EncodedStream::~EncodedStream() {
    if (file != nullptr) {
        sf_close(file);
    }
}

template <typename Sample, typename Write>
void EncodedStream::writeFrames(std::span<const Sample> frames, Write write) {
    if (file == nullptr) {
        throw AudioFileError("cannot write " + target + ": already finished");
    }
    const auto count =
        static_cast<sf_count_t>(frames.size() / static_cast<std::size_t>(channelCount));
    if (write(file, frames.data(), count) != count || (channel && channel->failed())) {
        throw AudioFileError("cannot write " + target + ": " + failure());
    }
}

std::string EncodedStream::failure() const {
    return channel ? channel->reason(file) : SoundFileChannel::libraryReason(file);
}

void EncodedStream::write(std::span<const float> frames) {
    writeFrames(frames, sf_writef_float);
}

void EncodedStream::write(std::span<const double> frames) {
    writeFrames(frames, sf_writef_double);
}

std::optional<std::string> EncodedStream::close() {
    if (file == nullptr) {
        return std::nullopt;
    }
    SNDFILE* closing = std::exchange(file, nullptr);
    const bool closed = sf_close(closing) == 0;
    if (channel && channel->failed()) {
        return channel->reason(nullptr);
    }
    if (!closed) {
        return std::string("the encoder could not complete it");
    }
    return std::nullopt;
}

} // namespace calderine
