#include "widgets/WidgetUnits.h"

#include "core/object/GeneralClasses.h"
#include "widgets/GroupWidgets.h"
#include "widgets/LeafWidgetUnits.h"
#include "widgets/WidgetFactories.h"

namespace {

const TUnit kWidgetUnits[] = {
    {"WidgetClasses", RegisterWidgetClasses, nullptr},
    {"LeafWidgets", RegisterLeafWidgetClasses, nullptr},
};

}  // namespace

void RegisterWidgetClasses() {
    RegisterObjectClass(ClassOf<TVisualGroupWidget>(), "group_widget");
    RegisterObjectClass(ClassOf<TWidgetFactory>(), "WidgetFactory");
}

std::span<const TUnit> WidgetUnits() {
    return kWidgetUnits;
}
