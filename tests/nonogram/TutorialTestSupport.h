// The tutorial on the real game shell: a game with a plain screen "GS_Main"
// under the tutorial's screen "GS_Tutorial" (its control "control_tutorial"
// with a 5 × 5 board, 22 step panels, hint, info cells, tool images and
// buttons; the tool switch "control_tools" beside it) and "GS_SkipTutorial",
// the two tutorial pictures written as level files, and a current profile.
//
//     TTutorialTest: Start("part1", options);   // shown with that part
//     Press(0, 0);                              // left button on a cell
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "nonogram/TutorialCell.h"
#include "nonogram/TutorialControl.h"
#include "nonogram/TutorialScreen.h"
#include "tests/game/GameShellTestSupport.h"
#include "tests/game/GameTestClasses.h"
#include "tests/nonogram/NonogramTestSupport.h"
#include "tests/support/GameHarness.h"
#include "tests/support/TempDir.h"

namespace nonogramtest {

// The tutorial's screen on the test window, recording in the journal
// "sound <name>" and "event <sender> <code>" for what reaches it.
class TTutorialTestScreen : public TQuillmarchGameScreenTutorial {
public:
    TChannelHandle PlaySound(const std::string& name) override {
        gametest::Note("sound " + name);
        return TQuillmarchGameScreenTutorial::PlaySound(name);
    }
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override {
        gametest::Note("event " + (sender ? sender->GetName() : std::string("-")) + " " +
                       std::to_string(code));
        TQuillmarchGameScreenTutorial::HandleEvent(sender, code, params);
    }

protected:
    std::string WindowClassName() const override { return "qm_test_effect_window"; }
};

inline void RegisterTutorialTestScreen() {
    static const bool registered =
        (RegisterObjectClass(ClassOf<TTutorialTestScreen>(), "NonoTutorialTestScreen"), true);
    (void)registered;
}

// Rows: 1 0 1 1 0 / 0 0 0 0 0 / 1 1 1 1 1 / 0 1 0 0 0 / 1 0 0 0 1.
inline const std::vector<std::string> kTutorialPicture1 = {"10110", "00000", "11111", "01000",
                                                           "10001"};
inline const std::vector<std::string> kTutorialPicture2 = {"00100", "01110", "11111", "01110",
                                                           "00100"};

struct TTutorialOptions {
    // The extra values of step panels by number ("active_cells=0_0\...").
    std::map<int, std::string> states;
    int stateCount = 22;
    bool statesWidget = true;
    bool gridDef = true;
    std::vector<std::string> picture1 = kTutorialPicture1;
    std::vector<std::string> picture2 = kTutorialPicture2;
    bool picture2File = true;  // false: entry "2" names a file that is not there
};

// A tutorial cell with its four looks, 10 × 10 at the cell's corner.
inline std::string TutorialCellWidget() {
    return R"(<widget type="QuillmarchTutorialCell" name="cell%name%" visible="yes"><widgets>)"
           R"(<widget type="nono_leaf" name="closed" visible="yes" width="10" height="10"/>)"
           R"(<widget type="nono_leaf" name="full" width="10" height="10"/>)"
           R"(<widget type="nono_leaf" name="empty" width="10" height="10"/>)"
           R"(<widget type="nono_leaf" name="active" width="10" height="10"/>)"
           R"(</widgets></widget>)";
}

class TTutorialTest : public ::testing::Test {
protected:
    std::string LevelFile(const std::string& name, const std::vector<std::string>& picture) {
        std::string xml = "<level name=\"" + name + "\" LevelName=\"Tutorial\" extraparams=\"rows=" +
                          std::to_string(picture.size()) + "\\cols=5\\errors=0\\hints=0\"><rows>";
        for (size_t i = 0; i < picture.size(); ++i) {
            xml += "<row name=\"r" + std::to_string(i) + "\" cells=\"" + picture[i] + "\"/>";
        }
        return levels_.Write("tutorial" + name + ".xml", xml + "</rows></level>");
    }

