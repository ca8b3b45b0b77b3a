// The mini-games' units in initialisation order, after the game world's.
#pragma once

#include <span>

#include "core/base/Units.h"

std::span<const TUnit> MinigameUnits();
