#include "spectral/MinimumPhase.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace calderine {

namespace {

// The half-size transform takes an even M only. An odd M comes only from N = 2 x odd, which the
// separator never uses (its sizes are powers of two below 32 and multiples of 32 above); those
// sizes take the direct sums instead, O(M^2).
FftPlanPtr halfSizePlan(std::uint32_t half) {
    if (half < 2 || half % 2 != 0) {
        return nullptr;
    }
    return FftPlanPtr(createFftPlan(static_cast<int>(half)));
}

// sum_k a[k] b[k] for k < count, in eight partial sums (partial j takes k = j mod 8, in order of
// k) added as ((s0 + s1) + (s2 + s3)) + ((s4 + s5) + (s6 + s7)): a fixed order in plain doubles,
// the same bits with every compiler and instruction set, and eight independent chains of
// additions where one serial sum waited on each addition's latency.
double interleavedSum(const double* a, const double* b, std::size_t count) noexcept {
    constexpr std::size_t lanes = 8;
    double partial[lanes] = {};
    std::size_t k = 0;
    for (; k + lanes <= count; k += lanes) {
        for (std::size_t j = 0; j < lanes; ++j) {
            partial[j] += 2.0 * a[k + j] * b[k + j];
        }
    }
    for (std::size_t j = 0; k < count; ++k, ++j) {
        partial[j] += 2.0 * a[k] * b[k];
    }
    return ((partial[0] + partial[1]) + (partial[2] + partial[3])) +
           ((partial[4] + partial[5]) + (partial[6] + partial[7]));
}

// The running sums r_i = start + v_0 + ... + v_i of v_i = inScale in[2i], i < count, stored as
// out[2i] = r_i outScale, with alongside(i) called for each i in the same loop (the values
// between, which a loop of their own would read again). Four steps per addition on the sum's
// chain: each block of four sums its own steps off the chain, where one step per addition waited
// on each addition's latency (3 cycles; 0.48 us at M = 1200). A fixed order in plain doubles:
// the same bits everywhere.
template <class Alongside>
void runningSum(const double* in, double inScale, double* out, double outScale, std::size_t count,
                double start, const Alongside& alongside) noexcept {
    constexpr std::size_t block = 4;
    double sum = start;
    std::size_t i = 0;
    for (; i + block <= count; i += block) {
        double step[block];
        for (std::size_t j = 0; j < block; ++j) {
            step[j] = inScale * in[2 * (i + j)];
            alongside(i + j);
        }
        const double firstTwo = step[0] + step[1];
        out[2 * i] = (sum + step[0]) * outScale;
        out[2 * (i + 1)] = (sum + firstTwo) * outScale;
        out[2 * (i + 2)] = (sum + (firstTwo + step[2])) * outScale;
        sum += firstTwo + (step[2] + step[3]);
        out[2 * (i + 3)] = sum * outScale;
    }
    for (; i < count; ++i) {
        alongside(i);
        sum += inScale * in[2 * i];
        out[2 * i] = sum * outScale;
    }
}

} // namespace

MinimumPhase::MinimumPhase(std::uint32_t frameSize, AnalysisBuild build)
    : build_(build), half_(frameSize / 2), halfPlan_(halfSizePlan(half_)), sines_(half_),
      cosines_(half_), logGains_(half_ + 1), cepstrum_(half_ + 1) {
    for (std::uint32_t k = 0; k < half_; ++k) {
        const double angle = std::numbers::pi * static_cast<double>(k) / static_cast<double>(half_);
        sines_[k] = std::sin(angle);
        cosines_[k] = std::cos(angle);
    }
}

// The log-magnitude spectrum is turned into a cepstrum, folded onto its causal half and
// transformed back, which yields the log of a minimum-phase response with the same magnitudes.
//
// The log spectrum is real and even, so its cepstrum is a cosine transform (DCT-I) of M + 1
// values; the folded cepstrum's odd part, the only part that reaches the phase, makes the phase
// a sine transform (DST-I) of M - 1 values. Each runs as one real transform of size M = N/2 with
// a linear pass before and after it, in place of a transform of size N: two of the frame's seven
// transforms, a fifth of its transform work by n log n, now cost about half of that.
//
// The folded cepstrum's even part is the cepstrum itself, so the real part of its transform is
// the log magnitude the construction started from: the response's moduli are the floored gains,
// and only its phases go through the sine and cosine (no exponential per bin).
//
// The phases fed to the sine and cosine stay well inside the kernel's range (1.26e7 rad): the
// log gains lie in [ln(logFloor), 0] = [-16.6, 0] (analysis gains are at most 1), so every
// cepstrum value is at most 16.6 in size, every folded one at most 3 * 16.6, and a phase, a sum
// of N folded values times sines, at most 50 N = 1.9e6 even for N = 38400 (768 kHz).
void MinimumPhase::build(std::span<const double> gains, std::span<double> result,
                         FftWorkspace& workspace) noexcept {
    const std::size_t half = half_;
    build_.binMath->flooredLogs(gains.data(), logGains_.data(), half + 1, logFloor);
    cepstrumOfLogs(workspace);
    const double* const phases = phasesOfCepstrum(workspace);

    // Packed layout (Fft.h): real DC first, real Nyquist last, bin k at (2k - 1, 2k). DC and
    // Nyquist have a zero phase.
    const auto flooredMagnitude = [](double gain) { return std::max(logFloor, std::abs(gain)); };
    double* const packed = result.data();
    packed[0] = flooredMagnitude(gains[0]);
    packed[2 * half - 1] = flooredMagnitude(gains[half]);
    build_.binMath->flooredPolars(gains.data() + 1, phases + 1, packed + 1, half - 1, logFloor);
}

