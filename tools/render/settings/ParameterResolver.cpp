#include "tools/render/settings/ParameterResolver.h"

#include "tools/render/common/NumberText.h"
#include "tools/render/common/TextForms.h"
#include "tools/render/settings/ParameterSweep.h"
#include "tools/vsthost/HostedEffect.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace calderine {

namespace {

// The assignment as messages echo it: its text comes from a command line or a preset file.
std::string echoed(const ParameterAssignment& assignment) {
    return printable(assignment.parameter + "=" + assignment.value);
}

std::string trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(kBlanks) - first + 1));
}

float midpoint(float low, float high) {
    return static_cast<float>((static_cast<double>(low) + static_cast<double>(high)) * 0.5);
}

// The adjacent pair (a, b), low <= a < b <= high, with isAbove(a) false and isAbove(b) true,
// given isAbove(low) false and isAbove(high) true.
template <typename Predicate>
std::pair<float, float> boundary(float low, float high, Predicate isAbove) {
    for (;;) {
        const float middle = midpoint(low, high);
        if (middle <= low || middle >= high) {
            return {low, high};
        }
        (isAbove(middle) ? high : low) = middle;
    }
}

// Restores a parameter to the value it had when probing began, however probing ends.
class ParameterRestorer {
public:
    ParameterRestorer(HostedEffect& effect, std::int32_t index)
        : effect(effect), index(index), original(effect.parameter(index)) {}
    ~ParameterRestorer() {
        try {
            effect.setParameter(index, original);
        } catch (...) {
            // Only a closed effect refuses, and then there is nothing left to restore.
        }
    }
    ParameterRestorer(const ParameterRestorer&) = delete;
    ParameterRestorer& operator=(const ParameterRestorer&) = delete;

private:
    HostedEffect& effect;
    std::int32_t index;
    float original;
};

// "-6", "-6dB", "-6 db" where the parameter's unit is dB: the unit is optional, in any case,
// with or without a space; saved settings write it with one.
std::optional<double> numberInUnit(std::string_view text, std::string_view unit) {
    if (const auto plain = parseNumber(text)) {
        return plain;
    }
    if (unit.empty() || text.size() <= unit.size() ||
        lowerCase(text.substr(text.size() - unit.size())) != lowerCase(unit)) {
        return std::nullopt;
    }
    return parseNumber(text.substr(0, text.size() - unit.size()));
}

// "-20dB", "-20 dB": a number with a unit after it, whatever the unit.
bool numberWithUnit(std::string_view text) {
    const auto unitStart = text.find_first_not_of("+-.0123456789eE ");
    return unitStart != std::string_view::npos && unitStart > 0 &&
           parseNumber(text.substr(0, unitStart));
}

// The one text shown that equals `wanted` in any case: "on" for "On", "MUTE" for "mute". An
// exact match wins over others that differ only in case.
std::optional<std::string> shownText(const std::vector<std::string>& texts,
                                     const std::string& wanted) {
    if (std::find(texts.begin(), texts.end(), wanted) != texts.end()) {
        return wanted;
    }
    std::optional<std::string> caseless;
    for (const std::string& shown : texts) {
        if (lowerCase(shown) == lowerCase(wanted)) {
            if (caseless && *caseless != shown) {
                return std::nullopt;
            }
            caseless = shown;
        }
    }
    return caseless;
}

std::string shownNumber(const ParameterSweep& probe, double value) {
    for (std::size_t i = 0; i < probe.numbers.size(); ++i) {
        if (probe.numbers[i] == value) {
            return probe.texts[i];
        }
    }
    return std::to_string(value);
}

} // namespace

ParameterResolver::ParameterResolver(HostedEffect& effect) : effect(effect) {}

std::string ParameterResolver::displayAt(std::int32_t index, float normalised) {
    effect.setParameter(index, normalised);
    return effect.parameterDisplay(index);
}

std::string ParameterResolver::range(std::int32_t index) {
    return ParameterSweep(effect, index).range();
}

void ParameterResolver::fail(const ParameterAssignment& assignment, const std::string& problem,
                             std::int32_t index, const ParameterSweep& probe) {
    throw ParameterError(echoed(assignment) + ": " + problem + "; " +
                         printable(effect.parameterName(index)) + " takes " +
                         printable(probe.range()));
}

void ParameterResolver::failUnknown(const ParameterAssignment& assignment) {
    // Names only, on the one line of an error; --help lists their values.
    std::string names;
    for (std::int32_t index = 0; index < effect.parameterCount(); ++index) {
        names += index == 0 ? " " : ", ";
        if (assignment.normalised) {
            names += std::to_string(index) + " ";
        }
        names += printable(effect.parameterName(index));
    }
    throw ParameterError(echoed(assignment) + ": unknown parameter '" +
                         printable(assignment.parameter) + "'; the parameters" +
                         (assignment.normalised ? " by index and name" : "") + " are" + names +
                         " (--help lists their values)");
}

std::int32_t ParameterResolver::findIndex(const ParameterAssignment& assignment) {
    const std::int32_t count = effect.parameterCount();
    if (assignment.normalised) {
        if (const auto index = parseCount(assignment.parameter, count - 1L)) {
            return static_cast<std::int32_t>(*index);
        }
    }
    std::optional<std::int32_t> caseless;
    bool ambiguous = false;
    for (std::int32_t index = 0; index < count; ++index) {
        const std::string name = effect.parameterName(index);
        if (name == assignment.parameter) {
            return index;
        }
        if (lowerCase(name) == lowerCase(assignment.parameter)) {
            ambiguous = caseless.has_value();
            caseless = index;
        }
    }
    if (!caseless || ambiguous) {
        failUnknown(assignment);
    }
    return *caseless;
}

