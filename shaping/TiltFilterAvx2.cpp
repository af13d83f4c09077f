// The four-lane build of TiltFilter's lane loop, compiled for AVX2 without FMA so that every
// lane rounds as processSample does; chosen at run time by TiltFilter::quadKernel.
#include "shaping/TiltLanes.h"
#include "simd/Lanes.h"

namespace calderine {

void tiltQuadAvx2(TiltFilter* const* filters, double* const* signals, std::size_t count) noexcept {
    tiltlanes::run<simd::QuadLanes::V, simd::QuadLanes::width>(filters, signals, count);
}

} // namespace calderine
