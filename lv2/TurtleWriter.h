// The bundle's description in Turtle, written from the parameter table and the port layout at
// build time: the ports hosts see are the parameters the module serves, by construction.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace calderine::lv2 {

struct PluginVersion {
    std::int32_t minor; // even for releases, as LV2 hosts read it
    std::int32_t micro;
};

// manifest.ttl: the plug-in, its module file and its description file, both bundle-relative.
std::string manifestTurtle(std::string_view binaryFile, std::string_view descriptionFile);
// The plug-in's description: ports, groups, version, features. maxLatency: frames at the
// highest sample rate served, the latency port's maximum.
std::string pluginTurtle(PluginVersion version, std::uint32_t maxLatency);
// A port symbol from a parameter name: words split at underscores and at a capital after a
// small letter, joined in small letters by underscores ("DryMix" gives "dry_mix").
std::string portSymbol(std::string_view name);

} // namespace calderine::lv2
