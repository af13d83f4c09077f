#include "effect/EffectCore.h"

#include "effect/FlushToZero.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>
#include <utility>

namespace calderine {

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

EffectCore::EffectCore()
    : parameters(parametersAtDefaults(std::make_index_sequence<kParameterCount>{})) {
    for (Parameter& p : parameters) {
        p.markChanged();
    }
    applyParameterChanges();
}

void EffectCore::suspend() noexcept {
    resumed.store(false, std::memory_order_release);
}

void EffectCore::resume() noexcept {
    // Changes stored while suspended reach the engines here, on the thread that owns them, and
    // before the reset, as if each had been applied when it was set.
    applyParameterChanges();
    router.reset();
    resumed.store(true, std::memory_order_release);
}

bool EffectCore::setSampleRate(double newRate) noexcept {
    if (!(newRate >= kMinSampleRate && newRate <= kMaxSampleRate)) {
        return false; // also refuses NaN
    }
    try {
        router.setSampleRate(newRate);
    } catch (...) {
        return false; // out of memory: keep serving the old rate
    }
    // The filter designs depend on the rate, and the new separators start with their
    // default slope: re-apply all of these so every setting sounds the same at the new rate.
    for (std::size_t index : {parameterIndex::clipperEmphasis, parameterIndex::noiseTilt,
                              parameterIndex::toneTilt, parameterIndex::separationSlope}) {
        parameters[index].markChanged();
    }
    rate = newRate;
    // The caller owns the engines now: the rebuilt ones get every pending change at once.
    applyParameterChanges();
    return true;
}

void EffectCore::process(const float* const* inputs, float* const* outputs,
                         std::int32_t count) noexcept {
    processBlock(inputs, outputs, count);
}

void EffectCore::process(const double* const* inputs, double* const* outputs,
                         std::int32_t count) noexcept {
    processBlock(inputs, outputs, count);
}

template <typename Sample>
void EffectCore::processBlock(const Sample* const* inputs, Sample* const* outputs,
                              std::int32_t count) noexcept {
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

void EffectCore::setNormalized(std::size_t index, float normalized) noexcept {
    // Never touches the engines: another thread may own them. Whoever owns them applies it.
    Parameter& p = parameters[index];
    p.store(p.fromNormalized(normalized));
}

void EffectCore::setPlain(std::size_t index, double plain) noexcept {
    Parameter& p = parameters[index];
    p.store(p.roundedToDisplay(plain));
}

float EffectCore::normalized(std::size_t index) const noexcept {
    const Parameter& p = parameters[index];
    return p.toNormalized(p.current());
}

void EffectCore::displayText(std::size_t index, char* text) const noexcept {
    const Parameter& p = parameters[index];
    p.displayText(p.current(), text);
}

void EffectCore::setAllNormalized(const std::array<float, kParameterCount>& values) noexcept {
    for (std::size_t index = 0; index < kParameterCount; ++index) {
        setNormalized(index, values[index]);
    }
    // Suspended, the caller owns the engines; resumed, the next block applies.
    if (!resumed.load(std::memory_order_acquire)) {
        applyParameterChanges();
    }
}

void EffectCore::applyParameterChanges() noexcept {
    for (std::size_t index = 0; index < kParameterCount; ++index) {
        Parameter& p = parameters[index];
        // The flag is cleared before the value is read: a value stored meanwhile raises it
        // again and is applied next time.
        if (p.takeChange()) {
            applyParameter(index, p);
        }
    }
}

void EffectCore::applyParameter(std::size_t index, const Parameter& p) noexcept {
    const double value = p.current();
    const double amount = p.engineValue();
    const double r = rate;
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
        router.forEachEngine([=](ChannelEngine& e) { e.setEmphasis(amount, r); });
        break;
    case parameterIndex::noiseTilt:
        router.forEachEngine([=](ChannelEngine& e) { e.setNoiseTilt(amount, r); });
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
        router.forEachEngine([=](ChannelEngine& e) { e.setToneTilt(amount, r); });
        break;
    case parameterIndex::separationSlope:
        router.forEachEngine([=](ChannelEngine& e) { e.setSeparationSlope(amount); });
        break;
    default:
        break;
    }
}

} // namespace calderine
