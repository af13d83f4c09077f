// A whole signal through a hosted effect in blocks of a fixed size, as a host's offline render
// feeds it; beforeBlock(start) runs before the block that begins at frame `start`, so that
// settings can change in mid-stream exactly at a block boundary.
#pragma once

#include "tools/vsthost/HostedEffect.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <type_traits>
#include <vector>

namespace calderine::testing {

template <typename Sample>
std::vector<std::vector<Sample>>
renderInBlocks(HostedEffect& effect, const std::vector<std::vector<double>>& input,
               std::size_t blockFrames,
               const std::function<void(std::size_t start)>& beforeBlock = {}) {
    const std::size_t frames = input.front().size();
    std::vector<std::vector<Sample>> output(input.size(), std::vector<Sample>(frames));
    std::vector<std::vector<Sample>> blockIn(input.size()), blockOut(input.size());
    for (std::size_t start = 0; start < frames; start += blockFrames) {
        if (beforeBlock) {
            beforeBlock(start);
        }
        const std::size_t count = std::min(blockFrames, frames - start);
        for (std::size_t channel = 0; channel < input.size(); ++channel) {
            const auto first = input[channel].begin() + static_cast<std::ptrdiff_t>(start);
            blockIn[channel].assign(first, first + static_cast<std::ptrdiff_t>(count));
            blockOut[channel].assign(count, Sample{});
        }
        if constexpr (std::is_same_v<Sample, float>) {
            effect.processReplacing(blockIn, blockOut);
        } else {
            effect.processDoubleReplacing(blockIn, blockOut);
        }
        for (std::size_t channel = 0; channel < input.size(); ++channel) {
            std::copy(blockOut[channel].begin(), blockOut[channel].end(),
                      output[channel].begin() + static_cast<std::ptrdiff_t>(start));
        }
    }
    return output;
}

} // namespace calderine::testing
