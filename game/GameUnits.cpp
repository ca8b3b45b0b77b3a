#include "game/GameUnits.h"

#include "game/Game.h"
#include "game/GlobalOptions.h"

namespace {

const TUnit kGameUnits[] = {
    kGlobalOptionsUnit,
    kGameShellUnit,
};

}  // namespace

std::span<const TUnit> GameUnits() {
    return kGameUnits;
}
