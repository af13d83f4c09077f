#include "tools/render/PresetSaver.h"

#include "tools/render/SettingsProbe.h"

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
        file = std::make_unique<AtomicTextFile>(*options.savePreset);
    }
}

void PresetSaver::commit() {
    if (file) {
        PresetFile::write(file->stream(), settings, kHeading);
        file->commit();
    }
}

} // namespace calderine
