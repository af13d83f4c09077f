#include "host/EffectFactory.h"

#include "tests/host/RecordingHost.h"
#include "tests/host/TestEffect.h"

#include <gtest/gtest.h>
#include <new>

namespace calderine {
namespace {

using testing::RecordingHost;
using testing::TestEffect;

int factoryCalls = 0;

AudioEffect* makeTestEffect(audioMasterCallback host) {
    ++factoryCalls;
    return new TestEffect(host);
}

// Fails after the base part is built, so the base must be torn down again.
class FailingEffect : public TestEffect {
public:
    explicit FailingEffect(audioMasterCallback host) : TestEffect(host) { throw std::bad_alloc(); }
};

AudioEffect* makeFailingEffect(audioMasterCallback host) {
    return new FailingEffect(host);
}
AudioEffect* makeNothing(audioMasterCallback) {
    return nullptr;
}

class EffectFactoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        factoryCalls = 0;
        RecordingHost::reset(2400);
    }
};

TEST_F(EffectFactoryTest, AsksTheHostItsVersionOnceThenBuildsOneInstance) {
    const int live = TestEffect::liveInstances;
    AEffect* effect = createEffect(&RecordingHost::callback, &makeTestEffect);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(factoryCalls, 1);
    ASSERT_EQ(RecordingHost::calls.size(), 1u);
    testing::expectVersionQuery(RecordingHost::calls.front());

    auto* instance = static_cast<AudioEffect*>(effect->object);
    EXPECT_EQ(instance->getAeffect(), effect);
    EXPECT_EQ(TestEffect::liveInstances, live + 1);
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(TestEffect::liveInstances, live);
}

TEST_F(EffectFactoryTest, AnyNonZeroVersionIsAccepted) {
    for (std::intptr_t version : {std::intptr_t{1}, std::intptr_t{-1}, std::intptr_t{2400}}) {
        RecordingHost::reset(version);
        AEffect* effect = createEffect(&RecordingHost::callback, &makeTestEffect);
        ASSERT_NE(effect, nullptr) << "version " << version;
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
}

TEST_F(EffectFactoryTest, VersionZeroCreatesNothing) {
    RecordingHost::reset(0);
    EXPECT_EQ(createEffect(&RecordingHost::callback, &makeTestEffect), nullptr);
    EXPECT_EQ(factoryCalls, 0);
    EXPECT_EQ(RecordingHost::calls.size(), 1u);
}

TEST_F(EffectFactoryTest, FailedConstructionGivesNullAndLeavesNothing) {
    const int live = TestEffect::liveInstances;
    EXPECT_EQ(createEffect(&RecordingHost::callback, &makeFailingEffect), nullptr);
    EXPECT_EQ(TestEffect::liveInstances, live);
    EXPECT_EQ(createEffect(&RecordingHost::callback, &makeNothing), nullptr);
}

TEST_F(EffectFactoryTest, MissingHostOrFactoryGivesNull) {
    EXPECT_EQ(createEffect(nullptr, &makeTestEffect), nullptr);
    EXPECT_EQ(createEffect(&RecordingHost::callback, nullptr), nullptr);
    EXPECT_EQ(factoryCalls, 0);
}

} // namespace
} // namespace calderine
