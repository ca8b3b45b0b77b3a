#include "core/base/PlatformShims.h"
#include "core/packs/ResourceReader.h"
#include "tests/support/TestMain.h"

namespace {
const TUnit kUnits[] = {kFpuExceptionMaskUnit, kResourceReaderUnit};
}  // namespace

int main(int argc, char** argv) {
    return RunTests(argc, argv, {kUnits});
}
