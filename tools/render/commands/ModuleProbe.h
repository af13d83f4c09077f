// Whether a file is a VST 2.4 module, found out in a child process, as hosts' plug-in scanners
// do: loading a library runs its code, and a broken or hostile one may crash, exit or never
// return. None of that may reach the process that asks, nor its standard output.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace calderine {

class ModuleProbe {
public:
    // Long enough for a large module on a slow disk (loading one takes milliseconds), short
    // enough that a listing with a hanging file stays usable.
    static constexpr std::chrono::seconds kTimeLimit{5};

    // Nothing when path loads and exports an entry point; otherwise why not, for a listing:
    // "not a VST 2.4 module", "crashed while loading: signal 11", "exited while loading:
    // status 0", "did not answer within 5 s". Throws HostError only when no child process
    // can be started.
    static std::optional<std::string> problem(const std::filesystem::path& path,
                                              std::chrono::milliseconds limit = kTimeLimit);
};

} // namespace calderine
