#include "core/base/PlatformShims.h"
#include "core/packs/ResourceReader.h"
#include "core/storage/XMLStorage.h"
#include "tests/support/TestMain.h"

namespace {
const TUnit kUnits[] = {kFpuExceptionMaskUnit, kResourceReaderUnit, kXMLStorageUnit};
}  // namespace

int main(int argc, char** argv) {
    return RunTests(argc, argv, {kUnits});
}
