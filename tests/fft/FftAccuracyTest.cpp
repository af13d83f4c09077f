// The transform against a direct DFT evaluated in long double, for every frame size the separator
// can choose and a few other factorisations.

#include "fft/Fft.h"
#include "simd/AlignedBuffer.h"
#include "tests/support/TestSignal.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace calderine {

// Names the direction in test parameter listings.
static void PrintTo(FftDirection direction, std::ostream* os) {
    *os << (direction == FftDirection::Forward ? "Forward" : "Backward");
}

namespace {

using Real = long double;

// Bins 0 .. N/2 of the spectrum of a real signal; im[0] and im[N/2] are zero.
struct HalfSpectrum {
    std::vector<Real> re;
    std::vector<Real> im;
};

// cos and sin of 2*pi*m/N for m = 0 .. N-1, so that every product k*n reduces to a table index.
struct UnitCircle {
    explicit UnitCircle(int n) : cosine(n), sine(n) {
        const Real pi = std::acos(Real(-1));
        for (int m = 0; m < n; ++m) {
            const Real angle = 2 * pi * m / n;
            cosine[m] = std::cos(angle);
            sine[m] = std::sin(angle);
        }
    }
    std::vector<Real> cosine;
    std::vector<Real> sine;
};

HalfSpectrum directForward(const std::vector<double>& x) {
    const int n = static_cast<int>(x.size());
    const UnitCircle circle(n);
    HalfSpectrum X{std::vector<Real>(n / 2 + 1), std::vector<Real>(n / 2 + 1)};
    for (int k = 0; k <= n / 2; ++k) {
        Real re = 0;
        Real im = 0;
        for (int j = 0, m = 0; j < n; ++j, m = (m + k) % n) {
            re += x[j] * circle.cosine[m];
            im -= x[j] * circle.sine[m];
        }
        X.re[k] = re;
        X.im[k] = im;
    }
    return X;
}

std::vector<Real> directBackward(const HalfSpectrum& X, int n) {
    const UnitCircle circle(n);
    std::vector<Real> x(n);
    for (int j = 0; j < n; ++j) {
        Real sum = X.re[0] + (j % 2 == 0 ? X.re[n / 2] : -X.re[n / 2]);
        for (int k = 1, m = j; k < n / 2; ++k, m = (m + j) % n) {
            sum += 2 * (X.re[k] * circle.cosine[m] - X.im[k] * circle.sine[m]);
        }
        x[j] = sum;
    }
    return x;
}

// The two storage layouts, written from their definitions.
std::vector<Real> toLayout(const HalfSpectrum& X, int n, bool ordered) {
    std::vector<Real> out(n);
    out[0] = X.re[0];
    const int first = ordered ? 2 : 1;
    for (int k = 1; k < n / 2; ++k) {
        out[first + 2 * (k - 1)] = X.re[k];
        out[first + 2 * (k - 1) + 1] = X.im[k];
    }
    out[ordered ? 1 : n - 1] = X.re[n / 2];
    return out;
}

HalfSpectrum randomSpectrum(int n, unsigned seed) {
    const std::vector<double> values = testing::uniformNoise(static_cast<std::size_t>(n + 2), seed);
    HalfSpectrum X{std::vector<Real>(n / 2 + 1), std::vector<Real>(n / 2 + 1)};
    for (int k = 0; k <= n / 2; ++k) {
        X.re[k] = values[2 * k];
        X.im[k] = (k == 0 || k == n / 2) ? 0 : values[2 * k + 1];
    }
    return X;
}

Real maxAbs(const std::vector<Real>& v) {
    Real m = 0;
    for (const Real x : v) {
        m = std::max(m, std::fabs(x));
    }
    return m;
}

// Returns the largest deviation and checks that the input survived the transform.
Real transformError(const FftPlan& plan, const std::vector<Real>& input,
                    const std::vector<Real>& expected, FftDirection direction, bool ordered) {
    const int n = plan.size;
    AlignedBuffer in(n);
    AlignedBuffer out(n);
    AlignedBuffer work(n);
    for (int i = 0; i < n; ++i) {
        in[i] = static_cast<double>(input[i]);
    }
    const std::vector<double> before(in.data(), in.data() + n);

    fftTransform(plan, in.data(), out.data(), work.data(), direction, ordered);

    EXPECT_TRUE(std::equal(before.begin(), before.end(), in.data())) << "input was modified";
    Real error = 0;
    for (int i = 0; i < n; ++i) {
        error = std::max(error, std::fabs(out[i] - expected[i]));
    }
    return error;
}

class FftAccuracy : public ::testing::TestWithParam<std::tuple<int, FftDirection>> {};

// Rounding error of a mixed-radix transform grows like log N per element; the bar of
// 1e-13 * N * max|input| is far above it and still catches any wrong butterfly, twiddle or
// layout (those produce errors of the order of the values themselves).
TEST_P(FftAccuracy, MatchesDirectDftInBothLayouts) {
    const auto [n, direction] = GetParam();
    const FftPlanPtr plan(createFftPlan(n));
    ASSERT_NE(plan, nullptr);

    std::vector<Real> input;
    HalfSpectrum spectrum;
    std::vector<Real> signal;
    if (direction == FftDirection::Forward) {
        const std::vector<double> x = testing::uniformNoise(static_cast<std::size_t>(n), 1234u + n);
        input.assign(x.begin(), x.end());
        spectrum = directForward(x);
    } else {
        spectrum = randomSpectrum(n, 4321u + n);
        signal = directBackward(spectrum, n);
    }

    for (const bool ordered : {false, true}) {
        SCOPED_TRACE(ordered ? "ordered" : "packed");
        const std::vector<Real> layout = toLayout(spectrum, n, ordered);
        const std::vector<Real>& in = direction == FftDirection::Forward ? input : layout;
        const std::vector<Real>& expected = direction == FftDirection::Forward ? layout : signal;
        const Real tolerance = 1e-13L * n * maxAbs(in);
        EXPECT_LE(transformError(*plan, in, expected, direction, ordered), tolerance);
    }
}

INSTANTIATE_TEST_SUITE_P(FrameSizesAndOddFactorisations, FftAccuracy,
                         ::testing::Combine(::testing::Values(32, 96, 480, 1152, 1600, 2304, 2400,
                                                              3200, 4608, 4800, 9216, 9600),
                                            ::testing::Values(FftDirection::Forward,
                                                              FftDirection::Backward)),
                         [](const ::testing::TestParamInfo<FftAccuracy::ParamType>& info) {
                             return std::to_string(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) == FftDirection::Forward ? "Forward"
                                                                                      : "Backward");
                         });

} // namespace
} // namespace calderine
