// The transform runs on the audio thread: given a work array it must not touch the heap. Counts
// every allocation made through the global operator new, which this binary replaces (hence a
// binary of its own).

#include "fft/Fft.h"
#include "simd/AlignedBuffer.h"
#include "tests/support/AllocationCounter.h"

#include <gtest/gtest.h>

namespace calderine {
namespace {

std::size_t allocationsDuring(const auto& action) {
    return test::allocationsDuring(action).allocations;
}

TEST(FftAllocation, TransformWithWorkArrayAllocatesNothing) {
    for (const int n : {480, 2304, 4608, 4800, 19200}) {
        const FftPlanPtr plan(createFftPlan(n));
        AlignedBuffer input(n);
        AlignedBuffer output(n);
        AlignedBuffer work(n);
        for (const FftDirection direction : {FftDirection::Forward, FftDirection::Backward}) {
            for (const bool ordered : {false, true}) {
                EXPECT_EQ(allocationsDuring([&] {
                              fftTransform(*plan, input.data(), output.data(), work.data(),
                                           direction, ordered);
                              fftTransform(*plan, output.data(), output.data(), work.data(),
                                           direction, ordered);
                              fftForwardUpperHalfZero(*plan, input.data(), output.data(),
                                                      work.data(), ordered);
                              fftForwardUpperHalfZero(*plan, output.data(), output.data(),
                                                      work.data(), ordered);
                          }),
                          0u)
                    << "N=" << n;
            }
        }
    }
}

TEST(FftAllocation, SmallTransformWithoutWorkArrayAllocatesNothing) {
    const FftPlanPtr plan(createFftPlan(960));
    AlignedBuffer input(960);
    AlignedBuffer output(960);
    EXPECT_EQ(allocationsDuring([&] {
                  fftTransform(*plan, input.data(), output.data(), nullptr, FftDirection::Forward,
                               true);
              }),
              0u);
}

TEST(FftAllocation, CountingSeesAllocations) {
    // Guards the two tests above against a replacement that never counts.
    EXPECT_GE(allocationsDuring([] { AlignedBuffer buffer(16); }), 1u);
    EXPECT_GE(allocationsDuring([] { FftPlanPtr plan(createFftPlan(32)); }), 2u);
}

} // namespace
} // namespace calderine
