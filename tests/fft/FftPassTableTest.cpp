// The AVX2 build of the radix passes must reproduce the baseline build bit for bit, so that a
// plug-in renders identically on every machine. The accuracy tests reach only the build the CPU
// selects; this one pits both against each other over every kind of pass shape (all even sizes
// 2^a 3^b 5^c up to 20000: each ido and row count meets a different mix of lane kinds).

#include "fft/FftPassTable.h"

#include "fft/Fft.h"
#include "fft/FftTwiddleOrder.h"
#include "simd/CpuBuild.h"
#include "tests/support/TestSignal.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace calderine {
namespace {

std::vector<int> evenSmoothSizes(int limit) {
    std::vector<int> sizes;
    for (int n = 2; n <= limit; n += 2) {
        int m = n;
        for (const int p : {2, 3, 5}) {
            while (m % p == 0) {
                m /= p;
            }
        }
        if (m == 1) {
            sizes.push_back(n);
        }
    }
    return sizes;
}

// Rows rows of length doubles from plain (the plan's layout), as build reads them where a pass
// reads them as `reads` says (with the ido given): a build that reads twiddles in lane order
// gets its blocks reordered, as a plan's lane-ordered table has them.
std::vector<double> rowsAsRead(const fftpass::FftPassTable& build, const double* plain, int rows,
                               int length, int ido, fftpass::TwiddleReads reads) {
    std::vector<double> table(plain, plain + rows * length);
    if (build.twiddlesInLaneOrder) {
        for (int row = 0; row < rows; ++row) {
            fftpass::orderTwiddleRow(table.data() + row * length, ido, reads);
        }
    }
    return table;
}

constexpr fftpass::TwiddleReads alongI = fftpass::TwiddleReads::AlongI;
constexpr fftpass::TwiddleReads quartered = fftpass::TwiddleReads::Quartered;

bool baselineSwitchSet() {
    const char* value = std::getenv("CALDERINE_FFT_BASELINE");
    return value != nullptr && std::string_view(value) == "1";
}

// The widest build the CPU runs, unless the diagnostic switch asks for the baseline build.
TEST(FftPassTable, ActiveBuildIsTheWidestTheCpuRunsUnlessTheBaselineIsForced) {
    const fftpass::FftPassTable* wide = fftpass::avx2FftPasses();
    const bool baseline = baselineSwitchSet() || wide == nullptr;
    EXPECT_EQ(&fftpass::activeFftPasses(), baseline ? &fftpass::baselineFftPasses() : wide);
    EXPECT_STREQ(simd::buildName(simd::activeBuild()), baseline ? "baseline" : "avx2");
}

// The ctest entries that set the switch also say which build they expect (CALDERINE_EXPECT_FFT:
// "baseline", or "widest" for the widest the CPU runs), so that a switch that is not read fails
// there instead of passing unnoticed.
TEST(FftPassTable, TheSwitchChoosesTheExpectedBuild) {
    const char* expected = std::getenv("CALDERINE_EXPECT_FFT");
    if (expected == nullptr) {
        GTEST_SKIP() << "run by the ctest entries that set CALDERINE_FFT_BASELINE";
    }
    const std::string_view wanted(expected);
    ASSERT_TRUE(wanted == "baseline" || wanted == "widest") << wanted;
    const fftpass::FftPassTable* wide = fftpass::avx2FftPasses();
    const fftpass::FftPassTable& build =
        wanted == "widest" && wide != nullptr ? *wide : fftpass::baselineFftPasses();
    EXPECT_EQ(&fftpass::activeFftPasses(), &build);
}

// Whichever build the switch chose, the public transform gives exactly what both builds give.
TEST(FftPassTable, ThePublicTransformMatchesBothBuildsBitForBit) {
    const fftpass::FftPassTable* wide = fftpass::avx2FftPasses();
    for (const int n : {480, 1152, 2304, 2400, 4608, 4800, 9600}) {
        const FftPlanPtr plan(createFftPlan(n));
        ASSERT_NE(plan, nullptr) << n;
        const std::vector<double> input =
            testing::uniformNoise(static_cast<std::size_t>(n), 7u + static_cast<unsigned>(n));
        std::vector<double> work(n);
        std::vector<double> publicOut(n);
        std::vector<double> narrow(n);
        std::vector<double> wideOut(n);
        for (const FftDirection direction : {FftDirection::Forward, FftDirection::Backward}) {
            for (const bool ordered : {false, true}) {
                fftTransform(*plan, input.data(), publicOut.data(), work.data(), direction,
                             ordered);
                fftpass::fftTransformWith(fftpass::baselineFftPasses(), *plan, input.data(),
                                          narrow.data(), work.data(), direction, ordered);
                ASSERT_EQ(publicOut, narrow) << "N=" << n;
                if (wide != nullptr) {
                    fftpass::fftTransformWith(*wide, *plan, input.data(), wideOut.data(),
                                              work.data(), direction, ordered);
                    ASSERT_EQ(publicOut, wideOut) << "N=" << n;
                }
            }
        }
    }
}

TEST(FftPassTable, Avx2BuildMatchesBaselineBitForBit) {
    const fftpass::FftPassTable* wide = fftpass::avx2FftPasses();
    if (wide == nullptr) {
        GTEST_SKIP() << "no AVX2 build on this machine";
    }
    for (const int n : evenSmoothSizes(20000)) {
        const FftPlanPtr plan(createFftPlan(n));
        ASSERT_NE(plan, nullptr) << n;
        const std::vector<double> input =
            testing::uniformNoise(static_cast<std::size_t>(n), 2024u + static_cast<unsigned>(n));
        std::vector<double> work(n);
        std::vector<double> narrow(n);
        std::vector<double> wideOut(n);
        for (const FftDirection direction : {FftDirection::Forward, FftDirection::Backward}) {
            for (const bool ordered : {false, true}) {
                fftpass::fftTransformWith(fftpass::baselineFftPasses(), *plan, input.data(),
                                          narrow.data(), work.data(), direction, ordered);
                fftpass::fftTransformWith(*wide, *plan, input.data(), wideOut.data(), work.data(),
                                          direction, ordered);
                ASSERT_EQ(narrow, wideOut)
                    << "N=" << n << (direction == FftDirection::Forward ? " forward" : " backward")
                    << (ordered ? " ordered" : " packed");
            }
        }
    }
}

// Plans ending in factors 5, 5 run their ido = 1 and ido = 5 radix-5 passes as one step. It must
// give what the two passes give one after the other, bit for bit, in every build and for row
// counts that fill whole vectors and leave pairs over (N / 25 = 2, 6, 10, 50, 96, 192).
TEST(FftPassTable, FusedRadixFiveStepsMatchTheTwoPassesBitForBit) {
    std::vector<const fftpass::FftPassTable*> builds = {&fftpass::baselineFftPasses()};
    if (const fftpass::FftPassTable* wide = fftpass::avx2FftPasses(); wide != nullptr) {
        builds.push_back(wide);
    }
    for (const int n : {50, 150, 250, 1250, 2400, 4800}) {
        const FftPlanPtr plan(createFftPlan(n));
        ASSERT_NE(plan, nullptr) << n;
        const int nf = plan->factors[1];
        ASSERT_EQ(plan->factors[nf + 1], 5) << n;
        ASSERT_EQ(plan->factors[nf], 5) << n;
        // Each factor's twiddle rows take (p - 1) * ido of the plan's N - 1 doubles, the last
        // factor's first: the ido = 5 pass's 4 rows of 5 start 4 * 5 + 4 * 1 from the end.
        const double* wa = plan->twiddles + (n - 1) - 24;
        const int rows = n / 25;
        const std::vector<double> input =
            testing::uniformNoise(static_cast<std::size_t>(n), 99u + static_cast<unsigned>(n));
        for (const fftpass::FftPassTable* build : builds) {
            std::vector<double> middle(n);
            std::vector<double> separate(n);
            std::vector<double> fused(n);
            build->radf5(1, 5 * rows, input.data(), middle.data(), nullptr, nullptr, nullptr,
                         nullptr);
            build->radf5(5, rows, middle.data(), separate.data(), wa, wa + 5, wa + 10, wa + 15);
            build->radf55(rows, input.data(), fused.data(), wa, wa + 5, wa + 10, wa + 15);
            EXPECT_EQ(fused, separate) << "forward N=" << n;

            build->radb5(5, rows, input.data(), middle.data(), wa, wa + 5, wa + 10, wa + 15);
            build->radb5(1, 5 * rows, middle.data(), separate.data(), nullptr, nullptr, nullptr,
                         nullptr);
            build->radb55(rows, input.data(), fused.data(), wa, wa + 5, wa + 10, wa + 15);
            EXPECT_EQ(fused, separate) << "backward N=" << n;
        }
    }
}

// Likewise for plans ending in factors 3, 3 (N / 9 = 2, 4, 18, 256, 512 rows).
TEST(FftPassTable, FusedRadixThreeStepsMatchTheTwoPassesBitForBit) {
    std::vector<const fftpass::FftPassTable*> builds = {&fftpass::baselineFftPasses()};
    if (const fftpass::FftPassTable* wide = fftpass::avx2FftPasses(); wide != nullptr) {
        builds.push_back(wide);
    }
    for (const int n : {18, 36, 162, 2304, 4608}) {
        const FftPlanPtr plan(createFftPlan(n));
        ASSERT_NE(plan, nullptr) << n;
        const int nf = plan->factors[1];
        ASSERT_EQ(plan->factors[nf + 1], 3) << n;
        ASSERT_EQ(plan->factors[nf], 3) << n;
        // The ido = 3 pass's 2 rows of 3 start 2 * 3 + 2 * 1 from the end (see above).
        const double* wa = plan->twiddles + (n - 1) - 8;
        const int rows = n / 9;
        const std::vector<double> input =
            testing::uniformNoise(static_cast<std::size_t>(n), 77u + static_cast<unsigned>(n));
        for (const fftpass::FftPassTable* build : builds) {
            std::vector<double> middle(n);
            std::vector<double> separate(n);
            std::vector<double> fused(n);
            build->radf3(1, 3 * rows, input.data(), middle.data(), nullptr, nullptr);
            build->radf3(3, rows, middle.data(), separate.data(), wa, wa + 3);
            build->radf33(rows, input.data(), fused.data(), wa, wa + 3);
            EXPECT_EQ(fused, separate) << "forward N=" << n;

            build->radb3(3, rows, input.data(), middle.data(), wa, wa + 3);
            build->radb3(1, 3 * rows, middle.data(), separate.data(), nullptr, nullptr);
            build->radb33(rows, input.data(), fused.data(), wa, wa + 3);
            EXPECT_EQ(fused, separate) << "backward N=" << n;
        }
    }
}

// Plans ending in factors 4, 3, 3 run the radix-4 pass at ido = 9 with the 3, 3 step. It must give
// what the three passes give one after the other, bit for bit, in every build, for row counts of
// the radix-4 pass that fill whole vectors or only a pair or a single row (N / 36 = 1, 2, 4, 8,
// 16, 64, 128; any other factor would follow the 3, 3 in the plan).
TEST(FftPassTable, FusedFourThreeThreeStepsMatchTheThreePassesBitForBit) {
    std::vector<const fftpass::FftPassTable*> builds = {&fftpass::baselineFftPasses()};
    if (const fftpass::FftPassTable* wide = fftpass::avx2FftPasses(); wide != nullptr) {
        builds.push_back(wide);
    }
    for (const int n : {36, 72, 144, 288, 576, 2304, 4608}) {
        const FftPlanPtr plan(createFftPlan(n));
        ASSERT_NE(plan, nullptr) << n;
        const int nf = plan->factors[1];
        ASSERT_GE(nf, 3) << n;
        ASSERT_EQ(plan->factors[nf + 1], 3) << n;
        ASSERT_EQ(plan->factors[nf], 3) << n;
        ASSERT_EQ(plan->factors[nf - 1], 4) << n;
        // From the end of the plan's N - 1 twiddles: the ido = 3 pass's 2 rows of 3 start 8 back,
        // the ido = 9 radix-4 pass's 3 rows of 9 another 27 before them.
        const double* wb = plan->twiddles + (n - 1) - 8;
        const double* wa = wb - 27;
        const int rows = n / 36;
        const std::vector<double> input =
            testing::uniformNoise(static_cast<std::size_t>(n), 55u + static_cast<unsigned>(n));
        for (const fftpass::FftPassTable* build : builds) {
            std::vector<double> first(n);
            std::vector<double> second(n);
            std::vector<double> separate(n);
            std::vector<double> fused(n);
            // The lone radix-4 pass reads its rows along i; the fused step one at a time.
            const std::vector<double> single = rowsAsRead(*build, wa, 3, 9, 9, alongI);
            const double* sa = single.data();
            build->radf3(1, 12 * rows, input.data(), first.data(), nullptr, nullptr);
            build->radf3(3, 4 * rows, first.data(), second.data(), wb, wb + 3);
            build->radf4(9, rows, second.data(), separate.data(), sa, sa + 9, sa + 18);
            build->radf433(rows, input.data(), fused.data(), wa, wa + 9, wa + 18, wb, wb + 3);
            EXPECT_EQ(fused, separate) << "forward N=" << n;

            build->radb4(9, rows, input.data(), first.data(), sa, sa + 9, sa + 18);
            build->radb3(3, 4 * rows, first.data(), second.data(), wb, wb + 3);
            build->radb3(1, 12 * rows, second.data(), separate.data(), nullptr, nullptr);
            build->radb433(rows, input.data(), fused.data(), wa, wa + 9, wa + 18, wb, wb + 3);
            EXPECT_EQ(fused, separate) << "backward N=" << n;
        }
    }
}

// Plans whose first factors are 2, 4 run those two passes as one step. It must give what the two
// passes give one after the other, bit for bit, in every build; the radix-4 pass's ido = N / 8
// (4, 12, 16, 20, 48, 300, 576, 1200) leaves every mix of vector, pair and single iterations.
TEST(FftPassTable, FusedTwoFourStepsMatchTheTwoPassesBitForBit) {
    std::vector<const fftpass::FftPassTable*> builds = {&fftpass::baselineFftPasses()};
    if (const fftpass::FftPassTable* wide = fftpass::avx2FftPasses(); wide != nullptr) {
        builds.push_back(wide);
    }
    for (const int n : {32, 96, 128, 160, 384, 2400, 4608, 9600}) {
        const FftPlanPtr plan(createFftPlan(n));
        ASSERT_NE(plan, nullptr) << n;
        ASSERT_GE(plan->factors[1], 3) << n;
        ASSERT_EQ(plan->factors[2], 2) << n;
        ASSERT_EQ(plan->factors[3], 4) << n;
        // The radix-2 pass's row of N / 2 twiddles comes first, the radix-4 pass's three rows of
        // N / 8 next.
        const int ido = n / 8;
        const double* wb = plan->twiddles;
        const double* wa = wb + n / 2;
        const std::vector<double> input =
            testing::uniformNoise(static_cast<std::size_t>(n), 31u + static_cast<unsigned>(n));
        for (const fftpass::FftPassTable* build : builds) {
            std::vector<double> middle(n);
            std::vector<double> separate(n);
            std::vector<double> fused(n);
            const std::vector<double> fours = rowsAsRead(*build, wa, 3, ido, ido, alongI);
            const std::vector<double> two = rowsAsRead(*build, wb, 1, 4 * ido, 4 * ido, alongI);
            const std::vector<double> twoFused = rowsAsRead(*build, wb, 1, 4 * ido, ido, quartered);
            const double* a = fours.data();
            build->radf4(ido, 2, input.data(), middle.data(), a, a + ido, a + 2 * ido);
            build->radf2(4 * ido, 1, middle.data(), separate.data(), two.data());
            build->radf24(ido, input.data(), fused.data(), a, a + ido, a + 2 * ido,
                          twoFused.data());
            EXPECT_EQ(fused, separate) << "forward N=" << n;

            build->radb2(4 * ido, 1, input.data(), middle.data(), two.data());
            build->radb4(ido, 2, middle.data(), separate.data(), a, a + ido, a + 2 * ido);
            build->radb24(ido, input.data(), fused.data(), a, a + ido, a + 2 * ido,
                          twoFused.data());
            EXPECT_EQ(fused, separate) << "backward N=" << n;
        }
    }
}

// Consecutive forward radix-4 passes run in pairs. The pair must give what the two passes give one
// after the other, bit for bit, in every build, for every kind of row: ido = 2 (no complex
// iteration), ido values that leave every mix of vector, pair and single iterations, one row or
// several. The twiddles are arbitrary values: the pair must apply each where its pass does.
TEST(FftPassTable, PairedRadixFourStepsMatchTheTwoPassesBitForBit) {
    std::vector<const fftpass::FftPassTable*> builds = {&fftpass::baselineFftPasses()};
    if (const fftpass::FftPassTable* wide = fftpass::avx2FftPasses(); wide != nullptr) {
        builds.push_back(wide);
    }
    struct Shape {
        int ido; // the pass with the shorter rows
        int l1;  // the rows of the pass with the longer ones (the other has four times as many)
    };
    for (const Shape shape : {Shape{2, 1}, Shape{4, 3}, Shape{6, 2}, Shape{8, 1}, Shape{10, 2},
                              Shape{12, 1}, Shape{36, 4}, Shape{144, 1}, Shape{300, 1}}) {
        const int n = 16 * shape.ido * shape.l1;
        const int ido = shape.ido;
        const std::vector<double> input = testing::uniformNoise(static_cast<std::size_t>(n), 5u);
        const std::vector<double> wa = testing::uniformNoise(static_cast<std::size_t>(3 * ido), 6u);
        const std::vector<double> wb =
            testing::uniformNoise(static_cast<std::size_t>(12 * ido), 8u);
        for (const fftpass::FftPassTable* build : builds) {
            std::vector<double> middle(n);
            std::vector<double> separate(n);
            std::vector<double> fused(n);
            const std::vector<double> first = rowsAsRead(*build, wa.data(), 3, ido, ido, alongI);
            const std::vector<double> second =
                rowsAsRead(*build, wb.data(), 3, 4 * ido, 4 * ido, alongI);
            const std::vector<double> secondFused =
                rowsAsRead(*build, wb.data(), 3, 4 * ido, ido, quartered);
            const double* a = first.data();
            const double* b = second.data();
            const double* bf = secondFused.data();
            build->radf4(ido, 4 * shape.l1, input.data(), middle.data(), a, a + ido, a + 2 * ido);
            build->radf4(4 * ido, shape.l1, middle.data(), separate.data(), b, b + 4 * ido,
                         b + 8 * ido);
            build->radf44(ido, shape.l1, input.data(), fused.data(), a, a + ido, a + 2 * ido, bf,
                          bf + 4 * ido, bf + 8 * ido);
            EXPECT_EQ(fused, separate) << "forward ido=" << ido << " l1=" << shape.l1;
        }
    }
}

// Forward transforms of plans ending in factors 3, 5, 5 run the ido = 25 radix-3 pass with the
// 5, 5 step. It must give what the three passes give one after the other, bit for bit, in every
// build, for radix-3 row counts that fill whole vectors, leave pairs or single rows over (N / 75 =
// 1, 2, 3, 6, 7, 32, 64).
TEST(FftPassTable, FusedThreeFiveFiveStepsMatchTheThreePassesBitForBit) {
    std::vector<const fftpass::FftPassTable*> builds = {&fftpass::baselineFftPasses()};
    if (const fftpass::FftPassTable* wide = fftpass::avx2FftPasses(); wide != nullptr) {
        builds.push_back(wide);
    }
    // The twiddles are arbitrary values (the passes need not form a plan for the comparison): row
    // counts with factors that would follow the 5, 5 in a plan are covered too.
    const std::vector<double> wa = testing::uniformNoise(50, 12u);
    const std::vector<double> wb = testing::uniformNoise(20, 13u);
    const double* a = wa.data();
    const double* b = wb.data();
    for (const int rows : {1, 2, 3, 6, 7, 32, 64}) {
        const int n = 75 * rows;
        const std::vector<double> input =
            testing::uniformNoise(static_cast<std::size_t>(n), 21u + static_cast<unsigned>(n));
        for (const fftpass::FftPassTable* build : builds) {
            std::vector<double> first(n);
            std::vector<double> second(n);
            std::vector<double> separate(n);
            std::vector<double> fused(n);
            build->radf5(1, 15 * rows, input.data(), first.data(), nullptr, nullptr, nullptr,
                         nullptr);
            build->radf5(5, 3 * rows, first.data(), second.data(), b, b + 5, b + 10, b + 15);
            const std::vector<double> single = rowsAsRead(*build, a, 2, 25, 25, alongI);
            build->radf3(25, rows, second.data(), separate.data(), single.data(),
                         single.data() + 25);
            build->radf355(rows, input.data(), fused.data(), a, a + 25, b, b + 5, b + 10, b + 15);
            EXPECT_EQ(fused, separate) << "rows=" << rows;
        }
    }
}

std::vector<const fftpass::FftPassTable*> bothBuilds() {
    std::vector<const fftpass::FftPassTable*> builds = {&fftpass::baselineFftPasses()};
    if (const fftpass::FftPassTable* wide = fftpass::avx2FftPasses(); wide != nullptr) {
        builds.push_back(wide);
    }
    return builds;
}

// n doubles: noise in the lower half, `upper` in the upper half.
std::vector<double> zeroPadded(int n, unsigned seed, double upper) {
    std::vector<double> input = testing::uniformNoise(static_cast<std::size_t>(n), seed);
    std::fill(input.begin() + n / 2, input.end(), upper);
    return input;
}

// Elementwise ==, which takes -0 and +0 for equal and every other pair of doubles only when their
// bits agree (no NaN here): skipping an added zero may flip the sign of an exact zero, nothing
// else.
::testing::AssertionResult sameButForZeroSigns(const std::vector<double>& a,
                                               const std::vector<double>& b) {
    if (a.size() != b.size()) {
        return ::testing::AssertionFailure() << "sizes " << a.size() << ", " << b.size();
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!(a[i] == b[i])) {
            return ::testing::AssertionFailure() << "at " << i << ": " << a[i] << " vs " << b[i];
        }
    }
    return ::testing::AssertionSuccess();
}

