// Turns --set NAME=VALUE into the normalised value a generic host can hand over. A host
// exchanges only normalised values and display texts with an effect, so the value is found
// by asking the effect what it shows: an exact text over a sweep of the range for choices
// ("M/S", "On", "mute"), a bisection on the shown number for numeric parameters, which must
// show numbers that rise or fall steadily with the normalised value.
#pragma once

#include "tools/render/settings/ParameterAssignment.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace calderine {

class HostedEffect;

// An assignment the effect cannot take; the message lists every parameter with its range.
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
    ParameterChange resolve(const ParameterAssignment& assignment);

    // "Tone_Gain (mute .. 18.0 dB)" or "StereoMode (Mono, Stereo, M/S)", one per parameter,
    // separated by ", ".
    std::string describeParameters();

private:
    struct Sweep;

    std::int32_t findIndex(const ParameterAssignment& assignment);
    std::string displayAt(std::int32_t index, float normalised);
    Sweep sweep(std::int32_t index);
    std::string describe(std::int32_t index, const Sweep& probe);
    float byNumber(std::int32_t index, const Sweep& probe, double wanted,
                   const ParameterAssignment& assignment);
    float byText(std::int32_t index, const Sweep& probe, const std::string& wanted);
    [[noreturn]] void fail(const ParameterAssignment& assignment, const std::string& problem);

    HostedEffect& effect;
};

} // namespace calderine
