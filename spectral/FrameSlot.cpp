#include "spectral/FrameSlot.h"

#include <algorithm>
#include <cstddef>

namespace calderine {

FrameSlot::FrameSlot(std::uint32_t frameSize, std::uint32_t startOffset)
    : output(frameSize), rendered(2 * std::size_t{frameSize}), position(startOffset),
      startOffset(startOffset) {}

void FrameSlot::reset() noexcept {
    std::fill_n(output.data(), output.size(), 0.0);
    std::fill_n(rendered.data(), rendered.size(), 0.0);
    position = startOffset;
}

} // namespace calderine
