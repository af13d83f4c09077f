// --quality: the one setting of an encoder that trades size for fidelity, on the scale its
// users know from the encoder's own tools, turned into what libsndfile takes.
//   FLAC: compression level, a whole number 0 (fastest) to 8 (smallest); same samples.
//   Ogg Vorbis: 0 (smallest) to 10 (best), as oggenc -q (libsndfile has no -1).
//   MP3: LAME's variable-bitrate quality, 0 (best) to 9 (smallest), as lame -V.
//   Opus: the bitrate in kbit/s, 6 to 256 per channel.
#pragma once

#include "tools/render/audio/OutputFormat.h"

#include <sndfile.h>

namespace calderine {

class EncoderQuality {
public:
    // Throws FormatChoiceError, naming the scale, when the format has no such setting or the
    // value lies outside it.
    static void check(int format, const StreamShape& shape, double value);

    // Sets a checked value on a writer opened for format, before its first sample. False
    // where libsndfile refused it.
    static bool apply(SNDFILE* file, int format, const StreamShape& shape, double value);
};

} // namespace calderine
