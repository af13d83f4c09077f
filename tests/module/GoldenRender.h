// Golden renders: a compact, fixed set of renders of the module, stored as excerpts in the
// repository, that pins what the effect sounds like. The cases cover the served rates of
// everyday use, every stereo mode, every parameter (at the defaults and at settings that put
// each shaping element in the path), a change of settings in mid-stream, and both sample types.
//
// Every render feeds the module the same deterministic input (exact arithmetic only), so the
// excerpts depend on nothing but the module.
#pragma once

#include "tools/vsthost/PluginModule.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace calderine::golden {

// One stored piece of one output channel: `samples` are output samples start .. start+size-1
// as the module delivers them (latency included).
struct Excerpt {
    std::string name; // "<float|double>/<left|right>/<start>"
    std::uint64_t start = 0;
    std::vector<double> samples;
};

struct CaseRender {
    std::string name; // "<rate>-<setting>", also the golden file's stem
    std::vector<Excerpt> excerpts;
};

// The names of all cases, in a fixed order.
std::vector<std::string> caseNames();

// Renders one case through fresh instances of the module, float and double. Throws HostError
// when the module misbehaves and std::invalid_argument for an unknown case.
CaseRender renderCase(const std::shared_ptr<const PluginModule>& module, const std::string& name);

// Golden files, little-endian whatever the machine. writeCase replaces the file atomically (a
// hidden temporary in the same folder, renamed over it); readCase throws std::runtime_error on a
// missing, damaged or truncated file.
void writeCase(const std::filesystem::path& folder, const CaseRender& render);
CaseRender readCase(const std::filesystem::path& folder, const std::string& name);

} // namespace calderine::golden
