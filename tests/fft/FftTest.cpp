#include "fft/Fft.h"

#include "simd/AlignedBuffer.h"
#include "tests/support/TestSignal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace calderine {
namespace {

constexpr double pi = 3.141592653589793;
constexpr FftDirection directions[] = {FftDirection::Forward, FftDirection::Backward};
constexpr bool layouts[] = {false, true};

std::vector<double> transformed(const FftPlan& plan, const std::vector<double>& input,
                                FftDirection direction, bool ordered) {
    std::vector<double> output(plan.size);
    std::vector<double> work(plan.size);
    fftTransform(plan, input.data(), output.data(), work.data(), direction, ordered);
    return output;
}

std::string describe(int n, FftDirection direction, bool ordered) {
    return "N=" + std::to_string(n) +
           (direction == FftDirection::Forward ? " Forward" : " Backward") +
           (ordered ? " ordered" : " packed");
}

struct FactorCase {
    int size;
    std::vector<int> factors;
};

TEST(FftPlan, FactorisesInPassOrderWithTheTwoInFront) {
    const FactorCase cases[] = {
        {2304, {4, 4, 4, 4, 3, 3}},
        {2400, {2, 4, 4, 3, 5, 5}},
        {4608, {2, 4, 4, 4, 4, 3, 3}},
        {4800, {4, 4, 4, 3, 5, 5}},
        {480, {2, 4, 4, 3, 5}},
        {96, {2, 4, 4, 3}},
        {32, {2, 4, 4}},
        {8, {2, 4}},
        {2, {2}},
        {4, {4}},
        {19200, {4, 4, 4, 4, 3, 5, 5}},
        {6, {2, 3}},
    };
    for (const FactorCase& c : cases) {
        SCOPED_TRACE(c.size);
        const FftPlanPtr plan(createFftPlan(c.size));
        ASSERT_NE(plan, nullptr);
        EXPECT_EQ(plan->size, c.size);
        EXPECT_EQ(plan->factors[0], c.size);
        ASSERT_EQ(plan->factors[1], static_cast<int>(c.factors.size()));
        const std::vector<int> found(plan->factors + 2, plan->factors + 2 + plan->factors[1]);
        EXPECT_EQ(found, c.factors);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(plan->twiddles) % AlignedBuffer::alignment, 0u);
        for (const double* lane : plan->laneTwiddles) {
            if (lane != nullptr) {
                EXPECT_EQ(reinterpret_cast<std::uintptr_t>(lane) % AlignedBuffer::alignment, 0u);
            }
        }
    }
}

TEST(FftPlan, RefusesSizesItCannotTransform) {
    // 7, 28, 14: prime factor 7. 15: odd. 0, -32: no size. 2^27: 14 factors, beyond the table.
    for (const int size : {7, 28, 14, 15, 0, -32, 1 << 27}) {
        EXPECT_EQ(createFftPlan(size), nullptr) << size;
    }
}

// Sparse expectations: every element other than the one named is zero.
struct ClosedForm {
    const char* name;
    std::function<double(int n, int j)> signal;
    int packedIndex;  // -1: the last element
    int orderedIndex; // -1: the last element
    std::function<double(int n)> value;
};

TEST(FftForward, ClosedFormsLandInTheirSlot) {
    const ClosedForm forms[] = {
        {"constant", [](int, int) { return 0.75; }, 0, 0, [](int n) { return 0.75 * n; }},
        {"cosine", [](int n, int j) { return std::cos(2 * pi * j / n); }, 1, 2,
         [](int n) { return n / 2.0; }},
        {"sine", [](int n, int j) { return std::sin(2 * pi * j / n); }, 2, 3,
         [](int n) { return -n / 2.0; }},
        {"alternating", [](int, int j) { return j % 2 == 0 ? 1.0 : -1.0; }, -1, 1,
         [](int n) { return static_cast<double>(n); }},
    };
    for (const ClosedForm& form : forms) {
        for (const int n : {8, 32, 480, 2400, 4608}) {
            std::vector<double> x(n);
            for (int j = 0; j < n; ++j) {
                x[j] = form.signal(n, j);
            }
            const FftPlanPtr plan(createFftPlan(n));
            for (const bool ordered : layouts) {
                SCOPED_TRACE(std::string(form.name) + " " +
                             describe(n, FftDirection::Forward, ordered));
                const std::vector<double> X = transformed(*plan, x, FftDirection::Forward, ordered);
                int slot = ordered ? form.orderedIndex : form.packedIndex;
                slot = slot < 0 ? n - 1 : slot;
                const double tolerance = 1e-13 * n;
                for (int i = 0; i < n; ++i) {
                    ASSERT_NEAR(X[i], i == slot ? form.value(n) : 0.0, tolerance) << "at " << i;
                }
            }
        }
    }
}

