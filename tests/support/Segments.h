#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

// Drives a SpectralSeparator or a ChannelEngine the way the effect does: a segment up to the next
// frame work (samplesUntilWork, or the engine's segmentLimit), then that work, until count samples
// have passed. The product runs its separators and engines in pairs (StereoRouter); this is the
// one-processor driver the tests and benchmarks need. input and output may be the same array.
namespace calderine::testing {

template <class Processor>
void runBlock(Processor& processor, const double* input, double* output, std::size_t count) {
    while (count > 0) {
        std::uint32_t limit = 0;
        if constexpr (requires { processor.segmentLimit(); }) {
            limit = processor.segmentLimit();
        } else {
            limit = processor.samplesUntilWork();
        }
        const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(count, limit));
        processor.processSegment(input, output, length);
        processor.completeFrames();
        input += length;
        output += length;
        count -= length;
    }
}

// One sample in, one out: a block of one.
template <class Processor>
double runSample(Processor& processor, double input) {
    double output = 0.0;
    runBlock(processor, &input, &output, 1);
    return output;
}

} // namespace calderine::testing
