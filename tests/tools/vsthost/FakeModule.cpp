// Small stand-in modules that misbehave in one way each, so that the host library's handling
// of broken modules and its routing of host requests can be tested. One source, built once
// per kind with CALDERINE_FAKE_KIND set.
#include "host/AEffect.h"

#include <cstdio>
#include <cstring>
#include <vector>

#define CALDERINE_FAKE_NO_ENTRY 1
#define CALDERINE_FAKE_NULL_MAIN 2
#define CALDERINE_FAKE_BAD_MAGIC 3
#define CALDERINE_FAKE_CHATTY 4
#define CALDERINE_FAKE_DELAY 5
#define CALDERINE_FAKE_OPEN_LATE 6

#if defined(_WIN32)
#define CALDERINE_FAKE_EXPORT extern "C" __declspec(dllexport)
#else
#define CALDERINE_FAKE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using namespace calderine;

#if CALDERINE_FAKE_KIND == CALDERINE_FAKE_CHATTY
// A record whose dispatcher passes every opcode on to the host as a request naming the
// record, and answers with the host's answer. effGetVstVersion becomes the host version query.
struct ChattyEffect {
    AEffect record{};
    audioMasterCallback host = nullptr;
};

std::intptr_t CALDERINE_VST_CALL chattyDispatcher(AEffect* effect, std::int32_t opcode,
                                                  std::int32_t index, std::intptr_t value,
                                                  void* ptr, float opt) {
    auto* chatty = static_cast<ChattyEffect*>(effect->object);
    const std::int32_t request = opcode == effGetVstVersion ? audioMasterVersion : opcode;
    const std::intptr_t answer = chatty->host(effect, request, index, value, ptr, opt);
    if (opcode == effClose) {
        delete chatty;
        return 1;
    }
    return answer;
}

// A host refuses a record without parameter entries, even one with no parameters.
void CALDERINE_VST_CALL chattySet(AEffect* /*effect*/, std::int32_t /*index*/, float /*value*/) {}

float CALDERINE_VST_CALL chattyGet(AEffect* /*effect*/, std::int32_t /*index*/) {
    return 0.0f;
}
#endif

#if CALDERINE_FAKE_KIND == CALDERINE_FAKE_DELAY
// A well-behaved stereo effect whose output is its input delayed by exactly its reported
// latency, so that a host's latency compensation can be checked sample for sample. Its one
// parameter only shows a number that falls as the normalised value rises.
constexpr std::int32_t kDelayFrames = 300;
constexpr std::int32_t kDelayChannels = 2;

struct DelayEffect {
    AEffect record{};
    std::vector<double> line[kDelayChannels];
    std::size_t position = 0;
    float level = 0.5f;

    void clear() {
        for (auto& channel : line) {
            channel.assign(kDelayFrames, 0.0);
        }
        position = 0;
    }

    template <typename Sample>
    void run(Sample** inputs, Sample** outputs, std::int32_t frames) {
        for (std::int32_t n = 0; n < frames; ++n) {
            for (std::int32_t c = 0; c < kDelayChannels; ++c) {
                const double in = inputs[c][n];
                outputs[c][n] = static_cast<Sample>(line[c][position]);
                line[c][position] = in;
            }
            position = (position + 1) % kDelayFrames;
        }
    }
};

DelayEffect& delayOf(AEffect* effect) {
    return *static_cast<DelayEffect*>(effect->object);
}

std::intptr_t CALDERINE_VST_CALL delayDispatcher(AEffect* effect, std::int32_t opcode,
                                                 std::int32_t index, std::intptr_t value, void* ptr,
                                                 float /*opt*/) {
    DelayEffect& delay = delayOf(effect);
    switch (opcode) {
    case effClose:
        delete &delay;
        return 1;
    case effMainsChanged:
        if (value != 0) {
            delay.clear();
        }
        return 0;
    case effGetParamName:
        if (index == 0) {
            std::strcpy(static_cast<char*>(ptr), "Level");
        }
        return 0;
    case effGetParamDisplay:
        if (index == 0) {
            std::snprintf(static_cast<char*>(ptr), kMaxParamStrChars + 1, "%.1f",
                          10.0 - 20.0 * delay.level);
        }
        return 0;
    default:
        return 0;
    }
}

void CALDERINE_VST_CALL delaySet(AEffect* effect, std::int32_t index, float value) {
    if (index == 0) {
        delayOf(effect).level = value;
    }
}

float CALDERINE_VST_CALL delayGet(AEffect* effect, std::int32_t index) {
    return index == 0 ? delayOf(effect).level : 0.0f;
}

void CALDERINE_VST_CALL delayFloat(AEffect* effect, float** in, float** out, std::int32_t n) {
    delayOf(effect).run(in, out, n);
}

void CALDERINE_VST_CALL delayDouble(AEffect* effect, double** in, double** out, std::int32_t n) {
    delayOf(effect).run(in, out, n);
}
#endif

#if CALDERINE_FAKE_KIND == CALDERINE_FAKE_OPEN_LATE
// An effect that, like many built on frameworks, sets itself up only when opened: until
// effOpen its texts are empty and its parameters 0, afterwards they have their real values.
constexpr std::int32_t kLateParameters = 2;
constexpr float kLateDefault = 0.75f;

struct LateEffect {
    AEffect record{};
    bool opened = false;
    float values[kLateParameters] = {};
};

