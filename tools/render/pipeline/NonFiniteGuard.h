// Stands between an effect and an encoder: NaN and infinity have no meaning in a sound file,
// and encoders take them badly (a float file keeps them for every later tool to trip over, an
// integer one writes full scale, lossy encoders abort). Such samples are passed on as 0 and
// counted, so that the run can say so.
#pragma once

#include "tools/render/audio/SampleSink.h"

#include <cstdint>
#include <vector>

namespace calderine {

class NonFiniteGuard final : public SampleSink {
public:
    explicit NonFiniteGuard(SampleSink& next);

    void write(std::span<const float> frames) override;
    void write(std::span<const double> frames) override;

    // Samples that were not finite and went on as 0.
    std::int64_t replaced() const noexcept { return count; }

private:
    template <typename Sample>
    void pass(std::span<const Sample> frames, std::vector<Sample>& copy);

    SampleSink& next;
    std::vector<float> floatCopy;
    std::vector<double> doubleCopy;
    std::int64_t count = 0;
};

} // namespace calderine
