#include "tools/render/audio/EncoderSettings.h"

#include "tools/render/audio/EncoderQuality.h"
#include "tools/render/common/AudioFileError.h"

namespace calderine {

void EncoderSettings::apply(SNDFILE* file, int format, const StreamShape& shape) const {
    tags.write(file);
    if (quality && !EncoderQuality::apply(file, format, shape, *quality)) {
        throw AudioFileError("this libsndfile cannot set the encoder's quality");
    }
}

} // namespace calderine
