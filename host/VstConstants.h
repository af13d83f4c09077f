// Numbers of the VST 2.4 binary interface: opcodes, flag bits and four-character codes.
// Each value is fixed by the published interface and written here once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace calderine {

// Packs a four-character code with the first character in the most significant byte,
// so fourCharCode("VstP") == 0x56737450.
constexpr std::int32_t fourCharCode(const char (&code)[5]) {
    return static_cast<std::int32_t>(
        (static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
        (static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
        (static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
        static_cast<std::uint32_t>(static_cast<unsigned char>(code[3])));
}

// Four-character codes.
inline constexpr std::int32_t kEffectMagic = fourCharCode("VstP"); // AEffect::magic
inline constexpr std::int32_t kDefaultUniqueId =
    fourCharCode("NoEf"); // before a subclass sets its own
inline constexpr std::int32_t kIdentifyAnswer = fourCharCode("NvEf"); // answer to effIdentify

// Interface version this module implements, answered to effGetVstVersion.
inline constexpr std::int32_t kVstVersion = 2400;

// Longest texts, in characters, that the host's buffers take; every buffer holds one byte
// more for the terminating zero.
inline constexpr std::size_t kMaxParamStrChars = 8;   // parameter label and display
inline constexpr std::size_t kMaxParamNameChars = 31; // parameter name
inline constexpr std::size_t kMaxProgramNameChars = 24;
inline constexpr std::size_t kMaxEffectNameChars = 32;
inline constexpr std::size_t kMaxVendorStrChars = 64;
inline constexpr std::size_t kMaxProductStrChars = 64;

// Plug-in categories (answer of effGetPlugCategory).
inline constexpr std::int32_t kPlugCategUnknown = 0;
inline constexpr std::int32_t kPlugCategEffect = 1;

// AEffect::flags bits.
inline constexpr std::int32_t effFlagsHasEditor = 1 << 0;
inline constexpr std::int32_t effFlagsHasClip = 1 << 1;
inline constexpr std::int32_t effFlagsHasVu = 1 << 2;
inline constexpr std::int32_t effFlagsCanMono = 1 << 3; // deprecated
inline constexpr std::int32_t effFlagsCanReplacing = 1 << 4;
inline constexpr std::int32_t effFlagsProgramChunks = 1 << 5;
inline constexpr std::int32_t effFlagsIsSynth = 1 << 8;
inline constexpr std::int32_t effFlagsCanDoubleReplacing = 1 << 12;

// Requests from the effect to the host (audioMasterCallback opcodes). The version query at
// creation is the only one this module ever sends; the others back base-class services that
// nothing here calls.
inline constexpr std::int32_t audioMasterAutomate = 0;
inline constexpr std::int32_t audioMasterVersion = 1;
inline constexpr std::int32_t audioMasterCurrentId = 2;
inline constexpr std::int32_t audioMasterIdle = 3;
inline constexpr std::int32_t audioMasterPinConnected = 4; // deprecated; answers 0 when connected

// Requests from the host to the effect (dispatcher opcodes). 0..24 belong to the base level,
// 25..79 to the extended level.
inline constexpr std::int32_t effOpen = 0;
inline constexpr std::int32_t effClose = 1;
inline constexpr std::int32_t effSetProgram = 2;
inline constexpr std::int32_t effGetProgram = 3;
inline constexpr std::int32_t effSetProgramName = 4;
inline constexpr std::int32_t effGetProgramName = 5;
inline constexpr std::int32_t effGetParamLabel = 6;
inline constexpr std::int32_t effGetParamDisplay = 7;
inline constexpr std::int32_t effGetParamName = 8;
inline constexpr std::int32_t effGetVu = 9; // deprecated
inline constexpr std::int32_t effSetSampleRate = 10;
inline constexpr std::int32_t effSetBlockSize = 11;
inline constexpr std::int32_t effMainsChanged = 12;
inline constexpr std::int32_t effEditGetRect = 13;
inline constexpr std::int32_t effEditOpen = 14;
inline constexpr std::int32_t effEditClose = 15;
inline constexpr std::int32_t effEditDraw = 16;  // deprecated
inline constexpr std::int32_t effEditMouse = 17; // deprecated
inline constexpr std::int32_t effEditKey = 18;   // deprecated
inline constexpr std::int32_t effEditIdle = 19;
inline constexpr std::int32_t effEditTop = 20;   // deprecated
inline constexpr std::int32_t effEditSleep = 21; // deprecated
inline constexpr std::int32_t effIdentify = 22;  // deprecated, still answered
inline constexpr std::int32_t effGetChunk = 23;
inline constexpr std::int32_t effSetChunk = 24;
inline constexpr std::int32_t effProcessEvents = 25;
inline constexpr std::int32_t effCanBeAutomated = 26;
inline constexpr std::int32_t effString2Parameter = 27;
inline constexpr std::int32_t effGetNumProgramCategories = 28; // deprecated
inline constexpr std::int32_t effGetProgramNameIndexed = 29;
inline constexpr std::int32_t effCopyProgram = 30;   // deprecated
inline constexpr std::int32_t effConnectInput = 31;  // deprecated
inline constexpr std::int32_t effConnectOutput = 32; // deprecated
inline constexpr std::int32_t effGetInputProperties = 33;
inline constexpr std::int32_t effGetOutputProperties = 34;
inline constexpr std::int32_t effGetPlugCategory = 35;
inline constexpr std::int32_t effGetCurrentPosition = 36;   // deprecated
inline constexpr std::int32_t effGetDestinationBuffer = 37; // deprecated
inline constexpr std::int32_t effOfflineNotify = 38;
inline constexpr std::int32_t effOfflinePrepare = 39;
inline constexpr std::int32_t effOfflineRun = 40;
inline constexpr std::int32_t effProcessVarIo = 41;
inline constexpr std::int32_t effSetSpeakerArrangement = 42;
inline constexpr std::int32_t effSetBlockSizeAndSampleRate = 43; // deprecated
inline constexpr std::int32_t effSetBypass = 44;
inline constexpr std::int32_t effGetEffectName = 45;
inline constexpr std::int32_t effGetErrorText = 46; // deprecated
inline constexpr std::int32_t effGetVendorString = 47;
inline constexpr std::int32_t effGetProductString = 48;
inline constexpr std::int32_t effGetVendorVersion = 49;
inline constexpr std::int32_t effVendorSpecific = 50;
inline constexpr std::int32_t effCanDo = 51;
inline constexpr std::int32_t effGetTailSize = 52;
inline constexpr std::int32_t effIdle = 53;            // deprecated
inline constexpr std::int32_t effGetIcon = 54;         // deprecated
inline constexpr std::int32_t effSetViewPosition = 55; // deprecated
inline constexpr std::int32_t effGetParameterProperties = 56;
inline constexpr std::int32_t effKeysRequired = 57; // deprecated
inline constexpr std::int32_t effGetVstVersion = 58;
inline constexpr std::int32_t effEditKeyDown = 59;
inline constexpr std::int32_t effEditKeyUp = 60;
inline constexpr std::int32_t effSetEditKnobMode = 61;
inline constexpr std::int32_t effGetMidiProgramName = 62;
inline constexpr std::int32_t effGetCurrentMidiProgram = 63;
inline constexpr std::int32_t effGetMidiProgramCategory = 64;
inline constexpr std::int32_t effHasMidiProgramsChanged = 65;
inline constexpr std::int32_t effGetMidiKeyName = 66;
inline constexpr std::int32_t effBeginSetProgram = 67;
inline constexpr std::int32_t effEndSetProgram = 68;
inline constexpr std::int32_t effGetSpeakerArrangement = 69;
inline constexpr std::int32_t effShellGetNextPlugin = 70;
inline constexpr std::int32_t effStartProcess = 71;
inline constexpr std::int32_t effStopProcess = 72;
inline constexpr std::int32_t effSetTotalSampleToProcess = 73;
inline constexpr std::int32_t effSetPanLaw = 74;
inline constexpr std::int32_t effBeginLoadBank = 75;
inline constexpr std::int32_t effBeginLoadProgram = 76;
inline constexpr std::int32_t effSetProcessPrecision = 77;
inline constexpr std::int32_t effGetNumMidiInputChannels = 78;
inline constexpr std::int32_t effGetNumMidiOutputChannels = 79;

// First and last opcode of each dispatch level.
inline constexpr std::int32_t kFirstBaseOpcode = effOpen;
inline constexpr std::int32_t kLastBaseOpcode = effSetChunk;
inline constexpr std::int32_t kFirstExtendedOpcode = effProcessEvents;
inline constexpr std::int32_t kLastExtendedOpcode = effGetNumMidiOutputChannels;

} // namespace calderine
