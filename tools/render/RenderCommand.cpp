#include "tools/render/RenderCommand.h"

#include "tools/render/OutputDestination.h"
#include "tools/render/OutputFormat.h"
#include "tools/render/OutputGuard.h"
#include "tools/render/ParameterResolver.h"
#include "tools/render/ProgressBar.h"
#include "tools/render/SampleRateProbe.h"
#include "tools/render/SoundFileReader.h"
#include "tools/render/SoundFileWriter.h"
#include "tools/render/StreamRenderer.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginModule.h"

#include <array>
#include <iostream>
#include <memory>
#include <utility>

namespace calderine {

namespace {

// One instance of the effect and the file it renders into.
struct Pass {
    const char* part; // null for the mix
    std::vector<ParameterAssignment> overrides;
};

// A stem is the effect's own output with the other part and the dry signal muted, so with
// default settings the tone and noise stems add up to the mix.
const std::array<Pass, 3> kPasses = {{
    {nullptr, {}},
    {"tone", {{"Noise_Gain", "mute", false}, {"DryMix", "0", false}}},
    {"noise", {{"Tone_Gain", "mute", false}, {"DryMix", "0", false}}},
}};

std::vector<ParameterChange> resolveAll(ParameterResolver& resolver,
                                        const std::vector<ParameterAssignment>& assignments) {
    std::vector<ParameterChange> changes;
    for (const ParameterAssignment& assignment : assignments) {
        changes.push_back(resolver.resolve(assignment));
    }
    return changes;
}

// The order of a careful host: open, then rate and block size, then the parameters, so that
// nothing the effect designs from its parameters is left at a stale rate.
std::unique_ptr<HostedEffect> openEffect(const std::shared_ptr<const PluginModule>& module,
                                         const SoundFileReader& input,
                                         const RenderOptions& options) {
    auto effect = std::make_unique<HostedEffect>(module);
    StreamRenderer::checkFits(*effect, input.channels(), options.precision);
    effect->dispatch(effOpen);
    effect->setSampleRate(static_cast<float>(input.sampleRate()));
    effect->setBlockSize(options.blockFrames);
    return effect;
}

void applyChanges(HostedEffect& effect, const std::vector<ParameterChange>& changes) {
    for (const ParameterChange& change : changes) {
        effect.setParameter(change.index, change.normalised);
    }
}

// The settings of each pass as normalised values. Resolving a value sweeps the parameter
// through its range; a separate instance takes that, so the rendering instances see nothing
// but their final settings.
std::vector<std::vector<ParameterChange>>
resolvePasses(const std::shared_ptr<const PluginModule>& module, const SoundFileReader& input,
              const RenderOptions& options, std::size_t passCount) {
    std::vector<std::vector<ParameterChange>> passChanges(passCount);
    if (options.assignments.empty() && passCount == 1) {
        return passChanges;
    }
    const auto probe = openEffect(module, input, options);
    ParameterResolver resolver(*probe);
    const std::vector<ParameterChange> changes = resolveAll(resolver, options.assignments);
    for (std::size_t p = 0; p < passCount; ++p) {
        passChanges[p] = changes;
        try {
            const auto overrides = resolveAll(resolver, kPasses[p].overrides);
            passChanges[p].insert(passChanges[p].end(), overrides.begin(), overrides.end());
        } catch (const ParameterError&) {
            throw ParameterError("--stems needs the parameters Tone_Gain, Noise_Gain and DryMix "
                                 "with the values mute and 0; the effect of '" +
                                 module->path().string() + "' lacks them");
        }
    }
    return passChanges;
}

} // namespace

RenderCommand::RenderCommand(const RenderOptions& options, std::filesystem::path module)
    : options(options), modulePath(std::move(module)) {}

std::filesystem::path RenderCommand::stemPath(const std::filesystem::path& output,
                                              const char* part) {
    std::filesystem::path stem = output;
    stem.replace_filename(output.stem().string() + "." + part + output.extension().string());
    return stem;
}

RenderSummary RenderCommand::run() const {
    const std::size_t passCount = options.stems ? kPasses.size() : 1;
    std::vector<OutputDestination> destinations;
    for (std::size_t p = 0; p < passCount; ++p) {
        destinations.push_back(OutputDestination::inspect(
            kPasses[p].part ? stemPath(options.output, kPasses[p].part) : options.output));
    }
    OutputGuard::check(options.input, destinations, options.force);

    const auto module = std::make_shared<const PluginModule>(modulePath);
    SoundFileReader input(options.input);
    {
        HostedEffect probe(module);
        probe.dispatch(effOpen);
        SampleRateProbe::require(probe, input.sampleRate(), options.input);
    }

    const std::vector<std::vector<ParameterChange>> passChanges =
        resolvePasses(module, input, options, passCount);
    std::vector<std::unique_ptr<HostedEffect>> effects;
    for (std::size_t p = 0; p < passCount; ++p) {
        effects.push_back(openEffect(module, input, options));
    }

    const StreamShape shape{effects.front()->record().numOutputs, input.sampleRate()};
    const int format = OutputFormat::choose(input.format(), shape, options.format, options.output);
    std::vector<std::unique_ptr<SoundFileWriter>> writers;
    std::vector<RenderTarget> targets;
    for (std::size_t p = 0; p < passCount; ++p) {
        applyChanges(*effects[p], passChanges[p]);
        writers.push_back(std::make_unique<SoundFileWriter>(destinations[p], format, shape));
        targets.push_back({effects[p].get(), writers.back().get()});
    }

    ProgressBar progress(std::cerr, ProgressBar::standardErrorIsTerminal(), input.frames());
    const RenderSettings settings{options.blockFrames, options.precision, !options.keepLatency};
    const RenderReport report = StreamRenderer(settings).render(input, targets, progress);

    // Every file complete before any takes its name: a failure leaves none behind.
    for (const auto& writer : writers) {
        writer->finish();
    }
    RenderSummary summary;
    summary.inputSeconds =
        static_cast<double>(report.inputFrames) / static_cast<double>(input.sampleRate());
    for (std::size_t p = 0; p < passCount; ++p) {
        writers[p]->commit();
        summary.files.push_back({writers[p]->path(), report.processSeconds[p]});
    }
    return summary;
}

} // namespace calderine
