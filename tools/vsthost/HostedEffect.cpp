#include "tools/vsthost/HostedEffect.h"

#include "tools/vsthost/HostError.h"
#include "tools/vsthost/RecordLimits.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

namespace calderine {

namespace {

constexpr std::intptr_t kMainsOff = 0;
constexpr std::intptr_t kMainsOn = 1;

std::string describe(const PluginModule& module) {
    // Appended step by step: GCC 12 reports a false -Wrestrict for "'" + std::string at -O3.
    std::string quoted = "'";
    quoted += module.path().string();
    quoted += '\'';
    return quoted;
}

// The entries a host cannot do without, by name, or empty when the record has them all.
std::string missingEntries(const AEffect& record) {
    std::string missing;
    auto note = [&missing](bool present, const char* name) {
        if (!present) {
            missing += missing.empty() ? "" : " and ";
            missing += name;
        }
    };
    note(record.setParameter != nullptr, "setParameter");
    note(record.getParameter != nullptr, "getParameter");
    return missing;
}

// Where a text cut at `length` bytes splits a UTF-8 character, the cut moves back before it.
std::size_t characterBoundary(const char* text, std::size_t length) {
    constexpr unsigned char kContinuationMask = 0xC0;
    constexpr unsigned char kContinuation = 0x80;
    while (length > 0 &&
           (static_cast<unsigned char>(text[length]) & kContinuationMask) == kContinuation) {
        --length;
    }
    return length;
}

template <typename Sample>
std::int32_t blockFrames(const std::vector<std::vector<Sample>>& inputs,
                         const std::vector<std::vector<Sample>>& outputs) {
    const auto frames = !inputs.empty()    ? inputs.front().size()
                        : !outputs.empty() ? outputs.front().size()
                                           : 0;
    auto sameLength = [frames](const auto& channel) { return channel.size() == frames; };
    for (const auto& channel : inputs) {
        if (!sameLength(channel)) {
            throw std::invalid_argument("all channels of a block must have the same length");
        }
    }
    for (const auto& channel : outputs) {
        if (!sameLength(channel)) {
            throw std::invalid_argument("all channels of a block must have the same length");
        }
    }
    if (frames > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw std::invalid_argument("a block cannot exceed 2^31 - 1 frames");
    }
    return static_cast<std::int32_t>(frames);
}

} // namespace

HostedEffect::HostedEffect(std::shared_ptr<const PluginModule> module, EffectHost& host)
    : loadedModule(std::move(module)), effectHost(&host), textBuffer(kTextBufferBytes) {
    if (!loadedModule) {
        throw std::invalid_argument("HostedEffect needs a loaded module");
    }
    AEffect* created = effectHost->instantiate(loadedModule->entry());
    if (created == nullptr) {
        throw HostError("the entry point of " + describe(*loadedModule) + " returned no effect");
    }
    // Without the magic number nothing else in the record can be trusted, not even the
    // dispatcher that would close it, so such a record is abandoned, not closed.
    if (created->magic != kEffectMagic) {
        effectHost->forget(created);
        throw HostError("the entry point of " + describe(*loadedModule) +
                        " returned a record without the effect magic number");
    }
    // Nor can a record without a dispatcher be closed.
    if (created->dispatcher == nullptr) {
        effectHost->forget(created);
        throw HostError("the record of " + describe(*loadedModule) + " leaves out its dispatcher");
    }
    effect = created;
    try {
        if (const std::string missing = missingEntries(*created); !missing.empty()) {
            throw HostError("the record of " + describe(*loadedModule) + " leaves out its " +
                            missing);
        }
        checkRecord();
    } catch (const HostError&) {
        close();
        throw;
    }
}

HostedEffect::~HostedEffect() {
    if (isOpen()) {
        close();
    }
}

AEffect& HostedEffect::record() const {
    if (effect == nullptr) {
        throw HostError("the effect of " + describe(*loadedModule) + " is closed");
    }
    return *effect;
}

void HostedEffect::checkRecord() const {
    inputCount();
    outputCount();
    parameterCount();
    programCount();
    latency();
}

std::int32_t HostedEffect::bounded(std::int32_t count, std::int32_t most, const char* what) const {
    if (count < 0 || count > most) {
        throw HostError("the effect of " + describe(*loadedModule) + " reports " +
                        std::to_string(count) + " " + what + "; a host takes 0 to " +
                        std::to_string(most));
    }
    return count;
}

std::int32_t HostedEffect::inputCount() const {
    return bounded(record().numInputs, kMostChannels, "inputs");
}

std::int32_t HostedEffect::outputCount() const {
    return bounded(record().numOutputs, kMostChannels, "outputs");
}

std::int32_t HostedEffect::latency() const {
    const std::int32_t frames = record().initialDelay;
    if (frames < 0) {
        throw HostError("the effect of " + describe(*loadedModule) + " reports a latency of " +
                        std::to_string(frames) + " samples; a latency cannot be negative");
    }
    return frames;
}

std::intptr_t HostedEffect::dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                     void* ptr, float opt) {
    AEffect& live = record();
    return live.dispatcher(&live, opcode, index, value, ptr, opt);
}

