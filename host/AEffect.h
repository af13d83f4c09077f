// The effect record shared with the host, its function-entry types and the host callback type.
// The layout is a binary interface: the offsets asserted below must never change.
#pragma once

#include "host/VstConstants.h"

#include <cstddef>
#include <cstdint>

// Calling convention of every function that crosses the host boundary: the platform's
// standard C convention (cdecl on 32-bit Windows, the single native ABI elsewhere).
#if defined(_WIN32)
#define CALDERINE_VST_CALL __cdecl
#else
#define CALDERINE_VST_CALL
#endif

namespace calderine {

struct AEffect;

// Host callback: (record or null, opcode, index, value, ptr, opt) -> pointer-sized answer.
using audioMasterCallback = std::intptr_t(CALDERINE_VST_CALL*)(AEffect* effect, std::int32_t opcode,
                                                               std::int32_t index,
                                                               std::intptr_t value, void* ptr,
                                                               float opt);

// The six function entries of the record; the first argument is always the record itself.
using AEffectDispatcherProc = std::intptr_t(CALDERINE_VST_CALL*)(AEffect* effect,
                                                                 std::int32_t opcode,
                                                                 std::int32_t index,
                                                                 std::intptr_t value, void* ptr,
                                                                 float opt);
using AEffectProcessProc = void(CALDERINE_VST_CALL*)(AEffect* effect, float** inputs,
                                                     float** outputs, std::int32_t sampleFrames);
using AEffectProcessDoubleProc = void(CALDERINE_VST_CALL*)(AEffect* effect, double** inputs,
                                                           double** outputs,
                                                           std::int32_t sampleFrames);
using AEffectSetParameterProc = void(CALDERINE_VST_CALL*)(AEffect* effect, std::int32_t index,
                                                          float value);
using AEffectGetParameterProc = float(CALDERINE_VST_CALL*)(AEffect* effect, std::int32_t index);

// The exported entry point (VSTPluginMain / main): host callback in, record or null out.
using PluginEntryProc = AEffect*(CALDERINE_VST_CALL*)(audioMasterCallback host);

// Size of the reserved tail of the record, all zero.
inline constexpr std::size_t kAEffectFutureBytes = 56;

struct AEffect {
    std::int32_t magic; // kEffectMagic
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process; // deprecated accumulating mode
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    std::int32_t numPrograms;
    std::int32_t numParams;
    std::int32_t numInputs;
    std::int32_t numOutputs;
    std::int32_t flags; // effFlags* bits
    std::intptr_t resvd1;
    std::intptr_t resvd2;
    std::int32_t initialDelay;  // latency in samples
    std::int32_t realQualities; // deprecated
    std::int32_t offQualities;  // deprecated
    float ioRatio;
    void* object; // the owning effect instance
    void* user;   // the host's; never read here
    std::int32_t uniqueID;
    std::int32_t version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[kAEffectFutureBytes];
};

static_assert(sizeof(void*) == 8 || sizeof(void*) == 4, "only 32- and 64-bit layouts exist");
static_assert(sizeof(std::intptr_t) == sizeof(void*) &&
              sizeof(AEffectDispatcherProc) == sizeof(void*));

// Byte offsets of the published layout for the build's pointer width.
struct AEffectLayout {
    std::size_t dispatcher, process, setParameter, getParameter, numPrograms, numParams, numInputs,
        numOutputs, flags, resvd1, resvd2, initialDelay, realQualities, offQualities, ioRatio,
        object, user, uniqueID, version, processReplacing, processDoubleReplacing, future, size;
};
inline constexpr AEffectLayout kAEffectLayout =
    sizeof(void*) == 8 ? AEffectLayout{8,  16, 24, 32, 40,  44,  48,  52,  56,  64,  72, 80,
                                       84, 88, 92, 96, 104, 112, 116, 120, 128, 136, 192}
                       : AEffectLayout{4,  8,  12, 16, 20, 24, 28, 32, 36, 40, 44, 48,
                                       52, 56, 60, 64, 68, 72, 76, 80, 84, 88, 144};

static_assert(offsetof(AEffect, magic) == 0);
static_assert(offsetof(AEffect, dispatcher) == kAEffectLayout.dispatcher);
static_assert(offsetof(AEffect, process) == kAEffectLayout.process);
static_assert(offsetof(AEffect, setParameter) == kAEffectLayout.setParameter);
static_assert(offsetof(AEffect, getParameter) == kAEffectLayout.getParameter);
static_assert(offsetof(AEffect, numPrograms) == kAEffectLayout.numPrograms);
static_assert(offsetof(AEffect, numParams) == kAEffectLayout.numParams);
static_assert(offsetof(AEffect, numInputs) == kAEffectLayout.numInputs);
static_assert(offsetof(AEffect, numOutputs) == kAEffectLayout.numOutputs);
static_assert(offsetof(AEffect, flags) == kAEffectLayout.flags);
static_assert(offsetof(AEffect, resvd1) == kAEffectLayout.resvd1);
static_assert(offsetof(AEffect, resvd2) == kAEffectLayout.resvd2);
static_assert(offsetof(AEffect, initialDelay) == kAEffectLayout.initialDelay);
static_assert(offsetof(AEffect, realQualities) == kAEffectLayout.realQualities);
static_assert(offsetof(AEffect, offQualities) == kAEffectLayout.offQualities);
static_assert(offsetof(AEffect, ioRatio) == kAEffectLayout.ioRatio);
static_assert(offsetof(AEffect, object) == kAEffectLayout.object);
static_assert(offsetof(AEffect, user) == kAEffectLayout.user);
static_assert(offsetof(AEffect, uniqueID) == kAEffectLayout.uniqueID);
static_assert(offsetof(AEffect, version) == kAEffectLayout.version);
static_assert(offsetof(AEffect, processReplacing) == kAEffectLayout.processReplacing);
static_assert(offsetof(AEffect, processDoubleReplacing) == kAEffectLayout.processDoubleReplacing);
static_assert(offsetof(AEffect, future) == kAEffectLayout.future);
static_assert(sizeof(AEffect) == kAEffectLayout.size);

} // namespace calderine
