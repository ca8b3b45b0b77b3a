#include "core/CoreUnits.h"
#include "engine/EngineUnits.h"
#include "game/GameUnits.h"
#include "tests/support/TestMain.h"

int main(int argc, char** argv) {
    return RunTests(argc, argv, {CoreUnits(), EngineUnits(), GameUnits()});
}
