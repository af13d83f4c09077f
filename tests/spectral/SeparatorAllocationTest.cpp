// The separator runs on the audio thread: after construction neither processing (including
// the calls that analyse and render a frame) nor reset may touch the heap. This binary replaces
// the global allocation functions to count every allocation made while counting is armed.

#include "spectral/SpectralSeparator.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/Segments.h"

#include <cmath>
#include <gtest/gtest.h>
#include <new>
#include <random>

namespace calderine {
namespace {

TEST(SeparatorAllocation, CountingSeesAllocations) {
    const test::AllocationTally tally = test::allocationsDuring([] {
        // Volatile, so that the compiler cannot drop the unused allocations.
        double* volatile plain = new double(1.0);
        delete plain;
        double* volatile aligned = new (std::align_val_t{64}) double[8];
        operator delete[](aligned, std::align_val_t{64});
    });
    EXPECT_EQ(tally.allocations, 2u);
}

TEST(SeparatorAllocation, ProcessingAndResetNeverAllocate) {
    for (const double rate : {44100.0, 48000.0}) {
        SpectralSeparator separator(static_cast<std::uint32_t>(std::ceil(0.05 * rate)), rate);
        const std::size_t n = separator.latency();
        std::mt19937_64 engine(7);
        std::normal_distribution<double> normal(0.0, 0.3);

        test::startCountingAllocations();
        // Twelve frames per slot, through every slope setting the plugin can write.
        for (std::size_t t = 0; t < 12 * n; ++t) {
            separator.separationSlope = static_cast<double>(t % 5) * 0.25;
            testing::runSample(separator, normal(engine) + std::sin(0.05 * static_cast<double>(t)));
        }
        separator.reset();
        for (std::size_t t = 0; t < 2 * n; ++t) {
            testing::runSample(separator, normal(engine));
        }
        EXPECT_EQ(test::stopCountingAllocations().allocations, 0u) << rate << " Hz";
    }
}

} // namespace
} // namespace calderine
