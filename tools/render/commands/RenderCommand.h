// One render of calderine-render: INPUT through the effect into OUTPUT and, with --stems,
// into its tone and noise parts. Every output file appears under its name only once all of
// them are complete (devices and pipes are written as the render goes), and nothing starts
// unless the outputs are safe to write and the effect serves INPUT's sample rate.
#pragma once

#include "tools/render/commandline/RenderOptions.h"
#include "tools/render/common/MessageLine.h"
#include "tools/render/pipeline/StreamRenderer.h"

#include <filesystem>
#include <vector>

namespace calderine {

struct RenderedFile {
    std::filesystem::path path;
    double processSeconds = 0.0; // inside the effect
};

struct RenderSummary {
    double inputSeconds = 0.0;
    std::vector<RenderedFile> files; // the mix first, then the stems
};

class RenderCommand {
public:
    // module: the VST 2.4 module to load.
    RenderCommand(const RenderOptions& options, std::filesystem::path module);

    // progress: told of the input frames read as the render goes; without it, a render shows
    // its own progress bar on a terminal. say: takes the warnings, each a whole line; without
    // it they go to standard error.
    RenderSummary run(const FrameProgress& progress = {}, const MessageSink& say = {}) const;

    // out.wav -> out.tone.wav
    static std::filesystem::path stemPath(const std::filesystem::path& output, const char* part);
    // Every file a render into `output` writes: the mix, then the stems when asked for.
    static std::vector<std::filesystem::path> writtenFiles(const std::filesystem::path& output,
                                                           bool stems);

private:
    RenderOptions options;
    std::filesystem::path modulePath;
};

} // namespace calderine
