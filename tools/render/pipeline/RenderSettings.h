// How a stream is handed to the effect: the block size and sample type a host chooses, and
// whether the effect's latency is compensated.
#pragma once

namespace calderine {

// The sample type handed to the effect: processReplacing or processDoubleReplacing.
enum class SamplePrecision { Float, Double };

inline constexpr int kDefaultBlockFrames = 512;
// The rate an effect is started at where no file gives one (--info, trying settings): the rate
// most hosts start at.
inline constexpr float kDefaultHostSampleRate = 44100.0f; // Hz

struct RenderSettings {
    int blockFrames = kDefaultBlockFrames;
    SamplePrecision precision = SamplePrecision::Float;
    bool compensateLatency = true;
};

} // namespace calderine
