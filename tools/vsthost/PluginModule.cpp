#include "tools/vsthost/PluginModule.h"

#include "tools/vsthost/HostError.h"

#include <array>

namespace calderine {

namespace {

// The current name first; old modules export only the second.
constexpr std::array<const char*, 2> kEntrySymbols = {"VSTPluginMain", "main"};

// The loader searches its library path for a bare file name instead of the working
// directory, so every module is opened by its absolute path.
std::filesystem::path existingModule(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        throw HostError("no module file at '" + path.string() + "'");
    }
    return std::filesystem::absolute(path);
}

} // namespace

PluginModule::PluginModule(const std::filesystem::path& path)
    : modulePath(existingModule(path)), library(modulePath) {
    for (const char* name : kEntrySymbols) {
        if (void* address = library.symbol(name); address != nullptr) {
            entrySymbol = name;
            entryPoint = reinterpret_cast<PluginEntryProc>(address);
            return;
        }
    }
    throw HostError("module '" + modulePath.string() + "' exports neither VSTPluginMain nor main");
}

} // namespace calderine
