#pragma once

namespace calderine::softknee {
// Internal linkage: the AVX2 build instantiates this too, and the linker must not pick its copy
// for another build's.
namespace {

// The knee of the soft clipper, for the knee variable t = (x - start) / halfWidth: returns u with
// the clipped value start + halfWidth u. Slope 1 at t = 0; value 0.5 and slope 0 at |t| = 2, so
// the curve lands on the ceiling with zero slope. Written once over any value type T with +, -
// and * (double in NoiseClipper, a vector of bins in the per-bin limiter), splat turning a double
// into a T, so that every user does the same operations in the same order and gets the same bits.
// The coefficients are exact binary fractions.
template <class T, class Splat>
T curve(T t, Splat splat) noexcept {
    const T t2 = t * t;
    const T t4 = t2 * t2;
    const T t6 = t4 * t2;
    const T t8 = t4 * t4;
    const T t10 = t8 * t2;
    const T bracket = splat(1.0) - splat(0.173828125) * t4 + splat(0.07080078125) * t6 -
                      splat(0.0115966796875) * t8 + splat(0.000701904296875) * t10;
    return t * bracket;
}

} // namespace
} // namespace calderine::softknee
