#include "tools/vsthost/DynamicLibrary.h"

#include "tools/vsthost/HostError.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <string>

namespace calderine {

namespace {

std::string loadFailure(const std::filesystem::path& path, const std::string& reason) {
    return "cannot load module '" + path.string() + "': " + reason;
}

} // namespace

#if defined(_WIN32)

DynamicLibrary::DynamicLibrary(const std::filesystem::path& path)
    : handle(reinterpret_cast<void*>(LoadLibraryW(path.c_str()))) {
    if (handle == nullptr) {
        throw HostError(loadFailure(path, "error " + std::to_string(GetLastError())));
    }
}

DynamicLibrary::~DynamicLibrary() {
    FreeLibrary(static_cast<HMODULE>(handle));
}

void* DynamicLibrary::symbol(const char* name) const noexcept {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

#else

// RTLD_NOW surfaces unresolved symbols here rather than in the middle of a host call, and
// RTLD_LOCAL keeps two modules loaded side by side from binding to each other's symbols.
DynamicLibrary::DynamicLibrary(const std::filesystem::path& path)
    : handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (handle == nullptr) {
        const char* reason = dlerror();
        throw HostError(loadFailure(path, reason != nullptr ? reason : "unknown loader error"));
    }
}

DynamicLibrary::~DynamicLibrary() {
    dlclose(handle);
}

void* DynamicLibrary::symbol(const char* name) const noexcept {
    return dlsym(handle, name);
}

#endif

} // namespace calderine
