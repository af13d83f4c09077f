// A stereo pass-through effect whose record or texts lie in one way per build, chosen with -D
// switches, so that a host's distrust of what a loaded module reports can be tested:
//   CALDERINE_HOSTILE_NO_DISPATCHER, _NO_SET_PARAMETER, _NO_GET_PARAMETER,
//   _NO_PROCESS_REPLACING        leave that entry null (flags still claim the processing)
//   _PARAMS=n, _PROGRAMS=n, _INPUTS=n, _OUTPUTS=n      counts the record reports from the start
//   _RESUMED_INPUTS=n, _RESUMED_OUTPUTS=n, _RESUMED_LATENCY=n   what it reports once switched on
//   _TEXT_BYTES=n                every text it is asked for has n bytes, terminated only there
//   _TEXT_ACCENTED               those bytes are one 'x' and then two-byte characters
#include "host/AEffect.h"

#include <cstring>

#if defined(_WIN32)
#define CALDERINE_HOSTILE_EXPORT extern "C" __declspec(dllexport)
#else
#define CALDERINE_HOSTILE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#ifndef CALDERINE_HOSTILE_PARAMS
#define CALDERINE_HOSTILE_PARAMS 1
#endif
#ifndef CALDERINE_HOSTILE_PROGRAMS
#define CALDERINE_HOSTILE_PROGRAMS 1
#endif
#ifndef CALDERINE_HOSTILE_INPUTS
#define CALDERINE_HOSTILE_INPUTS 2
#endif
#ifndef CALDERINE_HOSTILE_OUTPUTS
#define CALDERINE_HOSTILE_OUTPUTS 2
#endif

namespace {

using namespace calderine;

struct HostileEffect {
    AEffect record{};
    float value = 0.5f;
};

HostileEffect& hostileOf(AEffect* effect) {
    return *static_cast<HostileEffect*>(effect->object);
}

void switchOn([[maybe_unused]] AEffect& record) {
#ifdef CALDERINE_HOSTILE_RESUMED_INPUTS
    record.numInputs = CALDERINE_HOSTILE_RESUMED_INPUTS;
#endif
#ifdef CALDERINE_HOSTILE_RESUMED_OUTPUTS
    record.numOutputs = CALDERINE_HOSTILE_RESUMED_OUTPUTS;
#endif
#ifdef CALDERINE_HOSTILE_RESUMED_LATENCY
    record.initialDelay = CALDERINE_HOSTILE_RESUMED_LATENCY;
#endif
}

// Writes what a text opcode asks for, the lie if this build tells one.
void writeText(void* destination, const char* honest) {
    auto* text = static_cast<char*>(destination);
#ifdef CALDERINE_HOSTILE_TEXT_BYTES
    std::size_t at = 0;
#ifdef CALDERINE_HOSTILE_TEXT_ACCENTED
    text[at++] = 'x';
    while (at + 2 <= CALDERINE_HOSTILE_TEXT_BYTES) {
        text[at++] = static_cast<char>(0xC3); // U+00E9 in UTF-8
        text[at++] = static_cast<char>(0xA9);
    }
#endif
    while (at < CALDERINE_HOSTILE_TEXT_BYTES) {
        text[at++] = 'x';
    }
    text[at] = '\0';
    (void)honest;
#else
    std::strcpy(text, honest);
#endif
}

[[maybe_unused]] std::intptr_t CALDERINE_VST_CALL hostileDispatcher(AEffect* effect,
                                                                    std::int32_t opcode,
                                                                    std::int32_t /*index*/,
                                                                    std::intptr_t value, void* ptr,
                                                                    float /*opt*/) {
    switch (opcode) {
    case effClose:
        delete &hostileOf(effect);
        return 1;
    case effMainsChanged:
        if (value != 0) {
            switchOn(*effect);
        }
        return 0;
    case effGetEffectName:
        writeText(ptr, "Hostile");
        return 1;
    case effGetVendorString:
        writeText(ptr, "Fake Works");
        return 1;
    case effGetProductString:
        writeText(ptr, "Hostile Pass");
        return 1;
    case effGetProgramName:
        writeText(ptr, "Default");
        return 0;
    case effGetParamName:
        writeText(ptr, "Gain");
        return 0;
    case effGetParamLabel:
        writeText(ptr, "dB");
        return 0;
    case effGetParamDisplay:
        writeText(ptr, "0.0");
        return 0;
    default:
        return 0;
    }
}

[[maybe_unused]] void CALDERINE_VST_CALL hostileSet(AEffect* effect, std::int32_t /*index*/,
                                                    float value) {
    hostileOf(effect).value = value;
}

[[maybe_unused]] float CALDERINE_VST_CALL hostileGet(AEffect* effect, std::int32_t /*index*/) {
    return hostileOf(effect).value;
}

// Every output it claims now is written, from the inputs it claims now.
template <typename Sample>
void passThrough(AEffect* effect, Sample** in, Sample** out, std::int32_t frames) {
    const std::int32_t inputs = effect->numInputs;
    for (std::int32_t c = 0; c < effect->numOutputs; ++c) {
        std::memcpy(out[c], in[c % inputs], static_cast<std::size_t>(frames) * sizeof(Sample));
    }
}

[[maybe_unused]] void CALDERINE_VST_CALL hostileFloat(AEffect* effect, float** in, float** out,
                                                      std::int32_t n) {
    passThrough(effect, in, out, n);
}

void CALDERINE_VST_CALL hostileDouble(AEffect* effect, double** in, double** out, std::int32_t n) {
    passThrough(effect, in, out, n);
}

} // namespace

CALDERINE_HOSTILE_EXPORT AEffect* VSTPluginMain(audioMasterCallback /*host*/) {
#ifdef CALDERINE_HOSTILE_NO_DISPATCHER
    // Never closed, as nothing could close it: kept where a leak check does not count it.
    static HostileEffect unclosable;
    auto* hostile = &unclosable;
#else
    auto* hostile = new HostileEffect;
#endif
    AEffect& record = hostile->record;
    record.magic = kEffectMagic;
#ifndef CALDERINE_HOSTILE_NO_DISPATCHER
    record.dispatcher = &hostileDispatcher;
#endif
#ifndef CALDERINE_HOSTILE_NO_SET_PARAMETER
    record.setParameter = &hostileSet;
#endif
#ifndef CALDERINE_HOSTILE_NO_GET_PARAMETER
    record.getParameter = &hostileGet;
#endif
#ifndef CALDERINE_HOSTILE_NO_PROCESS_REPLACING
    record.processReplacing = &hostileFloat;
#endif
    record.processDoubleReplacing = &hostileDouble;
    record.numParams = CALDERINE_HOSTILE_PARAMS;
    record.numPrograms = CALDERINE_HOSTILE_PROGRAMS;
    record.numInputs = CALDERINE_HOSTILE_INPUTS;
    record.numOutputs = CALDERINE_HOSTILE_OUTPUTS;
    record.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
    record.object = hostile;
    return &record;
}
