#include "shaping/NoiseClipper.h"

namespace calderine {

void NoiseClipper::setThreshold(double threshold) noexcept {
    ceiling_ = threshold;
    deriveKnee();
}

void NoiseClipper::setKneeRatio(double ratio) noexcept {
    kneeRatio_ = ratio;
    deriveKnee();
}

// The knee is symmetric about the ceiling: it starts kneeRatio * ceiling and ends as far above.
void NoiseClipper::deriveKnee() noexcept {
    kneeStart_ = kneeRatio_ * ceiling_;
    kneeEnd_ = (2.0 - kneeRatio_) * ceiling_;
    kneeHalfWidth_ = (kneeEnd_ - kneeStart_) * 0.5;
}

} // namespace calderine
