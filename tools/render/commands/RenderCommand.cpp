#include "tools/render/commands/RenderCommand.h"

#include "tools/render/audio/EncoderQuality.h"
#include "tools/render/audio/OutputFormat.h"
#include "tools/render/audio/SoundFileReader.h"
#include "tools/render/audio/TruncatedInput.h"
#include "tools/render/common/ProgramName.h"
#include "tools/render/common/StandardStream.h"
#include "tools/render/filesafety/InputIdentities.h"
#include "tools/render/filesafety/OutputDestination.h"
#include "tools/render/filesafety/OutputGuard.h"
#include "tools/render/pipeline/ProgressBar.h"
#include "tools/render/pipeline/RenderOutput.h"
#include "tools/render/pipeline/SampleRateProbe.h"
#include "tools/render/pipeline/StreamRenderer.h"
#include "tools/render/settings/ParameterResolver.h"
#include "tools/vsthost/EffectStartup.h"
#include "tools/vsthost/HostError.h"
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

// Parameters follow only after this, so that nothing the effect designs from them is left at
// a stale rate.
std::unique_ptr<HostedEffect> openEffect(const std::shared_ptr<const PluginModule>& module,
                                         const SoundFileReader& input,
                                         const RenderOptions& options) {
    auto effect = startEffect(module, {static_cast<float>(input.sampleRate()),
                                       static_cast<std::int32_t>(options.blockFrames)});
    StreamRenderer::checkFits(*effect, input.channels(), input.sampleRate(), options.precision);
    return effect;
}

// Every stereo mode gives a mono input identical channels, so a mono input keeps one.
int outputChannels(const RenderOptions& options, const SoundFileReader& input, int effectChannels) {
    if (options.channels == 1 || (!options.channels && input.channels() == 1)) {
        return 1;
    }
    if (options.channels && *options.channels != effectChannels) {
        throw HostError("--channels " + std::to_string(*options.channels) +
                        " does not fit an effect with " + std::to_string(effectChannels) +
                        " outputs; it takes 1 or " + std::to_string(effectChannels));
    }
    return effectChannels;
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

std::vector<std::filesystem::path> RenderCommand::writtenFiles(const std::filesystem::path& output,
                                                               bool stems) {
    std::vector<std::filesystem::path> files;
    for (const Pass& pass : kPasses) {
        if (pass.part == nullptr) {
            files.push_back(output);
        } else if (stems) {
            files.push_back(stemPath(output, pass.part));
        }
    }
    return files;
}

RenderSummary RenderCommand::run(const FrameProgress& progress, const MessageSink& say) const {
    const auto warn = [&say](const std::string& warning) {
        const std::string line = std::string(kProgramName) + ": " + warning;
        say ? say(line) : writeMessageLine(line);
    };
    const std::size_t passCount = options.stems ? kPasses.size() : 1;
    // Standard output is no file: nothing there can be harmed or coincide with the input.
    std::vector<OutputDestination> destinations;
    if (!isStandardStream(options.output)) {
        for (std::size_t p = 0; p < passCount; ++p) {
            destinations.push_back(OutputDestination::inspect(
                kPasses[p].part ? stemPath(options.output, kPasses[p].part) : options.output));
        }
        // A file of a batch is checked against every input of the batch, any of which may be
        // read later; only a render the user asked for alone may replace its input.
        const std::vector<std::filesystem::path> alone{options.input};
        const InputIdentities inputs(options.inputs.empty() ? alone : options.inputs);
        OutputGuard::check(inputs, destinations, options.force,
                           options.action == RenderAction::Render);
    }

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

    const int effectChannels = effects.front()->outputCount();
    const StreamShape shape{outputChannels(options, input, effectChannels), input.sampleRate()};
    const int format = OutputFormat::choose(input.format(), shape, options.format, options.output,
                                            options.encoding);
    if (options.quality) {
        EncoderQuality::check(format, shape, *options.quality);
    }
    const EncoderSettings encoder{input.tags(), options.quality};
    std::vector<std::unique_ptr<RenderOutput>> writers;
    std::vector<RenderTarget> targets;
    for (std::size_t p = 0; p < passCount; ++p) {
        applyChanges(*effects[p], passChanges[p]);
        const auto path =
            kPasses[p].part ? stemPath(options.output, kPasses[p].part) : options.output;
        writers.push_back(
            std::make_unique<RenderOutput>(path, destinations.empty() ? nullptr : &destinations[p],
                                           format, shape, effectChannels, encoder));
        targets.push_back({effects[p].get(), &writers.back()->sink(), effectChannels});
    }

    ProgressBar bar(std::cerr,
                    !progress && !options.quiet && options.showProgress &&
                        ProgressBar::standardErrorIsTerminal(),
                    input.statedFrames().value_or(0), input.sampleRate());
    const RenderSettings settings{options.blockFrames, options.precision, !options.keepLatency};
    const RenderReport report = StreamRenderer(settings).render(
        input, targets,
        progress ? progress : FrameProgress([&bar](std::int64_t done) { bar.update(done); }));
    bar.finish();
    // Before any file is complete: a truncated input leaves no output behind.
    const auto truncation = TruncatedInput::check(input, options.acceptTruncated);
    if (truncation && !options.quiet) {
        warn(*truncation);
    }
    // Also before: a file whose samples the tool had to make up is not the render asked for.
    std::vector<std::string> nonFinite;
    for (const auto& writer : writers) {
        if (auto report = writer->nonFiniteReport()) {
            nonFinite.push_back(std::move(*report));
        }
    }
    if (!nonFinite.empty() && !options.acceptNonFinite) {
        std::string text;
        for (const std::string& report : nonFinite) {
            text += report + "; ";
        }
        throw HostError(text + "--accept-nonfinite writes them as 0");
    }

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
        if (const auto madeUp = writers[p]->nonFiniteReport(); madeUp && !options.quiet) {
            std::cerr << kProgramName << ": warning: " << *madeUp << ", written as 0\n";
        }
        if (const auto warning = writers[p]->clipWarning(); warning && !options.quiet) {
            warn(*warning);
        }
    }
    return summary;
}

} // namespace calderine
