// Reads a file that anything may stand behind: a regular file, a pipe, a FIFO, a device that
// never ends or a writer that never writes. Both the bytes taken and the time spent waiting
// are bounded, so such a file costs a refusal, never the memory or a run that hangs.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>

namespace calderine {

struct BoundedText {
    std::string bytes;
    bool complete = true; // false: the file holds more than the limit; bytes has limit + 1
};

// Throws std::system_error: with the reason of open(2) or read(2), EISDIR for a folder, and
// ETIMEDOUT when the file has not ended within `timeout` (a FIFO nobody writes to, a
// terminal nobody types at).
BoundedText readBounded(const std::filesystem::path& path, std::size_t limit,
                        std::chrono::milliseconds timeout);

} // namespace calderine
