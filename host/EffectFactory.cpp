#include "host/EffectFactory.h"

#include "host/AudioEffect.h"

#include <memory>

namespace calderine {

AEffect* createEffect(audioMasterCallback host, EffectFactoryFunction factory) noexcept {
    if (host == nullptr || factory == nullptr)
        return nullptr;
    try {
        // Any non-zero version is accepted; 0 means no host is answering.
        if (host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
            return nullptr;
        std::unique_ptr<AudioEffect> instance(factory(host));
        if (!instance)
            return nullptr;
        AEffect* const record = instance->getAeffect();
        // From here on the host owns the instance through the record until effClose.
        instance.release();
        return record;
    } catch (...) {
        return nullptr;
    }
}

} // namespace calderine
