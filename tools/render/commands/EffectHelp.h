// The part of --help that depends on what is installed: the parameters of the module the
// tool would load, read as --info reads them, and the shipped presets.
#pragma once

#include <filesystem>
#include <span>
#include <string>

namespace calderine {

class EffectHelp {
public:
    // "Parameters of ... for --set:" and one line per parameter: name, range with unit and
    // default. Throws what loading the module throws.
    static std::string parameters(const std::filesystem::path& module);
    // "Presets for --preset NAME: a, b, c", or a line saying none were found where it looked.
    static std::string presets(std::span<const std::filesystem::path> folders);
};

} // namespace calderine
