// The uses of standard input and output that a command line cannot have, refused before any
// work: standard output carries one thing (the audio or the preset, never both), and standard
// input has no file name for a batch to write its output under.
#pragma once

#include "tools/render/commandline/RenderOptions.h"

namespace calderine {

// Throws UsageError.
void checkStandardStreams(const RenderOptions& options);

} // namespace calderine
