#pragma once

#include "spectral/AlignedBuffer.h"

#include <array>
#include <cstdint>

namespace calderine {

// One of the separator's staggered frame collectors: fills one input frame of N samples while
// the two most recently rendered frames (2N samples each) are read out and overlap-added.
// Plain state, driven entirely by SpectralSeparator.
struct FrameSlot {
    // Allocates two input frames of frameSize and two output frames of 2 * frameSize, all zero.
    // Throws std::bad_alloc.
    FrameSlot(std::uint32_t frameSize, std::uint32_t startOffset);

    // Silence in every buffer and the staggered start position; sizes are kept.
    void reset() noexcept;

    std::array<AlignedBuffer, 2> input;  // filled alternately
    std::array<AlignedBuffer, 2> output; // output[b]: rendered result of the frame last in input[b]
    std::uint32_t position;              // next index in input[active], 0 .. N-1 between calls
    std::uint32_t active = 0;            // which input frame is being filled, 0 or 1
    std::uint32_t startOffset;           // slot index * hop: position after construction and reset
};

} // namespace calderine
