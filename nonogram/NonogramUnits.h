// The nonogram library's units in initialisation order, after the game
// shell's.
#pragma once

#include <span>

#include "core/base/Units.h"

std::span<const TUnit> NonogramUnits();
