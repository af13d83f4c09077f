// --save-preset, and the check of every setting before a render touches any file: the
// settings asked for are tried on an instance of their own, and the file to save them in is
// checked against every other file of the run and opened at once, but written and given its
// name only when the run has succeeded.
#pragma once

#include "tools/render/commandline/RenderOptions.h"
#include "tools/render/filesafety/TextOutputFile.h"
#include "tools/render/settings/PresetFile.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace calderine {

class PresetSaver {
public:
    // Throws ParameterError for a setting the effect refuses, HostError for a module that
    // cannot be loaded, FileClashError for a preset file that is an input or an audio output
    // of the run, AudioFileError for one that is read-only or cannot be created.
    PresetSaver(const RenderOptions& options, const std::filesystem::path& module);

    // Writes the settings into the --save-preset file, if one was asked for, or to standard
    // output for "-".
    void commit();

private:
    std::vector<Setting> settings;
    std::unique_ptr<TextOutputFile> file;
    bool toStandardOutput = false;
};

} // namespace calderine
