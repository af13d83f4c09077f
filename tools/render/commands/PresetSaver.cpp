#include "tools/render/commands/PresetSaver.h"

#include "tools/render/audio/OutputFormat.h"
#include "tools/render/commands/RunFiles.h"
#include "tools/render/commands/SettingsProbe.h"
#include "tools/render/common/FileClashError.h"
#include "tools/render/common/StandardStream.h"
#include "tools/render/common/TextForms.h"
#include "tools/render/filesafety/InputIdentities.h"
#include "tools/render/filesafety/OutputGuard.h"

#include <iostream>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace calderine {

namespace {

constexpr const char* kHeading = "calderine-render settings: NAME=VALUE as for --set, read by "
                                 "--preset";

// What standard output leads to, so that the preset and the audio never meet there under a
// name of it (/dev/stdout, /proc/self/fd/1, the file it is redirected to). A device takes
// both without harm (/dev/null) and counts as none.
std::optional<FileIdentity> standardOutput() {
    struct stat status {};
    if (::fstat(STDOUT_FILENO, &status) != 0 || S_ISCHR(status.st_mode)) {
        return std::nullopt;
    }
    return FileIdentity{status.st_dev, status.st_ino};
}

std::vector<OutputDestination> audioDestinations(const RenderOptions& options) {
    std::vector<OutputDestination> audio;
    for (const auto& file : RunFiles::audioOutputs(options)) {
        audio.push_back(OutputDestination::inspect(file));
    }
    return audio;
}

// With --save-preset -, no audio file may be standard output by another name.
void checkAudioAwayFromPreset(const RenderOptions& options) {
    const auto out = standardOutput();
    for (const OutputDestination& audio : audioDestinations(options)) {
        if (out && audio.identity() == out) {
            throw FileClashError(quoted(audio.named()) +
                                 " is standard output, where --save-preset - writes the settings");
        }
    }
}

// A preset file is one more output of the run, under the rules of every other: it may replace
// no input and no audio file of the same run, nor be where OUTPUT - sends the audio, and a
// read-only one is replaced only when forced.
OutputDestination checkedDestination(const RenderOptions& options) {
    const OutputDestination preset = OutputDestination::inspect(*options.savePreset);
    OutputGuard::checkAddition(InputIdentities(RunFiles::inputs(options)),
                               audioDestinations(options), preset, "the preset", options.force);
    const auto out = standardOutput();
    if (options.action == RenderAction::Render && isStandardStream(options.output) && out &&
        preset.identity() == out) {
        throw FileClashError("the preset " + quoted(preset.named()) +
                             " is standard output, where the audio goes");
    }
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
        if (toStandardOutput) {
            checkAudioAwayFromPreset(options);
        } else {
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
