// The host side of a hosted effect: how its entry point is called and what the host callback
// answers. Called only when an instance is created or closed, never while it processes.
#pragma once

#include "host/AEffect.h"

namespace calderine {

class EffectHost {
public:
    virtual ~EffectHost() = default;

    // Calls the module's entry point with this host's callback and returns what it returns.
    virtual AEffect* instantiate(PluginEntryProc entry) = 0;
    // The record has been closed: its address may now belong to another instance.
    virtual void forget(const AEffect* effect) noexcept = 0;
};

} // namespace calderine
