// The checks every file the tool writes passes before any work, so that it cannot destroy a
// file it was not asked to replace: no output may be an input, no two outputs may be the same
// file, and a read-only output is replaced only when forced. One exception: the mix of a
// single render may be its input, since the user named that file as OUTPUT; it is written
// aside and takes the input's place only at the end.
#pragma once

#include "tools/render/filesafety/InputIdentities.h"
#include "tools/render/filesafety/OutputDestination.h"

#include <filesystem>
#include <span>
#include <string_view>

namespace calderine {

class OutputGuard {
public:
    // outputs: the mix first, then the stems. Throws FileClashError for outputs that clash
    // with an input or each other, AudioFileError for a read-only output without force.
    static void check(const InputIdentities& inputs, std::span<const OutputDestination> outputs,
                      bool force, bool mixMayReplaceInput);

    // The same for one more file of a run whose other outputs are `others` (a saved preset
    // beside the audio): it may be none of them and no input. role: what messages call it.
    static void checkAddition(const InputIdentities& inputs,
                              std::span<const OutputDestination> others,
                              const OutputDestination& added, std::string_view role, bool force);
};

} // namespace calderine
