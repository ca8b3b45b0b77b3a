#include "world/WorldUnits.h"

#include "world/GameScreenMain.h"
#include "world/Medallion.h"

namespace {

void RegisterWorldClasses() {
    RegisterMedallionClasses();
    RegisterMainScreenClasses();
}

const TUnit kWorldUnits[] = {
    {"WorldClasses", RegisterWorldClasses, nullptr},
};

}  // namespace

std::span<const TUnit> WorldUnits() {
    return kWorldUnits;
}
