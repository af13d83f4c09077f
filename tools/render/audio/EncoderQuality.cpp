#include "tools/render/audio/EncoderQuality.h"

#include "tools/render/audio/FormatChoiceError.h"

#include <cmath>
#include <locale>
#include <sstream>
#include <string>

namespace calderine {

namespace {

enum class Codec { None, Flac, Vorbis, Mp3, Opus };

Codec codecOf(int format) {
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC) {
        return Codec::Flac;
    }
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_VORBIS:
        return Codec::Vorbis;
    case SF_FORMAT_MPEG_LAYER_III:
        return Codec::Mp3;
    case SF_FORMAT_OPUS:
        return Codec::Opus;
    default:
        return Codec::None;
    }
}

// FLAC's levels 0..8 are libsndfile's compression 0..1 in eighths.
constexpr int kFlacLevels = 8;
// oggenc -q 0..10 is libvorbis' base quality 0..1, which libsndfile takes as is.
constexpr double kVorbisTop = 10.0;
// lame -V 0..9; libsndfile hands LAME ten times its compression in variable-bitrate mode.
constexpr double kMp3Worst = 9.0;
constexpr double kMp3Scale = 10.0;
// libsndfile sets Opus to (6 + 250 (1 - compression)) kbit/s per channel.
constexpr double kOpusLeastPerChannel = 6.0;
constexpr double kOpusSpanPerChannel = 250.0;

struct Scale {
    double low;
    double high;
    bool whole;
    std::string text; // for the refusal
};

Scale scaleOf(Codec codec, const StreamShape& shape) {
    const double channels = shape.channels;
    switch (codec) {
    case Codec::Flac:
        return {0, kFlacLevels, true,
                "FLAC takes --quality as its compression level, a whole number from 0 (fastest) "
                "to 8 (smallest)"};
    case Codec::Vorbis:
        return {0, kVorbisTop, false,
                "Ogg Vorbis takes --quality from 0 (smallest) to 10 (best), as oggenc -q"};
    case Codec::Mp3:
        return {0, kMp3Worst, false,
                "MP3 takes --quality as LAME's variable-bitrate quality, from 0 (best) to 9 "
                "(smallest), as lame -V"};
    case Codec::Opus: {
        const double low = kOpusLeastPerChannel * channels;
        const double high = (kOpusLeastPerChannel + kOpusSpanPerChannel) * channels;
        return {low, high, false,
                "Opus takes --quality as its bitrate in kbit/s, from " +
                    std::to_string(static_cast<int>(low)) + " to " +
                    std::to_string(static_cast<int>(high)) + " for " +
                    std::to_string(shape.channels) +
                    (shape.channels == 1 ? " channel" : " channels")};
    }
    case Codec::None:
        break;
    }
    return {0, 0, false, ""};
}

std::string numberText(double value) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << value;
    return text.str();
}

} // namespace

void EncoderQuality::check(int format, const StreamShape& shape, double value) {
    const Codec codec = codecOf(format);
    if (codec == Codec::None) {
        throw FormatChoiceError("--quality applies to FLAC, Ogg Vorbis, Opus and MP3 outputs "
                                "only; this one stores its samples as they are");
    }
    const Scale scale = scaleOf(codec, shape);
    if (!(value >= scale.low && value <= scale.high) ||
        (scale.whole && value != std::floor(value))) {
        throw FormatChoiceError(scale.text + ", got " + numberText(value));
    }
}

bool EncoderQuality::apply(SNDFILE* file, int format, const StreamShape& shape, double value) {
    double compression = 0.0;
    switch (codecOf(format)) {
    case Codec::Flac:
        compression = value / kFlacLevels;
        break;
    case Codec::Vorbis:
        compression = 1.0 - value / kVorbisTop;
        break;
    case Codec::Mp3: {
        // LAME starts at a constant bitrate; the mode comes first, the quality within it after.
        int mode = SF_BITRATE_MODE_VARIABLE;
        sf_command(file, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
        compression = value / kMp3Scale;
        break;
    }
    case Codec::Opus:
        compression = 1.0 - (value / shape.channels - kOpusLeastPerChannel) / kOpusSpanPerChannel;
        break;
    case Codec::None:
        return false;
    }
    return sf_command(file, SFC_SET_COMPRESSION_LEVEL, &compression, sizeof compression) == SF_TRUE;
}

} // namespace calderine
