#include "effects/EffectUnits.h"

#include "effects/EffectWidgetsUnit.h"
#include "effects/ParticlesUnit.h"

namespace {

// Each effect family adds its registration unit to this list.
const TUnit kEffectUnits[] = {
    kEffectWidgetsUnit,
    kParticleAndCurveUnit,
};

}  // namespace

std::span<const TUnit> EffectUnits() {
    return kEffectUnits;
}
