#include "tools/render/audio/InputSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace calderine {

namespace {

InputSource& self(void* user) {
    return *static_cast<InputSource*>(user);
}

bool isSeekable(int descriptor) {
    struct stat status {};
    return ::fstat(descriptor, &status) == 0 &&
           (S_ISREG(status.st_mode) || S_ISBLK(status.st_mode));
}

} // namespace

InputSource::InputSource(int descriptor)
    : descriptor(descriptor), seekable(isSeekable(descriptor)) {}

SF_VIRTUAL_IO& InputSource::callbacks() {
    static SF_VIRTUAL_IO io{
        [](void*) -> sf_count_t { return SF_COUNT_MAX; },
        [](sf_count_t offset, int whence, void* user) { return self(user).seek(offset, whence); },
        [](void* into, sf_count_t bytes, void* user) { return self(user).read(into, bytes); },
        [](const void*, sf_count_t, void*) -> sf_count_t { return 0; },
        [](void* user) { return self(user).position; },
    };
    return io;
}

sf_count_t InputSource::seek(sf_count_t offset, int whence) {
    // The end is unknown by design: a decoder that looks for it must do without.
    if (whence == SEEK_END) {
        return -1;
    }
    const sf_count_t target = whence == SEEK_CUR ? position + offset : offset;
    if (target < 0) {
        return -1;
    }
    position = target;
    return position;
}

sf_count_t InputSource::take(unsigned char* into, sf_count_t bytes) {
    sf_count_t total = 0;
    while (total < bytes) {
        const ssize_t got =
            seekable ? ::pread(descriptor, into + total, static_cast<std::size_t>(bytes - total),
                               position + total)
                     : ::read(descriptor, into + total, static_cast<std::size_t>(bytes - total));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        total += got;
    }
    return total;
}

sf_count_t InputSource::read(void* into, sf_count_t bytes) {
    if (bytes <= 0) {
        return 0;
    }
    auto* bytesInto = static_cast<unsigned char*>(into);
    const sf_count_t got = seekable ? take(bytesInto, bytes) : readStream(bytesInto, bytes);
    position += seekable ? got : 0;
    return got;
}

sf_count_t InputSource::readStream(unsigned char* into, sf_count_t bytes) {
    const auto limit = static_cast<sf_count_t>(kKeptBytes);
    sf_count_t total = 0;
    while (total < bytes) {
        if (position < static_cast<sf_count_t>(kept.size())) {
            const sf_count_t from = std::min<sf_count_t>(
                bytes - total, static_cast<sf_count_t>(kept.size()) - position);
            std::memcpy(into + total, kept.data() + position, static_cast<std::size_t>(from));
            total += from;
            position += from;
            continue;
        }
        if (position < consumed) {
            lost = true; // passed by and not kept
            break;
        }
        if (consumed < limit) {
            // Still within the kept part: take what is asked for (and any gap a seek ahead
            // left) into memory, then serve it from there.
            const sf_count_t wanted =
                std::min(limit, std::max(position + (bytes - total), consumed + 1)) - consumed;
            kept.resize(static_cast<std::size_t>(consumed + wanted));
            const sf_count_t got = take(kept.data() + consumed, wanted);
            consumed += got;
            kept.resize(static_cast<std::size_t>(consumed));
            if (got == 0 || position >= consumed) {
                break; // the stream ended first
            }
            continue;
        }
        if (position > consumed) {
            // A seek far past what was kept: pretend the data ends there, as skipping would
            // swallow the sound (a streamed WAV's length field makes libsndfile look for
            // chunks 4 GiB ahead).
            break;
        }
        const sf_count_t got = take(into + total, bytes - total);
        consumed += got;
        position += got;
        total += got;
        break;
    }
    return total;
}

} // namespace calderine
