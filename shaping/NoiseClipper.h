#pragma once

#include <cmath>

namespace calderine {

// Memoryless soft clipper: unity gain below kneeStart, a fixed odd polynomial knee that meets
// +-ceiling with zero slope at kneeEnd, and a hard ceiling beyond. Levels are linear amplitudes.
class NoiseClipper {
public:
    // threshold: linear amplitude (> 0) that becomes the output ceiling.
    void setThreshold(double threshold) noexcept;
    // ratio in [0, 1]: where the knee starts, as a fraction of the ceiling.
    void setKneeRatio(double ratio) noexcept;

    double processSample(double input) const noexcept {
        const double magnitude = std::fabs(input);
        if (kneeStart_ > magnitude) {
            return input;
        }
        // ">=" rather than ">" so that a zero-width knee (ratio 1 or threshold 0) clips instead
        // of dividing zero by zero; at |x| == kneeEnd the knee itself would give +-ceiling.
        if (magnitude >= kneeEnd_) {
            return input > 0.0 ? ceiling_ : -ceiling_;
        }
        const double start = input > 0.0 ? kneeStart_ : -kneeStart_;
        const double t = (input - start) / kneeHalfWidth_;
        const double t2 = t * t;
        const double t4 = t2 * t2;
        const double t6 = t4 * t2;
        const double t8 = t4 * t4;
        const double t10 = t8 * t2;
        // Slope 1 at t = 0; value 0.5 and slope 0 at |t| = 2, so the curve lands on +-ceiling.
        const double bracket = 1.0 - kKnee4 * t4 + kKnee6 * t6 - kKnee8 * t8 + kKnee10 * t10;
        return start + kneeHalfWidth_ * (t * bracket);
    }

    double ceiling() const noexcept { return ceiling_; }
    double kneeRatio() const noexcept { return kneeRatio_; }
    double kneeStart() const noexcept { return kneeStart_; }
    double kneeEnd() const noexcept { return kneeEnd_; }
    double kneeHalfWidth() const noexcept { return kneeHalfWidth_; }

private:
    // Knee polynomial coefficients; all are exact binary fractions.
    static constexpr double kKnee4 = 0.173828125;
    static constexpr double kKnee6 = 0.07080078125;
    static constexpr double kKnee8 = 0.0115966796875;
    static constexpr double kKnee10 = 0.000701904296875;

    void deriveKnee() noexcept;

    double ceiling_ = 1.0;
    double kneeRatio_ = 0.5;
    double kneeStart_ = 0.5;
    double kneeEnd_ = 1.5;
    double kneeHalfWidth_ = 0.5; // (kneeEnd - kneeStart) / 2: the unit of the knee variable t
};

} // namespace calderine
