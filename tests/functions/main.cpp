#include "core/CoreUnits.h"
#include "functions/FunctionUnits.h"
#include "tests/functions/FunctionFixtures.h"
#include "tests/support/TestMain.h"

namespace {
const TUnit kTestUnits[] = {{"TestRecorder", RegisterRecorder, nullptr}};
}  // namespace

int main(int argc, char** argv) {
    return RunTests(argc, argv, {CoreUnits(), FunctionUnits(), kTestUnits});
}
