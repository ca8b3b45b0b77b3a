// A game shell fixture on the game's own cursor and custom settings classes
// in place of the recording ones the other shell tests use.
#pragma once

#include "game/Cursors.h"
#include "game/CustomSettings.h"
#include "tests/game/GameShellTestSupport.h"

namespace gametest {

class OwnShellClassesTest : public GameShellTest {
protected:
    void SetUp() override {
        GameShellTest::SetUp();
        cursors_ = GetCursorCollectionClass();
        settings_ = GetCustomSettingsClass();
        SetCursorCollectionClass(ClassOf<TCursorCollection>());
        SetCustomSettingsClass(ClassOf<TCustomSettingsCollection>());
    }
    void TearDown() override {
        GameShellTest::TearDown();
        SetCursorCollectionClass(cursors_);
        SetCustomSettingsClass(settings_);
    }

private:
    TAbstractClass cursors_ = nullptr;
    TAbstractClass settings_ = nullptr;
};

}  // namespace gametest
