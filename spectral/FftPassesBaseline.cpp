#include "spectral/FftBackwardPasses.h"
#include "spectral/FftForwardPasses.h"
#include "spectral/FftLanes.h"
#include "spectral/FftPassTable.h"
#include "spectral/FftPassesOf.h"

namespace calderine::fftpass {

const FftPassTable& baselineFftPasses() noexcept {
    static constexpr FftPassTable passes = passesOf<BaselineLanes>();
    return passes;
}

} // namespace calderine::fftpass
