#include "nonogram/NonogramUnits.h"

#include "core/object/GeneralClasses.h"
#include "nonogram/BarControl.h"
#include "nonogram/ControlGameNonogram.h"
#include "nonogram/ControlTools.h"
#include "nonogram/GameScreenNonogram.h"
#include "nonogram/LevelFlowScenarios.h"
#include "nonogram/LevelDefs.h"
#include "nonogram/QuillmarchCell.h"
#include "nonogram/ResultScenarios.h"
#include "nonogram/ResultScreens.h"
#include "nonogram/TutorialScreen.h"

namespace {

void RegisterNonogramClasses() {
    RegisterLevelDefClasses();
    RegisterObjectClass(ClassOf<TQuillmarchCell>(), "QuillmarchCell");
    RegisterBoardClasses();
    RegisterToolClasses();
    RegisterBarClasses();
    RegisterLevelFlowClasses();
    RegisterGameScreenNonogramClasses();
    RegisterResultScreenClasses();
    RegisterResultScenarioClasses();
    RegisterTutorialClasses();
}

const TUnit kNonogramUnits[] = {
    {"NonogramClasses", RegisterNonogramClasses, nullptr},
};

}  // namespace

std::span<const TUnit> NonogramUnits() {
    return kNonogramUnits;
}
