#pragma once

#include "spectral/FftWorkspace.h"
#include "spectral/FrameAnalysis.h"
#include "spectral/FrameSlot.h"
#include "spectral/GoodFftSize.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace calderine {

// Turns a stream of samples into its noise part: the input with the spectral peaks of every
// frame flattened down to a level just above the frame's noise floor, delayed by exactly N
// samples (N = latency()).
//
// Four frame slots, staggered by a quarter frame, each collect frames of N samples. A completed
// frame is analysed into an N-tap kernel (FrameAnalysis), filtered with that kernel by a 2N-point
// fast convolution and overlap-added into the slot's output; the separator returns the mean of
// the four slot outputs. The frame work happens inside the processSample call that completes the
// frame, and no call ever completes two frames (for frame lengths of 32 and up).
//
// Real-time contract: after construction nothing allocates, locks or throws; every buffer the
// frame work needs is a member. Single-threaded: all calls, and writes of separationSlope, must
// come from one thread at a time.
class SpectralSeparator {
public:
    static constexpr std::size_t slotCount = 4;
    // The four slots overlap fourfold, so their mean has unit gain for unit kernels.
    static constexpr double outputGain = 0.25;

    // frameLength in samples (the engine passes ceil(0.05 * sampleRate)); sampleRate in Hz.
    // Throws std::bad_alloc when memory runs out or no transform can be built for the size.
    SpectralSeparator(std::uint32_t frameLength, double sampleRate);

    SpectralSeparator(const SpectralSeparator&) = delete;
    SpectralSeparator& operator=(const SpectralSeparator&) = delete;
    SpectralSeparator(SpectralSeparator&&) noexcept = default;
    SpectralSeparator& operator=(SpectralSeparator&&) noexcept = default;
    ~SpectralSeparator() = default;

    // Pushes one input sample; returns the noise estimate for the input of latency() calls ago.
    // The value returned is formed before a frame completed by this call is rendered.
    double processSample(double x) noexcept {
        double sum = 0.0;
        for (FrameSlot& slot : slots_) {
            const std::uint32_t b = slot.active;
            const std::uint32_t p = slot.position;
            slot.input[b][p] = x;
            // First half of the newest rendered frame plus the tail of the one before it.
            sum += slot.output[1 - b][p] + slot.output[b][frameSize_ + p];
            slot.position = p + 1;
            if (slot.position >= frameSize_) {
                completeFrame(slot);
            }
        }
        return outputGain * sum;
    }

    // Clears all signal memory and restarts the slots at their staggered positions. Sizes,
    // tables and separationSlope are kept.
    void reset() noexcept;

    // N: the frame and transform size, and the delay of the output in samples.
    std::uint32_t latency() const noexcept { return frameSize_; }
    std::uint32_t hop() const noexcept { return hop_; }

    // 0..1, handed to the analysis of every completed frame (see FrameAnalysis::analyse).
    double separationSlope = 0.0;

    // For inspection: the analysis holds the tables and the results of the latest frame.
    const FrameAnalysis& analysis() const noexcept { return analysis_; }
    const FrameSlot& slot(std::size_t index) const noexcept { return slots_[index]; }

private:
    void completeFrame(FrameSlot& slot) noexcept;
    // out[0 .. 2N-1] = linear convolution of the N-sample frame with the current kernel.
    void renderFrame(const double* frame, double* out) noexcept;

    std::uint32_t frameSize_;
    FftWorkspace fft_;
    FrameAnalysis analysis_;
    std::array<FrameSlot, slotCount> slots_;
    std::uint32_t hop_;
};

} // namespace calderine
