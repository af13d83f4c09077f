#include "tools/render/commands/RunFiles.h"

#include "tools/render/commands/BatchCommand.h"
#include "tools/render/commands/DemoCommand.h"
#include "tools/render/commands/RenderCommand.h"
#include "tools/render/common/StandardStream.h"

namespace calderine {

std::vector<std::filesystem::path> RunFiles::inputs(const RenderOptions& options) {
    switch (options.action) {
    case RenderAction::Render:
        return {options.input};
    case RenderAction::Batch:
        return options.inputs;
    default:
        return {};
    }
}

std::vector<std::filesystem::path> RunFiles::audioOutputs(const RenderOptions& options) {
    switch (options.action) {
    case RenderAction::Render:
        if (isStandardStream(options.output)) {
            return {};
        }
        return RenderCommand::writtenFiles(options.output, options.stems);
    case RenderAction::Batch: {
        std::vector<std::filesystem::path> files;
        for (const auto& input : options.inputs) {
            const auto output =
                BatchCommand::outputFor(input, options.outputFolder.value_or("."), options.format);
            for (auto& file : RenderCommand::writtenFiles(output, options.stems)) {
                files.push_back(std::move(file));
            }
        }
        return files;
    }
    case RenderAction::Demo:
        return DemoCommand::writtenFiles(options);
    default:
        return {};
    }
}

} // namespace calderine
