#include "minigames/MinigameUnits.h"

#include "minigames/BonusControl.h"
#include "minigames/BonusScreens.h"

namespace {

void RegisterMinigameClasses() {
    RegisterBonusControlClasses();
    RegisterBonusScreenClasses();
}

const TUnit kMinigameUnits[] = {
    {"MinigameClasses", RegisterMinigameClasses, nullptr},
};

}  // namespace

std::span<const TUnit> MinigameUnits() {
    return kMinigameUnits;
}
