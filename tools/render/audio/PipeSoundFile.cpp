#include "tools/render/audio/PipeSoundFile.h"

#include "tools/render/audio/StreamedWavHeader.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace calderine {

namespace {

PipeSoundFile& self(void* user) {
    return *static_cast<PipeSoundFile*>(user);
}

SF_INFO infoFor(int format, const StreamShape& shape) {
    SF_INFO info{};
    info.format = format;
    info.channels = shape.channels;
    info.samplerate = shape.sampleRate;
    return info;
}

} // namespace

bool PipeSoundFile::isPipe(int descriptor) {
    struct stat status {};
    return ::fstat(descriptor, &status) == 0 &&
           (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode));
}

SNDFILE* PipeSoundFile::open(int target, int format, const StreamShape& shape) {
    descriptor = target;
    problem.clear();
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
        return openWav(format, shape);
    case SF_FORMAT_FLAC:
        return openFlac(format, shape);
    default:
        SF_INFO info = infoFor(format, shape);
        SNDFILE* file = sf_open_fd(descriptor, SFM_WRITE, &info, SF_FALSE);
        if (file == nullptr) {
            problem = sf_strerror(nullptr);
        }
        return file;
    }
}

SNDFILE* PipeSoundFile::openWav(int format, const StreamShape& shape) {
    const int subtype = format & SF_FORMAT_SUBMASK;
    const auto header = streamedWavHeader(subtype, shape);
    if (!header) {
        problem = "WAV on a pipe takes plain samples only (pcm, float, ulaw or alaw)";
        return nullptr;
    }
    // Checked before the header goes out, so that a refusal writes nothing.
    SF_INFO info = infoFor(SF_FORMAT_RAW | subtype | SF_ENDIAN_LITTLE, shape);
    if (sf_format_check(&info) == 0) {
        problem = "libsndfile cannot write these samples raw";
        return nullptr;
    }
    const auto size = static_cast<sf_count_t>(header->size());
    if (write(header->data(), size) != size) {
        problem = std::strerror(errno);
        return nullptr;
    }
    SNDFILE* file = sf_open_fd(descriptor, SFM_WRITE, &info, SF_FALSE);
    if (file == nullptr) {
        problem = sf_strerror(nullptr);
    }
    return file;
}

SNDFILE* PipeSoundFile::openFlac(int format, const StreamShape& shape) {
    static SF_VIRTUAL_IO io{
        [](void* user) { return self(user).sent; },
        [](sf_count_t offset, int whence, void* user) { return self(user).seek(offset, whence); },
        [](void*, sf_count_t, void*) -> sf_count_t { return 0; },
        [](const void* bytes, sf_count_t count, void* user) {
            return self(user).writeAt(bytes, count);
        },
        [](void* user) { return self(user).position; },
    };
    SF_INFO info = infoFor(format, shape);
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, this);
    if (file == nullptr) {
        problem = sf_strerror(nullptr);
    }
    return file;
}

sf_count_t PipeSoundFile::seek(sf_count_t offset, int whence) {
    const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? position : sent;
    if (base + offset < 0) {
        return -1;
    }
    position = base + offset;
    return position;
}

sf_count_t PipeSoundFile::writeAt(const void* bytes, sf_count_t count) {
    if (position != sent) {
        // A patch of bytes already gone down the pipe: the encoder's header update on closing,
        // which a stream does without (its header says "length unknown", "no checksum").
        position += count;
        return count;
    }
    const sf_count_t put = write(bytes, count);
    position = sent;
    return put;
}

sf_count_t PipeSoundFile::write(const void* bytes, sf_count_t count) {
    const auto* from = static_cast<const unsigned char*>(bytes);
    sf_count_t total = 0;
    while (total < count) {
        const ssize_t put =
            ::write(descriptor, from + total, static_cast<std::size_t>(count - total));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            break;
        }
        total += put;
    }
    sent += total;
    return total;
}

} // namespace calderine
