// The calderine module of this build, loaded once per test program as a host would.
#pragma once

#include "tools/vsthost/PluginModule.h"

#include <memory>

namespace calderine {

inline std::shared_ptr<const PluginModule> builtModule() {
    static const auto module = std::make_shared<const PluginModule>(CALDERINE_MODULE_PATH);
    return module;
}

} // namespace calderine
