// The name of a temporary file of calderine-render: ".calderine-render-", the process id in
// ten digits, "-" and six characters mkstemp() chooses. Hidden, recognisably the tool's, and
// of one length whatever the output is called, so that any legal output name leaves room for
// it; the process id tells a later run whether the file's maker is still alive.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace calderine {

class TemporaryName {
public:
    // For mkstemp(): ends in the six X it replaces.
    static std::string pattern(pid_t owner);
    // The process that made a file of this name; empty for any other name.
    static std::optional<pid_t> owner(std::string_view name);
};

} // namespace calderine
