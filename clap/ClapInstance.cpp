#include "clap/ClapInstance.h"

#include "clap/ClapFactory.h"
#include "clap/ClapParameters.h"
#include "clap/ClapPorts.h"
#include "clap/ClapState.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>

namespace calderine::clap {

// The record's entries: each forwards to the instance the record belongs to.
struct RecordFunctions {
    static bool CALDERINE_CLAP_CALL init(const ClapPlugin* plugin) {
        ClapInstance& self = ClapInstance::of(plugin);
        const ClapHost* host = self.host;
        if (host->get_extension != nullptr) {
            self.threadCheck = static_cast<const ClapHostThreadCheck*>(
                host->get_extension(host, kThreadCheckExtension));
        }
        self.assertMainThread();
        return true;
    }
    static void CALDERINE_CLAP_CALL destroy(const ClapPlugin* plugin) {
        ClapInstance& self = ClapInstance::of(plugin);
        self.assertMainThread();
        delete &self;
    }
    static bool CALDERINE_CLAP_CALL activate(const ClapPlugin* plugin, double rate, std::uint32_t,
                                             std::uint32_t) {
        return ClapInstance::of(plugin).activate(rate);
    }
    static void CALDERINE_CLAP_CALL deactivate(const ClapPlugin* plugin) {
        ClapInstance::of(plugin).deactivate();
    }
    static bool CALDERINE_CLAP_CALL startProcessing(const ClapPlugin* plugin) {
        return ClapInstance::of(plugin).startProcessing();
    }
    static void CALDERINE_CLAP_CALL stopProcessing(const ClapPlugin* plugin) {
        ClapInstance::of(plugin).stopProcessing();
    }
    static void CALDERINE_CLAP_CALL reset(const ClapPlugin* plugin) {
        ClapInstance::of(plugin).reset();
    }
    static std::int32_t CALDERINE_CLAP_CALL process(const ClapPlugin* plugin,
                                                    const ClapProcess* block) {
        return block != nullptr ? ClapInstance::of(plugin).process(*block) : kProcessError;
    }
    // Any thread: the extensions are static tables.
    static const void* CALDERINE_CLAP_CALL extension(const ClapPlugin*, const char* id) {
        if (id == nullptr) {
            return nullptr;
        }
        if (std::strcmp(id, kParamsExtension) == 0) {
            return &parametersExtension();
        }
        if (std::strcmp(id, kAudioPortsExtension) == 0) {
            return &audioPortsExtension();
        }
        if (std::strcmp(id, kLatencyExtension) == 0) {
            return &latencyExtension();
        }
        if (std::strcmp(id, kStateExtension) == 0) {
            return &stateExtension();
        }
        return nullptr;
    }
    static void CALDERINE_CLAP_CALL onMainThread(const ClapPlugin*) {}
};

ClapInstance::ClapInstance(const ClapHost* host)
    : host(host), plugin{&pluginDescriptor(),
                         this,
                         &RecordFunctions::init,
                         &RecordFunctions::destroy,
                         &RecordFunctions::activate,
                         &RecordFunctions::deactivate,
                         &RecordFunctions::startProcessing,
                         &RecordFunctions::stopProcessing,
                         &RecordFunctions::reset,
                         &RecordFunctions::process,
                         &RecordFunctions::extension,
                         &RecordFunctions::onMainThread} {}

ClapInstance* ClapInstance::create(const ClapHost* host) noexcept {
    try {
        return new ClapInstance(host);
    } catch (const std::bad_alloc&) {
        return nullptr; // the engines' buffers did not fit
    }
}

bool ClapInstance::activate(double rate) noexcept {
    assertMainThread();
    if (active || !effect.setSampleRate(rate)) {
        return false;
    }
    active = true;
    return true;
}

void ClapInstance::deactivate() noexcept {
    assertMainThread();
    active = false;
}

bool ClapInstance::startProcessing() noexcept {
    assertAudioThread();
    effect.resume();
    return true;
}

void ClapInstance::stopProcessing() noexcept {
    assertAudioThread();
    effect.suspend();
}

void ClapInstance::reset() noexcept {
    effect.reset();
}

void ClapInstance::flush(const ClapInputEvents* events) noexcept {
    const std::uint32_t count =
        events != nullptr && events->size != nullptr ? events->size(events) : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        applyEvent(events->get(events, i));
    }
}

