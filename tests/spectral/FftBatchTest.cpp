// A batch of transforms must give each transform the bits it gets alone, so that a stereo pair,
// whose render stages run as one batch, sounds exactly as its channels would one by one.

#include "spectral/FftBatch.h"

#include "spectral/AlignedBuffer.h"
#include "spectral/Fft.h"

#include <array>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

namespace calderine {
namespace {

struct Batch {
    explicit Batch(int size)
        : plan(createFftPlan(size)), work{AlignedBuffer(4 * std::size_t(size)),
                                          AlignedBuffer(4 * std::size_t(size))} {
        for (int q = 0; q < fftBatchWidth; ++q) {
            inputs[q].assign(size, 0.0);
            outputs[q].assign(size, 0.0);
        }
    }
    FftBatchArrays arrays() {
        FftBatchArrays a{};
        for (int q = 0; q < fftBatchWidth; ++q) {
            a.inputs[q] = inputs[q].data();
            a.outputs[q] = outputs[q].data();
        }
        a.work[0] = work[0].data();
        a.work[1] = work[1].data();
        return a;
    }
    FftPlanPtr plan;
    std::array<std::vector<double>, fftBatchWidth> inputs;
    std::array<std::vector<double>, fftBatchWidth> outputs;
    std::array<AlignedBuffer, 2> work;
};

bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// Every radix as the first pass (ido = 1, where the zero half is skipped) and in later passes at
// odd and even ido, the product's sizes (2N at 44.1, 48, 96 and 192 kHz) and sizes whose half is
// not a multiple of the vector width.
TEST(FftBatch, EachTransformGetsTheBitsItGetsAlone) {
    const std::vector<int> sizes = {2,    4,    6,    8,    10,   12,   18,   20,  30,
                                    50,   60,   90,   96,   150,  250,  270,  480, 750,
                                    1152, 2250, 4500, 4608, 4800, 9600, 19200};
    for (const int size : sizes) {
        SCOPED_TRACE(size);
        Batch batch(size);
        ASSERT_NE(batch.plan, nullptr);
        std::mt19937_64 random(static_cast<unsigned>(size));
        std::uniform_real_distribution<double> value(-1.0, 1.0);
        // Lane 3 holds signed zeros and tiny values: exact zeros keep their sign only where the
        // batch does each lane's own operations.
        for (int j = 0; j < size / 2; ++j) {
            batch.inputs[0][j] = value(random);
            batch.inputs[1][j] = 1e3 * value(random);
            batch.inputs[2][j] = j == 0 ? 1.0 : 0.0;
            batch.inputs[3][j] = j % 3 == 0 ? -0.0 : 1e-300 * value(random);
        }
        fftForwardUpperHalfZeroBatch(*batch.plan, batch.arrays());

        for (int q = 0; q < fftBatchWidth; ++q) {
            std::vector<double> alone(size);
            std::vector<double> work(size);
            fftForwardUpperHalfZero(*batch.plan, batch.inputs[q].data(), alone.data(), work.data(),
                                    false);
            EXPECT_TRUE(sameBits(batch.outputs[q], alone)) << "lane " << q;
        }
        // Lane 2 is a unit impulse: every bin is 1 (DC, Nyquist and the real parts) or 0.
        for (int j = 0; j < size; ++j) {
            const bool realPart = j == 0 || j == size - 1 || j % 2 == 1;
            EXPECT_EQ(batch.outputs[2][j], realPart ? 1.0 : 0.0) << j;
        }
    }
}

// Against the definition, summed directly in long double, so that a batch agreeing with a wrong
// single transform would still fail.
TEST(FftBatch, MatchesTheDirectTransform) {
    constexpr int size = 480;
    Batch batch(size);
    for (int q = 0; q < fftBatchWidth; ++q) {
        for (int j = 0; j < size / 2; ++j) {
            batch.inputs[q][j] = std::sin(0.01 * (q + 1) * j * j) + 0.25 * q;
        }
    }
    fftForwardUpperHalfZeroBatch(*batch.plan, batch.arrays());
    for (int q = 0; q < fftBatchWidth; ++q) {
        for (int k = 0; k <= size / 2; ++k) {
            long double re = 0.0L;
            long double im = 0.0L;
            for (int j = 0; j < size / 2; ++j) {
                const long double angle = -2.0L * std::numbers::pi_v<long double> * k * j / size;
                re += batch.inputs[q][j] * std::cos(angle);
                im += batch.inputs[q][j] * std::sin(angle);
            }
            const double gotRe = k == 0          ? batch.outputs[q][0]
                                 : k == size / 2 ? batch.outputs[q][size - 1]
                                                 : batch.outputs[q][2 * k - 1];
            const double gotIm = k == 0 || k == size / 2 ? 0.0 : batch.outputs[q][2 * k];
            EXPECT_NEAR(gotRe, static_cast<double>(re), 1e-11) << q << " " << k;
            EXPECT_NEAR(gotIm, static_cast<double>(im), 1e-11) << q << " " << k;
        }
    }
}

} // namespace
} // namespace calderine
