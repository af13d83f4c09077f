#pragma once

#include "fft/Fft.h"
#include "simd/AlignedBuffer.h"

#include <cstdint>

namespace calderine {

// The transforms of one separator and the aligned buffers handed to them: a plan of size N for
// the frame analysis, one of size 2N for the kernel spectrum and the fast convolution, and three
// buffers of 2N doubles shared by the analysis and the rendering of a frame, which never run at
// the same time. Every user writes a buffer before reading it, so their contents carry nothing
// from one use to the next.
struct FftWorkspace {
    // frameSize: N, a size createFftPlan accepts, as is 2N. Throws std::bad_alloc when memory runs
    // out or a plan cannot be built.
    explicit FftWorkspace(std::uint32_t frameSize);

    std::uint32_t frameSize; // N
    FftPlanPtr planN;
    FftPlanPtr plan2N;
    AlignedBuffer input;   // 2N: transform input, also the accumulator of the convolution
    AlignedBuffer output;  // 2N
    AlignedBuffer scratch; // 2N: work area of every transform
};

} // namespace calderine
