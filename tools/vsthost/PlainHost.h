// What a plain host answers an effect: the interface version it speaks, and 0 (not supported)
// to every other request. It keeps no state, so one object serves every instance on every
// thread.
#pragma once

#include "tools/vsthost/EffectHost.h"

#include <cstdint>

namespace calderine {

class PlainHost final : public EffectHost {
public:
    // The interface version a current host reports.
    static constexpr std::intptr_t kVersion = 2400;

    static PlainHost& shared() noexcept;

    AEffect* instantiate(PluginEntryProc entry) override;
    void forget(const AEffect* effect) noexcept override;

private:
    static std::intptr_t CALDERINE_VST_CALL callback(AEffect* effect, std::int32_t opcode,
                                                     std::int32_t index, std::intptr_t value,
                                                     void* ptr, float opt) noexcept;
};

} // namespace calderine
