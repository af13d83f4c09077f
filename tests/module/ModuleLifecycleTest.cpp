// The built module driven through its entry point and record, as a host drives it.
#include "tests/support/BuiltModule.h"
#include "tests/support/RecordingHost.h"
#include "tools/vsthost/HostedEffect.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace calderine {
namespace {

constexpr std::int32_t kExpectedFlags =
    effFlagsCanMono | effFlagsCanReplacing | effFlagsCanDoubleReplacing;
constexpr std::int32_t kBlockFrames = 256;
constexpr float kOutputSentinel = -7.25f;

bool isVersionQuery(const HostCall& call) {
    return call.effect == nullptr && call.opcode == audioMasterVersion && call.index == 0 &&
           call.value == 0 && call.opt == 0.0f;
}

TEST(EntryPoint, FillsTheRecordBeforeReturningIt) {
    RecordingHost host;
    AEffect* effect = host.instantiate(builtModule()->entry());
    ASSERT_NE(effect, nullptr);

    EXPECT_EQ(effect->magic, 0x56737450);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 10);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags, 0x1018);
    EXPECT_EQ(effect->flags, kExpectedFlags);
    EXPECT_EQ(effect->uniqueID, 0x434C4452);
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->resvd1, 0);
    EXPECT_EQ(effect->resvd2, 0);
    EXPECT_EQ(effect->realQualities, 0);
    EXPECT_EQ(effect->offQualities, 0);
    EXPECT_NE(effect->object, nullptr);
    EXPECT_EQ(effect->user, nullptr);
    EXPECT_NE(effect->dispatcher, nullptr);
    EXPECT_NE(effect->process, nullptr);
    EXPECT_NE(effect->setParameter, nullptr);
    EXPECT_NE(effect->getParameter, nullptr);
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_NE(effect->processDoubleReplacing, nullptr);
    EXPECT_TRUE(std::all_of(std::begin(effect->future), std::end(effect->future),
                            [](char byte) { return byte == 0; }));

    const auto calls = host.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(isVersionQuery(calls[0]));

    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
    host.forget(effect);
}

TEST(EntryPoint, CreatesAnInstanceExactlyWhenTheHostAnswersTheVersionQuery) {
    struct Case {
        std::intptr_t versionAnswer;
        bool created;
    };
    const Case cases[] = {{0, false}, {1, true}, {2, true}, {2400, true}, {-1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.versionAnswer);
        RecordingHost host(c.versionAnswer);
        AEffect* effect = host.instantiate(builtModule()->entry());
        ASSERT_EQ(effect != nullptr, c.created);
        const auto calls = host.calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_TRUE(isVersionQuery(calls[0]));
        if (effect != nullptr) {
            EXPECT_EQ(effect->magic, kEffectMagic);
            EXPECT_EQ(effect->dispatcher(effect, effGetVstVersion, 0, 0, nullptr, 0.0f), 2400);
            EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
            host.forget(effect);
        }
    }
}

TEST(EntryPoint, EveryCallCreatesANewInstance) {
    HostedEffect first(builtModule());
    HostedEffect second(builtModule());
    EXPECT_NE(&first.record(), &second.record());
    EXPECT_NE(first.record().object, second.record().object);
}

TEST(Instance, AWholeLifeAsksTheHostOnlyForItsVersion) {
    const auto unroutedBefore = RecordingHost::unroutedCallCount();
    RecordingHost host;
    HostedEffect effect(builtModule(), host);

    effect.setSampleRate(48000.0f);
    effect.setBlockSize(kBlockFrames);
    effect.resume();
    const FloatChannels in(2, std::vector<float>(kBlockFrames, 0.25f));
    FloatChannels out(2, std::vector<float>(kBlockFrames));
    const DoubleChannels inDouble(2, std::vector<double>(kBlockFrames, -0.5));
    DoubleChannels outDouble(2, std::vector<double>(kBlockFrames));
    for (int block = 0; block < 4; ++block) {
        effect.processReplacing(in, out);
        effect.setParameter(block, 0.3f);
        effect.processDoubleReplacing(inDouble, outDouble);
    }
    for (std::int32_t index = 0; index < effect.parameterCount(); ++index) {
        effect.parameterName(index);
        effect.parameterLabel(index);
        effect.parameterDisplay(index);
        effect.parameter(index);
    }
    effect.effectName();
    effect.vendorString();
    effect.productString();
    effect.vendorVersion();
    effect.programName();
    effect.setProgram(0);
    effect.canDo("receiveVstMidiEvent");
    effect.setSampleRate(96000.0f);
    effect.suspend();
    EXPECT_EQ(effect.close(), 1);

    const auto calls = host.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(isVersionQuery(calls[0]));
    EXPECT_EQ(RecordingHost::unroutedCallCount(), unroutedBefore);
}

TEST(Instance, TwoInstancesShareNothing) {
    HostedEffect a(builtModule());
    HostedEffect b(builtModule());
    b.setSampleRate(44100.0f);
    const std::int32_t delayOfB = b.record().initialDelay;
    const float parameterOfB = b.parameter(3);
    const std::string programOfB = b.programName();

    std::string renamed = "Renamed";
    a.dispatch(effSetProgramName, 0, 0, renamed.data());
    a.setParameter(3, parameterOfB > 0.5f ? 0.0f : 1.0f);
    a.setSampleRate(96000.0f);
    a.resume();

    EXPECT_EQ(b.parameter(3), parameterOfB);
    EXPECT_EQ(b.programName(), programOfB);
    EXPECT_EQ(b.record().initialDelay, delayOfB);

    // Closing one frees only its own memory: the other stays fully usable, which the
    // sanitizer build checks access by access.
    EXPECT_EQ(a.close(), 1);
    EXPECT_EQ(b.record().magic, kEffectMagic);
    EXPECT_EQ(b.dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(b.parameter(3), parameterOfB);
    b.resume();
    const FloatChannels in(2, std::vector<float>(kBlockFrames, 0.5f));
    FloatChannels out(2, std::vector<float>(kBlockFrames));
    b.processReplacing(in, out);
    EXPECT_EQ(b.close(), 1);
}

TEST(Instance, DeprecatedAccumulatingProcessLeavesTheOutputsAlone) {
    HostedEffect effect(builtModule());
    std::vector<float> left(kBlockFrames, 0.5f), right(kBlockFrames, -0.5f);
    std::vector<float> outLeft(kBlockFrames, kOutputSentinel),
        outRight(kBlockFrames, kOutputSentinel);
    std::array<float*, 2> in = {left.data(), right.data()};
    std::array<float*, 2> out = {outLeft.data(), outRight.data()};
    AEffect& record = effect.record();
    record.process(&record, in.data(), out.data(), kBlockFrames);
    for (const auto& channel : {outLeft, outRight}) {
        EXPECT_TRUE(std::all_of(channel.begin(), channel.end(),
                                [](float sample) { return sample == kOutputSentinel; }));
    }
}

} // namespace
} // namespace calderine
