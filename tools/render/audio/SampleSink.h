// Where a render's samples go: whole interleaved frames, in float or double as the effect
// produced them.
#pragma once

#include <span>

namespace calderine {

class SampleSink {
public:
    virtual ~SampleSink() = default;
    virtual void write(std::span<const float> frames) = 0;
    virtual void write(std::span<const double> frames) = 0;
};

} // namespace calderine
