#include "fft/FftBackwardPasses.h"
#include "fft/FftForwardPasses.h"
#include "fft/FftLanes.h"
#include "fft/FftPassTable.h"
#include "fft/FftPassesOf.h"

namespace calderine::fftpass {

const FftPassTable& baselineFftPasses() noexcept {
    static constexpr FftPassTable passes = passesOf<BaselineLanes>();
    return passes;
}

} // namespace calderine::fftpass
