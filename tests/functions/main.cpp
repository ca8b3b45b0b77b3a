#include "core/base/PlatformShims.h"
#include "tests/support/TestMain.h"

namespace {
const TUnit kUnits[] = {kFpuExceptionMaskUnit};
}  // namespace

int main(int argc, char** argv) {
    return RunTests(argc, argv, {kUnits});
}
