#pragma once

#include "fft/FftConstants.h"
#include "fft/FftLanes.h"

#include <type_traits>

// Backward (synthesis) radix passes of the real FFT. Each pass reads cc, laid out ido x p x l1, and
// writes ch, laid out ido x l1 x p (ido varying fastest); waN is the twiddle row of the N-th
// non-trivial output, read at [i - 2] (cosine) and [i - 1] (sine) for i = 2, 4, .., ido - 1. cc and
// ch must not overlap.
//
// The passes are templates on a lanes class (FftLanes.h) so that one text serves every
// instruction set the transform is built for.
//
// Mirror images of the forward passes, same shape: the k loop over the first element of each
// row, then, when ido > 2, the k/i loop over complex pairs read from i and the mirrored
// ic = ido - i, then for radix 2 and 4 the last element when ido is even. Radix 3 and 5 always see
// an odd ido.
//
// c(i, m, k) and h(i, k, m) spell the classic cc/ch subscripts with zero-based indices. In the
// complex loop body (written once for every lane policy) cNr/cNi are cc(i - 1, N, k)
// and cc(i, N, k), mNr/mNi the mirrored cc(ic - 1, N, k) and cc(ic, N, k), and wNr/wNi the cosine
// and sine of twiddle row N at i.

namespace calderine::fftpass {

template <class Lanes>
[[gnu::flatten]] void radb2(const int ido, const int l1, const double* __restrict cc,
                            double* __restrict ch, const double* __restrict wa1) noexcept {
    using namespace fftconst;
    const auto c = [ido](int i, int m, int k) { return i + ido * (m + 2 * k); };
    const auto h = [ido, l1](int i, int k, int m) { return i + ido * (k + l1 * m); };

    forEachRow(ido, l1, [&](const int k) {
        ch[h(0, k, 0)] = cc[c(0, 0, k)] + cc[c(ido - 1, 1, k)];
        ch[h(0, k, 1)] = cc[c(0, 0, k)] - cc[c(ido - 1, 1, k)];
    });
    if (ido < 2) {
        return;
    }
    if (ido > 2) {
        Lanes::forEachComplex(
            ido, l1, ido * 2, ido, [&](const auto& lane, const int i, const int k) {
                using V = typename std::decay_t<decltype(lane)>::V;
                const int ic = ido - i;
                V w1r, w1i, c0r, c0i, m1r, m1i;
                lane.twiddle(wa1 + i - 2, w1r, w1i);
                lane.loadIn(cc + c(i - 1, 0, k), c0r, c0i);
                lane.loadInMirrored(cc + c(ic - 1, 1, k), m1r, m1i);
                lane.storeOut(ch + h(i - 1, k, 0), c0r + m1r, c0i - m1i);
                const V tr2 = c0r - m1r;
                const V ti2 = c0i + m1i;
                lane.storeOut(ch + h(i - 1, k, 1), w1r * tr2 - w1i * ti2, w1r * ti2 + w1i * tr2);
            });
        if (ido % 2 == 1) {
            return;
        }
    }
    for (int k = 0; k < l1; ++k) {
        ch[h(ido - 1, k, 0)] = 2.0 * cc[c(ido - 1, 0, k)];
        ch[h(ido - 1, k, 1)] = -2.0 * cc[c(0, 1, k)];
    }
}

// radb3 on the first element of a row (real values): in = cc(0, 0, k), cc(ido - 1, 1, k),
// cc(0, 2, k); out[m] = ch(0, k, m).
template <class V>
inline void radb3First(const V (&in)[3], V (&out)[3]) noexcept {
    using namespace fftconst;
    const V tr2 = 2.0 * in[1];
    const V cr2 = in[0] + taur * tr2;
    out[0] = in[0] + tr2;
    const V ci3 = twoTaui * in[2];
    out[1] = cr2 - ci3;
    out[2] = cr2 + ci3;
}

// radb3 on one complex iteration (i, k): in = (re, im) of cc(i - 1, 0, k), cc(i - 1, 2, k) and the
// mirrored cc(ic - 1, 1, k); w[m - 1] = (cos, sin) of twiddle row m at i; out[m] = ch(i - 1, k, m).
template <class V>
inline void radb3Complex(const V (&w)[2][2], const V (&in)[3][2], V (&out)[3][2]) noexcept {
    using namespace fftconst;
    const V tr2 = in[1][0] + in[2][0];
    const V cr2 = in[0][0] + taur * tr2;
    const V ti2 = in[1][1] - in[2][1];
    const V ci2 = in[0][1] + taur * ti2;
    out[0][0] = in[0][0] + tr2;
    out[0][1] = in[0][1] + ti2;
    const V cr3 = taui * (in[1][0] - in[2][0]);
    const V ci3 = taui * (in[1][1] + in[2][1]);
    const V dr2 = cr2 - ci3;
    const V dr3 = cr2 + ci3;
    const V di2 = ci2 + cr3;
    const V di3 = ci2 - cr3;
    out[1][0] = w[0][0] * dr2 - w[0][1] * di2;
    out[1][1] = w[0][0] * di2 + w[0][1] * dr2;
    out[2][0] = w[1][0] * dr3 - w[1][1] * di3;
    out[2][1] = w[1][0] * di3 + w[1][1] * dr3;
}

template <class Lanes>
[[gnu::flatten]] void radb3(const int ido, const int l1, const double* __restrict cc,
                            double* __restrict ch, const double* __restrict wa1,
                            const double* __restrict wa2) noexcept {
    using namespace fftconst;
    const auto c = [ido](int i, int m, int k) { return i + ido * (m + 3 * k); };
    const auto h = [ido, l1](int i, int k, int m) { return i + ido * (k + l1 * m); };

    if (ido == 1) {
        Lanes::forEachRowVector(l1, [&](const auto& rows, const int k) {
            using V = typename std::decay_t<decltype(rows)>::V;
            V in[3];
            rows.loadInterleaved(cc + c(0, 0, k), in);
            V out[3];
            radb3First(in, out);
            rows.store(ch + h(0, k, 0), out[0]);
            rows.store(ch + h(0, k, 1), out[1]);
            rows.store(ch + h(0, k, 2), out[2]);
        });
        return;
    }
    if (ido == 3) {
        // Whole rows, several at once (see radf3): a row of cc is 9 contiguous doubles, one of ch
        // 3 for each output m.
        Lanes::forEachRowVector(l1, [&](const auto& rows, const int k) {
            using V = typename std::decay_t<decltype(rows)>::V;
            V row[9];
            rows.loadInterleaved(cc + c(0, 0, k), row);
            const V first[3] = {row[0], row[5], row[6]};
            V firstOut[3];
            radb3First(first, firstOut);
            const V w[2][2] = {{rows.splat(wa1[0]), rows.splat(wa1[1])},
                               {rows.splat(wa2[0]), rows.splat(wa2[1])}};
            const V in[3][2] = {{row[1], row[2]}, {row[7], row[8]}, {row[3], row[4]}};
            V out[3][2];
            radb3Complex(w, in, out);
            for (int m = 0; m < 3; ++m) {
                const V outRow[3] = {firstOut[m], out[m][0], out[m][1]};
                rows.storeInterleaved(ch + h(0, k, m), outRow);
            }
        });
        return;
    }
    for (int k = 0; k < l1; ++k) {
        const double in[3] = {cc[c(0, 0, k)], cc[c(ido - 1, 1, k)], cc[c(0, 2, k)]};
        double out[3];
        radb3First(in, out);
        ch[h(0, k, 0)] = out[0];
        ch[h(0, k, 1)] = out[1];
        ch[h(0, k, 2)] = out[2];
    }
    Lanes::forEachComplex(ido, l1, ido * 3, ido, [&](const auto& lane, const int i, const int k) {
        using V = typename std::decay_t<decltype(lane)>::V;
        const int ic = ido - i;
        V w[2][2], in[3][2], out[3][2];
        lane.twiddle(wa1 + i - 2, w[0][0], w[0][1]);
        lane.twiddle(wa2 + i - 2, w[1][0], w[1][1]);
        lane.loadIn(cc + c(i - 1, 0, k), in[0][0], in[0][1]);
        lane.loadIn(cc + c(i - 1, 2, k), in[1][0], in[1][1]);
        lane.loadInMirrored(cc + c(ic - 1, 1, k), in[2][0], in[2][1]);
        radb3Complex(w, in, out);
        for (int m = 0; m < 3; ++m) {
            lane.storeOut(ch + h(i - 1, k, m), out[m][0], out[m][1]);
        }
    });
}

// Row k of the last two backward passes of a plan whose last factors are 3, 3: radb3 at ido = 3
// (l1 rows) on inRow (cc(i, m, k) at i + 3 * m) and radb3 at ido = 1 (3 * l1 rows), storing the
// latter's outputs, 3 * l1 apart.
template <class Rows, class V>
inline void radb33Row(const Rows& rows, const V (&inRow)[9], const int k, const int l1,
                      const double* __restrict wa1, const double* __restrict wa2,
                      double* __restrict ch) noexcept {
    const int rows2 = 3 * l1; // the second pass's rows, also the distance between its outputs
    const V first[3] = {inRow[0], inRow[5], inRow[6]};
    V firstOut[3];
    radb3First(first, firstOut);
    const V w[2][2] = {{rows.splat(wa1[0]), rows.splat(wa1[1])},
                       {rows.splat(wa2[0]), rows.splat(wa2[1])}};
    const V in[3][2] = {{inRow[1], inRow[2]}, {inRow[7], inRow[8]}, {inRow[3], inRow[4]}};
    V out[3][2];
    radb3Complex(w, in, out);
    // Output m of the first pass is, whole, the input of the second pass's row k + l1 * m.
    for (int m = 0; m < 3; ++m) {
        const V row[3] = {firstOut[m], out[m][0], out[m][1]};
        V last[3];
        radb3First(row, last);
        for (int q = 0; q < 3; ++q) {
            rows.store(ch + k + l1 * m + q * rows2, last[q]);
        }
    }
}

// The last two backward passes of a plan whose last factors are 3, 3: radb3 at ido = 3 (l1 rows)
// and at ido = 1 (3 * l1 rows) in one, as radb55 does for fives. wa1, wa2 are the first pass's
// twiddle rows.
template <class Lanes>
[[gnu::flatten]] void radb33(const int l1, const double* __restrict cc, double* __restrict ch,
                             const double* __restrict wa1, const double* __restrict wa2) noexcept {
    Lanes::forEachRowVector(l1, [&](const auto& rows, const int k) {
        using V = typename std::decay_t<decltype(rows)>::V;
        V inRow[9];
        rows.loadInterleaved(cc + 9 * k, inRow);
        radb33Row(rows, inRow, k, l1, wa1, wa2, ch);
    });
}

template <class Lanes>
[[gnu::flatten]] void radb4(const int ido, const int l1, const double* __restrict cc,
                            double* __restrict ch, const double* __restrict wa1,
                            const double* __restrict wa2, const double* __restrict wa3) noexcept {
    using namespace fftconst;
    const auto c = [ido](int i, int m, int k) { return i + ido * (m + 4 * k); };
    const auto h = [ido, l1](int i, int k, int m) { return i + ido * (k + l1 * m); };

    forEachRow(ido, l1, [&](const int k) {
        const double tr1 = cc[c(0, 0, k)] - cc[c(ido - 1, 3, k)];
        const double tr2 = cc[c(0, 0, k)] + cc[c(ido - 1, 3, k)];
        const double tr3 = 2.0 * cc[c(ido - 1, 1, k)];
        const double tr4 = 2.0 * cc[c(0, 2, k)];
        ch[h(0, k, 0)] = tr2 + tr3;
        ch[h(0, k, 1)] = tr1 - tr4;
        ch[h(0, k, 2)] = tr2 - tr3;
        ch[h(0, k, 3)] = tr1 + tr4;
    });
    if (ido < 2) {
        return;
    }
    if (ido > 2) {
        Lanes::forEachComplex(
            ido, l1, ido * 4, ido, [&](const auto& lane, const int i, const int k) {
                using V = typename std::decay_t<decltype(lane)>::V;
                const int ic = ido - i;
                V w1r, w1i, w2r, w2i, w3r, w3i, c0r, c0i, c2r, c2i, m1r, m1i, m3r, m3i;
                lane.twiddle(wa1 + i - 2, w1r, w1i);
                lane.twiddle(wa2 + i - 2, w2r, w2i);
                lane.twiddle(wa3 + i - 2, w3r, w3i);
                lane.loadIn(cc + c(i - 1, 0, k), c0r, c0i);
                lane.loadIn(cc + c(i - 1, 2, k), c2r, c2i);
                lane.loadInMirrored(cc + c(ic - 1, 1, k), m1r, m1i);
                lane.loadInMirrored(cc + c(ic - 1, 3, k), m3r, m3i);
                const V ti1 = c0i + m3i;
                const V ti2 = c0i - m3i;
                const V ti3 = c2i - m1i;
                const V tr4 = c2i + m1i;
                const V tr1 = c0r - m3r;
                const V tr2 = c0r + m3r;
                const V ti4 = c2r - m1r;
                const V tr3 = c2r + m1r;
                lane.storeOut(ch + h(i - 1, k, 0), tr2 + tr3, ti2 + ti3);
                const V cr3 = tr2 - tr3;
                const V ci3 = ti2 - ti3;
                const V cr2 = tr1 - tr4;
                const V cr4 = tr1 + tr4;
                const V ci2 = ti1 + ti4;
                const V ci4 = ti1 - ti4;
                lane.storeOut(ch + h(i - 1, k, 1), w1r * cr2 - w1i * ci2, w1r * ci2 + w1i * cr2);
                lane.storeOut(ch + h(i - 1, k, 2), w2r * cr3 - w2i * ci3, w2r * ci3 + w2i * cr3);
                lane.storeOut(ch + h(i - 1, k, 3), w3r * cr4 - w3i * ci4, w3r * ci4 + w3i * cr4);
            });
        if (ido % 2 == 1) {
            return;
        }
    }
    for (int k = 0; k < l1; ++k) {
        const double ti1 = cc[c(0, 1, k)] + cc[c(0, 3, k)];
        const double ti2 = cc[c(0, 3, k)] - cc[c(0, 1, k)];
        const double tr1 = cc[c(ido - 1, 0, k)] - cc[c(ido - 1, 2, k)];
        const double tr2 = cc[c(ido - 1, 0, k)] + cc[c(ido - 1, 2, k)];
        ch[h(ido - 1, k, 0)] = 2.0 * tr2;
        ch[h(ido - 1, k, 1)] = minusSqrt2 * (ti1 - tr1);
        ch[h(ido - 1, k, 2)] = 2.0 * ti2;
        ch[h(ido - 1, k, 3)] = minusSqrt2 * (tr1 + ti1);
    }
}

// radb4 on one complex iteration (i, k): c0, c2 = (re, im) of cc(i - 1, 0, k), cc(i - 1, 2, k),
// m1, m3 those of the mirrored cc(ic - 1, 1, k), cc(ic - 1, 3, k); w[m - 1] = (cos, sin) of
// twiddle row m at i; out[m] = ch(i - 1, k, m). The operations of radb4's complex loop, in its
// order.
template <class V>
inline void radb4Complex(const V (&w)[3][2], const V (&c0)[2], const V (&c2)[2], const V (&m1)[2],
                         const V (&m3)[2], V (&out)[4][2]) noexcept {
    const V ti1 = c0[1] + m3[1];
    const V ti2 = c0[1] - m3[1];
    const V ti3 = c2[1] - m1[1];
    const V tr4 = c2[1] + m1[1];
    const V tr1 = c0[0] - m3[0];
    const V tr2 = c0[0] + m3[0];
    const V ti4 = c2[0] - m1[0];
    const V tr3 = c2[0] + m1[0];
    out[0][0] = tr2 + tr3;
    out[0][1] = ti2 + ti3;
    const V cr3 = tr2 - tr3;
    const V ci3 = ti2 - ti3;
    const V cr2 = tr1 - tr4;
    const V cr4 = tr1 + tr4;
    const V ci2 = ti1 + ti4;
    const V ci4 = ti1 - ti4;
    out[1][0] = w[0][0] * cr2 - w[0][1] * ci2;
    out[1][1] = w[0][0] * ci2 + w[0][1] * cr2;
    out[2][0] = w[1][0] * cr3 - w[1][1] * ci3;
    out[2][1] = w[1][0] * ci3 + w[1][1] * cr3;
    out[3][0] = w[2][0] * cr4 - w[2][1] * ci4;
    out[3][1] = w[2][0] * ci4 + w[2][1] * cr4;
}

// radb2 on one complex iteration i of its only row: c0 = (re, im) of cc(i - 1, 0, 0), m1 those of
// the mirrored cc(ic - 1, 1, 0), w = (cos, sin) of its twiddle row at i; out[m] = ch(i - 1, 0, m).
// The operations of radb2's complex loop, in its order.
template <class V>
inline void radb2Complex(const V (&w)[2], const V (&c0)[2], const V (&m1)[2],
                         V (&out)[2][2]) noexcept {
    out[0][0] = c0[0] + m1[0];
    out[0][1] = c0[1] - m1[1];
    const V tr2 = c0[0] - m1[0];
    const V ti2 = c0[1] + m1[1];
    out[1][0] = w[0] * tr2 - w[1] * ti2;
    out[1][1] = w[0] * ti2 + w[1] * tr2;
}

// The first two backward passes of a plan whose first factors are 2, 4: radb2 at 4 * ido with one
// row, then radb4 at ido (N / 8, even) with two rows, in one sweep, on the same values in the same
// order (see radf24). wa1 .. wa3 are the radix-4 pass's twiddle rows, wb the radix-2 pass's.
template <class Lanes>
[[gnu::flatten]] void radb24(const int ido, const double* __restrict cc, double* __restrict ch,
                             const double* __restrict wa1, const double* __restrict wa2,
                             const double* __restrict wa3, const double* __restrict wb) noexcept {
    using namespace fftconst;
    const int ido2 = 4 * ido; // the radix-2 pass's
    const auto h = [ido](int i, int k, int m) { return i + ido * (k + 2 * m); };

    // radb2's real values and its iterations at i = ido, 2 ido, 3 ido: t[k][j] is its output row k
    // at positions 0, ido - 1, ido, 2 ido - 1, 2 ido, 3 ido - 1, 3 ido, 4 ido - 1; then the first
    // and last values of radb4's rows, which are those.
    double t[2][8];
    t[0][0] = cc[0] + cc[2 * ido2 - 1];
    t[1][0] = cc[0] - cc[2 * ido2 - 1];
    t[0][7] = 2.0 * cc[ido2 - 1];
    t[1][7] = -2.0 * cc[ido2];
    for (int q = 1; q < 4; ++q) {
        const int i2 = q * ido;
        const double w[2] = {wb[i2 - 2], wb[i2 - 1]};
        const double c0[2] = {cc[i2 - 1], cc[i2]};
        const double m1[2] = {cc[2 * ido2 - i2 - 1], cc[2 * ido2 - i2]};
        double out[2][2];
        radb2Complex(w, c0, m1, out);
        for (int k = 0; k < 2; ++k) {
            t[k][2 * q - 1] = out[k][0];
            t[k][2 * q] = out[k][1];
        }
    }
    for (int k = 0; k < 2; ++k) {
        {
            const double tr1 = t[k][0] - t[k][7];
            const double tr2 = t[k][0] + t[k][7];
            const double tr3 = 2.0 * t[k][3];
            const double tr4 = 2.0 * t[k][4];
            ch[h(0, k, 0)] = tr2 + tr3;
            ch[h(0, k, 1)] = tr1 - tr4;
            ch[h(0, k, 2)] = tr2 - tr3;
            ch[h(0, k, 3)] = tr1 + tr4;
        }
        const double ti1 = t[k][2] + t[k][6];
        const double ti2 = t[k][6] - t[k][2];
        const double tr1 = t[k][1] - t[k][5];
        const double tr2 = t[k][1] + t[k][5];
        ch[h(ido - 1, k, 0)] = 2.0 * tr2;
        ch[h(ido - 1, k, 1)] = minusSqrt2 * (ti1 - tr1);
        ch[h(ido - 1, k, 2)] = 2.0 * ti2;
        ch[h(ido - 1, k, 3)] = minusSqrt2 * (tr1 + ti1);
    }

    Lanes::forEachAlongI(ido, [&](const auto& lane, const int i, int) {
        using V = typename std::decay_t<decltype(lane)>::V;
        // radb2 at i2 = i, 2 ido + i, 2 ido - i and ido2 - i: radb4's cc(i - 1, 0), cc(i - 1, 2)
        // and the mirrored cc(ic - 1, 1), cc(ic - 1, 3) of both its rows.
        V in[4][2][2]; // [radb4 input][row k][re, im]
        V wr[2];
        V c0[2];
        V m1[2];
        lane.twiddle(wb + i - 2, wr[0], wr[1]);
        lane.loadIn(cc + i - 1, c0[0], c0[1]);
        lane.loadInMirrored(cc + 2 * ido2 - i - 1, m1[0], m1[1]);
        radb2Complex(wr, c0, m1, in[0]);

        lane.twiddle(wb + 2 * ido + i - 2, wr[0], wr[1]);
        lane.loadIn(cc + 2 * ido + i - 1, c0[0], c0[1]);
        lane.loadInMirrored(cc + 2 * ido2 - 2 * ido - i - 1, m1[0], m1[1]);
        radb2Complex(wr, c0, m1, in[1]);

        lane.twiddleMirrored(wb + 2 * ido - i - 2, wr[0], wr[1]);
        lane.loadInMirrored(cc + 2 * ido - i - 1, c0[0], c0[1]);
        lane.loadIn(cc + 2 * ido2 - 2 * ido + i - 1, m1[0], m1[1]);
        radb2Complex(wr, c0, m1, in[2]);

        lane.twiddleMirrored(wb + ido2 - i - 2, wr[0], wr[1]);
        lane.loadInMirrored(cc + ido2 - i - 1, c0[0], c0[1]);
        lane.loadIn(cc + ido2 + i - 1, m1[0], m1[1]);
        radb2Complex(wr, c0, m1, in[3]);

        V w[3][2];
        lane.twiddle(wa1 + i - 2, w[0][0], w[0][1]);
        lane.twiddle(wa2 + i - 2, w[1][0], w[1][1]);
        lane.twiddle(wa3 + i - 2, w[2][0], w[2][1]);
        for (int k = 0; k < 2; ++k) {
            V out[4][2];
            radb4Complex(w, in[0][k], in[1][k], in[2][k], in[3][k], out);
            for (int m = 0; m < 4; ++m) {
                lane.storeOut(ch + h(i - 1, k, m), out[m][0], out[m][1]);
            }
        }
    });
}

// radb5 on the first element of a row (real values): in = cc(0, 0, k), cc(ido - 1, 1, k),
// cc(0, 2, k), cc(ido - 1, 3, k), cc(0, 4, k); out[m] = ch(0, k, m).
template <class V>
inline void radb5First(const V (&in)[5], V (&out)[5]) noexcept {
    using namespace fftconst;
    const V ti5 = 2.0 * in[2];
    const V ti4 = 2.0 * in[4];
    const V tr2 = 2.0 * in[1];
    const V tr3 = 2.0 * in[3];
    out[0] = in[0] + tr2 + tr3;
    const V cr2 = in[0] + tr11 * tr2 + tr12 * tr3;
    const V cr3 = in[0] + tr12 * tr2 + tr11 * tr3;
    const V ci5 = ti11 * ti5 + ti12 * ti4;
    const V ci4 = ti12 * ti5 - ti11 * ti4;
    out[1] = cr2 - ci5;
    out[2] = cr3 - ci4;
    out[3] = cr3 + ci4;
    out[4] = cr2 + ci5;
}

// radb5 on one complex iteration (i, k): in = (re, im) of cc(i - 1, 0, k), cc(i - 1, 2, k),
// cc(i - 1, 4, k) and the mirrored cc(ic - 1, 1, k), cc(ic - 1, 3, k); w[m - 1] = (cos, sin) of
// twiddle row m at i; out[m] = ch(i - 1, k, m).
template <class V>
inline void radb5Complex(const V (&w)[4][2], const V (&in)[5][2], V (&out)[5][2]) noexcept {
    using namespace fftconst;
    const V c0r = in[0][0];
    const V c0i = in[0][1];
    const V ti5 = in[1][1] + in[3][1];
    const V ti2 = in[1][1] - in[3][1];
    const V ti4 = in[2][1] + in[4][1];
    const V ti3 = in[2][1] - in[4][1];
    const V tr5 = in[1][0] - in[3][0];
    const V tr2 = in[1][0] + in[3][0];
    const V tr4 = in[2][0] - in[4][0];
    const V tr3 = in[2][0] + in[4][0];
    out[0][0] = c0r + tr2 + tr3;
    out[0][1] = c0i + ti2 + ti3;
    const V cr2 = c0r + tr11 * tr2 + tr12 * tr3;
    const V ci2 = c0i + tr11 * ti2 + tr12 * ti3;
    const V cr3 = c0r + tr12 * tr2 + tr11 * tr3;
    const V ci3 = c0i + tr12 * ti2 + tr11 * ti3;
    const V cr5 = ti11 * tr5 + ti12 * tr4;
    const V ci5 = ti11 * ti5 + ti12 * ti4;
    const V cr4 = ti12 * tr5 - ti11 * tr4;
    const V ci4 = ti12 * ti5 - ti11 * ti4;
    const V dr3 = cr3 - ci4;
    const V dr4 = cr3 + ci4;
    const V di3 = ci3 + cr4;
    const V di4 = ci3 - cr4;
    const V dr5 = cr2 + ci5;
    const V dr2 = cr2 - ci5;
    const V di5 = ci2 - cr5;
    const V di2 = ci2 + cr5;
    out[1][0] = w[0][0] * dr2 - w[0][1] * di2;
    out[1][1] = w[0][0] * di2 + w[0][1] * dr2;
    out[2][0] = w[1][0] * dr3 - w[1][1] * di3;
    out[2][1] = w[1][0] * di3 + w[1][1] * dr3;
    out[3][0] = w[2][0] * dr4 - w[2][1] * di4;
    out[3][1] = w[2][0] * di4 + w[2][1] * dr4;
    out[4][0] = w[3][0] * dr5 - w[3][1] * di5;
    out[4][1] = w[3][0] * di5 + w[3][1] * dr5;
}

template <class Lanes>
[[gnu::flatten]] void radb5(const int ido, const int l1, const double* __restrict cc,
                            double* __restrict ch, const double* __restrict wa1,
                            const double* __restrict wa2, const double* __restrict wa3,
                            const double* __restrict wa4) noexcept {
    const auto c = [ido](int i, int m, int k) { return i + ido * (m + 5 * k); };
    const auto h = [ido, l1](int i, int k, int m) { return i + ido * (k + l1 * m); };

    if (ido == 1) {
        Lanes::forEachRowVector(l1, [&](const auto& rows, const int k) {
            using V = typename std::decay_t<decltype(rows)>::V;
            V in[5];
            rows.loadInterleaved(cc + c(0, 0, k), in);
            V out[5];
            radb5First(in, out);
            for (int m = 0; m < 5; ++m) {
                rows.store(ch + h(0, k, m), out[m]);
            }
        });
        return;
    }
    for (int k = 0; k < l1; ++k) {
        const double in[5] = {cc[c(0, 0, k)], cc[c(ido - 1, 1, k)], cc[c(0, 2, k)],
                              cc[c(ido - 1, 3, k)], cc[c(0, 4, k)]};
        double out[5];
        radb5First(in, out);
        for (int m = 0; m < 5; ++m) {
            ch[h(0, k, m)] = out[m];
        }
    }
    Lanes::forEachComplex(ido, l1, ido * 5, ido, [&](const auto& lane, const int i, const int k) {
        using V = typename std::decay_t<decltype(lane)>::V;
        const int ic = ido - i;
        V w[4][2], in[5][2], out[5][2];
        lane.twiddle(wa1 + i - 2, w[0][0], w[0][1]);
        lane.twiddle(wa2 + i - 2, w[1][0], w[1][1]);
        lane.twiddle(wa3 + i - 2, w[2][0], w[2][1]);
        lane.twiddle(wa4 + i - 2, w[3][0], w[3][1]);
        lane.loadIn(cc + c(i - 1, 0, k), in[0][0], in[0][1]);
        lane.loadIn(cc + c(i - 1, 2, k), in[1][0], in[1][1]);
        lane.loadIn(cc + c(i - 1, 4, k), in[2][0], in[2][1]);
        lane.loadInMirrored(cc + c(ic - 1, 1, k), in[3][0], in[3][1]);
        lane.loadInMirrored(cc + c(ic - 1, 3, k), in[4][0], in[4][1]);
        radb5Complex(w, in, out);
        for (int m = 0; m < 5; ++m) {
            lane.storeOut(ch + h(i - 1, k, m), out[m][0], out[m][1]);
        }
    });
}

// The last two backward passes of a plan whose last factors are 5, 5: radb5 at ido = 5 (l1 rows)
// and radb5 at ido = 1 (5 * l1 rows) in one, on the same values in the same order (see radf55).
// Output m of the first pass's row k is, whole, the input of the second pass's row k + l1 * m.
// wa1 .. wa4 are the first pass's twiddle rows.
template <class Lanes>
[[gnu::flatten]] void radb55(const int l1, const double* __restrict cc, double* __restrict ch,
                             const double* __restrict wa1, const double* __restrict wa2,
                             const double* __restrict wa3, const double* __restrict wa4) noexcept {
    const int rows2 = 5 * l1; // the second pass's rows, also the distance between its outputs
    Lanes::forEachRowVector(l1, [&](const auto& rows, const int k) {
        using V = typename std::decay_t<decltype(rows)>::V;
        // The first pass's input row: 25 doubles, cc(i, m, k) at i + 5 * m.
        V inRow[25];
        rows.loadInterleaved(cc + 25 * k, inRow);
        // row[m][i]: value i of the first pass's output m (the second pass's row k + l1 * m).
        V row[5][5];
        {
            const V first[5] = {inRow[0], inRow[9], inRow[10], inRow[19], inRow[20]};
            V out[5];
            radb5First(first, out);
            for (int m = 0; m < 5; ++m) {
                row[m][0] = out[m];
            }
        }
        const double* const wa[4] = {wa1, wa2, wa3, wa4};
        // Where iteration t (i = 2 + 2t, ic = 5 - i) finds cc(i - 1, 0), cc(i - 1, 2), cc(i - 1,
        // 4), cc(ic - 1, 1), cc(ic - 1, 3).
        constexpr int slot[2][5] = {{1, 11, 21, 7, 17}, {3, 13, 23, 5, 15}};
        for (int t = 0; t < 2; ++t) {
            V w[4][2];
            V in[5][2];
            V out[5][2];
            for (int m = 0; m < 4; ++m) {
                w[m][0] = rows.splat(wa[m][2 * t]);
                w[m][1] = rows.splat(wa[m][2 * t + 1]);
            }
            for (int j = 0; j < 5; ++j) {
                in[j][0] = inRow[slot[t][j]];
                in[j][1] = inRow[slot[t][j] + 1];
            }
            radb5Complex(w, in, out);
            for (int m = 0; m < 5; ++m) {
                row[m][1 + 2 * t] = out[m][0];
                row[m][2 + 2 * t] = out[m][1];
            }
        }
        for (int m = 0; m < 5; ++m) {
            V out[5];
            radb5First(row[m], out);
            double* const last = ch + k + l1 * m;
            for (int q = 0; q < 5; ++q) {
                rows.store(last + q * rows2, out[q]);
            }
        }
    });
}

// The last three backward passes of a plan whose last factors are 4, 3, 3: radb4 at ido = 9 (l1
// rows) and the radb33 step (4 * l1 rows) in one, on the same values in the same order (see
// radf433). Output m of the radix-4 pass's row k is, whole, the input row k + l1 * m of the 3, 3
// step. wa1 .. wa3 are the radix-4 pass's twiddle rows, wb1 and wb2 those of the ido = 3 radix-3
// pass.
template <class Lanes>
[[gnu::flatten]] void radb433(const int l1, const double* __restrict cc, double* __restrict ch,
                              const double* __restrict wa1, const double* __restrict wa2,
                              const double* __restrict wa3, const double* __restrict wb1,
                              const double* __restrict wb2) noexcept {
    constexpr int ido = 9;
    // The 36 output streams lie l1 doubles apart. Where that is a multiple of 1 KiB (N = 4608:
    // l1 = 128) they share at most four sets of the L1 cache, nine or more to a set of eight ways,
    // and a line written for one vector of rows was evicted before the next vector wrote the rest
    // of it. There the rows go to a staging block first, eight per stream (one cache line), which
    // is copied out whole. Measured (AVX2 build): 2087 ns instead of 3005 at N = 4608, 3519
    // instead of 5233 in the 128-bit build.
    constexpr int lineRows = 8;
    const bool staged = l1 % 128 == 0;
    alignas(64) double stage[36 * lineRows];
    Lanes::forEachRowVector(l1, [&](const auto& rows, const int k) {
        using V = typename std::decay_t<decltype(rows)>::V;
        // The radix-4 pass's input row: cc(i, m, k) at i + ido * m.
        V in[4 * ido];
        rows.loadInterleaved(cc + 4 * ido * k, in);
        // out[m][i] = ch(i, k, m) of the radix-4 pass.
        V out[4][ido];
        {
            const V tr1 = in[0] - in[ido - 1 + 3 * ido];
            const V tr2 = in[0] + in[ido - 1 + 3 * ido];
            const V tr3 = 2.0 * in[ido - 1 + ido];
            const V tr4 = 2.0 * in[2 * ido];
            out[0][0] = tr2 + tr3;
            out[1][0] = tr1 - tr4;
            out[2][0] = tr2 - tr3;
            out[3][0] = tr1 + tr4;
        }
        for (int i = 2; i < ido; i += 2) {
            const int ic = ido - i;
            const V w[3][2] = {{rows.splat(wa1[i - 2]), rows.splat(wa1[i - 1])},
                               {rows.splat(wa2[i - 2]), rows.splat(wa2[i - 1])},
                               {rows.splat(wa3[i - 2]), rows.splat(wa3[i - 1])}};
            const V c0[2] = {in[i - 1], in[i]};
            const V c2[2] = {in[i - 1 + 2 * ido], in[i + 2 * ido]};
            const V m1[2] = {in[ic - 1 + ido], in[ic + ido]};
            const V m3[2] = {in[ic - 1 + 3 * ido], in[ic + 3 * ido]};
            V o[4][2];
            radb4Complex(w, c0, c2, m1, m3, o);
            for (int m = 0; m < 4; ++m) {
                out[m][i - 1] = o[m][0];
                out[m][i] = o[m][1];
            }
        }
        if (!staged) {
            for (int m = 0; m < 4; ++m) {
                radb33Row(rows, out[m], k + l1 * m, 4 * l1, wb1, wb2, ch);
            }
            return;
        }
        // Stream j (ch + k + l1 * j) goes to stage + lineRows * j, as if l1 were lineRows.
        const int column = k % lineRows;
        for (int m = 0; m < 4; ++m) {
            radb33Row(rows, out[m], column + lineRows * m, 4 * lineRows, wb1, wb2, stage);
        }
        // l1 is a multiple of lineRows, and vectors of rows never straddle a line.
        constexpr int lanes = static_cast<int>(sizeof(V) / sizeof(double));
        if (column + lanes == lineRows) {
            const int first = k + lanes - lineRows;
            for (int j = 0; j < 36; ++j) {
                for (int r = 0; r < lineRows; ++r) {
                    ch[first + l1 * j + r] = stage[lineRows * j + r];
                }
            }
        }
    });
}

} // namespace calderine::fftpass
