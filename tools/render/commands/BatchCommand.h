// Many renders at once: every input through the effect into a folder, under the input's own
// file name, with the stems beside it when asked for. Files are rendered on several threads,
// each with its own instances of the effect; one failing file is reported and the others go
// on.
#pragma once

#include "tools/render/commandline/RenderOptions.h"
#include "tools/render/common/MessageLine.h"
#include "tools/render/pipeline/StreamRenderer.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace calderine {

class BatchCommand {
public:
    // Throws UsageError when two inputs would write the same file, before anything is done.
    BatchCommand(const RenderOptions& options, std::filesystem::path module);

    // Reports each failing file as one line "PROGRAM: INPUT: reason" on `errors`, which also
    // carries the jobs' warnings, each line whole, and the progress bar on a terminal: the input
    // frames rendered by every job, out of all the inputs hold. Returns the number of files that
    // failed.
    std::size_t run(std::ostream& errors, std::string_view program) const;

    // in/take.wav -> DIR/take.wav, or DIR/take.flac with --format flac.
    static std::filesystem::path outputFor(const std::filesystem::path& input,
                                           const std::filesystem::path& folder,
                                           const std::optional<std::string>& format);
    // The files rendered at once: `asked`, else one per core, never more than there are files.
    static std::size_t jobCount(int asked, std::size_t files);

private:
    std::string renderOne(std::size_t index, const FrameProgress& progress,
                          const MessageSink& say) const;

    RenderOptions options;
    std::filesystem::path modulePath;
    std::vector<std::filesystem::path> outputs; // one per input
};

} // namespace calderine
