// The bytes of an input as libsndfile's virtual I/O sees them. The length is always reported
// as unknown, so that libsndfile reports the frame count the header states instead of
// trimming it to the bytes present, and decoders read until the data ends instead of stopping
// at an estimate (an MP3 without a Xing header is measured from its first frame's bit rate).
// A pipe cannot seek: the first bytes it delivers are kept, so that the seeks libsndfile makes
// while it opens the file are served from memory, and the rest streams through.
#pragma once

#include <cstddef>
#include <sndfile.h>
#include <vector>

namespace calderine {

class InputSource {
public:
    // descriptor: stays the caller's, open for as long as the source is used.
    explicit InputSource(int descriptor);

    InputSource(const InputSource&) = delete;
    InputSource& operator=(const InputSource&) = delete;

    // For sf_open_virtual, with this source as its user data.
    static SF_VIRTUAL_IO& callbacks();

    // True once a read asked for bytes a pipe delivered earlier and no longer holds.
    bool lostBytes() const noexcept { return lost; }
    // The most a pipe keeps: a header, tags and cover art before the sound all fit.
    static constexpr std::size_t kKeptBytes = 16u << 20;

private:
    sf_count_t read(void* into, sf_count_t bytes);
    sf_count_t seek(sf_count_t offset, int whence);
    sf_count_t readStream(unsigned char* into, sf_count_t bytes);
    // Takes up to bytes from the descriptor, retrying interrupted and partial reads.
    sf_count_t take(unsigned char* into, sf_count_t bytes);

    int descriptor;
    bool seekable;
    sf_count_t position = 0;
    // For a pipe: bytes taken from it so far, the first of which are kept.
    sf_count_t consumed = 0;
    std::vector<unsigned char> kept;
    bool lost = false;
};

} // namespace calderine
