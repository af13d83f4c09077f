// The polynomial log and sin/cos of the per-bin loops: accuracy over dense grids of the ranges
// the analysis feeds them (and beyond), against the C library for log and an extended-precision
// reference for sin/cos, exact values where they matter (ln 1 = 0), and bit identity between the
// scalar reference, the baseline build and, where the CPU has it, the AVX2 build.
#include "vecmath/BinMath.h"

#include "shaping/NoiseClipper.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace calderine {
namespace {

using binmath::BinMathTable;

// Distance in units in the last place: the number of doubles between a and b.
double ulpDistance(double a, double b) {
    const auto ordered = [](double x) {
        const auto bits = std::bit_cast<std::int64_t>(x);
        return bits < 0 ? std::numeric_limits<std::int64_t>::min() - bits : bits;
    };
    const std::int64_t x = ordered(a);
    const std::int64_t y = ordered(b);
    // The difference in unsigned arithmetic cannot overflow, unlike a signed one across zero.
    return static_cast<double>(x > y
                                   ? static_cast<std::uint64_t>(x) - static_cast<std::uint64_t>(y)
                                   : static_cast<std::uint64_t>(y) - static_cast<std::uint64_t>(x));
}

// count points from lo to hi: evenly spaced, or geometrically when both have the same sign.
std::vector<double> grid(double lo, double hi, std::size_t count, bool geometric) {
    std::vector<double> points(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double u = static_cast<double>(i) / static_cast<double>(count - 1);
        points[i] = geometric ? lo * std::pow(hi / lo, u) : lo + (hi - lo) * u;
    }
    points.back() = hi;
    return points;
}

struct Range {
    double lo;
    double hi;
    bool geometric;
    double maxUlps;
};

std::ostream& operator<<(std::ostream& out, const Range& r) {
    return out << "[" << r.lo << ", " << r.hi << "]";
}

// (cos x, sin x) interleaved: a polar of magnitude 1 above its floor is exactly (cos x, sin x).
std::vector<double> cosSinOf(const BinMathTable& table, const std::vector<double>& x) {
    const std::vector<double> ones(x.size(), 1.0);
    std::vector<double> pairs(2 * x.size());
    table.flooredPolars(ones.data(), x.data(), pairs.data(), x.size(), 0.5);
    return pairs;
}

// Every build this machine runs, the reference first.
std::vector<const BinMathTable*> builds() {
    std::vector<const BinMathTable*> tables{&binmath::referenceBinMath(),
                                            &binmath::baselineBinMath()};
    if (binmath::avx2BinMath() != nullptr) {
        tables.push_back(binmath::avx2BinMath());
    }
    return tables;
}

constexpr std::size_t kPoints = 200001;
constexpr double kTinyFloor = 0x1p-1021;

class BinMathLogRange : public ::testing::TestWithParam<Range> {};

TEST_P(BinMathLogRange, WithinAFewUlpsOfTheCLibrary) {
    const Range range = GetParam();
    const auto x = grid(range.lo, range.hi, kPoints, range.geometric);
    std::vector<double> result(x.size());
    binmath::activeBinMath().flooredLogs(x.data(), result.data(), x.size(), kTinyFloor);
    double worst = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        worst = std::max(worst, ulpDistance(result[i], std::log(x[i])));
    }
    RecordProperty("max_ulps", std::to_string(worst));
    std::cout << "log " << range << ": max " << worst << " ulp\n";
    EXPECT_LE(worst, range.maxUlps);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, BinMathLogRange,
    ::testing::Values(Range{6.30957344480193e-8, 1e-3, true, 1.0}, // the floor up to lowFloor
                      Range{1e-3, 0.5, true, 1.0}, Range{0.5, 1.0, false, 1.0},
                      Range{1.0, 2.0, false, 1.0}, Range{2.0, 1e300, true, 1.0},
                      Range{0x1p-1021, 1e-300, true, 1.0},
                      Range{0.999, 1.001, false, 1.0})); // cancellation around ln 1 = 0

