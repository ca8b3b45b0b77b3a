// The widget library's units in initialisation order: the classes data names
// ("group_widget", "WidgetFactory"), then the leaf and decorating widgets
// (LeafWidgetUnits.h), then the controls (ControlUnits.h).
#pragma once

#include <span>

#include "core/base/Units.h"

// Registers "group_widget" (TVisualGroupWidget) and "WidgetFactory"
// (TWidgetFactory).
void RegisterWidgetClasses();

std::span<const TUnit> WidgetUnits();
