#include "engine/DelayLine.h"

#include <gtest/gtest.h>
#include <stdexcept>

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

TEST(DelayLine, RejectsZeroLength) {
    EXPECT_THROW(DelayLine(0), std::invalid_argument);
}

} // namespace
} // namespace calderine
