// A small CLAP host for the tests: one plug-in from an entry record (the built module's, or the
// in-process one), driven through the format's records only, with events and streams of its
// own.
#pragma once

#include "clap/ClapCore.h"
#include "clap/ClapExtensions.h"
#include "clap/ClapFactory.h"

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace calderine::clap::testing {

// Parameter events for one process call, kept sorted by the caller.
class EventList {
public:
    EventList() = default;
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;

    void add(std::uint32_t time, ClapId id, double value) {
        ClapEventParamValue event{};
        event.header = {sizeof(ClapEventParamValue), time, kCoreEventSpace, kEventParamValue, 0};
        event.param_id = id;
        event.note_id = -1;
        event.port_index = event.channel = event.key = -1;
        event.value = value;
        events.push_back(event);
    }
    const ClapInputEvents* list() const { return &record; }

private:
    static std::uint32_t CALDERINE_CLAP_CALL size(const ClapInputEvents* list) {
        return static_cast<std::uint32_t>(self(list).events.size());
    }
    static const ClapEventHeader* CALDERINE_CLAP_CALL get(const ClapInputEvents* list,
                                                          std::uint32_t index) {
        return &self(list).events.at(index).header;
    }
    static const EventList& self(const ClapInputEvents* list) {
        return *static_cast<const EventList*>(list->ctx);
    }
    std::vector<ClapEventParamValue> events;
    ClapInputEvents record{this, size, get};
};

// A plug-in instance: created and initialised, deactivated; destroyed with the object.
class HostedClap {
public:
    explicit HostedClap(const ClapPluginEntry& entry) {
        if (!entry.init("")) {
            throw std::runtime_error("entry init failed");
        }
        factory = static_cast<const ClapPluginFactory*>(entry.get_factory(kPluginFactoryId));
        if (factory == nullptr || factory->get_plugin_count(factory) != 1) {
            throw std::runtime_error("no plug-in factory with one plug-in");
        }
        const ClapPluginDescriptor* descriptor = factory->get_plugin_descriptor(factory, 0);
        plugin = factory->create_plugin(factory, &host, descriptor->id);
        if (plugin == nullptr || !plugin->init(plugin)) {
            throw std::runtime_error("no plug-in");
        }
        params = extension<ClapPluginParams>(kParamsExtension);
        state = extension<ClapPluginState>(kStateExtension);
    }
    ~HostedClap() { plugin->destroy(plugin); }
    HostedClap(const HostedClap&) = delete;
    HostedClap& operator=(const HostedClap&) = delete;

    template <typename Extension>
    const Extension* extension(const char* id) const {
        return static_cast<const Extension*>(plugin->get_extension(plugin, id));
    }
    bool activate(double rate, std::uint32_t maxFrames = 4096) {
        return plugin->activate(plugin, rate, 1, maxFrames);
    }
    void start() { plugin->start_processing(plugin); }

    // One process call over channels[0..1] in place, 32- or 64-bit.
    template <typename Sample>
    void process(std::vector<std::vector<Sample>>& channels, std::size_t start,
                 std::uint32_t frames, const EventList& events = EventList{}) {
        Sample* data[2] = {channels[0].data() + start, channels[1].data() + start};
        ClapAudioBuffer in{}, out{};
        in.channel_count = out.channel_count = 2;
        if constexpr (sizeof(Sample) == 8) {
            in.data64 = out.data64 = data;
        } else {
            in.data32 = out.data32 = data;
        }
        ClapProcess block{};
        block.steady_time = -1;
        block.frames_count = frames;
        block.audio_inputs = &in;
        block.audio_outputs = &out;
        block.audio_inputs_count = block.audio_outputs_count = 1;
        block.in_events = events.list();
        if (plugin->process(plugin, &block) != kProcessContinue) {
            throw std::runtime_error("process failed");
        }
    }
    // Sets a parameter outside processing, as a host does through flush.
    void set(ClapId id, double value) {
        EventList events;
        events.add(0, id, value);
        params->flush(plugin, events.list(), nullptr);
    }
    double value(ClapId id) const {
        double v = 0.0;
        if (!params->get_value(plugin, id, &v)) {
            throw std::runtime_error("no value");
        }
        return v;
    }

    const ClapPlugin* plugin = nullptr;
    const ClapPluginParams* params = nullptr;
    const ClapPluginState* state = nullptr;

private:
    static const void* CALDERINE_CLAP_CALL hostExtension(const ClapHost*, const char*) {
        return nullptr;
    }
    static void CALDERINE_CLAP_CALL request(const ClapHost*) {}
    const ClapPluginFactory* factory = nullptr;
    ClapHost host{kClapVersion, nullptr,       "calderine tests", "calderine", "",
                  "1",          hostExtension, request,           request,     request};
};

// The in-process entry: the same functions the module's clap_entry holds.
inline const ClapPluginEntry kInProcessEntry{kClapVersion, entryInit, entryDeinit, entryFactory};

} // namespace calderine::clap::testing
