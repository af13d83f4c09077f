#pragma once

#include <cmath>

// Level conversion, and how the engine's shaping parameters (each in 0..1) become tilt designs.
// Written once here so that the parameters, the channel engine and their tests agree on them.
namespace calderine::shaping {

// Corner of every tilt design, in Hz; divided by the sample rate to get the design frequency.
inline constexpr double kTiltCornerHz = 650.0;
// Parameter value 1 tilts each shelf by this many dB.
inline constexpr double kTiltDecibelsAtFullScale = 10.0;
// Parameter value 1 emphasises each shelf by this many dB (de-emphasis undoes it).
inline constexpr double kEmphasisDecibelsAtFullScale = 5.0;

inline double decibelsToGain(double decibels) noexcept {
    return std::pow(10.0, decibels * 0.05);
}

// sampleRate in Hz, > 0; result in cycles per sample.
inline double tiltFrequency(double sampleRate) noexcept {
    return kTiltCornerHz / sampleRate;
}

inline double tiltGain(double value) noexcept {
    return decibelsToGain(kTiltDecibelsAtFullScale * value);
}

inline double emphasisGain(double value) noexcept {
    return decibelsToGain(value * kEmphasisDecibelsAtFullScale);
}

} // namespace calderine::shaping
