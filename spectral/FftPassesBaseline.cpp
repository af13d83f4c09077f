#include "spectral/FftBackwardPasses.h"
#include "spectral/FftForwardPasses.h"
#include "spectral/FftLanes.h"
#include "spectral/FftPassTable.h"

namespace calderine::fftpass {

const FftPassTable& baselineFftPasses() noexcept {
    static constexpr FftPassTable passes{
        radf2<BaselineLanes>,         radf3<BaselineLanes>,        radf4<BaselineLanes>,
        radf5<BaselineLanes>,         radb2<BaselineLanes>,        radb3<BaselineLanes>,
        radb4<BaselineLanes>,         radb5<BaselineLanes>,        radf55<BaselineLanes>,
        radb55<BaselineLanes>,        radf33<BaselineLanes>,       radb33<BaselineLanes>,
        radf433<BaselineLanes>,       radb433<BaselineLanes>,      radf24<BaselineLanes>,
        radb24<BaselineLanes>,        radf44<BaselineLanes>,       radf355<BaselineLanes>,
        radf3<BaselineLanes, true>,   radf4<BaselineLanes, true>,  radf5<BaselineLanes, true>,
        radf33<BaselineLanes, true>,  radf55<BaselineLanes, true>, radf433<BaselineLanes, true>,
        radf355<BaselineLanes, true>,
    };
    return passes;
}

} // namespace calderine::fftpass
