#include "tools/render/commands/PresetSaver.h"

#include "tools/render/audio/OutputFormat.h"
#include "tools/render/commands/RunFiles.h"
#include "tools/render/commands/SettingsProbe.h"
#include "tools/render/common/StandardStream.h"
#include "tools/render/filesafety/InputIdentities.h"
#include "tools/render/filesafety/OutputGuard.h"

#include <iostream>
#include <vector>

namespace calderine {

namespace {

constexpr const char* kHeading = "calderine-render settings: NAME=VALUE as for --set, read by "
                                 "--preset";

// A preset file is one more output of the run, under the rules of every other: it may replace
// no input and no audio file of the same run, and a read-only one only when forced.
OutputDestination checkedDestination(const RenderOptions& options) {
    std::vector<OutputDestination> audio;
    for (const auto& file : RunFiles::audioOutputs(options)) {
        audio.push_back(OutputDestination::inspect(file));
    }
    const OutputDestination preset = OutputDestination::inspect(*options.savePreset);
    OutputGuard::checkAddition(InputIdentities(RunFiles::inputs(options)), audio, preset,
                               "the preset", options.force);
    return preset;
}

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
            file = std::make_unique<TextOutputFile>(checkedDestination(options));
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