TEST(BinMathLog, ExactAtOneAndAtTheFloor) {
    // Gains of 0, tiny, negative and 1: the floor's log is -7.2 ln 10, the sign is dropped.
    const std::vector<double> gains{1.0, 0.0, 1e-12, -1.0, -0.5, 0.5, 6.30957344480193e-8};
    const std::vector<double> expected{0.0,
                                       -16.578612669557128,
                                       -16.578612669557128,
                                       0.0,
                                       -0.6931471805599453,
                                       -0.6931471805599453,
                                       -16.578612669557128};
    for (const BinMathTable* table : builds()) {
        std::vector<double> result(gains.size());
        table->flooredLogs(gains.data(), result.data(), gains.size(), 6.30957344480193e-8);
        for (std::size_t i = 0; i < gains.size(); ++i) {
            EXPECT_LE(ulpDistance(result[i], expected[i]), 1.0) << gains[i];
        }
        EXPECT_EQ(std::bit_cast<std::uint64_t>(result[0]), 0u) << "ln 1 must be +0 exactly";
        EXPECT_EQ(std::bit_cast<std::uint64_t>(result[3]), 0u);
    }
}

// cos and sin by an independent slow route, far below one ulp of a double from the true values on
// every platform. Some C libraries are not that accurate (32-bit Windows: 1.6e-14 absolute at 1.2e7
// radians), so they cannot be the reference. The argument is reduced by pi/2 in extended
// precision with pi/2 split into two 32-bit parts and a double, so that each product with the
// quadrant number (below 2^23 here) is exact; the Taylor series is then summed in extended
// precision over |r| <= pi/4.
struct CosSin {
    double cos;
    double sin;
};

CosSin referenceCosSin(double x) {
    static_assert(std::numeric_limits<long double>::digits >= 64, "needs extended precision");
    constexpr long double kHalfPi1 = 0x1.921fb544p+0L;           // 32 bits of pi/2
    constexpr long double kHalfPi2 = 0x1.0b4611a6p-34L;          // the next 32 bits
    constexpr long double kHalfPi3 = 0x1.3198a2e037073p-69L;     // the next 53 bits
    constexpr long double kTwoOverPi = 0.636619772367581343076L; // 2/pi
    const long double quadrant = std::nearbyint(static_cast<long double>(x) * kTwoOverPi);
    const long double r =
        ((static_cast<long double>(x) - quadrant * kHalfPi1) - quadrant * kHalfPi2) -
        quadrant * kHalfPi3;
    long double sinR = 0.0L;
    long double cosR = 0.0L;
    long double term = 1.0L; // r^n / n!
    for (int n = 0; n < 40; ++n) {
        const long double signed_ = (n / 2) % 2 == 0 ? term : -term;
        (n % 2 == 0 ? cosR : sinR) += signed_;
        term *= r / static_cast<long double>(n + 1);
    }
    const auto q = static_cast<long long>(quadrant);
    switch (((q % 4) + 4) % 4) {
    case 0:
        return {static_cast<double>(cosR), static_cast<double>(sinR)};
    case 1:
        return {static_cast<double>(-sinR), static_cast<double>(cosR)};
    case 2:
        return {static_cast<double>(-cosR), static_cast<double>(-sinR)};
    default:
        return {static_cast<double>(sinR), static_cast<double>(-cosR)};
    }
}

TEST(BinMathSinCos, ReferenceAgreesWithLiteralValues) {
    // x, cos x, sin x, rounded from 60-digit decimal arithmetic.
    const double cases[][3] = {
        {1.0, 0.54030230586813977, 0.8414709848078965},
        {-2.5, -0.8011436155469337, -0.5984721441039565},
        {1000.0, 0.5623790762907029, 0.8268795405320025},
        {1e6, 0.9367521275331447, -0.34999350217129294},
        {1.2e7, -0.4092381865193631, 0.9124275898362253},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        const CosSin reference = referenceCosSin(c[0]);
        EXPECT_LE(ulpDistance(reference.cos, c[1]), 1.0);
        EXPECT_LE(ulpDistance(reference.sin, c[2]), 1.0);
    }
}

class BinMathSinCosRange : public ::testing::TestWithParam<Range> {};

// Ulps relative to the value, and also the absolute error: near a zero of sin or cos a
// correctly reduced argument still leaves an absolute error of a few ulps of 1.
TEST_P(BinMathSinCosRange, WithinAFewUlpsOfTheTrueValues) {
    const Range range = GetParam();
    const auto x = grid(range.lo, range.hi, kPoints, false);
    const auto result = cosSinOf(binmath::activeBinMath(), x);
    double worstCos = 0.0;
    double worstSin = 0.0;
    double worstAbsolute = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const auto [c, s] = referenceCosSin(x[i]);
        worstCos = std::max(worstCos, ulpDistance(result[2 * i], c));
        worstSin = std::max(worstSin, ulpDistance(result[2 * i + 1], s));
        worstAbsolute = std::max(
            {worstAbsolute, std::fabs(result[2 * i] - c), std::fabs(result[2 * i + 1] - s)});
    }
    std::cout << "sincos " << range << ": cos max " << worstCos << " ulp, sin max " << worstSin
              << " ulp, absolute " << worstAbsolute << "\n";
    EXPECT_LE(worstCos, range.maxUlps);
    EXPECT_LE(worstSin, range.maxUlps);
    EXPECT_LE(worstAbsolute, 2.3e-16);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, BinMathSinCosRange,
    ::testing::Values(Range{-0.7853981633974483, 0.7853981633974483, false, 1.0},
                      Range{-10.0, 10.0, false, 2.0}, Range{-1000.0, 1000.0, false, 2.0},
                      Range{-1e6, 1e6, false, 2.0}, Range{1.2e7, 1.25e7, false, 2.0}));

