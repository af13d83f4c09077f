// The module's one exported symbol. Compiled into the module only; tests reach the same
// descriptor through pluginDescriptor.
#include "lv2/Lv2Descriptor.h"

// Discovery class, any thread: the bundle holds one plug-in, at index 0.
// LV2_SYMBOL_EXPORT declares it extern "C" and visible.
LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &calderine::lv2::pluginDescriptor() : nullptr;
}
