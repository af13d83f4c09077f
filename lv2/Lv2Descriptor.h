// The plug-in's LV2 descriptor: the callbacks through which a host drives Lv2Plugin.
#pragma once

#include <lv2/core/lv2.h>

namespace calderine::lv2 {

// Any thread: static for the life of the module.
const LV2_Descriptor& pluginDescriptor() noexcept;

} // namespace calderine::lv2
