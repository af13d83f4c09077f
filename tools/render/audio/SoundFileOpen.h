// Opens a sound file by its path on every platform: Windows paths are wide strings, and
// libsndfile takes those only through its wide-character entry point.
#pragma once

#include <filesystem>

#if defined(_WIN32)
#define ENABLE_SNDFILE_WINDOWS_PROTOTYPES 1
#endif
#include <sndfile.h>

namespace calderine {

inline SNDFILE* openSoundFile(const std::filesystem::path& path, int mode, SF_INFO* info) {
#if defined(_WIN32)
    return sf_wchar_open(path.c_str(), mode, info);
#else
    return sf_open(path.c_str(), mode, info);
#endif
}

} // namespace calderine
