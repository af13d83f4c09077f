#include "spectral/SpectralSeparator.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <numbers>

namespace calderine {

namespace {

// Modulus of one complex bin. The plain square root vectorises and costs a fraction of hypot;
// hypot's scaling matters only where a square overflows, which no audio frame reaches and which
// falls back to it. Underflowing squares only touch moduli far below lowFloor, whose gain is 1
// whatever their exact size.
double binMagnitude(double re, double im) noexcept {
    const double modulus = std::sqrt(re * re + im * im);
    return std::isfinite(modulus) ? modulus : std::hypot(re, im);
}

constexpr double pi = std::numbers::pi;

// The transform cannot work on odd sizes; frame length 0 would otherwise give N = 1.
constexpr std::uint32_t minFrameSize = 2;
// Both plans take their size as int, and the larger one is 2N.
constexpr std::uint32_t maxFrameSize = std::numeric_limits<int>::max() / 2;

// The 7-term Blackman-Harris window, cosine coefficients of orders 0 .. 6 with alternating signs
// already applied; they sum to 0.99999999708 (the window's centre value).
constexpr std::array<double, 7> blackmanHarris7 = {
    0.2712203606, -0.4334446123, 0.21800412,    -0.0657853433,
    0.0107618673, -0.0007700127, 0.00001368088,
};

// The slope weighting rises by 3 dB per octave and stops rising at this frequency (Hz).
constexpr double slopeDecibelsPerOctave = 3.0;
constexpr double slopeCornerHz = 12000.0;

std::uint32_t checkedFrameSize(std::uint32_t frameLength) {
    const std::uint32_t size = std::max(goodFftSize(frameLength), minFrameSize);
    if (size > maxFrameSize) {
        throw std::bad_alloc();
    }
    return size;
}

// A size the transform does not support (more factors than its table holds) is as fatal to
// construction as running out of memory, and reported the same way.
FftPlanPtr makePlan(std::uint32_t size) {
    FftPlan* plan = createFftPlan(static_cast<int>(size));
    if (plan == nullptr) {
        throw std::bad_alloc();
    }
    return FftPlanPtr(plan);
}

// One main lobe of sin(pi x) / (pi x) for x from -1 to +1.
std::vector<double> makeAnalysisWindow(std::size_t size) {
    std::vector<double> window(size);
    const double last = static_cast<double>(size - 1);
    for (std::size_t i = 0; i < size; ++i) {
        const double u = (2.0 * (static_cast<double>(i) / last) - 1.0) * pi;
        window[i] = u == 0.0 ? 1.0 : std::sin(u) / u;
    }
    return window;
}

// The falling half of a 2N-point 7-term Blackman-Harris window: full weight at tap 0, close to
// zero at tap N-1, so that a kernel fades out instead of being cut off.
std::vector<double> makeKernelWindow(std::size_t size) {
    std::vector<double> window(size);
    for (std::size_t i = 0; i < size; ++i) {
        const double v = (static_cast<double>(i) / static_cast<double>(size) + 1.0) * 0.5;
        double value = 0.0;
        for (std::size_t order = 0; order < blackmanHarris7.size(); ++order) {
            value += blackmanHarris7[order] * std::cos(2.0 * pi * static_cast<double>(order) * v);
        }
        window[i] = value;
    }
    return window;
}

// Amplitude weights for bins 0 .. N/2: 1.0 at bins 0 and 1, +3 dB per octave from there, flat
// from slopeCornerHz up. A sample rate for which the curve is undefined (0, NaN) gets no
// weighting rather than NaN weights.
std::vector<double> makeSlopeCurve(std::size_t size, double sampleRate) {
    const std::size_t bins = size / 2 + 1;
    std::vector<double> curve(bins, 1.0);
    const double binSpacingHz = sampleRate / static_cast<double>(size);
    for (std::size_t i = 1; i < bins; ++i) {
        const double frequency = std::min(
            static_cast<double>(i) / static_cast<double>(size) * sampleRate, slopeCornerHz);
        const double weight =
            std::pow(10.0, slopeDecibelsPerOctave * 0.05 * std::log2(frequency / binSpacingHz));
        curve[i] = std::isfinite(weight) ? weight : 1.0;
    }
    return curve;
}

} // namespace

SpectralSeparator::SpectralSeparator(std::uint32_t frameLength, double sampleRate)
    : frameSize_(checkedFrameSize(frameLength)), planN_(makePlan(frameSize_)),
      plan2N_(makePlan(2 * frameSize_)), fftInput_(2 * std::size_t{frameSize_}),
      fftOutput_(2 * std::size_t{frameSize_}), fftScratch_(2 * std::size_t{frameSize_}),
      analysisWindow_(makeAnalysisWindow(frameSize_)), magnitudes_(frameSize_ / 2 + 1),
      binGains_(frameSize_ / 2 + 1), minimumPhaseSpectrum_(frameSize_ / 2 + 1),
      kernelSpectrum_(2 * std::size_t{frameSize_}), kernelWindow_(makeKernelWindow(frameSize_)),
      slopeCurve_(makeSlopeCurve(frameSize_, sampleRate)),
      slots_{FrameSlot(frameSize_, 0), FrameSlot(frameSize_, frameSize_ / 4),
             FrameSlot(frameSize_, 2 * (frameSize_ / 4)),
             FrameSlot(frameSize_, 3 * (frameSize_ / 4))},
      hop_(frameSize_ / 4), logGains_(frameSize_ / 2 + 1), cepstrum_(frameSize_),
      foldedCepstrum_(frameSize_), logSpectrum_(frameSize_ / 2 + 1) {
    binLimiter_.setThreshold(1.0);
    binLimiter_.setKneeRatio(binKneeRatio);
}

void SpectralSeparator::reset() noexcept {
    for (FrameSlot& slot : slots_) {
        slot.reset();
    }
}

void SpectralSeparator::completeFrame(FrameSlot& slot) noexcept {
    const std::uint32_t b = slot.active;
    const AlignedBuffer& frame = slot.input[b];
    analyseFrame({frame.data(), frame.size()});
    renderFrame(frame.data(), slot.output[b].data());
    slot.position = 0;
    slot.active = 1 - b;
}

void SpectralSeparator::analyseFrame(std::span<const double> frame) noexcept {
    const std::size_t size = frameSize_;
    const std::size_t half = size / 2;
    double* const input = fftInput_.data();
    double* const output = fftOutput_.data();
    double* const scratch = fftScratch_.data();

    for (std::size_t i = 0; i < size; ++i) {
        input[i] = analysisWindow_[i] * frame[i];
    }
    fftTransform(*planN_, input, output, scratch, FftDirection::Forward, true);

    // DC and Nyquist keep their sign: a negative one falls below lowFloor and is left alone.
    magnitudes_[0] = output[0];
    magnitudes_[half] = output[1];
    for (std::size_t k = 1; k < half; ++k) {
        magnitudes_[k] = binMagnitude(output[2 * k], output[2 * k + 1]);
    }
    limitMagnitudes();
    buildMinimumPhase(binGains_, minimumPhaseSpectrum_);

    input[0] = std::abs(minimumPhaseSpectrum_[0]);
    input[1] = std::abs(minimumPhaseSpectrum_[half]);
    for (std::size_t k = 1; k < half; ++k) {
        input[2 * k] = minimumPhaseSpectrum_[k].real();
        input[2 * k + 1] = minimumPhaseSpectrum_[k].imag();
    }
    fftTransform(*planN_, input, output, scratch, FftDirection::Backward, true);

    const double transformSize = static_cast<double>(size);
    for (std::size_t i = 0; i < size; ++i) {
        input[i] = (output[i] / transformSize) * kernelWindow_[i];
    }
    std::fill_n(input + size, size, 0.0);
    fftTransform(*plan2N_, input, kernelSpectrum_.data(), scratch, FftDirection::Forward, false);
}

void SpectralSeparator::deriveBinGains(std::span<const double> measured) noexcept {
    std::copy_n(measured.begin(), std::min(measured.size(), magnitudes_.size()),
                magnitudes_.begin());
    limitMagnitudes();
}

void SpectralSeparator::limitMagnitudes() noexcept {
    const double slope = separationSlope;
    if (slope != 1.0) {
        for (std::size_t k = 0; k < magnitudes_.size(); ++k) {
            const double m = magnitudes_[k];
            magnitudes_[k] = m * slope + (m / slopeCurve_[k]) * (1.0 - slope);
        }
    }

    // Two passes: the mean of everything above lowFloor, then the mean without the bins that
    // stand more than peakRatio above it. The second mean is the frame's noise floor.
    double sum = 0.0;
    std::size_t count = 0;
    for (const double m : magnitudes_) {
        if (m > lowFloor) {
            sum += m;
            ++count;
        }
    }
    const double overallMean = count > 0 ? sum / static_cast<double>(count) : 0.0;
    const double peakLevel = peakRatio * overallMean;
    sum = 0.0;
    count = 0;
    for (const double m : magnitudes_) {
        if (m > lowFloor && m < peakLevel) {
            sum += m;
            ++count;
        }
    }
    const double floorMean = count > 0 ? sum / static_cast<double>(count) : 0.0;
    const double reference = peakRatio * floorMean;

    // Gain y(x)/x of the soft-knee curve, x being the magnitude relative to the reference: 1 up
    // to the knee, then a smooth bend that lands every larger bin on the reference level. With a
    // zero reference only a bin of exactly lowFloor gets here, and x = +inf gives gain 0.
    const double kneeStart = binLimiter_.kneeStart();
    for (std::size_t k = 0; k < magnitudes_.size(); ++k) {
        const double m = magnitudes_[k];
        double gain = 1.0;
        if (!(m < lowFloor)) {
            const double x = m / reference;
            if (!(x < kneeStart)) {
                gain = binLimiter_.processSample(x) / x;
            }
        }
        binGains_[k] = gain;
    }
}

// Real-cepstrum construction: the log-magnitude spectrum is turned into a cepstrum, folded onto
// its causal half and transformed back, which yields the log of a minimum-phase response with
// the same magnitudes.
void SpectralSeparator::buildMinimumPhase(std::span<const double> gains,
                                          std::span<std::complex<double>> result) noexcept {
    const std::size_t size = frameSize_;
    const std::size_t half = size / 2;
    double* const input = fftInput_.data();
    double* const output = fftOutput_.data();
    double* const scratch = fftScratch_.data();

    for (std::size_t k = 0; k <= half; ++k) {
        logGains_[k] = std::log(std::max(logFloor, std::fabs(gains[k])));
    }
    input[0] = logGains_[0];
    input[1] = logGains_[half];
    for (std::size_t k = 1; k < half; ++k) {
        input[2 * k] = logGains_[k];
        input[2 * k + 1] = 0.0;
    }
    fftTransform(*planN_, input, output, scratch, FftDirection::Backward, true);

    const double scale = 1.0 / static_cast<double>(2 * half);
    for (std::size_t n = 0; n < size; ++n) {
        cepstrum_[n] = output[n] * scale;
    }
    // Take the middle value out before doubling the causal part and put it back afterwards as a
    // constant: the constant is odd around n = 0 after folding, so it alters only the phase.
    const double middle = cepstrum_[half];
    for (double& c : cepstrum_) {
        c -= middle;
    }
    foldedCepstrum_[0] = cepstrum_[0];
    for (std::size_t n = 1; n < half; ++n) {
        foldedCepstrum_[n] = 2.0 * cepstrum_[n];
    }
    foldedCepstrum_[half] = cepstrum_[half];
    std::fill(foldedCepstrum_.begin() + static_cast<std::ptrdiff_t>(half) + 1,
              foldedCepstrum_.end(), 0.0);
    for (double& f : foldedCepstrum_) {
        f += middle;
    }

    std::copy(foldedCepstrum_.begin(), foldedCepstrum_.end(), input);
    fftTransform(*planN_, input, output, scratch, FftDirection::Forward, true);

    logSpectrum_[0] = {output[0], 0.0};
    logSpectrum_[half] = {output[1], 0.0};
    for (std::size_t k = 1; k < half; ++k) {
        logSpectrum_[k] = {output[2 * k], output[2 * k + 1]};
    }
    for (std::size_t k = 0; k <= half; ++k) {
        const double magnitude = std::exp(logSpectrum_[k].real());
        const double phase = logSpectrum_[k].imag();
        result[k] = {magnitude * std::cos(phase), magnitude * std::sin(phase)};
    }
}

void SpectralSeparator::renderFrame(const double* frame, double* out) noexcept {
    const std::size_t size = frameSize_;
    const std::size_t last = 2 * size - 1;
    double* const input = fftInput_.data();
    double* const spectrum = fftOutput_.data();
    const double* const kernel = kernelSpectrum_.data();

    std::copy_n(frame, size, input);
    std::fill_n(input + size, size, 0.0);
    fftTransform(*plan2N_, input, spectrum, fftScratch_.data(), FftDirection::Forward, false);

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
    fftTransform(*plan2N_, input, out, fftScratch_.data(), FftDirection::Backward, false);
}

} // namespace calderine
