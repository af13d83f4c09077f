#pragma once

// The table of one build's passes, in FftPassTable's field order. Each build instantiates it with
// its own lane type, so the two builds list the same passes in one place.

#include "fft/FftBackwardPasses.h"
#include "fft/FftForwardPasses.h"
#include "fft/FftPassTable.h"

namespace calderine::fftpass {

template <class Lanes>
constexpr FftPassTable passesOf() noexcept {
    return {
        radf2<Lanes>,         radf3<Lanes>,
        radf4<Lanes>,         radf5<Lanes>,
        radb2<Lanes>,         radb3<Lanes>,
        radb4<Lanes>,         radb5<Lanes>,
        radf55<Lanes>,        radb55<Lanes>,
        radf33<Lanes>,        radb33<Lanes>,
        radf433<Lanes>,       radb433<Lanes>,
        radf24<Lanes>,        radb24<Lanes>,
        radf44<Lanes>,        radf355<Lanes>,
        radf3<Lanes, true>,   radf4<Lanes, true>,
        radf5<Lanes, true>,   radf33<Lanes, true>,
        radf55<Lanes, true>,  radf433<Lanes, true>,
        radf355<Lanes, true>, Lanes::twiddlesInLaneOrder,
    };
}

} // namespace calderine::fftpass
