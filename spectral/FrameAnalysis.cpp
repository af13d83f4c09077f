#include "spectral/FrameAnalysis.h"

#include "spectral/AnalysisTables.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace calderine {

FrameAnalysis::FrameAnalysis(std::uint32_t frameSize, double sampleRate, AnalysisBuild build,
                             std::uint32_t headTaps)
    : build_(build), analysisWindow_(makeAnalysisWindow(frameSize)), magnitudes_(frameSize / 2 + 1),
      binGains_(frameSize / 2 + 1), minimumPhaseSpectrum_(frameSize),
      kernelSpectrum_(2 * std::size_t{frameSize}), kernel_(2 * std::size_t{frameSize}),
      headTaps_(std::min(headTaps, frameSize)), kernelWindow_(makeKernelWindow(frameSize)),
      scaledKernelWindow_(kernelWindow_), slopeCurve_(makeSlopeCurve(frameSize, sampleRate)),
      inverseSlopeCurve_(slopeCurve_), minimumPhase_(frameSize, build) {
    for (double& tap : scaledKernelWindow_) {
        tap /= static_cast<double>(frameSize);
    }
    for (double& weight : inverseSlopeCurve_) {
        weight = 1.0 / weight;
    }
    binLimiter_.setThreshold(1.0);
    binLimiter_.setKneeRatio(binKneeRatio);
}

void FrameAnalysis::analyse(std::span<const double> frame, double separationSlope,
                            FftWorkspace& workspace) noexcept {
    analyseToKernel(frame, separationSlope, workspace);
    transformKernel(workspace);
}

void FrameAnalysis::analyseToKernel(std::span<const double> frame, double separationSlope,
                                    FftWorkspace& workspace) noexcept {
    const std::size_t size = analysisWindow_.size();
    double* const input = workspace.input.data();
    double* const output = workspace.output.data();

    build_.binMath->products(analysisWindow_.data(), frame.data(), input, size);
    // The packed layout throughout: the ordered one costs a reordering pass per transform.
    fftpass::fftTransformWith(*build_.fft, *workspace.planN, input, output,
                              workspace.scratch.data(), FftDirection::Forward, false);
    limitMagnitudes(measureMagnitudes(output, separationSlope));
    minimumPhase_.build(binGains_, {minimumPhaseSpectrum_.data(), minimumPhaseSpectrum_.size()},
                        workspace);
    buildKernel(workspace);
}

void FrameAnalysis::transformKernel(FftWorkspace& workspace) noexcept {
    double* const taps = kernel_.data();
    build_.binMath->products(taps, scaledKernelWindow_.data(), taps, analysisWindow_.size());
    fftpass::fftForwardUpperHalfZeroWith(*build_.fft, *workspace.plan2N, kernel_.data(),
                                         kernelSpectrum_.data(), workspace.scratch.data(), false);
}

