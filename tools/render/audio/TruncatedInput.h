// An input that ended before its header said it would: a file cut short by a failed copy or
// download, whose render would be as short with nothing to show for it.
#pragma once

#include <optional>
#include <string>

namespace calderine {

class SoundFileReader;

class TruncatedInput {
public:
    // Once input has been read to the end. Throws AudioFileError, naming the input, both counts
    // and --accept-truncated, when it fell short and accept is false; returns the warning for
    // standard error when it fell short and accept is true; nothing when it is whole.
    static std::optional<std::string> check(const SoundFileReader& input, bool accept);
};

} // namespace calderine
