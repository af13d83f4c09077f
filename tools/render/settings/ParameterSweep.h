// What a parameter shows across its normalised range, read through display texts alone as a
// generic host reads any effect: the texts at a fine sweep of points, the numbers among them,
// and the range a person types values in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace calderine {

class HostedEffect;

struct ParameterSweep {
    // Sweeps parameter `index` of `effect` and leaves it at the value it had.
    ParameterSweep(HostedEffect& effect, std::int32_t index);

    std::vector<float> points; // rising from 0 to 1
    std::vector<std::string> texts;
    std::vector<std::optional<double>> numbers; // where a text is a number
    std::string label;                          // the unit, empty where the effect gives none

    bool showsNumbers() const { return firstNumber < numbers.size(); }
    // Points of the first and last text that is a number; valid where showsNumbers().
    std::size_t firstNumber = 0;
    std::size_t lastNumber = 0;
    double lowest = 0.0; // the smallest and largest number shown
    double highest = 0.0;
    // The finest difference the shown numbers can express: 0.1 for "-6.0", 1 for "12".
    double displayStep() const;

    // What values the parameter takes, as a person types them: "mute, -18.0 .. 18.0 dB",
    // "-40.0 .. 0.0 dB, off", "Mono, Stereo, M/S" (a list cut short after a dozen texts).
    std::string range() const;
};

} // namespace calderine
