// The core library's units in initialisation order.
#include "core/Units.h"

namespace {

const TUnit kCoreUnits[] = {
    {"Variant", nullptr, nullptr},
};

}  // namespace

std::span<const TUnit> CoreUnits() { return kCoreUnits; }
