#include "tools/render/audio/SoundFileReader.h"

#include "tools/render/audio/SoundFileOpen.h"
#include "tools/render/common/AudioFileError.h"
#include "tools/render/common/StandardStream.h"

#include <string>
#include <string_view>
#include <system_error>

namespace calderine {

namespace {

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

} // namespace

SoundFileReader::SoundFileReader(const std::filesystem::path& path) : filePath(path) {
    std::error_code error;
    // "-" is standard input, which libsndfile opens by that name.
    const bool standardInput = isStandardStream(path);
    if (!standardInput && !std::filesystem::exists(path, error)) {
        throw AudioFileError("no input file at " + quoted(path));
    }
    if (std::filesystem::is_directory(path, error)) {
        throw AudioFileError("input " + quoted(path) + " is a folder, not a sound file");
    }
    SF_INFO info{};
    file = openSoundFile(path, SFM_READ, &info);
    if (file == nullptr) {
        throw AudioFileError("cannot read " + quoted(path) + ": " + sf_strerror(nullptr));
    }
    channelCount = info.channels;
    rate = info.samplerate;
    formatCode = info.format;
    frameCount = info.frames;
    if (channelCount < 1 || rate < 1) {
        sf_close(file);
        throw AudioFileError("cannot read " + quoted(path) + ": it declares " +
                             std::to_string(channelCount) + " channels at " + std::to_string(rate) +
                             " Hz");
    }
}

SoundFileReader::~SoundFileReader() {
    sf_close(file);
}

template <typename Sample, typename Read>
std::size_t SoundFileReader::readFrames(std::span<Sample> buffer, Read read) {
    const auto wanted =
        static_cast<sf_count_t>(buffer.size() / static_cast<std::size_t>(channelCount));
    const sf_count_t got = read(file, buffer.data(), wanted);
    // libsndfile answers a short count both at the end and on a failure; only the error
    // state tells them apart.
    if (got < wanted && sf_error(file) != SF_ERR_NO_ERROR) {
        throw AudioFileError("cannot read " + quoted(filePath) + ": " + sf_strerror(file));
    }
    return static_cast<std::size_t>(got < 0 ? 0 : got);
}

std::size_t SoundFileReader::read(std::span<float> buffer) {
    return readFrames(buffer, sf_readf_float);
}

std::size_t SoundFileReader::read(std::span<double> buffer) {
    return readFrames(buffer, sf_readf_double);
}

} // namespace calderine
