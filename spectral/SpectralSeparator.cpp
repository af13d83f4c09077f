#include "spectral/SpectralSeparator.h"

#include <algorithm>
#include <limits>
#include <new>

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

} // namespace

SpectralSeparator::SpectralSeparator(std::uint32_t frameLength, double sampleRate)
    : frameSize_(checkedFrameSize(frameLength)), fft_(frameSize_),
      analysis_(frameSize_, sampleRate), slots_{FrameSlot(frameSize_, 0),
                                                FrameSlot(frameSize_, frameSize_ / 4),
                                                FrameSlot(frameSize_, 2 * (frameSize_ / 4)),
                                                FrameSlot(frameSize_, 3 * (frameSize_ / 4))},
      hop_(frameSize_ / 4) {}

void SpectralSeparator::reset() noexcept {
    for (FrameSlot& slot : slots_) {
        slot.reset();
    }
}

void SpectralSeparator::completeFrame(FrameSlot& slot) noexcept {
    const std::uint32_t b = slot.active;
    const AlignedBuffer& frame = slot.input[b];
    analysis_.analyse({frame.data(), frame.size()}, separationSlope, fft_);
    renderFrame(frame.data(), slot.output[b].data());
    slot.position = 0;
    slot.active = 1 - b;
}

void SpectralSeparator::renderFrame(const double* frame, double* out) noexcept {
    const std::size_t size = frameSize_;
    const std::size_t last = 2 * size - 1;
    double* const input = fft_.input.data();
    double* const spectrum = fft_.output.data();
    const double* const kernel = analysis_.kernelSpectrum().data();

    std::copy_n(frame, size, input);
    std::fill_n(input + size, size, 0.0);
    fftTransform(*fft_.plan2N, input, spectrum, fft_.scratch.data(), FftDirection::Forward, false);

    // Packed layout: real DC first, real Nyquist last, complex bin k at (2k - 1, 2k). The 1/(2N)
    // undoes the gain of the unscaled forward/backward pair.
    const double scale = 1.0 / static_cast<double>(2 * size);
    input[0] = spectrum[0] * kernel[0] * scale;
    input[last] = spectrum[last] * kernel[last] * scale;
    for (std::size_t k = 1; k < size; ++k) {
        const double aRe = spectrum[2 * k - 1];
        const double aIm = spectrum[2 * k];
        const double hRe = kernel[2 * k - 1];
        const double hIm = kernel[2 * k];
        input[2 * k - 1] = (aRe * hRe - aIm * hIm) * scale;
        input[2 * k] = (aRe * hIm + aIm * hRe) * scale;
    }
    fftTransform(*fft_.plan2N, input, out, fft_.scratch.data(), FftDirection::Backward, false);
}

} // namespace calderine
