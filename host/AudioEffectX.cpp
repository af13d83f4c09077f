#include "host/AudioEffectX.h"

namespace calderine {

namespace {

std::int32_t narrow(std::intptr_t value) {
    return static_cast<std::int32_t>(value);
}

std::intptr_t answer(bool result) {
    return result ? 1 : 0;
}

// Answer of getCurrentMidiProgram: no MIDI program is selected.
constexpr std::int32_t kNoMidiProgram = -1;

} // namespace

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster, std::int32_t numPrograms,
                           std::int32_t numParams)
    : AudioEffect(audioMaster, numPrograms, numParams) {}

std::intptr_t AudioEffectX::dispatcher(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                       void* ptr, float opt) {
    char* const text = static_cast<char*>(ptr);
    switch (opcode) {
    case effProcessEvents:
        return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
        return answer(canParameterBeAutomated(index));
    // Text opcodes: a null buffer is neither read nor written, and answers 0.
    case effString2Parameter:
        return answer(text != nullptr && string2parameter(index, text));
    case effGetProgramNameIndexed:
        return answer(text != nullptr && getProgramNameIndexed(narrow(value), index, text));
    case effGetEffectName:
        return answer(text != nullptr && getEffectName(text));
    case effGetVendorString:
        return answer(text != nullptr && getVendorString(text));
    case effGetProductString:
        return answer(text != nullptr && getProductString(text));
    case effCanDo:
        return text != nullptr ? canDo(text) : 0;
    case effShellGetNextPlugin:
        return text != nullptr ? getNextShellPlugin(text) : 0;
    case effGetInputProperties:
        return answer(getInputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetOutputProperties:
        return answer(getOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetPlugCategory:
        return getPlugCategory();
    case effOfflineNotify:
        return answer(offlineNotify(static_cast<VstAudioFile*>(ptr), narrow(value), index != 0));
    case effOfflinePrepare:
        return answer(offlinePrepare(static_cast<VstOfflineTask*>(ptr), narrow(value)));
    case effOfflineRun:
        return answer(offlineRun(static_cast<VstOfflineTask*>(ptr), narrow(value)));
    case effProcessVarIo:
        return answer(processVariableIo(static_cast<VstVariableIo*>(ptr)));
    // The speaker opcodes carry the input side as an address in `value`.
    case effSetSpeakerArrangement:
        return answer(setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                            static_cast<VstSpeakerArrangement*>(ptr)));
    case effGetSpeakerArrangement:
        return answer(getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                            static_cast<VstSpeakerArrangement**>(ptr)));
    case effSetBypass:
        return answer(setBypass(value != 0));
    case effGetVendorVersion:
        return getVendorVersion();
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effGetTailSize:
        return getTailSize();
    case effGetParameterProperties:
        return answer(getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
    case effGetVstVersion:
        return getVstVersion();
    // No editor: key and knob-mode requests are refused, nothing is written.
    case effEditKeyDown:
    case effEditKeyUp:
    case effSetEditKnobMode:
        return 0;
    case effGetMidiProgramName:
        return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case effGetCurrentMidiProgram:
        return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
        return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged:
        return answer(hasMidiProgramsChanged(index));
    case effGetMidiKeyName:
        return answer(getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
    case effBeginSetProgram:
        return answer(beginSetProgram());
    case effEndSetProgram:
        return answer(endSetProgram());
    case effStartProcess:
        return startProcess();
    case effStopProcess:
        return stopProcess();
    case effSetTotalSampleToProcess:
        return setTotalSampleToProcess(narrow(value));
    case effSetPanLaw:
        return answer(setPanLaw(narrow(value), opt));
    case effBeginLoadBank:
        return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
    case effBeginLoadProgram:
        return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
    case effSetProcessPrecision:
        return answer(setProcessPrecision(narrow(value)));
    case effGetNumMidiInputChannels:
        return getNumMidiInputChannels();
    case effGetNumMidiOutputChannels:
        return getNumMidiOutputChannels();
    default:
        // Deprecated extended opcodes and everything outside 25..79, unchanged.
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

bool AudioEffectX::canParameterBeAutomated(std::int32_t) {
    return true;
}
bool AudioEffectX::string2parameter(std::int32_t, char*) {
    return false;
}
bool AudioEffectX::getParameterProperties(std::int32_t, VstParameterProperties*) {
    return false;
}
bool AudioEffectX::getProgramNameIndexed(std::int32_t, std::int32_t, char*) {
    return false;
}
bool AudioEffectX::beginSetProgram() {
    return false;
}
bool AudioEffectX::endSetProgram() {
    return false;
}
std::int32_t AudioEffectX::beginLoadBank(VstPatchChunkInfo*) {
    return 0;
}
std::int32_t AudioEffectX::beginLoadProgram(VstPatchChunkInfo*) {
    return 0;
}

bool AudioEffectX::getInputProperties(std::int32_t, VstPinProperties*) {
    return false;
}
bool AudioEffectX::getOutputProperties(std::int32_t, VstPinProperties*) {
    return false;
}
bool AudioEffectX::setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) {
    return false;
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** input,
                                         VstSpeakerArrangement** output) {
    if (input != nullptr)
        *input = nullptr;
    if (output != nullptr)
        *output = nullptr;
    return false;
}

bool AudioEffectX::setBypass(bool) {
    return false;
}
bool AudioEffectX::setPanLaw(std::int32_t, float) {
    return false;
}
bool AudioEffectX::setProcessPrecision(std::int32_t) {
    return true;
}
std::int32_t AudioEffectX::getNumMidiInputChannels() {
    return 0;
}
std::int32_t AudioEffectX::getNumMidiOutputChannels() {
    return 0;
}

std::int32_t AudioEffectX::processEvents(VstEvents*) {
    return 0;
}
std::int32_t AudioEffectX::startProcess() {
    return 0;
}
std::int32_t AudioEffectX::stopProcess() {
    return 0;
}
bool AudioEffectX::processVariableIo(VstVariableIo*) {
    return false;
}
std::int32_t AudioEffectX::setTotalSampleToProcess(std::int32_t value) {
    return value;
}
std::int32_t AudioEffectX::getTailSize() {
    return 0;
}

bool AudioEffectX::getEffectName(char*) {
    return false;
}
bool AudioEffectX::getVendorString(char*) {
    return false;
}
bool AudioEffectX::getProductString(char*) {
    return false;
}
std::int32_t AudioEffectX::getVendorVersion() {
    return 0;
}
std::intptr_t AudioEffectX::vendorSpecific(std::int32_t, std::intptr_t, void*, float) {
    return 0;
}
std::int32_t AudioEffectX::canDo(char*) {
    return 0;
}
std::int32_t AudioEffectX::getVstVersion() {
    return kVstVersion;
}
std::int32_t AudioEffectX::getPlugCategory() {
    return kPlugCategEffect;
}

std::int32_t AudioEffectX::getMidiProgramName(std::int32_t, MidiProgramName*) {
    return 0;
}
std::int32_t AudioEffectX::getCurrentMidiProgram(std::int32_t, MidiProgramName*) {
    return kNoMidiProgram;
}
std::int32_t AudioEffectX::getMidiProgramCategory(std::int32_t, MidiProgramCategory*) {
    return 0;
}
bool AudioEffectX::hasMidiProgramsChanged(std::int32_t) {
    return false;
}
bool AudioEffectX::getMidiKeyName(std::int32_t, MidiKeyName*) {
    return false;
}

std::int32_t AudioEffectX::getNextShellPlugin(char*) {
    return 0;
}

bool AudioEffectX::offlineNotify(VstAudioFile*, std::int32_t, bool) {
    return false;
}
bool AudioEffectX::offlinePrepare(VstOfflineTask*, std::int32_t) {
    return false;
}
bool AudioEffectX::offlineRun(VstOfflineTask*, std::int32_t) {
    return false;
}

} // namespace calderine
