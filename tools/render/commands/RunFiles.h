// The files a run reads and the audio files it writes, known from the command line alone, so
// that one more file it writes (a saved preset) is checked against all of them before any
// work, whichever command runs.
#pragma once

#include "tools/render/commandline/RenderOptions.h"

#include <filesystem>
#include <vector>

namespace calderine {

class RunFiles {
public:
    // "-" for standard input as given; none for the demo, whose input is one of its outputs.
    static std::vector<std::filesystem::path> inputs(const RenderOptions& options);
    // Every audio file, stems and the demo's input included; standard output is none.
    static std::vector<std::filesystem::path> audioOutputs(const RenderOptions& options);
};

} // namespace calderine
