// Whether this libsndfile really writes a format. sf_format_check() accepts some pairs its
// writers refuse (MPEG audio inside WAV, Opus at 44.1 kHz), so the answer comes from opening a
// writer into a scratch buffer in memory.
#pragma once

#include "tools/render/audio/OutputFormat.h"

namespace calderine {

bool canEncode(int format, const StreamShape& shape);

} // namespace calderine
