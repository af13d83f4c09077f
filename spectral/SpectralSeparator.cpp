#include "spectral/SpectralSeparator.h"

#include <algorithm>
#include <cassert>
#include <limits>
#include <new>
#include <utility>

namespace calderine {

namespace {

// The transform cannot work on odd sizes; frame length 0 would otherwise give N = 1.
constexpr std::uint32_t minFrameSize = 2;
// Both plans take their size as int, and the larger one is 2N.
constexpr std::uint32_t maxFrameSize = std::numeric_limits<int>::max() / 2;

std::uint32_t checkedFrameSize(std::uint32_t frameLength) {
    const std::uint32_t size = std::max(goodFftSize(frameLength), minFrameSize);
    if (size > maxFrameSize) {
        throw std::bad_alloc();
    }
    return size;
}

// Samples between a completion and the first render stage, and between stages (stageSpacing()).
std::uint32_t stageSpacingFor(std::uint32_t frameSize) {
    const std::uint32_t hop = frameSize / 4;
    return std::min(SpectralSeparator::maxStageSpacing,
                    hop / (2 * SpectralSeparator::renderStages));
}

} // namespace

SpectralSeparator::SpectralSeparator(std::uint32_t frameLength, double sampleRate)
    : frameSize_(checkedFrameSize(frameLength)), binMath_(&binmath::activeBinMath()),
      fft_(frameSize_), analysis_(frameSize_, sampleRate, activeAnalysisBuild(),
                                  renderStages * stageSpacingFor(frameSize_)),
      ringCapacity_(frameSize_ + stageSpacingFor(frameSize_)),
      ring_(2 * std::size_t{ringCapacity_}), paddedFrame_(2 * std::size_t{frameSize_}),
      spareRender_(2 * std::size_t{frameSize_}), batchWork_(4 * 2 * std::size_t{frameSize_}),
      slots_{FrameSlot(frameSize_, 0), FrameSlot(frameSize_, frameSize_ / 4),
             FrameSlot(frameSize_, 2 * (frameSize_ / 4)),
             FrameSlot(frameSize_, 3 * (frameSize_ / 4))},
      hop_(frameSize_ / 4), stageSpacing_(stageSpacingFor(frameSize_)) {}

void SpectralSeparator::reset() noexcept {
    std::fill_n(ring_.data(), ring_.size(), 0.0);
    std::fill_n(paddedFrame_.data(), paddedFrame_.size(), 0.0);
    ringPosition_ = 0;
    renderFrameStart_ = 0;
    for (FrameSlot& slot : slots_) {
        slot.reset();
    }
    renderStage_ = renderStages;
}

void SpectralSeparator::processSegment(const double* input, double* output,
                                       std::uint32_t count) noexcept {
    writeInput(input, count);
    static_assert(slotCount == 4, "the sum below names each slot");
    const double* const slot0 = slots_[0].output.data() + slots_[0].position;
    const double* const slot1 = slots_[1].output.data() + slots_[1].position;
    const double* const slot2 = slots_[2].output.data() + slots_[2].position;
    const double* const slot3 = slots_[3].output.data() + slots_[3].position;
    // The slots added in slot order from a zero start, the same for every segment length. No slot
    // wraps inside a segment.
    for (std::uint32_t i = 0; i < count; ++i) {
        output[i] = outputGain * ((((0.0 + slot0[i]) + slot1[i]) + slot2[i]) + slot3[i]);
    }
    for (FrameSlot& slot : slots_) {
        slot.position += count;
    }
}

void SpectralSeparator::completeFrames() noexcept {
    runDueStages();
    for (std::size_t i = 0; i < slotCount; ++i) {
        if (slots_[i].position >= frameSize_) {
            completeFrame(i);
            runDueStages();
        }
    }
}

void SpectralSeparator::completeFramesPair(SpectralSeparator& first,
                                           SpectralSeparator& second) noexcept {
    if (first.transformDue() && second.transformDue() && first.frameSize_ == second.frameSize_) {
        first.prepareTransforms();
        second.prepareTransforms();
        const FftBatchArrays arrays{
            {first.renderFrame(), first.analysis_.kernelTransformInput(), second.renderFrame(),
             second.analysis_.kernelTransformInput()},
            {first.fft_.input.data(), second.fft_.input.data(), nullptr, nullptr},
            {first.batchWork_.data(), second.batchWork_.data()},
            {nullptr, first.analysis_.kernelTransformWeights(), nullptr,
             second.analysis_.kernelTransformWeights()}};
        fftForwardUpperHalfZeroBatchProducts(*first.fft_.plan2N, arrays, first.renderScale());
        for (SpectralSeparator* separator : {&first, &second}) {
            ++separator->renderStage_;
            ++separator->batchedStages_;
        }
    }
    first.completeFrames();
    second.completeFrames();
}

void SpectralSeparator::runDueStages() noexcept {
    while (renderDue()) {
        runNextStage();
    }
}

void SpectralSeparator::runNextStage() noexcept {
    switch (renderStage_) {
    case transformStage:
        prepareTransforms();
        std::copy_n(renderFrame(), frameSize_, paddedFrame_.data());
        fftForwardUpperHalfZero(*fft_.plan2N, paddedFrame_.data(), fft_.output.data(),
                                fft_.scratch.data(), false);
        analysis_.transformKernel(fft_);
        multiplySpectra();
        break;
    default:
        finishRender(slots_[renderSlot_]);
        break;
    }
    ++renderStage_;
}

void SpectralSeparator::completeFrame(std::size_t slotIndex) noexcept {
    // The last stage is due by half a hop after a completion, so no render is under way here;
    // were one ever, it would have to end before the frame and kernel it reads are replaced.
    while (renderStage_ < renderStages) {
        runNextStage();
    }
    FrameSlot& slot = slots_[slotIndex];
    // The frame stays whole in the ring until its transform stage, stageSpacing() samples on.
    renderFrameStart_ = latestFrameStart();
    const double* const frame = renderFrame();
    analysis_.analyseToKernel({frame, frameSize_}, separationSlope, fft_);
    renderHead(slot, frame, 0);
    slot.position = 0;
    renderSlot_ = slotIndex;
    renderStage_ = 0;
}

void SpectralSeparator::renderHead(FrameSlot& slot, const double* frame,
                                   std::uint32_t part) noexcept {
    const std::size_t begin = std::size_t{part} * stageSpacing_;
    const std::size_t end = begin + stageSpacing_;
    const double* const kernel = analysis_.headTaps().data();
    double* const output = slot.output.data();
    std::copy_n(slot.tail() + begin, stageSpacing_, output + begin);
    // In the vector build the transforms run: 8 frame samples per pass over the outputs and
    // 4-lane vectors with AVX2, where 4 samples and 2-lane vectors here took 2.6-2.9 % of the
    // module's time (perf).
    binMath_->convolutionHead(frame, kernel, output, begin, end);
}

void SpectralSeparator::prepareTransforms() noexcept {
    // No later: from the next sample on, new input overwrites the frame's start in the ring.
    assert(slots_[renderSlot_].position <= stagePosition(transformStage));
    renderHead(slots_[renderSlot_], renderFrame(), transformStage + 1);
}

void SpectralSeparator::multiplySpectra() noexcept {
    binmath::packedScaledProducts(*binMath_, fft_.output.data(), analysis_.kernelSpectrum().data(),
                                  fft_.input.data(), 2 * std::size_t{frameSize_}, renderScale());
}

void SpectralSeparator::finishRender(FrameSlot& slot) noexcept {
    const std::size_t size = frameSize_;
    double* const rendered = spareRender_.data();
    fftTransform(*fft_.plan2N, fft_.input.data(), rendered, fft_.scratch.data(),
                 FftDirection::Backward, false);

    // The new first half meets the previous frame's second half here, once, rather than in every
    // per-sample read; the head already has. The new second half becomes the slot's tail where
    // it lies, and the slot's old buffer, its tail spent, the spare for the next render: the copy
    // of N samples this replaces was about half of the effect's memmove time (perf).
    double* const head = slot.output.data();
    const double* const tail = slot.tail();
    const std::size_t begin = headLength();
    binMath_->sums(rendered + begin, tail + begin, head + begin, size - begin);
    std::swap(slot.rendered, spareRender_);
}

} // namespace calderine
