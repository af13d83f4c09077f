#include "tests/host/SentinelBuffer.h"
#include "tests/host/TestEffect.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace calderine {
namespace {

using testing::TestEffect;

using testing::Buffer;
using testing::sentinelBuffer;

// Base answers that differ from 0; every other opcode, valid or not, answers 0.
const std::map<std::int32_t, std::intptr_t> kNonZeroAnswers = {
    {effIdentify, 0x4E764566}, {effCanBeAutomated, 1},         {effGetPlugCategory, 1},
    {effGetVstVersion, 2400},  {effGetCurrentMidiProgram, -1}, {effSetProcessPrecision, 1},
};

// Opcodes whose base operation writes an empty text (one zero byte) into the buffer.
const std::vector<std::int32_t> kEmptyTextWriters = {effGetProgramName, effGetParamLabel,
                                                     effGetParamDisplay, effGetParamName};

std::vector<std::int32_t> everyOpcode() {
    std::vector<std::int32_t> opcodes;
    for (std::int32_t opcode = -2; opcode <= 82; ++opcode)
        opcodes.push_back(opcode);
    opcodes.push_back(std::numeric_limits<std::int32_t>::min());
    opcodes.push_back(std::numeric_limits<std::int32_t>::max());
    return opcodes;
}

std::intptr_t expectedAnswer(std::int32_t opcode, std::intptr_t value) {
    if (opcode == effSetTotalSampleToProcess)
        return value;
    auto found = kNonZeroAnswers.find(opcode);
    return found != kNonZeroAnswers.end() ? found->second : 0;
}

struct Snapshot {
    std::array<unsigned char, sizeof(AEffect)> record;
    std::int32_t program;
    float sampleRate;
    std::int32_t blockSize;
};

Snapshot snapshot(TestEffect& effect) {
    Snapshot s{};
    std::memcpy(s.record.data(), effect.record(), sizeof(AEffect));
    s.program = effect.getProgram();
    s.sampleRate = effect.getSampleRate();
    s.blockSize = effect.getBlockSize();
    return s;
}

// Every opcode with a host buffer as ptr: the answer, the buffer and the instance's state.
TEST(DispatcherTest, EveryOpcodeAnswersAndTouchesOnlyWhatItShould) {
    constexpr std::intptr_t kValue = 4096;
    for (std::int32_t opcode : everyOpcode()) {
        SCOPED_TRACE("opcode " + std::to_string(opcode));
        TestEffect effect;
        const Snapshot before = snapshot(effect);
        Buffer buffer = sentinelBuffer();
        // effGetSpeakerArrangement takes an address in value too; 0 keeps it to ptr here.
        const std::intptr_t value = opcode == effGetSpeakerArrangement ? 0 : kValue;

        EXPECT_EQ(effect.dispatcher(opcode, 3, value, buffer.data(), 0.5f),
                  expectedAnswer(opcode, value));

        Buffer expected = sentinelBuffer();
        if (std::find(kEmptyTextWriters.begin(), kEmptyTextWriters.end(), opcode) !=
            kEmptyTextWriters.end())
            expected[0] = '\0';
        if (opcode == effGetSpeakerArrangement)
            std::fill_n(expected.begin(), sizeof(void*), '\0');
        EXPECT_EQ(buffer, expected);

        const Snapshot after = snapshot(effect);
        EXPECT_EQ(after.record, before.record);
        EXPECT_EQ(after.program, before.program);
        EXPECT_EQ(after.sampleRate, opcode == effSetSampleRate ? 0.5f : before.sampleRate);
        EXPECT_EQ(after.blockSize, opcode == effSetBlockSize ? kValue : before.blockSize);
    }
}

// A null ptr is never dereferenced and gives the same answers.
TEST(DispatcherTest, NullPointerIsSurvivedByEveryOpcode) {
    for (std::int32_t opcode : everyOpcode()) {
        SCOPED_TRACE("opcode " + std::to_string(opcode));
        TestEffect effect;
        EXPECT_EQ(effect.dispatcher(opcode, -1, 0, nullptr, 0.0f), expectedAnswer(opcode, 0));
    }
}

TEST(DispatcherTest, GetSpeakerArrangementWritesNullThroughBothAddresses) {
    TestEffect effect;
    int dummy = 0;
    VstSpeakerArrangement* input = reinterpret_cast<VstSpeakerArrangement*>(&dummy);
    VstSpeakerArrangement* output = input;
    EXPECT_EQ(effect.dispatcher(effGetSpeakerArrangement, 0,
                                reinterpret_cast<std::intptr_t>(&input), &output, 0.0f),
              0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

// Records which operation the dispatcher reached and with which arguments.
class ProbeEffect : public TestEffect {
public:
    std::string log;

    void open() override { log += "open "; }
    void close() override { log += "close "; }
    void suspend() override { log += "suspend "; }
    void resume() override { log += "resume "; }
    void setSampleRate(float rate) override {
        log += "setSampleRate(" + std::to_string(rate) + ") ";
        TestEffect::setSampleRate(rate);
    }
    void setBlockSize(std::int32_t size) override {
        log += "setBlockSize(" + std::to_string(size) + ") ";
    }
    void setProgram(std::int32_t program) override {
        log += "setProgram(" + std::to_string(program) + ") ";
    }
    void setProgramName(char* name) override {
        log += "setProgramName(" + std::string(name) + ") ";
    }
    void getParameterName(std::int32_t index, char*) override {
        log += "getParameterName(" + std::to_string(index) + ") ";
    }
    std::int32_t getChunk(void**, bool isPreset) override {
        log += "getChunk(" + std::to_string(isPreset) + ") ";
        return 0;
    }
    std::int32_t setChunk(void*, std::int32_t size, bool isPreset) override {
        log += "setChunk(" + std::to_string(size) + "," + std::to_string(isPreset) + ") ";
        return 0;
    }
    bool canParameterBeAutomated(std::int32_t index) override {
        log += "canParameterBeAutomated(" + std::to_string(index) + ") ";
        return true;
    }
    bool getProgramNameIndexed(std::int32_t category, std::int32_t index, char*) override {
        log += "getProgramNameIndexed(" + std::to_string(category) + "," + std::to_string(index) +
               ") ";
        return true;
    }
    bool setBypass(bool onOff) override {
        log += "setBypass(" + std::to_string(onOff) + ") ";
        return false;
    }
    bool setPanLaw(std::int32_t type, float value) override {
        log += "setPanLaw(" + std::to_string(type) + "," + std::to_string(value) + ") ";
        return false;
    }
    bool setProcessPrecision(std::int32_t precision) override {
        log += "setProcessPrecision(" + std::to_string(precision) + ") ";
        return true;
    }
    std::intptr_t vendorSpecific(std::int32_t index, std::intptr_t value, void*,
                                 float opt) override {
        log += "vendorSpecific(" + std::to_string(index) + "," + std::to_string(value) + "," +
               std::to_string(opt) + ") ";
        return 0;
    }
    bool offlineNotify(VstAudioFile*, std::int32_t count, bool start) override {
        log += "offlineNotify(" + std::to_string(count) + "," + std::to_string(start) + ") ";
        return false;
    }
    std::int32_t canDo(char* text) override {
        log += "canDo(" + std::string(text) + ") ";
        return 0;
    }
    bool getEffectName(char*) override {
        log += "getEffectName ";
        return true;
    }
};

struct MappingCase {
    std::int32_t opcode;
    std::int32_t index;
    std::intptr_t value;
    float opt;
    std::intptr_t answer;
    std::string log;
};

// Argument mapping of the opcodes that carry more than a constant. Text buffers hold "txt".
TEST(DispatcherTest, OpcodesReachTheirOperationWithMappedArguments) {
    // A value whose low 32 bits are zero, which only a 64-bit `value` can carry; a 32-bit
    // build has none and checks its largest value instead.
    constexpr std::intptr_t kAbove32Bits = sizeof(std::intptr_t) > 4
                                               ? static_cast<std::intptr_t>(std::int64_t{1} << 40)
                                               : std::numeric_limits<std::intptr_t>::max();
    const std::vector<MappingCase> cases = {
        {effOpen, 0, 0, 0.0f, 0, "open "},
        {effClose, 0, 0, 0.0f, 0, "close "},
        {effSetProgram, 0, 0, 0.0f, 0, "setProgram(0) "},
        // Programs run 0..numPrograms-1; everything else, even if it narrows to 0, is ignored.
        {effSetProgram, 0, 1, 0.0f, 0, ""},
        {effSetProgram, 0, -1, 0.0f, 0, ""},
        {effSetProgram, 0, kAbove32Bits, 0.0f, 0, ""},
        {effSetProgramName, 0, 0, 0.0f, 0, "setProgramName(txt) "},
        {effGetParamName, 7, 0, 0.0f, 0, "getParameterName(7) "},
        {effSetSampleRate, 0, 0, 48000.0f, 0, "setSampleRate(48000.000000) "},
        {effSetBlockSize, 0, 256, 0.0f, 0, "setBlockSize(256) "},
        {effMainsChanged, 0, 0, 0.0f, 0, "suspend "},
        {effMainsChanged, 0, 1, 0.0f, 0, "resume "},
        {effMainsChanged, 0, 2, 0.0f, 0, "resume "},
        {effMainsChanged, 0, kAbove32Bits, 0.0f, 0, "resume "},
        {effGetChunk, 1, 0, 0.0f, 0, "getChunk(1) "},
        {effSetChunk, 0, 99, 0.0f, 0, "setChunk(99,0) "},
        {effCanBeAutomated, 12345, 0, 0.0f, 1, "canParameterBeAutomated(12345) "},
        {effGetProgramNameIndexed, 4, 2, 0.0f, 1, "getProgramNameIndexed(2,4) "},
        {effSetBypass, 0, 1, 0.0f, 0, "setBypass(1) "},
        {effSetBypass, 0, 0, 0.0f, 0, "setBypass(0) "},
        {effSetPanLaw, 0, 1, 0.5f, 0, "setPanLaw(1,0.500000) "},
        {effSetProcessPrecision, 0, 0, 0.0f, 1, "setProcessPrecision(0) "},
        {effSetProcessPrecision, 0, 1, 0.0f, 1, "setProcessPrecision(1) "},
        {effVendorSpecific, 5, 6, 0.25f, 0, "vendorSpecific(5,6,0.250000) "},
        {effOfflineNotify, 1, 3, 0.0f, 0, "offlineNotify(3,1) "},
        {effCanDo, 0, 0, 0.0f, 0, "canDo(txt) "},
        {effGetEffectName, 0, 0, 0.0f, 1, "getEffectName "},
        // Rejected before any operation runs.
        {effSetSampleRate, 0, 0, 0.0f, 0, ""},
        {effSetSampleRate, 0, 0, -44100.0f, 0, ""},
        {effSetSampleRate, 0, 0, std::numeric_limits<float>::quiet_NaN(), 0, ""},
        {effSetSampleRate, 0, 0, std::numeric_limits<float>::infinity(), 0, ""},
    };
    for (const MappingCase& c : cases) {
        SCOPED_TRACE("opcode " + std::to_string(c.opcode) + " value " + std::to_string(c.value));
        ProbeEffect effect;
        char text[] = "txt";
        EXPECT_EQ(effect.dispatcher(c.opcode, c.index, c.value, text, c.opt), c.answer);
        EXPECT_EQ(effect.log, c.log);
    }
}

TEST(DispatcherTest, TextOpcodesWithNullBufferCallNothing) {
    for (std::int32_t opcode : {effSetProgramName, effGetParamName, effGetProgramNameIndexed,
                                effCanDo, effGetEffectName}) {
        SCOPED_TRACE("opcode " + std::to_string(opcode));
        ProbeEffect effect;
        EXPECT_EQ(effect.dispatcher(opcode, 0, 0, nullptr, 0.0f), 0);
        EXPECT_EQ(effect.log, "");
    }
}

} // namespace
} // namespace calderine