TEST(BinMathSinCos, QuadrantsAtLiteralPoints) {
    // x, cos x, sin x.
    const double cases[][3] = {
        {0.0, 1.0, 0.0},
        {1.0, 0.54030230586813977, 0.8414709848078965},
        {2.0, -0.41614683654714241, 0.90929742682568170},
        {4.0, -0.65364362086361194, -0.75680249530792825},
        {5.5, 0.70866977429126010, -0.70554032557039190},
        {-2.5, -0.80114361554693370, -0.59847214410395650},
        {100.0, 0.86231887228768389, -0.50636564110975879},
        {3.141592653589793, -1.0, 1.2246467991473532e-16},
    };
    for (const BinMathTable* table : builds()) {
        for (const auto& c : cases) {
            const auto result = cosSinOf(*table, {c[0]});
            EXPECT_LE(ulpDistance(result[0], c[1]), 1.0) << c[0];
            EXPECT_LE(ulpDistance(result[1], c[2]), 1.0) << c[0];
        }
    }
}

// Magnitudes floored at the analysis's -144 dB and taken by size, phases anywhere in the range
// the minimum-phase construction produces.
TEST(BinMathFlooredPolars, FlooredMagnitudeTimesCosAndSin) {
    constexpr double floor = 6.30957344480193e-8;
    const auto magnitudes = grid(-1.5, 1.5, 4001, false);
    const auto grid2e6 = grid(-2e6, 2e6, 4001, false);
    std::vector<double> phases(magnitudes.size());
    for (std::size_t i = 0; i < magnitudes.size(); ++i) {
        phases[i] = grid2e6[(i * 7919) % grid2e6.size()];
    }
    for (const BinMathTable* table : builds()) {
        std::vector<double> result(2 * magnitudes.size());
        table->flooredPolars(magnitudes.data(), phases.data(), result.data(), magnitudes.size(),
                             floor);
        for (std::size_t i = 0; i < magnitudes.size(); ++i) {
            const double magnitude = std::max(floor, std::fabs(magnitudes[i]));
            // The reduction of phases up to 2e6 rad loses a few ulps of 2e6 against the C
            // library's exact one: 1e-10 of the magnitude covers it.
            ASSERT_NEAR(result[2 * i], magnitude * std::cos(phases[i]), 1e-10 * magnitude) << i;
            ASSERT_NEAR(result[2 * i + 1], magnitude * std::sin(phases[i]), 1e-10 * magnitude) << i;
        }
    }
    // Exact points: a zero gain lands on the floor, a phase of zero gives the magnitude itself.
    const double gains[] = {0.0, -0.25, 1.0};
    const double zeroPhases[] = {0.0, 0.0, 0.0};
    double exact[6];
    binmath::activeBinMath().flooredPolars(gains, zeroPhases, exact, 3, floor);
    EXPECT_EQ(exact[0], floor);
    EXPECT_EQ(exact[1], 0.0);
    EXPECT_EQ(exact[2], 0.25);
    EXPECT_EQ(exact[4], 1.0);
}

// Complex products at literal points: (1 + 2i)(3 - 4i) = 11 + 2i and i * i = -1, scaled by
// 1/2; a run long enough for every build's vector loop and its scalar tail.
TEST(BinMathScaledProducts, ComplexProductsTimesTheScale) {
    constexpr std::size_t count = 11;
    std::vector<double> a(2 * count);
    std::vector<double> b(2 * count);
    for (std::size_t k = 0; k < count; ++k) {
        const bool imaginaryUnits = k % 3 == 2;
        a[2 * k] = imaginaryUnits ? 0.0 : 1.0;
        a[2 * k + 1] = imaginaryUnits ? 1.0 : 2.0;
        b[2 * k] = imaginaryUnits ? 0.0 : 3.0;
        b[2 * k + 1] = imaginaryUnits ? 1.0 : -4.0;
    }
    for (const BinMathTable* table : builds()) {
        std::vector<double> out(2 * count);
        table->scaledProducts(a.data(), b.data(), out.data(), count, 0.5);
        for (std::size_t k = 0; k < count; ++k) {
            const bool imaginaryUnits = k % 3 == 2;
            EXPECT_EQ(out[2 * k], imaginaryUnits ? -0.5 : 5.5) << k;
            EXPECT_EQ(out[2 * k + 1], imaginaryUnits ? 0.0 : 1.0) << k;
        }
    }
}

