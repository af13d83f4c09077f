#include "spectral/FrameSlot.h"

#include <algorithm>

namespace calderine {

FrameSlot::FrameSlot(std::uint32_t frameSize, std::uint32_t startOffset)
    : output(frameSize), tail(frameSize), position(startOffset), startOffset(startOffset) {}

void FrameSlot::reset() noexcept {
    std::fill_n(output.data(), output.size(), 0.0);
    std::fill_n(tail.data(), tail.size(), 0.0);
    position = startOffset;
}

} // namespace calderine
