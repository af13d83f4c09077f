// Stereo test signals and a block-wise renderer that drives any effect through its record's
// replacing entries, as a host does.
#pragma once

#include "host/AEffect.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <type_traits>
#include <vector>

namespace calderine::testing {

template <typename Sample>
using Channels = std::vector<std::vector<Sample>>;

inline constexpr std::size_t kStereo = 2;
inline constexpr std::size_t kLeft = 0;
inline constexpr std::size_t kRight = 1;
inline constexpr std::size_t kDefaultBlockFrames = 256;

// Uniform noise in [-amplitude, amplitude] plus a steady partial per channel, so that the
// separator finds both noise and tone in it. Values are floats widened to Sample, so the same
// signal can be fed to both precisions.
template <typename Sample>
Channels<Sample> noisyTones(std::size_t frames, std::uint32_t seed, double amplitude = 0.3) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> noise(-amplitude, amplitude);
    constexpr double kPartialAmplitude = 0.2;
    constexpr double kPartialStep[kStereo] = {0.031, 0.047}; // radians per sample
    Channels<Sample> signal(kStereo, std::vector<Sample>(frames));
    for (std::size_t n = 0; n < frames; ++n) {
        for (std::size_t c = 0; c < kStereo; ++c) {
            const double tone =
                kPartialAmplitude * std::sin(kPartialStep[c] * static_cast<double>(n));
            signal[c][n] = static_cast<Sample>(static_cast<float>(noise(generator) + tone));
        }
    }
    return signal;
}

template <typename Sample>
Channels<Sample> widened(const Channels<float>& signal) {
    Channels<Sample> out;
    for (const auto& channel : signal) {
        out.emplace_back(channel.begin(), channel.end());
    }
    return out;
}

// The replacing entry of the record for Sample.
template <typename Sample>
void processBlock(AEffect& record, Sample** inputs, Sample** outputs, std::int32_t frames) {
    if constexpr (std::is_same_v<Sample, float>) {
        record.processReplacing(&record, inputs, outputs, frames);
    } else {
        record.processDoubleReplacing(&record, inputs, outputs, frames);
    }
}

// One call per block of blockFrames; the last block may be shorter.
template <typename Sample>
Channels<Sample> render(AEffect& record, const Channels<Sample>& input,
                        std::size_t blockFrames = kDefaultBlockFrames) {
    const std::size_t frames = input[kLeft].size();
    Channels<Sample> output(kStereo, std::vector<Sample>(frames));
    for (std::size_t offset = 0; offset < frames; offset += blockFrames) {
        const std::size_t count = std::min(blockFrames, frames - offset);
        // The interface is not const-correct; the effect does not write its inputs.
        Sample* in[kStereo] = {const_cast<Sample*>(input[kLeft].data()) + offset,
                               const_cast<Sample*>(input[kRight].data()) + offset};
        Sample* out[kStereo] = {output[kLeft].data() + offset, output[kRight].data() + offset};
        processBlock(record, in, out, static_cast<std::int32_t>(count));
    }
    return output;
}

// Largest absolute difference between two signals of the same shape; infinite if either
// holds something that is not a number.
template <typename Sample>
double maxDifference(const Channels<Sample>& a, const Channels<Sample>& b) {
    double worst = 0.0;
    for (std::size_t c = 0; c < a.size(); ++c) {
        for (std::size_t n = 0; n < a[c].size(); ++n) {
            const double difference = std::fabs(static_cast<double>(a[c][n]) - b[c][n]);
            if (std::isnan(difference)) {
                return std::numeric_limits<double>::infinity();
            }
            worst = std::max(worst, difference);
        }
    }
    return worst;
}

} // namespace calderine::testing