// -3 dB knee on a ceiling of 1, and the analysis's reference conventions.
binmath::Knee kneeFor(double reference) {
    return {reference, 0.001, 0.7079457843841379, 1.2920542156158621, 0.2920542156158621, 1.0};
}

// The gains match the clipper's own curve, y(x) / x, bit for bit, over the whole knee and on
// both sides of it.
TEST(BinMathKnee, GainsAreTheClippersCurveOverX) {
    NoiseClipper clipper;
    clipper.setThreshold(1.0);
    clipper.setKneeRatio(0.7079457843841379);
    const double reference = 0.37;
    std::vector<double> magnitudes = grid(1e-4, 4.0 * reference, 100003, true);
    const std::vector<double> ends{0.0, -0.5, 0.001, 0.0009999999999999998};
    magnitudes.insert(magnitudes.end(), ends.begin(), ends.end());
    for (const BinMathTable* table : builds()) {
        std::vector<double> gains(magnitudes.size());
        table->kneeGains(magnitudes.data(), gains.data(), magnitudes.size(), kneeFor(reference));
        for (std::size_t k = 0; k < magnitudes.size(); ++k) {
            const double m = magnitudes[k];
            const double x = m / reference;
            const double expected =
                m < 0.001 || x < 0.7079457843841379 ? 1.0 : clipper.processSample(x) / x;
            ASSERT_EQ(std::bit_cast<std::uint64_t>(gains[k]),
                      std::bit_cast<std::uint64_t>(expected))
                << m;
        }
    }
}

TEST(BinMathKnee, LiteralPoints) {
    // x, gain: unity below the knee, ceiling / kneeEnd at its end, 1 / x beyond.
    const double cases[][2] = {{0.5, 1.0},
                               {0.7079457843841379, 1.0},
                               {1.2920542156158621, 0.7739613306577438},
                               {2.0, 0.5},
                               {100.0, 0.01}};
    for (const BinMathTable* table : builds()) {
        for (const auto& c : cases) {
            double gain = -1.0;
            table->kneeGains(&c[0], &gain, 1, kneeFor(1.0));
            EXPECT_LE(ulpDistance(gain, c[1]), 1.0) << c[0];
        }
        // No floor at all (reference 0): a bin of exactly 0.001 has x = +inf and gain 0.
        const double m[2] = {0.001, 0.0005};
        double gains[2];
        table->kneeGains(m, gains, 2, kneeFor(0.0));
        EXPECT_EQ(gains[0], 0.0);
        EXPECT_EQ(gains[1], 1.0);
    }
}

TEST(BinMathMaskedSum, SumsAndCountsTheValuesInsideTheInterval) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> values{0.0005, 0.002, 0.003, 10.0, -4.0, 0.001, 7.0};
    for (const BinMathTable* table : builds()) {
        for (std::size_t count = 0; count <= values.size(); ++count) {
            double sum = 0.0;
            std::size_t inside = 0;
            for (std::size_t k = 0; k < count; ++k) {
                if (values[k] > 0.001) {
                    sum += values[k];
                    ++inside;
                }
            }
            const auto all = table->maskedSum(values.data(), count, 0.001, nan);
            EXPECT_EQ(all.count, inside) << count;
            EXPECT_NEAR(all.sum, sum, 1e-15 * sum) << count;
        }
        const auto below = table->maskedSum(values.data(), values.size(), 0.001, 7.0);
        EXPECT_EQ(below.count, 2u);
        EXPECT_DOUBLE_EQ(below.sum, 0.005);
        const double withInfinity[2] = {std::numeric_limits<double>::infinity(), 1.0};
        EXPECT_EQ(table->maskedSum(withInfinity, 2, 0.001, nan).count, 2u);
    }
}

