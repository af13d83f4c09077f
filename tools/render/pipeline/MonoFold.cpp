#include "tools/render/pipeline/MonoFold.h"

namespace calderine {

MonoFold::MonoFold(SampleSink& next, int channels) : next(next), channels(channels) {}

template <typename Sample>
void MonoFold::fold(std::span<const Sample> frames, std::vector<Sample>& mono) {
    const auto stride = static_cast<std::size_t>(channels);
    mono.resize(frames.size() / stride);
    for (std::size_t frame = 0; frame < mono.size(); ++frame) {
        // Summed in double: a float sum of two full-scale samples stays exact anyway, but
        // more channels would round.
        double sum = 0.0;
        for (std::size_t c = 0; c < stride; ++c) {
            sum += static_cast<double>(frames[frame * stride + c]);
        }
        mono[frame] = static_cast<Sample>(sum / static_cast<double>(stride));
    }
    next.write(std::span<const Sample>(mono));
}

void MonoFold::write(std::span<const float> frames) {
    fold(frames, floats);
}

void MonoFold::write(std::span<const double> frames) {
    fold(frames, doubles);
}

} // namespace calderine
