// Turns calderine-render's command line into RenderOptions.
#pragma once

#include "tools/render/RenderOptions.h"

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace calderine {

// A command line that cannot be understood; the message says what to change.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

// Upper bound of --block: far above what any host uses, low enough that the buffers of three
// instances stay small.
inline constexpr int kMaxBlockFrames = 1 << 20;
// Upper bound of --jobs: far beyond any core count, low enough to refuse a typo.
inline constexpr int kMaxJobs = 1024;

class ArgumentParser {
public:
    // The arguments after the program name.
    RenderOptions parse(std::span<const std::string_view> arguments) const;

    static std::string usage();
    // "calderine-render 1.2.3" and a newline.
    static std::string versionText();
};

} // namespace calderine
