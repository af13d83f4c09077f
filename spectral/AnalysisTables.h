#pragma once

#include <cstddef>
#include <vector>

namespace calderine {

// The fixed tables of the frame analysis, built once per separator.

// size points of one main lobe of sin(pi x) / (pi x) for x from -1 to +1 (the Lanczos window),
// applied to a frame before its transform. size >= 2.
std::vector<double> makeAnalysisWindow(std::size_t size);

// The falling half of a 2 * size point 7-term Blackman-Harris window: 0.99999999708 at tap 0,
// close to zero at tap size - 1, so that a kernel fades out instead of being cut off.
std::vector<double> makeKernelWindow(std::size_t size);

// Amplitude weights for the size / 2 + 1 bins of a size-point transform at sampleRate (Hz): 1.0
// at bins 0 and 1, +3 dB per octave from there, flat from 12 kHz up. A rate for which the curve
// is undefined (0, NaN) gets no weighting rather than NaN weights.
std::vector<double> makeSlopeCurve(std::size_t size, double sampleRate);

} // namespace calderine
