// Numbers written by people on a command line and by effects in their display texts,
// read the same way whatever the process locale.
#pragma once

#include <optional>
#include <string_view>

namespace calderine {

// A finite decimal number filling the whole text, surrounding blanks and a leading '+'
// allowed: "-6", "+6", "0.25", " 50.0". Nothing for "", "6dB", "nan", "inf".
std::optional<double> parseNumber(std::string_view text);

// A whole number of plain digits filling the whole text, within [0, limit].
std::optional<long long> parseCount(std::string_view text, long long limit);

} // namespace calderine
