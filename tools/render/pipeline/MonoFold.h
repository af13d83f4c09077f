// Folds the effect's channels into one, their mean, for a mono output: for a mono input every
// channel of a stereo effect carries the same signal, and the mean of equal samples is exactly
// that sample.
#pragma once

#include "tools/render/audio/SampleSink.h"

#include <vector>

namespace calderine {

class MonoFold final : public SampleSink {
public:
    // channels: per frame of what write() receives.
    MonoFold(SampleSink& next, int channels);

    void write(std::span<const float> frames) override;
    void write(std::span<const double> frames) override;

private:
    template <typename Sample>
    void fold(std::span<const Sample> frames, std::vector<Sample>& mono);

    SampleSink& next;
    int channels;
    std::vector<float> floats;
    std::vector<double> doubles;
};

} // namespace calderine
