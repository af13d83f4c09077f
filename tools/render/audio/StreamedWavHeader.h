// The header of a WAV file whose length is not known when it starts: both length fields hold
// 0xFFFFFFFF, as sox and ffmpeg read (and ffmpeg writes) on a pipe. The samples follow it as
// raw little-endian data.
#pragma once

#include "tools/render/audio/OutputFormat.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace calderine {

// subtype: a libsndfile subtype. Nothing for the encodings that are no plain run of samples
// (ADPCM, GSM), which cannot follow such a header.
std::optional<std::vector<std::uint8_t>> streamedWavHeader(int subtype, const StreamShape& shape);

} // namespace calderine
