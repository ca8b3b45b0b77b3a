#include "minigames/MinigameUnits.h"

#include "minigames/BonusControl.h"
#include "minigames/BonusScreens.h"
#include "minigames/MosaicScreen.h"

namespace {

void RegisterMinigameClasses() {
    RegisterBonusControlClasses();
    RegisterBonusScreenClasses();
    RegisterMosaicClasses();
}

const TUnit kMinigameUnits[] = {
    {"MinigameClasses", RegisterMinigameClasses, nullptr},
};

}  // namespace

std::span<const TUnit> MinigameUnits() {
    return kMinigameUnits;
}
