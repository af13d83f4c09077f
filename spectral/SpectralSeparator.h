#pragma once

#include "spectral/BinMath.h"
#include "spectral/FftWorkspace.h"
#include "spectral/FrameAnalysis.h"
#include "spectral/FrameSlot.h"
#include "spectral/GoodFftSize.h"

#include <algorithm>
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
// the four slot outputs. All four frames are cut from one shared ring of the latest input. The
// frame work happens on the call that completes the frame, after that call's output is formed,
// and no call ever completes two frames (for frame lengths of 32 and up).
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
    // The value returned is formed before a frame completed by this call is rendered. The
    // sample-at-a-time reference for processBlock, which gives the same values.
    double processSample(double x) noexcept {
        writeInput(&x, 1);
        double sum = 0.0;
        bool completed = false;
        for (FrameSlot& slot : slots_) {
            const std::uint32_t p = slot.position;
            sum += slot.output[p];
            slot.position = p + 1;
            completed = completed || slot.position >= frameSize_;
        }
        if (completed) {
            completeFrames();
        }
        return outputGain * sum;
    }

    // output[i] = processSample(input[i]) for i = 0 .. count-1, a frame-free stretch at a time.
    // input and output may be the same array.
    void processBlock(const double* input, double* output, std::size_t count) noexcept;

    // Samples until the next frame completes: the most that processSegment may take, 1 .. N.
    std::uint32_t samplesUntilFrame() const noexcept {
        std::uint32_t until = frameSize_ - slots_[0].position;
        for (const FrameSlot& slot : slots_) {
            until = std::min(until, frameSize_ - slot.position);
        }
        return until;
    }

    // The per-sample half of processBlock, for callers that interleave several separators:
    // count <= samplesUntilFrame() samples in, as many out, no frame work. When count reaches
    // samplesUntilFrame(), the caller must call completeFrames() before the next segment.
    // input and output may be the same array.
    void processSegment(const double* input, double* output, std::uint32_t count) noexcept;
    // Analyses and renders every frame that the last segment completed, in slot order; does
    // nothing when none did.
    void completeFrames() noexcept;

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
    // Appends count <= N samples to the input ring.
    void writeInput(const double* input, std::uint32_t count) noexcept {
        const std::uint32_t first = std::min(count, frameSize_ - ringPosition_);
        double* const ring = ring_.data();
        std::copy_n(input, first, ring + ringPosition_);
        std::copy_n(input, first, ring + frameSize_ + ringPosition_);
        std::copy_n(input + first, count - first, ring);
        std::copy_n(input + first, count - first, ring + frameSize_);
        ringPosition_ += count;
        if (ringPosition_ >= frameSize_) {
            ringPosition_ -= frameSize_;
        }
    }
    // The latest N input samples, oldest first.
    const double* latestFrame() const noexcept { return ring_.data() + ringPosition_; }
    void completeFrame(FrameSlot& slot) noexcept;
    // Convolves the N-sample frame with the current kernel and overlap-adds the 2N-sample result
    // into the slot's halves.
    void renderFrame(const double* frame, FrameSlot& slot) noexcept;

    std::uint32_t frameSize_;
    // The per-bin loops of the build the transforms run (bit-identical in every build).
    const binmath::BinMathTable* binMath_;
    FftWorkspace fft_;
    FrameAnalysis analysis_;
    // The latest N samples, written twice (at i and N + i) so that every N-sample window of it
    // is contiguous: each frame is handed to the analysis in place, without a copy. One ring of
    // 2N replaces the four slots' private double-buffered frames (8N).
    AlignedBuffer ring_;
    std::uint32_t ringPosition_ = 0; // next index to write, 0 .. N-1
    // 2N: the frame to convolve in the first half, zeros in the second, which nothing ever
    // writes: each frame costs a copy of N samples instead of a copy and a clear of 2N.
    AlignedBuffer paddedFrame_;
    std::array<FrameSlot, slotCount> slots_;
    std::uint32_t hop_;
};

} // namespace calderine
