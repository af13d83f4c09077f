// The text calderine-render --info prints for an EffectInfo.
#pragma once

#include "tools/render/commands/EffectInfo.h"

#include <cstdint>
#include <ostream>
#include <string>

namespace calderine {

void writeEffectInfo(std::ostream& out, const EffectInfo& info);

// 'CLDR' (0x434C4452): the four characters, unprintable ones as '.', then the number.
std::string formatUniqueId(std::int32_t id);
// 0x00001018 (canMono canReplacing canDoubleReplacing): known bits by name, others in hex.
std::string formatFlags(std::int32_t flags);

} // namespace calderine
