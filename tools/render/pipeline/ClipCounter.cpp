#include "tools/render/pipeline/ClipCounter.h"

#include <algorithm>
#include <cmath>

namespace calderine {

namespace {

// Integer encodings reach +1.0 only as their largest code and clip everything beyond.
constexpr double kFullScale = 1.0;

} // namespace

ClipCounter::ClipCounter(SampleSink& next) : next(next) {}

template <typename Sample>
void ClipCounter::tally(std::span<const Sample> frames) {
    for (const Sample sample : frames) {
        const double magnitude = std::abs(static_cast<double>(sample));
        largest = std::max(largest, magnitude);
        count += magnitude > kFullScale ? 1 : 0;
    }
    next.write(frames);
}

void ClipCounter::write(std::span<const float> frames) {
    tally(frames);
}

void ClipCounter::write(std::span<const double> frames) {
    tally(frames);
}

} // namespace calderine
