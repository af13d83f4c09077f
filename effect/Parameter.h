#pragma once

#include "effect/ParameterDescriptor.h"

#include <atomic>
#include <cmath>
#include <cstddef>

namespace calderine {

// The one rounding rule of the effect's control layer (display texts, engine values, stereo
// mode, bypass): half up, also for negative numbers, so -22.5 becomes -22.
inline double roundHalfUp(double x) noexcept {
    return std::floor(x + 0.5);
}

// One host-visible parameter: the normalised/plain mapping and display text of its descriptor,
// and the value/changed pair through which a new value is handed to the audio thread.
// The descriptor is a row of the static parameter table; a Parameter owns none of it.
class Parameter {
public:
    // Display texts have at most this many characters; buffers need one byte more.
    static constexpr std::size_t kDisplayLength = 8;

    // At the descriptor's default, unchanged. The descriptor must outlive the parameter, so a
    // temporary one is refused.
    explicit Parameter(const ParameterDescriptor& descriptor) noexcept
        : descriptor(descriptor), value(descriptor.defaultValue) {}
    explicit Parameter(const ParameterDescriptor&&) = delete;

    Parameter(const Parameter&) = delete;
    Parameter& operator=(const Parameter&) = delete;

    // Not clamped; narrowed to single precision.
    float toNormalized(double plain) const noexcept;
    // Always within [minimum, maximum]; anything not above 0 (NaN included) gives minimum.
    double fromNormalized(float normalized) const noexcept;
    // A plain value within [minimum, maximum] (NaN gives minimum), rounded half up to the
    // decimals the display shows.
    double roundedToDisplay(double plain) const noexcept;
    // Writes at most kDisplayLength characters and a terminating zero into text.
    void displayText(double plain, char* text) const noexcept;
    // The current value kept to `precision` decimals; for Decibel, as an amplitude factor.
    double engineValue() const noexcept;

    // Hand-over between the thread that sets values and the audio thread: the value is stored
    // before the flag is raised (release), and the flag is cleared before the value is read
    // (acquire), so whoever sees the flag also sees the value that raised it.
    void store(double plain) noexcept {
        value.store(plain, std::memory_order_release);
        changed.store(true, std::memory_order_release);
    }
    void markChanged() noexcept { changed.store(true, std::memory_order_release); }
    // Clears the flag and tells whether it was set; read the value only afterwards.
    // The plain load first keeps the common nothing-changed case free of locked instructions.
    bool takeChange() noexcept {
        return changed.load(std::memory_order_relaxed) &&
               changed.exchange(false, std::memory_order_acquire);
    }
    double current() const noexcept { return value.load(std::memory_order_acquire); }

    const ParameterDescriptor& descriptor; // static: names, range, kind, texts, precision
    std::atomic<double> value;             // plain value, in the parameter's own unit
    std::atomic<bool> changed{false};      // true while value has not reached the engines

private:
    std::size_t choiceCount() const noexcept;
    double scale() const noexcept; // 10^precision
};

} // namespace calderine
