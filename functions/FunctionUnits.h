// The function library's units in initialisation order: the function
// classes, then the motion paths, each registered under its data name.
#pragma once

#include <span>

#include "core/base/Units.h"

std::span<const TUnit> FunctionUnits();
