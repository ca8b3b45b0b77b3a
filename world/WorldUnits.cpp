#include "world/WorldUnits.h"

namespace {

void RegisterWorldClasses() {
}

const TUnit kWorldUnits[] = {
    {"WorldClasses", RegisterWorldClasses, nullptr},
};

}  // namespace

std::span<const TUnit> WorldUnits() {
    return kWorldUnits;
}
