// Every opcode whose answer the base classes fix, sent to the built module through its record,
// with the answer and the side effect a host may rely on. Texts and identification come from
// the effect class and are tested with it.
#include "tests/support/BuiltModule.h"
#include "tests/support/RecordingHost.h"
#include "tools/vsthost/HostedEffect.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace calderine {
namespace {

// What the call passes through ptr (and, for speaker arrangements, value), and what must hold
// for it afterwards.
enum class Through {
    Nothing,     // ptr null
    Buffer,      // a filled buffer that must come back untouched
    PointerSlot, // the address of a pointer that must keep its value
    SpeakerPair, // value and ptr both address pointers that must come back null
    Text,        // a zero-terminated text for the effect to read
};

struct OpcodeCase {
    const char* name;
    std::int32_t opcode;
    std::int32_t index;
    std::intptr_t value;
    float opt;
    Through through;
    std::intptr_t answer;
    const char* text = "";
};

constexpr std::intptr_t kIdentify = 0x4E764566; // 'NvEf'
constexpr std::intptr_t kVstVersionAnswer = 2400;
constexpr std::intptr_t kEffectCategory = 1;
constexpr std::int32_t kBeyondLastParameter = 10;
constexpr std::int32_t kPrecision32 = 0;
constexpr std::int32_t kPrecision64 = 1;

const std::vector<OpcodeCase>& opcodeCases() {
    using T = Through;
    static const std::vector<OpcodeCase> cases = {
        {"effOpen", effOpen, 0, 0, 0.0f, T::Nothing, 0},
        {"effSetProgram 0", effSetProgram, 0, 0, 0.0f, T::Nothing, 0},
        {"effSetProgram numPrograms", effSetProgram, 0, 1, 0.0f, T::Nothing, 0},
        {"effSetProgram -1", effSetProgram, 0, -1, 0.0f, T::Nothing, 0},
        {"effSetProgram huge", effSetProgram, 0, INTPTR_MAX, 0.0f, T::Nothing, 0},
        {"effGetProgram", effGetProgram, 0, 0, 0.0f, T::Nothing, 0},
        {"effGetVu", effGetVu, 0, 0, 0.0f, T::Buffer, 0},
        {"effSetSampleRate", effSetSampleRate, 0, 0, 48000.0f, T::Nothing, 0},
        {"effSetBlockSize", effSetBlockSize, 0, 512, 0.0f, T::Nothing, 0},
        {"effMainsChanged on", effMainsChanged, 0, 1, 0.0f, T::Nothing, 0},
        {"effMainsChanged 2", effMainsChanged, 0, 2, 0.0f, T::Nothing, 0},
        {"effMainsChanged off", effMainsChanged, 0, 0, 0.0f, T::Nothing, 0},
        {"effEditGetRect", effEditGetRect, 0, 0, 0.0f, T::PointerSlot, 0},
        {"effEditOpen", effEditOpen, 0, 0, 0.0f, T::Buffer, 0},
        {"effEditClose", effEditClose, 0, 0, 0.0f, T::Nothing, 0},
        {"effEditDraw", effEditDraw, 0, 0, 0.0f, T::Buffer, 0},
        {"effEditMouse", effEditMouse, 0, 0, 0.0f, T::Buffer, 0},
        {"effEditKey", effEditKey, 0, 0, 0.0f, T::Buffer, 0},
        {"effEditIdle", effEditIdle, 0, 0, 0.0f, T::Nothing, 0},
        {"effEditTop", effEditTop, 0, 0, 0.0f, T::Nothing, 0},
        {"effEditSleep", effEditSleep, 0, 0, 0.0f, T::Nothing, 0},
        {"effIdentify", effIdentify, 0, 0, 0.0f, T::Nothing, kIdentify},
        {"effGetChunk bank", effGetChunk, 0, 0, 0.0f, T::PointerSlot, 0},
        {"effGetChunk program", effGetChunk, 1, 0, 0.0f, T::PointerSlot, 0},
        {"effSetChunk", effSetChunk, 0, 16, 0.0f, T::Buffer, 0},
        {"effProcessEvents", effProcessEvents, 0, 0, 0.0f, T::Buffer, 0},
        {"effCanBeAutomated 0", effCanBeAutomated, 0, 0, 0.0f, T::Nothing, 1},
        {"effCanBeAutomated 9", effCanBeAutomated, 9, 0, 0.0f, T::Nothing, 1},
        {"effCanBeAutomated 10", effCanBeAutomated, kBeyondLastParameter, 0, 0.0f, T::Nothing, 1},
        {"effCanBeAutomated -1", effCanBeAutomated, -1, 0, 0.0f, T::Nothing, 1},
        {"effString2Parameter", effString2Parameter, 0, 0, 0.0f, T::Text, 0, "0.5"},
        {"effGetNumProgramCategories", effGetNumProgramCategories, 0, 0, 0.0f, T::Nothing, 0},
        {"effCopyProgram", effCopyProgram, 0, 0, 0.0f, T::Nothing, 0},
        {"effConnectInput", effConnectInput, 0, 1, 0.0f, T::Nothing, 0},
        {"effConnectOutput", effConnectOutput, 0, 1, 0.0f, T::Nothing, 0},
        {"effGetInputProperties", effGetInputProperties, 0, 0, 0.0f, T::Buffer, 0},
        {"effGetOutputProperties", effGetOutputProperties, 1, 0, 0.0f, T::Buffer, 0},
        {"effGetPlugCategory", effGetPlugCategory, 0, 0, 0.0f, T::Nothing, kEffectCategory},
        {"effGetCurrentPosition", effGetCurrentPosition, 0, 0, 0.0f, T::Nothing, 0},
        {"effGetDestinationBuffer", effGetDestinationBuffer, 0, 0, 0.0f, T::Nothing, 0},
        {"effOfflineNotify", effOfflineNotify, 0, 0, 0.0f, T::Buffer, 0},
        {"effOfflinePrepare", effOfflinePrepare, 0, 0, 0.0f, T::Buffer, 0},
        {"effOfflineRun", effOfflineRun, 0, 0, 0.0f, T::Buffer, 0},
        {"effProcessVarIo", effProcessVarIo, 0, 0, 0.0f, T::Buffer, 0},
        {"effSetSpeakerArrangement", effSetSpeakerArrangement, 0, 0, 0.0f, T::Buffer, 0},
        {"effSetBlockSizeAndSampleRate", effSetBlockSizeAndSampleRate, 0, 64, 22050.0f, T::Nothing,
         0},
        {"effSetBypass on", effSetBypass, 0, 1, 0.0f, T::Nothing, 0},
        {"effSetBypass off", effSetBypass, 0, 0, 0.0f, T::Nothing, 0},
        {"effGetErrorText", effGetErrorText, 0, 0, 0.0f, T::Buffer, 0},
        {"effVendorSpecific", effVendorSpecific, 1, 2, 0.5f, T::Buffer, 0},
        {"effCanDo receiveVstMidiEvent", effCanDo, 0, 0, 0.0f, T::Text, 0, "receiveVstMidiEvent"},
        {"effCanDo sendVstEvents", effCanDo, 0, 0, 0.0f, T::Text, 0, "sendVstEvents"},
        {"effCanDo bypass", effCanDo, 0, 0, 0.0f, T::Text, 0, "bypass"},
        {"effCanDo empty", effCanDo, 0, 0, 0.0f, T::Text, 0, ""},
        {"effGetTailSize", effGetTailSize, 0, 0, 0.0f, T::Nothing, 0},
        {"effIdle", effIdle, 0, 0, 0.0f, T::Nothing, 0},
        {"effGetIcon", effGetIcon, 0, 0, 0.0f, T::Nothing, 0},
        {"effSetViewPosition", effSetViewPosition, 10, 20, 0.0f, T::Nothing, 0},
        {"effGetParameterProperties", effGetParameterProperties, 0, 0, 0.0f, T::Buffer, 0},
        {"effKeysRequired", effKeysRequired, 0, 0, 0.0f, T::Nothing, 0},
        {"effGetVstVersion", effGetVstVersion, 0, 0, 0.0f, T::Nothing, kVstVersionAnswer},
        {"effEditKeyDown", effEditKeyDown, 'a', 0, 0.0f, T::Nothing, 0},
        {"effEditKeyUp", effEditKeyUp, 'a', 0, 0.0f, T::Nothing, 0},
        {"effSetEditKnobMode", effSetEditKnobMode, 0, 2, 0.0f, T::Nothing, 0},
        {"effGetMidiProgramName", effGetMidiProgramName, 0, 0, 0.0f, T::Buffer, 0},
        {"effGetCurrentMidiProgram", effGetCurrentMidiProgram, 0, 0, 0.0f, T::Buffer, -1},
        {"effGetMidiProgramCategory", effGetMidiProgramCategory, 0, 0, 0.0f, T::Buffer, 0},
        {"effHasMidiProgramsChanged", effHasMidiProgramsChanged, 0, 0, 0.0f, T::Nothing, 0},
        {"effGetMidiKeyName", effGetMidiKeyName, 0, 0, 0.0f, T::Buffer, 0},
        {"effBeginSetProgram", effBeginSetProgram, 0, 0, 0.0f, T::Nothing, 0},
        {"effEndSetProgram", effEndSetProgram, 0, 0, 0.0f, T::Nothing, 0},
        {"effGetSpeakerArrangement", effGetSpeakerArrangement, 0, 0, 0.0f, T::SpeakerPair, 0},
        {"effShellGetNextPlugin", effShellGetNextPlugin, 0, 0, 0.0f, T::Buffer, 0},
        {"effStartProcess", effStartProcess, 0, 0, 0.0f, T::Nothing, 0},
        {"effStopProcess", effStopProcess, 0, 0, 0.0f, T::Nothing, 0},
        {"effSetTotalSampleToProcess", effSetTotalSampleToProcess, 0, 4096, 0.0f, T::Nothing, 4096},
        {"effSetPanLaw", effSetPanLaw, 0, 0, 0.70710678f, T::Nothing, 0},
        {"effBeginLoadBank", effBeginLoadBank, 0, 0, 0.0f, T::Buffer, 0},
        {"effBeginLoadProgram", effBeginLoadProgram, 0, 0, 0.0f, T::Buffer, 0},
        {"effSetProcessPrecision 32", effSetProcessPrecision, 0, kPrecision32, 0.0f, T::Nothing, 1},
        {"effSetProcessPrecision 64", effSetProcessPrecision, 0, kPrecision64, 0.0f, T::Nothing, 1},
        {"effGetNumMidiInputChannels", effGetNumMidiInputChannels, 0, 0, 0.0f, T::Nothing, 0},
        {"effGetNumMidiOutputChannels", effGetNumMidiOutputChannels, 0, 0, 0.0f, T::Nothing, 0},
        {"opcode 80", 80, 0, 0, 0.0f, T::Buffer, 0},
        {"opcode -1", -1, 0, 0, 0.0f, T::Buffer, 0},
        {"opcode INT_MIN", INT_MIN, 0, 0, 0.0f, T::Buffer, 0},
        {"opcode INT_MAX", INT_MAX, 0, 0, 0.0f, T::Buffer, 0},
    };
    return cases;
}

constexpr std::size_t kBufferBytes = 512;
constexpr char kBufferFill = static_cast<char>(0xA5);

// Everything of the record that must not move while the instance lives. initialDelay is
// left out: it follows the sample rate.
struct RecordSnapshot {
    AEffect record;
    std::vector<float> parameters;