// The forward transform for inputs whose upper half is zero gives the full transform's result, in
// both layouts and builds, at every even size 2^a 3^b 5^c up to 5000 (each first step, each row
// count and where the half falls among the vector lanes) and at the 2N of 96 kHz frames; also in
// place and through the public entry.
TEST(FftPassTable, UpperHalfZeroForwardMatchesTheFullTransform) {
    std::vector<int> sizes = evenSmoothSizes(5000);
    sizes.insert(sizes.end(), {9216, 9600});
    for (const int n : sizes) {
        const FftPlanPtr plan(createFftPlan(n));
        ASSERT_NE(plan, nullptr) << n;
        const std::vector<double> input = zeroPadded(n, 500u + static_cast<unsigned>(n), 0.0);
        std::vector<double> work(n);
        std::vector<double> full(n);
        std::vector<double> skipped(n);
        for (const bool ordered : {false, true}) {
            for (const fftpass::FftPassTable* build : bothBuilds()) {
                fftpass::fftTransformWith(*build, *plan, input.data(), full.data(), work.data(),
                                          FftDirection::Forward, ordered);
                fftpass::fftForwardUpperHalfZeroWith(*build, *plan, input.data(), skipped.data(),
                                                     work.data(), ordered);
                ASSERT_TRUE(sameButForZeroSigns(skipped, full)) << "N=" << n << " " << ordered;
            }
            std::vector<double> inPlace = input;
            fftForwardUpperHalfZero(*plan, inPlace.data(), inPlace.data(), nullptr, ordered);
            fftTransform(*plan, input.data(), full.data(), work.data(), FftDirection::Forward,
                         ordered);
            ASSERT_TRUE(sameButForZeroSigns(inPlace, full)) << "in place N=" << n;
        }
    }
}

