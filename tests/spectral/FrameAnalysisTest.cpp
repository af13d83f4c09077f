#include "spectral/FrameAnalysis.h"

#include "fft/FftWorkspace.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <numbers>
#include <ostream>
#include <random>
#include <vector>

namespace calderine {
namespace {

constexpr double pi = std::numbers::pi;
// +6 dB and -3 dB as linear ratios.
constexpr double plus6dB = 1.9952623149688795;
constexpr double minus3dB = 0.7079457843841379;

// One analysis with the transforms it runs on, as a separator holds them.
struct Analyser {
    Analyser(std::uint32_t frameSize, double sampleRate, std::uint32_t headTaps = 0)
        : fft(frameSize), analysis(frameSize, sampleRate, activeAnalysisBuild(), headTaps) {}

    void run(const std::vector<double>& frame, double slope) {
        analysis.analyse(frame, slope, fft);
    }

    std::size_t bins() const { return analysis.binGains().size(); }

    FftWorkspace fft;
    FrameAnalysis analysis;
};

// A frame whose windowed, unscaled forward transform has the given real spectrum (zero phase;
// bins 0 .. N/2, DC and Nyquist may be negative): the inverse DFT, evaluated directly, divided by
// the analysis window, so that windowing gives it back to within rounding.
std::vector<double> frameWithSpectrum(const FrameAnalysis& analysis,
                                      const std::vector<double>& spectrum) {
    const auto window = analysis.analysisWindow();
    const std::size_t n = window.size();
    const std::size_t half = n / 2;
    std::vector<double> cosines(n);
    for (std::size_t j = 0; j < n; ++j) {
        cosines[j] = std::cos(2.0 * pi * static_cast<double>(j) / static_cast<double>(n));
    }
    std::vector<double> frame(n);
    for (std::size_t i = 0; i < n; ++i) {
        double sum = spectrum[0] + (i % 2 == 0 ? spectrum[half] : -spectrum[half]);
        for (std::size_t k = 1; k < half; ++k) {
            sum += 2.0 * spectrum[k] * cosines[(k * i) % n];
        }
        frame[i] = sum / static_cast<double>(n) / window[i];
    }
    return frame;
}

// The analysed magnitude of bin `bin` after its gain: where the limiter put it.
double limitedLevel(const FrameAnalysis& analysis, std::size_t bin) {
    return analysis.magnitudes()[bin] * analysis.binGains()[bin];
}

TEST(FrameAnalysis, MeasuresWindowedMagnitudesWithSignedEnds) {
    Analyser a(480, 8000.0);
    std::mt19937_64 engine(1);
    std::uniform_real_distribution<double> uniform(0.01, 2.0);
    std::vector<double> spectrum(a.bins());
    std::generate(spectrum.begin(), spectrum.end(), [&] { return uniform(engine); });
    spectrum.front() = -0.5;
    spectrum.back() = -3.0;
    a.run(frameWithSpectrum(a.analysis, spectrum), 1.0);
    for (std::size_t k = 0; k < a.bins(); ++k) {
        ASSERT_NEAR(a.analysis.magnitudes()[k], spectrum[k], 1e-12) << k;
    }
    // Negative ends are below the low floor and pass.
    EXPECT_EQ(a.analysis.binGains().front(), 1.0);
    EXPECT_EQ(a.analysis.binGains().back(), 1.0);
}

// Squares of magnitudes above 2^512 overflow; such bins must still get their true size, slope
// weighting included. A power-of-two scale carries through window and transform exactly.
TEST(FrameAnalysis, MagnitudesWhoseSquaresOverflowStayFinite) {
    Analyser a(480, 8000.0);
    std::mt19937_64 engine(2);
    std::uniform_real_distribution<double> uniform(0.01, 2.0);
    std::vector<double> spectrum(a.bins());
    std::generate(spectrum.begin(), spectrum.end(), [&] { return uniform(engine); });
    const std::vector<double> unitFrame = frameWithSpectrum(a.analysis, spectrum);
    const auto curve = a.analysis.slopeCurve();
    for (const double slope : {1.0, 0.3}) {
        for (const double scale : {0x1p520, 0x1p600, 0x1p900}) {
            std::vector<double> frame(unitFrame);
            for (double& x : frame) {
                x *= scale;
            }
            a.run(frame, slope);
            for (std::size_t k = 0; k < a.bins(); ++k) {
                const double expected = spectrum[k] * (slope + (1.0 - slope) / curve[k]);
                ASSERT_NEAR(a.analysis.magnitudes()[k] / scale, expected, 1e-12)
                    << "slope " << slope << " scale 2^" << std::log2(scale) << " bin " << k;
            }
        }
    }
}

// A bin is a peak when it stands more than 6 dB above the mean of all bins: 200 bins at 1, one
// loud bin at 50 and 40 probe bins at P. The probes leave the floor estimate exactly where
// P = 10^0.3 * (250 + 40 P) / 241; the loud bin is always brought down to 6 dB above the mean of
// the bins left in.
TEST(FrameAnalysis, PeaksStandSixDecibelsAboveTheMean) {
    Analyser a(480, 8000.0);
    const double threshold = plus6dB * 250.0 / (241.0 - 40.0 * plus6dB);
    struct Case {
        double probe;
        double floorMean;
    };
    const double below = threshold * (1.0 - 1e-6);
    const double above = threshold * (1.0 + 1e-6);
    for (const Case c : {Case{below, (200.0 + 40.0 * below) / 240.0}, Case{above, 1.0}}) {
        std::vector<double> spectrum(a.bins(), 1.0);
        std::fill(spectrum.begin() + 150, spectrum.begin() + 190, c.probe);
        spectrum[100] = 50.0;
        a.run(frameWithSpectrum(a.analysis, spectrum), 1.0);
        EXPECT_NEAR(limitedLevel(a.analysis, 100), plus6dB * c.floorMean, 1e-9) << c.probe;
        EXPECT_EQ(a.analysis.binGains()[20], 1.0);
    }
}

// Magnitudes at or below 0.001 stay out of the floor estimate and keep gain 1: 80 bins at
// 0.0009 (left out), 80 at 0.0011 and 80 at 0.01 (counted), one loud bin at 1.
TEST(FrameAnalysis, LowFloorIsOneThousandth) {
    Analyser a(480, 8000.0);
    std::vector<double> spectrum(a.bins(), 0.01);
    std::fill(spectrum.begin() + 1, spectrum.begin() + 81, 0.0009);
    std::fill(spectrum.begin() + 81, spectrum.begin() + 161, 0.0011);
    spectrum[200] = 1.0;
    a.run(frameWithSpectrum(a.analysis, spectrum), 1.0);
    EXPECT_NEAR(limitedLevel(a.analysis, 200), plus6dB * (80 * 0.0011 + 80 * 0.01) / 160.0, 1e-12);
    EXPECT_EQ(a.analysis.binGains()[40], 1.0);
}

struct KneePoint {
    double x; // magnitude relative to the reference level
    double gain;
};

void PrintTo(const KneePoint& c, std::ostream* os) {
    *os << "x = " << c.x;
}

class FrameAnalysisKnee : public ::testing::TestWithParam<KneePoint> {};

// One probe bin over 240 bins at 1, placed at x times the reference. Below 10^-0.15 of the
// reference a bin passes; from 2 - 10^-0.15 up it is brought to the reference (gain 1/x); the
// knee between follows the clipper polynomial (values evaluated separately).
TEST_P(FrameAnalysisKnee, GainFollowsTheSoftKnee) {
    const KneePoint c = GetParam();
    Analyser a(480, 8000.0);
    // A probe below the reference counts towards the floor it is measured against.
    const double level =
        c.x < 1.0 ? 240.0 * c.x * plus6dB / (241.0 - c.x * plus6dB) : c.x * plus6dB;
    std::vector<double> spectrum(a.bins(), 1.0);
    spectrum[77] = level;
    a.run(frameWithSpectrum(a.analysis, spectrum), 1.0);
    EXPECT_NEAR(a.analysis.binGains()[77], c.gain, 1e-10);
    EXPECT_EQ(a.analysis.binGains()[76], 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    Literals, FrameAnalysisKnee,
    ::testing::Values(KneePoint{0.5, 1.0}, KneePoint{0.7, 1.0}, KneePoint{0.75, 0.9999958448967895},
                      KneePoint{0.8, 0.9998104378813035}, KneePoint{0.9, 0.9942009374450239},
                      KneePoint{0.99, 0.9709253716264359}, KneePoint{1.1, 0.9076472630750917},
                      KneePoint{1.25, 0.8000593987917426},
                      KneePoint{1.2920542156158621, 0.7739613306577438}, KneePoint{1.3, 1.0 / 1.3},
                      KneePoint{2.0, 0.5}, KneePoint{10.0, 0.1}));

// DC and Nyquist are real and taken with their sign: a strong negative one stays below the low
// floor and keeps gain 1, a positive one of the same size is limited.
TEST(FrameAnalysis, DcAndNyquistKeepTheirSign) {
    Analyser a(2400, 48000.0);
    std::mt19937_64 engine(9);
    std::normal_distribution<double> normal(0.0, 0.01);
    for (const double level : {-1.0, 1.0}) {
        for (const bool nyquist : {false, true}) {
            std::vector<double> frame(2400);
            for (std::size_t i = 0; i < frame.size(); ++i) {
                frame[i] = normal(engine) + (nyquist && i % 2 == 1 ? -level : level);
            }
            a.run(frame, 1.0);
            const double gain = a.analysis.binGains()[nyquist ? 1200 : 0];
            EXPECT_EQ(gain<1.0, level> 0.0) << "level " << level << " nyquist " << nyquist;
        }
    }
}

TEST(FrameAnalysis, BinLimiterKneeIsMinusThreeDecibels) {
    const FrameAnalysis analysis(480, 8000.0);
    const NoiseClipper& limiter = analysis.binLimiter();
    EXPECT_EQ(limiter.ceiling(), 1.0);
    EXPECT_DOUBLE_EQ(limiter.kneeStart(), minus3dB);
    EXPECT_DOUBLE_EQ(limiter.kneeEnd(), 1.2920542156158621);
    EXPECT_DOUBLE_EQ(limiter.kneeHalfWidth(), 0.2920542156158621);
}

// A gain below -144 dB is taken as -144 dB: a bin 10^9 times the floor would need 2e-9.
TEST(FrameAnalysis, GainsAreFlooredAtMinus144Decibels) {
    Analyser a(480, 8000.0);
    std::vector<double> spectrum(a.bins(), 1.0);
    spectrum[123] = 1e9;
    a.run(frameWithSpectrum(a.analysis, spectrum), 1.0);
    EXPECT_NEAR(a.analysis.binGains()[123] / (plus6dB * 1e-9), 1.0, 1e-6);
    EXPECT_NEAR(std::abs(a.analysis.minimumPhaseBin(123)) / 6.30957344480193e-8, 1.0, 1e-9);
    EXPECT_NEAR(std::abs(a.analysis.minimumPhaseBin(122)), 1.0, 1e-9);
}

// Silence: every gain is 1, the response is flat and zero-phase, and the kernel is the single
// tap kernelWindow[0], whose 2N-point spectrum is that value in every bin.
TEST(FrameAnalysis, SilentFrameGivesOneTapKernel) {
    Analyser a(480, 8000.0);
    a.run(std::vector<double>(480, 0.0), 0.0);
    for (std::size_t k = 0; k < a.bins(); ++k) {
        ASSERT_EQ(a.analysis.binGains()[k], 1.0);
        ASSERT_NEAR(std::abs(a.analysis.minimumPhaseBin(k) - 1.0), 0.0, 1e-12);
    }
    const auto spectrum = a.analysis.kernelSpectrum();
    ASSERT_EQ(spectrum.size(), 960u);
    for (std::size_t i = 0; i < spectrum.size(); ++i) {
        const bool imaginary = i > 0 && i < spectrum.size() - 1 && i % 2 == 0;
        ASSERT_NEAR(spectrum[i], imaginary ? 0.0 : 0.99999999708, 1e-12) << i;
    }
}

struct SlopePoint {
    double sampleRate;
    std::uint32_t frameSize;
    std::size_t bin;
    double weight;
};

void PrintTo(const SlopePoint& c, std::ostream* os) {
    *os << c.sampleRate << " Hz, bin " << c.bin;
}

class FrameAnalysisSlope : public ::testing::TestWithParam<SlopePoint> {};

// +3 dB per octave from bin 1, flat from 12 kHz up: 44100 / 2304 puts bin 626 just below
// 12 kHz and bin 627 above it; 48000 / 2400 puts bin 600 on it.
TEST_P(FrameAnalysisSlope, CurveRisesThreeDecibelsPerOctave) {
    const SlopePoint c = GetParam();
    const FrameAnalysis analysis(c.frameSize, c.sampleRate);
    ASSERT_EQ(analysis.slopeCurve().size(), c.frameSize / 2 + 1);
    EXPECT_NEAR(analysis.slopeCurve()[c.bin], c.weight, 1e-12 * c.weight);
}

INSTANTIATE_TEST_SUITE_P(Literals, FrameAnalysisSlope,
                         ::testing::Values(SlopePoint{44100.0, 2304, 0, 1.0},
                                           SlopePoint{44100.0, 2304, 1, 1.0},
                                           SlopePoint{44100.0, 2304, 2, 1.4125375446227544},
                                           SlopePoint{44100.0, 2304, 4, 1.9952623149688795},
                                           SlopePoint{44100.0, 2304, 8, 2.818382931264454},
                                           SlopePoint{44100.0, 2304, 100, 9.921524941120264},
                                           SlopePoint{44100.0, 2304, 626, 24.745875696089527},
                                           SlopePoint{44100.0, 2304, 627, 24.764360227495814},
                                           SlopePoint{44100.0, 2304, 1152, 24.764360227495814},
                                           SlopePoint{48000.0, 2400, 2, 1.4125375446227544},
                                           SlopePoint{48000.0, 2400, 599, 24.20816266605956},
                                           SlopePoint{48000.0, 2400, 600, 24.228292246764713},
                                           SlopePoint{48000.0, 2400, 1200, 24.228292246764713}));

// The slope setting mixes each magnitude with itself divided by the curve.
TEST(FrameAnalysis, SlopeSettingWeightsTheMagnitudes) {
    Analyser a(2304, 44100.0);
    const std::vector<double> spectrum(a.bins(), 2.0);
    const std::vector<double> frame = frameWithSpectrum(a.analysis, spectrum);
    struct Case {
        double slope;
        std::size_t bin;
        double magnitude;
    };
    for (const Case c :
         {Case{0.0, 4, 2.0 / 1.9952623149688795}, Case{0.0, 1000, 2.0 / 24.764360227495814},
          Case{1.0, 1000, 2.0}, Case{0.5, 2, 1.0 + 1.0 / 1.4125375446227544}}) {
        a.run(frame, c.slope);
        EXPECT_NEAR(a.analysis.magnitudes()[c.bin], c.magnitude, 1e-9)
            << "slope " << c.slope << ", bin " << c.bin;
    }
}

// With slope 0, a spectrum rising like the curve is judged like a flat one at slope 1.
TEST(FrameAnalysis, ZeroSlopeUndoesTheSlopeCurve) {
    Analyser a(2304, 44100.0);
    std::mt19937_64 engine(5);
    std::uniform_real_distribution<double> uniform(0.5, 1.5);
    std::vector<double> flat(a.bins());
    std::generate(flat.begin(), flat.end(), [&] { return uniform(engine); });
    for (const std::size_t peak : {std::size_t{7}, std::size_t{300}, a.bins() - 2}) {
        flat[peak] = 40.0;
    }
    std::vector<double> shaped(flat.size());
    const auto curve = a.analysis.slopeCurve();
    std::transform(flat.begin(), flat.end(), curve.begin(), shaped.begin(), std::multiplies<>());

    a.run(frameWithSpectrum(a.analysis, flat), 1.0);
    const std::vector<double> flatGains(a.analysis.binGains().begin(), a.analysis.binGains().end());
    a.run(frameWithSpectrum(a.analysis, shaped), 0.0);
    for (std::size_t k = 0; k < flat.size(); ++k) {
        ASSERT_NEAR(a.analysis.binGains()[k], flatGains[k], 1e-9) << k;
    }
    EXPECT_LT(*std::min_element(flatGains.begin(), flatGains.end()), 0.1);
}

// The Lanczos window (one lobe of sin(pi x) / (pi x)) and the falling half of the 7-term
// Blackman-Harris window, at points evaluated separately for N = 480. At the window's
// three-quarter point only the even cosine terms remain: 0.2712203606 - 0.21800412 +
// 0.0107618673 - 0.00001368088.
TEST(FrameAnalysis, WindowsAtLiteralPoints) {
    const FrameAnalysis analysis(480, 8000.0);
    const auto lanczos = analysis.analysisWindow();
    const auto kernel = analysis.kernelWindow();
    ASSERT_EQ(lanczos.size(), 480u);
    ASSERT_EQ(kernel.size(), 480u);
    struct Point {
        std::span<const double> window;
        std::size_t index;
        double value;
    };
    for (const Point p :
         {Point{lanczos, 0, 0.0}, Point{lanczos, 120, 0.6379481826431054},
          Point{lanczos, 239, 0.9999928307036278}, Point{lanczos, 240, 0.9999928307036278},
          Point{lanczos, 359, 0.6379481826431054}, Point{lanczos, 479, 0.0},
          Point{kernel, 0, 0.99999999708}, Point{kernel, 120, 0.5198883743742195},
          Point{kernel, 240, 0.06396442702}, Point{kernel, 360, 0.0010286122257807462},
          Point{kernel, 479, 6.185535267183946e-08}}) {
        EXPECT_NEAR(p.window[p.index], p.value, 1e-14) << p.index;
    }
}

template <class T>
bool sameBits(std::span<const T> a, std::span<const T> b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size_bytes()) == 0;
}

// The separator convolves a frame's first output samples with the head's taps at once and the rest
// through the spectrum, which it asks for later, after the workspace has served other work: the
// head must be the kernel's first taps, the taps what the spectrum transforms back to (N taps,
// then N zeros), and the late spectrum the one analyse gives at once, whatever ran in between.
TEST(FrameAnalysis, KernelTapsAndTheLateSpectrumAgreeWithTheWholeAnalysis) {
    for (const std::uint32_t n : {480u, 2304u}) {
        const double rate = n * 20.0;
        constexpr std::uint32_t head = 128;
        Analyser whole(n, rate);
        Analyser split(n, rate, head);
        std::mt19937_64 engine(n + 1);
        std::normal_distribution<double> normal(0.0, 0.05);
        std::vector<double> frame(n);
        std::vector<double> other(n);
        for (std::size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / rate;
            frame[i] = normal(engine) + std::sin(2.0 * pi * 1000.0 * t);
            other[i] = normal(engine) + 0.5 * std::sin(2.0 * pi * 250.0 * t);
        }
        whole.run(frame, 0.2);
        split.run(other, 0.7);
        split.analysis.analyseToKernel(frame, 0.2, split.fft);
        ASSERT_EQ(split.analysis.headTaps().size(), head);
        EXPECT_TRUE(sameBits(split.analysis.headTaps(), whole.analysis.kernel().first(head)));
        // Whatever the workspace held in between must not matter.
        std::fill_n(split.fft.input.data(), split.fft.input.size(), 3.0);
        std::fill_n(split.fft.output.data(), split.fft.output.size(), -5.0);
        split.analysis.transformKernel(split.fft);
        EXPECT_TRUE(sameBits(whole.analysis.kernelSpectrum(), split.analysis.kernelSpectrum()));
        EXPECT_TRUE(sameBits(whole.analysis.kernel(), split.analysis.kernel()));
        ASSERT_EQ(split.analysis.kernel().size(), n);

        std::vector<double> back(2 * n);
        std::vector<double> work(2 * n);
        fftTransform(*whole.fft.plan2N, whole.analysis.kernelSpectrum().data(), back.data(),
                     work.data(), FftDirection::Backward, false);
        double peak = 0.0;
        for (std::size_t i = 0; i < 2 * n; ++i) {
            const double tap = i < n ? whole.analysis.kernel()[i] : 0.0;
            ASSERT_NEAR(back[i] / static_cast<double>(2 * n), tap, 1e-12) << n << " tap " << i;
            peak = std::max(peak, std::fabs(tap));
        }
        // The tone was pulled down: a real kernel, not a bare impulse of one.
        EXPECT_GT(peak, 0.1);
        EXPECT_GT(std::fabs(whole.analysis.kernel()[1]), 1e-6);
    }
}

// The baseline and AVX2 builds (transform passes and per-bin loops) must analyse a frame to the
// same bits: magnitudes, gains, minimum-phase response and kernel spectrum. Frames of tones over
// noise, loud enough that many bins run through the knee, at several slope settings.
TEST(FrameAnalysis, BaselineAndAvx2BuildsGiveTheSameBits) {
    if (avx2AnalysisBuild().fft == nullptr) {
        GTEST_SKIP() << "this CPU has no AVX2 build to compare";
    }
    for (const std::uint32_t n : {2304u, 2400u, 4800u}) {
        const double rate = n * 20.0;
        FftWorkspace fft(n);
        FrameAnalysis baseline(n, rate, baselineAnalysisBuild());
        FrameAnalysis avx2(n, rate, avx2AnalysisBuild());
        std::mt19937_64 engine(n);
        std::normal_distribution<double> normal(0.0, 0.02);
        std::vector<double> frame(n);
        for (std::size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / rate;
            frame[i] = normal(engine) + 0.8 * std::sin(2.0 * pi * 441.0 * t) +
                       0.3 * std::sin(2.0 * pi * 3003.0 * t + 1.0) +
                       0.05 * std::sin(2.0 * pi * 9876.5 * t);
        }
        for (const double slope : {1.0, 0.37, 0.0}) {
            baseline.analyse(frame, slope, fft);
            avx2.analyse(frame, slope, fft);
            ASSERT_LT(*std::min_element(baseline.binGains().begin(), baseline.binGains().end()),
                      0.5);
            EXPECT_TRUE(sameBits(baseline.magnitudes(), avx2.magnitudes())) << n << " " << slope;
            EXPECT_TRUE(sameBits(baseline.binGains(), avx2.binGains())) << n << " " << slope;
            EXPECT_TRUE(sameBits(baseline.minimumPhaseSpectrum(), avx2.minimumPhaseSpectrum()))
                << n << " " << slope;
            EXPECT_TRUE(sameBits(baseline.kernelSpectrum(), avx2.kernelSpectrum()))
                << n << " " << slope;
            EXPECT_TRUE(sameBits(baseline.kernel(), avx2.kernel())) << n << " " << slope;
        }
    }
}

} // namespace
} // namespace calderine
