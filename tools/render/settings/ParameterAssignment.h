// One --set, --set-normalized or preset line, kept as typed until the effect can answer what
// it means.
#pragma once

#include <string>

namespace calderine {

struct ParameterAssignment {
    std::string parameter; // a name, or for a normalised assignment also an index
    std::string value;
    bool normalised = false;
};

} // namespace calderine
