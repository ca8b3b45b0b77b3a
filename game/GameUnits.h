// The game shell's units in initialisation order, after the engine's.
#pragma once

#include <span>

#include "core/base/Units.h"

std::span<const TUnit> GameUnits();
