// The module's one exported symbol, a record rather than a function. Compiled into the module
// only; tests reach the same functions through ClapFactory.h.
#include "clap/ClapFactory.h"

#if defined(_WIN32)
#define CALDERINE_EXPORT __declspec(dllexport)
#else
#define CALDERINE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
CALDERINE_EXPORT extern const calderine::clap::ClapPluginEntry clap_entry;
// Constant-initialised: complete before any host can look it up.
const calderine::clap::ClapPluginEntry clap_entry{
    calderine::clap::kClapVersion, calderine::clap::entryInit, calderine::clap::entryDeinit,
    calderine::clap::entryFactory};
}
