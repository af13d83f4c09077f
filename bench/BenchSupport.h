// What the effect benchmarks share: the processing thread's CPU clock and the plainest host.
#pragma once

#include "host/AEffect.h"
#include "host/VstConstants.h"

#include <cstdint>
#include <ctime>

namespace calderine::bench {

// CPU seconds of the calling thread: on a shared machine the wall clock of one block measures
// mostly the scheduler, not the effect.
inline double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// Answers the version request as a current host does, and nothing else.
inline std::intptr_t CALDERINE_VST_CALL benchHost(AEffect*, std::int32_t opcode, std::int32_t,
                                                  std::intptr_t, void*, float) {
    constexpr std::intptr_t kHostVersion = 2400;
    return opcode == audioMasterVersion ? kHostVersion : 0;
}

} // namespace calderine::bench
