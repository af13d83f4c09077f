#pragma once

#include "fft/FftBatch.h"
#include "fft/FftWorkspace.h"
#include "fft/GoodFftSize.h"
#include "spectral/FrameAnalysis.h"
#include "spectral/FrameSlot.h"
#include "vecmath/BinMath.h"

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
// the four slot outputs. All four frames are cut from one shared ring of the latest input. No
// call ever completes two frames (for frame lengths of 32 and up).
//
// A frame's output is read from the very next sample on, so its analysis must finish on the call
// that completes it; its 2N-point render need not. The completing call analyses the frame down to
// its kernel taps and sums only the first stageSpacing() output samples directly; the render
// follows in renderStages stages, each due when the slot has read a further stageSpacing()
// samples: the first transforms and sums the next stageSpacing() samples directly, the last
// writes everything from headLength() on just before it is read. Every stage is due at a fixed
// sample, never at a call boundary, so the output does not depend on how the input is cut into
// blocks. With 64-sample blocks each stage lands on a call of its own: the completing call of a
// stereo pair fell from 1.62 to 0.82 times FFTW's two channel frames, and at 96 kHz from 30 %
// to 14 % of the block's time (EffectVsFftwBench). A block of 256 or more often holds the
// completion and both stages: such a call costs what it did, plus the head (1.45 us a channel).
//
// Real-time contract: after construction nothing allocates, locks or throws; every buffer the
// frame work needs is a member. Single-threaded: all calls, and writes of separationSlope, must
// come from one thread at a time.
class SpectralSeparator {
public:
    static constexpr std::size_t slotCount = 4;
    // The four slots overlap fourfold, so their mean has unit gain for unit kernels.
    static constexpr double outputGain = 0.25;
    // The deferred render: the transforms of the frame and the kernel and their product, then
    // the backward transform and overlap-add (about 32 and 20 us a 96 kHz channel when measured
    // with the product in the second stage, against the 47 us its completing call takes). A third
    // stage, one per transform, made the head 50 % longer, and its direct sums (L^2 / 2
    // multiply-adds, 2.9 us at L = 192, 1.45 us at 128) cost more over the whole effect than the
    // flatter spread saved on any call.
    static constexpr std::uint32_t renderStages = 2;
    static constexpr std::uint32_t transformStage = 0;
    // Samples between completion and the first stage, and between stages, where the hop allows:
    // a host's 64-sample block then never holds two of them.
    static constexpr std::uint32_t maxStageSpacing = 64;

    // frameLength in samples (the engine passes ceil(0.05 * sampleRate)); sampleRate in Hz.
    // Throws std::bad_alloc when memory runs out or no transform can be built for the size.
    SpectralSeparator(std::uint32_t frameLength, double sampleRate);

    SpectralSeparator(const SpectralSeparator&) = delete;
    SpectralSeparator& operator=(const SpectralSeparator&) = delete;
    SpectralSeparator(SpectralSeparator&&) noexcept = default;
    SpectralSeparator& operator=(SpectralSeparator&&) noexcept = default;
    ~SpectralSeparator() = default;

    // Samples until the next frame completes: the most that processSegment may take, 1 .. N.
    std::uint32_t samplesUntilFrame() const noexcept {
        std::uint32_t until = frameSize_ - slots_[0].position;
        for (const FrameSlot& slot : slots_) {
            until = std::min(until, frameSize_ - slot.position);
        }
        return until;
    }

    // Samples until frame work is next due, a frame's completion or a render stage: the most
    // that processSegment may take, 1 .. N.
    std::uint32_t samplesUntilWork() const noexcept {
        const std::uint32_t until = samplesUntilFrame();
        if (renderStage_ == renderStages) {
            return until;
        }
        return std::min(until, stagePosition(renderStage_) - slots_[renderSlot_].position);
    }

    // Processing, in two halves so that callers can interleave several separators (a stereo
    // pair): count <= samplesUntilWork() samples in, as many out, no frame work. When count reaches
    // samplesUntilWork(), the caller must call completeFrames() before the next segment.
    // input and output may be the same array.
    void processSegment(const double* input, double* output, std::uint32_t count) noexcept;
    // Runs the frame work that the last segment made due: a render stage whose sample came,
    // then the analysis and head of every frame completed, in slot order; does nothing when no
    // work is due.
    void completeFrames() noexcept;
    // What first.completeFrames() then second.completeFrames() do, to the bit, for two separators
    // run side by side (a stereo pair): where both have their transform stage due, the two frames'
    // and the two kernels' transforms run as one batch, which also forms both products
    // (fftForwardUpperHalfZeroBatchProducts). In such a stage neither the kernel's windowed taps
    // nor its spectrum are kept (analysis().kernel(), kernelSpectrum()). Audio thread, as
    // completeFrames.
    static void completeFramesPair(SpectralSeparator& first, SpectralSeparator& second) noexcept;

    // Clears all signal memory and restarts the slots at their staggered positions. Sizes,
    // tables and separationSlope are kept.
    void reset() noexcept;

    // N: the frame and transform size, and the delay of the output in samples.
    std::uint32_t latency() const noexcept { return frameSize_; }
    std::uint32_t hop() const noexcept { return hop_; }
    // Samples between a completion and the first render stage, and between stages:
    // maxStageSpacing where the hop leaves room for all stages in half a hop, less below (0 for
    // N < 4, where the render runs on the completing call).
    std::uint32_t stageSpacing() const noexcept { return stageSpacing_; }
    // Output samples of each frame convolved directly on the completing call.
    std::uint32_t headLength() const noexcept { return renderStages * stageSpacing_; }

