// Every failure of the host library while loading or driving a module is reported as this
// exception, with a message that names the module and what went wrong.
#pragma once

#include <stdexcept>
#include <string>

namespace calderine {

class HostError : public std::runtime_error {
public:
    explicit HostError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace calderine
