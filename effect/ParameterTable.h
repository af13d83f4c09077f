#pragma once

#include "effect/ParameterDescriptor.h"

#include <array>
#include <cstddef>
#include <iterator>

namespace calderine {

// Parameter indices: the host's, and the positions in the effect core's parameter array.
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

inline constexpr const char* kStereoModeChoices[] = {"Mono", "Stereo", "M/S", "M", "S"};
inline constexpr const char* kBypassChoices[] = {"Off", "On"};

// The one description of every host parameter, in host index order.
// clang-format off
inline constexpr std::array<ParameterDescriptor, kParameterCount> kParameterTable{{
    // name                    unit     min    max    dflt kind                    minText  maxText  p  choices
    {"Tone_Gain",              "dB",    -18.0, 18.0,  0.0, ParameterKind::Decibel, "mute",  nullptr, 1, nullptr},
    {"NoiseClipper_Threshold", nullptr, -40.0, 0.0,   0.0, ParameterKind::Decibel, nullptr, "off",   1, nullptr},
    {"NoiseClipper_Emphasis",  nullptr, 0.0,   1.0,   0.0, ParameterKind::Linear,  nullptr, nullptr, 2, nullptr},
    {"Noise_Tilt",             nullptr, 0.0,   1.0,   0.5, ParameterKind::Linear,  nullptr, nullptr, 2, nullptr},
    {"Noise_Gain",             "dB",    -18.0, 18.0,  0.0, ParameterKind::Decibel, "mute",  nullptr, 1, nullptr},
    {"DryMix",                 "%",     0.0,   100.0, 0.0, ParameterKind::Percent, nullptr, nullptr, 1, nullptr},
    {"StereoMode",             nullptr, 0.0,   4.0,   1.0, ParameterKind::Linear,  nullptr, nullptr, 0, kStereoModeChoices},
    {"Bypass",                 nullptr, 0.0,   1.0,   0.0, ParameterKind::Switch,  nullptr, nullptr, 0, kBypassChoices},
    {"Tone_Tilt",              nullptr, 0.0,   1.0,   0.0, ParameterKind::Linear,  nullptr, nullptr, 2, nullptr},
    {"Separation_Slope",       nullptr, 0.0,   1.0,   0.0, ParameterKind::Linear,  nullptr, nullptr, 2, nullptr},
}};
// clang-format on

// A choice text is looked up by the plain value, so each array needs one text per whole number
// of its parameter's range.
constexpr bool choicesCoverRange(std::size_t index, const char* const* choices, std::size_t count) {
    const ParameterDescriptor& d = kParameterTable[index];
    return d.choices == choices && d.maximum - d.minimum + 1.0 == static_cast<double>(count);
}
static_assert(choicesCoverRange(parameterIndex::stereoMode, kStereoModeChoices,
                                std::size(kStereoModeChoices)));
static_assert(choicesCoverRange(parameterIndex::bypass, kBypassChoices, std::size(kBypassChoices)));

} // namespace calderine
