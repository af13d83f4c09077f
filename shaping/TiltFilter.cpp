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

namespace {

// Two doubles, one per filter; GCC and clang spell lane-wise arithmetic on it alike.
using Lanes = double __attribute__((vector_size(16)));

// One shelf section of each filter, side by side: ShelfSection's fields as lane pairs.
struct SectionPair {
    Lanes b0, b1, b2, c1, c2;
    Lanes x0, x1, x2, y0, y1, y2;

    SectionPair(const ShelfSection& a, const ShelfSection& b) noexcept
        : b0{a.b0, b.b0}, b1{a.b1, b.b1}, b2{a.b2, b.b2}, c1{a.c1, b.c1}, c2{a.c2, b.c2}, x0{a.x0,
                                                                                             b.x0},
          x1{a.x1, b.x1}, x2{a.x2, b.x2}, y0{a.y0, b.y0}, y1{a.y1, b.y1}, y2{a.y2, b.y2} {}

    // ShelfSection::processSample, lane by lane.
    Lanes tick(Lanes input) noexcept {
        return ShelfSection::step(input, b0, b1, b2, c1, c2, x0, x1, x2, y0, y1, y2);
    }

    void storeHistories(ShelfSection& a, ShelfSection& b) const noexcept {
        ShelfSection* const sections[2] = {&a, &b};
        for (int lane = 0; lane < 2; ++lane) {
            ShelfSection& section = *sections[lane];
            section.x0 = x0[lane];
            section.x1 = x1[lane];
            section.x2 = x2[lane];
            section.y0 = y0[lane];
            section.y1 = y1[lane];
            section.y2 = y2[lane];
        }
    }
};

} // namespace

void TiltFilter::processPair(TiltFilter& first, double* firstSignal, TiltFilter& second,
                             double* secondSignal, std::size_t count) noexcept {
    static_assert(kSectionCount == 3, "the loop names each section");
    SectionPair low(first.sections_[0], second.sections_[0]);
    SectionPair mid(first.sections_[1], second.sections_[1]);
    SectionPair high(first.sections_[2], second.sections_[2]);
    const Lanes outputScale{first.outputScale_, second.outputScale_};
    for (std::size_t i = 0; i < count; ++i) {
        const Lanes y =
            outputScale * high.tick(mid.tick(low.tick(Lanes{firstSignal[i], secondSignal[i]})));
        firstSignal[i] = y[0];
        secondSignal[i] = y[1];
    }
    low.storeHistories(first.sections_[0], second.sections_[0]);
    mid.storeHistories(first.sections_[1], second.sections_[1]);
    high.storeHistories(first.sections_[2], second.sections_[2]);
}

double TiltFilter::magnitudeAt(double frequency) const noexcept {
    double magnitude = std::fabs(outputScale_);
    for (const auto& section : sections_) {
        magnitude *= section.magnitudeAt(frequency);
    }
    return magnitude;
}

} // namespace calderine
