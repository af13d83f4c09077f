#include "tools/render/settings/PresetLocator.h"

#include "tools/render/common/TextForms.h"
#include "tools/render/settings/PresetFile.h"

#include <algorithm>
#include <system_error>

// The source tree's presets folder, from the build system; empty where it does not say.
#ifndef CALDERINE_SOURCE_PRESET_FOLDER
#define CALDERINE_SOURCE_PRESET_FOLDER ""
#endif

namespace calderine {

namespace {

constexpr const char* kSourcePresetFolder = CALDERINE_SOURCE_PRESET_FOLDER;
// Where cmake --install and the Debian package put them, relative to the tool's folder.
constexpr const char* kInstalledPresetFolder = "../share/calderine/presets";
constexpr const char* kPresetExtension = ".preset";

bool isName(std::string_view value) {
    const std::filesystem::path path(value);
    return !value.empty() && value.find('/') == std::string_view::npos && !path.has_extension() &&
           value != "." && value != "..";
}

std::string listed(std::span<const std::filesystem::path> folders) {
    std::string text;
    for (const auto& folder : folders) {
        text += (text.empty() ? "" : ", ") + folder.string();
    }
    return text.empty() ? "no folder" : text;
}

} // namespace

PresetLocator::PresetLocator(const std::filesystem::path& executable) {
    places.push_back((executable.parent_path() / kInstalledPresetFolder).lexically_normal());
    if (*kSourcePresetFolder != '\0') {
        places.emplace_back(kSourcePresetFolder);
    }
}

std::filesystem::path PresetLocator::resolve(std::string_view value,
                                             std::span<const std::filesystem::path> folders) {
    std::error_code error;
    if (!isName(value) || std::filesystem::exists(std::filesystem::path(value), error)) {
        return std::filesystem::path(value);
    }
    for (const auto& folder : folders) {
        auto candidate = folder / (std::string(value) + kPresetExtension);
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    std::string known;
    for (const std::string& name : names(folders)) {
        known += (known.empty() ? "" : ", ") + name;
    }
    throw PresetError("no preset named '" + printable(value) + "' in " + listed(folders) +
                      (known.empty() ? "" : " (there are: " + known + ")") +
                      "; give a file's path");
}

std::vector<std::string> PresetLocator::names(std::span<const std::filesystem::path> folders) {
    std::vector<std::string> found;
    for (const auto& folder : folders) {
        std::error_code error;
        for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            const auto& path = it->path();
            std::error_code kind;
            if (path.extension() == kPresetExtension && it->is_regular_file(kind)) {
                found.push_back(path.stem().string());
            }
        }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

} // namespace calderine
