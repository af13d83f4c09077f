// What the exported entry point does, kept in the host layer so that it knows nothing of the
// concrete effect class: query the host, construct through a factory, never throw.
#pragma once

#include "host/AEffect.h"

namespace calderine {

class AudioEffect;

// Constructs one effect instance for `host`; may throw (std::bad_alloc and the like).
using EffectFactoryFunction = AudioEffect* (*)(audioMasterCallback host);

// Any host thread: asks the host for its version once (audioMasterVersion with a null record),
// and on a non-zero answer builds one instance through `factory` and returns its record.
// Returns null for a null host or factory, a 0 answer, or a failed construction (nothing is
// left allocated then).
AEffect* createEffect(audioMasterCallback host, EffectFactoryFunction factory) noexcept;

} // namespace calderine
