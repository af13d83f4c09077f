#include "spectral/MinimumPhase.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace calderine {

MinimumPhase::MinimumPhase(std::uint32_t frameSize, binmath::AnalysisBuild build)
    : build_(build), logGains_(frameSize / 2 + 1) {}

// The log-magnitude spectrum is turned into a cepstrum, folded onto its causal half and
// transformed back, which yields the log of a minimum-phase response with the same magnitudes.
// Both transforms work in the packed layout: the ordered one would cost a reordering pass each.
//
// The folded cepstrum's even part is the cepstrum itself, so the real part of its transform is
// the log magnitude the construction started from, up to the transforms' rounding (about 1e-14
// here): the response's moduli are taken from the floored gains directly instead of through an
// exponential of that real part, and only its phases (the imaginary part) go through the sine
// and cosine. That saves the exp kernel on every bin, a third of the per-bin polynomial work.
//
// The phases fed to the sine and cosine stay well inside the kernel's range (1.26e7 rad): the
// log gains lie in [ln(logFloor), 0] = [-16.6, 0] (analysis gains are at most 1), so every
// cepstrum value is at most 16.6 in size, every folded one at most 3 * 16.6, and a phase, a sum
// of N folded values times sines, at most 50 N = 1.9e6 even for N = 38400 (768 kHz).
void MinimumPhase::build(std::span<const double> gains, std::span<double> result,
                         FftWorkspace& workspace) noexcept {
    const std::size_t size = result.size();
    const std::size_t half = size / 2;
    double* const input = workspace.input.data();
    double* const output = workspace.output.data();
    double* const scratch = workspace.scratch.data();
    const fftpass::FftPassTable& passes = *build_.fft;

    // Packed layout: real DC first, real Nyquist last, bin k at (2k - 1, 2k). The log spectrum
    // is real.
    build_.binMath->flooredLogs(gains.data(), logGains_.data(), half + 1, logFloor);
    input[0] = logGains_[0];
    input[size - 1] = logGains_[half];
    for (std::size_t k = 1; k < half; ++k) {
        input[2 * k - 1] = logGains_[k];
        input[2 * k] = 0.0;
    }
    fftpass::fftTransformWith(passes, *workspace.planN, input, output, scratch,
                              FftDirection::Backward, false);

    // The cepstrum is output / N. Its middle value is taken out before the causal part is doubled
    // and put back afterwards as a constant: the constant is odd around n = 0 after folding, so
    // it alters only the phase. One pass from the transform's output to the next input, with the
    // operations of the separate steps (scale, subtract, double or keep, add) in their order; the
    // anticausal half, zero after folding, is the constant alone.
    const double scale = 1.0 / static_cast<double>(2 * half);
    const double middle = output[half] * scale;
    input[0] = (output[0] * scale - middle) + middle;
    for (std::size_t n = 1; n < half; ++n) {
        input[n] = 2.0 * (output[n] * scale - middle) + middle;
    }
    input[half] = (output[half] * scale - middle) + middle;
    std::fill(input + half + 1, input + size, middle);
    fftpass::fftTransformWith(passes, *workspace.planN, input, output, scratch,
                              FftDirection::Forward, false);

    // The response: the floored gain magnitudes with the phases just computed. DC and Nyquist
    // have a zero phase.
    const auto flooredMagnitude = [](double gain) { return std::max(logFloor, std::abs(gain)); };
    double* const packed = result.data();
    packed[0] = flooredMagnitude(gains[0]);
    packed[size - 1] = flooredMagnitude(gains[half]);
    build_.binMath->flooredPolars(gains.data() + 1, output + 1, packed + 1, half - 1, logFloor);
}

} // namespace calderine
