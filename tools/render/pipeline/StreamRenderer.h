// Streams a sound file through one or more effect instances in host-sized blocks, as a
// DAW's offline bounce does: every instance gets the same input, and by default the
// effect's reported latency is compensated so that each output lines up with the input
// sample for sample and has its length.
#pragma once

#include "tools/render/pipeline/RenderSettings.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace calderine {

class HostedEffect;
class SoundFileReader;
class SampleSink;

struct RenderTarget {
    HostedEffect* effect = nullptr;
    SampleSink* writer = nullptr;
    // Per frame of what the writer takes: the effect's outputs, which it must keep.
    std::int32_t channels = 0;
};

// Told after every block how many input frames have been read so far.
using FrameProgress = std::function<void(std::int64_t framesRead)>;

struct RenderReport {
    std::int64_t inputFrames = 0;
    // Per target, the time spent inside the effect's processing calls.
    std::vector<double> processSeconds;
};

class StreamRenderer {
public:
    // Past the end of the input, the latency is pushed out of the effect in blocks of silence:
    // a limit on the time that takes, far beyond any look-ahead an effect needs.
    static constexpr int kLongestLatencySeconds = 600;

    explicit StreamRenderer(const RenderSettings& settings);

    // Throws HostError when the effect cannot take the file's channels or the precision, or
    // reports a latency beyond kLongestLatencySeconds at the file's rate.
    static void checkFits(HostedEffect& effect, int fileChannels, int sampleRate,
                          SamplePrecision precision);

    // Each effect must be prepared (sample rate, block size, parameters) and suspended; it is
    // resumed for the render and suspended again afterwards. The writers are left open. Throws
    // HostError when an effect, once switched on, no longer fits (checkFits) or has changed
    // its channels.
    RenderReport render(SoundFileReader& input, std::span<const RenderTarget> targets,
                        const FrameProgress& progress) const;

private:
    template <typename Sample>
    RenderReport stream(SoundFileReader& input, std::span<const RenderTarget> targets,
                        const FrameProgress& progress) const;

    RenderSettings settings;
};

} // namespace calderine
