// The six function entries stored in every AEffect record. Each finds its instance through the
// record's `object` and forwards to the instance's virtual operation. None lets an exception
// out, and each survives a null record or a record without an instance (answers 0, does
// nothing).
#pragma once

#include "host/AEffect.h"

#include <cstdint>

namespace calderine {

// Any host thread: opcode dispatch; effClose also destroys the instance and answers 1.
std::intptr_t CALDERINE_VST_CALL dispatcherEntry(AEffect* effect, std::int32_t opcode,
                                                 std::int32_t index, std::intptr_t value, void* ptr,
                                                 float opt);
// Audio thread, resumed: deprecated accumulating processing.
void CALDERINE_VST_CALL processEntry(AEffect* effect, float** inputs, float** outputs,
                                     std::int32_t sampleFrames);
// Any host thread: normalised parameter value in [0, 1].
void CALDERINE_VST_CALL setParameterEntry(AEffect* effect, std::int32_t index, float value);
float CALDERINE_VST_CALL getParameterEntry(AEffect* effect, std::int32_t index);
// Audio thread, resumed: block processing in single and double precision.
void CALDERINE_VST_CALL processReplacingEntry(AEffect* effect, float** inputs, float** outputs,
                                              std::int32_t sampleFrames);
void CALDERINE_VST_CALL processDoubleReplacingEntry(AEffect* effect, double** inputs,
                                                    double** outputs, std::int32_t sampleFrames);

} // namespace calderine
