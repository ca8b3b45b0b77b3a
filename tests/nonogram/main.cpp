#include "core/CoreUnits.h"
#include "effects/EffectUnits.h"
#include "engine/EngineUnits.h"
#include "functions/FunctionUnits.h"
#include "game/GameUnits.h"
#include "nonogram/NonogramUnits.h"
#include "tests/game/GameTestClasses.h"
#include "tests/nonogram/BoardTestSupport.h"
#include "tests/nonogram/LevelFlowTestSupport.h"
#include "tests/nonogram/NonogramTestSupport.h"
#include "tests/nonogram/ResultTestSupport.h"
#include "tests/support/TestMain.h"
#include "widgets/WidgetUnits.h"

int main(int argc, char** argv) {
    return RunTests(argc, argv,
                    {CoreUnits(), EngineUnits(), FunctionUnits(), WidgetUnits(), EffectUnits(),
                     GameUnits(), NonogramUnits(), gametest::kGameTestUnits,
                     nonogramtest::kNonogramTestUnits, nonogramtest::kBoardTestUnits,
                     nonogramtest::kLevelFlowTestUnits,

                     resulttest::kResultTestUnits});
}
