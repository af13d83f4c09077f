#include "clap/ClapPorts.h"

#include "clap/ClapInstance.h"

#include <cstring>

namespace calderine::clap {

namespace {

// Hosts may hand 32- or 64-bit samples, the same size on both sides: the core has both paths.
constexpr std::uint32_t kPortFlags =
    kAudioPortIsMain | kAudioPortSupports64Bits | kAudioPortRequiresCommonSampleSize;
constexpr ClapId kPortId = 0;

// Main thread.
std::uint32_t CALDERINE_CLAP_CALL portCount(const ClapPlugin*, bool) {
    return 1;
}

// Main thread.
bool CALDERINE_CLAP_CALL portInfo(const ClapPlugin*, std::uint32_t index, bool isInput,
                                  ClapAudioPortInfo* info) {
    if (index != 0 || info == nullptr) {
        return false;
    }
    *info = ClapAudioPortInfo{};
    info->id = kPortId;
    std::strcpy(info->name, isInput ? "Input" : "Output");
    info->flags = kPortFlags;
    info->channel_count = 2;
    info->port_type = kPortStereo;
    info->in_place_pair = kPortId; // the output may be the input's memory
    return true;
}

// Main thread, activated: samples at the rate of the activation.
std::uint32_t CALDERINE_CLAP_CALL latency(const ClapPlugin* plugin) {
    return ClapInstance::of(plugin).core().latency();
}

const ClapPluginAudioPorts kAudioPorts{portCount, portInfo};
const ClapPluginLatency kLatency{latency};

} // namespace

const ClapPluginAudioPorts& audioPortsExtension() noexcept {
    return kAudioPorts;
}

const ClapPluginLatency& latencyExtension() noexcept {
    return kLatency;
}

} // namespace calderine::clap
