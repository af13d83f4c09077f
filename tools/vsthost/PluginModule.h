// A VST 2.4 module loaded from disk, with its entry point resolved.
#pragma once

#include "host/AEffect.h"
#include "tools/vsthost/DynamicLibrary.h"

#include <filesystem>
#include <string>

namespace calderine {

class PluginModule {
public:
    // Throws HostError when the file is missing, is not a loadable module, or exports neither
    // entry-point name.
    explicit PluginModule(const std::filesystem::path& path);

    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    const std::filesystem::path& path() const noexcept { return modulePath; }
    PluginEntryProc entry() const noexcept { return entryPoint; }
    // The exported name the entry was found under.
    const std::string& entryName() const noexcept { return entrySymbol; }

private:
    std::filesystem::path modulePath;
    DynamicLibrary library;
    std::string entrySymbol;
    PluginEntryProc entryPoint = nullptr;
};

} // namespace calderine
