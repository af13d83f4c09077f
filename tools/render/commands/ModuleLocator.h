// Finds the calderine module that belongs to the running calderine-render: next to the
// executable, in the plug-in folder of the same build tree, or in the lib/vst folder that
// cmake --install fills beside the tool's bin folder.
#pragma once

#include <filesystem>
#include <vector>

namespace calderine {

class ModuleLocator {
public:
    // executable: the running program, used to find its neighbours.
    explicit ModuleLocator(const std::filesystem::path& executable);

    // The places looked at, nearest first.
    const std::vector<std::filesystem::path>& candidates() const noexcept { return places; }
    // The first candidate that exists; throws HostError listing all of them otherwise.
    std::filesystem::path locate() const;

    // The running program's path; argv0 is the fallback where the platform cannot say.
    static std::filesystem::path runningExecutable(const char* argv0);

private:
    std::vector<std::filesystem::path> places;
};

} // namespace calderine
