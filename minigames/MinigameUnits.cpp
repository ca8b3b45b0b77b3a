#include "minigames/MinigameUnits.h"

namespace {

void RegisterMinigameClasses() {
}

const TUnit kMinigameUnits[] = {
    {"MinigameClasses", RegisterMinigameClasses, nullptr},
};

}  // namespace

std::span<const TUnit> MinigameUnits() {
    return kMinigameUnits;
}
