#include "tools/render/pipeline/NonFiniteGuard.h"

#include <algorithm>
#include <cmath>

namespace calderine {

NonFiniteGuard::NonFiniteGuard(SampleSink& next) : next(next) {}

template <typename Sample>
void NonFiniteGuard::pass(std::span<const Sample> frames, std::vector<Sample>& copy) {
    const auto finite = [](Sample sample) { return std::isfinite(sample); };
    // A well-behaved effect costs one scan and no copy.
    if (std::all_of(frames.begin(), frames.end(), finite)) {
        next.write(frames);
        return;
    }
    copy.assign(frames.begin(), frames.end());
    for (Sample& sample : copy) {
        if (!finite(sample)) {
            sample = Sample(0);
            ++count;
        }
    }
    next.write(std::span<const Sample>(copy));
}

void NonFiniteGuard::write(std::span<const float> frames) {
    pass(frames, floatCopy);
}

void NonFiniteGuard::write(std::span<const double> frames) {
    pass(frames, doubleCopy);
}

} // namespace calderine
