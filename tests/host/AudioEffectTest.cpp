#include "tests/host/RecordingHost.h"
#include "tests/host/TestEffect.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace calderine {
namespace {

using testing::RecordingHost;
using testing::TestEffect;

TEST(AudioEffectTest, BaseConstructionFillsTheRecord) {
    TestEffect effect(nullptr, 3, 7);
    const AEffect& r = *effect.record();
    EXPECT_EQ(effect.getAeffect(), &r);
    EXPECT_EQ(r.magic, fourCharCode("VstP"));
    EXPECT_EQ(r.numPrograms, 3);
    EXPECT_EQ(r.numParams, 7);
    EXPECT_EQ(r.numInputs, 1);
    EXPECT_EQ(r.numOutputs, 2);
    EXPECT_EQ(r.flags, effFlagsCanReplacing);
    EXPECT_EQ(r.uniqueID, 0x4E6F4566);
    EXPECT_EQ(r.version, 1);
    EXPECT_EQ(r.ioRatio, 1.0f);
    EXPECT_EQ(r.object, static_cast<AudioEffect*>(&effect));
    EXPECT_EQ(r.initialDelay, 0);
    EXPECT_EQ(r.user, nullptr);
    EXPECT_EQ(effect.getSampleRate(), 44100.0f);
    EXPECT_EQ(effect.getBlockSize(), 1024);
    EXPECT_EQ(effect.getProgram(), 0);
    EXPECT_EQ(effect.getEditor(), nullptr);
}

TEST(AudioEffectTest, FourCharCodesPackFirstCharacterHighest) {
    EXPECT_EQ(fourCharCode("VstP"), 0x56737450);
    EXPECT_EQ(fourCharCode("NvEf"), 0x4E764566);
    EXPECT_EQ(fourCharCode("CLDR"), 0x434C4452);
}

struct FlagSetter {
    const char* name;
    void (AudioEffect::*set)(bool);
    std::int32_t bit;
};

TEST(AudioEffectTest, FlagSettersSetAndClearOnlyTheirBit) {
    const std::vector<FlagSetter> setters = {
        {"canProcessReplacing", &AudioEffect::canProcessReplacing, 0x10},
        {"canDoubleReplacing", &AudioEffect::canDoubleReplacing, 0x1000},
        {"programsAreChunks", &AudioEffect::programsAreChunks, 0x20},
        {"hasVu", &AudioEffect::hasVu, 0x4},
        {"hasClip", &AudioEffect::hasClip, 0x2},
        {"canMono", &AudioEffect::canMono, 0x8},
    };
    for (const FlagSetter& setter : setters) {
        SCOPED_TRACE(setter.name);
        TestEffect effect;
        const std::int32_t before = effect.record()->flags;
        (effect.*setter.set)(true);
        EXPECT_EQ(effect.record()->flags, before | setter.bit);
        (effect.*setter.set)(false);
        EXPECT_EQ(effect.record()->flags, before & ~setter.bit);
    }
}

// Host services are never called by the effect itself; when they are, they talk to the host
// on behalf of this record, and answer 0 / false without one.
TEST(AudioEffectTest, HostServicesSendTheirRequestOrAnswerZeroWithoutHost) {
    TestEffect orphan;
    EXPECT_EQ(orphan.getMasterVersion(), 0);
    EXPECT_EQ(orphan.getCurrentUniqueId(), 0);
    EXPECT_FALSE(orphan.isInputConnected(0));
    EXPECT_FALSE(orphan.isOutputConnected(0));
    orphan.masterIdle();
    orphan.setParameterAutomated(0, 0.5f);

    RecordingHost::reset(2400);
    TestEffect effect(&RecordingHost::callback);
    EXPECT_EQ(effect.getMasterVersion(), 2400);
    EXPECT_TRUE(effect.isOutputConnected(1)); // the recording host answers 0: connected
    effect.setParameterAutomated(3, 0.25f);
    ASSERT_EQ(RecordingHost::calls.size(), 3u);
    EXPECT_EQ(RecordingHost::calls[0].effect, effect.record());
    EXPECT_EQ(RecordingHost::calls[0].opcode, audioMasterVersion);
    EXPECT_EQ(RecordingHost::calls[1].opcode, audioMasterPinConnected);
    EXPECT_EQ(RecordingHost::calls[1].index, 1);
    EXPECT_EQ(RecordingHost::calls[1].value, 1);
    EXPECT_EQ(RecordingHost::calls[2].opcode, audioMasterAutomate);
    EXPECT_EQ(RecordingHost::calls[2].index, 3);
    EXPECT_EQ(RecordingHost::calls[2].opt, 0.25f);
}

struct ConversionCase {
    const char* name;
    void (*convert)(AudioEffect&, char*, std::int32_t);
    std::int32_t maxLen;
    std::string expected;
};

TEST(AudioEffectTest, ValueToTextConversionsAreCutAndTerminated) {
    const std::vector<ConversionCase> cases = {
        {"dB of 1.0", [](AudioEffect& e, char* t, std::int32_t n) { e.dB2string(1.0f, t, n); }, 8,
         "0.00"},
        {"dB of 0.1", [](AudioEffect& e, char* t, std::int32_t n) { e.dB2string(0.1f, t, n); }, 8,
         "-20.00"},
        {"dB of 0", [](AudioEffect& e, char* t, std::int32_t n) { e.dB2string(0.0f, t, n); }, 8,
         "-oo"},
        {"Hz of 441 samples",
         [](AudioEffect& e, char* t, std::int32_t n) { e.Hz2string(441.0f, t, n); }, 8, "100.00"},
        {"ms of 441 samples",
         [](AudioEffect& e, char* t, std::int32_t n) { e.ms2string(441.0f, t, n); }, 8, "10.00"},
        {"float cut to 4",
         [](AudioEffect& e, char* t, std::int32_t n) { e.float2string(123.456f, t, n); }, 4,
         "123."},
        {"int", [](AudioEffect& e, char* t, std::int32_t n) { e.int2string(-42, t, n); }, 8, "-42"},
        {"zero length", [](AudioEffect& e, char* t, std::int32_t n) { e.int2string(12345, t, n); },
         0, ""},
    };
    for (const ConversionCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestEffect effect;
        char text[16];
        std::memset(text, 'x', sizeof text);
        c.convert(effect, text, c.maxLen);
        EXPECT_EQ(std::string(text), c.expected);
        EXPECT_EQ(text[c.maxLen + 1], 'x'); // nothing beyond the terminating byte
        c.convert(effect, nullptr, c.maxLen);
    }
}

} // namespace
} // namespace calderine
