// Four forward transforms in the lanes of 256-bit AVX2 vectors. This file is compiled with -mavx2
// (and without fused multiply-add); it runs only where avx2FftPasses() has seen the CPU support
// AVX2.
//
// Element j of a batch array is the vector of element j of the four transforms, so the passes
// below are the classic FFTPACK passes with a vector in place of each double: the butterflies are
// the single transform's own (FftForwardPasses.h), each lane doing exactly its operations, and
// every lane's result is the single transform's bit for bit. The passes run one at a time, without
// the single transform's fused steps; those do the same operations in the same order.

#include "fft/FftBatch.h"
#include "fft/FftConstants.h"
#include "fft/FftForwardPasses.h"
#include "simd/Lanes.h"

#include <utility>

namespace calderine::fftpass {
namespace {

using Quad = simd::Double4;

Quad splat(double x) noexcept {
    return simd::QuadLanes::splat(x);
}

void storePair(double* p, simd::Double2 v) noexcept {
    simd::PairLanes::store(p, v);
}

// The twiddle (cos, sin) at row wa, iteration i, for every lane.
void twiddle(const double* wa, int i, Quad (&w)[2]) noexcept {
    w[0] = splat(wa[i - 2]);
    w[1] = splat(wa[i - 1]);
}

// Where a pass reads its input: a batch array, or (the first pass) the transforms' own inputs,
// whose lanes it gathers as it goes, so the batch is never written out whole before the passes.
struct BatchIn {
    static constexpr bool upperHalfZero = false;
    const Quad* p;
    Quad operator()(int j) const noexcept { return p[j]; }
};
// Weighted: bit q set where lane q's input has weights (FftBatchArrays::weights), known when the
// passes are compiled; anyWeights where each lane's are looked up as the pass goes, for the
// combinations the separator never makes. Checked per element, a lane's weights took the batch
// from 20.3 to 23.2 us at N = 4800.
inline constexpr unsigned anyWeights = 0x10;

template <unsigned Weighted>
struct TransformsIn {
    static constexpr bool upperHalfZero = true;
    const double* inputs[4];
    const double* weights[4];
    int half; // N / 2: from here on the inputs are zeros, and are not read

    bool weighted(int q) const noexcept {
        if constexpr (Weighted == anyWeights) {
            return weights[q] != nullptr;
        } else {
            return (Weighted >> q & 1U) != 0;
        }
    }

