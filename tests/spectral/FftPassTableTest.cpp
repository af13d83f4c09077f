// The AVX2 build of the radix passes must reproduce the baseline build bit for bit, so that a
// plug-in renders identically on every machine. The accuracy tests reach only the build the CPU
// selects; this one pits both against each other over every kind of pass shape (all even sizes
// 2^a 3^b 5^c up to 20000: each ido and row count meets a different mix of lane kinds).

#include "spectral/FftPassTable.h"

#include "spectral/Fft.h"

#include <gtest/gtest.h>
#include <random>
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

TEST(FftPassTable, ActiveBuildIsTheWidestTheCpuRuns) {
    const fftpass::FftPassTable* wide = fftpass::avx2FftPasses();
    EXPECT_EQ(&fftpass::activeFftPasses(), wide != nullptr ? wide : &fftpass::baselineFftPasses());
}

TEST(FftPassTable, Avx2BuildMatchesBaselineBitForBit) {
    const fftpass::FftPassTable* wide = fftpass::avx2FftPasses();
    if (wide == nullptr) {
        GTEST_SKIP() << "no AVX2 build on this machine";
    }
    std::mt19937_64 engine(2024);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    for (const int n : evenSmoothSizes(20000)) {
        const FftPlanPtr plan(createFftPlan(n));
        ASSERT_NE(plan, nullptr) << n;
        std::vector<double> input(n);
        for (double& x : input) {
            x = uniform(engine);
        }
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
