#include "spectral/AnalysisTables.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace calderine {

namespace {

constexpr double pi = std::numbers::pi;

// The 7-term Blackman-Harris window, cosine coefficients of orders 0 .. 6 with alternating signs
// already applied; they sum to 0.99999999708 (the window's centre value).
constexpr std::array<double, 7> blackmanHarris7 = {
    0.2712203606, -0.4334446123, 0.21800412,    -0.0657853433,
    0.0107618673, -0.0007700127, 0.00001368088,
};

// The slope weighting rises by 3 dB per octave and stops rising at this frequency (Hz).
constexpr double slopeDecibelsPerOctave = 3.0;
constexpr double slopeCornerHz = 12000.0;

} // namespace

std::vector<double> makeAnalysisWindow(std::size_t size) {
    std::vector<double> window(size);
    const double last = static_cast<double>(size - 1);
    for (std::size_t i = 0; i < size; ++i) {
        const double u = (2.0 * (static_cast<double>(i) / last) - 1.0) * pi;
        window[i] = u == 0.0 ? 1.0 : std::sin(u) / u;
    }
    return window;
}

std::vector<double> makeKernelWindow(std::size_t size) {
    std::vector<double> window(size);
    for (std::size_t i = 0; i < size; ++i) {
        // v runs from the window's centre (0.5) towards its end (1).
        const double v = (static_cast<double>(i) / static_cast<double>(size) + 1.0) * 0.5;
        double value = 0.0;
        for (std::size_t order = 0; order < blackmanHarris7.size(); ++order) {
            value += blackmanHarris7[order] * std::cos(2.0 * pi * static_cast<double>(order) * v);
        }
        window[i] = value;
    }
    return window;
}

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

} // namespace calderine
