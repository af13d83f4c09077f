// The descriptor an encoder writes into, handed to libsndfile as virtual I/O so that every
// byte of every write is accounted for: libsndfile's lossy encoders (MP3, Vorbis) drop the
// count their writes return, so a full disk would otherwise end in a short file and success.
// The first failure is kept with the system's reason, for the writer to report.
#pragma once

#include <sndfile.h>
#include <string>

namespace calderine {

class SoundFileChannel {
public:
    // descriptor: stays the caller's, to close; it must not be a pipe (libsndfile takes
    // virtual I/O for seekable and writes headers that a pipe cannot take back).
    explicit SoundFileChannel(int descriptor) noexcept : descriptor(descriptor) {}

    SoundFileChannel(const SoundFileChannel&) = delete;
    SoundFileChannel& operator=(const SoundFileChannel&) = delete;

    // A libsndfile writer on the descriptor; null where libsndfile refuses (sf_strerror(null)).
    SNDFILE* open(SF_INFO& info);

    // Whether a write has failed; once one has, every later write is refused too, so that no
    // later byte lands where the lost ones should be.
    bool failed() const noexcept { return error != 0; }

    // Why the writes to file stopped: the system's reason where a write failed, else
    // libsndfile's own; never text on standard output.
    std::string reason(SNDFILE* file) const;

    // Why a libsndfile call on file failed. sf_strerror() prints to standard output for the
    // error numbers its codecs invent (Vorbis: -1), where only audio may go; those get a
    // text of their own here.
    static std::string libraryReason(SNDFILE* file);

private:
    static sf_count_t length(void* self);
    static sf_count_t seek(sf_count_t offset, int whence, void* self);
    static sf_count_t read(void* destination, sf_count_t count, void* self);
    static sf_count_t write(const void* source, sf_count_t count, void* self);
    static sf_count_t tell(void* self);

    int descriptor;
    int error = 0; // errno of the first failed write
};

} // namespace calderine
