#include "core/CoreUnits.h"
#include "engine/resources/EngineResources.h"
#include "tests/support/TestMain.h"

namespace {
const TUnit kUnits[] = {kResourcesUnit};
}  // namespace

int main(int argc, char** argv) {
    return RunTests(argc, argv, {CoreUnits(), kUnits});
}
