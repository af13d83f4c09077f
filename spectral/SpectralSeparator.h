#pragma once

#include "shaping/NoiseClipper.h"
#include "spectral/AlignedBuffer.h"
#include "spectral/Fft.h"
#include "spectral/FrameSlot.h"
#include "spectral/GoodFftSize.h"

#include <array>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace calderine {

// Turns a stream of samples into its noise part: the input with the spectral peaks of every
// frame flattened down to a level just above the frame's noise floor, delayed by exactly N
// samples (N = latency()).
//
// Four frame slots, staggered by a quarter frame, each collect frames of N samples. A completed
// frame is analysed into an N-tap minimum-phase kernel, filtered with that kernel by a 2N-point
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
    // Magnitudes at or below this (linear, unnormalised transform units) never count towards the
    // floor; magnitudes below it always get gain 1.
    static constexpr double lowFloor = 0.001;
    // +6 dB: bins further than this above the overall mean are left out of the floor, and the
    // reference level sits this far above the floor.
    static constexpr double peakRatio = 1.9952623149688795;
    // -144 dB: the smallest gain magnitude taken into the logarithm of the cepstrum.
    static constexpr double logFloor = 6.30957344480193e-8;
    // -3 dB: bins below this fraction of the reference pass untouched.
    static constexpr double binKneeRatio = 0.7079457843841379;

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

    // 0..1. At 1 every bin is judged against the same level; towards 0 the level a bin must
    // exceed to count as tonal rises by 3 dB per octave (up to 12 kHz). Read once per frame.
    double separationSlope = 0.0;

    // Frame analysis, exposed for inspection. These use only the analysis buffers, which every
    // completed frame rewrites before reading, so calling them never changes the output stream.
    //
    // frame: N samples. Leaves the 2N-point packed spectrum of the frame's kernel in
    // kernelSpectrum(), and the intermediate results in magnitudes(), binGains() and
    // minimumPhaseSpectrum().
    void analyseFrame(std::span<const double> frame) noexcept;
    // measured: N/2 + 1 bin magnitudes (DC and Nyquist signed). Applies the slope weighting,
    // estimates the floor and leaves the per-bin gains in binGains().
    void deriveBinGains(std::span<const double> measured) noexcept;
    // gains: N/2 + 1 values; result: N/2 + 1 bins of the minimum-phase response whose moduli are
    // max(logFloor, |gains|).
    void buildMinimumPhase(std::span<const double> gains,
                           std::span<std::complex<double>> result) noexcept;

    std::span<const double> analysisWindow() const noexcept { return analysisWindow_; }
    std::span<const double> kernelWindow() const noexcept { return kernelWindow_; }
    std::span<const double> slopeCurve() const noexcept { return slopeCurve_; }
    std::span<const double> magnitudes() const noexcept { return magnitudes_; }
    std::span<const double> binGains() const noexcept { return binGains_; }
    std::span<const std::complex<double>> minimumPhaseSpectrum() const noexcept {
        return minimumPhaseSpectrum_;
    }
    std::span<const double> kernelSpectrum() const noexcept {
        return {kernelSpectrum_.data(), kernelSpectrum_.size()};
    }
    const NoiseClipper& binLimiter() const noexcept { return binLimiter_; }
    const FrameSlot& slot(std::size_t index) const noexcept { return slots_[index]; }

private:
    void completeFrame(FrameSlot& slot) noexcept;
    // Applies the slope weighting to magnitudes_ and turns them into binGains_.
    void limitMagnitudes() noexcept;
    // out[0 .. 2N-1] = linear convolution of the N-sample frame with the current kernel.
    void renderFrame(const double* frame, double* out) noexcept;

    std::uint32_t frameSize_;
    FftPlanPtr planN_;
    FftPlanPtr plan2N_;
    AlignedBuffer fftInput_;   // 2N: transform input, also the accumulator of the convolution
    AlignedBuffer fftOutput_;  // 2N
    AlignedBuffer fftScratch_; // 2N: work area of every transform
    std::vector<double> analysisWindow_;
    std::vector<double> magnitudes_;
    std::vector<double> binGains_;
    std::vector<std::complex<double>> minimumPhaseSpectrum_;
    AlignedBuffer kernelSpectrum_; // 2N, packed layout
    std::vector<double> kernelWindow_;
    NoiseClipper binLimiter_;
    std::vector<double> slopeCurve_;
    std::array<FrameSlot, slotCount> slots_;
    std::uint32_t hop_;
    // Temporaries of buildMinimumPhase, held here so that the frame work never allocates.
    std::vector<double> logGains_;                  // N/2 + 1
    std::vector<double> cepstrum_;                  // N
    std::vector<double> foldedCepstrum_;            // N
    std::vector<std::complex<double>> logSpectrum_; // N/2 + 1
};

} // namespace calderine
