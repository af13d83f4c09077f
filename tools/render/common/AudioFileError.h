// A sound file that cannot be read or written; the message names the file and the reason.
#pragma once

#include <stdexcept>
#include <string>

namespace calderine {

class AudioFileError : public std::runtime_error {
public:
    explicit AudioFileError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace calderine
