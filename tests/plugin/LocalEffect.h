// One effect instance built in this process through the entry point's own construction path
// and driven through its record, as a host drives it. Unlike the loaded module, the instance
// stays reachable, so tests can see what reached the engines.
#pragma once

#include "host/EffectFactory.h"
#include "plugin/plugin.h"

#include <cstdint>
#include <stdexcept>

namespace calderine::testing {

inline constexpr std::intptr_t kCurrentHostVersion = 2400;

// Answers the version query like a current host. It records nothing, so it never allocates
// and may be called from any thread.
inline std::intptr_t CALDERINE_VST_CALL quietHost(AEffect*, std::int32_t opcode, std::int32_t,
                                                  std::intptr_t, void*, float) {
    return opcode == audioMasterVersion ? kCurrentHostVersion : 0;
}

class LocalEffect {
public:
    LocalEffect() : effect(createEffect(&quietHost, &createPluginInstance)) {
        if (effect == nullptr) {
            throw std::runtime_error("the entry path returned no effect");
        }
    }
    ~LocalEffect() { dispatch(effClose); }
    LocalEffect(const LocalEffect&) = delete;
    LocalEffect& operator=(const LocalEffect&) = delete;

    AEffect& record() noexcept { return *effect; }
    plugin& instance() noexcept {
        return *static_cast<plugin*>(static_cast<AudioEffect*>(effect->object));
    }
    const ChannelEngine& engine(std::size_t index) noexcept {
        return instance().stereoRouter().engines[index];
    }

    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    void setParameter(std::size_t index, float normalised) {
        effect->setParameter(effect, static_cast<std::int32_t>(index), normalised);
    }
    float parameter(std::size_t index) {
        return effect->getParameter(effect, static_cast<std::int32_t>(index));
    }
    void setSampleRate(float rate) { dispatch(effSetSampleRate, 0, 0, nullptr, rate); }
    void resume() { dispatch(effMainsChanged, 0, 1); }
    void suspend() { dispatch(effMainsChanged, 0, 0); }

private:
    AEffect* effect;
};

} // namespace calderine::testing
