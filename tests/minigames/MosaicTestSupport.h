// The big mosaic's tests on the real game shell: a mosaic window built from
// small pieces, a cell template whose parts are plain leaves, factories for
// the flights and flashes that end after their lifetime, the map's real
// scroll scenario, and a mosaic screen and a plain screen that note the
// sounds they play in the journal.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "minigames/MosaicScenarios.h"
#include "minigames/MosaicScreen.h"
#include "minigames/MosaicValues.h"
#include "tests/game/GameShellTestSupport.h"
#include "tests/game/GameTestClasses.h"

namespace mosaictest {

using namespace gametest;

// Notes "sound <name>" for every sound it is asked to play.
class TSoundScreen : public TTestGameScreen {
public:
    TChannelHandle PlaySound(const std::string& name) override {
        Note("sound " + name);
        return TTestGameScreen::PlaySound(name);
    }
};

// The real mosaic screen on the test effect window, noting its sounds.
class TMosaicTestScreen : public TQuillmarchGameScreenGameBigMosaic {
public:
    TChannelHandle PlaySound(const std::string& name) override {
        Note("sound " + name);
        return TQuillmarchGameScreenGameBigMosaic::PlaySound(name);
    }

protected:
    std::string WindowClassName() const override { return "qm_test_effect_window"; }
};

// A leaf that notes "command <name> <number>" for each command it gets.
class TCommandProbe : public TGameLeaf {
public:
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override {
        Note("command " + GetName() + " " + std::to_string(command));
        TGameLeaf::ExecuteCommand(command, params);
    }
};

// The classes above, registered the first time a test needs them.
inline void RegisterMosaicTestClasses() {
    if (FindRegisteredClass("QmMosaicSoundScreen")) return;
    RegisterObjectClass(ClassOf<TSoundScreen>(), "QmMosaicSoundScreen");
    RegisterObjectClass(ClassOf<TMosaicTestScreen>(), "QmMosaicTestScreen");
    RegisterObjectClass(ClassOf<TCommandProbe>(), "qm_mosaic_command_probe");
}

inline int CountJournal(const std::string& line) {
    int count = 0;
    for (const std::string& l : Journal()) count += l == line ? 1 : 0;
    return count;
}

inline std::string Factory(const std::string& name, const std::string& widget) {
    return "<widgetfactory name=\"" + name + "\" type=\"WidgetFactory\"><widgetstring>" + widget +
           "</widgetstring></widgetfactory>";
}

// A cell: a group hit-tested as itself, holding the piece "picture" with a
// "shadow" and an "image" the cell's size. Its "state" starts at 1.
inline std::string CellTemplate() {
    return R"(<widget type="group_widget" name="cell_%row%_%col%" visible="yes" mousestop="yes"
                      returnselfbypos="yes" anchor_left="%anchor_left%" anchor_top="%anchor_top%"
                      extraparams="\row=%row%\col=%col%\state=1\picture=%resourcename%"><widgets>
                <widget type="group_widget" name="picture" visible="yes"
                        extraparams="\row=%row%\col=%col%"><widgets>
                  <widget type="qm_game_leaf" name="shadow" visible="yes" mousestop="no"
                          width="%width%" height="%height%" color="$FF202020"/>
                  <widget type="qm_game_leaf" name="image" visible="yes" mousestop="no"
                          width="%width%" height="%height%" color="$FF8080FF"/>
                </widgets></widget>
              </widgets></widget>)";
}

// The scenario factories the board and the exchange use. The flights and
// flashes are groups that die after their lifetime and keep what is set to
// "surface" among their extra parameters.
inline std::string ExchangeFactories(int flashMs = 200) {
    return Factory("mosaic_scenario_exchange_cells",
                   R"(<widget type="scenario_mosaic_exchange_cells" name="exchange_%cell1%_%cell2%"
                              visible="yes" extraparams="\cell1=%cell1%\cell2=%cell2%"/>)") +
           Factory("move_picture",
                   R"(<widget type="group_widget" name="%name%" visible="yes"
                              anchor_left="%x1%" anchor_top="%y1%" timetolive="%lifetime%"
                              extraparams="\surface=none\x2=%x2%\y2=%y2%\lifetime=%lifetime%"/>)") +
           Factory("mosaic_cell_flash",
                   "<widget type=\"group_widget\" name=\"%name%\" visible=\"yes\" "
                   "anchor_left=\"%anchor_left%\" anchor_top=\"%anchor_top%\" timetolive=\"" +
                       std::to_string(flashMs) + "\" extraparams=\"\\surface=none\"/>");
}

