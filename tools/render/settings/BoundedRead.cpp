#include "tools/render/settings/BoundedRead.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace calderine {

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

[[noreturn]] void failWith(int code) {
    throw std::system_error(code, std::generic_category());
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor() { ::close(fd); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

private:
    int fd;
};

} // namespace

BoundedText readBounded(const std::filesystem::path& path, std::size_t limit,
                        std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    // Not blocking, or opening a FIFO would wait for a writer that may never come; poll(2)
    // below waits instead, up to the deadline.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        failWith(errno);
    }
    const Descriptor closer(fd);
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        failWith(errno);
    }
    if (S_ISDIR(status.st_mode)) {
        failWith(EISDIR);
    }
    BoundedText text;
    std::string chunk(kChunkBytes, '\0');
    while (text.bytes.size() <= limit) {
        // A FIFO whose writer has not come yet polls as not ready, where read(2) would take
        // the missing writer for the end of the file.
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd wanted{fd, POLLIN, 0};
        const int ready =
            ::poll(&wanted, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            failWith(errno);
        }
        if (ready == 0) {
            failWith(ETIMEDOUT);
        }
        const std::size_t wantedBytes = std::min(chunk.size(), limit + 1 - text.bytes.size());
        const ssize_t got = ::read(fd, chunk.data(), wantedBytes);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (got < 0) {
            failWith(errno);
        }
        if (got == 0) {
            return text;
        }
        text.bytes.append(chunk.data(), static_cast<std::size_t>(got));
    }
    text.complete = false;
    return text;
}

} // namespace calderine