    std::string TutorialScreen(const TTutorialOptions& o) {
        const auto entry = [](const char* key, const std::string& file) {
            return std::string("<level level=\"") + key +
                   "\"><properties><param name=\"filename\" value=\"" + file +
                   "\"/></properties></level>";
        };
        const std::string file2 =
            o.picture2File ? LevelFile("2", o.picture2) : (levels_.Path() / "missing.xml").string();
        std::string screen = "<gamescreen name=\"GS_Tutorial\" type=\"NonoTutorialTestScreen\">";
        screen += "<levels>" + entry("1", LevelFile("1", o.picture1)) + entry("2", file2) +
                  "</levels>";
        screen += "<window><widgets>";
        screen +=
            "<widget type=\"QuillmarchControlTutorial\" name=\"control_tutorial\" visible=\"yes\" "
            "mousestop=\"yes\" width=\"640\" height=\"480\">";
        screen += "<grids>" + (o.gridDef ? GridDef(5, 5) : std::string()) + "</grids>";
        screen += "<widgetfactories>" + Factory("cell5_5", TutorialCellWidget()) +
                  Factory("digit5_5", DigitWidget()) +
                  Factory("breaking_cell5_5",
                          R"(<widget type="nono_leaf" name="breaking_%name%" paused="yes" )"
                          R"(anchor_left="%anchor_left%" anchor_top="%anchor_top%"/>)") +
                  "</widgetfactories><widgets>";
        screen += R"(<widget type="group_widget" name="grid" visible="yes"><widgets>
                       <widget type="group_widget" name="cells" visible="yes"/>
                       <widget type="group_widget" name="digits" visible="yes"/>
                     </widgets></widget>
                     <widget type="group_widget" name="scenario_group" visible="yes"/>)";
        if (o.statesWidget) {
            screen += R"(<widget type="states_widget" name="states" visible="yes"><widgets>)";
            for (int i = 0; i < o.stateCount; ++i) {
                const auto found = o.states.find(i);
                screen += "<widget type=\"nono_leaf\" name=\"" + std::to_string(i) + "\"" +
                          (found == o.states.end() ? std::string()
                                                   : " extraparams=\"" + found->second + "\"") +
                          "/>";
            }
            screen += "</widgets></widget>";
        }
        screen += R"(<widget type="nono_digit" name="hint" anchor_left="300" anchor_top="300"><widgets>
                       <widget type="nono_leaf" name="plate" visible="yes" width="200" height="50"/>
                     </widgets></widget>
                     <widget type="nono_digit" name="TEST" visible="yes"/>
                     <widget type="group_widget" name="info_cells" visible="yes"><widgets>
                       <widget type="nono_leaf" name="info_rules" visible="yes"/>
                       <widget type="nono_leaf" name="info_tools" visible="yes"/>
                     </widgets></widget>)";
        screen += gametest::Leaf("image_select", 500, 10, 10, 10, 0xFF00FF00) +
                  gametest::Leaf("image_hammer", 520, 10, 10, 10, 0xFF00FF00) +
                  gametest::Leaf("button_ok", 500, 400, 20, 20, 0xFF0000FF) +
                  gametest::Leaf("button_close_hint", 530, 400, 20, 20, 0xFF0000FF) +
                  gametest::Leaf("button_skip", 560, 400, 20, 20, 0xFF0000FF);
        screen += "</widgets></widget>";
        screen +=
            R"(<widget type="QuillmarchControlTools" name="control_tools" visible="yes" extraparams="arrow=control_tutorial/image_select\hammer=control_tutorial/image_hammer"><widgets>
                 <widget type="nono_leaf" name="frame" visible="yes"/>
               </widgets></widget>)";
        return screen + "</widgets></window></gamescreen>";
    }

    // The game with GS_Main shown and a current profile; then GS_Tutorial
    // shown with the part (no "tutorial_part" for an empty one).
    void Start(const std::string& part, const TTutorialOptions& options = {}) {
        RegisterTutorialTestScreen();
        ClearStorageCache();
        control_ = nullptr;
        game_.reset();
        game_ = std::make_unique<TGameHarness>();
        const std::string screens = gametest::PlainScreen("GS_Main", 0, 0, 640, 480, 0xFF000000) +
                                    TutorialScreen(options) +
                                    gametest::PlainScreen("GS_SkipTutorial", 0, 0, 10, 10, 0);
        ASSERT_TRUE(game_->Start(gametest::GameOf("", gametest::ScreensOf(screens))));
        game_->Step(1);
        ASSERT_TRUE(Game().ShowGameScreen("GS_Main", nullptr));
        const Ref<IUserProfileCollection> profiles = Game().GetUserProfiles();
        profiles->FindOrAdd("player");
        profiles->SetCurrent("player");
        gametest::Journal().clear();
        const Ref<IParamCollection> params =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        if (!part.empty()) params->SetValue("tutorial_part", Variant(part));
        ASSERT_TRUE(Game().ShowGameScreen("GS_Tutorial", params));
        control_ = dynamic_cast<TQuillmarchControlTutorial*>(Widget("control_tutorial").get());
        ASSERT_NE(control_, nullptr);
    }

    // The centre of a cell in the control's owner's content (the window's,
    // at the origin).
    static int32_t X(int32_t col) { return 100 + col * 12 + 5; }
    static int32_t Y(int32_t row) { return 80 + row * 12 + 5; }

    void Press(int32_t row, int32_t col, int32_t button = 0) {
        control_->MouseDown(X(col), Y(row), 0, button);
    }
    void Release(int32_t button = 0) { control_->MouseUp(0, 0, 0, button); }
    void Click(int32_t row, int32_t col, int32_t button = 0) {
        Press(row, col, button);
        Release(button);
    }
    void MoveTo(int32_t row, int32_t col) { control_->MouseMove(X(col), Y(row), 0); }
    // A child of the control reports to it, as its buttons do.
    void Report(const std::string& child) {
        control_->HandleEvent(Widget("control_tutorial/" + child), 1, nullptr);
    }
    void ToolsState(const std::string& state) {
        const Ref<IParamCollection> params =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        params->SetValue("tools_state", Variant(state));
        Widget("control_tools")->ExecuteCommand(13, params);
    }

    Ref<IWidget> Cell(int32_t row, int32_t col) const {
        return Widget("control_tutorial/grid/cells/cell" + std::to_string(row) + "_" +
                      std::to_string(col));
    }
    std::string CellState(int32_t row, int32_t col) const {
        const Ref<IWidget> cell = Cell(row, col);
        return cell ? cell->GetProperty("state").ToString() : "-";
    }
    Ref<IWidget> Digit(const std::string& name) const {
        return Widget("control_tutorial/grid/digits/digit" + name);
    }
    Ref<IWidget> Hint() const { return Widget("control_tutorial/hint"); }
    std::string Passed() const {
        const Ref<IUserProfile> profile = Game().GetUserProfiles()->GetCurrent();
        return profile->GetParams()->GetValue("tutorial_passed", Variant("")).ToString();
    }
    static std::vector<std::string> Lines(const std::string& prefix) {
        std::vector<std::string> lines;
        for (const std::string& line : gametest::Journal()) {
            if (line.rfind(prefix, 0) == 0) lines.push_back(line);
        }
        return lines;
    }
    // A widget of the tutorial's window, whether the screen is shown or not.
    Ref<IWidget> Widget(const std::string& path) const {
        const Ref<IGameScreenSlave> screen = game_->Screen("GS_Tutorial");
        const Ref<IWidget> window = screen ? screen->GetWindowWidget() : nullptr;
        return window ? window->FindWidget(path) : nullptr;
    }
    IGameScreenOwner& Game() const { return *game_->Game(); }

    TTempDir levels_{"tutorial"};
    std::unique_ptr<TGameHarness> game_;
    TQuillmarchControlTutorial* control_ = nullptr;
};

}  // namespace nonogramtest
