#include "world/WorldUnits.h"

#include "world/GameScreenHistory.h"
#include "world/GameScreenMain.h"
#include "world/GameScreenMenus.h"
#include "world/ItemReveal.h"
#include "world/LocationLayers.h"
#include "world/LocationScene.h"
#include "world/LocationScreens.h"
#include "world/MapControl.h"
#include "world/MapObjects.h"
#include "world/MapScenarios.h"
#include "world/MapScreen.h"
#include "world/Medallion.h"
#include "world/ScenePanels.h"
#include "world/ShopControl.h"
#include "world/ShopScreens.h"
#include "world/TrophyCabinet.h"

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
    RegisterItemRevealClasses();
    RegisterTrophyClasses();
    RegisterLocationSceneClasses();
    RegisterLocationScreenClasses();
    RegisterShopControlClasses();
    RegisterShopScreenClasses();
    RegisterScenePanelClasses();
}

const TUnit kWorldUnits[] = {
    {"WorldClasses", RegisterWorldClasses, nullptr},
    {"LocationLayers", InstallLocationLayersPainter, RemoveLocationLayersPainter},
};

}  // namespace

std::span<const TUnit> WorldUnits() {
    return kWorldUnits;
}
