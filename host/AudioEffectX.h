// Extended effect base: answers opcodes 25..79 of the dispatcher and passes the deprecated ones
// and everything else down to AudioEffect. Adds operations, never data. The virtual operations
// are declared in their binary slot order after AudioEffect's; do not reorder them.
#pragma once

#include "host/AudioEffect.h"

#include <cstdint>

namespace calderine {

// Host-owned records that some opcodes point at. This effect never reads or writes them, so
// they stay incomplete here.
struct VstEvents;
struct VstParameterProperties;
struct VstPinProperties;
struct VstSpeakerArrangement;
struct VstVariableIo;
struct VstPatchChunkInfo;
struct VstAudioFile;
struct VstOfflineTask;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, std::int32_t numPrograms, std::int32_t numParams);

    // Any host thread, any state: decodes opcodes 25..79, the rest goes to AudioEffect.
    std::intptr_t dispatcher(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                             void* ptr, float opt) override;

    // Host thread, any state: every parameter may be automated.
    virtual bool canParameterBeAutomated(std::int32_t index);
    // Host thread: text-to-value parameter entry; unsupported.
    virtual bool string2parameter(std::int32_t index, char* text);
    virtual bool getParameterProperties(std::int32_t index, VstParameterProperties* properties);
    // Host thread: name of program `index` (category ignored) into a program-name buffer.
    virtual bool getProgramNameIndexed(std::int32_t category, std::int32_t index, char* text);
    // Host thread, suspended: program and bank load notifications; nothing to do.
    virtual bool beginSetProgram();
    virtual bool endSetProgram();
    virtual std::int32_t beginLoadBank(VstPatchChunkInfo* info);
    virtual std::int32_t beginLoadProgram(VstPatchChunkInfo* info);

    // Host thread, suspended: pin and speaker descriptions; unsupported.
    virtual bool getInputProperties(std::int32_t index, VstPinProperties* properties);
    virtual bool getOutputProperties(std::int32_t index, VstPinProperties* properties);
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output);
    // Host thread, suspended: writes null through each non-null address; answers false.
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** input,
                                       VstSpeakerArrangement** output);

    // Host thread, any state: host-side bypass request; not supported (no soft bypass).
    virtual bool setBypass(bool onOff);
    virtual bool setPanLaw(std::int32_t type, float value);
    // Host thread, suspended: 0 single, 1 double precision; both are processed.
    virtual bool setProcessPrecision(std::int32_t precision);
    virtual std::int32_t getNumMidiInputChannels();
    virtual std::int32_t getNumMidiOutputChannels();

    // Audio thread, resumed: events before a block; none are used.
    virtual std::int32_t processEvents(VstEvents* events);
    // Host thread, resumed: processing-run brackets; nothing to do.
    virtual std::int32_t startProcess();
    virtual std::int32_t stopProcess();
    virtual bool processVariableIo(VstVariableIo* io);
    // Host thread, offline: announced length in samples; answered back unchanged.
    virtual std::int32_t setTotalSampleToProcess(std::int32_t value);
    // Host thread: tail in samples after the input ends; 0 = none beyond the latency.
    virtual std::int32_t getTailSize();

    // Host thread, any state: identification texts and version; unset at this level.
    virtual bool getEffectName(char* name);
    virtual bool getVendorString(char* text);
    virtual bool getProductString(char* text);
    virtual std::int32_t getVendorVersion();
    virtual std::intptr_t vendorSpecific(std::int32_t index, std::intptr_t value, void* ptr,
                                         float opt);
    virtual std::int32_t canDo(char* text);
    virtual std::int32_t getVstVersion();
    virtual std::int32_t getPlugCategory();

    // Host thread: MIDI program queries; this effect has no MIDI programs.
    virtual std::int32_t getMidiProgramName(std::int32_t channel, MidiProgramName* name);
    virtual std::int32_t getCurrentMidiProgram(std::int32_t channel, MidiProgramName* current);
    virtual std::int32_t getMidiProgramCategory(std::int32_t channel,
                                                MidiProgramCategory* category);
    virtual bool hasMidiProgramsChanged(std::int32_t channel);
    virtual bool getMidiKeyName(std::int32_t channel, MidiKeyName* keyName);

    // Host thread: shell enumeration; this module holds one effect, not a shell.
    virtual std::int32_t getNextShellPlugin(char* name);

    // Host thread, offline processing interface; unsupported.
    virtual bool offlineNotify(VstAudioFile* files, std::int32_t numAudioFiles, bool start);
    virtual bool offlinePrepare(VstOfflineTask* tasks, std::int32_t count);
    virtual bool offlineRun(VstOfflineTask* tasks, std::int32_t count);
};

} // namespace calderine
