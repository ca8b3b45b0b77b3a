#include "game/GameUnits.h"

#include "game/Cursors.h"
#include "game/CustomSettings.h"
#include "game/Game.h"
#include "game/GameLevelDefs.h"
#include "game/GlobalOptions.h"
#include "game/HighScoresGrid.h"
#include "game/LogFile.h"
#include "game/OptionsScreens.h"
#include "game/ProfileScreens.h"
#include "game/QueryScreens.h"
#include "game/SplashScreens.h"

namespace {

// The game's own cursors and custom settings scripts, unless a program
// chooses other classes after this unit.
void InitCursorsAndSettings() {
    RegisterSettingsCommands();
    SetCursorCollectionClass(ClassOf<TCursorCollection>());
    SetCustomSettingsClass(ClassOf<TCustomSettingsCollection>());
}

// The standard screens the game definition names by class.
void RegisterStandardScreens() {
    RegisterSplashScreenClasses();
    RegisterQueryScreenClasses();
    RegisterOptionsScreenClasses();
    RegisterProfileScreenClasses();
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
    {"StandardScreens", RegisterStandardScreens, nullptr},
    kLevelDefsUnit,
    {"GameCursorsAndSettings", InitCursorsAndSettings, DoneCursorsAndSettings},
};

}  // namespace

std::span<const TUnit> GameUnits() {
    return kGameUnits;
}
