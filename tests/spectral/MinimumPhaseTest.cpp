#include "spectral/MinimumPhase.h"

#include "fft/FftWorkspace.h"
#include "spectral/FrameAnalysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

namespace calderine {
namespace {

TEST(MinimumPhase, KeepsTheClampedGainMagnitudes) {
    const std::uint32_t n = 2400;
    FftWorkspace fft(n);
    MinimumPhase minimumPhase(n);
    const std::size_t bins = n / 2 + 1;
    std::vector<double> result(n);
    // Bin k of the packed layout: DC first, Nyquist last, complex bins in between.
    const auto bin = [&](std::size_t k) {
        return k == 0 || k == n / 2 ? std::complex<double>(result[k == 0 ? 0 : n - 1], 0.0)
                                    : std::complex<double>(result[2 * k - 1], result[2 * k]);
    };

    minimumPhase.build(std::vector<double>(bins, 1.0), result, fft);
    for (std::size_t k = 0; k < bins; ++k) {
        ASSERT_NEAR(std::abs(bin(k) - 1.0), 0.0, 1e-12) << k;
    }

    std::mt19937_64 engine(4);
    std::uniform_real_distribution<double> uniform(-1.5, 1.5);
    std::vector<double> gains(bins);
    std::generate(gains.begin(), gains.end(), [&] { return uniform(engine); });
    gains[3] = 0.0;
    gains[9] = 1e-9;
    minimumPhase.build(gains, result, fft);
    for (std::size_t k = 0; k < bins; ++k) {
        // -144 dB is the least magnitude a bin keeps.
        const double expected = std::max(6.30957344480193e-8, std::abs(gains[k]));
        ASSERT_NEAR(std::abs(bin(k)) / expected, 1.0, 1e-9) << k;
    }
}

// The response against the textbook construction done the slow way, in long double: the
// cepstrum by a direct size-N inverse DFT of the log gains, its middle value taken out and put
// back around the causal fold, and the phase from a direct forward DFT. Sizes cover the
// half-size transforms (N/2 even, several factor mixes) and the direct sums (N/2 odd, N = 2).
TEST(MinimumPhase, MatchesTheDirectCepstrumConstruction) {
    for (const std::uint32_t n : {2u, 6u, 16u, 30u, 96u, 480u}) {
        FftWorkspace fft(n);
        MinimumPhase minimumPhase(n);
        const std::size_t half = n / 2;
        std::vector<double> gains(half + 1);
        for (std::size_t k = 0; k <= half; ++k) {
            // Gains of 1 with notches down to the floor and below, as the analysis makes them.
            const double notch = std::fabs(std::sin(0.37 * static_cast<double>(k) + 0.2));
            gains[k] = k % 5 == 1 ? 1.0 : std::pow(notch, 3.0 + static_cast<double>(k % 4) * 9.0);
        }
        std::vector<double> result(n);
        minimumPhase.build(gains, result, fft);

        using Long = long double;
        const Long pi = 3.141592653589793238462643383279502884L;
        std::vector<Long> logs(n);
        for (std::size_t k = 0; k < n; ++k) {
            const double gain = gains[k <= half ? k : n - k];
            logs[k] = std::log(std::max(static_cast<Long>(MinimumPhase::logFloor),
                                        static_cast<Long>(std::fabs(gain))));
        }
        std::vector<Long> cepstrum(n);
        for (std::size_t t = 0; t < n; ++t) {
            Long sum = 0.0L;
            for (std::size_t k = 0; k < n; ++k) {
                sum += logs[k] * std::cos(2.0L * pi * static_cast<Long>((k * t) % n) / n);
            }
            cepstrum[t] = sum / n;
        }
        const Long middle = cepstrum[half];
        for (std::size_t k = 0; k <= half; ++k) {
            Long phase = 0.0L;
            for (std::size_t t = 1; t < half; ++t) {
                const Long folded = 2.0L * (cepstrum[t] - middle) + middle;
                phase -= folded * std::sin(2.0L * pi * static_cast<Long>((k * t) % n) / n);
            }
            for (std::size_t t = half; t < n; ++t) {
                phase -= middle * std::sin(2.0L * pi * static_cast<Long>((k * t) % n) / n);
            }
            const std::complex<double> got =
                k == 0 || k == half ? std::complex<double>(result[k == 0 ? 0 : n - 1], 0.0)
                                    : std::complex<double>(result[2 * k - 1], result[2 * k]);
            const double magnitude = std::exp(static_cast<double>(logs[k]));
            const std::complex<double> expected = std::polar(magnitude, static_cast<double>(phase));
            ASSERT_NEAR(got.real(), expected.real(), 1e-11 * magnitude) << n << " bin " << k;
            ASSERT_NEAR(got.imag(), expected.imag(), 1e-11 * magnitude) << n << " bin " << k;
        }
    }
}

// The response to a smooth gain curve (a notch, as a limited tone produces) is causal: its
// energy sits at the start of the N taps instead of being spread symmetrically around tap 0 as a
// zero-phase response would be.
TEST(MinimumPhase, SmoothGainsGiveACausalResponse) {
    const std::uint32_t n = 2304;
    FftWorkspace fft(n);
    FrameAnalysis analysis(n, 44100.0);
    std::mt19937_64 engine(8);
    std::normal_distribution<double> normal(0.0, 0.01);
    std::vector<double> frame(n);
    for (std::size_t i = 0; i < n; ++i) {
        frame[i] = normal(engine) +
                   std::sin(2.0 * std::numbers::pi * 1000.0 * static_cast<double>(i) / 44100.0);
    }
    analysis.analyse(frame, 1.0, fft);
    const auto gains = analysis.binGains();
    ASSERT_LT(*std::min_element(gains.begin(), gains.end()), 0.1);

    const auto response = analysis.minimumPhaseSpectrum();
    AlignedBuffer spectrum(n);
    AlignedBuffer taps(n);
    AlignedBuffer work(n);
    std::copy(response.begin(), response.end(), spectrum.data());
    fftTransform(*fft.planN, spectrum.data(), taps.data(), work.data(), FftDirection::Backward,
                 false);
    double early = 0.0;
    double late = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        (i < n / 2 ? early : late) += taps[i] * taps[i];
    }
    EXPECT_LT(late, 1e-3 * early);
}

} // namespace
} // namespace calderine
