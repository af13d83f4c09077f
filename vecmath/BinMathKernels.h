#pragma once

#include "shaping/SoftKnee.h"
#include "simd/Lanes.h"
#include "vecmath/BinMath.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

// Polynomial log and joint sin/cos for the per-bin loops of the frame analysis, written
// once over a lane type: plain double (the reference), two doubles in a 128-bit vector (every
// x86-64 and ARM64 CPU) or four in a 256-bit vector (the AVX2 build). Every lane performs the
// same IEEE operations in the same order (+, -, *, /, integer bit manipulation; no fused
// multiply-add, no rounding-mode or C-library call), so all lane types, both x86-64 builds and
// every platform give bit-identical results. The translation units that instantiate these must
// be compiled with -ffp-contract=off.
//
// Accuracy, measured against the C library (log) and an extended-precision reference (sin/cos)
// over dense grids of the ranges the analysis feeds (tests/spectral/BinMathTest.cpp): 2 ulps at
// most.
//
// Everything here has internal linkage: the wide builds include this header in translation units
// compiled for other instruction sets, and no copy of these functions may be shared between them.
namespace calderine::binmath {
namespace {

using simd::PairLanes;
using simd::ScalarLanes;
using simd::select;

// Rounds to the nearest integer (ties to even) by adding and removing 1.5 * 2^52, which pushes
// the fraction out of the significand; valid for |x| < 2^51. The sum's low significand bits hold
// the integer in two's complement, returned in bitsOut for the exponent and quadrant arithmetic.
template <class L>
typename L::V roundToInteger(typename L::V x, typename L::I& bitsOut) noexcept {
    constexpr double shifter = 0x1.8p52;
    const typename L::V shifted = x + L::splat(shifter);
    bitsOut = L::bits(shifted);
    return shifted - L::splat(shifter);
}

// ln 2 in two parts: the high part has 32 significant bits, so its product with any exponent
// (at most 11 bits) is exact (Cody and Waite).
constexpr double ln2Hi = 0x1.62e42fee00000p-1;
constexpr double ln2Lo = 0x1.a39ef35793c76p-33;

// Natural logarithm of a positive, finite double from 2^-1021 up (the analysis takes it of gains
// floored at 10^-7.2). ln(1) is exactly 0. x = 2^e m with m in [sqrt(1/2), sqrt(2)); then
// ln(m) = ln(1 + f) = 2 atanh(s), s = f / (2 + f), |s| <= 0.1716, written as f - s (f - R(s^2))
// so that the leading term f is exact. R is the atanh series to s^18, whose first omitted term
// is below 3e-17 of the result.
template <class L>
typename L::V logKernel(typename L::V x) noexcept {
    using V = typename L::V;
    using I = typename L::I;
    // bits(x) - bits(sqrt(1/2)) + 1022 * 2^52: its top bits count the octaves from sqrt(1/2) up.
    constexpr std::uint64_t sqrtHalfMantissa = 0x3fe6a09e667f3bcdULL - (1022ULL << 52);
    const I ix = L::bits(x);
    const I octave = (ix - L::splatI(sqrtHalfMantissa)) >> 52; // e + 1022, 0 .. 2046
    const V m = L::fromBits(ix - (octave << 52) + L::splatI(1022ULL << 52));
    // e as a double: the integer placed in the significand of 2^52, minus 2^52 and the bias.
    const V e = (L::fromBits(octave | L::splatI(0x4330000000000000ULL)) - L::splat(0x1p52)) -
                L::splat(1022.0);

    const V f = m - L::splat(1.0); // exact (m and 1 lie within a factor of 2)
    const V s = f / (L::splat(2.0) + f);
    const V z = s * s;
    // Estrin's scheme: pairs of terms, then pairs of pairs by z^2 and z^4, and the last term by
    // z^8. Horner's nine steps, each waiting on the one before, made the loop latency-bound.
    const V z2 = z * z;
    const V z4 = z2 * z2;
    const V z8 = z4 * z4;
    const V p01 = L::splat(2.0 / 3.0) + L::splat(2.0 / 5.0) * z;
    const V p23 = L::splat(2.0 / 7.0) + L::splat(2.0 / 9.0) * z;
    const V p45 = L::splat(2.0 / 11.0) + L::splat(2.0 / 13.0) * z;
    const V p67 = L::splat(2.0 / 15.0) + L::splat(2.0 / 17.0) * z;
    const V p03 = p01 + p23 * z2;
    const V p47 = p45 + p67 * z2;
    const V r = ((p03 + p47 * z4) + L::splat(2.0 / 19.0) * z8) * z;
    const V logM = f - s * (f - r);
    return e * L::splat(ln2Hi) + (e * L::splat(ln2Lo) + logM);
}

// pi/2 in three parts of 30, 30 and 53 significant bits: q times either of the first two is exact
// for |q| < 2^23, so the reduction holds for |x| up to 2^23 * pi/2 (1.3e7 radians).
constexpr double halfPi1 = 0x1.921fb54000000p+0;
constexpr double halfPi2 = 0x1.10b4611800000p-30;
constexpr double halfPi3 = 0x1.313198a2e0370p-61;
constexpr double twoOverPi = 0x1.45f306dc9c883p-1;

// sin(x) and cos(x) together for |x| <= 1.25e7. x = q pi/2 + r with |r| <= pi/4 (and a
// hair); sin r and cos r by minimax polynomials of degree 13 and 14 (relative error of the
// fits below 2^-58 on |r| <= pi/4; two and one terms fewer than the Taylor series to r^17 and
// r^16 that they replace, the accuracy tests unchanged), then swapped and negated by the
// quadrant q mod 4.
// Always inlined: GCC kept it out of line in flooredPolars, a call per vector of bins; inlined,
// the phase loop's share of the effect's time fell from 6.4 % to 5.1-5.3 % (perf).
template <class L>
__attribute__((always_inline)) inline typename L::V
reduceQuarterTurns(typename L::V x, typename L::I& qBits) noexcept {
    using V = typename L::V;
    const V q = roundToInteger<L>(x * L::splat(twoOverPi), qBits);
    return ((x - q * L::splat(halfPi1)) - q * L::splat(halfPi2)) - q * L::splat(halfPi3);
}

// sin and cos of q pi/2 + r from r and the bits of q as roundToInteger leaves them.
template <class L>
__attribute__((always_inline)) inline void sinCosOfReduced(typename L::V r, typename L::I qBits,
                                                           typename L::V& sinOut,
                                                           typename L::V& cosOut) noexcept {
    using V = typename L::V;
    using I = typename L::I;
    const V z = r * r;

    // Both polynomials by Estrin's scheme (pairs of terms, combined by z^2 and z^4): Horner's
    // dependent steps made the phase loop wait on latency, three vectors in flight at most.
    const V z2 = z * z;
    const V z4 = z2 * z2;
    const V s01 = L::splat(-1.66666666666666324348e-01) + L::splat(8.33333333332248946124e-03) * z;
    const V s23 = L::splat(-1.98412698298579493134e-04) + L::splat(2.75573137070700676789e-06) * z;
    const V s45 = L::splat(-2.50507602534068634195e-08) + L::splat(1.58969099521155010221e-10) * z;
    const V ps = (s01 + s23 * z2) + s45 * z4;
    const V sinR = r + (r * z) * ps;

    const V c01 = L::splat(4.16666666666666019037e-02) + L::splat(-1.38888888888741095749e-03) * z;
    const V c23 = L::splat(2.48015872894767294178e-05) + L::splat(-2.75573143513906633035e-07) * z;
    const V c45 = L::splat(2.08757232129817482790e-09) + L::splat(-1.13596475577881948265e-11) * z;
    const V pc = (c01 + c23 * z2) + c45 * z4;
    const V cosR = (L::splat(1.0) - L::splat(0.5) * z) + z2 * pc;

    // Quadrant 1 and 3 swap the two; sin is negated in quadrants 2 and 3, cos in 1 and 2.
    const I one = L::splatI(1);
    const I swap = L::splatI(0) - (qBits & one);
    const I sinSign = (qBits & L::splatI(2)) << 62;
    const I cosSign = ((qBits + one) & L::splatI(2)) << 62;
    sinOut = L::fromBits(L::bits(select<L>(swap, cosR, sinR)) ^ sinSign);
    cosOut = L::fromBits(L::bits(select<L>(swap, sinR, cosR)) ^ cosSign);
}

template <class L>
__attribute__((always_inline)) inline void sinCosKernel(typename L::V x, typename L::V& sinOut,
                                                        typename L::V& cosOut) noexcept {
    typename L::I qBits;
    const typename L::V r = reduceQuarterTurns<L>(x, qBits);
    sinCosOfReduced<L>(r, qBits, sinOut, cosOut);
}

// ---- Loops over arrays: whole vectors first, then the scalar reference for the rest (which,
// performing the same operations, gives the same bits as a vector lane would).

// Runs body(k) for the vectors k (a multiple of L::width, below count / L::width * L::width)
// where skip(k) is false, after fill(k) for every vector. The vectors to run are listed first, a
// chunk at a time and without a branch, then run one after another: a branch per vector on which
// way it goes (a coin toss on a real frame) cost a misprediction half the time and left the long
// chains of the vectors that run without any others beside them.
template <class L, class Skip, class Fill, class Body>
void forEachListedVector(std::size_t count, const Skip& skip, const Fill& fill,
                         const Body& body) noexcept {
    constexpr std::size_t chunk = 256; // vectors
    std::uint32_t listed[chunk];
    const std::size_t vectorEnd = count / L::width * L::width;
    for (std::size_t begin = 0; begin < vectorEnd; begin += chunk * L::width) {
        const std::size_t end = std::min(vectorEnd, begin + chunk * L::width);
        std::size_t n = 0;
        for (std::size_t k = begin; k < end; k += L::width) {
            fill(k);
            listed[n] = static_cast<std::uint32_t>(k);
            n += skip(k) ? 0 : 1;
        }
        for (std::size_t j = 0; j < n; ++j) {
            body(listed[j]);
        }
    }
}

// out[k] = ln(max(floor, |x[k]|)) for k < count.
template <class L>
void flooredLogs(const double* x, double* out, std::size_t count, double floor) noexcept {
    std::size_t k = 0;
    if constexpr (L::width > 1) {
        const typename L::I magnitudeMask = L::splatI(0x7fffffffffffffffULL);
        const typename L::I oneBits = L::splatI(std::bit_cast<std::uint64_t>(1.0));
        const typename L::V floorV = L::splat(floor);
        const auto magnitude = [&](std::size_t j) {
            return L::fromBits(L::bits(L::load(x + j)) & magnitudeMask);
        };
        // Gains of +-1, the bins the limiter passes, have the log +0 that logKernel gives them;
        // vectors of nothing else skip the kernel and its division.
        forEachListedVector<L>(
            count,
            [&](std::size_t j) {
                return L::all(std::bit_cast<typename L::I>(L::bits(magnitude(j)) == oneBits));
            },
            [&](std::size_t j) { L::store(out + j, L::splat(0.0)); },
            [&](std::size_t j) {
                const typename L::V a = magnitude(j);
                L::store(out + j, logKernel<L>(select<L>(L::lessMask(floorV, a), a, floorV)));
            });
        k = count / L::width * L::width;
    }
    for (; k < count; ++k) {
        const double a =
            std::bit_cast<double>(std::bit_cast<std::uint64_t>(x[k]) & 0x7fffffffffffffffULL);
        out[k] = logKernel<ScalarLanes>(floor < a ? a : floor);
    }
}

// For count bins: out pair k = max(floor, |magnitudes[k]|) (cos phases[k], sin phases[k]),
// interleaved (re, im).
template <class L>
void flooredPolars(const double* magnitudes, const double* phases, double* out, std::size_t count,
                   double floor) noexcept {
    std::size_t k = 0;
    if constexpr (L::width > 1) {
        const typename L::I magnitudeMask = L::splatI(0x7fffffffffffffffULL);
        const typename L::V floorV = L::splat(floor);
        const std::size_t vectorEnd = count / L::width * L::width;
        // Two loops: the reduction, its results parked where the output goes, then the
        // polynomials. In one loop the chain from phase to output (about 50 cycles of latency)
        // needed more operations in flight than the scheduler takes, and the loop ran at about 30
        // cycles per vector where its operations need under 20: 1199 bins took 2484 ns, in two
        // loops 1850.
        for (std::size_t j = 0; j < vectorEnd; j += L::width) {
            // In the lane order of storePairs, as loadPairs would give them.
            typename L::I qBits;
            L::store(out + 2 * j, reduceQuarterTurns<L>(L::loadInPairOrder(phases + j), qBits));
            L::store(out + 2 * j + L::width, L::fromBits(qBits));
        }
        for (; k < vectorEnd; k += L::width) {
            const typename L::V a =
                L::fromBits(L::bits(L::loadInPairOrder(magnitudes + k)) & magnitudeMask);
            const typename L::V magnitude = select<L>(L::lessMask(floorV, a), a, floorV);
            typename L::V s;
            typename L::V c;
            sinCosOfReduced<L>(L::load(out + 2 * k), L::bits(L::load(out + 2 * k + L::width)), s,
                               c);
            L::storePairs(out + 2 * k, magnitude * c, magnitude * s);
        }
    }
    for (; k < count; ++k) {
        const double a = std::bit_cast<double>(std::bit_cast<std::uint64_t>(magnitudes[k]) &
                                               0x7fffffffffffffffULL);
        const double magnitude = floor < a ? a : floor;
        double s;
        double c;
        sinCosKernel<ScalarLanes>(phases[k], s, c);
        out[2 * k] = magnitude * c;
        out[2 * k + 1] = magnitude * s;
    }
}

// The moduli of count interleaved pairs, each passed through output (the plain modulus or the
// slope weighting) before it is stored and appended to partials. The plain modulus overflows to
// infinity where a square does (the caller falls back to hypot there). Returns whether every
// modulus is finite, gathered in a mask as the loop goes: a scalar pass checking each afterwards
// took most of the magnitudes' time (perf). The sum rides along in the lanes: each lane of a
// group of four values keeps the partial sum of the values that maskedSum gives that partial, in
// the same order, so the analysis' first masked sum needs no pass of its own.
template <class L, class Output>
bool summedModuli(const double* pairs, double* out, std::size_t count, double above,
                  MaskedPartials& partials, const Output& output) noexcept {
    constexpr double infinity = std::numeric_limits<double>::infinity();
    constexpr std::size_t group = 4; // maskedSum's partial sums
    std::size_t k = 0;
    bool finite = true;
    if constexpr (L::width > 1) {
        using V = typename L::V;
        using I = typename L::I;
        constexpr std::size_t vectors = group / L::width;
        // Value k + i of a group goes to partial (next + i) mod 4, k being a multiple of 4.
        double lanes[group];
        for (std::size_t i = 0; i < group; ++i) {
            lanes[i] = partials.sums[(partials.next + i) % group];
        }
        V sums[vectors];
        I counts[vectors];
        for (std::size_t v = 0; v < vectors; ++v) {
            sums[v] = L::loadInPairOrder(lanes + v * L::width);
            counts[v] = L::splatI(0);
        }
        I finiteLanes = L::splatI(~std::uint64_t{0});
        const V aboveV = L::splat(above);
        for (; k + group <= count; k += group) {
            for (std::size_t v = 0; v < vectors; ++v) {
                const std::size_t at = k + v * L::width;
                V re;
                V im;
                L::loadPairs(pairs + 2 * at, re, im);
                const V m = L::sqrt(re * re + im * im);
                // False for infinity and NaN alike.
                finiteLanes &= L::lessMask(m, L::splat(infinity));
                const V value = output.template vector<L>(m, at);
                L::storeInPairOrder(out + at, value);
                const I inside = L::lessMask(aboveV, value);
                sums[v] = sums[v] + L::fromBits(L::bits(value) & inside);
                counts[v] = counts[v] - inside; // all ones is -1
            }
        }
        finite = L::all(finiteLanes);
        for (std::size_t v = 0; v < vectors; ++v) {
            L::storeInPairOrder(lanes + v * L::width, sums[v]);
            for (std::size_t j = 0; j < L::width; ++j) {
                partials.count += static_cast<std::size_t>(counts[v][j]);
            }
        }
        for (std::size_t i = 0; i < group; ++i) {
            partials.sums[(partials.next + i) % group] = lanes[i];
        }
        partials.next += k;
    }
    for (; k < count; ++k) {
        const double re = pairs[2 * k];
        const double im = pairs[2 * k + 1];
        const double m = ScalarLanes::sqrt(re * re + im * im);
        finite = finite && m < infinity;
        out[k] = output.scalar(m, k);
        partials.add(out[k], above);
    }
    return finite;
}

struct PlainModulus {
    template <class L>
    typename L::V vector(typename L::V m, std::size_t) const noexcept {
        return m;
    }
    double scalar(double m, std::size_t) const noexcept { return m; }
};

// The analysis' slope weighting (slopeWeighted) of each modulus.
struct SlopedModulus {
    const double* weights;
    double slope;
    double rest;

