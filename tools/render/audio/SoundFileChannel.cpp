#include "tools/render/audio/SoundFileChannel.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace calderine {

namespace {

SoundFileChannel& channel(void* self) {
    return *static_cast<SoundFileChannel*>(self);
}

} // namespace

SNDFILE* SoundFileChannel::open(SF_INFO& info) {
    SF_VIRTUAL_IO io{&length, &seek, &read, &write, &tell};
    return sf_open_virtual(&io, SFM_WRITE, &info, this);
}

sf_count_t SoundFileChannel::length(void* self) {
    struct stat status {};
    if (::fstat(channel(self).descriptor, &status) != 0) {
        return -1;
    }
    return static_cast<sf_count_t>(status.st_size);
}

sf_count_t SoundFileChannel::seek(sf_count_t offset, int whence, void* self) {
    return static_cast<sf_count_t>(
        ::lseek(channel(self).descriptor, static_cast<off_t>(offset), whence));
}

sf_count_t SoundFileChannel::tell(void* self) {
    return static_cast<sf_count_t>(::lseek(channel(self).descriptor, 0, SEEK_CUR));
}

sf_count_t SoundFileChannel::read(void* destination, sf_count_t count, void* self) {
    auto* bytes = static_cast<char*>(destination);
    sf_count_t done = 0;
    while (done < count) {
        const ssize_t got =
            ::read(channel(self).descriptor, bytes + done, static_cast<std::size_t>(count - done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += got;
    }
    return done;
}

sf_count_t SoundFileChannel::write(const void* source, sf_count_t count, void* self) {
    SoundFileChannel& out = channel(self);
    if (out.failed()) {
        return 0;
    }
    const auto* bytes = static_cast<const char*>(source);
    sf_count_t done = 0;
    // write(2) may take part of a buffer (a signal, a file reaching its size limit); only an
    // error or a write that takes nothing ends the loop.
    while (done < count) {
        const ssize_t put =
            ::write(out.descriptor, bytes + done, static_cast<std::size_t>(count - done));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            out.error = put < 0 ? errno : ENOSPC;
            break;
        }
        done += put;
    }
    return done;
}

std::string SoundFileChannel::reason(SNDFILE* file) const {
    return failed() ? std::strerror(error) : libraryReason(file);
}

std::string SoundFileChannel::libraryReason(SNDFILE* file) {
    if (file != nullptr && sf_error(file) < 0) {
        return "the encoder failed (libsndfile error " + std::to_string(sf_error(file)) + ")";
    }
    return sf_strerror(file);
}

} // namespace calderine
