// A batch of transforms must give each transform the bits it gets alone, so that a stereo pair,
// whose render stages run as one batch, sounds exactly as its channels would one by one.

#include "fft/FftBatch.h"

#include "fft/Fft.h"
#include "simd/AlignedBuffer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
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

// Weights multiply each input as the first pass reads it: every lane gets the bits of the single
// transform of its input times its weights, rounded once (the test's own loop), whichever lanes
// carry weights and in every build. The inputs' upper halves hold NaN: the batch must read
// nothing past N / 2, so that an input may lie in a longer array.
TEST(FftBatch, WeightsMultiplyEachInputAsItIsRead) {
    struct Case {
        const char* name;
        std::array<bool, fftBatchWidth> weighted;
    };
    const std::vector<Case> cases = {{"no lane", {false, false, false, false}},
                                     {"the kernels' lanes", {false, true, false, true}},
                                     {"the first lane", {true, false, false, false}},
                                     {"every lane", {true, true, true, true}}};
    for (const int size : {4, 30, 96, 480, 4608, 4800}) {
        Batch batch(size);
        std::mt19937_64 random(static_cast<unsigned>(size) + 11u);
        std::uniform_real_distribution<double> value(-1.0, 1.0);
        std::array<std::vector<double>, fftBatchWidth> weights;
        for (int q = 0; q < fftBatchWidth; ++q) {
            weights[q].resize(size / 2);
            for (int j = 0; j < size / 2; ++j) {
                batch.inputs[q][j] = value(random);
                weights[q][j] = 0.5 + value(random);
            }
            std::fill(batch.inputs[q].begin() + size / 2, batch.inputs[q].end(),
                      std::numeric_limits<double>::quiet_NaN());
        }
        for (const Case& c : cases) {
            std::array<std::vector<double>, fftBatchWidth> expected;
            FftBatchArrays arrays = batch.arrays();
            for (int q = 0; q < fftBatchWidth; ++q) {
                std::vector<double> input(size, 0.0);
                for (int j = 0; j < size / 2; ++j) {
                    input[j] =
                        c.weighted[q] ? batch.inputs[q][j] * weights[q][j] : batch.inputs[q][j];
                }
                expected[q].resize(size);
                std::vector<double> work(size);
                fftForwardUpperHalfZero(*batch.plan, input.data(), expected[q].data(), work.data(),
                                        false);
                arrays.weights[q] = c.weighted[q] ? weights[q].data() : nullptr;
            }
            for (const bool baseline : {false, true}) {
                SCOPED_TRACE(::testing::Message()
                             << size << ", weights on " << c.name << ", "
                             << (baseline ? "baseline" : "active") << " build");
                for (std::vector<double>& output : batch.outputs) {
                    std::fill(output.begin(), output.end(), 0.0);
                }
                fftpass::fftForwardUpperHalfZeroBatchWith(baseline ? fftpass::baselineFftPasses()
                                                                   : fftpass::activeFftPasses(),
                                                          *batch.plan, arrays);
                for (int q = 0; q < fftBatchWidth; ++q) {
                    EXPECT_TRUE(sameBits(batch.outputs[q], expected[q])) << "lane " << q;
                }
            }
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

// The products of the batch's spectra in pairs, for two fast convolutions: the bits of each
// spectrum taken alone and multiplied bin by bin, each part rounded as (a.re b.re - a.im b.im) s
// and (a.re b.im + a.im b.re) s, in the active build and in the baseline build; with and without
// weights on the second factor's lanes, as the separator weights its kernels.
TEST(FftBatch, ProductsArePairsOfTheSingleSpectraMultiplied) {
    constexpr double scale = 1.0 / 4800.0;
    for (const int size : {4, 30, 96, 480, 4500, 4800}) {
        Batch batch(size);
        std::mt19937_64 random(static_cast<unsigned>(size) + 7u);
        std::uniform_real_distribution<double> value(-1.0, 1.0);
        std::vector<double> weights(size / 2);
        for (int j = 0; j < size / 2; ++j) {
            weights[j] = 0.5 + value(random);
        }
        for (int q = 0; q < fftBatchWidth; ++q) {
            for (int j = 0; j < size / 2; ++j) {
                batch.inputs[q][j] = (q + 1) * value(random);
            }
        }
        for (const bool weighted : {false, true}) {
            std::array<std::vector<double>, fftBatchWidth> spectra;
            FftBatchArrays arrays = batch.arrays();
            for (int q = 0; q < fftBatchWidth; ++q) {
                const bool second = q % 2 == 1;
                std::vector<double> input(size, 0.0);
                for (int j = 0; j < size / 2; ++j) {
                    input[j] =
                        weighted && second ? batch.inputs[q][j] * weights[j] : batch.inputs[q][j];
                }
                spectra[q].resize(size);
                std::vector<double> work(size);
                fftForwardUpperHalfZero(*batch.plan, input.data(), spectra[q].data(), work.data(),
                                        false);
                arrays.weights[q] = weighted && second ? weights.data() : nullptr;
            }
            std::array<std::vector<double>, 2> expected;
            for (int pair = 0; pair < 2; ++pair) {
                const std::vector<double>& a = spectra[2 * pair];
                const std::vector<double>& b = spectra[2 * pair + 1];
                std::vector<double>& out = expected[pair];
                out.resize(size);
                out[0] = a[0] * b[0] * scale;
                out[size - 1] = a[size - 1] * b[size - 1] * scale;
                for (int j = 1; j < size - 1; j += 2) {
                    out[j] = (a[j] * b[j] - a[j + 1] * b[j + 1]) * scale;
                    out[j + 1] = (a[j] * b[j + 1] + a[j + 1] * b[j]) * scale;
                }
            }
            for (const bool baseline : {false, true}) {
                SCOPED_TRACE(::testing::Message()
                             << size << (weighted ? ", weighted" : "") << ", "
                             << (baseline ? "baseline" : "active") << " build");
                for (int pair = 0; pair < 2; ++pair) {
                    std::fill(batch.outputs[pair].begin(), batch.outputs[pair].end(), 0.0);
                }
                if (baseline) {
                    fftpass::fftForwardUpperHalfZeroBatchProductsWith(fftpass::baselineFftPasses(),
                                                                      binmath::baselineBinMath(),
                                                                      *batch.plan, arrays, scale);
                } else {
                    fftForwardUpperHalfZeroBatchProducts(*batch.plan, arrays, scale);
                }
                EXPECT_TRUE(sameBits(batch.outputs[0], expected[0]));
                EXPECT_TRUE(sameBits(batch.outputs[1], expected[1]));
            }
        }
    }
}

} // namespace
} // namespace calderine
