// One effect instance driven as a host drives it: created through the module's entry point
// with a host callback, reached only through its record's six entries, closed
// with effClose when it goes out of scope. What the record reports is distrusted: every count
// is read afresh and bounded (RecordLimits.h) each time it is asked for, every text is cut.
#pragma once

#include "host/AEffect.h"
#include "tools/vsthost/EffectHost.h"
#include "tools/vsthost/PlainHost.h"
#include "tools/vsthost/PluginModule.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace calderine {

using FloatChannels = std::vector<std::vector<float>>;
using DoubleChannels = std::vector<std::vector<double>>;

class HostedEffect {
public:
    // Throws HostError when the entry point returns null, something that is not a record, a
    // record without a dispatcher, setParameter or getParameter, or counts checkRecord refuses.
    // `host` answers the effect's requests and must outlive this object.
    explicit HostedEffect(std::shared_ptr<const PluginModule> module,
                          EffectHost& host = PlainHost::shared());
    ~HostedEffect();

    HostedEffect(const HostedEffect&) = delete;
    HostedEffect& operator=(const HostedEffect&) = delete;

    // The record as the effect filled it, for calls the helpers do not cover; throws
    // HostError once the effect is closed.
    AEffect& record() const;
    // Throws HostError when a count or the latency the record reports now is out of bounds;
    // an effect may change them when opened or switched on.
    void checkRecord() const;
    const PluginModule& module() const noexcept { return *loadedModule; }

    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f);

    std::string effectName();
    std::string vendorString();
    std::string productString();
    std::intptr_t vendorVersion();
    // 1 yes, -1 no, 0 don't know.
    std::intptr_t canDo(std::string_view feature);

    // Each of these counts as the record reports it now; throws HostError when it is beyond
    // RecordLimits.h or negative.
    std::int32_t inputCount() const;
    std::int32_t outputCount() const;
    // In samples; never negative.
    std::int32_t latency() const;

    std::int32_t parameterCount() const;
    std::string parameterName(std::int32_t index);
    std::string parameterLabel(std::int32_t index);
    std::string parameterDisplay(std::int32_t index);
    float parameter(std::int32_t index);
    void setParameter(std::int32_t index, float normalised);

    std::int32_t programCount() const;
    std::int32_t program();
    void setProgram(std::int32_t program);
    std::string programName();

    void setSampleRate(float rate);
    void setBlockSize(std::int32_t frames);
    void resume();
    void suspend();

    // One block: as many channels as the record declares inputs and outputs, all of the same
    // length, which is the block's frame count.
    void processReplacing(const FloatChannels& inputs, FloatChannels& outputs);
    void processDoubleReplacing(const DoubleChannels& inputs, DoubleChannels& outputs);

    // Sends effClose and returns its answer; the record no longer exists afterwards.
    std::intptr_t close();
    bool isOpen() const noexcept { return effect != nullptr; }

private:
    // Returned cut to kLongestText bytes, at a character boundary.
    std::string text(std::int32_t opcode, std::int32_t index = 0);
    std::int32_t bounded(std::int32_t count, std::int32_t most, const char* what) const;
    template <typename Sample, typename Process>
    void process(Process entry, std::int32_t requiredFlag, const char* entryName,
                 const std::vector<std::vector<Sample>>& inputs,
                 std::vector<std::vector<Sample>>& outputs);

    std::shared_ptr<const PluginModule> loadedModule;
    EffectHost* effectHost;
    AEffect* effect = nullptr;
    std::vector<char> textBuffer;
};

} // namespace calderine
