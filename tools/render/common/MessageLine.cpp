#include "tools/render/common/MessageLine.h"

#include <cerrno>
#include <mutex>
#include <unistd.h>

namespace calderine {

void writeMessageLine(std::string_view line) {
    // A write to a pipe of up to PIPE_BUF bytes is never split; the lock keeps longer lines
    // whole against the tool's other threads, whose writes can only take turns.
    static std::mutex writing;
    std::string text(line);
    text += '\n';
    const std::lock_guard lock(writing);
    for (std::string_view rest = text; !rest.empty();) {
        const ssize_t written = ::write(STDERR_FILENO, rest.data(), rest.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
}

} // namespace calderine
