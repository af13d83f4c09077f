#include "tools/render/filesafety/OutputGuard.h"

#include "tools/render/common/AudioFileError.h"
#include "tools/render/common/FileClashError.h"
#include "tools/render/common/TextForms.h"

#include <string>

namespace calderine {

void OutputGuard::check(const InputIdentities& inputs, std::span<const OutputDestination> outputs,
                        bool force, bool mixMayReplaceInput) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const OutputDestination& output = outputs[i];
        const bool isMix = i == 0;
        const std::filesystem::path* input = inputs.find(output.identity());
        if (input != nullptr && !(isMix && mixMayReplaceInput && output.writtenAside())) {
            std::string message = isMix ? "the output " : "the stem ";
            message += quoted(output.named());
            message += " would overwrite the input ";
            message += quoted(*input);
            message += mixMayReplaceInput ? " while it is read" : "";
            throw FileClashError(message);
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (output.sameFileAs(outputs[j])) {
                throw FileClashError(quoted(outputs[j].named()) + " and " + quoted(output.named()) +
                                     " are the same file; each output needs its own");
            }
        }
    }
    if (force) {
        return;
    }
    for (const OutputDestination& output : outputs) {
        if (output.readOnly()) {
            throw AudioFileError(quoted(output.resolved()) +
                                 " is read-only; --force replaces it all the same");
        }
    }
}

} // namespace calderine
