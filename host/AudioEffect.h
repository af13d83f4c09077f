// Base class of every effect: owns the record handed to the host and answers the base level
// (opcodes 0..24) of the dispatcher. The virtual operations are declared in their binary slot
// order; do not reorder, insert or remove any.
#pragma once

#include "host/AEffect.h"
#include "host/EffectEditor.h"

#include <cstdint>

namespace calderine {

class AudioEffect {
public:
    static constexpr float kDefaultSampleRate = 44100.0f;   // Hz, until the host sets one
    static constexpr std::int32_t kDefaultBlockSize = 1024; // frames, until the host sets one

    // Builds the record with the base values, numPrograms and numParams among them.
    AudioEffect(audioMasterCallback audioMaster, std::int32_t numPrograms, std::int32_t numParams);
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    // Host thread, after effClose: destroys the editor if one was ever set.
    virtual ~AudioEffect();

    // Any host thread, any state: decodes opcodes 0..24; every other opcode answers 0.
    virtual std::intptr_t dispatcher(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                     void* ptr, float opt);

    // Host thread, suspended: effOpen / effClose. Nothing to do at this level.
    virtual void open() {}
    virtual void close() {}
    // Host thread: effMainsChanged 0 (suspend) / non-zero (resume).
    virtual void suspend() {}
    virtual void resume() {}
    // Host thread, suspended: effSetSampleRate (Hz; the dispatcher passes on only finite
    // positive rates) / effSetBlockSize (maximum frames per call).
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(std::int32_t size) { blockSize = size; }

    // Audio thread, resumed: every effect supplies its own processing.
    virtual void processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames) = 0;
    // Audio thread, resumed: double-precision processing; the base leaves the outputs alone.
    virtual void processDoubleReplacing(double** inputs, double** outputs,
                                        std::int32_t sampleFrames);

    // Any host thread, any state: normalised parameter value in [0, 1].
    virtual void setParameter(std::int32_t index, float value);
    virtual float getParameter(std::int32_t index);
    // Effect's own thread: sets a parameter and reports it to the host as automation.
    virtual void setParameterAutomated(std::int32_t index, float value);

    // Host thread: current program number / program change (suspended).
    virtual std::int32_t getProgram() { return curProgram; }
    virtual void setProgram(std::int32_t program) { curProgram = program; }
    // Host thread: program name of the current program, host buffer of kMaxProgramNameChars + 1.
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    // Host thread: parameter texts written into host buffers.
    virtual void getParameterLabel(std::int32_t index, char* label);
    virtual void getParameterDisplay(std::int32_t index, char* text);
    virtual void getParameterName(std::int32_t index, char* text);

    // Host thread, suspended: opaque state blocks; unsupported at this level (answers 0).
    virtual std::int32_t getChunk(void** data, bool isPreset);
    virtual std::int32_t setChunk(void* data, std::int32_t byteSize, bool isPreset);

    // Effect's own constructor: record setters.
    virtual void setUniqueID(std::int32_t id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(std::int32_t inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(std::int32_t outputs) { cEffect.numOutputs = outputs; }
    virtual void canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
    virtual void canDoubleReplacing(bool state) { setFlag(effFlagsCanDoubleReplacing, state); }
    virtual void programsAreChunks(bool state) { setFlag(effFlagsProgramChunks, state); }
    // Effect's own thread, suspended: latency in samples, read by the host from the record.
    virtual void setInitialDelay(std::int32_t delay) { cEffect.initialDelay = delay; }

    virtual EffectEditor* getEditor() { return editor; }
    // Entry point: the record handed to the host; fixed for the instance's life.
    virtual AEffect* getAeffect() { return &cEffect; }
    virtual float getSampleRate() { return sampleRate; }
    virtual std::int32_t getBlockSize() { return blockSize; }

    // Host services: each sends one request to the host (0 / false when there is none).
    // Nothing in this effect calls them.
    virtual std::int32_t getMasterVersion();
    virtual std::int32_t getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(std::int32_t input);
    virtual bool isOutputConnected(std::int32_t output);

    // Value-to-text conversions into a buffer of maxLen + 1 bytes (zero-terminated, cut at
    // maxLen characters). Levels as linear amplitude, periods and durations in samples.
    virtual void dB2string(float value, char* text, std::int32_t maxLen);
    virtual void Hz2string(float samples, char* text, std::int32_t maxLen);
    virtual void ms2string(float samples, char* text, std::int32_t maxLen);
    virtual void float2string(float value, char* text, std::int32_t maxLen);
    virtual void int2string(std::int32_t value, char* text, std::int32_t maxLen);

    // Audio thread: deprecated accumulating processing; does nothing, the outputs stay as
    // they are.
    virtual void process(float** inputs, float** outputs, std::int32_t sampleFrames);
    // Deprecated metering and capability setters.
    virtual float getVu() { return 0.0f; }
    virtual void hasVu(bool state) { setFlag(effFlagsHasVu, state); }
    virtual void hasClip(bool state) { setFlag(effFlagsHasClip, state); }
    virtual void canMono(bool state) { setFlag(effFlagsCanMono, state); }
    virtual void setRealtimeQualities(std::int32_t qualities) { cEffect.realQualities = qualities; }
    virtual void setOfflineQualities(std::int32_t qualities) { cEffect.offQualities = qualities; }

protected:
    void setFlag(std::int32_t mask, bool state);
    // Sends one request to the host on behalf of this instance; 0 without a host.
    std::intptr_t callHost(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                           float opt);

    audioMasterCallback audioMaster;
    EffectEditor* editor = nullptr;
    float sampleRate = kDefaultSampleRate;
    std::int32_t blockSize = kDefaultBlockSize;
    std::int32_t curProgram = 0;
    // Also the one copy of the program and parameter counts: the host reads them from here.
    AEffect cEffect;
};

} // namespace calderine
