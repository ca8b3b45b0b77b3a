#include "game/GameUnits.h"

#include "game/GlobalOptions.h"

namespace {

const TUnit kGameUnits[] = {
    kGlobalOptionsUnit,
};

}  // namespace

std::span<const TUnit> GameUnits() {
    return kGameUnits;
}
