#include "tools/render/filesafety/TemporaryFileTable.h"

#include "tools/render/common/ProgressLine.h"
#include "tools/render/filesafety/TemporaryName.h"
#include "tools/render/filesafety/TemporarySweep.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <set>
#include <string>
#include <system_error>
#include <unistd.h>

namespace calderine {

namespace {

constexpr int kSignalExitBase = 128;
// Every signal that ends a process by default and reports no fault of its own: a closed
// terminal (HUP), the keyboard (INT, QUIT), a request to stop (TERM, and ALRM, USR1, USR2 that
// nobody here expects), a reader gone from a pipe written into (PIPE), and the resource limits
// of CPU time (XCPU). Faults (SEGV, BUS, ABRT...) keep their core dumps, and PROF and VTALRM
// stay with a profiler that may have claimed them.
constexpr std::array kHandledSignals = {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM, SIGPIPE,
                                        SIGALRM, SIGUSR1, SIGUSR2, SIGXCPU};

struct Slot {
    volatile std::sig_atomic_t used = 0;
    char path[PATH_MAX] = {};
};

// Static storage: the handler may run at any moment and must find it intact.
std::array<Slot, TemporaryFileTable::kCapacity> slots;
// Renders of several files share the table from several threads; the handler never takes it
// (it reads only slots marked used, whose paths are complete).
std::mutex claiming;
std::set<std::string> swept; // folders cleared of abandoned temporaries; guarded by claiming

extern "C" void removeTemporariesAndExit(int signal) {
    for (const Slot& slot : slots) {
        if (slot.used != 0) {
            ::unlink(slot.path);
        }
    }
    if (progressLineOpen.load(std::memory_order_relaxed)) {
        // Nothing to do about a failure here: the process ends in the next line.
        [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, "\n", 1);
    }
    ::_exit(kSignalExitBase + signal);
}

// Keeps the handled signals away while a slot is half filled, so no file escapes the table.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : kHandledSignals) {
            sigaddset(&held, signal);
        }
        pthread_sigmask(SIG_BLOCK, &held, &previous);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous{};
};

} // namespace

void TemporaryFileTable::installSignalHandlers() {
    // A file grown past the size limit then fails its write with EFBIG, reported and cleaned
    // up as any failed write, instead of ending the run without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    for (const int signal : kHandledSignals) {
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = removeTemporariesAndExit;
        sigemptyset(&action.sa_mask);
        for (const int other : kHandledSignals) {
            sigaddset(&action.sa_mask, other);
        }
        sigaction(signal, &action, nullptr);
    }
}

TemporaryFileTable::Created TemporaryFileTable::create(const std::filesystem::path& folder) {
    const std::string name = TemporaryName::pattern(::getpid());
    const std::string pattern =
        (folder.empty() ? std::filesystem::path(name) : folder / name).string();
    if (pattern.size() >= PATH_MAX) {
        throw std::system_error(std::make_error_code(std::errc::filename_too_long));
    }
    {
        const std::lock_guard lock(claiming);
        // Once per folder: a batch writes many files into one.
        if (swept.insert(folder.string()).second) {
            TemporarySweep::removeAbandoned(folder);
        }
    }
    const SignalsHeld held;
    const std::lock_guard lock(claiming);
    for (std::size_t index = 0; index < slots.size(); ++index) {
        Slot& slot = slots[index];
        if (slot.used != 0) {
            continue;
        }
        std::memcpy(slot.path, pattern.c_str(), pattern.size() + 1);
        const int descriptor = ::mkostemp(slot.path, O_CLOEXEC);
        if (descriptor < 0) {
            throw std::system_error(errno, std::generic_category());
        }
        TemporarySweep::markLive(descriptor);
        // The path complete before the handler can see the slot in use.
        std::atomic_signal_fence(std::memory_order_seq_cst);
        slot.used = 1;
        return {descriptor, index, std::filesystem::path(slot.path)};
    }
    throw std::system_error(std::make_error_code(std::errc::too_many_files_open));
}

void TemporaryFileTable::release(std::size_t slot) noexcept {
    if (slot < slots.size()) {
        const std::lock_guard lock(claiming);
        slots[slot].used = 0;
    }
}

} // namespace calderine
