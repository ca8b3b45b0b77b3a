#include "core/CoreUnits.h"
#include "effects/EffectUnits.h"
#include "engine/EngineUnits.h"
#include "functions/FunctionUnits.h"
#include "game/GameUnits.h"
#include "nonogram/NonogramUnits.h"
#include "tests/game/GameTestClasses.h"
#include "tests/game/ScreenTestClasses.h"
#include "tests/support/TestMain.h"
#include "tests/world/WorldTestSupport.h"
#include "widgets/WidgetUnits.h"
#include "world/WorldUnits.h"

int main(int argc, char** argv) {
    return RunTests(argc, argv,
                    {CoreUnits(), EngineUnits(), FunctionUnits(), WidgetUnits(), EffectUnits(),
                     GameUnits(), NonogramUnits(), WorldUnits(), gametest::kGameTestUnits,
                     screentest::kScreenTestUnits, worldtest::kWorldTestUnits});
}
