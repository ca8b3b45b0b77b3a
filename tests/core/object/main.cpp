#include "core/base/PlatformShims.h"
#include "core/object/GeneralClasses.h"
#include "tests/support/TestMain.h"

namespace {
const TUnit kUnits[] = {kFpuExceptionMaskUnit, kClassRegistryUnit};
}  // namespace

int main(int argc, char** argv) {
    return RunTests(argc, argv, {kUnits});
}
