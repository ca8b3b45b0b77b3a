#include "core/CoreUnits.h"
#include "effects/EffectUnits.h"
#include "engine/EngineUnits.h"
#include "functions/FunctionUnits.h"
#include "game/GameUnits.h"
#include "minigames/MinigameUnits.h"
#include "nonogram/NonogramUnits.h"
#include "tests/support/TestMain.h"
#include "widgets/WidgetUnits.h"
#include "world/WorldUnits.h"

int main(int argc, char** argv) {
    // The units of every class the game definition names.
    return RunTests(argc, argv,
                    {CoreUnits(), EngineUnits(), FunctionUnits(), WidgetUnits(), EffectUnits(),
                     GameUnits(), NonogramUnits(), WorldUnits(), MinigameUnits()});
}
