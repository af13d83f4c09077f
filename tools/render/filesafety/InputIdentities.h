// The files a run reads, known by device and inode, so that an output reached under any name
// (a symbolic link, a hard link, a linked folder) is recognised as one of them before a byte
// is written.
#pragma once

#include "tools/render/filesafety/OutputDestination.h"

#include <filesystem>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace calderine {

class InputIdentities {
public:
    // "-" stands for standard input, which counts only when it is redirected from a file.
    // Inputs that cannot be reached are left out: they fail on their own when read.
    explicit InputIdentities(std::span<const std::filesystem::path> inputs);

    // The input, as it was named, that a file of this identity is; null when it is none.
    const std::filesystem::path* find(const std::optional<FileIdentity>& identity) const;
    // As above for the file a name leads to now; null also when nothing is there.
    const std::filesystem::path* find(const std::filesystem::path& output) const;

private:
    std::vector<std::pair<FileIdentity, std::filesystem::path>> known;
};

} // namespace calderine
