#include "spectral/MinimumPhase.h"

#include <algorithm>
#include <cstddef>

namespace calderine {

MinimumPhase::MinimumPhase(std::uint32_t frameSize, binmath::AnalysisBuild build)
    : build_(build), logGains_(frameSize / 2 + 1), cepstrum_(frameSize),
      foldedCepstrum_(frameSize) {}

// The log-magnitude spectrum is turned into a cepstrum, folded onto its causal half and
// transformed back, which yields the log of a minimum-phase response with the same magnitudes.
//
// The phases fed to the sine and cosine stay well inside the kernel's range (1.26e7 rad): the
// log gains lie in [ln(logFloor), 0] = [-16.6, 0] (analysis gains are at most 1), so every
// cepstrum value is at most 16.6 in size, every folded one at most 3 * 16.6, and a phase, a sum
// of N folded values times sines, at most 50 N = 1.9e6 even for N = 38400 (768 kHz).
void MinimumPhase::build(std::span<const double> gains, std::span<std::complex<double>> result,
                         FftWorkspace& workspace) noexcept {
    const std::size_t size = cepstrum_.size();
    const std::size_t half = size / 2;
    double* const input = workspace.input.data();
    double* const output = workspace.output.data();
    double* const scratch = workspace.scratch.data();
    const fftpass::FftPassTable& passes = *build_.fft;

    build_.binMath->flooredLogs(gains.data(), logGains_.data(), half + 1, logFloor);
    input[0] = logGains_[0];
    input[1] = logGains_[half];
    for (std::size_t k = 1; k < half; ++k) {
        input[2 * k] = logGains_[k];
        input[2 * k + 1] = 0.0;
    }
    fftpass::fftTransformWith(passes, *workspace.planN, input, output, scratch,
                              FftDirection::Backward, true);

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
    fftpass::fftTransformWith(passes, *workspace.planN, input, output, scratch,
                              FftDirection::Forward, true);

    // result = exp(log spectrum). Bins 1 .. M-1 sit as interleaved (re, im) pairs from output[2]
    // on; DC and Nyquist are real and go through the same loop with a zero phase (cos 0 = 1 and
    // sin 0 = 0 exactly, so they come out as (e^re, 0)). std::complex is laid out as two doubles.
    double* const resultPairs = reinterpret_cast<double*>(result.data());
    build_.binMath->complexExps(output + 2, resultPairs + 2, half - 1);
    const double ends[4] = {output[0], 0.0, output[1], 0.0};
    double endResults[4];
    build_.binMath->complexExps(ends, endResults, 2);
    result[0] = {endResults[0], endResults[1]};
    result[half] = {endResults[2], endResults[3]};
}

} // namespace calderine
