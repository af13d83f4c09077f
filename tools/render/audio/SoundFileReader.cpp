#include "tools/render/audio/SoundFileReader.h"

#include "tools/render/audio/InputSource.h"
#include "tools/render/audio/SoundFileOpen.h"
#include "tools/render/audio/StatedLength.h"
#include "tools/render/common/AudioFileError.h"
#include "tools/render/common/StandardStream.h"
#include "tools/render/common/TextForms.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace calderine {

namespace {

// Where libsndfile reads a file of unknown length right: formats whose header states the length
// exactly or not at all. Others (W64 and ADPCM decode nothing, PAF and SD2 do not open) are read
// as libsndfile reads them by name, to its own count; on a pipe there is no other way.
bool readsWithoutLength(int format) {
    const int codec = format & SF_FORMAT_SUBMASK;
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_AIFF:
    case SF_FORMAT_AU:
    case SF_FORMAT_CAF:
    case SF_FORMAT_RF64:
        return codec == SF_FORMAT_PCM_S8 || codec == SF_FORMAT_PCM_U8 ||
               codec == SF_FORMAT_PCM_16 || codec == SF_FORMAT_PCM_24 ||
               codec == SF_FORMAT_PCM_32 || codec == SF_FORMAT_FLOAT || codec == SF_FORMAT_DOUBLE ||
               codec == SF_FORMAT_ULAW || codec == SF_FORMAT_ALAW;
    case SF_FORMAT_FLAC:
    case SF_FORMAT_OGG:
    case SF_FORMAT_MPEG:
        return true;
    default:
        return false;
    }
}

} // namespace

SoundFileReader::SoundFileReader(const std::filesystem::path& path) : filePath(path) {
    std::error_code error;
    const bool standardInput = isStandardStream(path);
    if (!standardInput && !std::filesystem::exists(path, error)) {
        throw AudioFileError("no input file at " + describe());
    }
    if (std::filesystem::is_directory(path, error)) {
        throw AudioFileError("input " + describe() + " is a folder, not a sound file");
    }
    descriptor = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        const int reason = errno;
        throw AudioFileError("cannot read " + describe() + ": " + std::strerror(reason));
    }
    ownsDescriptor = !standardInput;
    source = std::make_unique<InputSource>(descriptor);
    SF_INFO info{};
    file = sf_open_virtual(&InputSource::callbacks(), SFM_READ, &info, source.get());
    if (!standardInput && (file == nullptr || !readsWithoutLength(info.format))) {
        if (file != nullptr) {
            sf_close(file);
        }
        info = SF_INFO{};
        file = openSoundFile(path, SFM_READ, &info);
    }
    if (file == nullptr) {
        const std::string reason = sf_strerror(nullptr);
        if (ownsDescriptor) {
            ::close(descriptor);
        }
        throw AudioFileError("cannot read " + describe() + ": " + reason);
    }
    channelCount = info.channels;
    rate = info.samplerate;
    formatCode = info.format;
    stated = statedLength(info.frames, info.format, info.channels);
    if (channelCount < 1 || rate < 1) {
        sf_close(file);
        if (ownsDescriptor) {
            ::close(descriptor);
        }
        throw AudioFileError("cannot read " + describe() + ": it declares " +
                             std::to_string(channelCount) + " channels at " + std::to_string(rate) +
                             " Hz");
    }
}

SoundFileReader::~SoundFileReader() {
    sf_close(file);
    if (ownsDescriptor) {
        ::close(descriptor);
    }
}

std::string SoundFileReader::describe() const {
    if (isStandardStream(filePath)) {
        return "standard input";
    }
    return quoted(filePath);
}

template <typename Sample, typename Read>
std::size_t SoundFileReader::readFrames(std::span<Sample> buffer, Read read) {
    const auto wanted =
        static_cast<sf_count_t>(buffer.size() / static_cast<std::size_t>(channelCount));
    const sf_count_t got = read(file, buffer.data(), wanted);
    // libsndfile answers a short count both at the end and on a failure; only the error
    // state tells them apart.
    if (got < wanted && sf_error(file) != SF_ERR_NO_ERROR) {
        throw AudioFileError("cannot read " + describe() + ": " + sf_strerror(file));
    }
    if (source->lostBytes()) {
        throw AudioFileError("cannot read " + describe() +
                             ": its decoder went back further than a pipe can be read again");
    }
    const auto frames = got < 0 ? sf_count_t{0} : got;
    readSoFar += frames;
    return static_cast<std::size_t>(frames);
}

std::size_t SoundFileReader::read(std::span<float> buffer) {
    return readFrames(buffer, sf_readf_float);
}

std::size_t SoundFileReader::read(std::span<double> buffer) {
    return readFrames(buffer, sf_readf_double);
}

} // namespace calderine
