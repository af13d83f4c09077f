#include "tools/render/filesafety/InputIdentities.h"

#include "tools/render/common/StandardStream.h"

#include <sys/stat.h>
#include <unistd.h>

namespace calderine {

namespace {

std::optional<FileIdentity> identityOf(const std::filesystem::path& input) {
    if (!isStandardStream(input)) {
        return FileIdentity::of(input);
    }
    struct stat status {};
    if (::fstat(STDIN_FILENO, &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return FileIdentity{status.st_dev, status.st_ino};
}

} // namespace

InputIdentities::InputIdentities(std::span<const std::filesystem::path> inputs) {
    for (const std::filesystem::path& input : inputs) {
        if (const auto identity = identityOf(input)) {
            known.emplace_back(*identity, input);
        }
    }
}

const std::filesystem::path*
InputIdentities::find(const std::optional<FileIdentity>& identity) const {
    if (!identity) {
        return nullptr;
    }
    for (const auto& [inputIdentity, input] : known) {
        if (inputIdentity == *identity) {
            return &input;
        }
    }
    return nullptr;
}

const std::filesystem::path* InputIdentities::find(const std::filesystem::path& output) const {
    return find(FileIdentity::of(output));
}

} // namespace calderine
