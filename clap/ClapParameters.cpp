#include "clap/ClapParameters.h"

#include "clap/ClapInstance.h"
#include "effect/ParameterText.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace calderine::clap {

// Ids are the table's indices: the table only ever grows at its end.
bool parameterIndex(ClapId id, std::size_t& index) noexcept {
    if (id >= kParameterCount) {
        return false;
    }
    index = id;
    return true;
}

namespace {

std::uint32_t flagsOf(const ParameterDescriptor& d) noexcept {
    std::uint32_t flags = kParamIsAutomatable;
    if (d.kind == ParameterKind::Switch) {
        flags |= kParamIsStepped | kParamIsBypass;
    } else if (d.choices != nullptr) {
        flags |= kParamIsStepped | kParamIsEnum;
    }
    return flags;
}

// Writes text, shortened to the capacity with its terminating zero.
void copyText(const char* text, char* out, std::size_t capacity) noexcept {
    if (capacity == 0) {
        return;
    }
    const std::size_t length = std::min(std::strlen(text), capacity - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
}

// Main thread.
std::uint32_t CALDERINE_CLAP_CALL count(const ClapPlugin*) {
    return static_cast<std::uint32_t>(kParameterCount);
}

// Main thread.
bool CALDERINE_CLAP_CALL getInfo(const ClapPlugin*, std::uint32_t position, ClapParamInfo* info) {
    if (position >= kParameterCount || info == nullptr) {
        return false;
    }
    const ParameterDescriptor& d = kParameterTable[position];
    *info = ClapParamInfo{};
    info->id = position;
    info->flags = flagsOf(d);
    copyText(d.name, info->name, sizeof info->name);
    info->min_value = d.minimum;
    info->max_value = d.maximum;
    info->default_value = d.defaultValue;
    return true;
}

// Main thread: the stored value, one just set included.
bool CALDERINE_CLAP_CALL getValue(const ClapPlugin* plugin, ClapId id, double* value) {
    std::size_t index = 0;
    if (value == nullptr || !parameterIndex(id, index)) {
        return false;
    }
    *value = ClapInstance::of(plugin).core().plain(index);
    return true;
}

// Main thread.
bool CALDERINE_CLAP_CALL valueToText(const ClapPlugin* plugin, ClapId id, double value, char* text,
                                     std::uint32_t capacity) {
    std::size_t index = 0;
    if (text == nullptr || capacity == 0 || !parameterIndex(id, index)) {
        return false;
    }
    char buffer[kValueTextLength + 1];
    valueText(ClapInstance::of(plugin).core().parameter(index), value, buffer);
    copyText(buffer, text, capacity);
    return true;
}

// Main thread.
bool CALDERINE_CLAP_CALL textToValue(const ClapPlugin* plugin, ClapId id, const char* text,
                                     double* value) {
    std::size_t index = 0;
    if (text == nullptr || value == nullptr || !parameterIndex(id, index)) {
        return false;
    }
    return plainFromText(ClapInstance::of(plugin).core().parameter(index), text, *value);
}

// Audio thread while processing, otherwise main thread.
void CALDERINE_CLAP_CALL flush(const ClapPlugin* plugin, const ClapInputEvents* in,
                               const ClapOutputEvents*) {
    ClapInstance::of(plugin).flush(in);
}

const ClapPluginParams kParameters{count, getInfo, getValue, valueToText, textToValue, flush};

} // namespace

const ClapPluginParams& parametersExtension() noexcept {
    return kParameters;
}

} // namespace calderine::clap
