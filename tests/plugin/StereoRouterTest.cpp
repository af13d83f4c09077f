#include "plugin/StereoRouter.h"

#include <cstdint>
#include <gtest/gtest.h>

namespace calderine {
namespace {

// In "Mono" engine 1 must not advance at all: once "Stereo" returns, its delay line carries
// on exactly where it stopped, as if the mono stretch had never happened.
TEST(StereoRouter, MonoLeavesEngineOneWhereItWas) {
    StereoRouter router;
    router.forEachEngine([](ChannelEngine& engine) { engine.bypass = true; });
    const std::uint32_t latency = router.latency();
    const auto rightInput = [](std::uint32_t n) { return 1.0 + n; }; // distinct and non-zero
    constexpr double kIgnoredRight = -1000.0;
    constexpr double kLeft = 0.25;

    router.mode = static_cast<std::int32_t>(StereoMode::Stereo);
    for (std::uint32_t n = 0; n < latency; ++n) {
        router.processSample(kLeft, rightInput(n));
    }
    router.mode = static_cast<std::int32_t>(StereoMode::Mono);
    for (std::uint32_t n = 0; n < latency / 2; ++n) {
        const StereoSample out = router.processSample(kLeft, kIgnoredRight);
        ASSERT_EQ(out.left, out.right);
    }
    router.mode = static_cast<std::int32_t>(StereoMode::Stereo);
    for (std::uint32_t n = 0; n < latency; ++n) {
        const StereoSample out = router.processSample(kLeft, rightInput(latency + n));
        ASSERT_EQ(out.right, rightInput(n)) << n;
        ASSERT_EQ(out.left, kLeft) << n;
    }
}

} // namespace
} // namespace calderine
