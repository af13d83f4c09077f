// The effect class that the host drives: a stereo tone/noise shaper.
#pragma once

#include "host/AudioEffectX.h"

#include <cstdint>

namespace calderine {

class plugin : public AudioEffectX {
public:
    static constexpr std::int32_t kNumPrograms = 1;
    static constexpr std::int32_t kNumParameters = 10;
    static constexpr std::int32_t kNumChannels = 2; // inputs and outputs alike
    static constexpr std::int32_t kUniqueId = fourCharCode("CLDR");
    // Both replacing precisions, and (deprecated) mono input accepted.
    static constexpr std::int32_t kFlags =
        effFlagsCanDoubleReplacing | effFlagsCanReplacing | effFlagsCanMono;

    // Entry point, any host thread: a new, independent instance.
    explicit plugin(audioMasterCallback audioMaster);

    // Audio thread, resumed. The processing chain is not wired in yet, so the outputs are left
    // exactly as the host handed them over.
    void processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames) override;
};

// The construction the exported entry point hands to createEffect; tests build instances
// in-process through it as well.
AudioEffect* createPluginInstance(audioMasterCallback audioMaster);

} // namespace calderine
