#pragma once

#include "shaping/SoftKnee.h"

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
        return start + kneeHalfWidth_ * softknee::curve(t, [](double c) { return c; });
    }

    double ceiling() const noexcept { return ceiling_; }
    double kneeRatio() const noexcept { return kneeRatio_; }
    double kneeStart() const noexcept { return kneeStart_; }
    double kneeEnd() const noexcept { return kneeEnd_; }
    double kneeHalfWidth() const noexcept { return kneeHalfWidth_; }

private:
    void deriveKnee() noexcept;

    double ceiling_ = 1.0;
    double kneeRatio_ = 0.5;
    double kneeStart_ = 0.5;
    double kneeEnd_ = 1.5;
    double kneeHalfWidth_ = 0.5; // (kneeEnd - kneeStart) / 2: the unit of the knee variable t
};

} // namespace calderine
