#pragma once

#include "plugin/Parameter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace calderine {

// Host parameter indices; also the positions in the plugin's parameter array.
namespace parameterIndex {
inline constexpr std::size_t toneGain = 0;
inline constexpr std::size_t clipperThreshold = 1;
inline constexpr std::size_t clipperEmphasis = 2;
inline constexpr std::size_t noiseTilt = 3;
inline constexpr std::size_t noiseGain = 4;
inline constexpr std::size_t dryMix = 5;
inline constexpr std::size_t stereoMode = 6;
inline constexpr std::size_t bypass = 7;
inline constexpr std::size_t toneTilt = 8;
inline constexpr std::size_t separationSlope = 9;
} // namespace parameterIndex

inline constexpr std::size_t kParameterCount = 10;

// Everything that describes a parameter apart from its current value, in constructor order.
struct ParameterDescriptor {
    const char* name;
    const char* unit; // empty: no unit
    double minimum;
    double maximum;
    double defaultValue;
    ParameterKind kind;
    const char* minimumText;
    const char* maximumText;
    std::int32_t precision;
    const char* const* choices;
};

inline constexpr const char* kStereoModeChoices[] = {"Mono", "Stereo", "M/S", "M", "S"};
inline constexpr const char* kBypassChoices[] = {"Off", "On"};

// clang-format off
inline constexpr std::array<ParameterDescriptor, kParameterCount> kParameterTable{{
    // name                      unit  min    max    default kind                      minText maxText prec choices
    {"Tone_Gain",                "dB", -18.0, 18.0,  0.0, ParameterKind::Decibel, "mute",  nullptr, 1, nullptr},
    {"NoiseClipper_Threshold",   "",   -40.0, 0.0,   0.0, ParameterKind::Decibel, nullptr, "off",   1, nullptr},
    {"NoiseClipper_Emphasis",    "",   0.0,   1.0,   0.0, ParameterKind::Linear,  nullptr, nullptr, 2, nullptr},
    {"Noise_Tilt",               "",   0.0,   1.0,   0.5, ParameterKind::Linear,  nullptr, nullptr, 2, nullptr},
    {"Noise_Gain",               "dB", -18.0, 18.0,  0.0, ParameterKind::Decibel, "mute",  nullptr, 1, nullptr},
    {"DryMix",                   "%",  0.0,   100.0, 0.0, ParameterKind::Percent, nullptr, nullptr, 1, nullptr},
    {"StereoMode",               "",   0.0,   4.0,   1.0, ParameterKind::Linear,  nullptr, nullptr, 0, kStereoModeChoices},
    {"Bypass",                   "",   0.0,   1.0,   0.0, ParameterKind::Switch,  nullptr, nullptr, 0, kBypassChoices},
    {"Tone_Tilt",                "",   0.0,   1.0,   0.0, ParameterKind::Linear,  nullptr, nullptr, 2, nullptr},
    {"Separation_Slope",         "",   0.0,   1.0,   0.0, ParameterKind::Linear,  nullptr, nullptr, 2, nullptr},
}};
// clang-format on

// A parameter at its default, unchanged.
std::unique_ptr<Parameter> createParameter(const ParameterDescriptor& descriptor);

// All ten, in index order. Throws std::bad_alloc if memory runs out.
std::array<std::unique_ptr<Parameter>, kParameterCount> createParameters();

} // namespace calderine