TEST(BinMathModuli, WithinAnUlpOfHypot) {
    const auto re = grid(-3.0, 3.0, 10007, false);
    std::vector<double> pairs;
    for (std::size_t i = 0; i < re.size(); ++i) {
        pairs.push_back(re[i]);
        pairs.push_back(re[(i * 4099) % re.size()] * (i % 5 == 0 ? 1e-9 : 1.0));
    }
    for (const BinMathTable* table : builds()) {
        std::vector<double> moduli(re.size());
        binmath::MaskedPartials partials;
        EXPECT_TRUE(table->moduli(pairs.data(), moduli.data(), re.size(), 0.001, partials));
        for (std::size_t i = 0; i < re.size(); ++i) {
            ASSERT_LE(ulpDistance(moduli[i], std::hypot(pairs[2 * i], pairs[2 * i + 1])), 1.0) << i;
        }
    }
}

// The weighted moduli: |pair| (slope + w (1 - slope)), a few roundings from the exact value,
// for the slopes the analysis takes (1 leaves the modulus, 0 divides it by the slope curve).
TEST(BinMathModuli, SlopedModuliWeightTheModulus) {
    constexpr std::size_t count = 1003;
    std::vector<double> pairs(2 * count);
    std::vector<double> weights(count);
    for (std::size_t i = 0; i < count; ++i) {
        pairs[2 * i] = std::cos(0.01 * static_cast<double>(i)) * (1.0 + static_cast<double>(i));
        pairs[2 * i + 1] = std::sin(0.013 * static_cast<double>(i)) * 3.0;
        weights[i] = 1.0 / (1.0 + 0.004 * static_cast<double>(i));
    }
    for (const double slope : {0.0, 0.25, 0.5, 1.0}) {
        for (const BinMathTable* table : builds()) {
            std::vector<double> out(count);
            binmath::MaskedPartials partials;
            EXPECT_TRUE(table->slopedModuli(pairs.data(), weights.data(), slope, out.data(), count,
                                            0.001, partials));
            for (std::size_t i = 0; i < count; ++i) {
                const double expected = std::hypot(pairs[2 * i], pairs[2 * i + 1]) *
                                        (slope + weights[i] * (1.0 - slope));
                ASSERT_NEAR(out[i], expected, 1e-15 * expected) << "slope " << slope << " " << i;
            }
        }
    }
}

// The flag that sends the analysis to hypot: false as soon as one square overflows or an input is
// not finite, wherever the pair lies (first vector, middle, scalar tail), true otherwise.
TEST(BinMathModuli, ReportsWhetherEveryModulusIsFinite) {
    constexpr std::size_t count = 11;
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        std::size_t pair;
        double re;
        double im;
        bool finite;
    };
    const Case cases[] = {
        {0, 1e200, 0.0, false}, {5, 0.0, -1e160, false}, {10, 1e155, 1e155, false},
        {3, inf, 1.0, false},   {9, nan, 0.0, false},    {4, 1e150, 1e150, true},
        {10, -3.0, 4.0, true},
    };
    for (const BinMathTable* table : builds()) {
        for (const Case& c : cases) {
            std::vector<double> pairs(2 * count, 0.5);
            pairs[2 * c.pair] = c.re;
            pairs[2 * c.pair + 1] = c.im;
            std::vector<double> moduli(count);
            binmath::MaskedPartials partials;
            EXPECT_EQ(table->moduli(pairs.data(), moduli.data(), count, 0.001, partials), c.finite)
                << "pair " << c.pair << " (" << c.re << ", " << c.im << ")";
            const std::vector<double> weights(count, 1.5);
            EXPECT_EQ(table->slopedModuli(pairs.data(), weights.data(), 0.25, moduli.data(), count,
                                          0.001, partials),
                      c.finite)
                << "sloped, pair " << c.pair << " (" << c.re << ", " << c.im << ")";
        }
    }
}

// The direct convolution's first outputs, against the plain double loop in frame order: the same
// additions in the same order, so every build must match it bit for bit, for ranges that start
// at 0 or later, split or whole, shorter or longer than a group of samples and a vector.

