// What an output's encoder is told besides the format: the input's tags, and --quality.
#pragma once

#include "tools/render/audio/OutputFormat.h"
#include "tools/render/audio/SoundTags.h"

#include <optional>
#include <sndfile.h>

namespace calderine {

struct EncoderSettings {
    SoundTags tags;
    // On the encoder's own scale, checked beforehand (EncoderQuality::check); none: its
    // default.
    std::optional<double> quality;

    // Onto a writer just opened for format, before its first sample. Throws AudioFileError
    // when libsndfile refuses the quality.
    void apply(SNDFILE* file, int format, const StreamShape& shape) const;
};

} // namespace calderine
