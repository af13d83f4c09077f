// An audio file written with libsndfile under a temporary name beside its destination and
// renamed into place only by commit(), so that a failed run leaves no partial file behind.
#pragma once

#include "tools/render/OutputFormat.h"
#include "tools/render/SampleSink.h"

#include <filesystem>
#include <span>

struct sf_private_tag;

namespace calderine {

class SoundFileWriter final : public SampleSink {
public:
    // format: a libsndfile format code (see OutputFormat). Throws AudioFileError when the
    // destination cannot be created.
    SoundFileWriter(const std::filesystem::path& path, int format, const StreamShape& shape);
    // Removes the temporary file unless commit() succeeded.
    ~SoundFileWriter() override;

    SoundFileWriter(const SoundFileWriter&) = delete;
    SoundFileWriter& operator=(const SoundFileWriter&) = delete;

    const std::filesystem::path& path() const noexcept { return destination; }
    int channels() const noexcept { return channelCount; }

    // Whole interleaved frames; throws AudioFileError when the disk refuses them.
    void write(std::span<const float> frames) override;
    void write(std::span<const double> frames) override;

    // Completes the file (header and all) under its temporary name.
    void finish();
    // Finishes if needed and gives the file its real name, replacing what was there.
    void commit();

private:
    template <typename Sample, typename Write>
    void writeFrames(std::span<const Sample> frames, Write write);
    void closeFile();

    std::filesystem::path destination;
    std::filesystem::path temporary;
    sf_private_tag* file = nullptr;
    int channelCount = 0;
    bool committed = false;
};

} // namespace calderine
