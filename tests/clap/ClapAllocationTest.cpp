// process() runs on the host's audio thread: with parameter events on every parameter in every
// block (mode resets and filter redesigns included), it must not allocate. This binary replaces
// the global allocation functions to count them, so it drives the in-process plug-in.
#include "tests/clap/ClapTestHost.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/EffectSignals.h"

#include <gtest/gtest.h>

namespace calderine::clap {
namespace {

TEST(ClapAllocation, ProcessWithEventsNeverAllocates) {
    constexpr double kPath[] = {-18.0, 0.37, 1.0, 4.0, 0.0, 100.0, 2.0, -40.0, 0.5};
    constexpr std::uint32_t kBlock = 256;
    testing::HostedClap plugin(testing::kInProcessEntry);
    ASSERT_TRUE(plugin.activate(48000.0, kBlock));
    plugin.start();
    auto signal = calderine::testing::noisyTones<float>(20 * 2400, 5);
    auto wide = calderine::testing::widened<double>(signal);
    // The lists are built before counting starts: they are the host's memory.
    std::vector<std::unique_ptr<testing::EventList>> lists;
    for (std::size_t block = 0; block * kBlock < signal[0].size(); ++block) {
        lists.push_back(std::make_unique<testing::EventList>());
        for (ClapId id = 0; id < 10; ++id) {
            lists.back()->add((id * 37 + block) % kBlock, id,
                              kPath[(block + id) % std::size(kPath)]);
        }
    }
    test::startCountingAllocations();
    for (std::size_t block = 0; (block + 1) * kBlock <= signal[0].size(); ++block) {
        if (block % 2 == 0) {
            plugin.process(signal, block * kBlock, kBlock, *lists[block]);
        } else {
            plugin.process(wide, block * kBlock, kBlock, *lists[block]);
        }
    }
    EXPECT_EQ(test::stopCountingAllocations().allocations, 0u);
}

} // namespace
} // namespace calderine::clap
