#include "effect/ParameterText.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace calderine {

namespace {

std::string_view trimmed(std::string_view text) noexcept {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool sameIgnoringCase(std::string_view a, const char* b) noexcept {
    if (b == nullptr || a.size() != std::strlen(b)) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// The whole text as a finite number, or false.
bool wholeNumber(std::string_view text, double& value) noexcept {
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') {
        text.remove_prefix(1); // from_chars takes no plus sign, people do type one
    }
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc{} && stop == end && std::isfinite(value);
}

} // namespace

void valueText(const Parameter& parameter, double plain, char* text) noexcept {
    parameter.displayText(plain, text);
    const char* unit = parameter.descriptor.unit;
    double number = 0.0;
    const std::size_t length = std::strlen(text);
    if (unit == nullptr || !wholeNumber({text, length}, number)) {
        return; // a word, or no unit to add
    }
    const std::size_t room = kValueTextLength - length;
    if (std::strlen(unit) + 1 <= room) {
        text[length] = ' ';
        std::strcpy(text + length + 1, unit);
    }
}

bool plainFromText(const Parameter& parameter, std::string_view text, double& plain) noexcept {
    const ParameterDescriptor& d = parameter.descriptor;
    text = trimmed(text);
    if (sameIgnoringCase(text, d.minimumText)) {
        plain = d.minimum;
        return true;
    }
    if (sameIgnoringCase(text, d.maximumText)) {
        plain = d.maximum;
        return true;
    }
    for (std::size_t i = 0; d.choices != nullptr && d.minimum + double(i) <= d.maximum; ++i) {
        if (sameIgnoringCase(text, d.choices[i])) {
            plain = d.minimum + double(i);
            return true;
        }
    }
    // The number ends where the unit begins.
    std::size_t numberEnd = text.size();
    if (d.unit != nullptr) {
        const std::size_t unitLength = std::strlen(d.unit);
        if (text.size() > unitLength &&
            sameIgnoringCase(text.substr(text.size() - unitLength), d.unit)) {
            numberEnd = text.size() - unitLength;
        }
    }
    double value = 0.0;
    if (!wholeNumber(trimmed(text.substr(0, numberEnd)), value)) {
        return false;
    }
    plain = parameter.roundedToDisplay(value);
    return true;
}

} // namespace calderine
