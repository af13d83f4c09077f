// Counts the samples beyond full scale on their way to a file whose encoding cannot keep them,
// so that the clipping the writer does silently can be reported.
#pragma once

#include "tools/render/audio/SampleSink.h"

#include <cstdint>

namespace calderine {

class ClipCounter final : public SampleSink {
public:
    explicit ClipCounter(SampleSink& next);

    void write(std::span<const float> frames) override;
    void write(std::span<const double> frames) override;

    std::int64_t clipped() const noexcept { return count; }
    // The largest magnitude seen, 1.0 = full scale.
    double peak() const noexcept { return largest; }

private:
    template <typename Sample>
    void tally(std::span<const Sample> frames);

    SampleSink& next;
    std::int64_t count = 0;
    double largest = 0.0;
};

} // namespace calderine
