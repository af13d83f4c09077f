// The smallest concrete effect: base behaviour everywhere, plus a count of live instances so
// that tests can see construction and destruction through the record entries.
#pragma once

#include "host/AudioEffectX.h"

#include <cstdint>

namespace calderine::testing {

class TestEffect : public AudioEffectX {
public:
    static constexpr std::int32_t kPrograms = 1;
    static constexpr std::int32_t kParams = 10;
    static inline int liveInstances = 0;

    explicit TestEffect(audioMasterCallback master = nullptr, std::int32_t programs = kPrograms,
                        std::int32_t params = kParams)
        : AudioEffectX(master, programs, params) {
        ++liveInstances;
    }
    ~TestEffect() override { --liveInstances; }

    void processReplacing(float**, float**, std::int32_t) override {}

    AEffect* record() { return &cEffect; }
};

} // namespace calderine::testing
