#include "spectral/FrameSlot.h"

#include <algorithm>

namespace calderine {

FrameSlot::FrameSlot(std::uint32_t frameSize, std::uint32_t startOffset)
    : input{AlignedBuffer(frameSize), AlignedBuffer(frameSize)},
      output{AlignedBuffer(2 * std::size_t{frameSize}), AlignedBuffer(2 * std::size_t{frameSize})},
      position(startOffset), startOffset(startOffset) {}

void FrameSlot::reset() noexcept {
    for (AlignedBuffer* buffer : {&input[0], &input[1], &output[0], &output[1]}) {
        std::fill_n(buffer->data(), buffer->size(), 0.0);
    }
    position = startOffset;
    active = 0;
}

} // namespace calderine
