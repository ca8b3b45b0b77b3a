#include "game/GameUnits.h"

#include "game/Cursors.h"
#include "game/CustomSettings.h"
#include "game/Game.h"
#include "game/GlobalOptions.h"
#include "game/HighScoresGrid.h"
#include "game/LogFile.h"

namespace {

// The game's own cursors and custom settings scripts, unless a program
// chooses other classes after this unit.
void InitCursorsAndSettings() {
    RegisterSettingsCommands();
    SetCursorCollectionClass(ClassOf<TCursorCollection>());
    SetCustomSettingsClass(ClassOf<TCustomSettingsCollection>());
}

void DoneCursorsAndSettings() {
    SetCursorCollectionClass(nullptr);
    SetCustomSettingsClass(nullptr);
}

const TUnit kGameUnits[] = {
    kLogFileUnit,
    kGlobalOptionsUnit,
    kGameShellUnit,
    kHighScoresGridUnit,
    {"GameCursorsAndSettings", InitCursorsAndSettings, DoneCursorsAndSettings},
};

}  // namespace

std::span<const TUnit> GameUnits() {
    return kGameUnits;
}
