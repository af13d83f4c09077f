// Interface of an effect's editor window. This effect has none; the type exists so that the
// base class can own (and destroy) one the way the host interface expects.
#pragma once

namespace calderine {

class EffectEditor {
public:
    virtual ~EffectEditor() = default;
};

} // namespace calderine
