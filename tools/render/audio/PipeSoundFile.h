// A sound file written front to back into a pipe, which cannot seek back to complete a header.
// libsndfile writes AU, Ogg and MP3 to a pipe itself. WAV it refuses there: it goes out as sox
// and ffmpeg stream it, a header whose lengths say "unknown" (see streamedWavHeader) and the
// samples as raw data behind it. FLAC it gets wrong: on closing, the encoder rewrites the
// checksum, length and frame sizes in its header (27 bytes) through libsndfile's pipe "seek",
// which pretends to succeed, so they land behind the last frame and readers lose sync there.
// libsndfile ignores a virtual seek's failure too, so FLAC goes out through a virtual I/O that
// drops whatever is written back over bytes already sent: the header stays as it streamed,
// with its length and checksum unset, as a streamed FLAC has them.
#pragma once

#include "tools/render/audio/OutputFormat.h"

#include <sndfile.h>
#include <string>

namespace calderine {

class PipeSoundFile {
public:
    PipeSoundFile() = default;
    PipeSoundFile(const PipeSoundFile&) = delete;
    PipeSoundFile& operator=(const PipeSoundFile&) = delete;

    // A FIFO or a socket, as libsndfile tells a pipe.
    static bool isPipe(int descriptor);

    // descriptor: stays the caller's, open until the file is closed; this object must outlive
    // the file too. Null when the format cannot be written there, with failure() saying why.
    SNDFILE* open(int descriptor, int format, const StreamShape& shape);
    const std::string& failure() const noexcept { return problem; }

private:
    SNDFILE* openWav(int format, const StreamShape& shape);
    SNDFILE* openFlac(int format, const StreamShape& shape);
    sf_count_t seek(sf_count_t offset, int whence);
    sf_count_t writeAt(const void* bytes, sf_count_t count);
    // Sends bytes down the pipe, retrying interrupted and partial writes.
    sf_count_t write(const void* bytes, sf_count_t count);

    int descriptor = -1;
    sf_count_t sent = 0;     // bytes down the pipe
    sf_count_t position = 0; // where the encoder believes it writes
    std::string problem;
};

} // namespace calderine
