// A nonogram board on the real game shell: a game with one level screen
// ("GS_Game", holding the board, its tool switch, hint buttons and close
// button) and the help screens the board may open, a current profile, a
// catalogue of level files written into a temporary folder, and a screen
// class that records the sounds played and the events the board reports.
//
//     TBoardTest: Play({"101", "010", "111"});   // a level, started and running
//     Press(0, 0);                                // arrow on row 0, column 0
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "nonogram/ControlGameNonogram.h"
#include "nonogram/ControlTools.h"
#include "tests/game/GameShellTestSupport.h"
#include "tests/game/GameTestClasses.h"
#include "tests/nonogram/NonogramTestSupport.h"
#include "tests/support/GameHarness.h"
#include "tests/support/TempDir.h"

namespace nonogramtest {

// Records "sound <name>" and "event <code> <params>" in the game tests'
// journal.
class TBoardTestScreen : public gametest::TTestGameScreen {
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

inline void RegisterBoardTestClasses() {
    RegisterObjectClass(ClassOf<TBoardTestScreen>(), "NonoBoardTestScreen");
}

inline constexpr TUnit kBoardTestUnits[] = {
    {"BoardTestClasses", RegisterBoardTestClasses, nullptr}};

// A paused leaf named like its factory: the scenarios the board starts.
inline std::string ScenarioFactories() {
    std::string text;
    for (const char* name :
         {"scenario_start_level", "scenario_nonogram_error", "scenario_show_final_picture",
          "scenario_end_level", "scenario_failed_level"}) {
        text += Factory(
            name, std::string("<widget type=\"nono_leaf\" name=\"") + name + "\" paused=\"yes\"/>");
    }
    return text;
}

struct TBoardOptions {
    bool errorsLabel = true;
    bool scenarioGroup = true;
    bool scenarios = true;
    bool breaking = true;
    std::vector<int> colours = {0, 1};
    std::string grids;        // the board's grid definitions; one for the size when empty
    bool titleFirst = false;  // "title_hints" before the hint buttons
};

class TBoardTest : public ::testing::Test {
protected:
    // The board's screen for a rows × cols picture.
    static std::string BoardScreen(int32_t rows, int32_t cols, const TBoardOptions& o) {
        std::string board =
            "<widget type=\"QuillmarchControlGameNonogram\" name=\"control_game_nonogram\" "
            "visible=\"yes\" mousestop=\"yes\" width=\"640\" height=\"480\">";
        board += "<grids>" + (o.grids.empty() ? GridDef(rows, cols) : o.grids) + "</grids>";
        board += "<widgetfactories>" + Factories(rows, cols, o.colours, o.breaking) +
                 (o.scenarios ? ScenarioFactories() : "") + "</widgetfactories><widgets>";
        board += R"(<widget type="group_widget" name="grid" visible="yes"><widgets>
                      <widget type="group_widget" name="cells" visible="yes"/>
                      <widget type="group_widget" name="digits" visible="yes"/>
                    </widgets></widget>)";
        if (o.scenarioGroup)
            board += R"(<widget type="group_widget" name="scenario_group" visible="yes"/>)";
        if (o.errorsLabel) {
            board +=
                R"(<widget type="nono_leaf" name="errors" extraparams="value=0\error_pos=0\current_value=0"/>)";
        }
        board +=
            R"(<widget type="group_widget" name="timer" extraparams="time_string=1:05\time_in_sec=65"><widgets>
                      <widget type="nono_leaf" name="expert" visible="yes" extraparams="init_y=33"/>
                    </widgets></widget>
                    <widget type="nono_leaf" name="image_select" visible="yes" width="10" height="10"/>
                    <widget type="nono_leaf" name="image_hammer" visible="yes" width="10" height="10"/>
                  </widgets></widget>)";
        const std::string tools =
            R"(<widget type="QuillmarchControlTools" name="control_tools" visible="yes"><widgets>
                      <widget type="nono_leaf" name="frame" visible="yes" extraparams="arrow_x=1\arrow_y=2\hammer_x=30\hammer_y=40"/>
                    </widgets></widget>)";
        const std::string title = R"(<widget type="nono_leaf" name="title_hints"/>)";
        std::string hints =
            R"(<widget type="group_widget" name="hint_buttons" visible="yes"><widgets>)";
        if (o.titleFirst) hints += title;
        for (int i = 1; i <= 5; ++i) {
            hints += "<widget type=\"nono_leaf\" name=\"hint_" + std::to_string(i) +
                     "\" visible=\"yes\" width=\"4\" height=\"4\"/>";
        }
        if (!o.titleFirst) hints += title;
        hints += "</widgets></widget>";
        const std::string close = R"(<widget type="nono_leaf" name="button_close"/>)";
        return "<gamescreen name=\"GS_Game\" type=\"NonoBoardTestScreen\"><window "
               "type=\"qm_test_effect_window\"><widgets>" +
               board + tools + hints + close + "</widgets></window></gamescreen>";
    }

    // A level file of the picture, and its catalogue entry "lvl" in the game
    // option "level_def_refs".
    void WriteLevel(const std::vector<std::string>& picture, const std::string& extra,
                    const std::string& entryParams = "", const std::string& rowsText = "",
                    const std::string& colsText = "") {
        const std::string rows = rowsText.empty() ? std::to_string(picture.size()) : rowsText;
        const std::string cols =
            colsText.empty() ? std::to_string(picture.empty() ? 0 : picture[0].size()) : colsText;
        std::string xml = "<level name=\"7\" LevelName=\"Crane\" extraparams=\"rows=" + rows +
                          "\\cols=" + cols + "\\" + extra + "\"><rows>";
        for (size_t i = 0; i < picture.size(); ++i) {
            xml += "<row name=\"r" + std::to_string(i) + "\" cells=\"" + picture[i] + "\"/>";
        }
        xml += "</rows></level>";
        const std::string file = levels_.Write("level.xml", xml);
        const Ref<TAbstractObject> catalogue =
            CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>());
        LoadPersistObject(
            Ref<IInterface>(catalogue),
            LoadStorageFromXML("<levels><level level=\"lvl\"><properties>"
                               "<param name=\"filename\" value=\"" +
                               file + "\"/>" + entryParams + "</properties></level></levels>"));
        Game().SetOptionValue("level_def_refs", Variant(Ref<IInterface>(catalogue)));
    }

    // Starts the game with the board screen shown and a current profile.
    void StartGame(int32_t rows, int32_t cols, const TBoardOptions& options = {}) {
        ClearStorageCache();
        std::string screens = BoardScreen(rows, cols, options);
        for (const char* name :
             {"GS_HintError", "GS_HintButtonHint", "GS_RightButtonHint", "GS_AutoCompleteHint"}) {
            screens += gametest::PlainScreen(name, 0, 0, 1, 1, 0xFF000000);
        }
        board_ = nullptr;
        game_.reset();
        game_ = std::make_unique<TGameHarness>();
        ASSERT_TRUE(game_->Start(gametest::GameOf("", gametest::ScreensOf(screens))));
        game_->Step(1);
        ASSERT_TRUE(Game().ShowGameScreen("GS_Game", nullptr));
        const Ref<IUserProfileCollection> profiles = Game().GetUserProfiles();
        profiles->FindOrAdd("player");
        profiles->SetCurrent("player");
        board_ =
            dynamic_cast<TQuillmarchControlGameNonogram*>(Widget("control_game_nonogram").get());
        ASSERT_NE(board_, nullptr);
    }

    // Command 5 for the level "lvl", then the start scenario's report, so
    // the level is being played.
    void StartLevel(bool finishStart = true) {
        board_->ExecuteCommand(kCommandStartLevel,
                               Params({{"level_ref", "lvl"}, {"active_map_part", "japan"}}));
        if (finishStart) Finish("scenario_start_level");
    }

    void Play(const std::vector<std::string>& picture,
              const std::string& extra = "errors=2\\hints=3\\cup_time=60",
              const TBoardOptions& options = {}) {
        StartGame(static_cast<int32_t>(picture.size()), static_cast<int32_t>(picture[0].size()),
                  options);
        WriteLevel(picture, extra);
        StartLevel();
        gametest::Journal().clear();
    }

    static Ref<IParamCollection> Params(
        std::initializer_list<std::pair<const char*, std::string>> pairs) {
        const Ref<IParamCollection> params =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        for (const auto& [name, value] : pairs) params->SetValue(name, Variant(value));
        return params;
    }

    void Finish(const std::string& scenario) {
        board_->ExecuteCommand(kCommandScenarioFinished,
                               Params({{"scenario_to_finalize", scenario}}));
    }

    // The centre of a cell in the board's owner's content (the window's,
    // at the origin).
    static int32_t X(int32_t col) { return 100 + col * 12 + 5; }
    static int32_t Y(int32_t row) { return 80 + row * 12 + 5; }

    void Press(int32_t row, int32_t col, int32_t button = 0) {
        board_->MouseDown(X(col), Y(row), 0, button);
    }
    void Click(int32_t row, int32_t col, int32_t button = 0) {
        Press(row, col, button);
        board_->MouseUp(X(col), Y(row), 0, button);
    }
    void Drag(int32_t row, int32_t col) { board_->MouseMove(X(col), Y(row), 0); }

    std::string CellState(int32_t row, int32_t col) const {
        const Ref<IWidget> cell = board_->Grid().Cell(row, col);
        return cell ? cell->GetProperty("state").ToString() : "-";
    }
    // The lines of the journal that start with prefix.
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
    // A widget of the level screen's window, whichever screen is on top.
    Ref<IWidget> Widget(const std::string& path) const {
        const Ref<IGameScreenSlave> screen = game_->Screen("GS_Game");
        const Ref<IWidget> window = screen ? screen->GetWindowWidget() : nullptr;
        return window ? window->FindWidget(path) : nullptr;
    }
    IGameScreenOwner& Game() const { return *game_->Game(); }
    Ref<IWidget> Tools() const { return Widget("control_tools"); }

    TTempDir levels_{"levels"};
    std::unique_ptr<TGameHarness> game_;
    TQuillmarchControlGameNonogram* board_ = nullptr;
};

}  // namespace nonogramtest
