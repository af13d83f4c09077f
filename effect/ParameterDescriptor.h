// What describes a host parameter apart from its current value.
#pragma once

#include <cstdint>

namespace calderine {

// How a parameter maps the host's normalised value to its plain value and to engine units.
// The codes are part of the parameter table's data and stay fixed.
enum class ParameterKind : std::int32_t {
    Linear = 0,  // linear over [minimum, maximum]
    Decibel = 3, // linear in dB; the engine gets an amplitude factor
    Switch = 4,  // snaps to minimum below 0.5 and to maximum from 0.5 on
    Percent = 5, // normalised * 100, clamped to the range
};

// All texts and the choices array are static for the life of the library.
struct ParameterDescriptor {
    const char* name;
    const char* unit; // null: no unit, the host shows an empty label
    double minimum;   // plain value, in the parameter's own unit
    double maximum;
    double defaultValue;
    ParameterKind kind;
    const char* minimumText; // replaces the number at exactly minimum, or null
    const char* maximumText; // replaces the number at exactly maximum, or null
    std::int32_t precision;  // decimals shown and kept in the engine value
    // One text per whole number from minimum to maximum, or null.
    const char* const* choices;
};

} // namespace calderine
