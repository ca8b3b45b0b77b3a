#include "engine/EngineUnits.h"

#include "engine/EngineResources.h"
#include "engine/EngineStartup.h"
#include "engine/SoundResources.h"

namespace {

const TUnit kEngineUnits[] = {
    {"EngineStartup", EngineStartupInit, EngineStartupDone},
    // The sound and music classes register before the other resource kinds.
    kSoundResourcesUnit,
    kResourcesUnit,
};

}  // namespace

std::span<const TUnit> EngineUnits() {
    return kEngineUnits;
}