// The sum the moduli pass carries along: for every starting offset in the sequence, every length
// (the vector loop, its scalar tail, none at all) and both weightings, the partials give the bits
// of maskedSum run over the whole sequence afterwards, in every build.
TEST(BinMathModuli, CarryTheMaskedSumOfTheirOutputs) {
    constexpr std::size_t most = 23;
    std::vector<double> pairs(2 * most);
    std::vector<double> weights(most);
    for (std::size_t i = 0; i < most; ++i) {
        // Moduli from 0.0005 to about 3, a third of them under the bound 0.001.
        const double size = i % 3 == 0 ? 0.0005 : 0.1 + 0.13 * static_cast<double>(i);
        pairs[2 * i] = size * std::cos(0.7 * static_cast<double>(i));
        pairs[2 * i + 1] = size * std::sin(0.7 * static_cast<double>(i));
        weights[i] = 1.0 / (1.0 + 0.3 * static_cast<double>(i));
    }
    // Values the sequence holds before the pass: DC's place, which may be negative.
    const double before[] = {0.37, -2.0, 0.0015, 1e-4, 5.0, 0.9};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const BinMathTable* table : builds()) {
        for (std::size_t offset = 0; offset <= 5; ++offset) {
            for (std::size_t count = 0; count <= most; ++count) {
                for (const bool sloped : {false, true}) {
                    std::vector<double> sequence(before, before + offset);
                    sequence.resize(offset + count + 1);
                    binmath::MaskedPartials partials;
                    for (std::size_t i = 0; i < offset; ++i) {
                        partials.add(before[i], 0.001);
                    }
                    double* const out = sequence.data() + offset;
                    const bool finite =
                        sloped ? table->slopedModuli(pairs.data(), weights.data(), 0.4, out, count,
                                                     0.001, partials)
                               : table->moduli(pairs.data(), out, count, 0.001, partials);
                    EXPECT_TRUE(finite);
                    sequence.back() = 0.25; // Nyquist's place, after the pass
                    partials.add(sequence.back(), 0.001);
                    const auto expected =
                        table->maskedSum(sequence.data(), sequence.size(), 0.001, nan);
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(partials.total().sum),
                              std::bit_cast<std::uint64_t>(expected.sum))
                        << "offset " << offset << " count " << count << " sloped " << sloped;
                    ASSERT_EQ(partials.total().count, expected.count)
                        << "offset " << offset << " count " << count << " sloped " << sloped;
                }
            }
        }
    }
}
TEST(BinMathConvolutionHead, AddsEachProductInFrameOrder) {
    struct Range {
        std::size_t begin;
        std::size_t end;
    };
    const Range ranges[] = {{0, 1},  {0, 7},    {0, 8}, {0, 9},    {3, 13},
                            {0, 64}, {64, 128}, {5, 6}, {17, 100}, {0, 131}};
    constexpr std::size_t length = 131;
    std::vector<double> x(length);
    std::vector<double> h(length);
    std::vector<double> start(length);
    for (std::size_t i = 0; i < length; ++i) {
        x[i] = std::sin(0.37 * static_cast<double>(i)) * 1.7 + 0.1;
        h[i] = std::exp(-0.05 * static_cast<double>(i)) * std::cos(0.9 * static_cast<double>(i));
        start[i] = 0.01 * static_cast<double>(i % 7) - 0.02;
    }
    for (const Range& r : ranges) {
        std::vector<double> expected(start);
        for (std::size_t p = r.begin; p < r.end; ++p) {
            for (std::size_t j = 0; j <= p; ++j) {
                // Rounded on its own, as the builds (compiled without contraction) round it.
                const volatile double product = x[j] * h[p - j];
                expected[p] += product;
            }
        }
        for (const BinMathTable* table : builds()) {
            std::vector<double> out(start);
            table->convolutionHead(x.data(), h.data(), out.data(), r.begin, r.end);
            EXPECT_EQ(std::memcmp(out.data(), expected.data(), length * sizeof(double)), 0)
                << "[" << r.begin << ", " << r.end << ")";
        }
    }
}

