// The game world's units in initialisation order, after the nonogram game's.
#pragma once

#include <span>

#include "core/base/Units.h"

std::span<const TUnit> WorldUnits();
