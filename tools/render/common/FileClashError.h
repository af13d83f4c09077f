// Outputs on the command line that would overwrite the input or each other: a mistake on the
// command line, refused before any work.
#pragma once

#include <stdexcept>
#include <string>

namespace calderine {

class FileClashError : public std::runtime_error {
public:
    explicit FileClashError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace calderine
