// calderine-render --demo: synthesises the built-in test material, renders its mix, tone and
// noise parts, and reports the level of each file and how fast the render ran.
#pragma once

#include "tools/render/commandline/RenderOptions.h"

#include <filesystem>
#include <ostream>
#include <vector>

namespace calderine {

class DemoCommand {
public:
    DemoCommand(const RenderOptions& options, std::filesystem::path module);

    // Writes the files into the demo folder and one line per file to out.
    void run(std::ostream& out) const;

    // Every file the demo writes: its input, the mix, the stems.
    static std::vector<std::filesystem::path> writtenFiles(const RenderOptions& options);

private:
    RenderOptions options;
    std::filesystem::path modulePath;
};

} // namespace calderine
