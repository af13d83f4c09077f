#include "clap/ClapFactory.h"

#include "clap/ClapInstance.h"

#include <cstring>

namespace calderine::clap {

namespace {

#define CALDERINE_TEXT(x) #x
#define CALDERINE_VERSION_TEXT(major, minor, patch)                                                \
    CALDERINE_TEXT(major) "." CALDERINE_TEXT(minor) "." CALDERINE_TEXT(patch)

constexpr const char* kFeatures[] = {"audio-effect", "stereo", "restoration", "filter", nullptr};

const ClapPluginDescriptor kDescriptor{
    kClapVersion,
    kPluginId,
    "calderine",
    "pemberlow",
    "https://calderine.pemberlow.invalid",
    "",
    "",
    CALDERINE_VERSION_TEXT(CALDERINE_VERSION_MAJOR, CALDERINE_VERSION_MINOR,
                           CALDERINE_VERSION_PATCH),
    "Splits a signal into its noise and tone parts and shapes each apart",
    kFeatures};

// Any thread.
std::uint32_t CALDERINE_CLAP_CALL pluginCount(const ClapPluginFactory*) {
    return 1;
}

// Any thread.
const ClapPluginDescriptor* CALDERINE_CLAP_CALL descriptorAt(const ClapPluginFactory*,
                                                             std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}

// Main thread: null for another id, a host of an incompatible interface, or no memory.
const ClapPlugin* CALDERINE_CLAP_CALL createPlugin(const ClapPluginFactory*, const ClapHost* host,
                                                   const char* id) {
    if (host == nullptr || id == nullptr || std::strcmp(id, kPluginId) != 0 ||
        host->clap_version.major < 1) {
        return nullptr;
    }
    ClapInstance* instance = ClapInstance::create(host);
    return instance != nullptr ? &instance->record() : nullptr;
}

const ClapPluginFactory kFactory{pluginCount, descriptorAt, createPlugin};

} // namespace

bool CALDERINE_CLAP_CALL entryInit(const char*) {
    return true;
}

void CALDERINE_CLAP_CALL entryDeinit() {}

const void* CALDERINE_CLAP_CALL entryFactory(const char* id) {
    return id != nullptr && std::strcmp(id, kPluginFactoryId) == 0 ? &kFactory : nullptr;
}

const ClapPluginDescriptor& pluginDescriptor() noexcept {
    return kDescriptor;
}

const ClapPluginFactory& pluginFactory() noexcept {
    return kFactory;
}

} // namespace calderine::clap
