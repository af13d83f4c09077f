#pragma once

#include "fft/FftWorkspace.h"
#include "shaping/NoiseClipper.h"
#include "simd/AlignedBuffer.h"
#include "spectral/MinimumPhase.h"

#include <complex>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace calderine {

// Decides, for one frame of N samples, how much of every frequency bin is tonal, and expresses
// the decision as an N-tap minimum-phase kernel: bins that stand out above the frame's noise
// floor are pulled down to a reference level 6 dB above it, the others pass. Each frame is
// judged on its own; only the tables built at construction carry over.
//
// Real-time contract: analyse() allocates nothing, locks nothing and cannot throw; every buffer
// it needs is a member or belongs to the workspace it is handed.
class FrameAnalysis {
public:
    // Magnitudes at or below this (linear, unnormalised transform units) never count towards the
    // floor; magnitudes below it always get gain 1.
    static constexpr double lowFloor = 0.001;
    // +6 dB: bins further than this above the overall mean are left out of the floor, and the
    // reference level sits this far above the floor.
    static constexpr double peakRatio = 1.9952623149688795;
    // -3 dB: bins below this fraction of the reference pass untouched.
    static constexpr double binKneeRatio = 0.7079457843841379;

    // frameSize: N, even and at least 2; sampleRate in Hz, for the slope weighting. build: the
    // transform passes and per-bin loops to run (every build gives the same bits; tests pit them
    // against each other). headTaps: how many of the kernel's first taps analyseToKernel
    // delivers (headTaps()), at most N. Throws std::bad_alloc.
    FrameAnalysis(std::uint32_t frameSize, double sampleRate,
                  AnalysisBuild build = activeAnalysisBuild(), std::uint32_t headTaps = 0);

    // frame: N samples, left unchanged. separationSlope 0..1: at 1 every bin is judged against
    // the same level; towards 0 the level a bin must exceed to count as tonal rises by 3 dB per
    // octave (up to 12 kHz). workspace: transforms of sizes N and 2N; its buffers are
    // overwritten. Leaves the packed-order 2N-point spectrum of the kernel, followed by N zeros,
    // in kernelSpectrum(), and the intermediate results in magnitudes() (after the slope
    // weighting), binGains() and minimumPhaseSpectrum().
    void analyse(std::span<const double> frame, double separationSlope,
                 FftWorkspace& workspace) noexcept;

    // The two halves of analyse, for a caller that needs the kernel's first taps at once and its
    // spectrum later: analyseToKernel leaves the first headTaps() taps in headTaps() and
    // everything but kernel() and kernelSpectrum() as analyse does; transformKernel, once after
    // each analyseToKernel (it windows the taps in place), then fills both with the same bits
    // analyse gives. Only the workspace's scratch is needed across the gap, none of its contents:
    // the taps wait in a member.
    void analyseToKernel(std::span<const double> frame, double separationSlope,
                         FftWorkspace& workspace) noexcept;
    void transformKernel(FftWorkspace& workspace) noexcept;
    // For a caller that runs transformKernel's transform itself, in a batch with others, instead
    // of calling it: its input (2N doubles, the taps then zeros) before the window, and the
    // window's N weights, by which the batch multiplies the input as it reads it
    // (FftBatchArrays::weights). kernel() is then not filled.
    const double* kernelTransformInput() const noexcept { return kernel_.data(); }
    const double* kernelTransformWeights() const noexcept { return scaledKernelWindow_.data(); }

    std::span<const double> kernelSpectrum() const noexcept {
        return {kernelSpectrum_.data(), kernelSpectrum_.size()};
    }
    // The N taps of the windowed minimum-phase kernel, scaled so that convolving a frame with
    // them gives what the 2N-point render gives from kernelSpectrum() (within rounding).
    std::span<const double> kernel() const noexcept { return {kernel_.data(), kernel_.size() / 2}; }
    // The first taps of kernel(), as many as the constructor was asked for, filled by
    // analyseToKernel already.
    std::span<const double> headTaps() const noexcept { return headTaps_; }
    std::span<const double> magnitudes() const noexcept { return magnitudes_; }
    std::span<const double> binGains() const noexcept { return binGains_; }
    // N doubles in the transform's packed layout (Fft.h).
    std::span<const double> minimumPhaseSpectrum() const noexcept {
        return {minimumPhaseSpectrum_.data(), minimumPhaseSpectrum_.size()};
    }
    // Bin k (0 .. N/2) of minimumPhaseSpectrum().
    std::complex<double> minimumPhaseBin(std::size_t k) const noexcept;
    std::span<const double> analysisWindow() const noexcept { return analysisWindow_; }
    std::span<const double> kernelWindow() const noexcept { return kernelWindow_; }
    std::span<const double> slopeCurve() const noexcept { return slopeCurve_; }
    const NoiseClipper& binLimiter() const noexcept { return binLimiter_; }

private:
    // spectrum: the frame's transform in the packed layout. Leaves the magnitudes weighted by
    // the slope, as weightBySlope weights them. Returns their masked sum above lowFloor (the
    // first of limitMagnitudes' two sums), taken in the same pass.
    binmath::MaskedSum measureMagnitudes(const double* spectrum, double separationSlope) noexcept;
    void weightBySlope(double separationSlope) noexcept;
    // Estimates the floor of magnitudes_ from their sum above lowFloor and fills binGains_.
    void limitMagnitudes(const binmath::MaskedSum& all) noexcept;
    // From minimumPhaseSpectrum_ to the kernel's taps before the window, and the head's taps.
    void buildKernel(FftWorkspace& workspace) noexcept;

    AnalysisBuild build_;
    std::vector<double> analysisWindow_;
    std::vector<double> magnitudes_;     // N/2 + 1; DC and Nyquist keep their sign
    std::vector<double> binGains_;       // N/2 + 1
    AlignedBuffer minimumPhaseSpectrum_; // N, packed layout
    AlignedBuffer kernelSpectrum_;       // 2N, packed layout
    // 2N: the taps, then N zeros that nothing writes, so the 2N-point transform reads it as it
    // lies, whenever the caller asks for it. From analyseToKernel to transformKernel the taps
    // are those before the window: a batch applies the window as it reads them, which saved a
    // pass over the taps.
    AlignedBuffer kernel_;
    std::vector<double> headTaps_;
    std::vector<double> kernelWindow_;
    // kernelWindow_ / N: the backward transform's 1/N and the window in one multiplication, where
    // a division per tap stalled the loop on its latency (2.2 % of the effect's time, perf).
    std::vector<double> scaledKernelWindow_;
    NoiseClipper binLimiter_;
    std::vector<double> slopeCurve_; // N/2 + 1
    // 1 / slopeCurve_: the weighting multiplies where a division per bin stalled on its latency.
    std::vector<double> inverseSlopeCurve_;
    MinimumPhase minimumPhase_;
};

} // namespace calderine
