#include "tools/render/audio/EncoderCheck.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <sndfile.h>
#include <vector>

namespace calderine {

namespace {

// A growable file in memory: headers are written, sought back to and rewritten on close.
struct MemoryFile {
    std::vector<char> bytes;
    sf_count_t position = 0;
};

MemoryFile& memory(void* data) {
    return *static_cast<MemoryFile*>(data);
}

sf_count_t length(void* data) {
    return static_cast<sf_count_t>(memory(data).bytes.size());
}

sf_count_t seek(sf_count_t offset, int whence, void* data) {
    MemoryFile& file = memory(data);
    const sf_count_t base = whence == SEEK_SET   ? 0
                            : whence == SEEK_CUR ? file.position
                                                 : static_cast<sf_count_t>(file.bytes.size());
    file.position = std::max<sf_count_t>(0, base + offset);
    return file.position;
}

sf_count_t read(void* destination, sf_count_t count, void* data) {
    MemoryFile& file = memory(data);
    const auto size = static_cast<sf_count_t>(file.bytes.size());
    const sf_count_t got = std::clamp<sf_count_t>(size - file.position, 0, count);
    std::memcpy(destination, file.bytes.data() + file.position, static_cast<std::size_t>(got));
    file.position += got;
    return got;
}

sf_count_t write(const void* source, sf_count_t count, void* data) {
    MemoryFile& file = memory(data);
    const auto end = static_cast<std::size_t>(file.position + count);
    file.bytes.resize(std::max(file.bytes.size(), end));
    std::memcpy(file.bytes.data() + file.position, source, static_cast<std::size_t>(count));
    file.position += count;
    return count;
}

sf_count_t tell(void* data) {
    return memory(data).position;
}

// MPEG audio is defined at these rates only (MPEG-1, MPEG-2 and MPEG-2.5 layer III), in Hz.
// libsndfile's MPEG writer leaks its encoder's state when asked for any other rate, so other
// rates are refused here without opening it.
constexpr std::array kMpegRates{8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

bool isMpeg(int format) {
    const int codec = format & SF_FORMAT_SUBMASK;
    return (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG || codec == SF_FORMAT_MPEG_LAYER_I ||
           codec == SF_FORMAT_MPEG_LAYER_II || codec == SF_FORMAT_MPEG_LAYER_III;
}

} // namespace

bool canEncode(int format, const StreamShape& shape) {
    SF_INFO info{};
    info.format = format;
    info.channels = shape.channels;
    info.samplerate = shape.sampleRate;
    if (sf_format_check(&info) == 0) {
        return false;
    }
    if (isMpeg(format) &&
        std::find(kMpegRates.begin(), kMpegRates.end(), shape.sampleRate) == kMpegRates.end()) {
        return false;
    }
    SF_VIRTUAL_IO io{&length, &seek, &read, &write, &tell};
    MemoryFile scratch;
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &scratch);
    if (file == nullptr) {
        return false;
    }
    sf_close(file);
    return true;
}

} // namespace calderine
