#include "plugin/plugin.h"

#include "host/HostText.h"

#include <cstddef>
#include <cstdint>

namespace calderine {

static_assert(plugin::kFlags == 0x1018);
static_assert(plugin::kUniqueId == 0x434C4452);

plugin::plugin(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParameters) {
    cEffect.flags |= kFlags;
    cEffect.numInputs = kNumChannels;
    cEffect.numOutputs = kNumChannels;
    cEffect.uniqueID = kUniqueId;
    // The core is built for kDefaultSampleRate, with every default applied.
    setInitialDelay(static_cast<std::int32_t>(core.latency()));
    copyHostText(programNames[0].data(), kDefaultProgramName, kMaxProgramNameChars);
    saveProgramValues();
}

plugin::~plugin() = default;

AudioEffect* createPluginInstance(audioMasterCallback audioMaster) {
    return new plugin(audioMaster);
}

void plugin::suspend() {
    core.suspend();
}

void plugin::resume() {
    core.resume();
}

void plugin::setSampleRate(float rate) {
    if (!core.setSampleRate(rate)) {
        return; // not served, or out of memory: all stays as it was
    }
    // Stored only: this effect sends the host nothing after creation.
    setInitialDelay(static_cast<std::int32_t>(core.latency()));
    sampleRate = rate;
}

void plugin::processReplacing(float** inputs, float** outputs, std::int32_t count) {
    core.process(inputs, outputs, count);
}

void plugin::processDoubleReplacing(double** inputs, double** outputs, std::int32_t count) {
    core.process(inputs, outputs, count);
}

std::size_t plugin::coreIndex(std::int32_t index) noexcept {
    const auto i = static_cast<std::uint32_t>(index);
    return i < kParameterCount ? i : kParameterCount;
}

void plugin::setParameter(std::int32_t index, float normalized) {
    if (const std::size_t i = coreIndex(index); i < kParameterCount) {
        core.setNormalized(i, normalized);
    }
}

float plugin::getParameter(std::int32_t index) {
    const std::size_t i = coreIndex(index);
    return i < kParameterCount ? core.normalized(i) : 0.0f;
}

void plugin::saveProgramValues() noexcept {
    for (std::size_t index = 0; index < kParameterCount; ++index) {
        programValues[static_cast<std::size_t>(curProgram)][index] = core.normalized(index);
    }
}

void plugin::setProgram(std::int32_t program) {
    if (program < 0 || program >= kNumPrograms) {
        return;
    }
    saveProgramValues();
    curProgram = program;
    core.setAllNormalized(programValues[static_cast<std::size_t>(curProgram)]);
}

void plugin::setProgramName(char* name) {
    if (name == nullptr) {
        return;
    }
    copyHostText(programNames[static_cast<std::size_t>(curProgram)].data(), name,
                 kMaxProgramNameChars);
}

void plugin::getProgramName(char* name) {
    copyHostText(name, programNames[static_cast<std::size_t>(curProgram)].data(),
                 kMaxProgramNameChars);
}

void plugin::getParameterLabel(std::int32_t index, char* label) {
    if (const std::size_t i = coreIndex(index); i < kParameterCount) {
        copyHostText(label, kParameterTable[i].unit, kMaxParamStrChars);
    }
}

void plugin::getParameterDisplay(std::int32_t index, char* text) {
    if (const std::size_t i = coreIndex(index); i < kParameterCount && text != nullptr) {
        core.displayText(i, text);
    }
}

void plugin::getParameterName(std::int32_t index, char* text) {
    if (const std::size_t i = coreIndex(index); i < kParameterCount) {
        copyHostText(text, kParameterTable[i].name, kMaxParamNameChars);
    }
}

bool plugin::getProgramNameIndexed(std::int32_t, std::int32_t index, char* text) {
    if (index != 0 || text == nullptr) {
        return false;
    }
    copyHostText(text, programNames[0].data(), kMaxProgramNameChars);
    return true;
}

bool plugin::getEffectName(char* name) {
    copyHostText(name, kEffectName, kMaxEffectNameChars);
    return name != nullptr;
}

bool plugin::getVendorString(char* text) {
    copyHostText(text, kVendorName, kMaxVendorStrChars);
    return text != nullptr;
}

bool plugin::getProductString(char* text) {
    copyHostText(text, kProductName, kMaxProductStrChars);
    return text != nullptr;
}

std::int32_t plugin::getVendorVersion() {
    return kVendorVersion;
}

} // namespace calderine
