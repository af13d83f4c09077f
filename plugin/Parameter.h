#pragma once

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace calderine {

// The one rounding rule of the plug-in's control layer (display texts, engine values, stereo
// mode, bypass): half up, also for negative numbers, so -22.5 becomes -22.
inline double roundHalfUp(double x) noexcept {
    return std::floor(x + 0.5);
}

// How a parameter maps the host's normalised value to its plain value and to engine units.
// The codes are part of the parameter table's data and stay fixed.
enum class ParameterKind : std::int32_t {
    Linear = 0,  // linear over [minimum, maximum]
    Decibel = 3, // linear in dB; the engine gets an amplitude factor
    Switch = 4,  // snaps to minimum below 0.5 and to maximum from 0.5 on
    Percent = 5, // normalised * 100, clamped to the range
};

// One host-visible parameter: its descriptor, the normalised/plain mapping, the display text,
// and the value/changed pair through which a new value is handed to the audio thread.
// All texts and the choices array are static; a Parameter owns none of them.
class Parameter {
public:
    // Display texts have at most this many characters; buffers need one byte more.
    static constexpr std::size_t kDisplayLength = 8;

    // An empty unit is stored as null. choices, when set, holds one text per whole number from
    // minimum to maximum.
    Parameter(const char* name, const char* unit, double minimum, double maximum,
              double defaultValue, ParameterKind kind, const char* minimumText,
              const char* maximumText, std::int32_t precision, const char* const* choices) noexcept;

    Parameter(const Parameter&) = delete;
    Parameter& operator=(const Parameter&) = delete;

    // Not clamped; narrowed to single precision.
    float toNormalized(double plain) const noexcept;
    // Always within [minimum, maximum]; anything not above 0 (NaN included) gives minimum.
    double fromNormalized(float normalized) const noexcept;
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

    const char* const name;
    const char* const unit; // null when the parameter has no unit
    const double minimum;
    const double maximum;
    const ParameterKind kind;
    const char* const minimumText; // replaces the number at exactly minimum, or null
    const char* const maximumText; // replaces the number at exactly maximum, or null
    const char* const* const choices;
    const std::int32_t precision; // decimals shown and kept in engineValue

    std::atomic<double> value;        // plain value, in the parameter's own unit
    std::atomic<bool> changed{false}; // true while value has not reached the engines

private:
    std::size_t choiceCount() const noexcept;
    double scale() const noexcept; // 10^precision
};

} // namespace calderine