// The plain square root vectorises and costs a fraction of hypot; hypot's scaling matters only
// where a square overflows, which no audio frame reaches and which falls back to it. Underflowing
// squares only touch moduli far below lowFloor, whose gain is 1 whatever their exact size.
binmath::MaskedSum FrameAnalysis::measureMagnitudes(const double* spectrum,
                                                    double separationSlope) noexcept {
    const std::size_t half = magnitudes_.size() - 1;
    // DC and Nyquist keep their sign: a negative one falls below lowFloor and is left alone.
    magnitudes_[0] = spectrum[0];
    magnitudes_[half] = spectrum[2 * half - 1];
    const binmath::BinMathTable& math = *build_.binMath;
    // The sum over all N/2 + 1 magnitudes in index order: DC, the pass's bins, Nyquist.
    binmath::MaskedPartials partials;
    if (separationSlope == 1.0) {
        partials.add(magnitudes_[0], lowFloor);
        if (math.moduli(spectrum + 1, magnitudes_.data() + 1, half - 1, lowFloor, partials))
            [[likely]] {
            partials.add(magnitudes_[half], lowFloor);
            return partials.total();
        }
    } else {
        // The weighting in the same pass, the ends on their own, as weightBySlope weights them.
        const double rest = 1.0 - separationSlope;
        for (const std::size_t k : {std::size_t{0}, half}) {
            magnitudes_[k] = binmath::slopeWeighted(magnitudes_[k], inverseSlopeCurve_[k],
                                                    separationSlope, rest);
        }
        partials.add(magnitudes_[0], lowFloor);
        if (math.slopedModuli(spectrum + 1, inverseSlopeCurve_.data() + 1, separationSlope,
                              magnitudes_.data() + 1, half - 1, lowFloor, partials)) [[likely]] {
            partials.add(magnitudes_[half], lowFloor);
            return partials.total();
        }
        magnitudes_[0] = spectrum[0];
        magnitudes_[half] = spectrum[2 * half - 1];
        math.moduli(spectrum + 1, magnitudes_.data() + 1, half - 1, lowFloor, partials);
    }
    for (std::size_t k = 1; k < half; ++k) {
        if (!std::isfinite(magnitudes_[k])) [[unlikely]] {
            magnitudes_[k] = std::hypot(spectrum[2 * k - 1], spectrum[2 * k]);
        }
    }
    weightBySlope(separationSlope);
    constexpr double unbounded = std::numeric_limits<double>::quiet_NaN();
    return math.maskedSum(magnitudes_.data(), magnitudes_.size(), lowFloor, unbounded);
}

void FrameAnalysis::weightBySlope(double separationSlope) noexcept {
    const double slope = separationSlope;
    if (slope != 1.0) {
        for (std::size_t k = 0; k < magnitudes_.size(); ++k) {
            magnitudes_[k] =
                binmath::slopeWeighted(magnitudes_[k], inverseSlopeCurve_[k], slope, 1.0 - slope);
        }
    }
}

void FrameAnalysis::limitMagnitudes(const binmath::MaskedSum& all) noexcept {
    // Two sums: the mean of everything above lowFloor (all), then the mean without the bins that
    // stand more than peakRatio above it. The second mean is the frame's noise floor.
    const binmath::BinMathTable& math = *build_.binMath;
    const double* const m = magnitudes_.data();
    const std::size_t bins = magnitudes_.size();
    const double overallMean = all.count > 0 ? all.sum / static_cast<double>(all.count) : 0.0;
    const binmath::MaskedSum floor = math.maskedSum(m, bins, lowFloor, peakRatio * overallMean);
    const double floorMean = floor.count > 0 ? floor.sum / static_cast<double>(floor.count) : 0.0;

    // Gain y(x)/x of the soft-knee curve, x being the magnitude relative to the reference: 1 up
    // to the knee, then a smooth bend that lands every larger bin on the reference level. With a
    // zero reference only a bin of exactly lowFloor gets past lowFloor, and x = +inf gives gain 0.
    const binmath::Knee knee{peakRatio * floorMean,       lowFloor,
                             binLimiter_.kneeStart(),     binLimiter_.kneeEnd(),
                             binLimiter_.kneeHalfWidth(), binLimiter_.ceiling()};
    math.kneeGains(m, binGains_.data(), bins, knee);
}

void FrameAnalysis::buildKernel(FftWorkspace& workspace) noexcept {
    double* const taps = kernel_.data();
    // The response is already a packed spectrum: it is transformed where it lies.
    fftpass::fftTransformWith(*build_.fft, *workspace.planN, minimumPhaseSpectrum_.data(), taps,
                              workspace.scratch.data(), FftDirection::Backward, false);
    build_.binMath->products(taps, scaledKernelWindow_.data(), headTaps_.data(), headTaps_.size());
}

std::complex<double> FrameAnalysis::minimumPhaseBin(std::size_t k) const noexcept {
    const std::size_t half = minimumPhaseSpectrum_.size() / 2;
    if (k == 0 || k == half) {
        return {minimumPhaseSpectrum_[k == 0 ? 0 : 2 * half - 1], 0.0};
    }
    return {minimumPhaseSpectrum_[2 * k - 1], minimumPhaseSpectrum_[2 * k]};
}

} // namespace calderine