TEST(FftForward, SizeFourIsTheClosedForm) {
    const FftPlanPtr plan(createFftPlan(4));
    const std::vector<double> x{1.0, 2.0, 4.0, 8.0};
    // (x0 + x1 + x2 + x3, x0 - x2, x3 - x1, x0 - x1 + x2 - x3), exact in small integers.
    EXPECT_EQ(transformed(*plan, x, FftDirection::Forward, false),
              (std::vector<double>{15.0, -3.0, 6.0, -5.0}));
    EXPECT_EQ(transformed(*plan, x, FftDirection::Forward, true),
              (std::vector<double>{15.0, -5.0, -3.0, 6.0}));
}

TEST(Fft, BackwardOfForwardScalesByN) {
    for (const int n : {32, 2304, 2400, 4608, 4800, 19200}) {
        const FftPlanPtr plan(createFftPlan(n));
        const std::vector<double> x = testing::uniformNoise(static_cast<std::size_t>(n), 99u + n);
        for (const bool ordered : layouts) {
            SCOPED_TRACE(describe(n, FftDirection::Forward, ordered));
            const std::vector<double> back =
                transformed(*plan, transformed(*plan, x, FftDirection::Forward, ordered),
                            FftDirection::Backward, ordered);
            for (int i = 0; i < n; ++i) {
                ASSERT_NEAR(back[i], n * x[i], 1e-13 * n) << "at " << i;
            }
        }
    }
}

// Sizes cover both parities of the step count (the fused steps change it: 32 runs 2 steps, 2304
// and 4800 forward 3, 2400 and 4608 backward 4, one more from the ordered layout) and both sides of
// the stack scratch bound for a missing work array.
TEST(Fft, AliasedAndMissingWorkArraysGiveTheSameResult) {
    for (const int n : {32, 2304, 2400, 4608, 4800}) {
        const FftPlanPtr plan(createFftPlan(n));
        const std::vector<double> input =
            testing::uniformNoise(static_cast<std::size_t>(n), 7u + n);
        for (const FftDirection direction : directions) {
            for (const bool ordered : layouts) {
                SCOPED_TRACE(describe(n, direction, ordered));
                const std::vector<double> expected = transformed(*plan, input, direction, ordered);

                std::vector<double> buffer = input;
                std::vector<double> other(n);
                fftTransform(*plan, buffer.data(), buffer.data(), other.data(), direction, ordered);
                EXPECT_EQ(buffer, expected) << "input == output";

                buffer = input;
                fftTransform(*plan, buffer.data(), other.data(), buffer.data(), direction, ordered);
                EXPECT_EQ(other, expected) << "input == work";

                std::vector<double> output(n);
                fftTransform(*plan, input.data(), output.data(), nullptr, direction, ordered);
                EXPECT_EQ(output, expected) << "no work array";

                std::fill(output.begin(), output.end(), 0.0);
                fftTransform(*plan, input.data(), output.data(), output.data(), direction, ordered);
                EXPECT_EQ(output, expected) << "work == output";

                buffer = input;
                fftTransform(*plan, buffer.data(), buffer.data(), nullptr, direction, ordered);
                EXPECT_EQ(buffer, expected) << "input == output, no work array";
            }
        }
    }
}

// The radix-3 and radix-5 butterflies use the 15-digit literals, not the correctly rounded
// trigonometric values; these inputs reach the output through one constant and exact operations
// only, so the literal shows up bit for bit.
struct ConstantCase {
    int size;
    FftDirection direction;
    int impulseAt;  // packed-layout input: +1 here
    int negativeAt; // and -1 here (-1: none)
    int outputAt;
    double expected;  // the literal that must come out
    double trueValue; // what correctly rounded constants would give
};

TEST(Fft, RadixThreeAndFiveUseTheDefinedConstants) {
    const ConstantCase cases[] = {
        {6, FftDirection::Forward, 2, -1, 2, -0.866025403784439, -std::sin(2 * pi / 3)},
        {10, FftDirection::Forward, 2, -1, 1, 0.309016994374947, std::cos(2 * pi / 5)},
        {10, FftDirection::Forward, 2, -1, 2, -0.951056516295154, -std::sin(2 * pi / 5)},
        {10, FftDirection::Forward, 2, -1, 3, -0.809016994374947, std::cos(4 * pi / 5)},
        {10, FftDirection::Forward, 2, -1, 4, -0.587785252292473, -std::sin(4 * pi / 5)},
        {6, FftDirection::Backward, 2, 4, 2, -3.464101615137756, -4 * std::sin(pi / 3)},
    };
    for (const ConstantCase& c : cases) {
        SCOPED_TRACE(describe(c.size, c.direction, false) + " element " +
                     std::to_string(c.outputAt));
        ASSERT_NE(c.expected, c.trueValue); // the case can tell the two apart
        std::vector<double> input(c.size, 0.0);
        input[c.impulseAt] = 1.0;
        if (c.negativeAt >= 0) {
            input[c.negativeAt] = -1.0;
        }
        const FftPlanPtr plan(createFftPlan(c.size));
        EXPECT_EQ(transformed(*plan, input, c.direction, false)[c.outputAt], c.expected);
    }
}

} // namespace
} // namespace calderine