float ParameterResolver::byText(std::int32_t index, const ParameterSweep& probe,
                                const std::string& wanted) {
    const auto& texts = probe.texts;
    const auto first = std::find(texts.begin(), texts.end(), wanted);
    const auto firstIndex = static_cast<std::size_t>(first - texts.begin());
    auto last = firstIndex;
    while (last + 1 < texts.size() && texts[last + 1] == wanted) {
        ++last;
    }
    // A text shown at an end of the range stands for that end exactly: "mute" and "off" are
    // often shown only there, and an end is never at the edge of rounding.
    if (firstIndex == 0) {
        return probe.points.front();
    }
    if (last + 1 == texts.size()) {
        return probe.points.back();
    }
    // The sweep only brackets the run of this text; its true edges lie between the samples.
    auto shows = [&](float point) { return displayAt(index, point) == wanted; };
    auto hides = [&](float point) { return !shows(point); };
    const float low =
        boundary(probe.points[firstIndex - 1], probe.points[firstIndex], shows).second;
    const float high = boundary(probe.points[last], probe.points[last + 1], hides).first;
    const float middle = midpoint(low, high);
    return shows(middle) ? middle : low;
}

float ParameterResolver::byNumber(std::int32_t index, const ParameterSweep& probe, double wanted,
                                  const ParameterAssignment& assignment) {
    // Within half a display step beyond an end, the value reads as that end to the precision
    // the effect shows ("-18.04" as "-18.0"): taken as the end, with a note. Further out it
    // names a setting the parameter does not have.
    const double margin = probe.displayStep() / 2.0;
    const double clampedValue = std::clamp(wanted, probe.lowest, probe.highest);
    if (std::abs(clampedValue - wanted) > margin * (1.0 + 1e-9)) {
        fail(assignment, "out of range", index, probe);
    }
    wanted = clampedValue;

    const float start = probe.points[probe.firstNumber];
    const float end = probe.points[probe.lastNumber];
    const double direction =
        *probe.numbers[probe.lastNumber] >= *probe.numbers[probe.firstNumber] ? 1 : -1;
    // Position along the direction in which the shown number grows.
    auto rank = [&](float point) {
        const auto shown = parseNumber(displayAt(index, point));
        if (!shown) {
            fail(assignment,
                 printable(effect.parameterName(index)) + " shows a word amid its numbers", index,
                 probe);
        }
        return direction * *shown;
    };
    auto reaches = [&](double target) {
        return [&rank, target = direction * target](float point) { return rank(point) >= target; };
    };
    auto passes = [&](double target) {
        return [&rank, target = direction * target](float point) { return rank(point) > target; };
    };
    if (!reaches(wanted)(end)) {
        fail(assignment,
             printable(effect.parameterName(index)) + " does not show its numbers in order", index,
             probe);
    }

    // The shown values nearest the wanted one lie on either side of where it is reached.
    double target = direction * rank(start);
    if (!reaches(wanted)(start)) {
        const auto [below, above] = boundary(start, end, reaches(wanted));
        const double shownBelow = direction * rank(below);
        const double shownAbove = direction * rank(above);
        target = std::abs(shownAbove - wanted) <= std::abs(shownBelow - wanted) ? shownAbove
                                                                                : shownBelow;
    }
    // The middle of the stretch that shows the target stays clear of rounding at its edges.
    const float low = reaches(target)(start) ? start : boundary(start, end, reaches(target)).second;
    const float high = passes(target)(end) ? boundary(start, end, passes(target)).first : end;
    const float middle = midpoint(low, high);
    return direction * rank(middle) == target ? middle : low;
}

ParameterChange ParameterResolver::resolve(const ParameterAssignment& assignment,
                                           std::string* note) {
    const std::int32_t index = findIndex(assignment);
    if (assignment.normalised) {
        const auto value = parseNumber(assignment.value);
        if (!value || *value < 0.0 || *value > 1.0) {
            throw ParameterError(echoed(assignment) +
                                 ": a normalised value is a number from 0 to 1");
        }
        return {index, static_cast<float>(*value)};
    }

    const ParameterRestorer restorer(effect, index);
    const ParameterSweep probe(effect, index);
    // Blanks around a value are a person's, never the effect's ("Tone_Gain= -6 dB").
    const std::string value = trimmed(assignment.value);
    const auto number = numberInUnit(value, probe.label);
    if (number && probe.showsNumbers()) {
        const ParameterChange change{index, byNumber(index, probe, *number, assignment)};
        if (note != nullptr && (*number < probe.lowest || *number > probe.highest)) {
            const bool below = *number < probe.lowest;
            const std::string end =
                printable(shownNumber(probe, below ? probe.lowest : probe.highest));
            *note = echoed(assignment) + ": " + (below ? "below " : "above ") + end + ", the " +
                    (below ? "lowest" : "highest") + " number it shows; " + end + " taken";
        }
        return change;
    }
    if (const auto shown = shownText(probe.texts, value)) {
        return {index, byText(index, probe, *shown)};
    }
    if (probe.label.empty() && probe.showsNumbers() && numberWithUnit(value)) {
        // Only the effect's own label tells a host a parameter's unit; where it shows none,
        // the tool cannot tell what unit the number is in.
        fail(assignment, "the effect shows no unit for it; give the number alone", index, probe);
    }
    fail(assignment, "not a value it shows", index, probe);
}

} // namespace calderine
