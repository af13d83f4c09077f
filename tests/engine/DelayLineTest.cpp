#include "engine/DelayLine.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace calderine {
namespace {

class DelayLineLengths : public ::testing::TestWithParam<std::uint32_t> {};

// An impulse comes back exactly length() calls later and nowhere else; the same holds again
// after a reset, which also silences what was in flight.
TEST_P(DelayLineLengths, ReturnsImpulseAfterExactlyLengthCalls) {
    const std::uint32_t length = GetParam();
    DelayLine line(length);
    EXPECT_EQ(line.length(), length);
    for (int round = 0; round < 2; ++round) {
        for (std::uint32_t i = 0; i < 3 * length + 2; ++i) {
            const double out = line.processSample(i == 0 ? 1.0 : 0.0);
            EXPECT_EQ(out, i == length ? 1.0 : 0.0) << "round " << round << " call " << i;
        }
        // Leave something in the ring so that the reset has to clear it.
        line.processSample(5.0);
        line.reset();
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, DelayLineLengths, ::testing::Values(1u, 2u, 7u, 2304u));

TEST(DelayLine, WrapsAroundContinuously) {
    DelayLine line(5);
    for (int i = 0; i < 50; ++i) {
        const double out = line.processSample(static_cast<double>(i + 1));
        EXPECT_EQ(out, i < 5 ? 0.0 : static_cast<double>(i - 4));
    }
}

// Blocks shorter than, equal to and longer than the ring, in place or not: sample t comes out
// as input t - length, the ramp making every misplaced sample visible.
TEST(DelayLine, BlocksDelayLikeSingleSamples) {
    struct Case {
        std::uint32_t length;
        std::size_t blocks[4];
    };
    const Case cases[] = {{5, {1, 3, 5, 11}}, {5, {12, 1, 2, 4}}, {64, {7, 64, 65, 200}}};
    for (const Case& c : cases) {
        DelayLine line(c.length);
        std::vector<double> signal;
        std::size_t start = 0;
        for (int b = 0; b < 4; ++b) {
            const std::size_t size = c.blocks[b];
            std::vector<double> input(size);
            for (std::size_t i = 0; i < size; ++i) {
                input[i] = static_cast<double>(start + i + 1);
            }
            std::vector<double> output(size);
            if (b % 2 == 0) {
                output = input;
                line.processBlock(output.data(), output.data(), size);
            } else {
                line.processBlock(input.data(), output.data(), size);
            }
            for (std::size_t i = 0; i < size; ++i) {
                const std::size_t t = start + i;
                const double expected = t < c.length ? 0.0 : static_cast<double>(t - c.length + 1);
                ASSERT_EQ(output[i], expected) << "length " << c.length << " sample " << t;
            }
            start += size;
        }
    }
}

TEST(DelayLine, RejectsZeroLength) {
    EXPECT_THROW(DelayLine(0), std::invalid_argument);
}

} // namespace
} // namespace calderine
