#include "plugin/plugin.h"

#include "host/EffectFactory.h"
#include "tests/host/RecordingHost.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>

namespace calderine {
namespace {

using testing::RecordingHost;

constexpr std::intptr_t kHostVersion = 2400;

AEffect* createInstance() {
    return createEffect(&RecordingHost::callback, &createPluginInstance);
}

std::intptr_t dispatch(AEffect* effect, std::int32_t opcode, std::int32_t index = 0,
                       std::intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override { RecordingHost::reset(kHostVersion); }
};

// The record's field values are checked through the loaded module (tests/tools); here, that the
// record belongs to a plugin instance and leads back to it.
TEST_F(PluginTest, RecordLeadsToThePluginInstance) {
    AEffect* effect = createInstance();
    ASSERT_NE(effect, nullptr);
    auto* instance = static_cast<AudioEffect*>(effect->object);
    ASSERT_NE(instance, nullptr);
    EXPECT_NE(dynamic_cast<plugin*>(instance), nullptr);
    EXPECT_EQ(instance->getAeffect(), effect);
    EXPECT_EQ(effect->initialDelay, 2304);
    EXPECT_EQ(dispatch(effect, effClose), 1);
}

TEST_F(PluginTest, HostAnsweringZeroGetsNoInstance) {
    RecordingHost::reset(0);
    EXPECT_EQ(createInstance(), nullptr);
    ASSERT_EQ(RecordingHost::calls.size(), 1u);
}

TEST_F(PluginTest, OldHostAnsweringOneGetsAWorkingInstance) {
    RecordingHost::reset(1);
    AEffect* effect = createInstance();
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(dispatch(effect, effGetVstVersion), 2400);
    EXPECT_EQ(dispatch(effect, effClose), 1);
}

// Create, configure, switch on, process, set parameters, change rate, switch off, close: the
// version query at creation is the only request the host ever sees.
TEST_F(PluginTest, WholeLifeMakesExactlyOneHostCall) {
    AEffect* effect = createInstance();
    ASSERT_NE(effect, nullptr);
    dispatch(effect, effOpen);
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    dispatch(effect, effSetBlockSize, 0, 512);
    dispatch(effect, effMainsChanged, 0, 1);
    std::array<float, 512> left{}, right{};
    float* channels[] = {left.data(), right.data()};
    for (int block = 0; block < 4; ++block) {
        effect->setParameter(effect, block, 0.5f);
        effect->processReplacing(effect, channels, channels, 512);
    }
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, 96000.0f);
    dispatch(effect, effMainsChanged, 0, 0);
    EXPECT_EQ(dispatch(effect, effClose), 1);

    ASSERT_EQ(RecordingHost::calls.size(), 1u);
    testing::expectVersionQuery(RecordingHost::calls.front());
}

TEST_F(PluginTest, TwoInstancesAreIndependent) {
    AEffect* first = createInstance();
    AEffect* second = createInstance();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(first->object, second->object);

    dispatch(first, effSetSampleRate, 0, 0, nullptr, 96000.0f);
    dispatch(first, effSetBlockSize, 0, 64);
    auto* firstInstance = static_cast<AudioEffect*>(first->object);
    auto* secondInstance = static_cast<AudioEffect*>(second->object);
    EXPECT_EQ(firstInstance->getSampleRate(), 96000.0f);
    EXPECT_EQ(secondInstance->getSampleRate(), AudioEffect::kDefaultSampleRate);
    EXPECT_EQ(secondInstance->getBlockSize(), AudioEffect::kDefaultBlockSize);

    // Closing one leaves the other fully usable.
    EXPECT_EQ(dispatch(first, effClose), 1);
    EXPECT_EQ(dispatch(second, effGetPlugCategory), kPlugCategEffect);
    EXPECT_EQ(second->uniqueID, plugin::kUniqueId);
    EXPECT_EQ(dispatch(second, effClose), 1);
    EXPECT_EQ(RecordingHost::calls.size(), 2u);
}

// The host's view of the rate (getSampleRate) and the rate the engines are built for are one
// value: both follow a served rate, neither follows a refused one.
TEST_F(PluginTest, SampleRateFollowsOnlyServedRates) {
    AEffect* effect = createInstance();
    ASSERT_NE(effect, nullptr);
    auto& instance = *dynamic_cast<plugin*>(static_cast<AudioEffect*>(effect->object));
    struct Step {
        float rate;
        double expected; // Hz afterwards
    };
    const Step steps[] = {{48000.0f, 48000.0},
                          {1000.0f, 48000.0},
                          {96000.0f, 96000.0},
                          {1.0e7f, 96000.0},
                          {22050.0f, 22050.0}};
    for (const Step& step : steps) {
        dispatch(effect, effSetSampleRate, 0, 0, nullptr, step.rate);
        EXPECT_EQ(instance.getSampleRate(), step.expected) << step.rate;
        EXPECT_EQ(instance.currentSampleRate(), step.expected) << step.rate;
    }
    EXPECT_EQ(dispatch(effect, effClose), 1);
}

} // namespace
} // namespace calderine