// The minimum phase's folds, which read one array forwards and backwards at once: against the
// formulas in long double, and every build bit for bit against the reference, for sizes whose
// ranges end in the vector body and in the scalar tail and meet in the middle either way.
TEST(BinMathFolds, MirrorTheInputAroundTheMiddle) {
    for (const std::size_t half : {2, 3, 5, 8, 13, 64, 1200}) {
        std::vector<double> v(half + 1);
        std::vector<double> s(half);
        for (std::size_t k = 0; k <= half; ++k) {
            v[k] = -16.0 * std::fabs(std::sin(0.7 * static_cast<double>(k) + 0.3));
        }
        for (std::size_t k = 0; k < half; ++k) {
            s[k] = std::sin(3.141592653589793 * static_cast<double>(k) / static_cast<double>(half));
        }
        const double middle = v[half / 2];
        std::vector<double> expectedY(half, 0.0);
        std::vector<double> expectedZ(half, 0.0);
        binmath::referenceBinMath().cosineFold(v.data(), s.data(), expectedY.data(), half);
        binmath::referenceBinMath().sineFold(v.data(), middle, s.data(), expectedZ.data(), half);
        for (std::size_t k = 1; k < half; ++k) {
            const long double low = v[k];
            const long double high = v[half - k];
            const long double y = 0.5L * (low + high) - s[k] * (low - high);
            const long double a = 2.0L * (low - middle);
            const long double b = 2.0L * (high - middle);
            const long double z = s[k] * (a + b) + 0.5L * (a - b);
            ASSERT_NEAR(expectedY[k], static_cast<double>(y), 1e-13) << half << " " << k;
            ASSERT_NEAR(expectedZ[k], static_cast<double>(z), 1e-13) << half << " " << k;
        }
        for (const BinMathTable* table : builds()) {
            std::vector<double> y(half, 0.0);
            std::vector<double> z(half, 0.0);
            table->cosineFold(v.data(), s.data(), y.data(), half);
            table->sineFold(v.data(), middle, s.data(), z.data(), half);
            EXPECT_EQ(std::memcmp(y.data(), expectedY.data(), half * sizeof(double)), 0) << half;
            EXPECT_EQ(std::memcmp(z.data(), expectedZ.data(), half * sizeof(double)), 0) << half;
        }
    }
}

// Element-wise products and sums, on literal pairs whose results are exact, for every length up
// to one that covers each build's vector body and scalar tail; nothing past the count is written.
TEST(BinMathElementWise, ProductsAndSums) {
    using ElementWise = void (*)(const double*, const double*, double*, std::size_t) noexcept;
    constexpr std::size_t length = 11;
    struct Case {
        const char* name;
        ElementWise BinMathTable::*loop;
        double b[length];
        double expected[length];
    };
    const double a[length] = {1.5, -0.25, 3.0, 0.0, -7.0, 0.5, 1e-3, 2.0, -1.0, 4.0, 0.125};
    const Case cases[] = {
        {"products",
         &BinMathTable::products,
         {2.0, 8.0, -1.0, 5.0, -0.5, 0.5, 1e3, 0.75, -1.0, 0.25, 8.0},
         {3.0, -2.0, -3.0, 0.0, 3.5, 0.25, 1.0, 1.5, 1.0, 1.0, 1.0}},
        {"sums",
         &BinMathTable::sums,
         {2.0, 8.0, -3.0, 5.0, -0.5, 0.5, -1e-3, 0.75, -1.0, 0.25, 8.0},
         {3.5, 7.75, 0.0, 5.0, -7.5, 1.0, 0.0, 2.75, -2.0, 4.25, 8.125}},
    };
    for (const Case& c : cases) {
        for (const BinMathTable* table : builds()) {
            for (std::size_t count = 1; count <= length; ++count) {
                std::vector<double> out(length, -99.0);
                (table->*c.loop)(a, c.b, out.data(), count);
                for (std::size_t i = 0; i < length; ++i) {
                    EXPECT_DOUBLE_EQ(out[i], i < count ? c.expected[i] : -99.0)
                        << c.name << " " << count << " " << i;
                }
            }
        }
    }
}

