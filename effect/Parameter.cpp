#include "effect/Parameter.h"

#include "shaping/ShapingLaws.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace calderine {

namespace {

void copyDisplay(const char* source, std::size_t length, char* text) noexcept {
    const std::size_t count = std::min(length, Parameter::kDisplayLength);
    std::memcpy(text, source, count);
    text[count] = '\0';
}

void copyDisplay(const char* source, char* text) noexcept {
    copyDisplay(source, std::strlen(source), text);
}

// Integers are written whole where they fit; other magnitudes fall back to the double form
// so that no input can overflow a conversion.
constexpr double kLargestWholeDisplay = 1e15;

// Room for any double in fixed notation (309 integer digits) with a few decimals.
constexpr std::size_t kFormatCapacity = 400;

} // namespace

float Parameter::toNormalized(double plain) const noexcept {
    const ParameterDescriptor& d = descriptor;
    if (d.kind == ParameterKind::Percent) {
        return static_cast<float>(plain * 0.01);
    }
    return static_cast<float>((plain - d.minimum) / (d.maximum - d.minimum));
}

double Parameter::fromNormalized(float normalized) const noexcept {
    const ParameterDescriptor& d = descriptor;
    const double n = normalized;
    // Written as !(n > 0) so that NaN, which no host should send, also lands on minimum.
    if (!(n > 0.0)) {
        return d.minimum;
    }
    if (n >= 1.0) {
        return d.maximum;
    }
    switch (d.kind) {
    case ParameterKind::Percent: {
        const double percent = n * 100.0;
        return percent < d.minimum ? d.minimum : (percent > d.maximum ? d.maximum : percent);
    }
    case ParameterKind::Switch:
        return d.minimum + (d.maximum - d.minimum) * (n < 0.5 ? 0.0 : 1.0);
    case ParameterKind::Linear:
    case ParameterKind::Decibel:
        break;
    }
    return d.minimum + (d.maximum - d.minimum) * n;
}

double Parameter::roundedToDisplay(double plain) const noexcept {
    const ParameterDescriptor& d = descriptor;
    // Written as !(plain > minimum) so that NaN lands on minimum.
    const double clamped = !(plain > d.minimum) ? d.minimum : std::min(plain, d.maximum);
    const double s = scale();
    return roundHalfUp(clamped * s) / s;
}

void Parameter::displayText(double plain, char* text) const noexcept {
    const ParameterDescriptor& d = descriptor;
    if (d.choices != nullptr) {
        // Clamped so that a value outside the range (or NaN) still names a valid entry.
        const double index = roundHalfUp(plain - d.minimum);
        const double last = static_cast<double>(choiceCount() - 1);
        const std::size_t i = index > 0.0 ? static_cast<std::size_t>(std::min(index, last)) : 0;
        copyDisplay(d.choices[i], text);
        return;
    }
    if (plain == d.minimum && d.minimumText != nullptr) {
        copyDisplay(d.minimumText, text);
        return;
    }
    if (plain == d.maximum && d.maximumText != nullptr) {
        copyDisplay(d.maximumText, text);
        return;
    }

    // std::to_chars is locale-independent: a host running with a comma decimal separator
    // still sees "2.3".
    char buffer[kFormatCapacity];
    std::to_chars_result result{};
    if (d.precision <= 0) {
        const double whole = roundHalfUp(plain);
        if (std::fabs(whole) < kLargestWholeDisplay) {
            result = std::to_chars(buffer, buffer + kFormatCapacity, static_cast<long long>(whole));
        } else {
            result = std::to_chars(buffer, buffer + kFormatCapacity, whole);
        }
    } else {
        const double s = scale();
        const double rounded = roundHalfUp(plain * s) / s;
        result = std::to_chars(buffer, buffer + kFormatCapacity, rounded, std::chars_format::fixed,
                               d.precision);
        if (result.ec != std::errc{}) {
            result = std::to_chars(buffer, buffer + kFormatCapacity, rounded);
        }
    }
    const std::size_t length =
        result.ec == std::errc{} ? static_cast<std::size_t>(result.ptr - buffer) : 0;
    copyDisplay(buffer, length, text);
}

double Parameter::engineValue() const noexcept {
    const double s = scale();
    const double rounded = roundHalfUp(current() * s) / s;
    if (descriptor.kind == ParameterKind::Decibel) {
        return shaping::decibelsToGain(rounded);
    }
    return rounded;
}

// One entry per whole number from minimum to maximum.
std::size_t Parameter::choiceCount() const noexcept {
    return static_cast<std::size_t>(roundHalfUp(descriptor.maximum - descriptor.minimum)) + 1;
}

// Exact for the small precisions in use.
double Parameter::scale() const noexcept {
    double s = 1.0;
    for (std::int32_t i = 0; i < descriptor.precision; ++i) {
        s *= 10.0;
    }
    return s;
}

} // namespace calderine
