#include "tools/render/pipeline/StreamRenderer.h"

#include "tools/render/audio/SampleSink.h"
#include "tools/render/audio/SoundFileReader.h"
#include "tools/vsthost/HostError.h"
#include "tools/vsthost/HostedEffect.h"

#include <algorithm>
#include <chrono>
#include <string>

namespace calderine {

namespace {

template <typename Sample>
using Channels = std::vector<std::vector<Sample>>;

// Where one instance stands in the stream.
struct TargetState {
    std::int64_t latencyLeft = 0; // output frames still to drop
    std::int64_t written = 0;
    double seconds = 0.0;
};

std::string describe(HostedEffect& effect) {
    return "'" + effect.module().path().string() + "'";
}

void process(HostedEffect& effect, const Channels<float>& in, Channels<float>& out) {
    effect.processReplacing(in, out);
}

void process(HostedEffect& effect, const Channels<double>& in, Channels<double>& out) {
    effect.processDoubleReplacing(in, out);
}

template <typename Sample>
void resize(Channels<Sample>& channels, std::size_t frames) {
    for (auto& channel : channels) {
        channel.resize(frames);
    }
}

// A mono file feeds every input; otherwise channel c feeds input c.
template <typename Sample>
void spread(const std::vector<Sample>& interleaved, int fileChannels, std::size_t frames,
            Channels<Sample>& inputs) {
    const auto stride = static_cast<std::size_t>(fileChannels);
    for (std::size_t c = 0; c < inputs.size(); ++c) {
        const std::size_t source = fileChannels == 1 ? 0 : c;
        auto& channel = inputs[c];
        for (std::size_t frame = 0; frame < frames; ++frame) {
            channel[frame] = interleaved[frame * stride + source];
        }
        std::fill(channel.begin() + static_cast<std::ptrdiff_t>(frames), channel.end(), Sample{0});
    }
}

std::string channelCounts(std::int32_t inputs, std::int32_t outputs) {
    return std::to_string(inputs) + " inputs and " + std::to_string(outputs) + " outputs";
}

template <typename Sample>
void interleave(const Channels<Sample>& outputs, std::size_t first, std::size_t count,
                std::vector<Sample>& interleaved) {
    const std::size_t stride = outputs.size();
    interleaved.resize(count * stride);
    for (std::size_t c = 0; c < stride; ++c) {
        for (std::size_t frame = 0; frame < count; ++frame) {
            interleaved[frame * stride + c] = outputs[c][first + frame];
        }
    }
}

} // namespace

StreamRenderer::StreamRenderer(const RenderSettings& settings) : settings(settings) {}

void StreamRenderer::checkFits(HostedEffect& effect, int fileChannels, int sampleRate,
                               SamplePrecision precision) {
    const std::int32_t inputs = effect.inputCount();
    const std::int32_t outputs = effect.outputCount();
    if (inputs < 1 || outputs < 1) {
        throw HostError(describe(effect) + " is not an audio effect: it has " +
                        channelCounts(inputs, outputs));
    }
    if (fileChannels != 1 && fileChannels != inputs) {
        throw HostError("the effect of " + describe(effect) + " takes " + std::to_string(inputs) +
                        " input channels; a file with " + std::to_string(fileChannels) +
                        " channels does not fit");
    }
    const AEffect& record = effect.record();
    const bool single = precision == SamplePrecision::Float;
    const std::int32_t flag = single ? effFlagsCanReplacing : effFlagsCanDoubleReplacing;
    const bool entry =
        single ? record.processReplacing != nullptr : record.processDoubleReplacing != nullptr;
    if ((record.flags & flag) == 0 || !entry) {
        throw HostError("the effect of " + describe(effect) + " cannot process " +
                        (single ? "float" : "double") + " samples");
    }
    const std::int64_t longest = std::int64_t{kLongestLatencySeconds} * sampleRate;
    if (const std::int32_t latency = effect.latency(); latency > longest) {
        throw HostError("the effect of " + describe(effect) + " reports a latency of " +
                        std::to_string(latency) + " samples; a render takes 0 to " +
                        std::to_string(longest) + " (" +
                        std::to_string(kLongestLatencySeconds / 60) + " minutes at " +
                        std::to_string(sampleRate) + " Hz)");
    }
}

RenderReport StreamRenderer::render(SoundFileReader& input, std::span<const RenderTarget> targets,
                                    const FrameProgress& progress) const {
    return settings.precision == SamplePrecision::Float ? stream<float>(input, targets, progress)
                                                        : stream<double>(input, targets, progress);
}

template <typename Sample>
RenderReport StreamRenderer::stream(SoundFileReader& input, std::span<const RenderTarget> targets,
                                    const FrameProgress& progress) const {
    const auto block = static_cast<std::size_t>(settings.blockFrames);
    std::vector<Sample> fileFrames(block * static_cast<std::size_t>(input.channels()));
    std::vector<Sample> outputFrames;
    std::vector<Channels<Sample>> inputs;
    std::vector<Channels<Sample>> outputs;
    std::vector<TargetState> states;
    for (const RenderTarget& target : targets) {
        HostedEffect& effect = *target.effect;
        checkFits(effect, input.channels(), input.sampleRate(), settings.precision);
        if (effect.outputCount() != target.channels) {
            throw HostError("the effect of " + describe(effect) + " has " +
                            std::to_string(effect.outputCount()) + " outputs; its output takes " +
                            std::to_string(target.channels));
        }
        const std::int32_t inputsBefore = effect.inputCount();
        effect.resume();
        // Read again: an effect may change its latency with the sample rate or when switched
        // on, and a careful host takes the last word. Its channels it must keep, as the writer
        // is made for them.
        const std::int32_t inputCount = effect.inputCount();
        const std::int32_t outputCount = effect.outputCount();
        if (inputCount != inputsBefore || outputCount != target.channels) {
            throw HostError("the effect of " + describe(effect) + " switched on with " +
                            channelCounts(inputCount, outputCount) + " instead of " +
                            channelCounts(inputsBefore, target.channels) +
                            "; a render cannot follow a change of channels");
        }
        checkFits(effect, input.channels(), input.sampleRate(), settings.precision);
        inputs.emplace_back(static_cast<std::size_t>(inputCount), std::vector<Sample>(block));
        outputs.emplace_back(static_cast<std::size_t>(outputCount), std::vector<Sample>(block));
        states.push_back({settings.compensateLatency ? effect.latency() : 0, 0, 0.0});
    }

    RenderReport report;
    bool inputEnded = false;
    for (;;) {
        const std::size_t read = inputEnded ? 0 : input.read(std::span<Sample>(fileFrames));
        inputEnded = inputEnded || read < block;
        report.inputFrames += static_cast<std::int64_t>(read);
        // Past the end, whole blocks of silence push the latency out of the effect.
        const std::size_t frames = inputEnded && settings.compensateLatency ? block : read;
        bool anyProcessed = false;
        for (std::size_t t = 0; t < targets.size(); ++t) {
            TargetState& state = states[t];
            const bool complete = inputEnded && state.written >= report.inputFrames;
            if (frames == 0 || complete) {
                continue;
            }
            resize(inputs[t], frames);
            resize(outputs[t], frames);
            spread(fileFrames, input.channels(), read, inputs[t]);
            const auto started = std::chrono::steady_clock::now();
            process(*targets[t].effect, inputs[t], outputs[t]);
            state.seconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

            const auto dropped =
                std::min<std::int64_t>(state.latencyLeft, static_cast<std::int64_t>(frames));
            state.latencyLeft -= dropped;
            auto kept = static_cast<std::int64_t>(frames) - dropped;
            if (inputEnded) {
                kept = std::min(kept, report.inputFrames - state.written);
            }
            interleave(outputs[t], static_cast<std::size_t>(dropped),
                       static_cast<std::size_t>(kept), outputFrames);
            targets[t].writer->write(std::span<const Sample>(outputFrames));
            state.written += kept;
            anyProcessed = true;
        }
        if (progress) {
            progress(report.inputFrames);
        }
        if (inputEnded && !anyProcessed) {
            break;
        }
    }
    for (std::size_t t = 0; t < targets.size(); ++t) {
        targets[t].effect->suspend();
        report.processSeconds.push_back(states[t].seconds);
    }
    return report;
}

} // namespace calderine
