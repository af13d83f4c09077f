// An audio file opened for reading with libsndfile, read in blocks of interleaved frames so
// that files of any length pass through bounded memory, and read to the end of its data
// whatever its header says (see InputSource).
#pragma once

#include "tools/render/audio/SoundTags.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

struct sf_private_tag;

namespace calderine {

class InputSource;

class SoundFileReader {
public:
    // "-" is standard input. Throws AudioFileError when the file is missing or not a sound
    // file libsndfile reads.
    explicit SoundFileReader(const std::filesystem::path& path);
    ~SoundFileReader();

    SoundFileReader(const SoundFileReader&) = delete;
    SoundFileReader& operator=(const SoundFileReader&) = delete;

    const std::filesystem::path& path() const noexcept { return filePath; }
    int channels() const noexcept { return channelCount; }
    int sampleRate() const noexcept { return rate; }
    // libsndfile's format code (container and encoding).
    int format() const noexcept { return formatCode; }
    // As the header states, where it states a length (see statedLength); the reads, not this
    // number, decide where the file ends.
    std::optional<std::int64_t> statedFrames() const noexcept { return stated; }
    // Frames read so far: after the last read, the length of the input.
    std::int64_t framesRead() const noexcept { return readSoFar; }
    // For messages: the path, or "standard input".
    std::string describe() const;
    // Title, artist and the like, as far as libsndfile reads them from this format.
    SoundTags tags() const { return SoundTags::read(file); }

    // Fills whole frames from the front of buffer (its size a multiple of channels()) and
    // returns how many; fewer than fit only at the end of the file. Throws AudioFileError
    // when the file cannot be read further.
    std::size_t read(std::span<float> buffer);
    std::size_t read(std::span<double> buffer);

private:
    template <typename Sample, typename Read>
    std::size_t readFrames(std::span<Sample> buffer, Read read);

    std::filesystem::path filePath;
    sf_private_tag* file = nullptr;
    int channelCount = 0;
    int rate = 0;
    int formatCode = 0;
    std::optional<std::int64_t> stated;
    std::int64_t readSoFar = 0;
    int descriptor = -1;
    bool ownsDescriptor = false;
    std::unique_ptr<InputSource> source;
};

} // namespace calderine
