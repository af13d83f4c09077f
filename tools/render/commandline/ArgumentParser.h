// Turns calderine-render's command line into RenderOptions.
#pragma once

#include "tools/render/commandline/RenderOptions.h"
#include "tools/render/filesafety/TemporaryFileTable.h"

#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace calderine {

// A command line that cannot be understood; the message says what to change.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

// Upper bound of --block: far above what any host uses, low enough that the buffers of three
// instances stay small.
inline constexpr int kMaxBlockFrames = 1 << 20;
// Upper bound of --jobs: beyond the core count of the machines it runs on; every job may hold
// three temporary files at once, which a fixed table keeps for the signal handler.
inline constexpr int kMaxJobs = 64;
static_assert(3 * static_cast<std::size_t>(kMaxJobs) + 1 <= TemporaryFileTable::kCapacity,
              "every job's mix and stems, and the preset, need a place among the temporary files");

class ArgumentParser {
public:
    ArgumentParser() = default;
    // presetFolders: where a --preset NAME is looked up (see PresetLocator).
    explicit ArgumentParser(std::vector<std::filesystem::path> presetFolders)
        : presetFolders(std::move(presetFolders)) {}

    // The arguments after the program name. Help and the version are answered whatever else
    // the line holds; help keeps the --plugin given, whose parameters it lists.
    RenderOptions parse(std::span<const std::string_view> arguments) const;

    // effectSection: what --help says of the module's parameters and the presets, placed
    // before the exit statuses.
    static std::string usage(const std::string& effectSection = {});
    // "calderine-render 1.2.3" and a newline.
    static std::string versionText();

private:
    std::vector<std::filesystem::path> presetFolders;
};

} // namespace calderine
