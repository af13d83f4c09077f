// The text tags of a sound file (title, artist, album, comment, date, genre, track number,
// copyright, software, license), carried from the input to every output that holds them.
#pragma once

#include <sndfile.h>
#include <string>
#include <utility>
#include <vector>

namespace calderine {

class SoundTags {
public:
    // What libsndfile read of file's tags.
    static SoundTags read(SNDFILE* file);

    // Onto a writer before its first sample (Vorbis, Opus, FLAC and MP3 write their tags in
    // front of the audio). A container without room for a tag, or for tags at all, goes
    // without it.
    void write(SNDFILE* file) const;

    bool empty() const noexcept { return fields.empty(); }

private:
    std::vector<std::pair<int, std::string>> fields; // libsndfile's SF_STR_* and the text
};

} // namespace calderine
