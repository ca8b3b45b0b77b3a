// The bonus game on the real game shell: a game whose screen "GS_Bonus"
// holds the bonus control with its board groups, points, errors, timer and
// scenario group, the tool switch and the hint buttons; bonus pictures
// written as level files into a temporary folder and published as the
// catalogue "level_bonus_def_refs"; grid definitions published as
// "grid_defs"; a current profile. The screen class records the sounds
// played and the events the control reports in the game tests' journal.
//
//     TBonusControlTest: Begin({{"10", "01"}, {"11", "00"}}, 2);  // 2 rounds
//     Finish("scenario_start_level");                             // playing
//     Click(0, 0);                                                // arrow
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "minigames/BonusControl.h"
#include "nonogram/ControlTools.h"
#include "nonogram/GridDefs.h"
#include "tests/game/GameShellTestSupport.h"
#include "tests/game/GameTestClasses.h"
#include "tests/nonogram/NonogramTestSupport.h"
#include "tests/support/GameHarness.h"
#include "tests/support/TempDir.h"

namespace bonustest {

// Records "sound <name>" and "event <code> <params>".
class TBonusTestScreen : public gametest::TTestGameScreen {
public:
    TChannelHandle PlaySound(const std::string& name) override {
        gametest::Note("sound " + name);
        return TTestGameScreen::PlaySound(name);
    }
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override {
        gametest::Note("event " + std::to_string(code) + " " + gametest::ParamsText(params));
        TGameScreen::HandleEvent(sender, code, params);
    }
};

// The nonogram tests' leaf and digit under names of our own.
inline void RegisterBonusTestClasses() {
    RegisterObjectClass(ClassOf<TBonusTestScreen>(), "bonus_test_screen");
    RegisterObjectClass(ClassOf<nonogramtest::TTestLeaf>(), "bonus_leaf");
    RegisterObjectClass(ClassOf<nonogramtest::TTestDigit>(), "bonus_digit");
}

inline constexpr TUnit kBonusTestUnits[] = {
    {"BonusTestClasses", RegisterBonusTestClasses, nullptr}};

inline std::string Factory(const std::string& name, const std::string& widget) {
    return nonogramtest::Factory(name, widget);
}

// A paused leaf named like its factory: the level-flow scenarios.
inline std::string ScenarioFactories() {
    std::string text;
    for (const char* name :
         {"scenario_start_level", "scenario_nonogram_start_round", "scenario_nonogram_end_round",
          "scenario_end_level", "scenario_failed_level", "scenario_nonogram_error"}) {
        text += Factory(name, std::string("<widget type=\"bonus_leaf\" name=\"") + name +
                                  "\" paused=\"yes\" extraparams=\"rows=%rows%\\cols=%cols%"
                                  "\\final_round=%final_round%\\current_round=%current_round%"
                                  "\\LevelName=%LevelName%\"/>");
    }
    text += Factory(
        "flying_points",
        R"(<widget type="bonus_leaf" name="fp%name%" paused="yes" extraparams="text=%text%"/>)");
    return text;
}

// Cells (10 × 10, looks "closed", "full", "empty"), digits (8 × 8 with
// "digit_on") and the breaking cell of one board size.
inline std::string SizeFactories(int32_t rows, int32_t cols,
                                 const std::vector<int>& colours = {0, 1}) {
    const std::string size = std::to_string(rows) + "_" + std::to_string(cols);
    std::string text;
    for (int colour : colours) {
        text += Factory(
            "cell" + size + "_" + std::to_string(colour),
            R"(<widget type="QuillmarchCell" name="cell%name%" visible="yes"><widgets>)"
            R"(<widget type="bonus_leaf" name="closed" visible="yes" width="10" height="10"/>)"
            R"(<widget type="bonus_leaf" name="full" width="10" height="10"/>)"
            R"(<widget type="bonus_leaf" name="empty" width="10" height="10"/>)"
            R"(</widgets></widget>)");
    }
    text += Factory(
        "digit" + size,
        R"(<widget type="bonus_digit" name="digit%name%" visible="yes" text="%text%"><widgets>)"
        R"(<widget type="bonus_leaf" name="plate" visible="yes" width="8" height="8"/>)"
        R"(<widget type="bonus_leaf" name="digit_on" width="8" height="8"/>)"
        R"(</widgets></widget>)");
    text += Factory(
        "breaking_cell" + size,
        R"(<widget type="bonus_leaf" name="breaking_%name%" width="10" height="10" paused="yes"/>)");
    return text;
}

struct TBonusOptions {
    std::vector<std::pair<int32_t, int32_t>> sizes = {{2, 2}};  // boards the factories serve
    bool errors = true;
    bool timer = true;
    bool scenarioGroup = true;
    bool scenarios = true;
    std::string controlChildren;  // more children of the control
};

class TBonusControlTest : public ::testing::Test {
protected:
    // The control, the tool switch and the hint buttons.
    static std::string ControlWidgets(const TBonusOptions& o) {
        std::string factories;
        for (const auto& [rows, cols] : o.sizes) factories += SizeFactories(rows, cols);
        if (o.scenarios) factories += ScenarioFactories();
        std::string control =
            "<widget type=\"QuillmarchControlGameBonus\" name=\"control_game_nonogram\" "
            "visible=\"yes\" mousestop=\"yes\" width=\"640\" height=\"480\">"
            "<widgetfactories>" +
            factories + "</widgetfactories><widgets>";
        control += R"(<widget type="group_widget" name="grid" visible="yes"><widgets>
                        <widget type="group_widget" name="cells" visible="yes"/>
                        <widget type="group_widget" name="digits" visible="yes"/>
                      </widgets></widget>
                      <widget type="bonus_leaf" name="points" extraparams="value=0\animation=0"/>
                      <widget type="bonus_leaf" name="image_select" visible="yes" width="10" height="10" extraparams="start_x=37"/>
                      <widget type="bonus_leaf" name="image_hammer" visible="yes" width="10" height="10"/>)";
        if (o.scenarioGroup)
            control += R"(<widget type="group_widget" name="scenario_group" visible="yes"/>)";
        if (o.errors) {
            control +=
                R"(<widget type="bonus_leaf" name="errors" extraparams="value=0\error_pos=0\current_value=2"/>)";
        }
        if (o.timer) {
            control +=
                R"(<widget type="bonus_leaf" name="timer" extraparams="time_string=1:05\time_in_sec=65\currenttime=0"/>)";
        }
        control += o.controlChildren + "</widgets></widget>";
        const std::string tools =
            R"(<widget type="QuillmarchControlTools" name="control_tools" visible="yes"><widgets>
                 <widget type="bonus_leaf" name="frame" visible="yes"/>
               </widgets></widget>)";
        std::string hints =
            R"(<widget type="group_widget" name="hint_buttons" visible="yes"><widgets>
                 <widget type="bonus_leaf" name="title_hints"/>)";
        for (int i = 1; i <= 3; ++i) {
            hints += "<widget type=\"bonus_leaf\" name=\"hint_" + std::to_string(i) + "\"/>";
        }
        hints += "</widgets></widget>";
        return control + tools + hints;
    }

    static std::string ControlScreen(const TBonusOptions& o) {
        return "<gamescreen name=\"GS_Bonus\" type=\"bonus_test_screen\"><window "
               "type=\"qm_test_effect_window\"><widgets>" +
               ControlWidgets(o) + "</widgets></window></gamescreen>";
    }

    void StartGame(const TBonusOptions& options = {}) {
        ClearStorageCache();
        std::string screens = ControlScreen(options);
        for (const char* name : {"GS_HintError", "GS_HelpBonus"}) {
            screens += gametest::PlainScreen(name, 0, 0, 1, 1, 0xFF000000);
        }
        control_ = nullptr;
        game_.reset();
        game_ = std::make_unique<TGameHarness>();
        ASSERT_TRUE(game_->Start(gametest::GameOf("", gametest::ScreensOf(screens))));
        game_->Step(1);
        ASSERT_TRUE(Game().ShowGameScreen("GS_Bonus", nullptr));
        const Ref<IUserProfileCollection> profiles = Game().GetUserProfiles();
        profiles->FindOrAdd("player");
        profiles->SetCurrent("player");
        // Seen before: the help screens stay shut unless a test asks.
        Profile()->SetValue("show_bonus_help", Variant("yes"));
        Profile()->SetValue("show_hint_error", Variant("yes"));
        control_ =
            dynamic_cast<TQuillmarchControlGameBonus*>(Widget("control_game_nonogram").get());
        ASSERT_NE(control_, nullptr);
        std::string grids;
        for (const auto& [rows, cols] : options.sizes) grids += nonogramtest::GridDef(rows, cols);
        PublishGridDefs(grids);
        gametest::Journal().clear();
    }

    void PublishGridDefs(const std::string& grids) {
        const Ref<TAbstractObject> defs = CreateAbstractObject(ClassOf<TGridDefCollection>());
        LoadPersistObject(Ref<IInterface>(defs),
                          LoadStorageFromXML("<grids>" + grids + "</grids>"));
        Game().SetOptionValue("grid_defs", Variant(Ref<IInterface>(defs)));
    }

    // A level file of the picture; its file name.
    std::string WritePicture(const std::string& name, const std::vector<std::string>& picture,
                             const std::string& rows = "", const std::string& cols = "") {
        const std::string r = rows.empty() ? std::to_string(picture.size()) : rows;
        const std::string c =
            cols.empty() ? std::to_string(picture.empty() ? 0 : picture[0].size()) : cols;
        std::string xml = "<level name=\"" + name + "\" LevelName=\"" + name +
                          "\" extraparams=\"rows=" + r + "\\cols=" + c + "\"><rows>";
        for (size_t i = 0; i < picture.size(); ++i) {
            xml += "<row name=\"r" + std::to_string(i) + "\" cells=\"" + picture[i] + "\"/>";
        }
        return levels_.Write(name + ".xml", xml + "</rows></level>");
    }

    // The catalogue "level_bonus_def_refs": one entry per picture, named
    // "p0", "p1"..., of the bonus level scene.
    void PublishPictures(const std::vector<std::vector<std::string>>& pictures,
                         const std::string& scene = "japan", const std::string& extraEntries = "") {
        std::string entries;
        for (size_t i = 0; i < pictures.size(); ++i) {
            const std::string name = "p" + std::to_string(i);
            entries +=
                "<level level=\"" + name + "\"><properties><param name=\"filename\" value=\"" +
                WritePicture(name, pictures[i]) + "\"/><param name=\"bonus_scene\" value=\"" +
                scene + "\"/></properties></level>";
        }
        PublishCatalogue(entries + extraEntries);
    }

    void PublishCatalogue(const std::string& entries) {
        const Ref<TAbstractObject> catalogue =
            CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>());
        LoadPersistObject(Ref<IInterface>(catalogue),
                          LoadStorageFromXML("<levels>" + entries + "</levels>"));
        Game().SetOptionValue("level_bonus_def_refs", Variant(Ref<IInterface>(catalogue)));
    }

    static Ref<IParamCollection> LevelParams(int32_t rounds, const std::string& errorPos = "3",
                                             int32_t seconds = 100, int32_t hints = 2,
                                             const std::string& level = "japan") {
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("LevelName", Variant(level));
        params->SetValue("rounds", Variant(rounds));
        params->SetValue("hints", Variant(hints));
        params->SetValue("error_pos", Variant(errorPos));
        params->SetValue("total_leveltime", Variant(seconds));
        return params;
    }

    // Starts a game, publishes the pictures and starts a level of rounds.
    void Begin(const std::vector<std::vector<std::string>>& pictures, int32_t rounds,
               const TBonusOptions& options = {}, const std::string& errorPos = "3",
               int32_t seconds = 100) {
        StartGame(options);
        PublishPictures(pictures);
        control_->ExecuteCommand(kBonusCommandStart, LevelParams(rounds, errorPos, seconds));
        // The tools are off: left is the arrow, right the hammer.
        Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
        gametest::Journal().clear();
    }

    static Ref<IParamCollection> NewParams() {
        return Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    }
    static Ref<IParamCollection> Params(
        std::initializer_list<std::pair<const char*, std::string>> pairs) {
        const Ref<IParamCollection> params = NewParams();
        for (const auto& [name, value] : pairs) params->SetValue(name, Variant(value));
        return params;
    }

    void Finish(const std::string& scenario) {
        control_->ExecuteCommand(kBonusCommandScenarioFinished,
                                 Params({{"scenario_to_finalize", scenario}}));
    }

    // The centre of a cell (the grid definition starts at 100, 80; cells 12
    // apart).
    static int32_t X(int32_t col) { return 100 + col * 12 + 5; }
    static int32_t Y(int32_t row) { return 80 + row * 12 + 5; }
    void Press(int32_t row, int32_t col, int32_t button = 0) {
        control_->MouseDown(X(col), Y(row), 0, button);
    }
    void Click(int32_t row, int32_t col, int32_t button = 0) {
        Press(row, col, button);
        control_->MouseUp(X(col), Y(row), 0, button);
    }
    void Drag(int32_t row, int32_t col) { control_->MouseMove(X(col), Y(row), 0); }

    std::string CellState(int32_t row, int32_t col) const {
        const Ref<IWidget> cell = control_->Grid().Cell(row, col);
        return cell ? cell->GetProperty("state").ToString() : "-";
    }
    static std::vector<std::string> Lines(const std::string& prefix) {
        std::vector<std::string> lines;
        for (const std::string& line : gametest::Journal()) {
            if (line.rfind(prefix, 0) == 0) lines.push_back(line);
        }
        return lines;
    }
    Ref<IWidget> Scenario(const std::string& name) const {
        return Widget("control_game_nonogram/scenario_group/" + name);
    }
    Ref<IWidget> Widget(const std::string& path) const {
        const Ref<IGameScreenSlave> screen = game_->Screen(screen_);
        const Ref<IWidget> window = screen ? screen->GetWindowWidget() : nullptr;
        return window ? window->FindWidget(path) : nullptr;
    }
    IGameScreenOwner& Game() const { return *game_->Game(); }
    Ref<IParamCollection> Profile() const {
        return Game().GetUserProfiles()->GetCurrent()->GetParams();
    }
    Ref<IWidget> Tools() const { return Widget("control_tools"); }

    TTempDir levels_{"bonus_levels"};
    std::string screen_ = "GS_Bonus";  // the screen holding the control
    std::unique_ptr<TGameHarness> game_;
    TQuillmarchControlGameBonus* control_ = nullptr;
};

}  // namespace bonustest
