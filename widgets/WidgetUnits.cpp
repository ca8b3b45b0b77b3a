#include "widgets/WidgetUnits.h"

#include "core/object/GeneralClasses.h"
#include "widgets/ControlUnits.h"
#include "widgets/FlashScenario.h"
#include "widgets/GroupWidgets.h"
#include "widgets/LeafWidgetUnits.h"
#include "widgets/Scenarios.h"
#include "widgets/StateScenario.h"
#include "widgets/WidgetFactories.h"

namespace {

const TUnit kWidgetUnits[] = {
    {"WidgetClasses", RegisterWidgetClasses, nullptr},
    {"LeafWidgets", RegisterLeafWidgetClasses, nullptr},
    {"Controls", RegisterControlClasses, nullptr},
};

}  // namespace

void RegisterWidgetClasses() {
    RegisterObjectClass(ClassOf<TVisualGroupWidget>(), "group_widget");
    RegisterObjectClass(ClassOf<TWidgetFactory>(), "WidgetFactory");
    RegisterObjectClass(ClassOf<TTestScenario>(), "scenario");
    RegisterObjectClass(ClassOf<TTransparentScenario>(), "transparent_scenario");
    RegisterObjectClass(ClassOf<TMoveScenario>(), "move_scenario");
    RegisterObjectClass(ClassOf<TStateScenario>(), "state_scenario");
    RegisterObjectClass(ClassOf<TFlashScenarioControl>(), "flash_scenario_control");
    RegisterObjectClass(ClassOf<TFlashScenario>(), "flash_scenario");
}

std::span<const TUnit> WidgetUnits() {
    return kWidgetUnits;
}
