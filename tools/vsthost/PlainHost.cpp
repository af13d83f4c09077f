#include "tools/vsthost/PlainHost.h"

#include "host/VstConstants.h"

namespace calderine {

PlainHost& PlainHost::shared() noexcept {
    static PlainHost host;
    return host;
}

AEffect* PlainHost::instantiate(PluginEntryProc entry) {
    return entry(&PlainHost::callback);
}

void PlainHost::forget(const AEffect* /*effect*/) noexcept {}

std::intptr_t PlainHost::callback(AEffect* /*effect*/, std::int32_t opcode, std::int32_t /*index*/,
                                  std::intptr_t /*value*/, void* /*ptr*/, float /*opt*/) noexcept {
    return opcode == audioMasterVersion ? kVersion : 0;
}

} // namespace calderine
