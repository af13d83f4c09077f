// The four-lane build of TiltFilter's lane loop, compiled for AVX2 without FMA so that every
// lane rounds as processSample does; chosen at run time by TiltFilter::quadKernel.
#include "shaping/TiltLanes.h"

namespace calderine {

namespace {
using QuadLanes = double __attribute__((vector_size(32)));
} // namespace

void tiltQuadAvx2(TiltFilter* const* filters, double* const* signals, std::size_t count) noexcept {
    tiltlanes::run<QuadLanes, 4>(filters, signals, count);
}

} // namespace calderine
