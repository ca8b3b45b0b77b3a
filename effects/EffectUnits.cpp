#include "effects/EffectUnits.h"

// Each effect family adds its registration unit to this list.
std::span<const TUnit> EffectUnits() {
    return {};
}
