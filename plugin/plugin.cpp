#include "plugin/plugin.h"

namespace calderine {

static_assert(plugin::kFlags == 0x1018);
static_assert(plugin::kUniqueId == 0x434C4452);

plugin::plugin(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParameters) {
    cEffect.flags |= kFlags;
    cEffect.numInputs = kNumChannels;
    cEffect.numOutputs = kNumChannels;
    cEffect.uniqueID = kUniqueId;
}

void plugin::processReplacing(float**, float**, std::int32_t) {}

AudioEffect* createPluginInstance(audioMasterCallback audioMaster) {
    return new plugin(audioMaster);
}

} // namespace calderine
