// Turns --set NAME=VALUE into the normalised value a generic host can hand over. A host
// exchanges only normalised values and display texts with an effect, so the value is found
// by asking the effect what it shows: an exact text over a sweep of the range for choices
// ("M/S", "On", "mute"), a bisection on the shown number for numeric parameters, which must
// show numbers that rise or fall steadily with the normalised value. Every effect is read the
// same way: names, words and units in any case, the unit optional.
#pragma once

#include "tools/render/settings/ParameterAssignment.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace calderine {

class HostedEffect;
struct ParameterSweep;

// An assignment the effect cannot take, in one line: the message names the parameter and its
// range, or for an unknown name lists the names.
class ParameterError : public std::runtime_error {
public:
    explicit ParameterError(const std::string& message) : std::runtime_error(message) {}
};

struct ParameterChange {
    std::int32_t index = 0;
    float normalised = 0.0f;
};

class ParameterResolver {
public:
    explicit ParameterResolver(HostedEffect& effect);

    // Probes the effect's parameter and leaves it at the value it had; throws ParameterError.
    // Where a value just beyond the range is taken as its end, says so in `note` (if given):
    // "Tone_Gain=-18.04: below -18.0, the lowest number it shows; -18.0 taken".
    ParameterChange resolve(const ParameterAssignment& assignment, std::string* note = nullptr);

    // "mute, -18.0 .. 18.0 dB", "Mono, Stereo, M/S": what parameter `index` takes.
    std::string range(std::int32_t index);

private:
    std::int32_t findIndex(const ParameterAssignment& assignment);
    std::string displayAt(std::int32_t index, float normalised);
    float byNumber(std::int32_t index, const ParameterSweep& probe, double wanted,
                   const ParameterAssignment& assignment);
    float byText(std::int32_t index, const ParameterSweep& probe, const std::string& wanted);
    [[noreturn]] void fail(const ParameterAssignment& assignment, const std::string& problem,
                           std::int32_t index, const ParameterSweep& probe);
    [[noreturn]] void failUnknown(const ParameterAssignment& assignment);

    HostedEffect& effect;
};

} // namespace calderine
