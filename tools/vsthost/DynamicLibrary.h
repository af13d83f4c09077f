// The one place that knows how the platform loads shared libraries.
#pragma once

#include <filesystem>

namespace calderine {

class DynamicLibrary {
public:
    // Loads the library at path; throws HostError with the loader's own explanation.
    explicit DynamicLibrary(const std::filesystem::path& path);
    ~DynamicLibrary();

    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Address of an exported symbol, or null when the library does not export it.
    void* symbol(const char* name) const noexcept;

private:
    void* handle = nullptr;
};

} // namespace calderine
