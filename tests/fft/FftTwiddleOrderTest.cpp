// The lane-ordered twiddle rows, on rows whose values are their own positions, so that each
// expected row spells out where every twiddle must go: a block read upwards holds the cosines of
// iterations 0, 2, 1, 3 (positions 0, 4, 2, 6 from its start), then their sines; a block read
// downwards from its top iteration t = 0 at position 6 holds positions 6, 2, 4, 0 and 7, 3, 5, 1.

#include "fft/FftTwiddleOrder.h"

#include <gtest/gtest.h>
#include <numeric>
#include <vector>

namespace calderine {
namespace {

using fftpass::TwiddleReads;

std::vector<double> positions(int length) {
    std::vector<double> row(static_cast<std::size_t>(length));
    std::iota(row.begin(), row.end(), 0.0);
    return row;
}

TEST(FftTwiddleOrder, BlocksReadWholeTakeTheLanesOrderAndNothingElseMoves) {
    struct Case {
        const char* what;
        int length;
        int ido;
        TwiddleReads reads;
        std::vector<double> expected;
    };
    const std::vector<Case> cases = {
        // Eight iterations fill no vector: ido - 1 = 7 doubles.
        {"along i, ido 8", 8, 8, TwiddleReads::AlongI, {0, 1, 2, 3, 4, 5, 6, 7}},
        {"along i, ido 9", 9, 9, TwiddleReads::AlongI, {0, 4, 2, 6, 1, 5, 3, 7, 8}},
        {"along i, ido 20 (two blocks, a pair left)",
         20,
         20,
         TwiddleReads::AlongI,
         {0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15, 16, 17, 18, 19}},
        // A row of 4 ido = 40 read by a pair whose first pass has ido = 10: one vector at i = 2.
        // Iteration ib sits at ib - 2: upwards from i = 2 (0 .. 7) and 2 ido + i = 22 (20 .. 27);
        // downwards from 2 ido - i = 18 (10 .. 17) and 4 ido - i = 38 (30 .. 37). The iterations
        // 10, 20, 30 and 40 (the step's edges, at 8, 18, 28 and 38) stay.
        {"quartered, ido 10", 40, 10, TwiddleReads::Quartered, {0,  4,  2,  6,  1,  5,  3,  7,
                                                                8,  9,  16, 12, 14, 10, 17, 13,
                                                                15, 11, 18, 19, 20, 24, 22, 26,
                                                                21, 25, 23, 27, 28, 29, 36, 32,
                                                                34, 30, 37, 33, 35, 31, 38, 39}},
    };
    for (const Case& c : cases) {
        std::vector<double> row = positions(c.length);
        fftpass::orderTwiddleRow(row.data(), c.ido, c.reads);
        EXPECT_EQ(row, c.expected) << c.what;
    }
}

} // namespace
} // namespace calderine