    explicit RecordSnapshot(HostedEffect& effect) : record(effect.record()) {
        for (std::int32_t index = 0; index < record.numParams; ++index) {
            parameters.push_back(effect.parameter(index));
        }
    }
};

void expectUnchanged(const RecordSnapshot& before, HostedEffect& effect) {
    const RecordSnapshot after(effect);
    const AEffect& a = before.record;
    const AEffect& b = after.record;
    EXPECT_EQ(b.magic, a.magic);
    EXPECT_EQ(b.dispatcher, a.dispatcher);
    EXPECT_EQ(b.process, a.process);
    EXPECT_EQ(b.setParameter, a.setParameter);
    EXPECT_EQ(b.getParameter, a.getParameter);
    EXPECT_EQ(b.processReplacing, a.processReplacing);
    EXPECT_EQ(b.processDoubleReplacing, a.processDoubleReplacing);
    EXPECT_EQ(b.numPrograms, a.numPrograms);
    EXPECT_EQ(b.numParams, a.numParams);
    EXPECT_EQ(b.numInputs, a.numInputs);
    EXPECT_EQ(b.numOutputs, a.numOutputs);
    EXPECT_EQ(b.flags, a.flags);
    EXPECT_EQ(b.ioRatio, a.ioRatio);
    EXPECT_EQ(b.object, a.object);
    EXPECT_EQ(b.uniqueID, a.uniqueID);
    EXPECT_EQ(b.version, a.version);
    EXPECT_EQ(after.parameters, before.parameters);
}

TEST(Dispatcher, AnswersEveryOpcodeAsTheBaseClassesFixIt) {
    for (const OpcodeCase& c : opcodeCases()) {
        SCOPED_TRACE(c.name);
        RecordingHost host;
        HostedEffect effect(builtModule(), host);
        const RecordSnapshot before(effect);

        std::array<char, kBufferBytes> buffer;
        buffer.fill(kBufferFill);
        int slotTarget = 0;
        void* const sentinel = &slotTarget;
        void* slot = sentinel;
        void* speakerIn = sentinel;
        void* speakerOut = sentinel;
        std::string text = c.text;

        std::intptr_t value = c.value;
        void* ptr = nullptr;
        switch (c.through) {
        case Through::Nothing:
            break;
        case Through::Buffer:
            ptr = buffer.data();
            break;
        case Through::PointerSlot:
            ptr = &slot;
            break;
        case Through::SpeakerPair:
            value = reinterpret_cast<std::intptr_t>(&speakerIn);
            ptr = &speakerOut;
            break;
        case Through::Text:
            ptr = text.data();
            break;
        }

        EXPECT_EQ(effect.dispatch(c.opcode, c.index, value, ptr, c.opt), c.answer);

        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(),
                                [](char byte) { return byte == kBufferFill; }));
        EXPECT_EQ(slot, sentinel);
        if (c.through == Through::SpeakerPair) {
            EXPECT_EQ(speakerIn, nullptr);
            EXPECT_EQ(speakerOut, nullptr);
        }
        EXPECT_EQ(text, c.text);
        // Only program 0 exists, so no opcode here can leave another one current.
        EXPECT_EQ(effect.dispatch(effGetProgram), 0);
        expectUnchanged(before, effect);
        EXPECT_EQ(host.calls().size(), 1u);
    }
}

// A host may leave out any buffer: the opcodes that write through ptr (or value) then write
// nothing and answer as they would with one.
TEST(Dispatcher, NullBuffersAnswerAsRealOnes) {
    HostedEffect effect(builtModule());
    for (const OpcodeCase& c : opcodeCases()) {
        if (c.through == Through::Nothing) {
            continue;
        }
        SCOPED_TRACE(c.name);
        const std::intptr_t value = c.through == Through::SpeakerPair ? 0 : c.value;
        EXPECT_EQ(effect.dispatch(c.opcode, c.index, value, nullptr, c.opt), c.answer);
    }
    // Half-filled speaker requests: only the address that is given is written.
    void* speakerIn = &effect;
    EXPECT_EQ(effect.dispatch(effGetSpeakerArrangement, 0,
                              reinterpret_cast<std::intptr_t>(&speakerIn), nullptr),
              0);
    EXPECT_EQ(speakerIn, nullptr);
    void* speakerOut = &effect;
    EXPECT_EQ(effect.dispatch(effGetSpeakerArrangement, 0, 0, &speakerOut), 0);
    EXPECT_EQ(speakerOut, nullptr);
}

} // namespace
} // namespace calderine
