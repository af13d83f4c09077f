#include "tools/render/settings/ParameterSweep.h"

#include "tools/render/common/NumberText.h"
#include "tools/vsthost/HostedEffect.h"

#include <algorithm>
#include <cmath>

namespace calderine {

namespace {

// Steps of the sweep over the normalised range. Choices narrower than one step could be
// missed; effects offer a handful of choices, not hundreds.
constexpr int kSweepSteps = 1024;
// Longest list of texts shown for a parameter that shows no numbers.
constexpr std::size_t kMaxListedChoices = 12;

// Each text once, in the order first shown, from texts [begin, end).
std::vector<std::string> distinct(const std::vector<std::string>& texts, std::size_t begin,
                                  std::size_t end) {
    std::vector<std::string> seen;
    for (std::size_t i = begin; i < end; ++i) {
        if (std::find(seen.begin(), seen.end(), texts[i]) == seen.end()) {
            seen.push_back(texts[i]);
        }
    }
    return seen;
}

std::string joined(const std::vector<std::string>& texts) {
    std::string text;
    for (const std::string& one : texts) {
        text += (text.empty() ? "" : ", ") + one;
    }
    return text;
}

// Digits after the decimal point of a shown number: 1 for "-6.0", 0 for "12".
int decimals(const std::string& text) {
    const auto point = text.find('.');
    if (point == std::string::npos) {
        return 0;
    }
    int count = 0;
    for (std::size_t i = point + 1; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        ++count;
    }
    return count;
}

} // namespace

ParameterSweep::ParameterSweep(HostedEffect& effect, std::int32_t index)
    : label(effect.parameterLabel(index)) {
    const float original = effect.parameter(index);
    // Both ends and their nearest neighbours: effects often show a word exactly at an end
    // ("mute", "off") and the number next to it.
    points.push_back(0.0f);
    points.push_back(std::nextafter(0.0f, 1.0f));
    for (int step = 1; step < kSweepSteps; ++step) {
        points.push_back(static_cast<float>(step) / kSweepSteps);
    }
    points.push_back(std::nextafter(1.0f, 0.0f));
    points.push_back(1.0f);
    for (const float point : points) {
        effect.setParameter(index, point);
        texts.push_back(effect.parameterDisplay(index));
        numbers.push_back(parseNumber(texts.back()));
    }
    effect.setParameter(index, original);

    firstNumber = numbers.size();
    lowest = HUGE_VAL;
    highest = -HUGE_VAL;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (const auto& number = numbers[i]) {
            firstNumber = std::min(firstNumber, i);
            lastNumber = i;
            lowest = std::min(lowest, *number);
            highest = std::max(highest, *number);
        }
    }
}

double ParameterSweep::displayStep() const {
    if (!showsNumbers()) {
        return 0.0;
    }
    const int shown = std::max(decimals(texts[firstNumber]), decimals(texts[lastNumber]));
    return std::pow(10.0, -shown);
}

std::string ParameterSweep::range() const {
    if (!showsNumbers()) {
        std::vector<std::string> choices = distinct(texts, 0, texts.size());
        const bool cut = choices.size() > kMaxListedChoices;
        choices.resize(std::min(choices.size(), kMaxListedChoices));
        return joined(choices) + (cut ? ", ..." : "");
    }
    // Words at the ends ("mute", "off") stand for a setting of their own beside the numbers.
    std::string text = joined(distinct(texts, 0, firstNumber));
    text += (text.empty() ? "" : ", ") + texts[firstNumber] + " .. " + texts[lastNumber];
    if (!label.empty()) {
        text += " " + label;
    }
    const std::string after = joined(distinct(texts, lastNumber + 1, texts.size()));
    return text + (after.empty() ? "" : ", " + after);
}

} // namespace calderine
