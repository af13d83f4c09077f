#include "tools/render/commands/DemoCommand.h"

#include "tools/render/audio/SoundFileWriter.h"
#include "tools/render/commands/DemoSignal.h"
#include "tools/render/commands/RenderCommand.h"
#include "tools/render/common/AudioFileError.h"
#include "tools/render/common/TextForms.h"
#include "tools/render/filesafety/InputIdentities.h"
#include "tools/render/filesafety/OutputDestination.h"
#include "tools/render/filesafety/OutputGuard.h"
#include "tools/render/pipeline/LevelMeter.h"

#include <cstdio>
#include <iomanip>
#include <sndfile.h>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace calderine {

namespace {

constexpr const char* kInputName = "input";
constexpr const char* kMixName = "mix";
constexpr const char* kDefaultExtension = "wav";
// 24-bit WAV: what a studio hands around, and read by every spectrogram tool.
constexpr int kInputFormat = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
constexpr std::size_t kBlockFrames = 4096;
constexpr int kPathColumn = 28;

void writeInput(const OutputDestination& destination) {
    DemoSignal signal;
    SoundFileWriter writer(destination, kInputFormat,
                           {DemoSignal::kChannels, DemoSignal::kSampleRate});
    std::vector<double> block(kBlockFrames * DemoSignal::kChannels);
    for (std::size_t frames; (frames = signal.next(block)) > 0;) {
        writer.write(std::span<const double>(block.data(), frames * DemoSignal::kChannels));
    }
    writer.commit();
}

// The demo reads every file it writes back, the input to render it and all to measure them:
// a device or a pipe would swallow the sound or hang the run.
void requireFile(const OutputDestination& destination) {
    if (destination.kind() == DestinationKind::Folder) {
        throw AudioFileError("cannot write " + quoted(destination.named()) + ": it is a folder");
    }
    if (!destination.writtenAside()) {
        throw AudioFileError("cannot write " + quoted(destination.named()) +
                             ": the demo reads its files back, and this is a device or a pipe");
    }
}

RenderOptions demoRender(const RenderOptions& options) {
    RenderOptions render = options;
    render.input = (options.demoFolder / kInputName).replace_extension(kDefaultExtension);
    render.output = (options.demoFolder / kMixName)
                        .replace_extension(options.format.value_or(kDefaultExtension));
    render.stems = true;
    return render;
}

void report(std::ostream& out, const std::filesystem::path& file, const std::string& extra) {
    const Levels levels = LevelMeter::measure(file);
    out << std::left << std::setw(kPathColumn) << file.string() << "  peak " << std::setw(10)
        << LevelMeter::decibels(levels.peak) << "  RMS " << std::setw(10)
        << LevelMeter::decibels(levels.rms) << extra << '\n';
}

} // namespace

DemoCommand::DemoCommand(const RenderOptions& options, std::filesystem::path module)
    : options(options), modulePath(std::move(module)) {}

std::vector<std::filesystem::path> DemoCommand::writtenFiles(const RenderOptions& options) {
    const RenderOptions render = demoRender(options);
    std::vector<std::filesystem::path> files{render.input};
    for (auto& file : RenderCommand::writtenFiles(render.output, render.stems)) {
        files.push_back(std::move(file));
    }
    return files;
}

void DemoCommand::run(std::ostream& out) const {
    const RenderOptions render = demoRender(options);
    // The synthesised input is written first, so every file, it included, is checked before:
    // a mix or stem linked to the input would otherwise replace it while it is read.
    std::vector<OutputDestination> destinations;
    for (const auto& file : writtenFiles(options)) {
        destinations.push_back(OutputDestination::inspect(file));
        requireFile(destinations.back());
    }
    OutputGuard::check(InputIdentities({}), destinations, options.force, false);

    std::error_code error;
    std::filesystem::create_directories(options.demoFolder, error);
    if (error) {
        throw AudioFileError("cannot create the folder '" + options.demoFolder.string() +
                             "': " + error.message());
    }
    writeInput(destinations.front());
    const RenderSummary summary = RenderCommand(render, modulePath).run();

    report(out, render.input, "");
    for (const RenderedFile& file : summary.files) {
        char factor[64];
        // Time inside the effect per second of audio: below 1 renders faster than real time.
        std::snprintf(factor, sizeof factor, "  real-time factor %.4f",
                      file.processSeconds / summary.inputSeconds);
        report(out, file.path, factor);
    }
}

} // namespace calderine
