// Stand-in modules that attack the host through what it prints and what it writes: one whose
// texts hold terminal commands and line breaks, one whose output holds NaN and infinity. One
// source, built once per kind with CALDERINE_HOSTILE_KIND set.
#include "host/AEffect.h"

#include <cmath>
#include <cstring>
#include <limits>

#define CALDERINE_HOSTILE_NAMES 1
#define CALDERINE_HOSTILE_NONFINITE 2

#define CALDERINE_HOSTILE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace calderine;

constexpr std::int32_t kChannels = 2;

#if CALDERINE_HOSTILE_KIND == CALDERINE_HOSTILE_NAMES
// Every text within the length the interface allows, so that only its content is hostile.
struct HostileParameter {
    const char* name;
    const char* label;
    const char* display;
};

constexpr HostileParameter kParameters[] = {
    {"Gain\npreset: Bypass=On", "dB", "-6.0"},
    {"Bypass=On", "", "Off"},
    {"Tone\x1b[2J", "\x1b[31m", "\r3\x08"},
    {"Mix", "%", "50"},
};
constexpr std::int32_t kParameterCount = sizeof(kParameters) / sizeof(kParameters[0]);

struct NamedEffect {
    AEffect record{};
    float values[kParameterCount] = {};
};

void copyText(void* destination, const char* text) {
    std::strcpy(static_cast<char*>(destination), text);
}

std::intptr_t CALDERINE_VST_CALL namesDispatcher(AEffect* effect, std::int32_t opcode,
                                                 std::int32_t index, std::intptr_t /*value*/,
                                                 void* ptr, float /*opt*/) {
    const bool known = index >= 0 && index < kParameterCount;
    switch (opcode) {
    case effClose:
        delete static_cast<NamedEffect*>(effect->object);
        return 1;
    case effGetEffectName:
        copyText(ptr, "\x1b]0;owned\x07"
                      "Evil");
        return 1;
    case effGetVendorString:
        copyText(ptr, "\x1b[2J\x1b[HVendor");
        return 1;
    case effGetProductString:
        copyText(ptr, "Box\npreset: Mix=0");
        return 1;
    case effGetProgramName:
        copyText(ptr, "\x1b[5mblink");
        return 0;
    case effGetParamName:
        copyText(ptr, known ? kParameters[index].name : "");
        return 0;
    case effGetParamLabel:
        copyText(ptr, known ? kParameters[index].label : "");
        return 0;
    case effGetParamDisplay:
        copyText(ptr, known ? kParameters[index].display : "");
        return 0;
    default:
        return 0;
    }
}

void CALDERINE_VST_CALL namesSet(AEffect* effect, std::int32_t index, float value) {
    if (index >= 0 && index < kParameterCount) {
        static_cast<NamedEffect*>(effect->object)->values[index] = value;
    }
}

float CALDERINE_VST_CALL namesGet(AEffect* effect, std::int32_t index) {
    return index >= 0 && index < kParameterCount
               ? static_cast<NamedEffect*>(effect->object)->values[index]
               : 0.0f;
}

void CALDERINE_VST_CALL namesCopy(AEffect* /*effect*/, float** in, float** out, std::int32_t n) {
    for (int c = 0; c < kChannels; ++c) {
        std::memcpy(out[c], in[c], static_cast<std::size_t>(n) * sizeof(float));
    }
}
#endif

#if CALDERINE_HOSTILE_KIND == CALDERINE_HOSTILE_NONFINITE
// Its input, but on the left channel NaN at every frame that is a multiple of 100, on the right
// +infinity 50 frames later and -infinity 75 frames later: 3 samples in every 100 frames,
// counted from the first frame it processes.
constexpr std::int64_t kPeriod = 100;

struct NonFiniteEffect {
    AEffect record{};
    std::int64_t position = 0;

    template <typename Sample>
    void run(Sample** inputs, Sample** outputs, std::int32_t frames) {
        for (std::int32_t n = 0; n < frames; ++n, ++position) {
            for (std::int32_t c = 0; c < kChannels; ++c) {
                outputs[c][n] = inputs[c][n];
            }
            const std::int64_t phase = position % kPeriod;
            if (phase == 0) {
                outputs[0][n] = std::numeric_limits<Sample>::quiet_NaN();
            } else if (phase == 50) {
                outputs[1][n] = std::numeric_limits<Sample>::infinity();
            } else if (phase == 75) {
                outputs[1][n] = -std::numeric_limits<Sample>::infinity();
            }
        }
    }
};

NonFiniteEffect& nonFiniteOf(AEffect* effect) {
    return *static_cast<NonFiniteEffect*>(effect->object);
}

std::intptr_t CALDERINE_VST_CALL nonFiniteDispatcher(AEffect* effect, std::int32_t opcode,
                                                     std::int32_t /*index*/, std::intptr_t value,
                                                     void* /*ptr*/, float /*opt*/) {
    switch (opcode) {
    case effClose:
        delete &nonFiniteOf(effect);
        return 1;
    case effMainsChanged:
        if (value != 0) {
            nonFiniteOf(effect).position = 0;
        }
        return 0;
    default:
        return 0;
    }
}

void CALDERINE_VST_CALL nonFiniteFloat(AEffect* effect, float** in, float** out, std::int32_t n) {
    nonFiniteOf(effect).run(in, out, n);
}

void CALDERINE_VST_CALL nonFiniteDouble(AEffect* effect, double** in, double** out,
                                        std::int32_t n) {
    nonFiniteOf(effect).run(in, out, n);
}

// It has no parameters, but a host may rely on the entries being there.
void CALDERINE_VST_CALL nonFiniteSet(AEffect* /*effect*/, std::int32_t /*index*/, float /*value*/) {
}

float CALDERINE_VST_CALL nonFiniteGet(AEffect* /*effect*/, std::int32_t /*index*/) {
    return 0.0f;
}
#endif

} // namespace

#if CALDERINE_HOSTILE_KIND == CALDERINE_HOSTILE_NAMES

CALDERINE_HOSTILE_EXPORT AEffect* VSTPluginMain(audioMasterCallback /*host*/) {
    auto* named = new NamedEffect;
    AEffect& record = named->record;
    record.magic = kEffectMagic;
    record.dispatcher = &namesDispatcher;
    record.setParameter = &namesSet;
    record.getParameter = &namesGet;
    record.processReplacing = &namesCopy;
    record.numParams = kParameterCount;
    record.numPrograms = 1;
    record.numInputs = kChannels;
    record.numOutputs = kChannels;
    record.flags = effFlagsCanReplacing;
    record.object = named;
    return &record;
}

#elif CALDERINE_HOSTILE_KIND == CALDERINE_HOSTILE_NONFINITE

CALDERINE_HOSTILE_EXPORT AEffect* VSTPluginMain(audioMasterCallback /*host*/) {
    auto* effect = new NonFiniteEffect;
    AEffect& record = effect->record;
    record.magic = kEffectMagic;
    record.dispatcher = &nonFiniteDispatcher;
    record.setParameter = &nonFiniteSet;
    record.getParameter = &nonFiniteGet;
    record.processReplacing = &nonFiniteFloat;
    record.processDoubleReplacing = &nonFiniteDouble;
    record.numInputs = kChannels;
    record.numOutputs = kChannels;
    record.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
    record.object = effect;
    return &record;
}

#else
#error "CALDERINE_HOSTILE_KIND must name one of the kinds above"
#endif
