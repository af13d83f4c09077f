// Finds the presets shipped with calderine-render: in share/calderine/presets beside the
// tool's bin folder once installed (<prefix>/bin/calderine-render ->
// <prefix>/share/calderine/presets), and in the source tree's presets folder for a tool run
// from its build tree.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace calderine {

class PresetLocator {
public:
    // executable: the running program, used to find the installed folder.
    explicit PresetLocator(const std::filesystem::path& executable);

    // The folders looked in, nearest first.
    const std::vector<std::filesystem::path>& folders() const noexcept { return places; }

    // A --preset value: a NAME (no '/', no extension) that no file in the current folder
    // answers to is the shipped preset NAME from the first folder that has it; anything else
    // is a path, read as given. Throws PresetError for a NAME no folder has.
    static std::filesystem::path resolve(std::string_view value,
                                         std::span<const std::filesystem::path> folders);
    // The shipped presets' names, sorted, each once.
    static std::vector<std::string> names(std::span<const std::filesystem::path> folders);

private:
    std::vector<std::filesystem::path> places;
};

} // namespace calderine