// c_n = (L_0 + (-1)^n L_M + 2 sum_{k=1}^{M-1} L_k cos(pi k n / M)) / N, the size-N inverse
// transform of the even log spectrum L. With
//   y_k = (L_k + L_{M-k}) / 2 - sin(pi k / M) (L_k - L_{M-k}),  k = 0 .. M-1,
// and Y its size-M forward transform, N c_{2m} = 2 Re Y_m and
// N c_{2m+1} = N c_{2m-1} - 2 Im Y_m, the recurrence starting from N c_1, a plain sum.
void MinimumPhase::cepstrumOfLogs(FftWorkspace& workspace) noexcept {
    const std::size_t half = half_;
    const double* const logs = logGains_.data();
    const double scale = 1.0 / static_cast<double>(2 * half);
    if (!halfPlan_) {
        // cos(pi j / M) = (-1)^q cos(pi r / M) for j = q M + r.
        for (std::size_t n = 1; n <= half; ++n) {
            double sum = logs[0] + (n % 2 == 0 ? logs[half] : -logs[half]);
            for (std::size_t k = 1; k < half; ++k) {
                const std::size_t j = k * n;
                const double sign = (j / half) % 2 == 0 ? 1.0 : -1.0;
                sum += 2.0 * logs[k] * (sign * cosines_[j % half]);
            }
            cepstrum_[n] = sum * scale;
        }
        return;
    }
    double* const y = workspace.input.data();
    double* const transformed = workspace.output.data();
    y[0] = 0.5 * (logs[0] + logs[half]);
    build_.binMath->cosineFold(logs, sines_.data(), y, half);
    // N c_1 in eight running sums: one serial sum chained every bin on an addition's latency
    // (0.17 against 0.95 us at M = 1200).
    const double first =
        (logs[0] - logs[half]) + interleavedSum(logs + 1, cosines_.data() + 1, half - 1);
    fftpass::fftTransformWith(*build_.fft, *halfPlan_, y, transformed, workspace.scratch.data(),
                              FftDirection::Forward, false);

    // Packed: Re Y_m at [2m - 1], Im Y_m at [2m], Re Y_{M/2} last.
    // The odd values by the recurrence from c_1, the even ones (m = i + 1) alongside.
    cepstrum_[1] = first * scale;
    runningSum(transformed + 2, -2.0, cepstrum_.data() + 3, scale, half / 2 - 1, first,
               [&](std::size_t i) { cepstrum_[2 * i + 2] = 2.0 * transformed[2 * i + 1] * scale; });
    cepstrum_[half] = 2.0 * transformed[half - 1] * scale;
}

// The middle value c_M is taken out of the cepstrum before its causal part is doubled and put
// back afterwards as a constant: the constant is odd around n = 0 after folding, so it alters
// only the phase. The folded cepstrum's odd part is then d_n / 2, d_n = 2 (c_n - c_M), and the
// phase of bin k is -S_k, S_k = sum_{n=1}^{M-1} d_n sin(pi k n / M). With
//   z_n = sin(pi n / M) (d_n + d_{M-n}) + (d_n - d_{M-n}) / 2,  z_0 = 0,
// and Z its size-M forward transform, S_{2m} = -Im Z_m, S_1 = Re Z_0 / 2 and
// S_{2m+1} = S_{2m-1} + Re Z_m.
const double* MinimumPhase::phasesOfCepstrum(FftWorkspace& workspace) noexcept {
    const std::size_t half = half_;
    const double middle = cepstrum_[half];
    const auto d = [&](std::size_t n) { return 2.0 * (cepstrum_[n] - middle); };
    double* const phases = workspace.input.data();
    if (!halfPlan_) {
        // sin(pi j / M) = (-1)^q sin(pi r / M) for j = q M + r.
        for (std::size_t k = 1; k < half; ++k) {
            double sum = 0.0;
            for (std::size_t n = 1; n < half; ++n) {
                const std::size_t j = k * n;
                const double sign = (j / half) % 2 == 0 ? 1.0 : -1.0;
                sum += d(n) * (sign * sines_[j % half]);
            }
            phases[k] = -sum;
        }
        return phases;
    }
    double* const z = workspace.input.data();
    double* const transformed = workspace.output.data();
    z[0] = 0.0;
    build_.binMath->sineFold(cepstrum_.data(), middle, sines_.data(), z, half);
    fftpass::fftTransformWith(*build_.fft, *halfPlan_, z, transformed, workspace.scratch.data(),
                              FftDirection::Forward, false);

    // z is spent: the phases take its place.
    const double start = 0.5 * transformed[0];
    phases[1] = -start;
    runningSum(transformed + 1, 1.0, phases + 3, -1.0, half / 2 - 1, start,
               [&](std::size_t i) { phases[2 * i + 2] = transformed[2 * i + 2]; });
    return phases;
}

} // namespace calderine
