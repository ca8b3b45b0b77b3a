#include "effects/EffectUnits.h"

#include "effects/EffectWidgetsUnit.h"
#include "effects/ParticlesUnit.h"
#include "effects/TransformWidgets.h"

namespace {

// Each effect family adds its registration unit to this list.
const TUnit kEffectUnits[] = {
    kEffectWidgetsUnit,
    kParticleAndCurveUnit,
    kTransformWidgetsUnit,
};

}  // namespace

std::span<const TUnit> EffectUnits() {
    return kEffectUnits;
}
