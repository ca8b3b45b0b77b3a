// The units of the whole core library, in initialisation order.
#pragma once

#include <span>

#include "core/base/Units.h"

std::span<const TUnit> CoreUnits();
