// The effects library's units in initialisation order: the classes data names.
#pragma once

#include <span>

#include "core/base/Units.h"

std::span<const TUnit> EffectUnits();
