#include "tools/render/commandline/StandardStreamUse.h"

#include "tools/render/audio/OutputFormat.h"
#include "tools/render/commandline/ArgumentParser.h"
#include "tools/render/common/StandardStream.h"

#include <algorithm>

namespace calderine {

void checkStandardStreams(const RenderOptions& options) {
    const bool presetToStandardOutput = options.savePreset && isStandardStream(*options.savePreset);
    if (presetToStandardOutput && options.action == RenderAction::Render &&
        isStandardStream(options.output)) {
        throw UsageError("--save-preset - and OUTPUT - would both write standard output; save "
                         "the preset to a file");
    }
    if (options.action == RenderAction::Batch &&
        std::ranges::any_of(options.inputs, [](const std::filesystem::path& input) {
            return isStandardStream(input);
        })) {
        throw UsageError("--output-dir names each output after its INPUT, and '-' (standard "
                         "input) has no name; render it alone as INPUT OUTPUT");
    }
}

} // namespace calderine
