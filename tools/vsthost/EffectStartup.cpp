#include "tools/vsthost/EffectStartup.h"

namespace calderine {

std::unique_ptr<HostedEffect> startEffect(const std::shared_ptr<const PluginModule>& module,
                                          const StreamSetup& setup, EffectHost& host) {
    auto effect = std::make_unique<HostedEffect>(module, host);
    effect->dispatch(effOpen);
    // Many effects fill in their counts only now.
    effect->checkRecord();
    // Rate and block size before any parameter, so that nothing the effect designs from its
    // parameters is built for a stale rate.
    effect->setSampleRate(setup.sampleRate);
    effect->setBlockSize(setup.blockFrames);
    return effect;
}

} // namespace calderine
