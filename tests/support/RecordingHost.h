// A host for tests: answers the version request with a chosen version and keeps a log of every
// request, per host object, so that tests can see exactly what an effect asked for.
#pragma once

#include "host/AEffect.h"
#include "tools/vsthost/EffectHost.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace calderine {

struct HostCall {
    const AEffect* effect; // as passed by the effect; null for requests made before it exists
    std::int32_t opcode;
    std::int32_t index;
    std::intptr_t value;
    float opt;
};

class RecordingHost final : public EffectHost {
public:
    // The interface version a current host reports.
    static constexpr std::intptr_t kDefaultVersionAnswer = 2400;

    explicit RecordingHost(std::intptr_t versionAnswer = kDefaultVersionAnswer);
    ~RecordingHost();

    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    // Calls the module's entry point with this host's callback and returns what it returns.
    // Requests made during the call, and later ones naming the returned record, come here.
    AEffect* instantiate(PluginEntryProc entry) override;
    // Stops routing requests of a record that has been closed: its address may be reused.
    void forget(const AEffect* effect) noexcept override;

    std::vector<HostCall> calls() const;

    // Requests that no host object could be found for (a record that was never returned or
    // already closed, or a null record outside an entry-point call).
    static std::size_t unroutedCallCount();

private:
    static std::intptr_t CALDERINE_VST_CALL callback(AEffect* effect, std::int32_t opcode,
                                                     std::int32_t index, std::intptr_t value,
                                                     void* ptr, float opt) noexcept;
    std::intptr_t answer(const HostCall& call);

    const std::intptr_t versionAnswer;
    mutable std::mutex mutex;
    std::vector<HostCall> log;
};

} // namespace calderine
