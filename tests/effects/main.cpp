#include "core/CoreUnits.h"
#include "effects/EffectUnits.h"
#include "engine/EngineUnits.h"
#include "functions/FunctionUnits.h"
#include "tests/effects/EffectTestClasses.h"
#include "tests/support/TestMain.h"
#include "widgets/WidgetUnits.h"

int main(int argc, char** argv) {
    return RunTests(argc, argv,
                    {CoreUnits(), EngineUnits(), FunctionUnits(), WidgetUnits(), EffectUnits(),
                     widgettest::kWidgetTestUnits, effecttest::kEffectTestUnits});
}
