#include "engine/EngineUnits.h"

#include "engine/EngineStartup.h"
#include "engine/audio/SoundResources.h"
#include "engine/resources/EngineResources.h"

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
