#pragma once

// Butterfly constants of the real FFT passes. The radix-3 and radix-5 values are the classic
// 15-digit decimal literals, deliberately not the correctly rounded trigonometric values
// (0.866025403784439, not 0.8660254037844386): the transform is defined with these. The radix-4
// values are sqrt(2)/2 and sqrt(2) correctly rounded.
namespace calderine::fftconst {

// 2*pi, the angle step of the twiddle table is twoPi / N.
inline constexpr double twoPi = 6.283185307179586;

inline constexpr double taur = -0.5;              // cos(2*pi/3)
inline constexpr double taui = 0.866025403784439; // sin(2*pi/3)
inline constexpr double twoTaui = 1.732050807568878;

inline constexpr double tr11 = 0.309016994374947;  // cos(2*pi/5)
inline constexpr double ti11 = 0.951056516295154;  // sin(2*pi/5)
inline constexpr double tr12 = -0.809016994374947; // cos(4*pi/5)
inline constexpr double ti12 = 0.587785252292473;  // sin(4*pi/5)

inline constexpr double minusHalfSqrt2 = -0.7071067811865476;
inline constexpr double minusSqrt2 = -1.4142135623730951;

// Doubling is exact, so folding the factor 2 into the constant changes no result.
static_assert(twoTaui == 2.0 * taui);

} // namespace calderine::fftconst
