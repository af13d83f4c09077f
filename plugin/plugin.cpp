#include "plugin/plugin.h"

#include "host/HostText.h"
#include "plugin/FlushToZero.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>

namespace calderine {

static_assert(plugin::kFlags == 0x1018);
static_assert(plugin::kUniqueId == 0x434C4452);

namespace {

constexpr double kPercent = 0.01; // DryMix percent to fraction

// A gain parameter at its very minimum means "mute", not its dB value.
double gainOrMute(const Parameter& parameter, double value) noexcept {
    return value <= parameter.descriptor.minimum ? 0.0 : parameter.engineValue();
}

template <std::size_t... Index>
std::array<Parameter, kParameterCount>
parametersAtDefaults(std::index_sequence<Index...>) noexcept {
    return {Parameter(kParameterTable[Index])...};
}

std::int32_t roundedToInt(double value) noexcept {
    return static_cast<std::int32_t>(roundHalfUp(value));
}

// Largest input magnitude taken as audio: far above any signal, and small enough that even
// its square stays finite. Near the top of the double range the first gain or transform sum
// overflows, and the infinity poisons the histories just as an infinite input would.
constexpr double kLargestUsableInput = 1e150;

// An upstream NaN or infinity (or a double on the verge of one) would stay in the filter
// histories and the overlap-add buffers and silence the effect until the host resets it; a
// zero costs one click at most.
double usableOrZero(double sample) noexcept {
    return std::fabs(sample) <= kLargestUsableInput ? sample : 0.0; // false for NaN too
}

// The output sample for a result. Doubles pass unchanged. For the float path, a finite result
// beyond the float range would round to an infinity: it becomes the largest finite float of its
// sign instead (every result within the range narrows exactly as a plain cast). A NaN cannot
// arise, unusable inputs being silenced on the way in; were one to, it would leave as silence.
template <typename Sample>
Sample toOutputSample(double result) noexcept {
    if constexpr (std::is_same_v<Sample, float>) {
        constexpr double largest = std::numeric_limits<float>::max();
        if (!(std::fabs(result) <= largest)) { // beyond the range, or NaN
            result = result > 0.0 ? largest : result < 0.0 ? -largest : 0.0;
        }
    }
    return static_cast<Sample>(result);
}

} // namespace

plugin::plugin(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParameters),
      parameters(parametersAtDefaults(std::make_index_sequence<kParameterCount>{})) {
    cEffect.flags |= kFlags;
    cEffect.numInputs = kNumChannels;
    cEffect.numOutputs = kNumChannels;
    cEffect.uniqueID = kUniqueId;
    // The engines' own constructors already built them for kDefaultSampleRate.
    setInitialDelay(static_cast<std::int32_t>(router.latency()));
    copyHostText(programNames[0].data(), kDefaultProgramName, kMaxProgramNameChars);
    saveProgramValues();
    for (Parameter& p : parameters) {
        p.markChanged();
    }
    applyParameterChanges();
}

// Members go in reverse order: the parameters, then the router with engine 1 before engine 0.
plugin::~plugin() = default;

AudioEffect* createPluginInstance(audioMasterCallback audioMaster) {
    return new plugin(audioMaster);
}

void plugin::suspend() {
    resumed.store(false, std::memory_order_release);
}

void plugin::resume() {
    // Changes stored while suspended reach the engines here, on the thread that owns them, and
    // before the reset, as if each had been applied when it was set.
    applyParameterChanges();
    router.reset();
    resumed.store(true, std::memory_order_release);
}

void plugin::setSampleRate(float rate) {
    const double newRate = rate;
    if (!(newRate >= kMinSampleRate && newRate <= kMaxSampleRate)) {
        return; // also refuses NaN
    }
    try {
        router.setSampleRate(newRate);
    } catch (...) {
        return; // out of memory: keep serving the old rate
    }
    // The filter designs depend on the rate, and the new separators start with their
    // default slope: re-apply all of these so every setting sounds the same at the new rate.
    for (std::size_t index : {parameterIndex::clipperEmphasis, parameterIndex::noiseTilt,
                              parameterIndex::toneTilt, parameterIndex::separationSlope}) {
        parameters[index].markChanged();
    }
    // Stored only: this effect sends the host nothing after creation.
    setInitialDelay(static_cast<std::int32_t>(router.latency()));
    sampleRate = rate;
    // The caller owns the engines now: the rebuilt ones get every pending change at once.
    applyParameterChanges();
}

void plugin::processReplacing(float** inputs, float** outputs, std::int32_t count) {
    processBlock(inputs, outputs, count);
}

void plugin::processDoubleReplacing(double** inputs, double** outputs, std::int32_t count) {
    processBlock(inputs, outputs, count);
}

template <typename Sample>
void plugin::processBlock(Sample** inputs, Sample** outputs, std::int32_t count) noexcept {
    enableFlushToZero();
    applyParameterChanges();
    if (count <= 0 || inputs == nullptr || outputs == nullptr) {
        return;
    }
    const Sample* inLeft = inputs[0];
    const Sample* inRight = inputs[1];
    Sample* outLeft = outputs[0];
    Sample* outRight = outputs[1];
    if (!inLeft || !inRight || !outLeft || !outRight) {
        return;
    }
    // A chunk at a time through doubles on the stack: all inputs of a chunk are read before any
    // of its outputs is written, so the host's buffers may be the same memory.
    constexpr std::size_t kChunk = ChannelEngine::kMaxSegment;
    double left[kChunk];
    double right[kChunk];
    const auto total = static_cast<std::size_t>(count);
    for (std::size_t start = 0; start < total; start += kChunk) {
        const std::size_t length = std::min(kChunk, total - start);
        for (std::size_t i = 0; i < length; ++i) {
            left[i] = usableOrZero(static_cast<double>(inLeft[start + i]));
            right[i] = usableOrZero(static_cast<double>(inRight[start + i]));
        }
        router.processBlock(left, right, length);
        for (std::size_t i = 0; i < length; ++i) {
            outLeft[start + i] = toOutputSample<Sample>(left[i]);
            outRight[start + i] = toOutputSample<Sample>(right[i]);
        }
    }
}

Parameter* plugin::findParameter(std::int32_t index) noexcept {
    const auto i = static_cast<std::uint32_t>(index);
    return i < kParameterCount ? &parameters[i] : nullptr;
}

void plugin::setParameter(std::int32_t index, float normalized) {
    // Never touches the engines: another thread may own them (the audio thread while resumed,
    // the host's main thread while suspended). Whoever owns them applies the change.
    if (Parameter* p = findParameter(index)) {
        p->store(p->fromNormalized(normalized));
    }
}

float plugin::getParameter(std::int32_t index) {
    const Parameter* p = findParameter(index);
    return p ? p->toNormalized(p->current()) : 0.0f;
}

void plugin::applyParameterChanges() noexcept {
    for (std::size_t index = 0; index < kParameterCount; ++index) {
        Parameter& p = parameters[index];
        // The flag is cleared before the value is read: a value stored meanwhile raises it
        // again and is applied next time.
        if (p.takeChange()) {
            applyParameter(index, p);
        }
    }
}

void plugin::applyParameter(std::size_t index, const Parameter& p) noexcept {
    const double value = p.current();
    const double amount = p.engineValue();
    const double rate = sampleRate;
    switch (index) {
    case parameterIndex::toneGain: {
        const double gain = gainOrMute(p, value);
        router.forEachEngine([gain](ChannelEngine& e) { e.toneGain = gain; });
        break;
    }
    case parameterIndex::clipperThreshold: {
        // At its maximum (0 dB, shown as "off") the clipper branch is switched off.
        const bool enabled = value < p.descriptor.maximum;
        router.forEachEngine([=](ChannelEngine& e) { e.setClipper(enabled, amount); });
        break;
    }
    case parameterIndex::clipperEmphasis:
        router.forEachEngine([=](ChannelEngine& e) { e.setEmphasis(amount, rate); });
        break;
    case parameterIndex::noiseTilt:
        router.forEachEngine([=](ChannelEngine& e) { e.setNoiseTilt(amount, rate); });
        break;
    case parameterIndex::noiseGain: {
        const double gain = gainOrMute(p, value);
        router.forEachEngine([gain](ChannelEngine& e) { e.noiseGain = gain; });
        break;
    }
    case parameterIndex::dryMix:
        router.forEachEngine([=](ChannelEngine& e) { e.dryMix = amount * kPercent; });
        break;
    case parameterIndex::stereoMode: {
        const std::int32_t mode = roundedToInt(value);
        // Delay lines and separators hold the previous mode's signals: start from silence.
        if (mode != router.mode) {
            router.reset();
        }
        router.mode = mode;
        break;
    }
    case parameterIndex::bypass: {
        const bool bypass = roundedToInt(value) != 0;
        router.forEachEngine([bypass](ChannelEngine& e) { e.bypass = bypass; });
        break;
    }
    case parameterIndex::toneTilt:
        router.forEachEngine([=](ChannelEngine& e) { e.setToneTilt(amount, rate); });
        break;
    case parameterIndex::separationSlope:
        router.forEachEngine([=](ChannelEngine& e) { e.setSeparationSlope(amount); });
        break;
    default:
        break;
    }
}

void plugin::saveProgramValues() noexcept {
    for (std::size_t index = 0; index < kParameterCount; ++index) {
        const Parameter& p = parameters[index];
        programValues[static_cast<std::size_t>(curProgram)][index] = p.toNormalized(p.current());
    }
}

void plugin::setProgram(std::int32_t program) {
    if (program < 0 || program >= kNumPrograms) {
        return;
    }
    saveProgramValues();
    curProgram = program;
    const auto& values = programValues[static_cast<std::size_t>(curProgram)];
    for (std::size_t index = 0; index < kParameterCount; ++index) {
        setParameter(static_cast<std::int32_t>(index), values[index]);
    }
    // Suspended, the caller owns the engines; resumed, the next processing call applies.
    if (!resumed.load(std::memory_order_acquire)) {
        applyParameterChanges();
    }
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
    if (const Parameter* p = findParameter(index)) {
        copyHostText(label, p->descriptor.unit, kMaxParamStrChars);
    }
}

void plugin::getParameterDisplay(std::int32_t index, char* text) {
    const Parameter* p = findParameter(index);
    if (p != nullptr && text != nullptr) {
        p->displayText(p->current(), text);
    }
}

void plugin::getParameterName(std::int32_t index, char* text) {
    if (const Parameter* p = findParameter(index)) {
        copyHostText(text, p->descriptor.name, kMaxParamNameChars);
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
