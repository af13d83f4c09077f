#include "tools/render/settings/ParameterResolver.h"

#include "tools/render/common/NumberText.h"
#include "tools/vsthost/HostedEffect.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <utility>

namespace calderine {

namespace {

// Steps of the sweep over the normalised range. Choices narrower than one step could be
// missed; effects offer a handful of choices, not hundreds.
constexpr int kSweepSteps = 1024;
// Longest list of texts shown for a parameter that shows no numbers.
constexpr std::size_t kMaxListedChoices = 12;

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
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

// "-6 dB" or "-6dB" where the parameter's unit is dB, as saved settings write numbers.
std::optional<double> numberInUnit(std::string_view text, std::string_view unit) {
    if (const auto plain = parseNumber(text)) {
        return plain;
    }
    if (unit.empty() || !text.ends_with(unit)) {
        return std::nullopt;
    }
    return parseNumber(text.substr(0, text.size() - unit.size()));
}

} // namespace

struct ParameterResolver::Sweep {
    std::vector<float> points;
    std::vector<std::string> texts;
    std::vector<std::optional<double>> numbers;

    bool showsNumbers() const {
        return std::any_of(numbers.begin(), numbers.end(), [](const auto& n) { return n; });
    }
};

ParameterResolver::ParameterResolver(HostedEffect& effect) : effect(effect) {}

std::string ParameterResolver::displayAt(std::int32_t index, float normalised) {
    effect.setParameter(index, normalised);
    return effect.parameterDisplay(index);
}

ParameterResolver::Sweep ParameterResolver::sweep(std::int32_t index) {
    Sweep probe;
    // Both ends and their nearest neighbours: effects often show a word exactly at an end
    // ("mute", "off") and the number next to it.
    probe.points.push_back(0.0f);
    probe.points.push_back(std::nextafter(0.0f, 1.0f));
    for (int step = 1; step < kSweepSteps; ++step) {
        probe.points.push_back(static_cast<float>(step) / kSweepSteps);
    }
    probe.points.push_back(std::nextafter(1.0f, 0.0f));
    probe.points.push_back(1.0f);
    for (const float point : probe.points) {
        probe.texts.push_back(displayAt(index, point));
        probe.numbers.push_back(parseNumber(probe.texts.back()));
    }
    return probe;
}

std::string ParameterResolver::describe(std::int32_t index, const Sweep& probe) {
    std::string text = effect.parameterName(index) + " (";
    std::vector<std::string> distinct;
    for (const std::string& shown : probe.texts) {
        if (std::find(distinct.begin(), distinct.end(), shown) == distinct.end()) {
            distinct.push_back(shown);
        }
    }
    if (!probe.showsNumbers() && distinct.size() <= kMaxListedChoices) {
        for (std::size_t i = 0; i < distinct.size(); ++i) {
            text += (i == 0 ? "" : ", ") + distinct[i];
        }
        return text + ")";
    }
    text += probe.texts.front() + " .. " + probe.texts.back();
    if (const std::string label = effect.parameterLabel(index); !label.empty()) {
        text += " " + label;
    }
    return text + ")";
}

std::string ParameterResolver::describeParameters() {
    std::string list;
    for (std::int32_t index = 0; index < effect.parameterCount(); ++index) {
        const ParameterRestorer restorer(effect, index);
        list += (index == 0 ? "" : ", ") + describe(index, sweep(index));
    }
    return list;
}

void ParameterResolver::fail(const ParameterAssignment& assignment, const std::string& problem) {
    throw ParameterError(assignment.parameter + "=" + assignment.value + ": " + problem +
                         "; parameters: " + describeParameters());
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
        fail(assignment, "unknown parameter '" + assignment.parameter + "'");
    }
    return *caseless;
}

float ParameterResolver::byText(std::int32_t index, const Sweep& probe, const std::string& wanted) {
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

float ParameterResolver::byNumber(std::int32_t index, const Sweep& probe, double wanted,
                                  const ParameterAssignment& assignment) {
    std::size_t firstNumber = probe.numbers.size();
    std::size_t lastNumber = 0;
    double lowest = HUGE_VAL;
    double highest = -HUGE_VAL;
    for (std::size_t i = 0; i < probe.numbers.size(); ++i) {
        if (const auto& number = probe.numbers[i]) {
            firstNumber = std::min(firstNumber, i);
            lastNumber = i;
            lowest = std::min(lowest, *number);
            highest = std::max(highest, *number);
        }
    }
    if (wanted < lowest || wanted > highest) {
        fail(assignment, "out of range");
    }
    const float start = probe.points[firstNumber];
    const float end = probe.points[lastNumber];
    const double direction = *probe.numbers[lastNumber] >= *probe.numbers[firstNumber] ? 1 : -1;
    // Position along the direction in which the shown number grows.
    auto rank = [&](float point) {
        const auto shown = parseNumber(displayAt(index, point));
        if (!shown) {
            fail(assignment, effect.parameterName(index) + " shows a word amid its numbers");
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
        fail(assignment, effect.parameterName(index) + " does not show its numbers in order");
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

ParameterChange ParameterResolver::resolve(const ParameterAssignment& assignment) {
    const std::int32_t index = findIndex(assignment);
    if (assignment.normalised) {
        const auto value = parseNumber(assignment.value);
        if (!value || *value < 0.0 || *value > 1.0) {
            fail(assignment, "a normalised value is a number from 0 to 1");
        }
        return {index, static_cast<float>(*value)};
    }

    const ParameterRestorer restorer(effect, index);
    const Sweep probe = sweep(index);
    const auto number = numberInUnit(assignment.value, effect.parameterLabel(index));
    if (number && probe.showsNumbers()) {
        return {index, byNumber(index, probe, *number, assignment)};
    }
    if (std::find(probe.texts.begin(), probe.texts.end(), assignment.value) != probe.texts.end()) {
        return {index, byText(index, probe, assignment.value)};
    }
    // "on" for "On", as long as only one text fits.
    std::optional<std::string> caseless;
    for (const std::string& shown : probe.texts) {
        if (lowerCase(shown) == lowerCase(assignment.value)) {
            if (caseless && *caseless != shown) {
                caseless.reset();
                break;
            }
            caseless = shown;
        }
    }
    if (caseless) {
        return {index, byText(index, probe, *caseless)};
    }
    fail(assignment, "not a value " + effect.parameterName(index) + " takes");
}

} // namespace calderine
