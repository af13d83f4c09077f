#pragma once

#include <cstddef>

// The per-bin transcendental loops of the frame analysis, in one build per instruction set like
// the FFT's radix passes (FftPassTable.h): a scalar reference, the baseline build (128-bit
// vectors, any CPU) and on x86-64 an AVX2 build (256-bit vectors). All perform the same
// floating-point operations in the same order, so they give bit-identical results;
// simd::activeBuild() decides which one runs.
namespace calderine::binmath {

// Internal linkage: the AVX2 build instantiates this too, and the linker must not pick its copy
// for another build's.
namespace {
// The analysis' slope weighting of a magnitude m by its bin's weight w, with rest = 1 - slope:
// m slope + (m w) rest, rounded as written, over doubles or vectors of bins alike.
template <class T>
T slopeWeighted(T m, T w, T slope, T rest) noexcept {
    return m * slope + (m * w) * rest;
}
} // namespace

// Sum and count of the values inside an open interval.
struct MaskedSum {
    double sum;
    std::size_t count;
};

// maskedSum's state part way along a sequence, for a pass that produces the values and sums them
// as it goes: partial j holds the values above the bound (no upper bound) whose index in the
// sequence is j mod 4, added in order of index from +0; next is the index of the next value.
// Its total() has the bits maskedSum gives over the whole sequence.
struct MaskedPartials {
    double sums[4] = {};
    std::size_t count = 0;
    std::size_t next = 0;

    // Appends one value to the sequence.
    void add(double value, double above) noexcept {
        if (above < value) {
            sums[next % 4] += value;
            ++count;
        }
        ++next;
    }
    MaskedSum total() const noexcept { return {(sums[0] + sums[1]) + (sums[2] + sums[3]), count}; }
};

// The soft-knee bin limiter of the analysis (a NoiseClipper with its ceiling and knee), applied
// to magnitudes as a gain: the clipper's output for x = magnitude / reference, over x.
struct Knee {
    double reference;
    double lowFloor; // magnitudes below it get gain 1
    double start;
    double end;
    double halfWidth;
    double ceiling;
};

struct BinMathTable {
    // out[k] = ln(max(floor, |x[k]|)) for k < count; floor >= 2^-1021, x finite.
    void (*flooredLogs)(const double* x, double* out, std::size_t count, double floor) noexcept;
    // out pair k = max(floor, |magnitudes[k]|) (cos phases[k], sin phases[k]) for k < count,
    // interleaved (re, im). |phases[k]| <= 1.5 * 2^23. out must overlap neither input: it
    // holds intermediate values between the loop's two passes.
    void (*flooredPolars)(const double* magnitudes, const double* phases, double* out,
                          std::size_t count, double floor) noexcept;
    // For count interleaved pairs: out = (a b) scale, complex products rounded as
    // (a.re b.re - a.im b.im) scale and (a.re b.im + a.im b.re) scale; out may be a or b.
    void (*scaledProducts)(const double* a, const double* b, double* out, std::size_t count,
                           double scale) noexcept;
    // out[k] = sqrt(re^2 + im^2) for count interleaved pairs (infinite where a square overflows);
    // returns whether all of them are finite. Each out[k] is also appended to partials, the
    // values above `above` summed as maskedSum sums them.
    bool (*moduli)(const double* pairs, double* out, std::size_t count, double above,
                   MaskedPartials& partials) noexcept;
    // out[k] = m slope + (m weights[k]) (1 - slope), m = sqrt(re^2 + im^2) of pair k, for count
    // pairs; returns whether every m is finite. Appends each out[k] to partials as moduli does.
    bool (*slopedModuli)(const double* pairs, const double* weights, double slope, double* out,
                         std::size_t count, double above, MaskedPartials& partials) noexcept;
    // Sum and count of the values v with above < v < below (a NaN below sets no bound); the sum
    // adds every fourth value into one of four partial sums, then (s0 + s1) + (s2 + s3).
    MaskedSum (*maskedSum)(const double* values, std::size_t count, double above,
                           double below) noexcept;
    // gains[k] = 1 where magnitudes[k] < knee.lowFloor, else the knee's gain.
    void (*kneeGains)(const double* magnitudes, double* gains, std::size_t count,
                      const Knee& knee) noexcept;
    // out[p] += sum_{j=0}^{p} x[j] h[p - j] for begin <= p < end (x and h hold at least end
    // values), each product added on its own in order of j: a direct convolution's first
    // outputs, with the same bits however [0, end) is split into calls.
    void (*convolutionHead)(const double* x, const double* h, double* out, std::size_t begin,
                            std::size_t end) noexcept;
    // out[k] = a[k] b[k] for k < count.
    void (*products)(const double* a, const double* b, double* out, std::size_t count) noexcept;
    // out[k] = a[k] + b[k] for k < count.
    void (*sums)(const double* a, const double* b, double* out, std::size_t count) noexcept;
    // The linear steps before the minimum phase's two half-size transforms, for 1 <= k < M =
    // half: y[k] = 0.5 (v[k] + v[M - k]) - s[k] (v[k] - v[M - k]); and z[k] = s[k] (a + b) +
    // 0.5 (a - b) with a = 2 (c[k] - middle), b = 2 (c[M - k] - middle). Rounded as written.
    void (*cosineFold)(const double* v, const double* s, double* y, std::size_t half) noexcept;
    void (*sineFold)(const double* c, double middle, const double* s, double* z,
                     std::size_t half) noexcept;
};

// One value at a time in plain doubles: the reference the vector builds must reproduce.
const BinMathTable& referenceBinMath() noexcept;
const BinMathTable& baselineBinMath() noexcept;
// Null when this build has no AVX2 loops or the CPU lacks AVX2.
const BinMathTable* avx2BinMath() noexcept;
// simd::activeBuild()'s build.
const BinMathTable& activeBinMath() noexcept;

// out = (a b) scale for two spectra of size points in the transform's packed layout (Fft.h): DC
// and Nyquist real, rounded as (a b) scale, the bins between as scaledProducts rounds them. The
// product of a fast convolution.
inline void packedScaledProducts(const BinMathTable& math, const double* a, const double* b,
                                 double* out, std::size_t size, double scale) noexcept {
    const std::size_t last = size - 1;
    out[0] = a[0] * b[0] * scale;
    out[last] = a[last] * b[last] * scale;
    math.scaledProducts(a + 1, b + 1, out + 1, size / 2 - 1, scale);
}

} // namespace calderine::binmath
