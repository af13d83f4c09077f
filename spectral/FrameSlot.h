#pragma once

#include "simd/AlignedBuffer.h"

#include <cstdint>

namespace calderine {

// One of the separator's staggered frame collectors. The frame itself lives in the separator's
// shared input ring (every slot's frame is simply the latest N samples when it completes); the
// slot keeps only what it contributes to the output until its next frame completes.
// Plain state, driven entirely by SpectralSeparator.
struct FrameSlot {
    // Allocates the output and the rendered frame, all zero. Throws std::bad_alloc.
    FrameSlot(std::uint32_t frameSize, std::uint32_t startOffset);

    // Silence in both halves and the staggered start position; sizes are kept.
    void reset() noexcept;

    // output[p] is what the slot contributes when the p-th sample of its current frame arrives:
    // the first half of the newest rendered frame plus the second half of the one before, added
    // once when the newest frame was rendered instead of on every sample.
    AlignedBuffer output;
    // 2N: the newest rendered frame, whose second half (tail()) waits for the next frame's first
    // half. The separator renders each frame into a spare buffer and swaps it in here, rather
    // than copying the N-sample tail out of its workspace.
    AlignedBuffer rendered;

    double* tail() noexcept { return rendered.data() + output.size(); }
    std::uint32_t position;    // samples of the current frame received, 0 .. N-1 between calls
    std::uint32_t startOffset; // slot index * hop: position after construction and reset
};

} // namespace calderine
