// Plain shared libraries that misbehave the moment they are loaded, as a broken or hostile file
// in a plug-in folder may: one crashes, one writes to standard output and exits with success,
// one never returns. None is a module; a folder listing must survive them all. Built once per
// kind with CALDERINE_HOSTILE_LIBRARY set.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#define CALDERINE_HOSTILE_CRASH 1
#define CALDERINE_HOSTILE_EXIT 2
#define CALDERINE_HOSTILE_HANG 3

namespace {

__attribute__((constructor)) void misbehave() {
#if CALDERINE_HOSTILE_LIBRARY == CALDERINE_HOSTILE_CRASH
    std::raise(SIGSEGV);
#elif CALDERINE_HOSTILE_LIBRARY == CALDERINE_HOSTILE_EXIT
    std::puts("hostile library output");
    std::exit(0);
#elif CALDERINE_HOSTILE_LIBRARY == CALDERINE_HOSTILE_HANG
    for (;;) {
        ::pause();
    }
#else
#error "CALDERINE_HOSTILE_LIBRARY must name one of the kinds above"
#endif
}

} // namespace
