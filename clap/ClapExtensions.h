// The CLAP extensions the plug-in offers (parameters, audio ports, latency, state) and the one
// host extension it reads (thread identity, for the debug build's checks). Layouts pinned as in
// ClapCore.h.
#pragma once

#include "clap/ClapCore.h"

namespace calderine::clap {

inline constexpr const char* kParamsExtension = "clap.params";
inline constexpr const char* kAudioPortsExtension = "clap.audio-ports";
inline constexpr const char* kLatencyExtension = "clap.latency";
inline constexpr const char* kStateExtension = "clap.state";
inline constexpr const char* kThreadCheckExtension = "clap.thread-check";

// Parameter flags (the bits this plug-in sets).
inline constexpr std::uint32_t kParamIsStepped = 1u << 0;
inline constexpr std::uint32_t kParamIsBypass = 1u << 4;
inline constexpr std::uint32_t kParamIsAutomatable = 1u << 5;
inline constexpr std::uint32_t kParamIsEnum = 1u << 16; // with kParamIsStepped

struct ClapParamInfo {
    ClapId id;
    std::uint32_t flags;
    void* cookie;
    char name[kNameSize];
    char module[kPathSize];
    double min_value; // plain units, as every value of the extension
    double max_value;
    double default_value;
};

struct ClapPluginParams {
    std::uint32_t(CALDERINE_CLAP_CALL* count)(const ClapPlugin* plugin);
    bool(CALDERINE_CLAP_CALL* get_info)(const ClapPlugin* plugin, std::uint32_t param_index,
                                        ClapParamInfo* info);
    bool(CALDERINE_CLAP_CALL* get_value)(const ClapPlugin* plugin, ClapId param_id, double* value);
    bool(CALDERINE_CLAP_CALL* value_to_text)(const ClapPlugin* plugin, ClapId param_id,
                                             double value, char* text, std::uint32_t capacity);
    bool(CALDERINE_CLAP_CALL* text_to_value)(const ClapPlugin* plugin, ClapId param_id,
                                             const char* text, double* value);
    void(CALDERINE_CLAP_CALL* flush)(const ClapPlugin* plugin, const ClapInputEvents* in,
                                     const ClapOutputEvents* out);
};

inline constexpr std::uint32_t kAudioPortIsMain = 1u << 0;
inline constexpr std::uint32_t kAudioPortSupports64Bits = 1u << 1;
inline constexpr std::uint32_t kAudioPortRequiresCommonSampleSize = 1u << 3;
inline constexpr const char* kPortStereo = "stereo";

struct ClapAudioPortInfo {
    ClapId id;
    char name[kNameSize];
    std::uint32_t flags;
    std::uint32_t channel_count;
    const char* port_type;
    ClapId in_place_pair;
};

struct ClapPluginAudioPorts {
    std::uint32_t(CALDERINE_CLAP_CALL* count)(const ClapPlugin* plugin, bool is_input);
    bool(CALDERINE_CLAP_CALL* get)(const ClapPlugin* plugin, std::uint32_t index, bool is_input,
                                   ClapAudioPortInfo* info);
};

struct ClapPluginLatency {
    std::uint32_t(CALDERINE_CLAP_CALL* get)(const ClapPlugin* plugin);
};

struct ClapPluginState {
    bool(CALDERINE_CLAP_CALL* save)(const ClapPlugin* plugin, const ClapOutputStream* stream);
    bool(CALDERINE_CLAP_CALL* load)(const ClapPlugin* plugin, const ClapInputStream* stream);
};

struct ClapHostThreadCheck {
    bool(CALDERINE_CLAP_CALL* is_main_thread)(const ClapHost* host);
    bool(CALDERINE_CLAP_CALL* is_audio_thread)(const ClapHost* host);
};

static_assert(offsetof(ClapParamInfo, cookie) == 8);
static_assert(offsetof(ClapParamInfo, name) == pick(16, 12));
static_assert(offsetof(ClapParamInfo, module) == pick(272, 268));
static_assert(offsetof(ClapParamInfo, min_value) == 1296);
static_assert(offsetof(ClapParamInfo, default_value) == 1312);
static_assert(sizeof(ClapParamInfo) == 1320);
static_assert(sizeof(ClapPluginParams) == pick(48, 24));

static_assert(offsetof(ClapAudioPortInfo, flags) == 260);
static_assert(offsetof(ClapAudioPortInfo, channel_count) == 264);
static_assert(offsetof(ClapAudioPortInfo, port_type) == pick(272, 268));
static_assert(offsetof(ClapAudioPortInfo, in_place_pair) == pick(280, 272));
static_assert(sizeof(ClapAudioPortInfo) == pick(288, 276));
static_assert(sizeof(ClapPluginAudioPorts) == pick(16, 8));
static_assert(sizeof(ClapPluginLatency) == pick(8, 4));
static_assert(sizeof(ClapPluginState) == pick(16, 8));
static_assert(sizeof(ClapHostThreadCheck) == pick(16, 8));

} // namespace calderine::clap
