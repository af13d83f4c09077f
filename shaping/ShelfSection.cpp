#include "shaping/ShelfSection.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace calderine {

namespace {

constexpr double kPi = 3.141592653589793;
// Fixed stand-in for 1/(2Q), shared by every shelf so that all tilts have the same shape.
constexpr double kInverseTwoQ = 1.1661481194695427;

// Intermediate terms shared by the low and high shelf formulas.
struct ShelfTerms {
    double a;  // sqrt of the linear gain
    double cw; // cos of the corner in radians per sample
    double k;  // 2 sqrt(a) alpha
};

ShelfTerms shelfTerms(double frequency, double gain) noexcept {
    const double corner = std::min(frequency, ShelfSection::kMaxCornerFrequency);
    const double w = corner * 2.0 * kPi;
    const double a = std::sqrt(gain);
    return {a, std::cos(w), 2.0 * std::sqrt(a) * (std::sin(w) * kInverseTwoQ)};
}

} // namespace

void ShelfSection::designLowShelf(double frequency, double gain) noexcept {
    *this = ShelfSection{};
    const auto [a, cw, k] = shelfTerms(frequency, gain);
    const double norm = (a + 1.0) + (a - 1.0) * cw + k;
    b0 = a * ((a + 1.0) - (a - 1.0) * cw + k) / norm;
    b1 = 2.0 * a * ((a - 1.0) - (a + 1.0) * cw) / norm;
    b2 = a * ((a + 1.0) - (a - 1.0) * cw - k) / norm;
    a0 = 1.0;
    c1 = 2.0 * ((a - 1.0) + (a + 1.0) * cw) / norm;
    c2 = -((a + 1.0) + (a - 1.0) * cw - k) / norm;
}

void ShelfSection::designHighShelf(double frequency, double gain) noexcept {
    *this = ShelfSection{};
    const auto [a, cw, k] = shelfTerms(frequency, gain);
    const double norm = (a + 1.0) - (a - 1.0) * cw + k;
    b0 = a * ((a + 1.0) + (a - 1.0) * cw + k) / norm;
    b1 = -2.0 * a * ((a - 1.0) + (a + 1.0) * cw) / norm;
    b2 = a * ((a + 1.0) + (a - 1.0) * cw - k) / norm;
    a0 = 1.0;
    c1 = -2.0 * ((a - 1.0) - (a + 1.0) * cw) / norm;
    c2 = -((a + 1.0) - (a - 1.0) * cw - k) / norm;
}

double ShelfSection::magnitudeAt(double frequency) const noexcept {
    const std::complex<double> delay1 = std::polar(1.0, -2.0 * kPi * frequency); // z^-1
    const std::complex<double> delay2 = delay1 * delay1;
    const std::complex<double> numerator = b0 + b1 * delay1 + b2 * delay2;
    const std::complex<double> denominator = 1.0 - c1 * delay1 - c2 * delay2;
    return std::abs(numerator / denominator);
}

} // namespace calderine
