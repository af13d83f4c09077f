// The AVX2 build of the radix passes must reproduce the baseline build bit for bit, so that a
// plug-in renders identically on every machine. The accuracy tests reach only the build the CPU
// selects; this one pits both against each other over every kind of pass shape (all even sizes
// 2^a 3^b 5^c up to 20000: each ido and row count meets a different mix of lane kinds).

#include "spectral/FftPassTable.h"

#include "spectral/Fft.h"
#include "tests/support/TestSignal.h"

#include <cstdlib>
#include <gtest/gtest.h>
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

bool baselineSwitchSet() {
    const char* value = std::getenv("CALDERINE_FFT_BASELINE");
    return value != nullptr && std::string_view(value) == "1";
}

// The widest build the CPU runs, unless the diagnostic switch asks for the baseline build.
TEST(FftPassTable, ActiveBuildIsTheWidestTheCpuRunsUnlessTheBaselineIsForced) {
    const fftpass::FftPassTable* wide = fftpass::avx2FftPasses();
    const bool baseline = baselineSwitchSet() || wide == nullptr;
    EXPECT_EQ(&fftpass::activeFftPasses(), baseline ? &fftpass::baselineFftPasses() : wide);
    EXPECT_STREQ(fftpass::activeFftPassesName(), baseline ? "baseline" : "avx2");
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

} // namespace
} // namespace calderine