std::string HostedEffect::text(std::int32_t opcode, std::int32_t index) {
    // Cleared as far as it is read, so that an effect writing nothing or leaving out the
    // terminator leaves nothing of an earlier text; a text longer than that is cut.
    char* const buffer = textBuffer.data();
    std::fill_n(buffer, kLongestText + 1, '\0');
    dispatch(opcode, index, 0, buffer);
    const std::size_t length =
        static_cast<std::size_t>(std::find(buffer, buffer + kLongestText, '\0') - buffer);
    return std::string(buffer, length == kLongestText ? characterBoundary(buffer, length) : length);
}

std::string HostedEffect::effectName() {
    return text(effGetEffectName);
}
std::string HostedEffect::vendorString() {
    return text(effGetVendorString);
}
std::string HostedEffect::productString() {
    return text(effGetProductString);
}
std::intptr_t HostedEffect::vendorVersion() {
    return dispatch(effGetVendorVersion);
}

std::intptr_t HostedEffect::canDo(std::string_view feature) {
    std::string terminated(feature);
    return dispatch(effCanDo, 0, 0, terminated.data());
}

std::int32_t HostedEffect::parameterCount() const {
    return bounded(record().numParams, kMostParameters, "parameters");
}
std::string HostedEffect::parameterName(std::int32_t index) {
    return text(effGetParamName, index);
}
std::string HostedEffect::parameterLabel(std::int32_t index) {
    return text(effGetParamLabel, index);
}
std::string HostedEffect::parameterDisplay(std::int32_t index) {
    return text(effGetParamDisplay, index);
}

float HostedEffect::parameter(std::int32_t index) {
    AEffect& live = record();
    return live.getParameter(&live, index);
}

void HostedEffect::setParameter(std::int32_t index, float normalised) {
    AEffect& live = record();
    live.setParameter(&live, index, normalised);
}

std::int32_t HostedEffect::programCount() const {
    return bounded(record().numPrograms, kMostPrograms, "programs");
}
std::int32_t HostedEffect::program() {
    return static_cast<std::int32_t>(dispatch(effGetProgram));
}
void HostedEffect::setProgram(std::int32_t program) {
    dispatch(effSetProgram, 0, program);
}
std::string HostedEffect::programName() {
    return text(effGetProgramName);
}

void HostedEffect::setSampleRate(float rate) {
    dispatch(effSetSampleRate, 0, 0, nullptr, rate);
}
void HostedEffect::setBlockSize(std::int32_t frames) {
    dispatch(effSetBlockSize, 0, frames);
}
void HostedEffect::resume() {
    dispatch(effMainsChanged, 0, kMainsOn);
}
void HostedEffect::suspend() {
    dispatch(effMainsChanged, 0, kMainsOff);
}

template <typename Sample, typename Process>
void HostedEffect::process(Process entry, std::int32_t requiredFlag, const char* entryName,
                           const std::vector<std::vector<Sample>>& inputs,
                           std::vector<std::vector<Sample>>& outputs) {
    AEffect& live = record();
    if (entry == nullptr || (live.flags & requiredFlag) == 0) {
        throw HostError("the effect of " + describe(*loadedModule) + " does not offer " +
                        entryName);
    }
    // Read afresh for every block: an effect that changed its channels would otherwise be
    // handed fewer buffers than it writes.
    const std::int32_t reportedInputs = inputCount();
    const std::int32_t reportedOutputs = outputCount();
    if (inputs.size() != static_cast<std::size_t>(reportedInputs) ||
        outputs.size() != static_cast<std::size_t>(reportedOutputs)) {
        throw HostError("the effect of " + describe(*loadedModule) + " reports " +
                        std::to_string(reportedInputs) + " inputs and " +
                        std::to_string(reportedOutputs) + " outputs; the block for " + entryName +
                        " has " + std::to_string(inputs.size()) + " and " +
                        std::to_string(outputs.size()));
    }
    const std::int32_t frames = blockFrames(inputs, outputs);
    // The interface is not const-correct: effects receive the inputs through non-const
    // pointers but do not write them.
    std::vector<Sample*> in;
    in.reserve(inputs.size());
    for (const auto& channel : inputs) {
        in.push_back(const_cast<Sample*>(channel.data()));
    }
    std::vector<Sample*> out;
    out.reserve(outputs.size());
    for (auto& channel : outputs) {
        out.push_back(channel.data());
    }
    entry(&live, in.data(), out.data(), frames);
}

void HostedEffect::processReplacing(const FloatChannels& inputs, FloatChannels& outputs) {
    process(record().processReplacing, effFlagsCanReplacing, "processReplacing", inputs, outputs);
}

void HostedEffect::processDoubleReplacing(const DoubleChannels& inputs, DoubleChannels& outputs) {
    process(record().processDoubleReplacing, effFlagsCanDoubleReplacing, "processDoubleReplacing",
            inputs, outputs);
}

std::intptr_t HostedEffect::close() {
    AEffect& live = record();
    effect = nullptr;
    // Requests the effect makes while closing still reach this host; after that its address
    // may belong to another instance.
    const std::intptr_t answer = live.dispatcher(&live, effClose, 0, 0, nullptr, 0.0f);
    effectHost->forget(&live);
    return answer;
}

} // namespace calderine
