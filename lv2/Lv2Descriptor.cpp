#include "lv2/Lv2Descriptor.h"

#include "lv2/Lv2Plugin.h"

namespace calderine::lv2 {

namespace {

Lv2Plugin* plugin(LV2_Handle handle) noexcept {
    return static_cast<Lv2Plugin*>(handle);
}

// No host feature is required: simple hosts offer none, and the effect needs none.
LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const*) noexcept {
    return Lv2Plugin::create(rate).release();
}

void connectPort(LV2_Handle handle, uint32_t port, void* location) noexcept {
    plugin(handle)->connect(port, location);
}

void activate(LV2_Handle handle) noexcept {
    plugin(handle)->activate();
}

void run(LV2_Handle handle, uint32_t count) noexcept {
    plugin(handle)->run(count);
}

void deactivate(LV2_Handle handle) noexcept {
    plugin(handle)->deactivate();
}

void cleanup(LV2_Handle handle) noexcept {
    delete plugin(handle);
}

const void* extensionData(const char*) noexcept {
    return nullptr;
}

const LV2_Descriptor descriptor{kPluginUri, instantiate, connectPort, activate,
                                run,        deactivate,  cleanup,     extensionData};

} // namespace

const LV2_Descriptor& pluginDescriptor() noexcept {
    return descriptor;
}

} // namespace calderine::lv2
