#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace calderine {

// Fixed ring that returns its input a whole number of samples later. Sized once at
// construction; processing never allocates.
class DelayLine {
public:
    // length in samples, >= 1 (throws std::invalid_argument for 0, std::bad_alloc when out of
    // memory). Starts silent.
    explicit DelayLine(std::uint32_t length);

    // Returns the input of length() calls earlier (0.0 until that many calls were made).
    double processSample(double input) noexcept {
        const double output = samples_[position_];
        samples_[position_] = input;
        if (++position_ == samples_.size()) {
            position_ = 0;
        }
        return output;
    }

    // output[i] = processSample(input[i]) for i = 0 .. count-1; input and output may be the
    // same array.
    void processBlock(const double* input, double* output, std::size_t count) noexcept {
        double* const ring = samples_.data();
        const std::size_t length = samples_.size();
        while (count > 0) {
            const std::size_t run = std::min(count, length - position_);
            double* const slots = ring + position_;
            for (std::size_t i = 0; i < run; ++i) {
                const double x = input[i]; // read before output[i] may overwrite it
                output[i] = slots[i];
                slots[i] = x;
            }
            position_ = position_ + run == length ? 0 : static_cast<std::uint32_t>(position_ + run);
            input += run;
            output += run;
            count -= run;
        }
    }

    void reset() noexcept;

    std::uint32_t length() const noexcept { return static_cast<std::uint32_t>(samples_.size()); }

private:
    std::vector<double> samples_;
    std::uint32_t position_ = 0; // next sample to read and overwrite
};

} // namespace calderine
