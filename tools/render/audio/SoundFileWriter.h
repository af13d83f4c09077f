// An audio file written with libsndfile. A regular or new file is written under a short
// hidden temporary name beside its destination (the final target of any symbolic link) and
// renamed into place only by commit(), so that a failed or stopped run leaves no partial file
// behind; a device or a pipe is written straight into and stays what it is.
#pragma once

#include "tools/render/audio/EncodedStream.h"
#include "tools/render/audio/EncoderSettings.h"
#include "tools/render/audio/OutputFormat.h"
#include "tools/render/audio/SampleSink.h"
#include "tools/render/filesafety/OutputDestination.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <span>

namespace calderine {

class SoundFileWriter final : public SampleSink {
public:
    // format: a libsndfile format code (see OutputFormat). Throws AudioFileError when the
    // destination cannot be created, or is a pipe and the format needs seeking.
    SoundFileWriter(const OutputDestination& destination, int format, const StreamShape& shape,
                    const EncoderSettings& settings = {});
    SoundFileWriter(const std::filesystem::path& path, int format, const StreamShape& shape,
                    const EncoderSettings& settings = {});
    // Removes the temporary file unless commit() succeeded.
    ~SoundFileWriter() override;

    SoundFileWriter(const SoundFileWriter&) = delete;
    SoundFileWriter& operator=(const SoundFileWriter&) = delete;

    // As named on the command line.
    const std::filesystem::path& path() const noexcept { return destination.named(); }
    int channels() const noexcept { return channelCount; }

    // Whole interleaved frames; throws AudioFileError with the system's reason when the disk
    // refuses any byte of them.
    void write(std::span<const float> frames) override;
    void write(std::span<const double> frames) override;

    // Completes the file (header and all), under its temporary name if it has one.
    void finish();
    // Finishes if needed and gives the file its real name, replacing what was there.
    void commit();

private:
    int openAside();
    int openInPlace(int format, const StreamShape& shape);
    void closeFile();
    void removeTemporary() noexcept;

    OutputDestination destination;
    std::optional<std::filesystem::path> temporary;
    std::size_t temporarySlot = 0;
    int descriptor = -1;
    // Closed before the descriptor, which it writes into.
    std::unique_ptr<EncodedStream> stream;
    int channelCount = 0;
};

} // namespace calderine
