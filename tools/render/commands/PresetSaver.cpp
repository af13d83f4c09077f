#include "tools/render/commands/PresetSaver.h"

#include "tools/render/audio/OutputFormat.h"
#include "tools/render/commands/SettingsProbe.h"
#include "tools/render/common/StandardStream.h"

#include <iostream>

namespace calderine {

namespace {

constexpr const char* kHeading = "calderine-render settings: NAME=VALUE as for --set, read by "
                                 "--preset";

} // namespace

PresetSaver::PresetSaver(const RenderOptions& options, const std::filesystem::path& module) {
    if (options.assignments.empty() && !options.savePreset) {
        return;
    }
    SettingsProbe probe(module);
    probe.apply(options.assignments, options.assignmentOrigins,
                options.quiet ? nullptr : &std::cerr);
    if (options.savePreset) {
        settings = probe.settings();
        toStandardOutput = isStandardStream(*options.savePreset);
        if (!toStandardOutput) {
            file = std::make_unique<AtomicTextFile>(*options.savePreset);
        }
    }
}

void PresetSaver::commit() {
    if (file) {
        PresetFile::write(file->stream(), settings, kHeading);
        file->commit();
    } else if (toStandardOutput) {
        PresetFile::write(std::cout, settings, kHeading);
    }
}

} // namespace calderine
