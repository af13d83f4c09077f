// One CLAP plug-in instance over the format-neutral effect core: the record a host drives,
// the life cycle, and processing with parameter changes applied on the sample they carry.
#pragma once

#include "clap/ClapCore.h"
#include "clap/ClapExtensions.h"
#include "effect/EffectCore.h"

namespace calderine::clap {

// The format's threads: create, init, activate, deactivate, destroy, the parameter queries
// and the state are the main thread's; start/stop_processing, reset and process the audio
// thread's. The debug build checks them where the host can say which thread is which.
class ClapInstance {
public:
    // Main thread: a new instance, or null when memory runs out.
    static ClapInstance* create(const ClapHost* host) noexcept;
    // The instance behind a record this module made.
    static ClapInstance& of(const ClapPlugin* plugin) noexcept {
        return *static_cast<ClapInstance*>(plugin->plugin_data);
    }

    const ClapPlugin& record() const noexcept { return plugin; }
    EffectCore& core() noexcept { return effect; }
    const EffectCore& core() const noexcept { return effect; }

    // Main thread, deactivated: false, with nothing changed, for a rate the effect does not
    // serve. Any block length from 1 to the host's maximum is served.
    bool activate(double rate) noexcept;
    // Main thread, activated.
    void deactivate() noexcept;
    // Audio thread, activated: from here the engines are the audio thread's; signal memory
    // starts from silence.
    bool startProcessing() noexcept;
    // Audio thread, processing.
    void stopProcessing() noexcept;
    // Audio thread (or main thread while not processing), activated: back to silence.
    void reset() noexcept;
    // Audio thread, processing: the block, its parameter events applied each on its sample.
    std::int32_t process(const ClapProcess& block) noexcept;
    // Audio thread while processing, else main thread: takes parameter events outside process.
    void flush(const ClapInputEvents* events) noexcept;

    void assertMainThread() const noexcept;
    void assertAudioThread() const noexcept;

private:
    explicit ClapInstance(const ClapHost* host);
    void applyEvent(const ClapEventHeader* event) noexcept;
    void processFrames(const ClapProcess& block, std::uint32_t start, std::uint32_t count) noexcept;

    const ClapHost* host;
    const ClapHostThreadCheck* threadCheck = nullptr; // read in init, as the format asks
    ClapPlugin plugin;
    EffectCore effect;
    bool active = false;

    friend struct RecordFunctions;
};

} // namespace calderine::clap
