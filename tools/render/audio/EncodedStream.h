// An encoder writing a sound into a descriptor its caller keeps, the one way the tool's writers
// encode, so that every write and the final close are checked alike: a pipe as PipeSoundFile
// streams it, anything else through a SoundFileChannel, which accounts for every byte.
#pragma once

#include "tools/render/audio/EncoderSettings.h"
#include "tools/render/audio/OutputFormat.h"
#include "tools/render/audio/PipeSoundFile.h"
#include "tools/render/audio/SoundFileChannel.h"

#include <optional>
#include <span>
#include <string>

namespace calderine {

class EncodedStream {
public:
    // descriptor: open for writing, the caller's to close after close(). target: how messages
    // name the destination ("'out.wav'", "standard output"). Throws AudioFileError when the
    // format cannot be written there or the encoder refuses the settings.
    EncodedStream(int descriptor, bool intoPipe, int format, const StreamShape& shape,
                  const EncoderSettings& settings, std::string target);
    // Closes an encoder still open without a word: the caller is failing already.
    ~EncodedStream();

    EncodedStream(const EncodedStream&) = delete;
    EncodedStream& operator=(const EncodedStream&) = delete;

    // Whole interleaved frames; throws AudioFileError with the system's reason when any byte
    // of them is refused.
    void write(std::span<const float> frames);
    void write(std::span<const double> frames);

    // The encoder's last frames, trailers and header updates go out here. Why they could not,
    // or nothing; the stream is closed either way.
    std::optional<std::string> close();

    bool isOpen() const noexcept { return file != nullptr; }

private:
    template <typename Sample, typename Write>
    void writeFrames(std::span<const Sample> frames, Write write);
    std::string failure() const;

    std::string target;
    int channelCount;
    // Every destination but a pipe, which libsndfile must see as one to stream into it.
    std::optional<SoundFileChannel> channel;
    // Outlives the file, whose virtual I/O it may serve.
    PipeSoundFile pipe;
    SNDFILE* file = nullptr;
};

} // namespace calderine
