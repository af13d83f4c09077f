#include "shaping/NoiseClipper.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <ostream>

namespace calderine {
namespace {

struct ClipCase {
    double threshold;
    double input;
    double expected;
};

// Readable case names in test listings.
void PrintTo(const ClipCase& c, std::ostream* os) {
    *os << "threshold " << c.threshold << ", input " << c.input;
}

class NoiseClipperValues : public ::testing::TestWithParam<ClipCase> {};

// All of these land on exact binary fractions, so they are compared exactly. The knee values
// were evaluated in exact rational arithmetic with the coefficients 89/512, 145/2048, 95/8192 and
// 23/32768; 1.25 lies where the knee overshoots the ceiling.
TEST_P(NoiseClipperValues, MatchesTransferCurve) {
    const ClipCase c = GetParam();
    NoiseClipper clipper;
    clipper.setThreshold(c.threshold);
    EXPECT_EQ(clipper.processSample(c.input), c.expected);
    EXPECT_EQ(clipper.processSample(-c.input), -c.expected);
}

INSTANTIATE_TEST_SUITE_P(UnitThreshold, NoiseClipperValues,
                         ::testing::Values(ClipCase{1.0, 0.0, 0.0}, ClipCase{1.0, 0.4, 0.4},
                                           ClipCase{1.0, 0.5, 0.5},
                                           ClipCase{1.0, 0.75, 0.7475493475794792},
                                           ClipCase{1.0, 1.0, 0.9430389404296875},
                                           ClipCase{1.0, 1.25, 1.0022940412163734},
                                           ClipCase{1.0, 1.5, 1.0}, ClipCase{1.0, 2.0, 1.0},
                                           ClipCase{1.0, 1e9, 1.0}));

INSTANTIATE_TEST_SUITE_P(LowThreshold, NoiseClipperValues,
                         ::testing::Values(ClipCase{0.1, 0.049, 0.049}, ClipCase{0.1, 0.151, 0.1},
                                           ClipCase{0.1, 3.0, 0.1}));

TEST(NoiseClipper, DefaultsDescribeUnitThreshold) {
    const NoiseClipper clipper;
    EXPECT_EQ(clipper.ceiling(), 1.0);
    EXPECT_EQ(clipper.kneeRatio(), 0.5);
    EXPECT_EQ(clipper.kneeStart(), 0.5);
    EXPECT_EQ(clipper.kneeEnd(), 1.5);
    EXPECT_EQ(clipper.kneeHalfWidth(), 0.5);
}

TEST(NoiseClipper, KneeRatioRederivesKneeAroundCurrentCeiling) {
    NoiseClipper clipper;
    clipper.setThreshold(2.0);
    clipper.setKneeRatio(0.25);
    EXPECT_EQ(clipper.ceiling(), 2.0);
    EXPECT_DOUBLE_EQ(clipper.kneeStart(), 0.5);
    EXPECT_DOUBLE_EQ(clipper.kneeEnd(), 3.5);
    EXPECT_DOUBLE_EQ(clipper.kneeHalfWidth(), 1.5);
    // And a later threshold keeps the ratio.
    clipper.setThreshold(4.0);
    EXPECT_DOUBLE_EQ(clipper.kneeStart(), 1.0);
    EXPECT_DOUBLE_EQ(clipper.kneeEnd(), 7.0);
}

struct KneeShape {
    double threshold;
    double kneeRatio;
};

void PrintTo(const KneeShape& c, std::ostream* os) {
    *os << "threshold " << c.threshold << ", knee ratio " << c.kneeRatio;
}

class NoiseClipperShape : public ::testing::TestWithParam<KneeShape> {
protected:
    NoiseClipper clipper() const {
        NoiseClipper c;
        c.setKneeRatio(GetParam().kneeRatio);
        c.setThreshold(GetParam().threshold);
        return c;
    }
};

// The knee polynomial rises slightly past the ceiling before settling on it (by at most
// 0.0049 knee half-widths, near t = 1.54); beyond that the output is odd and never changes sign.
TEST_P(NoiseClipperShape, OddAndBounded) {
    const NoiseClipper c = clipper();
    const double bound = c.ceiling() + 0.005 * c.kneeHalfWidth();
    const double span = 3.0 * c.ceiling();
    for (int i = 0; i <= 6000; ++i) {
        const double x = span * i / 6000.0;
        const double y = c.processSample(x);
        EXPECT_EQ(c.processSample(-x), -y) << x;
        EXPECT_GE(y, std::min(x, c.kneeStart())) << x;
        EXPECT_LE(y, bound) << x;
    }
}

// Value and slope must be continuous where the knee joins the linear part and the ceiling.
TEST_P(NoiseClipperShape, ValueAndSlopeContinuousAtKneeEnds) {
    const NoiseClipper c = clipper();
    const double h = 1e-6 * c.ceiling();
    const auto slope = [&](double a, double b) {
        return (c.processSample(b) - c.processSample(a)) / (b - a);
    };
    const double start = c.kneeStart();
    EXPECT_NEAR(c.processSample(start - h), c.processSample(start + h), 3.0 * h);
    EXPECT_NEAR(slope(start, start + h), 1.0, 1e-4);

    const double end = c.kneeEnd();
    EXPECT_NEAR(c.processSample(end - h), c.ceiling(), 1e-9 * c.ceiling());
    EXPECT_NEAR(slope(end - h, end), 0.0, 1e-4);
    EXPECT_NEAR(c.processSample(end), c.ceiling(), 1e-15 * c.ceiling());
}

INSTANTIATE_TEST_SUITE_P(Shapes, NoiseClipperShape,
                         ::testing::Values(KneeShape{1.0, 0.5}, KneeShape{0.01, 0.5},
                                           KneeShape{0.3, 0.5},
                                           KneeShape{1.0, 0.7079457843841379}));

// A knee of zero width (ratio 1) must clip rather than produce 0/0.
TEST(NoiseClipper, ZeroWidthKneeClipsWithoutNan) {
    NoiseClipper clipper;
    clipper.setKneeRatio(1.0);
    clipper.setThreshold(0.5);
    EXPECT_EQ(clipper.processSample(0.5), 0.5);
    EXPECT_EQ(clipper.processSample(-0.5), -0.5);
    EXPECT_EQ(clipper.processSample(0.25), 0.25);
    EXPECT_EQ(clipper.processSample(0.75), 0.5);
}

} // namespace
} // namespace calderine
