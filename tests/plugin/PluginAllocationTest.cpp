// The processing entries run on the host's audio thread, where a trip to the heap can take
// longer than a whole block: once built and given its sample rate, the effect must process,
// and take parameter changes (mode resets and filter redesigns included), without allocating.
// This binary replaces the global allocation functions to count every allocation, and every
// block still live, while counting is armed.
#include "effect/ParameterTable.h"
#include "tests/plugin/LocalEffect.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/EffectSignals.h"

#include <gtest/gtest.h>
#include <new>

namespace calderine {
namespace {

using testing::LocalEffect;
namespace param = parameterIndex;

TEST(PluginAllocation, CountingSeesAllocationsAndReleases) {
    test::startCountingAllocations();
    // Volatile, so that the compiler cannot drop the unused allocations.
    double* volatile plain = new double(1.0);
    double* volatile aligned = new (std::align_val_t{64}) double[8];
    const long long liveInBetween = test::currentAllocationTally().liveBlocks;
    delete plain;
    operator delete[](aligned, std::align_val_t{64});
    const test::AllocationTally tally = test::stopCountingAllocations();
    EXPECT_EQ(tally.allocations, 2u);
    EXPECT_EQ(liveInBetween, 2);
    EXPECT_EQ(tally.liveBlocks, 0);
}

// Every parameter moves before every block, through values that switch the clipper, change
// the stereo mode (a reset of both engines) and redesign each tilt filter.
TEST(PluginAllocation, ProcessingAndParameterChangesNeverAllocate) {
    constexpr float kPath[] = {0.0f, 0.37f, 1.0f, 0.5f, 0.999f, 0.12f, 0.75f};
    constexpr std::size_t kBlockFrames = 256;
    LocalEffect effect;
    effect.setSampleRate(48000.0f);
    effect.resume();
    const std::size_t latency = effect.instance().stereoRouter().latency();
    const auto floatInput = testing::noisyTones<float>(8 * latency, 101);
    const auto doubleInput = testing::widened<double>(floatInput);
    testing::Channels<float> floatOutput(testing::kStereo, std::vector<float>(kBlockFrames));
    testing::Channels<double> doubleOutput(testing::kStereo, std::vector<double>(kBlockFrames));
    float* floatOut[testing::kStereo] = {floatOutput[0].data(), floatOutput[1].data()};
    double* doubleOut[testing::kStereo] = {doubleOutput[0].data(), doubleOutput[1].data()};

    test::startCountingAllocations();
    std::size_t block = 0;
    for (std::size_t offset = 0; offset + kBlockFrames <= floatInput[0].size();
         offset += kBlockFrames, ++block) {
        for (std::size_t i = 0; i < kParameterCount; ++i) {
            effect.setParameter(i, kPath[(block + i) % std::size(kPath)]);
        }
        effect.setParameter(kParameterCount, 0.5f); // ignored, and no cheaper for it
        const auto frames = static_cast<std::int32_t>(kBlockFrames);
        if (block % 2 == 0) {
            float* in[testing::kStereo] = {const_cast<float*>(floatInput[0].data()) + offset,
                                           const_cast<float*>(floatInput[1].data()) + offset};
            testing::processBlock(effect.record(), in, floatOut, frames);
            testing::processBlock(effect.record(), in, floatOut, 0);
        } else {
            double* in[testing::kStereo] = {const_cast<double*>(doubleInput[0].data()) + offset,
                                            const_cast<double*>(doubleInput[1].data()) + offset};
            testing::processBlock(effect.record(), in, doubleOut, frames);
            testing::processBlock(effect.record(), in, doubleOut, 0);
        }
    }
    EXPECT_EQ(test::stopCountingAllocations().allocations, 0u);
    EXPECT_GT(block, 4 * latency / kBlockFrames) << "too short to complete frames";
}

// Every instance gives back all it took. The sanitizer build checks the same with its leak
// detector; this count holds in every build.
TEST(PluginAllocation, CreateAndCloseCyclesGiveBackEveryBlock) {
    constexpr int kCycles = 1000;
    const test::AllocationTally tally = test::allocationsDuring([] {
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            LocalEffect effect;
        }
    });
    EXPECT_GE(tally.allocations, static_cast<std::size_t>(kCycles)) << "the cycles were not seen";
    EXPECT_EQ(tally.liveBlocks, 0);
}

} // namespace
} // namespace calderine
