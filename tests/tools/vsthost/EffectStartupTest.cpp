// The one start-up sequence every tool uses, seen from the effect's side.
#include "tools/vsthost/EffectStartup.h"

#include "tests/support/RecordingHost.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace calderine {
namespace {

TEST(EffectStartup, OpensBeforeTellingTheRateAndTheBlockSize) {
    // The chatty stand-in hands every request it gets on to its host, so the host's log is
    // the sequence the effect saw.
    RecordingHost host;
    const auto effect = startEffect(
        std::make_shared<const PluginModule>(CALDERINE_FAKE_CHATTY_MODULE), {48000.0f, 256}, host);
    const std::vector<HostCall> calls = host.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].opcode, effOpen);
    EXPECT_EQ(calls[1].opcode, effSetSampleRate);
    EXPECT_EQ(calls[1].opt, 48000.0f);
    EXPECT_EQ(calls[2].opcode, effSetBlockSize);
    EXPECT_EQ(calls[2].value, 256);
    EXPECT_TRUE(effect->isOpen());
}

TEST(EffectStartup, AnEffectThatSetsItselfUpWhenOpenedShowsItsTexts) {
    const auto module = std::make_shared<const PluginModule>(CALDERINE_FAKE_OPEN_LATE_MODULE);
    // Without effOpen the stand-in has nothing to show: what --info used to print.
    HostedEffect unopened(module);
    EXPECT_EQ(unopened.effectName(), "");
    EXPECT_EQ(unopened.parameterName(0), "");
    EXPECT_EQ(unopened.parameter(0), 0.0f);

    const auto started = startEffect(module, {44100.0f, 512});
    EXPECT_EQ(started->effectName(), "Late Opener");
    EXPECT_EQ(started->vendorString(), "Fake Works");
    EXPECT_EQ(started->parameterName(1), "Rate");
    EXPECT_EQ(started->parameterDisplay(0), "75");
    EXPECT_EQ(started->parameter(0), 0.75f);
}

} // namespace
} // namespace calderine
