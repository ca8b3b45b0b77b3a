#include "core/CoreUnits.h"
#include "engine/audio/SoundResources.h"
#include "engine/resources/EngineResources.h"
#include "tests/support/TestMain.h"

namespace {
// The sound and music classes register before the other resource kinds.
const TUnit kUnits[] = {kSoundResourcesUnit, kResourcesUnit};
}  // namespace

int main(int argc, char** argv) {
    return RunTests(argc, argv, {CoreUnits(), kUnits});
}
