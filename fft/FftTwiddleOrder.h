#pragma once

// The twiddle table as the AVX2 passes read it. Their vectors along i hold four iterations of a
// row, i, i + 2, i + 4, i + 6, in the lanes' order (quadLaneIteration); in the plan's table each
// twiddle is a (cos, sin) pair, so every such read cost two shuffles on top of its two loads, as
// many as the data's own. A table whose blocks of four iterations already sit in the lanes' order
// (the four cosines, then the four sines) is read with the two loads alone. Measured (ns, three
// alternated runs): the forward transform at N = 4608 5930, 6040, 5950 -> 5720, 5740, 5600, at
// 2400 2770, 2810, 2800 -> 2710, 2690, 2670; single steps up to 10 % (radf44 at 4800 2100 ->
// 1900, radf4 at ido = 75 1190 -> 1070).
//
// Only blocks that some vector reads whole are reordered; every other twiddle stays where the
// plan's table has it, for the reads one iteration at a time (broadcast across rows, in 128-bit
// pairs, or alone). Each row is read by one step of a transform's direction, so each direction
// has a table of its own.

namespace calderine::fftpass {

// Lane l of a vector along i holds iteration quadLaneIteration[l] of its four: what the in-lane
// unpacks of two 256-bit loads yield.
inline constexpr int quadLaneIteration[4] = {0, 2, 1, 3};

// The vectors along i that a row of ido values holds, at i = 2 + 8 q for q below this: whole
// blocks of four complex iterations (ido - 1 doubles from i = 2 on); the rest run one or two at a
// time.
constexpr int quadsAlongI(const int ido) noexcept {
    return (ido - 1) / 8;
}

enum class TwiddleReads {
    // By a pass of this ido, along i: a vector per block of four iterations from i = 2 on, upwards.
    AlongI,
    // A row of 4 ido values read by the second pass of a fused pair whose first pass has this ido
    // (the forward radix-4 pair; the radix-2 row of the fused 2, 4 steps): for each of the first
    // pass's vectors at i, upwards at i and 2 ido + i, downwards from 2 ido - i and 4 ido - i.
    Quartered,
};

// Reorders the blocks of row (the plan's layout: cos, sin of iteration i at [i - 2], [i - 1]) that
// vectors read whole when read as `reads` says. The reads of other blocks are left as they are.
void orderTwiddleRow(double* row, int ido, TwiddleReads reads) noexcept;

} // namespace calderine::fftpass
