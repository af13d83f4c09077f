#include "spectral/MinimumPhase.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace calderine {

MinimumPhase::MinimumPhase(std::uint32_t frameSize)
    : logGains_(frameSize / 2 + 1), cepstrum_(frameSize), foldedCepstrum_(frameSize),
      logSpectrum_(frameSize / 2 + 1) {}

// The log-magnitude spectrum is turned into a cepstrum, folded onto its causal half and
// transformed back, which yields the log of a minimum-phase response with the same magnitudes.
void MinimumPhase::build(std::span<const double> gains, std::span<std::complex<double>> result,
                         FftWorkspace& workspace) noexcept {
    const std::size_t size = cepstrum_.size();
    const std::size_t half = size / 2;
    double* const input = workspace.input.data();
    double* const output = workspace.output.data();
    double* const scratch = workspace.scratch.data();

    for (std::size_t k = 0; k <= half; ++k) {
        logGains_[k] = std::log(std::max(logFloor, std::fabs(gains[k])));
    }
    input[0] = logGains_[0];
    input[1] = logGains_[half];
    for (std::size_t k = 1; k < half; ++k) {
        input[2 * k] = logGains_[k];
        input[2 * k + 1] = 0.0;
    }
    fftTransform(*workspace.planN, input, output, scratch, FftDirection::Backward, true);

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
    fftTransform(*workspace.planN, input, output, scratch, FftDirection::Forward, true);

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

} // namespace calderine
