// The part of the CLAP binary interface the plug-in uses: entry, factory, descriptor, host and
// plug-in records, processing, events and streams. Declared here from the format's published
// facts; every record's size and field offsets are pinned below for 64- and 32-bit builds, as
// a host compiled against the format's own headers lays them out.
#pragma once

#include <cstddef>
#include <cstdint>

// The format's calling convention for every function pointer: cdecl on 32-bit Windows, the one
// native convention elsewhere.
#if defined(_WIN32)
#define CALDERINE_CLAP_CALL __cdecl
#else
#define CALDERINE_CLAP_CALL
#endif

namespace calderine::clap {

using ClapId = std::uint32_t;
inline constexpr ClapId kInvalidId = 0xFFFFFFFFu;

// Sizes of the fixed text fields, terminating zero included.
inline constexpr std::size_t kNameSize = 256;
inline constexpr std::size_t kPathSize = 1024;

struct ClapVersion {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
};
// The interface version the plug-in is written against; hosts accept any 1.x.
inline constexpr ClapVersion kClapVersion{1, 2, 0};

inline constexpr const char* kPluginFactoryId = "clap.plugin-factory";

struct ClapHost;
struct ClapPlugin;
struct ClapProcess;

struct ClapPluginEntry {
    ClapVersion clap_version;
    bool(CALDERINE_CLAP_CALL* init)(const char* plugin_path);
    void(CALDERINE_CLAP_CALL* deinit)();
    const void*(CALDERINE_CLAP_CALL* get_factory)(const char* factory_id);
};

struct ClapPluginDescriptor {
    ClapVersion clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features; // null-terminated
};

struct ClapPluginFactory {
    std::uint32_t(CALDERINE_CLAP_CALL* get_plugin_count)(const ClapPluginFactory* factory);
    const ClapPluginDescriptor*(CALDERINE_CLAP_CALL* get_plugin_descriptor)(
        const ClapPluginFactory* factory, std::uint32_t index);
    const ClapPlugin*(CALDERINE_CLAP_CALL* create_plugin)(const ClapPluginFactory* factory,
                                                          const ClapHost* host,
                                                          const char* plugin_id);
};

struct ClapHost {
    ClapVersion clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void*(CALDERINE_CLAP_CALL* get_extension)(const ClapHost* host, const char* id);
    void(CALDERINE_CLAP_CALL* request_restart)(const ClapHost* host);
    void(CALDERINE_CLAP_CALL* request_process)(const ClapHost* host);
    void(CALDERINE_CLAP_CALL* request_callback)(const ClapHost* host);
};

// process() answers.
enum ClapProcessStatus : std::int32_t {
    kProcessError = 0,
    kProcessContinue = 1,
    kProcessContinueIfNotQuiet = 2,
    kProcessTail = 3,
    kProcessSleep = 4,
};

struct ClapPlugin {
    const ClapPluginDescriptor* desc;
    void* plugin_data;
    bool(CALDERINE_CLAP_CALL* init)(const ClapPlugin* plugin);
    void(CALDERINE_CLAP_CALL* destroy)(const ClapPlugin* plugin);
    bool(CALDERINE_CLAP_CALL* activate)(const ClapPlugin* plugin, double sample_rate,
                                        std::uint32_t min_frames_count,
                                        std::uint32_t max_frames_count);
    void(CALDERINE_CLAP_CALL* deactivate)(const ClapPlugin* plugin);
    bool(CALDERINE_CLAP_CALL* start_processing)(const ClapPlugin* plugin);
    void(CALDERINE_CLAP_CALL* stop_processing)(const ClapPlugin* plugin);
    void(CALDERINE_CLAP_CALL* reset)(const ClapPlugin* plugin);
    std::int32_t(CALDERINE_CLAP_CALL* process)(const ClapPlugin* plugin,
                                               const ClapProcess* process);
    const void*(CALDERINE_CLAP_CALL* get_extension)(const ClapPlugin* plugin, const char* id);
    void(CALDERINE_CLAP_CALL* on_main_thread)(const ClapPlugin* plugin);
};

// One port's channels: data32 or data64 is set, as the host chose for the port.
struct ClapAudioBuffer {
    float** data32;
    double** data64;
    std::uint32_t channel_count;
    std::uint32_t latency;
    std::uint64_t constant_mask;
};

struct ClapEventHeader {
    std::uint32_t size; // bytes of the whole event
    std::uint32_t time; // sample offset within the block
    std::uint16_t space_id;
    std::uint16_t type;
    std::uint32_t flags;
};
inline constexpr std::uint16_t kCoreEventSpace = 0;
inline constexpr std::uint16_t kEventParamValue = 5;

struct ClapEventParamValue {
    ClapEventHeader header;
    ClapId param_id;
    void* cookie;
    std::int32_t note_id; // -1 for all; as port_index, channel and key
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double value; // plain units
};

// Sorted by time.
struct ClapInputEvents {
    void* ctx;
    std::uint32_t(CALDERINE_CLAP_CALL* size)(const ClapInputEvents* list);
    const ClapEventHeader*(CALDERINE_CLAP_CALL* get)(const ClapInputEvents* list,
                                                     std::uint32_t index);
};

struct ClapOutputEvents {
    void* ctx;
    bool(CALDERINE_CLAP_CALL* try_push)(const ClapOutputEvents* list, const ClapEventHeader* event);
};

struct ClapProcess {
    std::int64_t steady_time;
    std::uint32_t frames_count;
    const void* transport;
    const ClapAudioBuffer* audio_inputs;
    ClapAudioBuffer* audio_outputs;
    std::uint32_t audio_inputs_count;
    std::uint32_t audio_outputs_count;
    const ClapInputEvents* in_events;
    const ClapOutputEvents* out_events;
};

// Streams move at most size bytes per call and answer the count moved, 0 at the end, or a
// negative number on error.
struct ClapInputStream {
    void* ctx;
    std::int64_t(CALDERINE_CLAP_CALL* read)(const ClapInputStream* stream, void* buffer,
                                            std::uint64_t size);
};

struct ClapOutputStream {
    void* ctx;
    std::int64_t(CALDERINE_CLAP_CALL* write)(const ClapOutputStream* stream, const void* buffer,
                                             std::uint64_t size);
};

// ---- Layout proofs. 32-bit layouts are Windows' (64-bit integers and doubles 8-aligned).
#if !defined(_WIN32)
static_assert(sizeof(void*) == 8, "the 32-bit layout is pinned for Windows only");
#endif
inline constexpr bool kWide = sizeof(void*) == 8;
constexpr std::size_t pick(std::size_t wide, std::size_t narrow) {
    return kWide ? wide : narrow;
}

static_assert(sizeof(ClapVersion) == 12);
static_assert(offsetof(ClapPluginEntry, init) == pick(16, 12));
static_assert(offsetof(ClapPluginEntry, deinit) == pick(24, 16));
static_assert(offsetof(ClapPluginEntry, get_factory) == pick(32, 20));
static_assert(sizeof(ClapPluginEntry) == pick(40, 24));

static_assert(offsetof(ClapPluginDescriptor, id) == pick(16, 12));
static_assert(offsetof(ClapPluginDescriptor, version) == pick(64, 36));
static_assert(offsetof(ClapPluginDescriptor, features) == pick(80, 44));
static_assert(sizeof(ClapPluginDescriptor) == pick(88, 48));
static_assert(sizeof(ClapPluginFactory) == pick(24, 12));

static_assert(offsetof(ClapHost, host_data) == pick(16, 12));
static_assert(offsetof(ClapHost, get_extension) == pick(56, 32));
static_assert(offsetof(ClapHost, request_callback) == pick(80, 44));
static_assert(sizeof(ClapHost) == pick(88, 48));

static_assert(offsetof(ClapPlugin, init) == pick(16, 8));
static_assert(offsetof(ClapPlugin, activate) == pick(32, 16));
static_assert(offsetof(ClapPlugin, reset) == pick(64, 32));
static_assert(offsetof(ClapPlugin, process) == pick(72, 36));
static_assert(offsetof(ClapPlugin, on_main_thread) == pick(88, 44));
static_assert(sizeof(ClapPlugin) == pick(96, 48));

static_assert(offsetof(ClapAudioBuffer, data64) == pick(8, 4));
static_assert(offsetof(ClapAudioBuffer, channel_count) == pick(16, 8));
static_assert(offsetof(ClapAudioBuffer, constant_mask) == pick(24, 16));
static_assert(sizeof(ClapAudioBuffer) == pick(32, 24));

static_assert(offsetof(ClapEventHeader, space_id) == 8);
static_assert(offsetof(ClapEventHeader, type) == 10);
static_assert(sizeof(ClapEventHeader) == 16);
static_assert(offsetof(ClapEventParamValue, param_id) == 16);
static_assert(offsetof(ClapEventParamValue, cookie) == pick(24, 20));
static_assert(offsetof(ClapEventParamValue, note_id) == pick(32, 24));
static_assert(offsetof(ClapEventParamValue, key) == pick(40, 32));
static_assert(offsetof(ClapEventParamValue, value) == pick(48, 40));
static_assert(sizeof(ClapEventParamValue) == pick(56, 48));
static_assert(sizeof(ClapInputEvents) == pick(24, 12));
static_assert(sizeof(ClapOutputEvents) == pick(16, 8));

static_assert(offsetof(ClapProcess, frames_count) == 8);
static_assert(offsetof(ClapProcess, transport) == pick(16, 12));
static_assert(offsetof(ClapProcess, audio_inputs) == pick(24, 16));
static_assert(offsetof(ClapProcess, audio_outputs) == pick(32, 20));
static_assert(offsetof(ClapProcess, audio_inputs_count) == pick(40, 24));
static_assert(offsetof(ClapProcess, in_events) == pick(48, 32));
static_assert(offsetof(ClapProcess, out_events) == pick(56, 36));
static_assert(sizeof(ClapProcess) == pick(64, 40));
static_assert(sizeof(ClapInputStream) == pick(16, 8) && sizeof(ClapOutputStream) == pick(16, 8));

} // namespace calderine::clap
