#include "world/WorldUnits.h"

#include "world/GameScreenHistory.h"
#include "world/GameScreenMain.h"
#include "world/GameScreenMenus.h"
#include "world/Medallion.h"

namespace {

void RegisterWorldClasses() {
    RegisterMedallionClasses();
    RegisterMainScreenClasses();
    RegisterMenuScreenClasses();
    RegisterHistoryScreenClasses();
}

const TUnit kWorldUnits[] = {
    {"WorldClasses", RegisterWorldClasses, nullptr},
};

}  // namespace

std::span<const TUnit> WorldUnits() {
    return kWorldUnits;
}
