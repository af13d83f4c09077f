#include "host/AudioEffect.h"

#include "host/HostText.h"
#include "host/RecordEntries.h"

#include <cmath>
#include <cstdio>

namespace calderine {

namespace {

// Values that the host carries in the pointer-sized `value` but that operations take as int32
// are cut to their low 32 bits.
std::int32_t narrow(std::intptr_t value) {
    return static_cast<std::int32_t>(value);
}

// Deprecated quality settings and `ioRatio` keep these values for the instance's life.
constexpr float kUnitIoRatio = 1.0f;
constexpr std::int32_t kRecordVersion = 1;

// Room for any formatted number; the result is then cut to the caller's length.
constexpr std::size_t kFormatBufferBytes = 64;

void writeFormatted(char* text, std::int32_t maxLen, const char* format, double value) {
    if (text == nullptr || maxLen < 0)
        return;
    char formatted[kFormatBufferBytes];
    std::snprintf(formatted, sizeof formatted, format, value);
    copyHostText(text, formatted, static_cast<std::size_t>(maxLen));
}

} // namespace

AudioEffect::AudioEffect(audioMasterCallback master, std::int32_t programs, std::int32_t params)
    : audioMaster(master), cEffect{} {
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = &dispatcherEntry;
    cEffect.process = &processEntry;
    cEffect.setParameter = &setParameterEntry;
    cEffect.getParameter = &getParameterEntry;
    cEffect.numPrograms = programs;
    cEffect.numParams = params;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = effFlagsCanReplacing;
    cEffect.ioRatio = kUnitIoRatio;
    cEffect.object = this;
    cEffect.uniqueID = kDefaultUniqueId;
    cEffect.version = kRecordVersion;
    cEffect.processReplacing = &processReplacingEntry;
    cEffect.processDoubleReplacing = &processDoubleReplacingEntry;
}

AudioEffect::~AudioEffect() {
    delete editor;
}

std::intptr_t AudioEffect::dispatcher(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                      void* ptr, float opt) {
    char* const text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        // Checked on the full pointer-sized value, so that no out-of-range number narrows
        // into a valid one.
        if (value >= 0 && value < cEffect.numPrograms)
            setProgram(narrow(value));
        return 0;
    case effGetProgram:
        return getProgram();
    // Text opcodes: a null buffer is neither read nor written.
    case effSetProgramName:
        if (text != nullptr)
            setProgramName(text);
        return 0;
    case effGetProgramName:
        if (text != nullptr)
            getProgramName(text);
        return 0;
    case effGetParamLabel:
        if (text != nullptr)
            getParameterLabel(index, text);
        return 0;
    case effGetParamDisplay:
        if (text != nullptr)
            getParameterDisplay(index, text);
        return 0;
    case effGetParamName:
        if (text != nullptr)
            getParameterName(index, text);
        return 0;
    case effSetSampleRate:
        // A rate that is not a finite positive number cannot size anything; keep the last one.
        if (std::isfinite(opt) && opt > 0.0f)
            setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(narrow(value));
        return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effIdentify:
        return kIdentifyAnswer;
    case effGetChunk:
        return ptr != nullptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
        return setChunk(ptr, narrow(value), index != 0);
    // No editor: nothing is opened, drawn or written through ptr.
    case effEditGetRect:
    case effEditOpen:
    case effEditClose:
    case effEditIdle:
        return 0;
    default:
        // Deprecated opcodes of this level and every number it does not own.
        return 0;
    }
}

void AudioEffect::processDoubleReplacing(double**, double**, std::int32_t) {}

void AudioEffect::setParameter(std::int32_t, float) {}

float AudioEffect::getParameter(std::int32_t) {
    return 0.0f;
}

void AudioEffect::setParameterAutomated(std::int32_t index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::setProgramName(char*) {}

void AudioEffect::getProgramName(char* name) {
    if (name != nullptr)
        *name = '\0';
}

void AudioEffect::getParameterLabel(std::int32_t, char* label) {
    if (label != nullptr)
        *label = '\0';
}

void AudioEffect::getParameterDisplay(std::int32_t, char* text) {
    if (text != nullptr)
        *text = '\0';
}

void AudioEffect::getParameterName(std::int32_t, char* text) {
    if (text != nullptr)
        *text = '\0';
}

std::int32_t AudioEffect::getChunk(void**, bool) {
    return 0;
}

std::int32_t AudioEffect::setChunk(void*, std::int32_t, bool) {
    return 0;
}

std::int32_t AudioEffect::getMasterVersion() {
    return narrow(callHost(audioMasterVersion, 0, 0, nullptr, 0.0f));
}

std::int32_t AudioEffect::getCurrentUniqueId() {
    return narrow(callHost(audioMasterCurrentId, 0, 0, nullptr, 0.0f));
}

void AudioEffect::masterIdle() {
    callHost(audioMasterIdle, 0, 0, nullptr, 0.0f);
}

// The pin query answers 0 for a connected pin; value 0 asks about inputs, 1 about outputs.
bool AudioEffect::isInputConnected(std::int32_t input) {
    return audioMaster != nullptr &&
           callHost(audioMasterPinConnected, input, 0, nullptr, 0.0f) == 0;
}

bool AudioEffect::isOutputConnected(std::int32_t output) {
    return audioMaster != nullptr &&
           callHost(audioMasterPinConnected, output, 1, nullptr, 0.0f) == 0;
}

void AudioEffect::dB2string(float value, char* text, std::int32_t maxLen) {
    if (value <= 0.0f) {
        if (text != nullptr && maxLen >= 0)
            copyHostText(text, "-oo", static_cast<std::size_t>(maxLen));
        return;
    }
    writeFormatted(text, maxLen, "%.2f", 20.0 * std::log10(static_cast<double>(value)));
}

void AudioEffect::Hz2string(float samples, char* text, std::int32_t maxLen) {
    const double hz = samples != 0.0f ? static_cast<double>(sampleRate) / samples : 0.0;
    writeFormatted(text, maxLen, "%.2f", hz);
}

void AudioEffect::ms2string(float samples, char* text, std::int32_t maxLen) {
    const double ms = sampleRate != 0.0f ? static_cast<double>(samples) * 1000.0 / sampleRate : 0.0;
    writeFormatted(text, maxLen, "%.2f", ms);
}

void AudioEffect::float2string(float value, char* text, std::int32_t maxLen) {
    writeFormatted(text, maxLen, "%.2f", static_cast<double>(value));
}

void AudioEffect::int2string(std::int32_t value, char* text, std::int32_t maxLen) {
    writeFormatted(text, maxLen, "%.0f", static_cast<double>(value));
}

void AudioEffect::process(float**, float**, std::int32_t) {}

void AudioEffect::setFlag(std::int32_t mask, bool state) {
    if (state)
        cEffect.flags |= mask;
    else
        cEffect.flags &= ~mask;
}

std::intptr_t AudioEffect::callHost(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                    void* ptr, float opt) {
    return audioMaster != nullptr ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

} // namespace calderine