void ClapInstance::applyEvent(const ClapEventHeader* event) noexcept {
    if (event == nullptr || event->space_id != kCoreEventSpace || event->type != kEventParamValue ||
        event->size < sizeof(ClapEventParamValue)) {
        return; // nothing else concerns an effect without notes
    }
    const auto* change = reinterpret_cast<const ClapEventParamValue*>(event);
    std::size_t index = 0;
    if (parameterIndex(change->param_id, index)) {
        effect.setPlain(index, change->value);
    }
}

std::int32_t ClapInstance::process(const ClapProcess& block) noexcept {
    assertAudioThread();
    const ClapInputEvents* events = block.in_events;
    const std::uint32_t eventCount =
        events != nullptr && events->size != nullptr ? events->size(events) : 0;
    const auto eventAt = [&](std::uint32_t i) { return events->get(events, i); };
    // The block in segments that end where an event's sample begins; the core's output does not
    // depend on where blocks end, so this is each change on its own sample, exactly.
    const std::uint32_t frames = block.frames_count;
    std::uint32_t next = 0;
    std::uint32_t start = 0;
    do {
        for (; next < eventCount; ++next) {
            const ClapEventHeader* event = eventAt(next);
            if (event != nullptr && event->time > start) {
                break;
            }
            applyEvent(event);
        }
        const std::uint32_t end =
            next < eventCount ? std::min(frames, eventAt(next)->time) : frames;
        processFrames(block, start, end - start); // also for 0 frames: applies the changes
        start = end;
    } while (start < frames);
    // Events stamped past the block (a host's slip) still land, at its end.
    for (; next < eventCount; ++next) {
        applyEvent(eventAt(next));
    }
    return kProcessContinue;
}

namespace {

// Both channels of a port from frame start on, or false where the host left one out.
template <typename Sample>
bool channelsFrom(Sample* const* data, std::uint32_t start, Sample* (&channels)[2]) noexcept {
    if (data == nullptr || data[0] == nullptr || data[1] == nullptr) {
        return false;
    }
    channels[0] = data[0] + start;
    channels[1] = data[1] + start;
    return true;
}

// Processes the frames when both ports carry Sample; false, with nothing done, otherwise.
template <typename Sample>
bool processIn(EffectCore& effect, Sample* const* in, Sample* const* out, std::uint32_t start,
               std::int32_t frames) noexcept {
    Sample* inputs[2];
    Sample* outputs[2];
    if (!channelsFrom(in, start, inputs) || !channelsFrom(out, start, outputs)) {
        return false;
    }
    effect.process(inputs, outputs, frames);
    return true;
}

} // namespace

void ClapInstance::processFrames(const ClapProcess& block, std::uint32_t start,
                                 std::uint32_t count) noexcept {
    const auto frames = static_cast<std::int32_t>(count);
    const bool stereo = block.audio_inputs_count >= 1 && block.audio_outputs_count >= 1 &&
                        block.audio_inputs != nullptr && block.audio_outputs != nullptr &&
                        block.audio_inputs[0].channel_count >= 2 &&
                        block.audio_outputs[0].channel_count >= 2;
    // The ports ask for one sample size on both sides, the one the host chose.
    if (stereo) {
        const ClapAudioBuffer& in = block.audio_inputs[0];
        const ClapAudioBuffer& out = block.audio_outputs[0];
        if (processIn(effect, in.data64, out.data64, start, frames) ||
            processIn(effect, in.data32, out.data32, start, frames)) {
            return;
        }
    }
    // No usable audio: the changes still apply, nothing is written.
    effect.process(static_cast<const float* const*>(nullptr), nullptr, 0);
}

void ClapInstance::assertMainThread() const noexcept {
    assert(threadCheck == nullptr || threadCheck->is_main_thread(host));
}

void ClapInstance::assertAudioThread() const noexcept {
    assert(threadCheck == nullptr || threadCheck->is_audio_thread(host));
}

} // namespace calderine::clap
