#pragma once

#include "fft/FftConstants.h"
#include "fft/FftLanes.h"

#include <type_traits>

// Forward (analysis) radix passes of the real FFT. Each pass reads cc, laid out ido x l1 x p, and
// writes ch, laid out ido x p x l1 (ido varying fastest); waN is the twiddle row of the N-th
// non-trivial input, read at [i - 2] (cosine) and [i - 1] (sine) for i = 2, 4, .., ido - 1. cc and
// ch must not overlap.
//
// The passes are templates on a lanes class (FftLanes.h) so that one text serves every
// instruction set the transform is built for.
//
// Every pass has the same shape: the k loop over the first element of each row (real inputs),
// then, when ido > 2, the k/i loop over the complex pairs (i - 1 real, i imaginary, mirrored to
// ic = ido - i in the output), then for radix 2 and 4 the last element when ido is even. Radix 3
// and 5 always see an odd ido, because only factors 3 and 5 follow them in the plan.
//
// c(i, k, m) and h(i, m, k) spell the classic cc/ch subscripts with zero-based indices. The
// complex loop body is written once for every lane policy; in it, cNr/cNi are
// cc(i - 1, k, N) and cc(i, k, N), and wNr/wNi the cosine and sine of twiddle row N at i.

namespace calderine::fftpass {

template <class Lanes>
[[gnu::flatten]] void radf2(const int ido, const int l1, const double* __restrict cc,
                            double* __restrict ch, const double* __restrict wa1) noexcept {
    using namespace fftconst;
    const auto c = [ido, l1](int i, int k, int m) { return i + ido * (k + l1 * m); };
    const auto h = [ido](int i, int m, int k) { return i + ido * (m + 2 * k); };

    forEachRow(ido, l1, [&](const int k) {
        ch[h(0, 0, k)] = cc[c(0, k, 0)] + cc[c(0, k, 1)];
        ch[h(ido - 1, 1, k)] = cc[c(0, k, 0)] - cc[c(0, k, 1)];
    });
    if (ido < 2) {
        return;
    }
    if (ido > 2) {
        Lanes::forEachComplex(ido, l1, ido, ido * 2,
                              [&](const auto& lane, const int i, const int k) {
                                  using V = typename std::decay_t<decltype(lane)>::V;
                                  const int ic = ido - i;
                                  V w1r, w1i, c0r, c0i, c1r, c1i;
                                  lane.twiddle(wa1 + i - 2, w1r, w1i);
                                  lane.loadIn(cc + c(i - 1, k, 0), c0r, c0i);
                                  lane.loadIn(cc + c(i - 1, k, 1), c1r, c1i);
                                  const V tr2 = w1r * c1r + w1i * c1i;
                                  const V ti2 = w1r * c1i - w1i * c1r;
                                  lane.storeOut(ch + h(i - 1, 0, k), c0r + tr2, c0i + ti2);
                                  lane.storeOutMirrored(ch + h(ic - 1, 1, k), c0r - tr2, ti2 - c0i);
                              });
        if (ido % 2 == 1) {
            return;
        }
    }
    for (int k = 0; k < l1; ++k) {
        ch[h(0, 1, k)] = -cc[c(ido - 1, k, 1)];
        ch[h(ido - 1, 0, k)] = cc[c(ido - 1, k, 0)];
    }
}

// radf3 on the first element of a row (real values): in[m] = cc(0, k, m); out = ch(0, 0, k),
// ch(ido - 1, 1, k), ch(0, 2, k).
template <class V>
inline void radf3First(const V (&in)[3], V (&out)[3]) noexcept {
    using namespace fftconst;
    const V cr2 = in[1] + in[2];
    out[0] = in[0] + cr2;
    out[1] = in[0] + taur * cr2;
    out[2] = taui * (in[2] - in[1]);
}

// radf3First where input 2 is zero, neither loaded nor summed (x + 0 is x, and -x stands for
// 0 - x).
template <class V>
inline void radf3FirstUpperHalfZero(const V in0, const V in1, V (&out)[3]) noexcept {
    using namespace fftconst;
    out[0] = in0 + in1;
    out[1] = in0 + taur * in1;
    out[2] = -taui * in1;
}

// The first element of first-pass row kf (its inputs rows1 = N / 3 doubles apart) through
// radf3First, in lanes of rows kf, kf + 1, ... With UpperHalfZero the input's samples from N / 2
// on are zeros, input 2 (from 2 N / 3 on) among them: it is neither loaded nor summed. The result
// differs from the full one at most in the sign of an exact zero (x + 0 is x, and -x stands for
// 0 - x). Input 1 too is zero from row rows1 / 2 on, but it is loaded and summed all the same:
// taking rows apart there measured slower (radf355 2723 against 2457 ns, radf433 1653 against
// 1574 at N = 4800 and 4608, AVX2 build), the branches costing more than the work they spared.
template <bool UpperHalfZero, class Rows, class V>
inline void radf3FirstRows(const Rows& rows, const double* __restrict cc, const int kf,
                           const int rows1, V (&out)[3]) noexcept {
    using namespace fftconst;
    const double* const first = cc + kf;
    if constexpr (UpperHalfZero) {
        radf3FirstUpperHalfZero(rows.load(first), rows.load(first + rows1), out);
    } else {
        const V in[3] = {rows.load(first), rows.load(first + rows1), rows.load(first + 2 * rows1)};
        radf3First(in, out);
    }
}

// radf3 on one complex iteration (i, k): in[m] = (re, im) of cc(i - 1, k, m), w[m - 1] = (cos, sin)
// of twiddle row m at i; out = ch(i - 1, 0, k), ch(i - 1, 2, k) and the mirrored ch(ic - 1, 1, k).
template <class V>
inline void radf3Complex(const V (&w)[2][2], const V (&in)[3][2], V (&out)[3][2]) noexcept {
    using namespace fftconst;
    const V dr2 = w[0][0] * in[1][0] + w[0][1] * in[1][1];
    const V di2 = w[0][0] * in[1][1] - w[0][1] * in[1][0];
    const V dr3 = w[1][0] * in[2][0] + w[1][1] * in[2][1];
    const V di3 = w[1][0] * in[2][1] - w[1][1] * in[2][0];
    const V cr2 = dr2 + dr3;
    const V ci2 = di2 + di3;
    out[0][0] = in[0][0] + cr2;
    out[0][1] = in[0][1] + ci2;
    const V tr2 = in[0][0] + taur * cr2;
    const V ti2 = in[0][1] + taur * ci2;
    const V tr3 = taui * (di2 - di3);
    const V ti3 = taui * (dr3 - dr2);
    out[1][0] = tr2 + tr3;
    out[1][1] = ti2 + ti3;
    out[2][0] = tr2 - tr3;
    out[2][1] = ti3 - ti2;
}

template <class Lanes, bool UpperHalfZero = false>
[[gnu::flatten]] void radf3(const int ido, const int l1, const double* __restrict cc,
                            double* __restrict ch, const double* __restrict wa1,
                            const double* __restrict wa2) noexcept {
    using namespace fftconst;
    const auto c = [ido, l1](int i, int k, int m) { return i + ido * (k + l1 * m); };
    const auto h = [ido](int i, int m, int k) { return i + ido * (m + 3 * k); };

    if (ido == 1) {
        Lanes::forEachRowVector(l1, [&](const auto& rows, const int k) {
            using V = typename std::decay_t<decltype(rows)>::V;
            V out[3];
            radf3FirstRows<UpperHalfZero>(rows, cc, k, l1, out);
            rows.storeInterleaved(ch + h(0, 0, k), out);
        });
        return;
    }
    if (ido == 3) {
        // Whole rows, several at once: each row of cc and ch is contiguous (3 and 9 doubles), so
        // the row vectors load and store them interleaved, the first elements included. Rows across
        // lanes with the first elements a scalar loop of their own took 1487 ns at N = 4608, 40 %
        // of it in that loop.
        Lanes::forEachRowVector(l1, [&](const auto& rows, const int k) {
            using V = typename std::decay_t<decltype(rows)>::V;
            V row[3][3]; // (first, re, im) of input m
            for (int m = 0; m < 3; ++m) {
                rows.loadInterleaved(cc + c(0, k, m), row[m]);
            }
            const V first[3] = {row[0][0], row[1][0], row[2][0]};
            V firstOut[3];
            radf3First(first, firstOut);
            const V w[2][2] = {{rows.splat(wa1[0]), rows.splat(wa1[1])},
                               {rows.splat(wa2[0]), rows.splat(wa2[1])}};
            const V in[3][2] = {
                {row[0][1], row[0][2]}, {row[1][1], row[1][2]}, {row[2][1], row[2][2]}};
            V out[3][2];
            radf3Complex(w, in, out);
            const V outRow[9] = {firstOut[0], out[0][0],   out[0][1], out[2][0], out[2][1],
                                 firstOut[1], firstOut[2], out[1][0], out[1][1]};
            rows.storeInterleaved(ch + h(0, 0, k), outRow);
        });
        return;
    }
    for (int k = 0; k < l1; ++k) {
        const double in[3] = {cc[c(0, k, 0)], cc[c(0, k, 1)], cc[c(0, k, 2)]};
        double out[3];
        radf3First(in, out);
        ch[h(0, 0, k)] = out[0];
        ch[h(ido - 1, 1, k)] = out[1];
        ch[h(0, 2, k)] = out[2];
    }
    Lanes::forEachComplex(ido, l1, ido, ido * 3, [&](const auto& lane, const int i, const int k) {
        using V = typename std::decay_t<decltype(lane)>::V;
        const int ic = ido - i;
        V w[2][2], in[3][2], out[3][2];
        lane.twiddle(wa1 + i - 2, w[0][0], w[0][1]);
        lane.twiddle(wa2 + i - 2, w[1][0], w[1][1]);
        for (int m = 0; m < 3; ++m) {
            lane.loadIn(cc + c(i - 1, k, m), in[m][0], in[m][1]);
        }
        radf3Complex(w, in, out);
        lane.storeOut(ch + h(i - 1, 0, k), out[0][0], out[0][1]);
        lane.storeOut(ch + h(i - 1, 2, k), out[1][0], out[1][1]);
        lane.storeOutMirrored(ch + h(ic - 1, 1, k), out[2][0], out[2][1]);
    });
}

// Row k of the first two forward passes of a plan whose last factors are 3, 3: radf3 at ido = 1
// (3 * l1 rows, its inputs 3 * l1 apart) and at ido = 3 (l1 rows), in vector lanes of rows.
// outRow receives the second pass's output row, ch(i, m, k) at i + 3 * m.
template <bool UpperHalfZero, class Rows, class V>
inline void radf33Row(const Rows& rows, const double* __restrict cc, const int k, const int l1,
                      const double* __restrict wa1, const double* __restrict wa2,
                      V (&outRow)[9]) noexcept {
    const int rows1 = 3 * l1; // the first pass's rows, also the distance between its inputs
    // row[m][i]: value i of the second pass's input m (the first pass's row k + l1 * m).
    V row[3][3];
    for (int m = 0; m < 3; ++m) {
        radf3FirstRows<UpperHalfZero>(rows, cc, k + l1 * m, rows1, row[m]);
    }
    const V first[3] = {row[0][0], row[1][0], row[2][0]};
    V firstOut[3];
    radf3First(first, firstOut);
    const V w[2][2] = {{rows.splat(wa1[0]), rows.splat(wa1[1])},
                       {rows.splat(wa2[0]), rows.splat(wa2[1])}};
    const V in[3][2] = {{row[0][1], row[0][2]}, {row[1][1], row[1][2]}, {row[2][1], row[2][2]}};
    V out[3][2];
    radf3Complex(w, in, out);
    const V result[9] = {firstOut[0], out[0][0],   out[0][1], out[2][0], out[2][1],
                         firstOut[1], firstOut[2], out[1][0], out[1][1]};
    for (int j = 0; j < 9; ++j) {
        outRow[j] = result[j];
    }
}

// The first two forward passes of a plan whose last factors are 3, 3: radf3 at ido = 1 (3 * l1
// rows) and at ido = 3 (l1 rows) in one, as radf55 does for fives. wa1, wa2 are the second pass's
// twiddle rows. Measured (AVX2 build): 556 ns against 324 + 560 for the two passes at N = 2304,
// 1304 against 646 + 1073 at 4608; backward (radb33) 535 against 538 + 324 at 2304.
template <class Lanes, bool UpperHalfZero = false>
[[gnu::flatten]] void radf33(const int l1, const double* __restrict cc, double* __restrict ch,
                             const double* __restrict wa1, const double* __restrict wa2) noexcept {
    Lanes::forEachRowVector(l1, [&](const auto& rows, const int k) {
        using V = typename std::decay_t<decltype(rows)>::V;
        V outRow[9];
        radf33Row<UpperHalfZero>(rows, cc, k, l1, wa1, wa2, outRow);
        rows.storeInterleaved(ch + 9 * k, outRow);
    });
}

// radf4 on one complex iteration (i, k): in[m] = (re, im) of cc(i - 1, k, m), w[m - 1] = (cos, sin)
// of twiddle row m at i; out = ch(i - 1, 0, k), the mirrored ch(ic - 1, 3, k), ch(i - 1, 2, k) and
// the mirrored ch(ic - 1, 1, k). The operations of radf4's complex loop, in its order.
template <class V>
inline void radf4Complex(const V (&w)[3][2], const V (&in)[4][2], V (&out)[4][2]) noexcept {
    const V cr2 = w[0][0] * in[1][0] + w[0][1] * in[1][1];
    const V ci2 = w[0][0] * in[1][1] - w[0][1] * in[1][0];
    const V cr3 = w[1][0] * in[2][0] + w[1][1] * in[2][1];
    const V ci3 = w[1][0] * in[2][1] - w[1][1] * in[2][0];
    const V cr4 = w[2][0] * in[3][0] + w[2][1] * in[3][1];
    const V ci4 = w[2][0] * in[3][1] - w[2][1] * in[3][0];
    const V tr1 = cr2 + cr4;
    const V tr4 = cr4 - cr2;
    const V ti1 = ci2 + ci4;
    const V ti4 = ci2 - ci4;
    const V ti2 = in[0][1] + ci3;
    const V ti3 = in[0][1] - ci3;
    const V tr2 = in[0][0] + cr3;
    const V tr3 = in[0][0] - cr3;
    out[0][0] = tr1 + tr2;
    out[0][1] = ti1 + ti2;
    out[1][0] = tr2 - tr1;
    out[1][1] = ti1 - ti2;
    out[2][0] = ti4 + tr3;
    out[2][1] = tr4 + ti3;
    out[3][0] = tr3 - ti4;
    out[3][1] = tr4 - ti3;
}

// The first element of a first-pass row (ido = 1) of an input whose upper half is zero: inputs 2
// and 3 (from N / 2 on) are zeros, so tr1 = c1 + 0, tr2 = c0 + 0, c0 - 0 and 0 - c1 come without
// them, equal but for the sign of an exact zero. out = ch(0, m, k) for m = 0 .. 3.
template <class V>
inline void radf4FirstUpperHalfZero(const V c0, const V c1, V (&out)[4]) noexcept {
    out[0] = c1 + c0;
    out[1] = c0;
    out[2] = -c1;
    out[3] = c0 - c1;
}

template <class Lanes, bool UpperHalfZero = false>
[[gnu::flatten]] void radf4(const int ido, const int l1, const double* __restrict cc,
                            double* __restrict ch, const double* __restrict wa1,
                            const double* __restrict wa2, const double* __restrict wa3) noexcept {
    using namespace fftconst;
    const auto c = [ido, l1](int i, int k, int m) { return i + ido * (k + l1 * m); };
    const auto h = [ido](int i, int m, int k) { return i + ido * (m + 4 * k); };

    if constexpr (UpperHalfZero) {
        if (ido == 1) {
            for (int k = 0; k < l1; ++k) {
                double out[4];
                radf4FirstUpperHalfZero(cc[k], cc[k + l1], out);
                for (int j = 0; j < 4; ++j) {
                    ch[4 * k + j] = out[j];
                }
            }
            return;
        }
    }
    forEachRow(ido, l1, [&](const int k) {
        const double tr1 = cc[c(0, k, 1)] + cc[c(0, k, 3)];
        const double tr2 = cc[c(0, k, 0)] + cc[c(0, k, 2)];
        ch[h(0, 0, k)] = tr1 + tr2;
        ch[h(ido - 1, 3, k)] = tr2 - tr1;
        ch[h(ido - 1, 1, k)] = cc[c(0, k, 0)] - cc[c(0, k, 2)];
        ch[h(0, 2, k)] = cc[c(0, k, 3)] - cc[c(0, k, 1)];
    });
    if (ido < 2) {
        return;
    }
    if (ido > 2) {
        Lanes::forEachComplex(ido, l1, ido, ido * 4,
                              [&](const auto& lane, const int i, const int k) {
                                  using V = typename std::decay_t<decltype(lane)>::V;
                                  const int ic = ido - i;
                                  V w[3][2], in[4][2], out[4][2];
                                  lane.twiddle(wa1 + i - 2, w[0][0], w[0][1]);
                                  lane.twiddle(wa2 + i - 2, w[1][0], w[1][1]);
                                  lane.twiddle(wa3 + i - 2, w[2][0], w[2][1]);
                                  for (int m = 0; m < 4; ++m) {
                                      lane.loadIn(cc + c(i - 1, k, m), in[m][0], in[m][1]);
                                  }
                                  radf4Complex(w, in, out);
                                  lane.storeOut(ch + h(i - 1, 0, k), out[0][0], out[0][1]);
                                  lane.storeOutMirrored(ch + h(ic - 1, 3, k), out[1][0], out[1][1]);
                                  lane.storeOut(ch + h(i - 1, 2, k), out[2][0], out[2][1]);
                                  lane.storeOutMirrored(ch + h(ic - 1, 1, k), out[3][0], out[3][1]);
                              });
        if (ido % 2 == 1) {
            return;
        }
    }
    for (int k = 0; k < l1; ++k) {
        const double ti1 = minusHalfSqrt2 * (cc[c(ido - 1, k, 1)] + cc[c(ido - 1, k, 3)]);
        const double tr1 = minusHalfSqrt2 * (cc[c(ido - 1, k, 3)] - cc[c(ido - 1, k, 1)]);
        ch[h(ido - 1, 0, k)] = tr1 + cc[c(ido - 1, k, 0)];
        ch[h(ido - 1, 2, k)] = cc[c(ido - 1, k, 0)] - tr1;
        ch[h(0, 1, k)] = ti1 - cc[c(ido - 1, k, 2)];
        ch[h(0, 3, k)] = ti1 + cc[c(ido - 1, k, 2)];
    }
}

// radf2 on one complex iteration i of its only row: c0, c1 = (re, im) of cc(i - 1, 0, m) for m = 0,
// 1, w = (cos, sin) of its twiddle row at i; out = ch(i - 1, 0, 0) and the mirrored
// ch(ic - 1, 1, 0). The operations of radf2's complex loop, in its order.
template <class V>
inline void radf2Complex(const V (&w)[2], const V (&c0)[2], const V (&c1)[2],
                         V (&out)[2][2]) noexcept {
    const V tr2 = w[0] * c1[0] + w[1] * c1[1];
    const V ti2 = w[0] * c1[1] - w[1] * c1[0];
    out[0][0] = c0[0] + tr2;
    out[0][1] = c0[1] + ti2;
    out[1][0] = c0[0] - tr2;
    out[1][1] = ti2 - c0[1];
}

// The last two forward passes of a plan whose first factors are 2, 4: radf4 at ido (N / 8, even)
// with its two rows, then radf2 at 4 * ido with one row, in one sweep, on the same values in the
// same order. radf4's row k is radf2's input m = k, and each complex iteration of radf4 yields
// four complex values, at positions of its row that are, each, one complex iteration of radf2
// (two of them with i running down, the mirrored positions): so every value of the array is read
// and written once instead of twice. wa1 .. wa3 are the radix-4 pass's twiddle rows, wb the radix-2
// pass's. Measured (AVX2 build, ns): 865 against 532 + 458 for the two passes at N = 2400, 1676
// against 1056 + 1197 at 4608; backward (radb24) 734 against 559 + 472 at 2400, 1955 against
// 1064 + 927 at 4608 (even there).
template <class Lanes>
[[gnu::flatten]] void radf24(const int ido, const double* __restrict cc, double* __restrict ch,
                             const double* __restrict wa1, const double* __restrict wa2,
                             const double* __restrict wa3, const double* __restrict wb) noexcept {
    using namespace fftconst;
    const int ido2 = 4 * ido; // the radix-2 pass's
    const auto c = [ido](int i, int k, int m) { return i + ido * (k + 2 * m); };

    // The real values of radf4's rows: t[k][j] at positions 0, ido - 1, ido, 2 ido - 1, 2 ido,
    // 3 ido - 1, 3 ido, 4 ido - 1 of row k; then radf2 on them: its first and last values and its
    // iterations at i = ido, 2 ido, 3 ido.
    double t[2][8];
    for (int k = 0; k < 2; ++k) {
        const double tr1 = cc[c(0, k, 1)] + cc[c(0, k, 3)];
        const double tr2 = cc[c(0, k, 0)] + cc[c(0, k, 2)];
        t[k][0] = tr1 + tr2;
        t[k][7] = tr2 - tr1;
        t[k][3] = cc[c(0, k, 0)] - cc[c(0, k, 2)];
        t[k][4] = cc[c(0, k, 3)] - cc[c(0, k, 1)];
        const double ti1 = minusHalfSqrt2 * (cc[c(ido - 1, k, 1)] + cc[c(ido - 1, k, 3)]);
        const double tr1Last = minusHalfSqrt2 * (cc[c(ido - 1, k, 3)] - cc[c(ido - 1, k, 1)]);
        t[k][1] = tr1Last + cc[c(ido - 1, k, 0)];
        t[k][5] = cc[c(ido - 1, k, 0)] - tr1Last;
        t[k][2] = ti1 - cc[c(ido - 1, k, 2)];
        t[k][6] = ti1 + cc[c(ido - 1, k, 2)];
    }
    ch[0] = t[0][0] + t[1][0];
    ch[2 * ido2 - 1] = t[0][0] - t[1][0];
    ch[ido2] = -t[1][7];
    ch[ido2 - 1] = t[0][7];
    for (int q = 1; q < 4; ++q) {
        const int i2 = q * ido;
        const double w[2] = {wb[i2 - 2], wb[i2 - 1]};
        const double c0[2] = {t[0][2 * q - 1], t[0][2 * q]};
        const double c1[2] = {t[1][2 * q - 1], t[1][2 * q]};
        double out[2][2];
        radf2Complex(w, c0, c1, out);
        ch[i2 - 1] = out[0][0];
        ch[i2] = out[0][1];
        ch[2 * ido2 - i2 - 1] = out[1][0];
        ch[2 * ido2 - i2] = out[1][1];
    }

    Lanes::forEachAlongI(ido, [&](const auto& lane, const int i, int) {
        using V = typename std::decay_t<decltype(lane)>::V;
        V w[3][2];
        lane.twiddle(wa1 + i - 2, w[0][0], w[0][1]);
        lane.twiddle(wa2 + i - 2, w[1][0], w[1][1]);
        lane.twiddle(wa3 + i - 2, w[2][0], w[2][1]);
        // out4[k][j]: radf4's row k at ch(i - 1, 0), ch(ic - 1, 3), ch(i - 1, 2), ch(ic - 1, 1).
        V out4[2][4][2];
        for (int k = 0; k < 2; ++k) {
            V in[4][2];
            for (int m = 0; m < 4; ++m) {
                lane.loadIn(cc + c(i - 1, k, m), in[m][0], in[m][1]);
            }
            radf4Complex(w, in, out4[k]);
        }
        // radf2 at i2 = i, ido2 - i, 2 ido + i and 2 ido - i: where out4[k][j] sits in row k.
        V wr[2];
        V out[2][2];
        lane.twiddle(wb + i - 2, wr[0], wr[1]);
        radf2Complex(wr, out4[0][0], out4[1][0], out);
        lane.storeOut(ch + i - 1, out[0][0], out[0][1]);
        lane.storeOutMirrored(ch + 2 * ido2 - i - 1, out[1][0], out[1][1]);

        lane.twiddleMirrored(wb + ido2 - i - 2, wr[0], wr[1]);
        radf2Complex(wr, out4[0][1], out4[1][1], out);
        lane.storeOutMirrored(ch + ido2 - i - 1, out[0][0], out[0][1]);
        lane.storeOut(ch + ido2 + i - 1, out[1][0], out[1][1]);

        lane.twiddle(wb + 2 * ido + i - 2, wr[0], wr[1]);
        radf2Complex(wr, out4[0][2], out4[1][2], out);
        lane.storeOut(ch + 2 * ido + i - 1, out[0][0], out[0][1]);
        lane.storeOutMirrored(ch + ido2 + 2 * ido - i - 1, out[1][0], out[1][1]);

        lane.twiddleMirrored(wb + 2 * ido - i - 2, wr[0], wr[1]);
        radf2Complex(wr, out4[0][3], out4[1][3], out);
        lane.storeOutMirrored(ch + 2 * ido - i - 1, out[0][0], out[0][1]);
        lane.storeOut(ch + ido2 + 2 * ido + i - 1, out[1][0], out[1][1]);
    });
}

// radf5 on the first element of a row (real values): in[m] = cc(0, k, m); out = ch(0, 0, k),
// ch(ido - 1, 1, k), ch(0, 2, k), ch(ido - 1, 3, k), ch(0, 4, k).
template <class V>
inline void radf5First(const V (&in)[5], V (&out)[5]) noexcept {
    using namespace fftconst;
    const V cr2 = in[4] + in[1];
    const V ci5 = in[4] - in[1];
    const V cr3 = in[3] + in[2];
    const V ci4 = in[3] - in[2];
    out[0] = in[0] + cr2 + cr3;
    out[1] = in[0] + tr11 * cr2 + tr12 * cr3;
    out[2] = ti11 * ci5 + ti12 * ci4;
    out[3] = in[0] + tr12 * cr2 + tr11 * cr3;
    out[4] = ti12 * ci5 - ti11 * ci4;
}

// radf5First where inputs 3 and 4 are zeros, neither loaded nor summed: ti11 * ci5 with ci5 = 0 -
// in[1] is -ti11 * in[1], and x - (-y) is x + y.
template <class V>
inline void radf5FirstUpperHalfZero(const V in0, const V in1, const V in2, V (&out)[5]) noexcept {
    using namespace fftconst;
    out[0] = in0 + in1 + in2;
    out[1] = in0 + tr11 * in1 + tr12 * in2;
    out[2] = -ti11 * in1 + -ti12 * in2;
    out[3] = in0 + tr12 * in1 + tr11 * in2;
    out[4] = -ti12 * in1 + ti11 * in2;
}

// The first element of first-pass row kf (its inputs rows1 = N / 5 doubles apart) through
// radf5First, in lanes of rows, as radf3FirstRows: with UpperHalfZero, inputs 3 and 4 (from 3 N / 5
// on) are neither loaded nor summed; input 2, zero from row rows1 / 2 on, is.
template <bool UpperHalfZero, class Rows, class V>
inline void radf5FirstRows(const Rows& rows, const double* __restrict cc, const int kf,
                           const int rows1, V (&out)[5]) noexcept {
    using namespace fftconst;
    const double* const first = cc + kf;
    if constexpr (UpperHalfZero) {
        radf5FirstUpperHalfZero(rows.load(first), rows.load(first + rows1),
                                rows.load(first + 2 * rows1), out);
    } else {
        const V in[5] = {rows.load(first), rows.load(first + rows1), rows.load(first + 2 * rows1),
                         rows.load(first + 3 * rows1), rows.load(first + 4 * rows1)};
        radf5First(in, out);
    }
}

// radf5 on one complex iteration (i, k): in[m] = (re, im) of cc(i - 1, k, m), w[m - 1] = (cos, sin)
// of twiddle row m at i; out = ch(i - 1, 0, k), ch(i - 1, 2, k), the mirrored ch(ic - 1, 1, k),
// ch(i - 1, 4, k) and the mirrored ch(ic - 1, 3, k).
template <class V>
inline void radf5Complex(const V (&w)[4][2], const V (&in)[5][2], V (&out)[5][2]) noexcept {
    using namespace fftconst;
    const V dr2 = w[0][0] * in[1][0] + w[0][1] * in[1][1];
    const V di2 = w[0][0] * in[1][1] - w[0][1] * in[1][0];
    const V dr3 = w[1][0] * in[2][0] + w[1][1] * in[2][1];
    const V di3 = w[1][0] * in[2][1] - w[1][1] * in[2][0];
    const V dr4 = w[2][0] * in[3][0] + w[2][1] * in[3][1];
    const V di4 = w[2][0] * in[3][1] - w[2][1] * in[3][0];
    const V dr5 = w[3][0] * in[4][0] + w[3][1] * in[4][1];
    const V di5 = w[3][0] * in[4][1] - w[3][1] * in[4][0];
    const V cr2 = dr2 + dr5;
    const V ci5 = dr5 - dr2;
    const V cr5 = di2 - di5;
    const V ci2 = di2 + di5;
    const V cr3 = dr3 + dr4;
    const V ci4 = dr4 - dr3;
    const V cr4 = di3 - di4;
    const V ci3 = di3 + di4;
    const V c0r = in[0][0];
    const V c0i = in[0][1];
    out[0][0] = c0r + cr2 + cr3;
    out[0][1] = c0i + ci2 + ci3;
    const V tr2 = c0r + tr11 * cr2 + tr12 * cr3;
    const V ti2 = c0i + tr11 * ci2 + tr12 * ci3;
    const V tr3 = c0r + tr12 * cr2 + tr11 * cr3;
    const V ti3 = c0i + tr12 * ci2 + tr11 * ci3;
    const V tr5 = ti11 * cr5 + ti12 * cr4;
    const V ti5 = ti11 * ci5 + ti12 * ci4;
    const V tr4 = ti12 * cr5 - ti11 * cr4;
    const V ti4 = ti12 * ci5 - ti11 * ci4;
    out[1][0] = tr2 + tr5;
    out[1][1] = ti2 + ti5;
    out[2][0] = tr2 - tr5;
    out[2][1] = ti5 - ti2;
    out[3][0] = tr3 + tr4;
    out[3][1] = ti3 + ti4;
    out[4][0] = tr3 - tr4;
    out[4][1] = ti4 - ti3;
}

template <class Lanes, bool UpperHalfZero = false>
[[gnu::flatten]] void radf5(const int ido, const int l1, const double* __restrict cc,
                            double* __restrict ch, const double* __restrict wa1,
                            const double* __restrict wa2, const double* __restrict wa3,
                            const double* __restrict wa4) noexcept {
    const auto c = [ido, l1](int i, int k, int m) { return i + ido * (k + l1 * m); };
    const auto h = [ido](int i, int m, int k) { return i + ido * (m + 5 * k); };

    if (ido == 1) {
        Lanes::forEachRowVector(l1, [&](const auto& rows, const int k) {
            using V = typename std::decay_t<decltype(rows)>::V;
            V out[5];
            radf5FirstRows<UpperHalfZero>(rows, cc, k, l1, out);
            rows.storeInterleaved(ch + h(0, 0, k), out);
        });
        return;
    }
    for (int k = 0; k < l1; ++k) {
        const double in[5] = {cc[c(0, k, 0)], cc[c(0, k, 1)], cc[c(0, k, 2)], cc[c(0, k, 3)],
                              cc[c(0, k, 4)]};
        double out[5];
        radf5First(in, out);
        ch[h(0, 0, k)] = out[0];
        ch[h(ido - 1, 1, k)] = out[1];
        ch[h(0, 2, k)] = out[2];
        ch[h(ido - 1, 3, k)] = out[3];
        ch[h(0, 4, k)] = out[4];
    }
    Lanes::forEachComplex(ido, l1, ido, ido * 5, [&](const auto& lane, const int i, const int k) {
        using V = typename std::decay_t<decltype(lane)>::V;
        const int ic = ido - i;
        V w[4][2], in[5][2], out[5][2];
        lane.twiddle(wa1 + i - 2, w[0][0], w[0][1]);
        lane.twiddle(wa2 + i - 2, w[1][0], w[1][1]);
        lane.twiddle(wa3 + i - 2, w[2][0], w[2][1]);
        lane.twiddle(wa4 + i - 2, w[3][0], w[3][1]);
        for (int m = 0; m < 5; ++m) {
            lane.loadIn(cc + c(i - 1, k, m), in[m][0], in[m][1]);
        }
        radf5Complex(w, in, out);
        lane.storeOut(ch + h(i - 1, 0, k), out[0][0], out[0][1]);
        lane.storeOut(ch + h(i - 1, 2, k), out[1][0], out[1][1]);
        lane.storeOutMirrored(ch + h(ic - 1, 1, k), out[2][0], out[2][1]);
        lane.storeOut(ch + h(i - 1, 4, k), out[3][0], out[3][1]);
        lane.storeOutMirrored(ch + h(ic - 1, 3, k), out[4][0], out[4][1]);
    });
}

// Row k of the radf55 step (below): the output row of its second pass, ch(i, m, k) at i + 5 * m.
template <bool UpperHalfZero, class Rows, class V>
inline void radf55Row(const Rows& rows, const double* __restrict cc, const int k, const int l1,
                      const double* __restrict wa1, const double* __restrict wa2,
                      const double* __restrict wa3, const double* __restrict wa4,
                      V (&outRow)[25]) noexcept {
    const int rows1 = 5 * l1; // the first pass's rows, also the distance between its inputs
    // row[m][i]: value i of the second pass's input m (the first pass's row k + l1 * m).
    V row[5][5];
    for (int m = 0; m < 5; ++m) {
        radf5FirstRows<UpperHalfZero>(rows, cc, k + l1 * m, rows1, row[m]);
    }
    {
        const V first[5] = {row[0][0], row[1][0], row[2][0], row[3][0], row[4][0]};
        V out[5];
        radf5First(first, out);
        outRow[0] = out[0];
        outRow[9] = out[1];
        outRow[10] = out[2];
        outRow[19] = out[3];
        outRow[20] = out[4];
    }
    const double* const wa[4] = {wa1, wa2, wa3, wa4};
    // Where iteration t (i = 2 + 2t, ic = 5 - i) puts ch(i - 1, 0), ch(i - 1, 2), ch(ic - 1,
    // 1), ch(i - 1, 4), ch(ic - 1, 3).
    constexpr int slot[2][5] = {{1, 11, 7, 21, 17}, {3, 13, 5, 23, 15}};
    for (int t = 0; t < 2; ++t) {
        V w[4][2];
        V in[5][2];
        V out[5][2];
        for (int m = 0; m < 4; ++m) {
            w[m][0] = rows.splat(wa[m][2 * t]);
            w[m][1] = rows.splat(wa[m][2 * t + 1]);
        }
        for (int m = 0; m < 5; ++m) {
            in[m][0] = row[m][1 + 2 * t];
            in[m][1] = row[m][2 + 2 * t];
        }
        radf5Complex(w, in, out);
        for (int j = 0; j < 5; ++j) {
            outRow[slot[t][j]] = out[j][0];
            outRow[slot[t][j] + 1] = out[j][1];
        }
    }
}

// The first two forward passes of a plan whose last factors are 5, 5: radf5 at ido = 1 (5 * l1
// rows) and radf5 at ido = 5 (l1 rows) in one, on the same values in the same order, so the result
// is the two passes' bit for bit. Row k of the second pass takes its input m from row k + l1 * m of
// the first, whole: the first pass's five outputs of that row are the five values of the second
// pass's row, so rows in vector lanes (the row policies of forEachRowVector) run from the first
// pass into the second without a shuffle and without a trip through memory. wa1 .. wa4 are the
// second pass's twiddle rows. Measured (AVX2 build): 815 ns against 406 + 793 for the two passes
// at N = 2400, 1617 against 747 + 1659 at 4800; backward (radb55) 844 against 811 + 439 and 1692
// against 1713 + 856.
template <class Lanes, bool UpperHalfZero = false>
[[gnu::flatten]] void radf55(const int l1, const double* __restrict cc, double* __restrict ch,
                             const double* __restrict wa1, const double* __restrict wa2,
                             const double* __restrict wa3, const double* __restrict wa4) noexcept {
    Lanes::forEachRowVector(l1, [&](const auto& rows, const int k) {
        using V = typename std::decay_t<decltype(rows)>::V;
        V outRow[25];
        radf55Row<UpperHalfZero>(rows, cc, k, l1, wa1, wa2, wa3, wa4, outRow);
        rows.storeInterleaved(ch + 25 * k, outRow);
    });
}

// The first three forward passes of a plan whose last factors are 3, 5, 5: the radf55 step (3 * l1
// rows) and radf3 at ido = 25 (l1 rows) in one, on the same values in the same order, as radf433
// does for 4, 3, 3. wa1, wa2 are the radix-3 pass's twiddle rows, wb1 .. wb4 those of the ido = 5
// radix-5 pass. Measured (AVX2 build, ns): 1276 against 815 + 562 for radf55 and the radix-3 pass
// at N = 2400, 2787 against 1634 + 1322 at 4800. Its 75 values per row and lane leave the
// registers far behind; the backward mirror image would also store 75 streams N / 75 doubles
// apart (512 bytes at 4800, some ten to a set of the L1 cache), so none was written.
template <class Lanes, bool UpperHalfZero = false>
[[gnu::flatten]] void radf355(const int l1, const double* __restrict cc, double* __restrict ch,
                              const double* __restrict wa1, const double* __restrict wa2,
                              const double* __restrict wb1, const double* __restrict wb2,
                              const double* __restrict wb3, const double* __restrict wb4) noexcept {
    constexpr int ido = 25;
    Lanes::forEachRowVector(l1, [&](const auto& rows, const int k) {
        using V = typename std::decay_t<decltype(rows)>::V;
        // in[m][i] = cc(i, k, m) of the radix-3 pass.
        V in[3][ido];
        for (int m = 0; m < 3; ++m) {
            radf55Row<UpperHalfZero>(rows, cc, k + l1 * m, 3 * l1, wb1, wb2, wb3, wb4, in[m]);
        }
        // The radix-3 pass's output row: ch(i, m, k) at i + ido * m.
        V out[3 * ido];
        {
            const V first[3] = {in[0][0], in[1][0], in[2][0]};
            V firstOut[3];
            radf3First(first, firstOut);
            out[0] = firstOut[0];
            out[ido - 1 + ido] = firstOut[1];
            out[2 * ido] = firstOut[2];
        }
        for (int i = 2; i < ido; i += 2) {
            const int ic = ido - i;
            const V w[2][2] = {{rows.splat(wa1[i - 2]), rows.splat(wa1[i - 1])},
                               {rows.splat(wa2[i - 2]), rows.splat(wa2[i - 1])}};
            const V c[3][2] = {
                {in[0][i - 1], in[0][i]}, {in[1][i - 1], in[1][i]}, {in[2][i - 1], in[2][i]}};
            V o[3][2];
            radf3Complex(w, c, o);
            out[i - 1] = o[0][0];
            out[i] = o[0][1];
            out[i - 1 + 2 * ido] = o[1][0];
            out[i + 2 * ido] = o[1][1];
            out[ic - 1 + ido] = o[2][0];
            out[ic + ido] = o[2][1];
        }
        rows.storeInterleaved(ch + 3 * ido * k, out);
    });
}

// The first three forward passes of a plan whose last factors are 4, 3, 3: the radf33 step (4 * l1
// rows) and radf4 at ido = 9 (l1 rows) in one, on the same values in the same order. Row k of the
// radix-4 pass takes its input m whole from row k + l1 * m of the 3, 3 step, so rows in vector
// lanes run from one into the other in registers: the 3, 3 step's interleaving store and the
// radix-4 pass's loads along i (its rows, 9 doubles, fill no vector) are both spared. wa1 .. wa3
// are the radix-4 pass's twiddle rows, wb1 and wb2 those of the ido = 3 radix-3 pass. Measured
// (AVX2 build, ns): 869 against 571 + 642 for radf33 and the radix-4 pass at N = 2304, 2034
// against 1321 + 1603 at 4608; backward (radb433) 767 against 643 + 536 and, with its staged
// stores, 2087 against 1544 + 1094 + 660 (at 4608 the three passes, radb33 being kept apart
// there). At 4608 the 36 streams of rows, 1 KiB apart, share four sets of the L1 cache, nine to a
// set of eight ways. Here on the load side that cost little: loading through a staging block a
// cache line per stream took 2172 ns, vectors of eight rows (a whole line of each stream per
// visit, more registers spilled) 2510.
template <class Lanes, bool UpperHalfZero = false>
[[gnu::flatten]] void radf433(const int l1, const double* __restrict cc, double* __restrict ch,
                              const double* __restrict wa1, const double* __restrict wa2,
                              const double* __restrict wa3, const double* __restrict wb1,
                              const double* __restrict wb2) noexcept {
    constexpr int ido = 9;
    Lanes::forEachRowVector(l1, [&](const auto& rows, const int k) {
        using V = typename std::decay_t<decltype(rows)>::V;
        // in[m][i] = cc(i, k, m) of the radix-4 pass.
        V in[4][ido];
        for (int m = 0; m < 4; ++m) {
            radf33Row<UpperHalfZero>(rows, cc, k + l1 * m, 4 * l1, wb1, wb2, in[m]);
        }
        // The radix-4 pass's output row: ch(i, m, k) at i + ido * m.
        V out[4 * ido];
        {
            const V tr1 = in[1][0] + in[3][0];
            const V tr2 = in[0][0] + in[2][0];
            out[0] = tr1 + tr2;
            out[ido - 1 + 3 * ido] = tr2 - tr1;
            out[ido - 1 + ido] = in[0][0] - in[2][0];
            out[2 * ido] = in[3][0] - in[1][0];
        }
        for (int i = 2; i < ido; i += 2) {
            const int ic = ido - i;
            const V w[3][2] = {{rows.splat(wa1[i - 2]), rows.splat(wa1[i - 1])},
                               {rows.splat(wa2[i - 2]), rows.splat(wa2[i - 1])},
                               {rows.splat(wa3[i - 2]), rows.splat(wa3[i - 1])}};
            const V c[4][2] = {{in[0][i - 1], in[0][i]},
                               {in[1][i - 1], in[1][i]},
                               {in[2][i - 1], in[2][i]},
                               {in[3][i - 1], in[3][i]}};
            V o[4][2];
            radf4Complex(w, c, o);
            out[i - 1] = o[0][0];
            out[i] = o[0][1];
            out[ic - 1 + 3 * ido] = o[1][0];
            out[ic + 3 * ido] = o[1][1];
            out[i - 1 + 2 * ido] = o[2][0];
            out[i + 2 * ido] = o[2][1];
            out[ic - 1 + ido] = o[3][0];
            out[ic + ido] = o[3][1];
        }
        rows.storeInterleaved(ch + 4 * ido * k, out);
    });
}

// radf4 on the real values of a row of even ido: first[m] = cc(0, k, m), last[m] = cc(ido - 1, k,
// m); t = the row's outputs at positions 0, ido - 1, ido, 2 ido - 1, 2 ido, 3 ido - 1, 3 ido and
// 4 ido - 1 (ch(i, m, k) at i + ido * m). The operations of radf4's first and last values.
inline void radf4Edges(const double (&first)[4], const double (&last)[4], double (&t)[8]) noexcept {
    using namespace fftconst;
    const double tr1 = first[1] + first[3];
    const double tr2 = first[0] + first[2];
    t[0] = tr1 + tr2;
    t[7] = tr2 - tr1;
    t[3] = first[0] - first[2];
    t[4] = first[3] - first[1];
    const double ti1 = minusHalfSqrt2 * (last[1] + last[3]);
    const double tr1Last = minusHalfSqrt2 * (last[3] - last[1]);
    t[1] = tr1Last + last[0];
    t[5] = last[0] - tr1Last;
    t[2] = ti1 - last[2];
    t[6] = ti1 + last[2];
}

// Two consecutive forward radix-4 passes in one sweep: radf4 at ido (even) with 4 * l1 rows, then
// radf4 at 4 * ido with l1 rows, on the same values in the same order. Row k of the second pass
// takes its input m whole from row k + l1 * m of the first; each complex iteration i of the first
// pass on those four rows yields, at four positions of them, the inputs of four complex iterations
// of the second (at 4 ido and 2 ido plus and minus i: two with i running down), so the array goes
// through memory once instead of twice. wa1 .. wa3 are the first pass's twiddle rows, wb1 .. wb3
// the second's.
template <class Lanes>
[[gnu::flatten]] void radf44(const int ido, const int l1, const double* __restrict cc,
                             double* __restrict ch, const double* __restrict wa1,
                             const double* __restrict wa2, const double* __restrict wa3,
                             const double* __restrict wb1, const double* __restrict wb2,
                             const double* __restrict wb3) noexcept {
    const int idoB = 4 * ido; // the second pass's
    // The first pass's input (rows k < 4 l1) and the second pass's output.
    const auto c = [ido, l1](int i, int k, int m) { return i + ido * (k + 4 * l1 * m); };
    const auto h = [idoB](int i, int m, int k) { return i + idoB * (m + 4 * k); };
    const double* const wa[3] = {wa1, wa2, wa3};
    const double* const wb[3] = {wb1, wb2, wb3};
    // Where radf4Edges puts its outputs, in units of the row's ido.
    const auto edge = [](int row, int j) { return j == 0 ? 0 : (j + 1) / 2 * row - (j % 2); };

    for (int k = 0; k < l1; ++k) {
        // The real values of the first pass's rows, then the second pass's iterations they feed:
        // its real values and its complex iterations at i = ido, 2 ido and 3 ido.
        double t[4][8];
        for (int m = 0; m < 4; ++m) {
            double first[4];
            double last[4];
            for (int q = 0; q < 4; ++q) {
                first[q] = cc[c(0, k + l1 * m, q)];
                last[q] = cc[c(ido - 1, k + l1 * m, q)];
            }
            radf4Edges(first, last, t[m]);
        }
        {
            const double first[4] = {t[0][0], t[1][0], t[2][0], t[3][0]};
            const double last[4] = {t[0][7], t[1][7], t[2][7], t[3][7]};
            double out[8];
            radf4Edges(first, last, out);
            for (int j = 0; j < 8; ++j) {
                ch[h(0, 0, k) + edge(idoB, j)] = out[j];
            }
        }
        for (int q = 1; q < 4; ++q) {
            const int ib = q * ido;
            const int icb = idoB - ib;
            double w[3][2];
            double in[4][2];
            double out[4][2];
            for (int m = 0; m < 3; ++m) {
                w[m][0] = wb[m][ib - 2];
                w[m][1] = wb[m][ib - 1];
            }
            for (int m = 0; m < 4; ++m) {
                in[m][0] = t[m][2 * q - 1];
                in[m][1] = t[m][2 * q];
            }
            radf4Complex(w, in, out);
            const int at[4] = {h(ib - 1, 0, k), h(icb - 1, 3, k), h(ib - 1, 2, k),
                               h(icb - 1, 1, k)};
            for (int j = 0; j < 4; ++j) {
                ch[at[j]] = out[j][0];
                ch[at[j] + 1] = out[j][1];
            }
        }
    }

    // The complex iterations, rows k at 4 * idoB doubles apart in ch.
    Lanes::forEachAlongIRows(
        ido, l1, ido, 4 * idoB, [&](const auto& lane, const int i, const int k) {
            using V = typename std::decay_t<decltype(lane)>::V;
            V w[3][2];
            for (int m = 0; m < 3; ++m) {
                lane.twiddle(wa[m] + i - 2, w[m][0], w[m][1]);
            }
            // outA[m][j]: the first pass's row k + l1 * m at ch(i - 1, 0), ch(ic - 1, 3),
            // ch(i - 1, 2), ch(ic - 1, 1), that is at the second pass's i = i, idoB - i,
            // 2 ido + i, 2 ido - i.
            V outA[4][4][2];
            for (int m = 0; m < 4; ++m) {
                V in[4][2];
                for (int q = 0; q < 4; ++q) {
                    lane.loadIn(cc + c(i - 1, k + l1 * m, q), in[q][0], in[q][1]);
                }
                radf4Complex(w, in, outA[m]);
            }
            const auto second = [&](const int j, const int ib, auto up) {
                const int icb = idoB - ib;
                V wB[3][2];
                V in[4][2];
                V out[4][2];
                for (int m = 0; m < 3; ++m) {
                    if constexpr (decltype(up)::value) {
                        lane.twiddle(wb[m] + ib - 2, wB[m][0], wB[m][1]);
                    } else {
                        lane.twiddleMirrored(wb[m] + ib - 2, wB[m][0], wB[m][1]);
                    }
                }
                for (int m = 0; m < 4; ++m) {
                    in[m][0] = outA[m][j][0];
                    in[m][1] = outA[m][j][1];
                }
                radf4Complex(wB, in, out);
                if constexpr (decltype(up)::value) {
                    lane.storeOut(ch + h(ib - 1, 0, k), out[0][0], out[0][1]);
                    lane.storeOutMirrored(ch + h(icb - 1, 3, k), out[1][0], out[1][1]);
                    lane.storeOut(ch + h(ib - 1, 2, k), out[2][0], out[2][1]);
                    lane.storeOutMirrored(ch + h(icb - 1, 1, k), out[3][0], out[3][1]);
                } else {
                    lane.storeOutMirrored(ch + h(ib - 1, 0, k), out[0][0], out[0][1]);
                    lane.storeOut(ch + h(icb - 1, 3, k), out[1][0], out[1][1]);
                    lane.storeOutMirrored(ch + h(ib - 1, 2, k), out[2][0], out[2][1]);
                    lane.storeOut(ch + h(icb - 1, 1, k), out[3][0], out[3][1]);
                }
            };
            second(0, i, std::true_type{});
            second(1, idoB - i, std::false_type{});
            second(2, 2 * ido + i, std::true_type{});
            second(3, 2 * ido - i, std::false_type{});
        });
}

} // namespace calderine::fftpass
