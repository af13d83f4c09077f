// A stereo pass-through effect whose record or texts lie in one way per build, chosen with -D
// switches, so that a host's distrust of what a loaded module reports can be tested:
//   CALDERINE_HOSTILE_NO_DISPATCHER, _NO_SET_PARAMETER, _NO_GET_PARAMETER,
//   _NO_PROCESS_REPLACING        leave that entry null (flags still claim the processing)
//   _PARAMS=n, _PROGRAMS=n, _INPUTS=n, _OUTPUTS=n      counts the record reports from the start
//   _RESUMED_INPUTS=n, _RESUMED_OUTPUTS=n, _RESUMED_LATENCY=n   what it reports once switched on
//   _TEXT_BYTES=n                every text it is asked for has n bytes, terminated only there
//   _TEXT_ACCENTED               those bytes are one 'x' and then two-byte characters
//   _TERMINAL_TEXTS              texts of lawful length holding terminal commands, line breaks
//                                and lines that read as settings (with _PARAMS=4)
//   _NONFINITE_OUTPUT            the output holds NaN on the left at every 100th frame counted
//                                from switching on, +infinity on the right 50 frames later and
//                                -infinity 75 frames later: 3 samples in every 100 frames
#include "host/AEffect.h"

#include <cstring>
#include <iterator>
#include <limits>

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

// Values are kept for the first few parameters; a record may claim any number.
constexpr std::int32_t kKeptValues = 8;

struct HostileEffect {
    AEffect record{};
    float values[kKeptValues] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    std::int64_t position = 0; // frames processed since switched on
};

struct ParameterTexts {
    const char* name;
    const char* label;
    const char* display;
};

#ifdef CALDERINE_HOSTILE_TERMINAL_TEXTS
constexpr const char* kEffectName = "\x1b]0;owned\x07"
                                    "Evil";
constexpr const char* kVendor = "\x1b[2J\x1b[HVendor";
constexpr const char* kProduct = "Box\npreset: Mix=0";
constexpr const char* kProgram = "\x1b[5mblink";
constexpr ParameterTexts kParameterTexts[] = {
    {"Gain\npreset: Bypass=On", "dB", "-6.0"},
    {"Bypass=On", "", "Off"},
    {"Tone\x1b[2J", "\x1b[31m", "\r3\x08"},
    {"Mix", "%", "50"},
};
#else
constexpr const char* kEffectName = "Hostile";
constexpr const char* kVendor = "Fake Works";
constexpr const char* kProduct = "Hostile Pass";
constexpr const char* kProgram = "Default";
constexpr ParameterTexts kParameterTexts[] = {{"Gain", "dB", "0.0"}};
#endif

const ParameterTexts& textsOf(std::int32_t index) {
    static constexpr ParameterTexts none{"", "", ""};
    constexpr auto count = static_cast<std::int32_t>(std::size(kParameterTexts));
    return index < 0 ? none : kParameterTexts[index % count];
}

HostileEffect& hostileOf(AEffect* effect) {
    return *static_cast<HostileEffect*>(effect->object);
}

void switchOn([[maybe_unused]] AEffect& record) {
    static_cast<HostileEffect*>(record.object)->position = 0;
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
                                                                    std::int32_t index,
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
        writeText(ptr, kEffectName);
        return 1;
    case effGetVendorString:
        writeText(ptr, kVendor);
        return 1;
    case effGetProductString:
        writeText(ptr, kProduct);
        return 1;
    case effGetProgramName:
        writeText(ptr, kProgram);
        return 0;
    case effGetParamName:
        writeText(ptr, textsOf(index).name);
        return 0;
    case effGetParamLabel:
        writeText(ptr, textsOf(index).label);
        return 0;
    case effGetParamDisplay:
        writeText(ptr, textsOf(index).display);
        return 0;
    default:
        return 0;
    }
}

[[maybe_unused]] void CALDERINE_VST_CALL hostileSet(AEffect* effect, std::int32_t index,
                                                    float value) {
    if (index >= 0 && index < kKeptValues) {
        hostileOf(effect).values[index] = value;
    }
}

[[maybe_unused]] float CALDERINE_VST_CALL hostileGet(AEffect* effect, std::int32_t index) {
    return index >= 0 && index < kKeptValues ? hostileOf(effect).values[index] : 0.0f;
}

// Every output it claims now is written, from the inputs it claims now.
template <typename Sample>
void passThrough(AEffect* effect, Sample** in, Sample** out, std::int32_t frames) {
    const std::int32_t inputs = effect->numInputs;
    for (std::int32_t c = 0; c < effect->numOutputs; ++c) {
        std::memcpy(out[c], in[c % inputs], static_cast<std::size_t>(frames) * sizeof(Sample));
    }
    std::int64_t& position = hostileOf(effect).position;
#ifdef CALDERINE_HOSTILE_NONFINITE_OUTPUT
    constexpr std::int64_t kPeriod = 100;
    for (std::int32_t n = 0; n < frames; ++n) {
        const std::int64_t phase = (position + n) % kPeriod;
        if (phase == 0) {
            out[0][n] = std::numeric_limits<Sample>::quiet_NaN();
        } else if (phase == 50) {
            out[1][n] = std::numeric_limits<Sample>::infinity();
        } else if (phase == 75) {
            out[1][n] = -std::numeric_limits<Sample>::infinity();
        }
    }
#endif
    position += frames;
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