// The first step skips the inputs that always fall in the upper half, from N / 2 on (radix 4),
// 2 N / 3 on (radix 3) or 3 N / 5 on (radix 5): NaNs from 2 N / 3 on reach no output, which equals
// the full transform of the zero-padded input. (The inputs that fall there only in some rows are
// loaded and summed, zeros as they are.) Fused first steps at the effect's sizes, single passes
// of radix 3 (48: 4, 4, 3), 5 (960) and 4 (1024).
TEST(FftPassTable, UpperHalfZeroForwardSkipsTheInputsBeyondTwoThirds) {
    for (const int n : {48, 960, 1024, 2304, 2400, 4608, 4800, 9216, 9600}) {
        const FftPlanPtr plan(createFftPlan(n));
        ASSERT_NE(plan, nullptr) << n;
        const std::vector<double> zeros = zeroPadded(n, 31u, 0.0);
        std::vector<double> nans = zeros;
        std::fill(nans.begin() + 2 * n / 3, nans.end(), std::numeric_limits<double>::quiet_NaN());
        std::vector<double> work(n);
        std::vector<double> full(n);
        std::vector<double> skipped(n);
        for (const fftpass::FftPassTable* build : bothBuilds()) {
            fftpass::fftTransformWith(*build, *plan, zeros.data(), full.data(), work.data(),
                                      FftDirection::Forward, false);
            fftpass::fftForwardUpperHalfZeroWith(*build, *plan, nans.data(), skipped.data(),
                                                 work.data(), false);
            EXPECT_TRUE(sameButForZeroSigns(skipped, full)) << "N=" << n;
        }
    }
}

} // namespace
} // namespace calderine
