// The engine library's units in initialisation order: the start-up unit
// first (pack extension, data folder, base language), then the classes the
// resource lists name.
#pragma once

#include <span>

#include "core/base/Units.h"

std::span<const TUnit> EngineUnits();
