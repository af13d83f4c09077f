#include "shaping/TiltFilter.h"

#include "shaping/TiltLanes.h"
#include "simd/CpuBuild.h"
#include "simd/Lanes.h"

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

namespace {

// Two filters, one per lane.
using Pair = simd::PairLanes;

void runQuadAsPairs(TiltFilter* const* filters, double* const* signals,
                    std::size_t count) noexcept {
    tiltlanes::run<Pair::V, Pair::width>(filters, signals, count);
    tiltlanes::run<Pair::V, Pair::width>(filters + 2, signals + 2, count);
}

} // namespace

void TiltFilter::processPair(TiltFilter& first, double* firstSignal, TiltFilter& second,
                             double* secondSignal, std::size_t count) noexcept {
    TiltFilter* const filters[2] = {&first, &second};
    double* const signals[2] = {firstSignal, secondSignal};
    tiltlanes::run<Pair::V, Pair::width>(filters, signals, count);
}

TiltFilter::QuadKernel TiltFilter::quadKernel(bool wide) noexcept {
#if defined(CALDERINE_SIMD_AVX2)
    if (wide && simd::avx2Available()) {
        return &tiltQuadAvx2;
    }
#else
    static_cast<void>(wide);
#endif
    return &runQuadAsPairs;
}

double TiltFilter::magnitudeAt(double frequency) const noexcept {
    double magnitude = std::fabs(outputScale_);
    for (const auto& section : sections_) {
        magnitude *= section.magnitudeAt(frequency);
    }
    return magnitude;
}

} // namespace calderine
