#include "world/WorldUnits.h"

#include "world/GameScreenHistory.h"
#include "world/GameScreenMain.h"
#include "world/GameScreenMenus.h"
#include "world/MapControl.h"
#include "world/MapObjects.h"
#include "world/MapScenarios.h"
#include "world/MapScreen.h"
#include "world/Medallion.h"

namespace {

void RegisterWorldClasses() {
    RegisterMedallionClasses();
    RegisterMainScreenClasses();
    RegisterMenuScreenClasses();
    RegisterHistoryScreenClasses();
    RegisterMapObjectClasses();
    RegisterMapScenarioClasses();
    RegisterMapControlClasses();
    RegisterMapScreenClasses();
}

const TUnit kWorldUnits[] = {
    {"WorldClasses", RegisterWorldClasses, nullptr},
};

}  // namespace

std::span<const TUnit> WorldUnits() {
    return kWorldUnits;
}
