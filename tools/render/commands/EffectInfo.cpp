#include "tools/render/commands/EffectInfo.h"

#include "tools/vsthost/HostedEffect.h"

namespace calderine {

EffectInfo collectEffectInfo(HostedEffect& effect) {
    const AEffect& record = effect.record();
    EffectInfo info;
    info.modulePath = effect.module().path();
    info.entryName = effect.module().entryName();
    info.effectName = effect.effectName();
    info.vendorString = effect.vendorString();
    info.productString = effect.productString();
    info.vendorVersion = effect.vendorVersion();
    info.version = record.version;
    info.uniqueId = record.uniqueID;
    info.numInputs = effect.inputCount();
    info.numOutputs = effect.outputCount();
    info.flags = record.flags;
    info.initialDelay = effect.latency();
    info.numPrograms = effect.programCount();
    info.currentProgram = effect.program();
    info.programName = effect.programName();
    const std::int32_t parameters = effect.parameterCount();
    for (std::int32_t index = 0; index < parameters; ++index) {
        info.parameters.push_back(
            ParameterInfo{index, effect.parameterName(index), effect.parameterLabel(index),
                          effect.parameterDisplay(index), effect.parameter(index)});
    }
    return info;
}

} // namespace calderine
