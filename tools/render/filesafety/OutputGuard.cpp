#include "tools/render/filesafety/OutputGuard.h"

#include "tools/render/common/AudioFileError.h"
#include "tools/render/common/FileClashError.h"
#include "tools/render/common/TextForms.h"

#include <string>

namespace calderine {

namespace {

void refuseInput(const InputIdentities& inputs, const OutputDestination& output,
                 std::string_view role, bool whileRead) {
    if (const std::filesystem::path* input = inputs.find(output.identity())) {
        std::string message(role);
        message += " ";
        message += quoted(output.named());
        message += " would overwrite the input ";
        message += quoted(*input);
        message += whileRead ? " while it is read" : "";
        throw FileClashError(message);
    }
}

void refuseSame(const OutputDestination& earlier, const OutputDestination& later) {
    if (later.sameFileAs(earlier)) {
        throw FileClashError(quoted(earlier.named()) + " and " + quoted(later.named()) +
                             " are the same file; each output needs its own");
    }
}

void refuseReadOnly(const OutputDestination& output, bool force) {
    if (!force && output.readOnly()) {
        throw AudioFileError(quoted(output.resolved()) +
                             " is read-only; --force replaces it all the same");
    }
}

} // namespace

void OutputGuard::check(const InputIdentities& inputs, std::span<const OutputDestination> outputs,
                        bool force, bool mixMayReplaceInput) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const OutputDestination& output = outputs[i];
        const bool isMix = i == 0;
        if (!(isMix && mixMayReplaceInput && output.writtenAside())) {
            refuseInput(inputs, output, isMix ? "the output" : "the stem", mixMayReplaceInput);
        }
        for (std::size_t j = 0; j < i; ++j) {
            refuseSame(outputs[j], output);
        }
    }
    for (const OutputDestination& output : outputs) {
        refuseReadOnly(output, force);
    }
}

void OutputGuard::checkAddition(const InputIdentities& inputs,
                                std::span<const OutputDestination> others,
                                const OutputDestination& added, std::string_view role, bool force) {
    refuseInput(inputs, added, role, false);
    for (const OutputDestination& other : others) {
        if (added.sameFileAs(other)) {
            std::string message(role);
            message += " ";
            message += quoted(added.named());
            message += " would overwrite ";
            message += quoted(other.named());
            message += ", which the run writes too; each output needs its own";
            throw FileClashError(message);
        }
    }
    refuseReadOnly(added, force);
}

} // namespace calderine
