// The module's exported entry point. Compiled into the module only: the libraries and tests
// reach the same construction through createEffect and createPluginInstance.
#include "host/EffectFactory.h"
#include "plugin/plugin.h"

#if defined(_WIN32)
#define CALDERINE_EXPORT __declspec(dllexport)
#else
#define CALDERINE_EXPORT __attribute__((visibility("default")))
#endif

#if defined(_WIN32)
#include <windows.h>

namespace {
// The module's own handle, kept from the load notification; nothing else runs at load time, and
// no processing depends on it.
HINSTANCE moduleHandle = nullptr;
} // namespace
#endif

extern "C" {

#if defined(_WIN32)
// Loader lock held: store the handle and report success, nothing more.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        moduleHandle = instance;
    }
    return TRUE;
}
#endif

// Any host thread: one new, independent instance per call, or null when the host answers 0 to
// the version query or the instance cannot be built.
CALDERINE_EXPORT calderine::AEffect* CALDERINE_VST_CALL
VSTPluginMain(calderine::audioMasterCallback host) {
    return calderine::createEffect(host, &calderine::createPluginInstance);
}

#if !defined(_WIN32) && !defined(CALDERINE_ENTRY_WITHOUT_MAIN_ALIAS)
// Older hosts look the entry point up as `main`. C++ reserves the identifier ::main, so the
// second name is given as an assembler label on an alias: one function under two symbols.
// (A Windows build exports the second name through its module-definition file instead; a
// program that links this file in-process has a main of its own and leaves the alias out.)
CALDERINE_EXPORT calderine::AEffect* CALDERINE_VST_CALL vstPluginMainAlias(
    calderine::audioMasterCallback host) __asm__("main") __attribute__((alias("VSTPluginMain")));
#endif

} // extern "C"
