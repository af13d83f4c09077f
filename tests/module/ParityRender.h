// A fixed stereo render through a VST 2.4 module, made the same way by every build so that two
// builds of the effect (for instance the Linux module and the Windows DLL) can be compared
// sample by sample. Its input is computed with exact arithmetic only, so both sides feed the
// effect the same bits; any difference in the outputs comes from the effect's own builds.
#pragma once

#include "tools/vsthost/PluginModule.h"

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace calderine::parity {

inline constexpr std::array<float, 2> kSampleRates = {44100.0f, 48000.0f};

// One output channel of one render: named "<rate>/<setting>/<float|double>/<left|right>".
struct Track {
    std::string name;
    std::vector<double> samples;
};

// Renders one second of the test signal at `rate` through fresh instances of the module: each
// parameter setting once through processReplacing and once through processDoubleReplacing.
// Throws HostError when the module misbehaves.
std::vector<Track> render(const std::shared_ptr<const PluginModule>& module, float rate);

// The tracks of every rate in kSampleRates.
std::vector<Track> renderAllRates(const std::shared_ptr<const PluginModule>& module);

// Raw file of tracks (native byte order: both sides of a comparison run on one machine).
// Both throw std::runtime_error on an unreadable, unwritable or malformed file.
void writeTracks(const std::filesystem::path& file, const std::vector<Track>& tracks);
std::vector<Track> readTracks(const std::filesystem::path& file);

} // namespace calderine::parity
