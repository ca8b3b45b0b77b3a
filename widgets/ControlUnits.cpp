#include "widgets/ControlUnits.h"

#include "core/object/GeneralClasses.h"
#include "widgets/ControlWidget.h"

void RegisterControlClasses() {
    RegisterObjectClass(ClassOf<TControlWidget>(), "Control");
}