// Every build, on the same inputs, must give the same bits as the scalar reference. The counts
// are odd so that the scalar tails of the vector loops run too.
TEST(BinMathBuilds, BitIdenticalToTheReference) {
    const auto tables = builds();
    if (tables.size() < 3) {
        std::cout << "no AVX2 on this CPU: comparing the baseline build only\n";
    }
    std::vector<double> logInputs = grid(1e-9, 4.0, 300003, true);
    const auto linear = grid(-1.0, 1.0, 100001, false);
    logInputs.insert(logInputs.end(), linear.begin(), linear.end());
    // Runs of exact gains of +-1, some of them whole vectors wide and some not, around values
    // on either side of the knee: the loops' shortcuts for such runs must give the same bits.
    for (std::size_t run = 1; run <= 9; ++run) {
        logInputs.insert(logInputs.end(), run, run % 2 == 0 ? -1.0 : 1.0);
        logInputs.push_back(0.5 + 0.1 * static_cast<double>(run));
    }
    // A patchwork over several of the loops' chunks of vectors: each value passes at random (a
    // gain of exactly +-1; a magnitude far below the knee) or does not (near and above the knee
    // of kneeFor(0.8)), so that the vectors the loops skip and those they run interleave.
    std::mt19937_64 random(7);
    for (int i = 0; i < 6000; ++i) {
        const std::uint64_t draw = random();
        const double value = draw % 4 == 0   ? 1.0
                             : draw % 4 == 1 ? -1.0
                             : draw % 4 == 2 ? 1e-6
                                             : 0.3 + static_cast<double>(draw % 1000) * 1e-3;
        logInputs.push_back(value);
    }
    std::vector<double> pairs;
    const auto re = grid(-20.0, 1.0, 300007, false);
    const auto im = grid(-2e5, 2e5, 300007, false);
    for (std::size_t i = 0; i < re.size(); ++i) {
        pairs.push_back(re[i]);
        pairs.push_back(i % 3 == 0 ? im[i] : im[i] * 1e-4);
    }

    std::vector<double> expectedLogs(logInputs.size());
    tables[0]->flooredLogs(logInputs.data(), expectedLogs.data(), logInputs.size(),
                           6.30957344480193e-8);
    for (std::size_t t = 1; t < tables.size(); ++t) {
        std::vector<double> logs(logInputs.size());
        tables[t]->flooredLogs(logInputs.data(), logs.data(), logInputs.size(),
                               6.30957344480193e-8);
        EXPECT_EQ(std::memcmp(logs.data(), expectedLogs.data(), logs.size() * sizeof(double)), 0)
            << "build " << t;

        std::vector<double> polars(pairs.size());
        std::vector<double> expectedPolars(pairs.size());
        tables[0]->flooredPolars(re.data(), im.data(), expectedPolars.data(), re.size(),
                                 6.30957344480193e-8);
        tables[t]->flooredPolars(re.data(), im.data(), polars.data(), re.size(),
                                 6.30957344480193e-8);
        EXPECT_EQ(std::memcmp(polars.data(), expectedPolars.data(), polars.size() * sizeof(double)),
                  0)
            << "build " << t;

        // In place on the first factor, as the fast convolution might run it.
        std::vector<double> products(pairs);
        std::vector<double> expectedProducts(pairs.size());
        tables[0]->scaledProducts(pairs.data(), expectedPolars.data(), expectedProducts.data(),
                                  re.size(), 1.0 / 4800.0);
        tables[t]->scaledProducts(products.data(), expectedPolars.data(), products.data(),
                                  re.size(), 1.0 / 4800.0);
        EXPECT_EQ(
            std::memcmp(products.data(), expectedProducts.data(), products.size() * sizeof(double)),
            0)
            << "build " << t;

        std::vector<double> moduli(re.size());
        std::vector<double> expectedModuli(re.size());
        binmath::MaskedPartials expectedPartials;
        binmath::MaskedPartials partials;
        tables[0]->moduli(pairs.data(), expectedModuli.data(), re.size(), 0.5, expectedPartials);
        tables[t]->moduli(pairs.data(), moduli.data(), re.size(), 0.5, partials);
        EXPECT_EQ(moduli, expectedModuli) << "build " << t;

        std::vector<double> weights(re.size());
        for (std::size_t i = 0; i < weights.size(); ++i) {
            weights[i] = 0.25 + 1e-5 * static_cast<double>(i);
        }
        tables[0]->slopedModuli(pairs.data(), weights.data(), 0.3, expectedModuli.data(), re.size(),
                                0.5, expectedPartials);
        tables[t]->slopedModuli(pairs.data(), weights.data(), 0.3, moduli.data(), re.size(), 0.5,
                                partials);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(partials.total().sum),
                  std::bit_cast<std::uint64_t>(expectedPartials.total().sum))
            << "build " << t;
        EXPECT_EQ(partials.total().count, expectedPartials.total().count) << "build " << t;
        EXPECT_EQ(std::memcmp(moduli.data(), expectedModuli.data(), moduli.size() * sizeof(double)),
                  0)
            << "build " << t;

        const auto sum = tables[t]->maskedSum(logInputs.data(), logInputs.size(), 0.001, 2.0);
        const auto expectedSum =
            tables[0]->maskedSum(logInputs.data(), logInputs.size(), 0.001, 2.0);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(sum.sum),
                  std::bit_cast<std::uint64_t>(expectedSum.sum));
        EXPECT_EQ(sum.count, expectedSum.count);

        std::vector<double> gains(logInputs.size());
        std::vector<double> expectedGains(logInputs.size());
        tables[0]->kneeGains(logInputs.data(), expectedGains.data(), logInputs.size(),
                             kneeFor(0.8));
        tables[t]->kneeGains(logInputs.data(), gains.data(), logInputs.size(), kneeFor(0.8));
        EXPECT_EQ(std::memcmp(gains.data(), expectedGains.data(), gains.size() * sizeof(double)),
                  0);
    }
}

} // namespace
} // namespace calderine
