// The audio-ports and latency extensions: one stereo input and output, and the delay the
// separator's frame puts between them.
#pragma once

#include "clap/ClapExtensions.h"

namespace calderine::clap {

const ClapPluginAudioPorts& audioPortsExtension() noexcept;
const ClapPluginLatency& latencyExtension() noexcept;

} // namespace calderine::clap
