#include "tests/support/RecordingHost.h"

#include <algorithm>
#include <atomic>
#include <map>

namespace calderine {

namespace {

// The callback is a plain function pointer shared by every host object, so requests are
// routed by the record they name. An effect asks for the host version before its record
// exists, so the host that is running an entry-point call on this thread takes those.
std::mutex registryMutex;
std::map<const AEffect*, RecordingHost*> registry;
thread_local RecordingHost* instantiatingHost = nullptr;
std::atomic<std::size_t> unroutedCalls{0};

} // namespace

RecordingHost::RecordingHost(std::intptr_t versionAnswer) : versionAnswer(versionAnswer) {}

RecordingHost::~RecordingHost() {
    const std::lock_guard lock(registryMutex);
    std::erase_if(registry, [this](const auto& entry) { return entry.second == this; });
}

AEffect* RecordingHost::instantiate(PluginEntryProc entry) {
    // Restores the previous host even if an entry point creates another instance itself.
    struct Instantiating {
        RecordingHost* previous;
        explicit Instantiating(RecordingHost* host) : previous(instantiatingHost) {
            instantiatingHost = host;
        }
        ~Instantiating() { instantiatingHost = previous; }
    };

    AEffect* effect = nullptr;
    {
        const Instantiating scope(this);
        effect = entry(&RecordingHost::callback);
    }
    if (effect != nullptr) {
        const std::lock_guard lock(registryMutex);
        registry[effect] = this;
    }
    return effect;
}

void RecordingHost::forget(const AEffect* effect) noexcept {
    const std::lock_guard lock(registryMutex);
    if (auto found = registry.find(effect); found != registry.end() && found->second == this) {
        registry.erase(found);
    }
}

std::vector<HostCall> RecordingHost::calls() const {
    const std::lock_guard lock(mutex);
    return log;
}

std::size_t RecordingHost::unroutedCallCount() {
    return unroutedCalls.load();
}

std::intptr_t RecordingHost::callback(AEffect* effect, std::int32_t opcode, std::int32_t index,
                                      std::intptr_t value, void* /*ptr*/, float opt) noexcept {
    RecordingHost* host = nullptr;
    {
        const std::lock_guard lock(registryMutex);
        if (auto found = registry.find(effect); found != registry.end()) {
            host = found->second;
        }
    }
    if (host == nullptr) {
        host = instantiatingHost;
    }
    if (host == nullptr) {
        ++unroutedCalls;
        return 0;
    }
    try {
        return host->answer(HostCall{effect, opcode, index, value, opt});
    } catch (...) {
        // Nothing may unwind into the effect; a request that cannot be logged is refused.
        return 0;
    }
}

std::intptr_t RecordingHost::answer(const HostCall& call) {
    {
        const std::lock_guard lock(mutex);
        log.push_back(call);
    }
    return call.opcode == audioMasterVersion ? versionAnswer : 0;
}

} // namespace calderine
