#include "world/WorldUnits.h"

#include "world/Medallion.h"

namespace {

void RegisterWorldClasses() {
    RegisterMedallionClasses();
}

const TUnit kWorldUnits[] = {
    {"WorldClasses", RegisterWorldClasses, nullptr},
};

}  // namespace

std::span<const TUnit> WorldUnits() {
    return kWorldUnits;
}
