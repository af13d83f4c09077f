#include "spectral/SpectralSeparator.h"
#include "tests/support/Segments.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

namespace calderine {
namespace {

constexpr double pi = std::numbers::pi;

// Power spectrum (bins 0 .. L/2) of a Hann-windowed record of L samples.
std::vector<double> powerSpectrum(const std::vector<double>& record) {
    const std::size_t length = record.size();
    const FftPlanPtr plan(createFftPlan(static_cast<int>(length)));
    AlignedBuffer input(length);
    AlignedBuffer output(length);
    AlignedBuffer work(length);
    for (std::size_t i = 0; i < length; ++i) {
        const double phase = 2.0 * pi * static_cast<double>(i) / static_cast<double>(length);
        input[i] = record[i] * (0.5 - 0.5 * std::cos(phase));
    }
    fftTransform(*plan, input.data(), output.data(), work.data(), FftDirection::Forward, true);
    std::vector<double> power(length / 2 + 1);
    power[0] = output[0] * output[0];
    power[length / 2] = output[1] * output[1];
    for (std::size_t k = 1; k < length / 2; ++k) {
        power[k] = output[2 * k] * output[2 * k] + output[2 * k + 1] * output[2 * k + 1];
    }
    return power;
}

struct BandPowers {
    double tone = 0.0; // within toneBandHz of the tone frequency
    double rest = 0.0; // everything else
};

constexpr double toneBandHz = 5.0;

BandPowers splitPower(const std::vector<double>& record, double toneHz, double sampleRate) {
    const std::vector<double> power = powerSpectrum(record);
    const double binHz = sampleRate / static_cast<double>(record.size());
    BandPowers bands;
    for (std::size_t k = 0; k < power.size(); ++k) {
        const bool inTone = std::abs(static_cast<double>(k) * binHz - toneHz) <= toneBandHz;
        (inTone ? bands.tone : bands.rest) += power[k];
    }
    return bands;
}

double decibels(double powerRatio) {
    return 10.0 * std::log10(powerRatio);
}

struct QualityCase {
    double sampleRate;
    double toneHz;
    double slope;
};

// A sinusoid 40 dB above white noise in each analysis bin must be largely removed from the noise
// part while the noise passes. Measured with these cases: 29.6 to 44.6 dB of suppression, and the
// noise about 0.2 dB (slope 1) to 0.5 dB (slope 0) down, from the noise bins that happen to reach
// the knee of the limiter.
TEST(SeparationQuality, RemovesAStrongToneAndKeepsTheNoise) {
    constexpr double minimumSuppressionDb = 25.0;
    constexpr double noiseToleranceDb = 1.0;
    constexpr double toneAboveNoisePerBinDb = 40.0;
    constexpr double noiseSigma = 0.01;
    const QualityCase cases[] = {
        {44100, 1000, 0.0}, {44100, 1000, 1.0}, {44100, 3000, 0.0}, {44100, 7000, 1.0},
        {48000, 1000, 0.0}, {48000, 1000, 1.0}, {48000, 440, 1.0},  {48000, 7000, 0.0},
    };
    for (const QualityCase& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.sampleRate << " Hz, tone " << c.toneHz << " Hz, slope " << c.slope);
        SpectralSeparator separator(static_cast<std::uint32_t>(std::ceil(0.05 * c.sampleRate)),
                                    c.sampleRate);
        separator.separationSlope = c.slope;
        const std::size_t n = separator.latency();

        // Per analysis bin, the tone reaches amplitude * sum(w) / 2 and the noise has an rms of
        // sigma * sqrt(sum(w^2)), w being the analysis window.
        double windowSum = 0.0;
        double windowEnergy = 0.0;
        for (const double w : separator.analysis().analysisWindow()) {
            windowSum += w;
            windowEnergy += w * w;
        }
        const double amplitude = noiseSigma * std::pow(10.0, toneAboveNoisePerBinDb / 20.0) * 2.0 *
                                 std::sqrt(windowEnergy) / windowSum;

        const std::size_t settle = 4 * n;
        const std::size_t length = 16 * n;
        std::mt19937_64 engine(11);
        std::normal_distribution<double> normal(0.0, noiseSigma);
        std::vector<double> tone(length);
        std::vector<double> noise(length);
        std::vector<double> output(length);
        for (std::size_t t = 0; t < settle + n + length; ++t) {
            const double toneSample =
                amplitude * std::sin(2.0 * pi * c.toneHz * static_cast<double>(t) / c.sampleRate);
            const double noiseSample = normal(engine);
            const double y = testing::runSample(separator, toneSample + noiseSample);
            if (t >= settle && t < settle + length) {
                tone[t - settle] = toneSample;
                noise[t - settle] = noiseSample;
            }
            if (t >= settle + n) {
                output[t - settle - n] = y; // aligned with the input it came from
            }
        }

        const BandPowers toneIn = splitPower(tone, c.toneHz, c.sampleRate);
        const BandPowers noiseIn = splitPower(noise, c.toneHz, c.sampleRate);
        const BandPowers out = splitPower(output, c.toneHz, c.sampleRate);
        // The output's tone band still holds the noise of that band; counting it as tone only
        // makes the suppression look smaller.
        EXPECT_GT(decibels(toneIn.tone / out.tone), minimumSuppressionDb);
        EXPECT_NEAR(decibels(out.rest / noiseIn.rest), 0.0, noiseToleranceDb);
    }
}

} // namespace
} // namespace calderine