    Quad operator()(int j) const noexcept {
        if (j >= half) {
            return Quad{};
        }
        Quad v;
        for (int q = 0; q < 4; ++q) {
            v[q] = weighted(q) ? inputs[q][j] * weights[q][j] : inputs[q][j];
        }
        return v;
    }
};

// Calls body(k, in) for the rows k < l1 of a first pass, in[m] being the row's element k + m l1
// for m < Inputs, gathered from the four inputs lane by lane. (Reading each input's two elements of
// a pair of rows as one 128-bit vector and transposing was no faster: 20.9 against 20.1 us at
// N = 4800; with four rows and a 4 x 4 transpose the radix-5 pass ran out of registers.)
template <int Inputs, class In, class Body>
[[gnu::always_inline]] inline void forEachFirstRow(const In& in, const int l1,
                                                   Body&& body) noexcept {
    static_assert(Inputs == 2 || Inputs == 3);
    // A copy of its own: the compiler cannot tell that the pass's stores leave the caller's
    // pointers alone, and would reload them for every row.
    const In cc = in;
    for (int k = 0; k < l1; ++k) {
        if constexpr (Inputs == 2) {
            body(k, {cc(k), cc(k + l1)});
        } else {
            body(k, {cc(k), cc(k + l1), cc(k + 2 * l1)});
        }
    }
}

// Where a pass writes: a batch array, or (the last pass) the transforms' own outputs, a lane each.
struct BatchOut {
    Quad* p;
    void put(int j, Quad v) const noexcept { p[j] = v; }
    // A complex value: re at j, im at j + 1.
    void pair(int j, Quad re, Quad im) const noexcept {
        p[j] = re;
        p[j + 1] = im;
    }
};
struct TransformsOut {
    double* const* outputs;
    void put(int j, Quad v) const noexcept {
        for (int q = 0; q < 4; ++q) {
            outputs[q][j] = v[q];
        }
    }
    void pair(int j, Quad re, Quad im) const noexcept {
        const Quad low = __builtin_shufflevector(re, im, 0, 4, 1, 5);  // lanes 0, 1
        const Quad high = __builtin_shufflevector(re, im, 2, 6, 3, 7); // lanes 2, 3
        storePair(outputs[0] + j, __builtin_shufflevector(low, low, 0, 1));
        storePair(outputs[1] + j, __builtin_shufflevector(low, low, 2, 3));
        storePair(outputs[2] + j, __builtin_shufflevector(high, high, 0, 1));
        storePair(outputs[3] + j, __builtin_shufflevector(high, high, 2, 3));
    }
};

// The passes: cc laid out ido x l1 x p, ch ido x p x l1, as in FftForwardPasses.h. A pass reading
// TransformsIn is the first (ido = 1), on inputs whose upper half is zero, and skips the inputs
// that lie there as the single transform's first pass does.
struct Layout {
    int ido;
    int l1;
    int p;
    int c(int i, int k, int m) const noexcept { return i + ido * (k + l1 * m); }
    int h(int i, int m, int k) const noexcept { return i + ido * (m + p * k); }
};

// Where complex output j of a butterfly goes: ch(i - 1, m, k), or on the mirrored side
// ch(ic - 1, m, k).
struct Slot {
    int m;
    bool mirrored;
};

// The complex iterations of a pass, i = 2, 4, .. below ido in every row k, rows outermost: the
// twiddle rows at i, the P inputs cc(i - 1, k, m) as (re, im), the single transform's butterfly,
// and output j into slots[j].
template <int P, class In, class Out, class Butterfly>
[[gnu::always_inline]] inline void
forEachComplex(const Layout& x, const In& cc, const Out& ch, const double* const (&wa)[P - 1],
               const Slot (&slots)[P], const Butterfly& butterfly) noexcept {
    for (int k = 0; k < x.l1; ++k) {
        for (int i = 2; i < x.ido; i += 2) {
            const int ic = x.ido - i;
            Quad w[P - 1][2];
            for (int m = 0; m < P - 1; ++m) {
                twiddle(wa[m], i, w[m]);
            }
            Quad in[P][2];
            for (int m = 0; m < P; ++m) {
                in[m][0] = cc(x.c(i - 1, k, m));
                in[m][1] = cc(x.c(i, k, m));
            }
            Quad out[P][2];
            butterfly(w, in, out);
            for (int j = 0; j < P; ++j) {
                const int at = x.h((slots[j].mirrored ? ic : i) - 1, slots[j].m, k);
                ch.pair(at, out[j][0], out[j][1]);
            }
        }
    }
}

template <class In, class Out>
void radf2(const int ido, const int l1, const In& cc, const Out& ch,
           const double* __restrict wa1) noexcept {
    const Layout x{ido, l1, 2};
    for (int k = 0; k < l1; ++k) {
        ch.put(x.h(0, 0, k), cc(x.c(0, k, 0)) + cc(x.c(0, k, 1)));
        ch.put(x.h(ido - 1, 1, k), cc(x.c(0, k, 0)) - cc(x.c(0, k, 1)));
    }
    if (ido < 2) {
        return;
    }
    constexpr Slot slots[2] = {{0, false}, {1, true}};
    forEachComplex<2>(x, cc, ch, {wa1}, slots,
                      [](const Quad(&w)[1][2], const Quad(&in)[2][2], Quad(&out)[2][2]) {
                          radf2Complex(w[0], in[0], in[1], out);
                      });
    if (ido % 2 == 1) {
        return;
    }
    for (int k = 0; k < l1; ++k) {
        ch.put(x.h(0, 1, k), -cc(x.c(ido - 1, k, 1)));
        ch.put(x.h(ido - 1, 0, k), cc(x.c(ido - 1, k, 0)));
    }
}

template <class In, class Out>
void radf3(const int ido, const int l1, const In& cc, const Out& ch, const double* __restrict wa1,
           const double* __restrict wa2) noexcept {
    const Layout x{ido, l1, 3};
    const auto first = [&](const int k, Quad(&out)[3]) {
        ch.put(x.h(0, 0, k), out[0]);
        ch.put(x.h(ido - 1, 1, k), out[1]);
        ch.put(x.h(0, 2, k), out[2]);
    };
    if constexpr (In::upperHalfZero) {
        // Input 2 lies in the zero half.
        forEachFirstRow<2>(cc, l1, [&](const int k, const Quad(&in)[2]) {
            Quad out[3];
            radf3FirstUpperHalfZero(in[0], in[1], out);
            first(k, out);
        });
    } else {
        for (int k = 0; k < l1; ++k) {
            const Quad in[3] = {cc(x.c(0, k, 0)), cc(x.c(0, k, 1)), cc(x.c(0, k, 2))};
            Quad out[3];
            radf3First(in, out);
            first(k, out);
        }
    }
    constexpr Slot slots[3] = {{0, false}, {2, false}, {1, true}};
    forEachComplex<3>(x, cc, ch, {wa1, wa2}, slots,
                      [](const auto& w, const auto& in, auto& out) { radf3Complex(w, in, out); });
}

template <class In, class Out>
void radf4(const int ido, const int l1, const In& cc, const Out& ch, const double* __restrict wa1,
           const double* __restrict wa2, const double* __restrict wa3) noexcept {
    using namespace fftconst;
    const Layout x{ido, l1, 4};
    if constexpr (In::upperHalfZero) {
        // Inputs 2 and 3 lie in the zero half.
        forEachFirstRow<2>(cc, l1, [&](const int k, const Quad(&in)[2]) {
            Quad out[4];
            radf4FirstUpperHalfZero(in[0], in[1], out);
            for (int j = 0; j < 4; ++j) {
                ch.put(4 * k + j, out[j]);
            }
        });
        return;
    }
    for (int k = 0; k < l1; ++k) {
        const Quad tr1 = cc(x.c(0, k, 1)) + cc(x.c(0, k, 3));
        const Quad tr2 = cc(x.c(0, k, 0)) + cc(x.c(0, k, 2));
        ch.put(x.h(0, 0, k), tr1 + tr2);
        ch.put(x.h(ido - 1, 3, k), tr2 - tr1);
        ch.put(x.h(ido - 1, 1, k), cc(x.c(0, k, 0)) - cc(x.c(0, k, 2)));
        ch.put(x.h(0, 2, k), cc(x.c(0, k, 3)) - cc(x.c(0, k, 1)));
    }
    if (ido < 2) {
        return;
    }
    constexpr Slot slots[4] = {{0, false}, {3, true}, {2, false}, {1, true}};
    forEachComplex<4>(x, cc, ch, {wa1, wa2, wa3}, slots,
                      [](const auto& w, const auto& in, auto& out) { radf4Complex(w, in, out); });
    if (ido % 2 == 1) {
        return;
    }
    for (int k = 0; k < l1; ++k) {
        const Quad ti1 = minusHalfSqrt2 * (cc(x.c(ido - 1, k, 1)) + cc(x.c(ido - 1, k, 3)));
        const Quad tr1 = minusHalfSqrt2 * (cc(x.c(ido - 1, k, 3)) - cc(x.c(ido - 1, k, 1)));
        ch.put(x.h(ido - 1, 0, k), tr1 + cc(x.c(ido - 1, k, 0)));
        ch.put(x.h(ido - 1, 2, k), cc(x.c(ido - 1, k, 0)) - tr1);
        ch.put(x.h(0, 1, k), ti1 - cc(x.c(ido - 1, k, 2)));
        ch.put(x.h(0, 3, k), ti1 + cc(x.c(ido - 1, k, 2)));
    }
}

template <class In, class Out>
void radf5(const int ido, const int l1, const In& cc, const Out& ch, const double* __restrict wa1,
           const double* __restrict wa2, const double* __restrict wa3,
           const double* __restrict wa4) noexcept {
    const Layout x{ido, l1, 5};
    const auto first = [&](const int k, Quad(&out)[5]) {
        ch.put(x.h(0, 0, k), out[0]);
        ch.put(x.h(ido - 1, 1, k), out[1]);
        ch.put(x.h(0, 2, k), out[2]);
        ch.put(x.h(ido - 1, 3, k), out[3]);
        ch.put(x.h(0, 4, k), out[4]);
    };
    if constexpr (In::upperHalfZero) {
        // Inputs 3 and 4 lie in the zero half.
        forEachFirstRow<3>(cc, l1, [&](const int k, const Quad(&in)[3]) {
            Quad out[5];
            radf5FirstUpperHalfZero(in[0], in[1], in[2], out);
            first(k, out);
        });
    } else {
        for (int k = 0; k < l1; ++k) {
            const Quad in[5] = {cc(x.c(0, k, 0)), cc(x.c(0, k, 1)), cc(x.c(0, k, 2)),
                                cc(x.c(0, k, 3)), cc(x.c(0, k, 4))};
            Quad out[5];
            radf5First(in, out);
            first(k, out);
        }
    }
    constexpr Slot slots[5] = {{0, false}, {2, false}, {1, true}, {4, false}, {3, true}};
    forEachComplex<5>(x, cc, ch, {wa1, wa2, wa3, wa4}, slots,
                      [](const auto& w, const auto& in, auto& out) { radf5Complex(w, in, out); });
}

template <class In, class Out>
void forwardPass(int p, int ido, int l1, const double* wa, const In& cc, const Out& ch) noexcept {
    switch (p) {
    case 4:
        radf4(ido, l1, cc, ch, wa, wa + ido, wa + 2 * ido);
        break;
    case 2:
        radf2(ido, l1, cc, ch, wa);
        break;
    case 3:
        radf3(ido, l1, cc, ch, wa, wa + ido);
        break;
    default:
        radf5(ido, l1, cc, ch, wa, wa + ido, wa + 2 * ido, wa + 3 * ido);
        break;
    }
}

// Calls pass(in) with the TransformsIn for the arrays' inputs and weights: the combinations of
// weighted lanes that the separator makes (none, the kernels' lanes 1 and 3) compiled as such.
template <class Pass>
void passFromInputs(const FftBatchArrays& arrays, const int n, const Pass& pass) noexcept {
    unsigned weighted = 0;
    for (int q = 0; q < 4; ++q) {
        weighted |= (arrays.weights[q] != nullptr ? 1U : 0U) << q;
    }
    const auto run = [&]<unsigned Weighted>() {
        const TransformsIn<Weighted> in{
            {arrays.inputs[0], arrays.inputs[1], arrays.inputs[2], arrays.inputs[3]},
            {arrays.weights[0], arrays.weights[1], arrays.weights[2], arrays.weights[3]},
            n / 2};
        pass(in);
    };
    switch (weighted) {
    case 0:
        run.template operator()<0>();
        break;
    case 0b1010:
        run.template operator()<0b1010>();
        break;
    default:
        run.template operator()<anyWeights>();
        break;
    }
}

// Runs the batch's passes; the last writes through final(out), out being the batch array it
// would write. Returns that array.
template <class Final>
const Quad* runPasses(const FftPlan& plan, const FftBatchArrays& arrays,
                      const Final& final) noexcept {
    const int n = plan.size;
    const int nf = plan.factors[1];
    Quad* source = reinterpret_cast<Quad*>(arrays.work[0]);
    Quad* destination = reinterpret_cast<Quad*>(arrays.work[1]);

    // The single transform's passes, without its fused steps.
    forEachForwardPass(plan,
                       [&](const int j, const int p, const int ido, const int l1, const int iw) {
                           const double* const wa = plan.twiddles + iw;
                           const auto pass = [&](const auto& in) {
                               if (j == 1) {
                                   forwardPass(p, ido, l1, wa, in, final(destination));
                               } else {
                                   forwardPass(p, ido, l1, wa, in, BatchOut{destination});
                               }
                           };
                           if (j == nf) {
                               passFromInputs(arrays, n, pass);
                           } else {
                               pass(BatchIn{source});
                           }
                           std::swap(source, destination);
                       });
    return source;
}

} // namespace

void fftForwardUpperHalfZeroBatchAvx2(const FftPlan& plan, const FftBatchArrays& arrays) noexcept {
    runPasses(plan, arrays, [&](Quad*) { return TransformsOut{arrays.outputs}; });
}

void fftForwardUpperHalfZeroBatchProductsAvx2(const FftPlan& plan, const FftBatchArrays& arrays,
                                              double scale) noexcept {
    const Quad* const spectra =
        runPasses(plan, arrays, [](Quad* batch) { return BatchOut{batch}; });
    const int n = plan.size;
    // Lanes 0 and 2 hold the first factor of each product, 1 and 3 the second: a swap of
    // neighbouring lanes brings each factor's partner beside it, and lanes 0 and 2 of the result
    // are the products, each part rounded as scaledProducts rounds it.
    const auto partner = [](Quad v) { return __builtin_shufflevector(v, v, 1, 0, 3, 2); };
    const Quad scaleV = splat(scale);
    double* const out0 = arrays.outputs[0];
    double* const out1 = arrays.outputs[1];
    for (const int j : {0, n - 1}) {
        const Quad v = spectra[j];
        const Quad product = v * partner(v) * scaleV;
        out0[j] = product[0];
        out1[j] = product[2];
    }
    for (int j = 1; j < n - 1; j += 2) {
        const Quad re = spectra[j];
        const Quad im = spectra[j + 1];
        const Quad reB = partner(re);
        const Quad imB = partner(im);
        const Quad productRe = (re * reB - im * imB) * scaleV;
        const Quad productIm = (re * imB + im * reB) * scaleV;
        // One unpack lines up both bins, (re, im) of lane 0 then of lane 2, for two 128-bit
        // stores: left to itself the compiler took four shuffles.
        const Quad bins = __builtin_shufflevector(productRe, productIm, 0, 4, 2, 6);
        storePair(out0 + j, __builtin_shufflevector(bins, bins, 0, 1));
        storePair(out1 + j, __builtin_shufflevector(bins, bins, 2, 3));
    }
}

} // namespace calderine::fftpass
