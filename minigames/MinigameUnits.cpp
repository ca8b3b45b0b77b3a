#include "minigames/MinigameUnits.h"

#include "minigames/BonusControl.h"

namespace {

void RegisterMinigameClasses() {
    RegisterBonusControlClasses();
}

const TUnit kMinigameUnits[] = {
    {"MinigameClasses", RegisterMinigameClasses, nullptr},
};

}  // namespace

std::span<const TUnit> MinigameUnits() {
    return kMinigameUnits;
}
