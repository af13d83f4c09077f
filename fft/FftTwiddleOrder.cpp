#include "fft/FftTwiddleOrder.h"

namespace calderine::fftpass {

namespace {

// The block of four iterations whose lowest position is block[0], as the four cosines and then
// the four sines in lane order. Upwards, iteration t of the vector sits at position 2 t; downwards
// (t counted from the top of the block), at 6 - 2 t.
void orderBlock(double* block, const bool downwards) noexcept {
    double cosines[4];
    double sines[4];
    for (int lane = 0; lane < 4; ++lane) {
        const int t = quadLaneIteration[lane];
        const int at = downwards ? 6 - 2 * t : 2 * t;
        cosines[lane] = block[at];
        sines[lane] = block[at + 1];
    }
    for (int lane = 0; lane < 4; ++lane) {
        block[lane] = cosines[lane];
        block[4 + lane] = sines[lane];
    }
}

} // namespace

void orderTwiddleRow(double* row, const int ido, const TwiddleReads reads) noexcept {
    for (int q = 0; q < quadsAlongI(ido); ++q) {
        // Iteration ib sits at ib - 2; a downward vector from ib covers ib - 8 .. ib - 1.
        const int i = 2 + 8 * q;
        orderBlock(row + i - 2, false);
        if (reads == TwiddleReads::Quartered) {
            orderBlock(row + 2 * ido + i - 2, false);
            orderBlock(row + 2 * ido - i - 8, true);
            orderBlock(row + 4 * ido - i - 8, true);
        }
    }
}

} // namespace calderine::fftpass
