#include "tools/render/audio/StatedLength.h"

#include <array>
#include <sndfile.h>

namespace calderine {

namespace {

// More than 250 days at 48 kHz: no header means it; libsndfile derives counts like this from a
// length it does not know (SF_COUNT_MAX less the header).
constexpr std::int64_t kImplausibleFrames = std::int64_t{1} << 40;

// What streaming writers put in a 32-bit length field: 0xFFFFFFFF (ffmpeg, libsndfile's AU,
// this tool's WAV on a pipe) and 0x7FFFF000 (sox's WAV on a pipe).
constexpr std::array<std::int64_t, 2> kPlaceholders = {0xFFFFFFFF, 0x7FFFF000};

// Bytes per sample where the header's length counts bytes of plain samples; 0 otherwise.
int sampleBytes(int subtype) {
    switch (subtype) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
        return 1;
    case SF_FORMAT_PCM_16:
        return 2;
    case SF_FORMAT_PCM_24:
        return 3;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
        return 4;
    case SF_FORMAT_DOUBLE:
        return 8;
    default:
        return 0;
    }
}

} // namespace

std::optional<std::int64_t> statedLength(std::int64_t frames, int format, int channels) {
    if (frames < 0 || frames >= kImplausibleFrames) {
        return std::nullopt;
    }
    const std::int64_t frameBytes =
        static_cast<std::int64_t>(sampleBytes(format & SF_FORMAT_SUBMASK)) * channels;
    for (const std::int64_t placeholder : kPlaceholders) {
        if (frameBytes > 0 && frames == placeholder / frameBytes) {
            return std::nullopt;
        }
    }
    return frames;
}

} // namespace calderine
