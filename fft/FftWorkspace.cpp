#include "fft/FftWorkspace.h"

#include <new>

namespace calderine {

namespace {

// A size the transform does not support (more factors than its table holds) is as fatal to
// construction as running out of memory, and reported the same way.
FftPlanPtr makePlan(std::uint32_t size) {
    FftPlan* plan = createFftPlan(static_cast<int>(size));
    if (plan == nullptr) {
        throw std::bad_alloc();
    }
    return FftPlanPtr(plan);
}

} // namespace

FftWorkspace::FftWorkspace(std::uint32_t frameSize)
    : frameSize(frameSize), planN(makePlan(frameSize)), plan2N(makePlan(2 * frameSize)),
      input(2 * std::size_t{frameSize}), output(2 * std::size_t{frameSize}),
      scratch(2 * std::size_t{frameSize}) {}

} // namespace calderine
