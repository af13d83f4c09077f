#include "host/RecordEntries.h"

#include "host/AudioEffect.h"

namespace calderine {

namespace {

// The instance behind a record, or null for a null record or one without an instance.
AudioEffect* instanceOf(AEffect* effect) noexcept {
    return effect != nullptr ? static_cast<AudioEffect*>(effect->object) : nullptr;
}

} // namespace

std::intptr_t CALDERINE_VST_CALL dispatcherEntry(AEffect* effect, std::int32_t opcode,
                                                 std::int32_t index, std::intptr_t value, void* ptr,
                                                 float opt) {
    AudioEffect* const instance = instanceOf(effect);
    if (instance == nullptr)
        return 0;
    if (opcode == effClose) {
        // The host never uses the record again, so the instance goes whatever close() does.
        try {
            instance->dispatcher(opcode, index, value, ptr, opt);
        } catch (...) {
        }
        delete instance;
        return 1;
    }
    try {
        return instance->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

void CALDERINE_VST_CALL processEntry(AEffect* effect, float** inputs, float** outputs,
                                     std::int32_t sampleFrames) {
    if (AudioEffect* const instance = instanceOf(effect)) {
        try {
            instance->process(inputs, outputs, sampleFrames);
        } catch (...) {
        }
    }
}

void CALDERINE_VST_CALL setParameterEntry(AEffect* effect, std::int32_t index, float value) {
    if (AudioEffect* const instance = instanceOf(effect)) {
        try {
            instance->setParameter(index, value);
        } catch (...) {
        }
    }
}

float CALDERINE_VST_CALL getParameterEntry(AEffect* effect, std::int32_t index) {
    if (AudioEffect* const instance = instanceOf(effect)) {
        try {
            return instance->getParameter(index);
        } catch (...) {
        }
    }
    return 0.0f;
}

void CALDERINE_VST_CALL processReplacingEntry(AEffect* effect, float** inputs, float** outputs,
                                              std::int32_t sampleFrames) {
    if (AudioEffect* const instance = instanceOf(effect)) {
        try {
            instance->processReplacing(inputs, outputs, sampleFrames);
        } catch (...) {
        }
    }
}

void CALDERINE_VST_CALL processDoubleReplacingEntry(AEffect* effect, double** inputs,
                                                    double** outputs, std::int32_t sampleFrames) {
    if (AudioEffect* const instance = instanceOf(effect)) {
        try {
            instance->processDoubleReplacing(inputs, outputs, sampleFrames);
        } catch (...) {
        }
    }
}

} // namespace calderine
