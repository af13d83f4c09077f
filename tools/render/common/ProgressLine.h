// Whether a progress line stands unfinished on standard error. A signal that ends the run
// ends that line first, so that the shell's prompt starts on a line of its own; the signal
// handler reads this, which is why it is a lock-free atomic and nothing more.
#pragma once

#include <atomic>

namespace calderine {

inline std::atomic<bool> progressLineOpen{false};
static_assert(std::atomic<bool>::is_always_lock_free);

} // namespace calderine
