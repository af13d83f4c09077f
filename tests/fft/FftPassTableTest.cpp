// The AVX2 build of the radix passes must reproduce the baseline build bit for bit, so that a
// plug-in renders identically on every machine. The accuracy tests reach only the build the CPU
// selects; this one pits both against each other over every kind of pass shape (all even sizes
// 2^a 3^b 5^c up to 20000: each ido and row count meets a different mix of lane kinds).

#include "fft/FftPassTable.h"

#include "fft/Fft.h"
#include "simd/CpuBuild.h"
#include "tests/support/TestSignal.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <utility>
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

std::vector<const fftpass::FftPassTable*> bothBuilds() {
    std::vector<const fftpass::FftPassTable*> builds = {&fftpass::baselineFftPasses()};
    if (const fftpass::FftPassTable* wide = fftpass::avx2FftPasses(); wide != nullptr) {
        builds.push_back(wide);
    }
    return builds;
}

// Fusing passes into steps changes where values travel between passes, never a result: at every
// even size 2^a 3^b 5^c up to 20000 the fused plan gives the unfused plan's transforms bit for bit,
// in both directions and layouts and every build; from a zero upper half too, there but for the
// sign of an exact zero (each skips the zeros in its own first step). Every kind of fused step
// must occur among the sizes, or the comparison proves nothing about it.
TEST(FftPlanSteps, FusedPlanEqualsUnfusedPlanBitForBit) {
    std::set<std::pair<FftStep::Kind, int>> kindsSeen;
    for (const int n : evenSmoothSizes(20000)) {
        const FftPlanPtr fused(createFftPlan(n));
        const FftPlanPtr unfused(createFftPlan(n, FftFusion::Unfused));
        ASSERT_NE(fused, nullptr) << n;
        ASSERT_NE(unfused, nullptr) << n;
        for (const FftSteps& steps : fused->steps) {
            for (int s = 0; s < steps.count; ++s) {
                const FftStep& step = steps.steps[s];
                kindsSeen.insert(
                    {step.kind, step.kind == FftStep::Kind::Tail ? 10 * step.lead + step.p : 0});
            }
        }
        const std::vector<double> input =
            testing::uniformNoise(static_cast<std::size_t>(n), 77u + static_cast<unsigned>(n));
        const std::vector<double> padded = zeroPadded(n, 78u + static_cast<unsigned>(n), 0.0);
        std::vector<double> work(n);
        std::vector<double> expected(n);
        std::vector<double> actual(n);
        for (const fftpass::FftPassTable* build : bothBuilds()) {
            for (const FftDirection direction : {FftDirection::Forward, FftDirection::Backward}) {
                for (const bool ordered : {false, true}) {
                    fftpass::fftTransformWith(*build, *unfused, input.data(), expected.data(),
                                              work.data(), direction, ordered);
                    fftpass::fftTransformWith(*build, *fused, input.data(), actual.data(),
                                              work.data(), direction, ordered);
                    ASSERT_EQ(actual, expected)
                        << "N=" << n
                        << (direction == FftDirection::Forward ? " forward" : " backward")
                        << (ordered ? " ordered" : " packed");
                }
            }
            fftpass::fftForwardUpperHalfZeroWith(*build, *unfused, padded.data(), expected.data(),
                                                 work.data(), false);
            fftpass::fftForwardUpperHalfZeroWith(*build, *fused, padded.data(), actual.data(),
                                                 work.data(), false);
            ASSERT_TRUE(sameButForZeroSigns(actual, expected)) << "N=" << n << " zero upper half";
        }
    }
    using Kind = FftStep::Kind;
    // Tails: 4 before 3, 3; 3 before 5, 5; 5, 5 and 3, 3 alone.
    const std::set<std::pair<Kind, int>> everyKind = {
        {Kind::Single, 0}, {Kind::Pair, 0}, {Kind::Head, 0}, {Kind::Tail, 43},
        {Kind::Tail, 35},  {Kind::Tail, 5}, {Kind::Tail, 3}};
    EXPECT_EQ(kindsSeen, everyKind);
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
