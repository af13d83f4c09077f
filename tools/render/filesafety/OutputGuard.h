// The checks a render passes before any work, so that it cannot destroy a file it was not
// asked to replace: no stem and no output written in place may be the input, no two outputs
// may be the same file, and a read-only output is replaced only when forced. The mix may be
// the input: it is written aside and takes the input's place only at the end.
#pragma once

#include "tools/render/filesafety/OutputDestination.h"

#include <filesystem>
#include <span>

namespace calderine {

class OutputGuard {
public:
    // outputs: the mix first, then the stems. Throws FileClashError for outputs that clash
    // with the input or each other, AudioFileError for a read-only output without force.
    static void check(const std::filesystem::path& input,
                      std::span<const OutputDestination> outputs, bool force);
};

} // namespace calderine
