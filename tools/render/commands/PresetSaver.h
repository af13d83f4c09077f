// --save-preset, and the check of every setting before a render touches any file: the
// settings asked for are tried on an instance of their own, and the file to save them in is
// opened at once but takes its name only when the run has succeeded.
#pragma once

#include "tools/render/commandline/RenderOptions.h"
#include "tools/render/filesafety/AtomicTextFile.h"
#include "tools/render/settings/PresetFile.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace calderine {

class PresetSaver {
public:
    // Throws ParameterError for a setting the effect refuses, HostError for a module that
    // cannot be loaded, std::runtime_error for a preset file that cannot be created.
    PresetSaver(const RenderOptions& options, const std::filesystem::path& module);

    // Writes the settings into the --save-preset file, if one was asked for, or to standard
    // output for "-".
    void commit();

private:
    std::vector<Setting> settings;
    std::unique_ptr<AtomicTextFile> file;
    bool toStandardOutput = false;
};

} // namespace calderine
