#include "effects/EffectUnits.h"

#include "effects/EffectWidgetsUnit.h"

namespace {

// Each effect family adds its registration unit to this list.
const TUnit kEffectUnits[] = {
    kEffectWidgetsUnit,
};

}  // namespace

std::span<const TUnit> EffectUnits() {
    return kEffectUnits;
}
