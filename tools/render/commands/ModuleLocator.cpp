#include "tools/render/commands/ModuleLocator.h"

#include "tools/vsthost/HostError.h"

#include <string>
#include <system_error>

// Both come from the build system; the fallbacks keep a build without the module target
// compilable.
#ifndef CALDERINE_MODULE_FILE_NAME
#define CALDERINE_MODULE_FILE_NAME "calderine.so"
#endif
#ifndef CALDERINE_BUILT_MODULE
#define CALDERINE_BUILT_MODULE ""
#endif

namespace calderine {

namespace {

constexpr const char* kModuleFileName = CALDERINE_MODULE_FILE_NAME;
constexpr const char* kBuiltModule = CALDERINE_BUILT_MODULE;
// Where the module lies relative to the tools folder of a build tree.
constexpr const char* kBuildTreePluginFolder = "../plugin";
// Where cmake --install puts it relative to the installed tool.
constexpr const char* kInstalledPluginFolder = "../lib/vst";

} // namespace

ModuleLocator::ModuleLocator(const std::filesystem::path& executable) {
    const std::filesystem::path folder = executable.parent_path();
    places.push_back(folder / kModuleFileName);
    places.push_back((folder / kBuildTreePluginFolder / kModuleFileName).lexically_normal());
    places.push_back((folder / kInstalledPluginFolder / kModuleFileName).lexically_normal());
    if (*kBuiltModule != '\0') {
        places.emplace_back(kBuiltModule);
    }
}

std::filesystem::path ModuleLocator::locate() const {
    std::string tried;
    for (const auto& place : places) {
        std::error_code error;
        if (std::filesystem::is_regular_file(place, error)) {
            return place;
        }
        if (!tried.empty()) {
            tried += ", ";
        }
        tried += place.string();
    }
    throw HostError("no calderine module found (looked at " + tried + "); give its path");
}

std::filesystem::path ModuleLocator::runningExecutable(const char* argv0) {
    std::error_code error;
    // Linux names the running program here; elsewhere the link is absent and argv0 serves.
    auto resolved = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        return resolved;
    }
    return std::filesystem::absolute(argv0 != nullptr ? argv0 : "", error);
}

} // namespace calderine