struct TWindowOptions {
    std::string openingDuration = "800";  // "" for no opening scenario
    bool scroll = true;                   // a scroll scenario factory
    bool mapSurfaceInMoveGroup = false;   // else at the window's root
};

// The map's own scroll scenario, 100 ms long. It looks for the snapshot two
// levels above the scenario group (the window's root here) and reports to
// the snapshot's screen only when it finds it there.
inline std::string ScrollFactory() {
    return Factory("scenario_scroll",
                   R"(<widget type="scenario_scroll" name="scenario_scroll" visible="yes"
                              extraparams="\duration=100\big_mosaic=%big_mosaic%"/>)");
}

// The mosaic window: the move group with cells, scenarios and mat, the
// buttons, tip, timer, map snapshot and scroll edge, and the factories.
inline std::string MosaicWindow(const TWindowOptions& o = {}) {
    const std::string mapWidgets =
        R"(<widget type="qm_game_leaf" name="map_surface" visible="yes" width="10" height="5"
                   mousestop="no" extraparams="\surface=none\shifttop=5"/>
           <widget type="qm_game_leaf" name="scroll" visible="yes" width="10" height="10"
                   mousestop="no" extraparams="\start_y=-57"/>)";
    std::string window =
        R"(<widget type="group_widget" name="move_group" visible="yes" anchor_left="30"><widgets>
             <widget type="group_widget" name="cells_group" visible="yes"/>
             <widget type="group_widget" name="scenario_group" visible="yes"/>
             <widget type="qm_game_leaf" name="mosaic_mat" extraparams="\resourcename="/>)";
    if (o.mapSurfaceInMoveGroup) window += mapWidgets;
    window += "</widgets></widget>";
    if (!o.mapSurfaceInMoveGroup) window += mapWidgets;
    window +=
        R"(<widget type="qm_game_leaf" name="button_close" visible="yes" mousestop="yes" anchor_left="900" anchor_top="700" width="40" height="20"/>
           <widget type="qm_game_leaf" name="button_skip" visible="yes" mousestop="yes" enabled="yes" anchor_left="950" anchor_top="700" width="40" height="20"/>
           <widget type="qm_game_leaf" name="button_menu" visible="yes" mousestop="yes" anchor_left="850" anchor_top="700" width="40" height="20"/>
           <widget type="qm_game_leaf" name="game_tip" width="200" height="100" mousestop="no" extraparams="\init_y=20"/>
           <widget type="qm_game_leaf" name="timer" visible="yes" width="10" height="10" mousestop="no"/>)";
    std::string factories =
        Factory("mosaic_cell", CellTemplate()) +
        Factory("mosaic_cell_selected",
                R"(<widget type="qm_game_leaf" name="selected" visible="yes" mousestop="no"
                           width="%width%" height="%height%" color="$FFFFFF00"/>)") +
        Factory("scenario_end_level",
                R"(<widget type="scenario_bigmosaic_end_level" name="scenario_end_level"
                           visible="yes" extraparams="\duration=300"/>)") +
        Factory("text_visualization",
                R"(<widget type="qm_game_leaf" name="level_title" visible="yes" mousestop="no"
                           extraparams="\LevelName=%LevelName%\InitVizualization=no\visualization_time=200"/>)") +
        ExchangeFactories();
    if (!o.openingDuration.empty()) {
        factories += Factory("scenario_start_level",
                             "<widget type=\"scenario_bigmosaic_start_level\" "
                             "name=\"scenario_start_level\" visible=\"yes\" "
                             "extraparams=\"\\duration=" +
                                 o.openingDuration + "\\LevelName=%LevelName%\"/>");
    }
    if (o.scroll) factories += ScrollFactory();
    return "<widgets>" + window + "</widgets><widgetfactories>" + factories + "</widgetfactories>";
}

// A screen of the given class on the test effect window holding the mosaic
// window, with its sounds noted.
inline std::string MosaicScreenOf(const std::string& name, const std::string& type,
                                  const TWindowOptions& o = {}) {
    return "<gamescreen name=\"" + name + "\" type=\"" + type +
           "\"><window type=\"qm_test_effect_window\">" + MosaicWindow(o) +
           "</window></gamescreen>";
}

}  // namespace mosaictest
