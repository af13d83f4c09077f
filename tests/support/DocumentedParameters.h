#pragma once

#include <cstddef>

// The ten host parameters as the manual documents them, in host index order: name, unit label
// (empty for none), both ends of the range with their texts, and the default as plain value,
// normalised value and text. Written from the documentation, not read from the product's table,
// so the tests of each layer (the parameter, the plug-in, the built module) check the product
// against the same independent facts.
namespace calderine::testing {

struct DocumentedParameter {
    const char* name;
    const char* label;
    double minimum;
    const char* minimumDisplay;
    double maximum;
    const char* maximumDisplay;
    double defaultValue;
    float defaultNormalised;
    const char* defaultDisplay;
};

inline constexpr std::size_t kDocumentedParameterCount = 10;

// clang-format off
inline constexpr DocumentedParameter kDocumentedParameters[kDocumentedParameterCount] = {
    {"Tone_Gain",              "dB", -18.0, "mute",  18.0,  "18.0",  0.0, 0.5f,  "0.0"},
    {"NoiseClipper_Threshold", "",   -40.0, "-40.0", 0.0,   "off",   0.0, 1.0f,  "off"},
    {"NoiseClipper_Emphasis",  "",   0.0,   "0.00",  1.0,   "1.00",  0.0, 0.0f,  "0.00"},
    {"Noise_Tilt",             "",   0.0,   "0.00",  1.0,   "1.00",  0.5, 0.5f,  "0.50"},
    {"Noise_Gain",             "dB", -18.0, "mute",  18.0,  "18.0",  0.0, 0.5f,  "0.0"},
    {"DryMix",                 "%",  0.0,   "0.0",   100.0, "100.0", 0.0, 0.0f,  "0.0"},
    {"StereoMode",             "",   0.0,   "Mono",  4.0,   "S",     1.0, 0.25f, "Stereo"},
    {"Bypass",                 "",   0.0,   "Off",   1.0,   "On",    0.0, 0.0f,  "Off"},
    {"Tone_Tilt",              "",   0.0,   "0.00",  1.0,   "1.00",  0.0, 0.0f,  "0.00"},
    {"Separation_Slope",       "",   0.0,   "0.00",  1.0,   "1.00",  0.0, 0.0f,  "0.00"},
};
// clang-format on

} // namespace calderine::testing
