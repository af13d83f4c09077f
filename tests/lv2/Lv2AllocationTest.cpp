// run() is called on the host's audio thread: once instantiated, the plug-in must process and
// take control changes (mode resets and filter redesigns included) without allocating. This
// binary replaces the global allocation functions to count them.
#include "lv2/Lv2Descriptor.h"
#include "lv2/PortLayout.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/EffectSignals.h"

#include <gtest/gtest.h>

namespace calderine::lv2 {
namespace {

TEST(Lv2Allocation, RunAndControlChangesNeverAllocate) {
    // Plain values across every range: the clipper switching, every stereo mode, bypass on
    // and off, each tilt redesigned.
    constexpr float kPath[] = {-18.0f, 0.37f, 1.0f, 4.0f, 0.0f, 100.0f, 2.0f, -40.0f, 0.5f};
    constexpr std::uint32_t kBlock = 256;
    const LV2_Descriptor& descriptor = pluginDescriptor();
    const LV2_Feature* const features[1] = {nullptr};
    LV2_Handle handle = descriptor.instantiate(&descriptor, 48000.0, "/", features);
    ASSERT_NE(handle, nullptr);
    std::array<float, kParameterCount> controls{};
    float latency = 0.0f;
    for (std::size_t i = 0; i < kParameterCount; ++i) {
        descriptor.connect_port(handle, controlPort(i), &controls[i]);
    }
    descriptor.connect_port(handle, port::latency, &latency);
    auto signal = testing::noisyTones<float>(20 * 2400, 17);
    descriptor.activate(handle);

    test::startCountingAllocations();
    std::size_t block = 0;
    for (std::uint32_t start = 0; start + kBlock <= signal[0].size(); start += kBlock, ++block) {
        for (std::size_t i = 0; i < kParameterCount; ++i) {
            controls[i] = kPath[(block + i) % std::size(kPath)];
        }
        for (std::uint32_t c = 0; c < 2; ++c) {
            descriptor.connect_port(handle, port::inLeft + c, signal[c].data() + start);
            descriptor.connect_port(handle, port::outLeft + c, signal[c].data() + start);
        }
        descriptor.run(handle, kBlock);
        descriptor.run(handle, 0);
    }
    EXPECT_EQ(test::stopCountingAllocations().allocations, 0u);
    EXPECT_EQ(latency, 2400.0f) << "the plug-in did not run";
    descriptor.deactivate(handle);
    descriptor.cleanup(handle);
}

} // namespace
} // namespace calderine::lv2