LateEffect& lateOf(AEffect* effect) {
    return *static_cast<LateEffect*>(effect->object);
}

void copyText(void* destination, const char* text, bool shown) {
    std::strcpy(static_cast<char*>(destination), shown ? text : "");
}

std::intptr_t CALDERINE_VST_CALL lateDispatcher(AEffect* effect, std::int32_t opcode,
                                                std::int32_t index, std::intptr_t /*value*/,
                                                void* ptr, float /*opt*/) {
    LateEffect& late = lateOf(effect);
    static const char* const names[kLateParameters] = {"Depth", "Rate"};
    const bool known = index >= 0 && index < kLateParameters;
    switch (opcode) {
    case effOpen:
        late.opened = true;
        for (float& value : late.values) {
            value = kLateDefault;
        }
        return 0;
    case effClose:
        delete &late;
        return 1;
    case effGetEffectName:
        copyText(ptr, "Late Opener", late.opened);
        return 1;
    case effGetVendorString:
        copyText(ptr, "Fake Works", late.opened);
        return 1;
    case effGetProductString:
        copyText(ptr, "Late Opener Deluxe", late.opened);
        return 1;
    case effGetParamName:
        copyText(ptr, known ? names[index] : "", late.opened);
        return 0;
    case effGetParamLabel:
        copyText(ptr, "%", late.opened);
        return 0;
    case effGetParamDisplay:
        if (known) {
            std::snprintf(static_cast<char*>(ptr), kMaxParamStrChars + 1, "%.0f",
                          100.0 * late.values[index]);
        }
        return 0;
    default:
        return 0;
    }
}

void CALDERINE_VST_CALL lateSet(AEffect* effect, std::int32_t index, float value) {
    if (index >= 0 && index < kLateParameters) {
        lateOf(effect).values[index] = value;
    }
}

float CALDERINE_VST_CALL lateGet(AEffect* effect, std::int32_t index) {
    return index >= 0 && index < kLateParameters ? lateOf(effect).values[index] : 0.0f;
}

void CALDERINE_VST_CALL lateCopy(AEffect* /*effect*/, float** in, float** out, std::int32_t n) {
    for (int c = 0; c < 2; ++c) {
        std::memcpy(out[c], in[c], static_cast<std::size_t>(n) * sizeof(float));
    }
}
#endif

} // namespace

#if CALDERINE_FAKE_KIND == CALDERINE_FAKE_NO_ENTRY

CALDERINE_FAKE_EXPORT int calderineFakeUnrelated() {
    return 0;
}

#elif CALDERINE_FAKE_KIND == CALDERINE_FAKE_NULL_MAIN

// Exported only under the old entry name, and refusing like a module that wants a newer host.
#if defined(_WIN32)
// Named main by FakeNullMain.def: an assembler label would have to carry the "_" that 32-bit
// Windows puts before C names, and the export would then look for it twice prefixed.
extern "C" AEffect* fakeEntry(audioMasterCallback host);
#else
CALDERINE_FAKE_EXPORT AEffect* fakeEntry(audioMasterCallback host) __asm__("main");
#endif
AEffect* fakeEntry(audioMasterCallback host) {
    host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);
    return nullptr;
}

#elif CALDERINE_FAKE_KIND == CALDERINE_FAKE_BAD_MAGIC

CALDERINE_FAKE_EXPORT AEffect* VSTPluginMain(audioMasterCallback /*host*/) {
    static AEffect notARecord{};
    return &notARecord;
}

#elif CALDERINE_FAKE_KIND == CALDERINE_FAKE_CHATTY

CALDERINE_FAKE_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) {
    auto* chatty = new ChattyEffect;
    chatty->host = host;
    chatty->record.magic = kEffectMagic;
    chatty->record.dispatcher = &chattyDispatcher;
    chatty->record.setParameter = &chattySet;
    chatty->record.getParameter = &chattyGet;
    chatty->record.object = chatty;
    return &chatty->record;
}

#elif CALDERINE_FAKE_KIND == CALDERINE_FAKE_DELAY

CALDERINE_FAKE_EXPORT AEffect* VSTPluginMain(audioMasterCallback /*host*/) {
    auto* delay = new DelayEffect;
    delay->clear();
    AEffect& record = delay->record;
    record.magic = kEffectMagic;
    record.dispatcher = &delayDispatcher;
    record.setParameter = &delaySet;
    record.getParameter = &delayGet;
    record.processReplacing = &delayFloat;
    record.processDoubleReplacing = &delayDouble;
    record.numParams = 1;
    record.numInputs = kDelayChannels;
    record.numOutputs = kDelayChannels;
    record.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
    record.initialDelay = kDelayFrames;
    record.object = delay;
    return &record;
}

#elif CALDERINE_FAKE_KIND == CALDERINE_FAKE_OPEN_LATE

CALDERINE_FAKE_EXPORT AEffect* VSTPluginMain(audioMasterCallback /*host*/) {
    auto* late = new LateEffect;
    AEffect& record = late->record;
    record.magic = kEffectMagic;
    record.dispatcher = &lateDispatcher;
    record.setParameter = &lateSet;
    record.getParameter = &lateGet;
    record.processReplacing = &lateCopy;
    record.numParams = kLateParameters;
    record.numInputs = 2;
    record.numOutputs = 2;
    record.flags = effFlagsCanReplacing;
    record.object = late;
    return &record;
}

#else
#error "CALDERINE_FAKE_KIND must name one of the kinds above"
#endif