    template <class L>
    typename L::V vector(typename L::V m, std::size_t k) const noexcept {
        const typename L::V w = L::loadInPairOrder(weights + k);
        return slopeWeighted(m, w, L::splat(slope), L::splat(rest));
    }
    double scalar(double m, std::size_t k) const noexcept {
        return slopeWeighted(m, weights[k], slope, rest);
    }
};

template <class L>
bool moduli(const double* pairs, double* out, std::size_t count, double above,
            MaskedPartials& partials) noexcept {
    return summedModuli<L>(pairs, out, count, above, partials, PlainModulus{});
}

// moduli with the analysis' slope weighting folded in: one pass over the bins where the
// weighting took a second one.
template <class L>
bool slopedModuli(const double* pairs, const double* weights, double slope, double* out,
                  std::size_t count, double above, MaskedPartials& partials) noexcept {
    return summedModuli<L>(pairs, out, count, above, partials,
                           SlopedModulus{weights, slope, 1.0 - slope});
}

// For count interleaved pairs: out = (a b) scale, complex products, each part rounded as
// (a.re b.re - a.im b.im) scale and (a.re b.im + a.im b.re) scale. out may be a or b.
template <class L>
void scaledProducts(const double* a, const double* b, double* out, std::size_t count,
                    double scale) noexcept {
    std::size_t k = 0;
    if constexpr (L::width > 1) {
        const typename L::V scaleV = L::splat(scale);
        for (; k + L::width <= count; k += L::width) {
            typename L::V aRe;
            typename L::V aIm;
            typename L::V bRe;
            typename L::V bIm;
            L::loadPairs(a + 2 * k, aRe, aIm);
            L::loadPairs(b + 2 * k, bRe, bIm);
            L::storePairs(out + 2 * k, (aRe * bRe - aIm * bIm) * scaleV,
                          (aRe * bIm + aIm * bRe) * scaleV);
        }
    }
    for (; k < count; ++k) {
        const double aRe = a[2 * k];
        const double aIm = a[2 * k + 1];
        const double bRe = b[2 * k];
        const double bIm = b[2 * k + 1];
        out[2 * k] = (aRe * bRe - aIm * bIm) * scale;
        out[2 * k + 1] = (aRe * bIm + aIm * bRe) * scale;
    }
}

// Sum and count of the values v with above < v < below (MaskedSum; below NaN: no bound). Four
// partial sums, each over every fourth value, added as (s0 + s1) + (s2 + s3): the same order in
// every build, whatever its width.
template <class L>
MaskedSum maskedSum(const double* values, std::size_t count, double above, double below) noexcept {
    constexpr std::size_t partials = 4;
    static_assert(partials % L::width == 0);
    constexpr std::size_t vectors = partials / L::width;
    using V = typename L::V;
    using I = typename L::I;
    V sums[vectors];
    I counts[vectors];
    for (std::size_t v = 0; v < vectors; ++v) {
        sums[v] = L::splat(0.0);
        counts[v] = L::splatI(0);
    }
    std::size_t k = 0;
    for (; k + partials <= count; k += partials) {
        for (std::size_t v = 0; v < vectors; ++v) {
            const V x = L::load(values + k + v * L::width);
            const I inside = L::lessMask(L::splat(above), x) & ~L::notLessMask(x, L::splat(below));
            sums[v] = sums[v] + L::fromBits(L::bits(x) & inside);
            counts[v] = counts[v] - inside; // all ones is -1
        }
    }
    double partialSums[partials];
    std::uint64_t partialCounts[partials];
    for (std::size_t v = 0; v < vectors; ++v) {
        for (std::size_t j = 0; j < L::width; ++j) {
            if constexpr (L::width > 1) {
                partialSums[v * L::width + j] = sums[v][j];
                partialCounts[v * L::width + j] = counts[v][j];
            } else {
                partialSums[v] = sums[v];
                partialCounts[v] = counts[v];
            }
        }
    }
    for (std::size_t j = 0; k < count; ++k, ++j) {
        const double x = values[k];
        if (above < x && !(x >= below)) {
            partialSums[j] += x;
            ++partialCounts[j];
        }
    }
    return {(partialSums[0] + partialSums[1]) + (partialSums[2] + partialSums[3]),
            static_cast<std::size_t>((partialCounts[0] + partialCounts[1]) +
                                     (partialCounts[2] + partialCounts[3]))};
}

// Gains of the soft-knee bin limiter (Knee): the clipper's operations in the clipper's order, so
// that the gains match NoiseClipper::processSample(x) / x bit for bit; branch-free: every part is
// computed and the right one selected (1 below lowFloor or the knee, ceiling / x from its end,
// the knee between; a NaN magnitude, failing every comparison, lands in the knee as it does in
// the clipper).
template <class L>
typename L::V kneeGain(typename L::V m, const Knee& knee) noexcept {
    using V = typename L::V;
    const V x = m / L::splat(knee.reference);
    const V t = (x - L::splat(knee.start)) / L::splat(knee.halfWidth);
    const V y = L::splat(knee.start) + L::splat(knee.halfWidth) * softknee::curve(t, L::splat);
    V gain = select<L>(L::notLessMask(x, L::splat(knee.end)), L::splat(knee.ceiling) / x, y / x);
    gain = select<L>(L::lessMask(x, L::splat(knee.start)), L::splat(1.0), gain);
    return select<L>(L::lessMask(m, L::splat(knee.lowFloor)), L::splat(1.0), gain);
}

template <class L>
void kneeGains(const double* magnitudes, double* gains, std::size_t count,
               const Knee& knee) noexcept {
    std::size_t k = 0;
    if constexpr (L::width > 1) {
        // Below passBelow a magnitude is certainly under the knee, x = m / reference rounding to
        // less than start (passBelow and x each carry at most two roundings, far less than the
        // 2^-50 margin), or under lowFloor: its gain is exactly 1, as kneeGain would give it.
        // Vectors of such bins skip the knee's four divisions; a bin close to the knee start
        // takes the exact path. 55 % of the four-bin vectors of a tones-over-noise frame qualify
        // (48 kHz). Listed (forEachListedVector) rather than branched on, here and in
        // flooredLogs: the effect's time fell by 3.2 % (same-process A/B, 48 kHz).
        const double passBelow =
            std::max(knee.start * knee.reference * (1.0 - 0x1p-50), knee.lowFloor);
        const typename L::V passBelowV = L::splat(passBelow);
        forEachListedVector<L>(
            count,
            [&](std::size_t j) { return L::all(L::lessMask(L::load(magnitudes + j), passBelowV)); },
            [&](std::size_t j) { L::store(gains + j, L::splat(1.0)); },
            [&](std::size_t j) {
                L::store(gains + j, kneeGain<L>(L::load(magnitudes + j), knee));
            });
        k = count / L::width * L::width;
    }
    for (; k < count; ++k) {
        gains[k] = kneeGain<ScalarLanes>(magnitudes[k], knee);
    }
}

// out[p] += sum_{j=0}^{p} x[j] h[p - j] for begin <= p < end, each product added on its own in
// order of j, so that an output has the same bits whichever call computes it and in every build.
// Eight samples per pass over the outputs, the outputs in vectors: each output is loaded and
// stored an eighth as often as it gains a product.
template <class L>
void convolutionHead(const double* x, const double* h, double* out, std::size_t begin,
                     std::size_t end) noexcept {
    constexpr std::size_t group = 8;
    std::size_t j = 0;
    for (; j + group <= end; j += group) {
        // Outputs before j + group - 1 precede some of the group's samples: one at a time.
        const std::size_t full = std::max(begin, j + group - 1);
        for (std::size_t p = std::max(begin, j); p < std::min(full, end); ++p) {
            double sum = out[p];
            for (std::size_t i = 0; i <= p - j; ++i) {
                sum += x[j + i] * h[p - j - i];
            }
            out[p] = sum;
        }
        typename L::V xs[group];
        for (std::size_t i = 0; i < group; ++i) {
            xs[i] = L::splat(x[j + i]);
        }
        std::size_t p = full;
        if constexpr (L::width > 1) {
            for (; p + L::width <= end; p += L::width) {
                const double* const k = h + (p - j);
                typename L::V sum = L::load(out + p);
                for (std::size_t i = 0; i < group; ++i) {
                    sum = sum + xs[i] * L::load(k - i);
                }
                L::store(out + p, sum);
            }
        }
        for (; p < end; ++p) {
            const double* const k = h + (p - j);
            double sum = out[p];
            for (std::size_t i = 0; i < group; ++i) {
                sum += x[j + i] * k[-static_cast<std::ptrdiff_t>(i)];
            }
            out[p] = sum;
        }
    }
    for (; j < end; ++j) {
        for (std::size_t p = std::max(begin, j); p < end; ++p) {
            out[p] += x[j] * h[p - j];
        }
    }
}

// out[k] = op(a[k], b[k]) for k < count, in the widest vectors the build has, two per pass.
template <class L, class Op>
void elementWise(const double* a, const double* b, double* out, std::size_t count,
                 const Op& op) noexcept {
    std::size_t k = 0;
    if constexpr (L::width > 1) {
        for (; k + 2 * L::width <= count; k += 2 * L::width) {
            L::store(out + k, op(L::load(a + k), L::load(b + k)));
            L::store(out + k + L::width, op(L::load(a + k + L::width), L::load(b + k + L::width)));
        }
    }
    for (; k < count; ++k) {
        out[k] = op(a[k], b[k]);
    }
}

// out[k] = a[k] b[k]: the analysis' window and the kernel's window.
template <class L>
void products(const double* a, const double* b, double* out, std::size_t count) noexcept {
    elementWise<L>(a, b, out, count, [](auto x, auto y) { return x * y; });
}

// out[k] = a[k] + b[k]: the overlap-add of a rendered frame.
template <class L>
void sums(const double* a, const double* b, double* out, std::size_t count) noexcept {
    elementWise<L>(a, b, out, count, [](auto x, auto y) { return x + y; });
}

// The cosine step's input of the minimum phase: y[k] = 0.5 (v[k] + v[M - k]) - s[k] (v[k] -
// v[M - k]) for 1 <= k < M = half.
template <class L>
void cosineFold(const double* v, const double* s, double* y, std::size_t half) noexcept {
    std::size_t k = 1;
    if constexpr (L::width > 1) {
        const typename L::V halfV = L::splat(0.5);
        for (; k + L::width <= half; k += L::width) {
            const typename L::V low = L::load(v + k);
            const typename L::V high = L::loadReversed(v + (half - k));
            L::store(y + k, halfV * (low + high) - L::load(s + k) * (low - high));
        }
    }
    for (; k < half; ++k) {
        const double low = v[k];
        const double high = v[half - k];
        y[k] = 0.5 * (low + high) - s[k] * (low - high);
    }
}

// The sine step's input: z[n] = s[n] (a + b) + 0.5 (a - b), a = 2 (c[n] - middle) and
// b = 2 (c[M - n] - middle), for 1 <= n < M = half.
template <class L>
void sineFold(const double* c, double middle, const double* s, double* z,
              std::size_t half) noexcept {
    std::size_t n = 1;
    if constexpr (L::width > 1) {
        const typename L::V middleV = L::splat(middle);
        const typename L::V halfV = L::splat(0.5);
        const typename L::V twoV = L::splat(2.0);
        for (; n + L::width <= half; n += L::width) {
            const typename L::V low = twoV * (L::load(c + n) - middleV);
            const typename L::V high = twoV * (L::loadReversed(c + (half - n)) - middleV);
            L::store(z + n, L::load(s + n) * (low + high) + halfV * (low - high));
        }
    }
    for (; n < half; ++n) {
        const double low = 2.0 * (c[n] - middle);
        const double high = 2.0 * (c[half - n] - middle);
        z[n] = s[n] * (low + high) + 0.5 * (low - high);
    }
}

// The table of one build: every loop instantiated for the lane type L of its translation unit.
template <class L>
constexpr BinMathTable kernelTable() noexcept {
    return {flooredLogs<L>,  flooredPolars<L>, scaledProducts<L>, moduli<L>,
            slopedModuli<L>, maskedSum<L>,     kneeGains<L>,      convolutionHead<L>,
            products<L>,     sums<L>,          cosineFold<L>,     sineFold<L>};
}

} // namespace
} // namespace calderine::binmath
