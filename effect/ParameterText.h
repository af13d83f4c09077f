// A parameter's value as one text with its unit, both ways, for formats whose hosts show one
// text per value (the VST 2.4 host shows the unit apart, in its own field).
#pragma once

#include "effect/Parameter.h"

#include <cstddef>
#include <string_view>

namespace calderine {

// Display text, a space and the unit: "-6.0 dB", "25.0 %"; words stand alone ("mute", "M/S").
inline constexpr std::size_t kValueTextLength = Parameter::kDisplayLength + 3;

// Writes at most kValueTextLength characters and a terminating zero.
void valueText(const Parameter& parameter, double plain, char* text) noexcept;

// Reads what valueText writes, and what a user types: a number in the parameter's unit with or
// without the unit ("-6", "-6dB", "-6.0 dB"), or one of its words in any case ("MUTE", "m/s").
// True with the value clamped to the range and rounded as the display rounds it; false, with
// plain untouched, for anything else. Independent of the locale.
bool plainFromText(const Parameter& parameter, std::string_view text, double& plain) noexcept;

} // namespace calderine
