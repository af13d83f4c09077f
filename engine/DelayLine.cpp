#include "engine/DelayLine.h"

#include <algorithm>
#include <stdexcept>

namespace calderine {

DelayLine::DelayLine(std::uint32_t length) {
    // An empty ring has no slot to read the delayed sample from.
    if (length == 0) {
        throw std::invalid_argument("DelayLine: length must be at least one sample");
    }
    samples_.assign(length, 0.0);
}

void DelayLine::reset() noexcept {
    std::fill(samples_.begin(), samples_.end(), 0.0);
    position_ = 0;
}

} // namespace calderine
