#include "plugin/ParameterTable.h"

namespace calderine {

std::unique_ptr<Parameter> createParameter(const ParameterDescriptor& d) {
    return std::make_unique<Parameter>(d.name, d.unit, d.minimum, d.maximum, d.defaultValue, d.kind,
                                       d.minimumText, d.maximumText, d.precision, d.choices);
}

std::array<std::unique_ptr<Parameter>, kParameterCount> createParameters() {
    std::array<std::unique_ptr<Parameter>, kParameterCount> parameters;
    for (std::size_t i = 0; i < kParameterCount; ++i) {
        parameters[i] = createParameter(kParameterTable[i]);
    }
    return parameters;
}

} // namespace calderine
