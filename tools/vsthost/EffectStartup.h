// The one way every tool brings an effect to life, so that what --info reads and what a render
// processes come from effects started alike: created, opened, then told the stream's rate and
// block size. Many effects fill their names, parameters and latency only when opened.
#pragma once

#include "tools/vsthost/HostedEffect.h"

#include <cstdint>
#include <memory>

namespace calderine {

struct StreamSetup {
    float sampleRate = 0.0f; // Hz
    std::int32_t blockFrames = 0;
};

// An instance opened and set up for the stream, still suspended; throws HostError as
// HostedEffect does.
std::unique_ptr<HostedEffect> startEffect(const std::shared_ptr<const PluginModule>& module,
                                          const StreamSetup& setup,
                                          EffectHost& host = PlainHost::shared());

} // namespace calderine
