// An audio file written with libsndfile through an OutputFile, which decides how its bytes
// land: aside and renamed into place by commit() for a regular or new file, straight into a
// device or a pipe.
#pragma once

#include "tools/render/audio/EncodedStream.h"
#include "tools/render/audio/EncoderSettings.h"
#include "tools/render/audio/OutputFormat.h"
#include "tools/render/audio/SampleSink.h"
#include "tools/render/filesafety/OutputDestination.h"
#include "tools/render/filesafety/OutputFile.h"

#include <filesystem>
#include <memory>
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
    const std::filesystem::path& path() const noexcept { return file.destination().named(); }
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
    OutputFile file;
    // Closed before the file, which it writes into.
    std::unique_ptr<EncodedStream> stream;
    int channelCount = 0;
};

} // namespace calderine