    // 0..1, handed to the analysis of every completed frame (see FrameAnalysis::analyse).
    double separationSlope = 0.0;

    // For inspection: the analysis holds the tables and the results of the latest frame.
    const FrameAnalysis& analysis() const noexcept { return analysis_; }
    const FrameSlot& slot(std::size_t index) const noexcept { return slots_[index]; }
    // Transform stages this separator ran in a pair's batch (completeFramesPair), since
    // construction.
    std::uint64_t batchedStages() const noexcept { return batchedStages_; }

private:
    // Appends count <= N samples to the input ring.
    void writeInput(const double* input, std::uint32_t count) noexcept {
        const std::uint32_t capacity = ringCapacity_;
        const std::uint32_t first = std::min(count, capacity - ringPosition_);
        double* const ring = ring_.data();
        std::copy_n(input, first, ring + ringPosition_);
        std::copy_n(input, first, ring + capacity + ringPosition_);
        std::copy_n(input + first, count - first, ring);
        std::copy_n(input + first, count - first, ring + capacity);
        ringPosition_ += count;
        if (ringPosition_ >= capacity) {
            ringPosition_ -= capacity;
        }
    }
    // Where the latest N input samples start in the ring, oldest first.
    std::uint32_t latestFrameStart() const noexcept {
        return ringPosition_ >= frameSize_ ? ringPosition_ - frameSize_
                                           : ringPosition_ + ringCapacity_ - frameSize_;
    }
    // The frame whose render is under way, where it still lies in the ring.
    const double* renderFrame() const noexcept { return ring_.data() + renderFrameStart_; }
    // Slot position at which render stage `stage` (0-based) is due.
    std::uint32_t stagePosition(std::uint32_t stage) const noexcept {
        return (stage + 1) * stageSpacing_;
    }
    bool renderDue() const noexcept {
        return renderStage_ < renderStages &&
               slots_[renderSlot_].position >= stagePosition(renderStage_);
    }
    bool transformDue() const noexcept { return renderStage_ == transformStage && renderDue(); }
    void runDueStages() noexcept;
    void runNextStage() noexcept;
    void completeFrame(std::size_t slotIndex) noexcept;
    // Part `part` (0 .. renderStages-1) of the head: output samples part * stageSpacing() up to
    // the next part of the frame's convolution with the kernel taps, summed directly and added
    // to the previous frame's tail. Each part is computed just before the slot reads it, at the
    // completion or at the stage due where it begins, so the completing call sums a quarter of
    // the head's multiply-adds. frame: its first (part + 1) * stageSpacing() samples.
    void renderHead(FrameSlot& slot, const double* frame, std::uint32_t part) noexcept;
    // The transform stage's work before its transforms: sums the head's second part.
    void prepareTransforms() noexcept;
    // The frame's spectrum times the kernel's, scaled by renderScale(), into the workspace's
    // input, where it waits for the last stage.
    void multiplySpectra() noexcept;
    // 1/(2N): undoes the gain of the unscaled forward and backward 2N-point transforms.
    double renderScale() const noexcept { return 1.0 / static_cast<double>(2 * frameSize_); }
    // Transforms the product back and overlap-adds the 2N samples, past the head, into the
    // slot's halves.
    void finishRender(FrameSlot& slot) noexcept;

    std::uint32_t frameSize_;
    // The per-bin loops of the build the transforms run (bit-identical in every build).
    const binmath::BinMathTable* binMath_;
    FftWorkspace fft_;
    FrameAnalysis analysis_;
    // The latest ringCapacity_ samples, written twice (at i and ringCapacity_ + i) so that every
    // window of N samples is contiguous: each frame is handed to the analysis in place, without a
    // copy. One ring of 2 (N + stageSpacing()) replaces the four slots' private double-buffered
    // frames (8N). The stageSpacing() samples beyond N keep a completed frame whole until its
    // transform stage, which can then read it where it lies.
    std::uint32_t ringCapacity_;
    AlignedBuffer ring_;
    std::uint32_t ringPosition_ = 0; // next index to write, 0 .. ringCapacity_ - 1
    std::uint32_t renderFrameStart_ = 0;
    // 2N: the frame to convolve in the first half, zeros in the second, which nothing ever
    // writes: the input of a transform stage that runs alone, whose single transform may read
    // the zeros (a pair's batch reads the frame from the ring).
    AlignedBuffer paddedFrame_;
    // 2N: where the render's backward transform writes, to be swapped with the rendered frame
    // of the slot it renders for (FrameSlot::rendered); its contents are never read.
    AlignedBuffer spareRender_;
    // 8N: one of the two work arrays of a batch of transforms; a stereo pair's batch takes each
    // separator's.
    AlignedBuffer batchWork_;
    std::array<FrameSlot, slotCount> slots_;
    std::uint32_t hop_;
    std::uint32_t stageSpacing_;
    // The frame whose render is under way, and its next stage; renderStages when none is. The
    // last stage is due at headLength() <= hop / 2, so a render always ends before the next
    // frame completes and overwrites paddedFrame_ and the analysis' kernel. For the same reason
    // the product of the spectra can wait in fft_.input between the last two stages: only frame
    // work uses the workspace.
    std::size_t renderSlot_ = 0;
    std::uint32_t renderStage_ = renderStages;
    std::uint64_t batchedStages_ = 0;
};

} // namespace calderine
