#include "shaping/TiltFilter.h"

#include <cmath>

namespace calderine {

namespace {
// The three corners sit a decade apart around the design frequency.
constexpr double kLowShelfCornerRatio = 0.1;
constexpr double kTopShelfCornerRatio = 10.0;
} // namespace

void TiltFilter::design(double frequency, double gain) noexcept {
    sections_[0].designLowShelf(kLowShelfCornerRatio * frequency, 1.0 / gain);
    sections_[1].designHighShelf(frequency, gain);
    sections_[2].designHighShelf(kTopShelfCornerRatio * frequency, gain);
    outputScale_ = 1.0 / std::sqrt(gain);
}

void TiltFilter::assignCoefficients(const TiltFilter& source) noexcept {
    for (std::size_t i = 0; i < kSectionCount; ++i) {
        sections_[i].assignCoefficients(source.sections_[i]);
    }
    outputScale_ = source.outputScale_;
}

void TiltFilter::clearHistory() noexcept {
    for (auto& section : sections_) {
        section.clearHistory();
    }
}

double TiltFilter::magnitudeAt(double frequency) const noexcept {
    double magnitude = std::fabs(outputScale_);
    for (const auto& section : sections_) {
        magnitude *= section.magnitudeAt(frequency);
    }
    return magnitude;
}

} // namespace calderine
