#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "game/GameConfig.h"
#include "game/HighScores.h"
#include "minigames/BonusScreens.h"
#include "tests/minigames/BonusTestSupport.h"
#include "widgets/GroupStorage.h"

namespace bonustest {
namespace {

using gametest::Journal;
using gametest::JournalHas;

const std::vector<std::string> kDiagonal = {"10", "01"};

// The selection screen's level widget of a location: its settings, the
// looks the screen switches and the frame holding its button.
std::string LevelWidget(const std::string& location, int x, const std::string& settings) {
    return "<widget type=\"group_widget\" name=\"" + location + "\" anchor_left=\"" +
           std::to_string(x) +
           "\" visible=\"yes\" extraparams=\"level_enabled=9\\level_disabled=9" + settings +
           "\"><widgets>"
           "<widget type=\"group_widget\" name=\"frame\" visible=\"yes\"><widgets>" +
           gametest::Leaf("button", 0, 0, 10, 10, 0xFF00FF00) +
           "</widgets></widget>"
           "<widget type=\"group_widget\" name=\"enabled_image\" visible=\"yes\"><widgets>"
           "<widget type=\"bonus_leaf\" name=\"highscores_grid\" extraparams=\"recordtable=\"/>"
           "</widgets></widget></widgets></widget>";
}

class BonusScreenTest : public TBonusControlTest {
protected:
    void TearDown() override {
        control_ = nullptr;
        game_.reset();
        ResetGameShellConfiguration();
    }

    // The game: "GS_Below" under everything, the real bonus screens and
    // stand-ins of the screens they open.
    void StartScreens(bool queries = true, const std::string& levelSettings = "") {
        SetHighScoresDefinition(
            "\\record_table={name=japan\\max_records=3\\record_structure={param=Score\\param="
            "Player}}"
            "\\record_table={name=rome\\max_records=3\\record_structure={param=Score\\param=Player}"
            "}");
        TBonusOptions options;
        options.controlChildren =
            R"(<widget type="bonus_leaf" name="button_menu" visible="yes"/>
               <widget type="bonus_leaf" name="nonogram_panel" visible="yes"/>)";
        std::string screens = gametest::PlainScreen("GS_Below", 0, 0, 1, 1, 0xFF000000);
        screens +=
            "<gamescreen name=\"GS_GameBonus\" "
            "type=\"QuillmarchGameScreenGameBonus\"><window><widgets>"
            "<widget type=\"group_widget\" name=\"bg_group\" visible=\"yes\" "
            "extraparams=\"bg_image=\">"
            "<widgets><widget type=\"bonus_leaf\" name=\"blackout\" visible=\"yes\"/></widgets>"
            "</widget>" +
            ControlWidgets(options) + "</widgets></window></gamescreen>";
        std::vector<std::string> standIns = {
            "GS_StatNonogramBonus", "GS_FailedNonogram", "GS_MiniMenu", "GS_Options",
            "GS_HelpBonus",         "GS_Quit",           "GS_HintError"};
        if (queries) {
            standIns.push_back("GS_QueryRestart");
            standIns.push_back("GS_QueryMainMenu");
        }
        for (const std::string& name : standIns)
            screens += gametest::PlainScreen(name, 0, 0, 1, 1, 0xFF000000);
        const std::string settings =
            levelSettings.empty()
                ? "\\bg_image=japan_bg\\rounds=1\\hints=2\\errors=3\\total_leveltime=100"
                : levelSettings;
        screens +=
            "<gamescreen name=\"GS_MainBonus\" type=\"QuillmarchGameScreenMainBonus\">"
            "<levels><level level=\"b0\"><properties><param name=\"filename\" value=\"" +
            WritePicture("b0", kDiagonal) +
            "\"/><param name=\"bonus_scene\" value=\"japan\"/></properties></level></levels>"
            "<window><widgets><widget type=\"group_widget\" name=\"level_buttons\" "
            "visible=\"yes\"><widgets>" +
            LevelWidget("japan", 0, settings) +
            LevelWidget("rome", 100, "\\bg_image=rome_bg\\rounds=1\\errors=1") +
            LevelWidget("china", 200, "") + "</widgets></widget></widgets></window></gamescreen>";

        screen_ = "GS_GameBonus";
        control_ = nullptr;
        game_.reset();
        game_ = std::make_unique<TGameHarness>();
        ASSERT_TRUE(game_->Start(gametest::GameOf("", gametest::ScreensOf(screens))));
        game_->Step(1);
        const Ref<IUserProfileCollection> profiles = Game().GetUserProfiles();
        profiles->FindOrAdd("player");
        profiles->SetCurrent("player");
        Profile()->SetValue("show_bonus_help", Variant("yes"));
        Profile()->SetValue("show_hint_error", Variant("yes"));
        control_ =
            dynamic_cast<TQuillmarchControlGameBonus*>(Widget("control_game_nonogram").get());
        ASSERT_NE(control_, nullptr);
        PublishGridDefs(nonogramtest::GridDef(2, 2));
        PublishStore(
            "<group name=\"japan\"><item_type name=\"components\"><item name=\"resources\">"
            "<param name=\"japan_bg\" value=\"bonus/japan.png\"/></item></item_type></group>"
            "<group name=\"rome\"><item_type name=\"components\"><item name=\"resources\">"
            "<param name=\"rome_bg\" value=\"\\file=bonus/rome.jpg\\format=png\"/></item>"
            "</item_type></group>");
        ASSERT_TRUE(Game().ShowGameScreen("GS_Below", nullptr));
        Journal().clear();
    }

    void PublishStore(const std::string& groups) {
        const Ref<TAbstractObject> store = CreateAbstractObject(ClassOf<TGroupsStorage>());
        LoadPersistObject(Ref<IInterface>(store),
                          LoadStorageFromXML("<store>" + groups + "</store>"));
        Game().SetOptionValue("magic_items", Variant(Ref<IInterface>(store)));
    }

    // Shows the bonus game screen for a level, as the selection screen does.
    void ShowBonus(const std::string& level = "japan", const std::string& image = "japan_bg",
                   int32_t rounds = 1, bool toolsOff = true) {
        const Ref<IParamCollection> params = LevelParams(rounds, "3", 100, 2, level);
        params->SetValue("bg_image", Variant(image));
        ASSERT_TRUE(Game().ShowGameScreen("GS_GameBonus", params));
        // Left the arrow, right the hammer.
        if (toolsOff) Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    }

    TQuillmarchGameScreenGameBonus* BonusScreen() const {
        return dynamic_cast<TQuillmarchGameScreenGameBonus*>(game_->Screen("GS_GameBonus").get());
    }
    Ref<IResource> Resource(const std::string& name) const {
        return game_->Engine().GetResource(name);
    }
    void CloseTop(const Ref<IParamCollection>& results) {
        Game().CloseGameScreen(game_->Top(), results);
    }
    // What "GS_Below" was told when the bonus screen closed; "" for nothing.
    static std::string ClosedWith() {
        for (const std::string& line : Journal()) {
            if (line.rfind("closed GS_Below GS_GameBonus ", 0) == 0)
                return line.substr(std::string("closed GS_Below GS_GameBonus ").size());
        }
        return "";
    }
    void WinLevel() {
        Finish("scenario_start_level");
        Click(0, 0, 0);
        Click(1, 1, 0);
        Click(0, 1, 1);
        Click(1, 0, 1);
        Finish("scenario_end_level");
    }
    Ref<IWidget> MainWidget(const std::string& path) const {
        const Ref<IGameScreenSlave> screen = game_->Screen("GS_MainBonus");
        return screen ? screen->GetWindowWidget()->FindWidget(path) : nullptr;
    }
    Ref<IRecordTable> Table(const std::string& name) const {
        return Game().GetHighScores()->GetTables()->GetItem(Variant(name));
    }
    std::string Rows(const std::string& name) const {
        std::string text;
        const Ref<IRecordCollection> records = Table(name)->GetRecords();
        for (int32_t i = 0; i < records->GetCount(); ++i) {
            const Ref<IParamCollection> row = records->GetItem(Variant(i))->GetParams();
            if (!text.empty()) text += " ";
            text += row->GetValue("Score", Variant()).ToString() + "/" +
                    row->GetValue("Player", Variant()).ToString();
        }
        return text;
    }
};

// --- The bonus game screen

TEST(BonusBackgroundTest, TheResourceListFollowsTheEntrysForm) {
    struct TCase {
        const char* value;
        const char* file;
        const char* format;
    };
    const TCase cases[] = {
        {"bonus/japan.png", "bonus/japan.png", "png"},
        {"bonus/japan.jpg", "bonus/japan.jpg", "jpeg"},
        {"bonus/japan.png.jpg", "bonus/japan.png.jpg", "jpeg"},
        {"a.png/b.png", "a.png/b.png", "jpeg"},  // ".png" first found before the end
        {"japan.PNG", "japan.PNG", "jpeg"},
        {"\\file=bonus/rome.jpg\\format=png", "bonus/rome.jpg", "png"},
        {"\\format=jpeg\\file=a.png", "a.png", "jpeg"},
        {"\\file=a.png\\file=b.jpg", "b.jpg", ""},  // the later pair wins
        {"x\"<&.png", "x\"<&.png", "png"},          // kept whole, as an attribute
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.value);
        const Ref<IHierStorage> root = LoadStorageFromXML(
            TQuillmarchGameScreenGameBonus::BackgroundResourceList("bg", c.value));
        const Ref<IHierStorage> resource = root->GetChild("content", 0)->GetChild("resource", 0);
        ASSERT_TRUE(resource);
        EXPECT_EQ(resource->GetValue("name", Variant()).ToString(), "bg");
        EXPECT_EQ(resource->GetValue("type", Variant()).ToString(), "ImageResource");
        EXPECT_EQ(resource->GetValue("file", Variant()).ToString(), c.file);
        EXPECT_EQ(resource->GetValue("format", Variant()).ToString(), c.format);
    }
    EXPECT_EQ(TQuillmarchGameScreenGameBonus::BackgroundResourceList("n", "f.png"),
              "<resources><content><resource name=\"n\" type=\"ImageResource\" format=\"png\" "
              "file=\"f.png\" /></content></resources>");
}

TEST_F(BonusScreenTest, TheBackgroundStaysLoadedWhileItsLevelIsReplayed) {
    StartScreens();
    ShowBonus();
    const Ref<IResource> japan = Resource("japan_bg");
    ASSERT_TRUE(japan);
    EXPECT_EQ(BonusScreen()->GetLoadedLevel(), "japan");
    CloseTop(nullptr);
    // The same level again: neither released nor loaded again.
    ShowBonus();
    EXPECT_EQ(Resource("japan_bg").get(), japan.get());
    CloseTop(nullptr);
    // Another level releases it before loading its own, in its own format.
    ShowBonus("rome", "rome_bg");
    EXPECT_FALSE(Resource("japan_bg"));
    ASSERT_TRUE(Resource("rome_bg"));
    CloseTop(nullptr);
    // A level without an entry loads nothing but still releases the last.
    ShowBonus("china", "china_bg");
    EXPECT_FALSE(Resource("rome_bg"));
    EXPECT_EQ(BonusScreen()->GetLoadedLevel(), "china");
}

TEST_F(BonusScreenTest, ABackgroundAnotherScreenHadLoadedIsLoadedAgainOnceItWent) {
    StartScreens();
    // A scene screen loaded the location's pictures, the background among
    // them, in a group of its own.
    game_->Engine().LoadResources(
        LoadStorageFromXML(
            TQuillmarchGameScreenGameBonus::BackgroundResourceList("japan_bg", "scene/japan.png")),
        "resources_scene", 0);
    ShowBonus();
    ASSERT_TRUE(Resource("japan_bg"));
    CloseTop(nullptr);
    // Another location was visited: the scene's group went, and with it
    // the picture the bonus screen found already there.
    game_->Engine().RemoveResources("resources_scene");
    ASSERT_FALSE(Resource("japan_bg"));
    ShowBonus();
    EXPECT_TRUE(Resource("japan_bg"));
}

TEST_F(BonusScreenTest, ShowingLaysTheWidgetsOutForTheStartAndStartsTheControl) {
    StartScreens();
    Profile()->SetValue("UseRightButtonAsHammer", Variant("yes"));
    ShowBonus("japan", "japan_bg", 1, false);
    struct TCase {
        const char* path;
        double left, top;  // -1: not checked
    };
    const TCase cases[] = {
        {"control_game_nonogram/errors", 1024, -1},
        {"hint_buttons", 1024, -1},
        {"control_game_nonogram/timer", 1024, -1},
        {"control_game_nonogram/button_menu", 1024, -1},
        {"control_game_nonogram/nonogram_panel", 1024, -1},
        {"control_tools/frame", 1024, -1},
        {"control_game_nonogram/image_select", 37, -1},
        {"control_game_nonogram/image_hammer", 0, -1},
        {"control_game_nonogram/points", -1, -33},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.path);
        const Ref<IWidget> widget = Widget(c.path);
        ASSERT_TRUE(widget);
        if (c.left != -1) {
            EXPECT_EQ(widget->GetLeft(), c.left);
        }
        if (c.top != -1) {
            EXPECT_EQ(widget->GetTop(), c.top);
        }
    }
    EXPECT_EQ(Widget("bg_group")->GetProperty("bg_image").ToString(), "japan_bg");
    EXPECT_EQ(Widget("bg_group/blackout")->GetTransparentLevel(), 0);
    EXPECT_FALSE(Widget("control_game_nonogram/grid/cells")->GetVisible());
    EXPECT_FALSE(Widget("control_game_nonogram/grid/digits")->GetVisible());
    // The right button is the hammer: the tool switch starts off.
    EXPECT_EQ(Tools()->GetProperty("tools_state").ToString(), "nonactive");
    EXPECT_TRUE(Scenario("scenario_start_level"));
    EXPECT_EQ(control_->GetRounds(), 1);
    EXPECT_EQ(control_->GetErrorsAllowed(), 3);
}

TEST_F(BonusScreenTest, ClicksReachTheToolsTheMenuAndTheControl) {
    StartScreens();
    ShowBonus();
    Tools()->ExecuteCommand(13, Params({{"tools_state", "active"}}));
    const Ref<IEventHandler> screen = Query<IEventHandler>(game_->Screen("GS_GameBonus"));
    screen->HandleEvent(Widget("control_game_nonogram/image_hammer"), 1, nullptr);
    EXPECT_EQ(Tools()->GetProperty("active_tool").ToString(), "hammer");
    screen->HandleEvent(Widget("control_game_nonogram/image_select"), 1, nullptr);
    EXPECT_EQ(Tools()->GetProperty("active_tool").ToString(), "arrow");
    screen->HandleEvent(Widget("hint_buttons/hint_2"), 0, nullptr);  // not a click
    EXPECT_FALSE(control_->GetHintMode());
    screen->HandleEvent(Widget("hint_buttons/hint_2"), 1, nullptr);
    EXPECT_TRUE(control_->GetHintMode());
    screen->HandleEvent(Widget("control_game_nonogram/button_menu"), 1, nullptr);
    EXPECT_EQ(game_->StackNames(), "GS_Below GS_GameBonus GS_MiniMenu");
}

TEST_F(BonusScreenTest, TheLevelsEndOpensTheStatisticsAndTheirCloseClosesTheScreen) {
    for (const bool won : {true, false}) {
        SCOPED_TRACE(won);
        StartScreens();
        ShowBonus();
        if (won) {
            WinLevel();
        } else {
            Finish("scenario_start_level");
            game_->Step(1, 100000);  // the time runs out
            Finish("scenario_failed_level");
        }
        ASSERT_EQ(game_->StackNames(), "GS_Below GS_GameBonus GS_StatNonogramBonus");
        // The statistics get the control's results as they are.
        const std::string shown = Lines("show GS_StatNonogramBonus ").at(0);
        EXPECT_NE(shown.find(won ? "level_result=%bonus_level_completed%"
                                 : "level_result=%bonus_level_progress_timeout%"),
                  std::string::npos);
        CloseTop(nullptr);
        EXPECT_EQ(game_->StackNames(), "GS_Below");
        // A failed level closes with its points too, so it can enter a table.
        EXPECT_EQ(ClosedWith(), std::string("level_completed=") + (won ? "yes" : "no") +
                                    ",level_total_points=" + (won ? "2730" : "1000") +
                                    ",LevelName=japan");
        EXPECT_EQ(Widget("control_game_nonogram/grid/cells")->GetChildren()->GetCount(), 0);
        EXPECT_EQ(control_->GetPoolCount(), 0);
    }
}

TEST_F(BonusScreenTest, EveryChildScreensResultIsAnswered) {
    struct TCase {
        const char* name;
        bool queries;
        const char* child;  // the screen opened first (shown by the test)
        std::vector<std::pair<const char*, std::string>> results;
        const char* stack;   // afterwards
        const char* closed;  // what GS_Below was told; "" for nothing
        bool restarted;
    };
    const TCase cases[] = {
        {"failure, again",
         true,
         "GS_FailedNonogram",
         {{"restart_level", "yes"}},
         "GS_Below GS_GameBonus",
         "",
         true},
        {"failure, leave",
         true,
         "GS_FailedNonogram",
         {{"restart_level", "no"}},
         "GS_Below",
         "level_completed=no",
         false},
        {"failure, no results",
         true,
         "GS_FailedNonogram",
         {},
         "GS_Below",
         "level_completed=no",
         false},
        {"menu, main menu",
         true,
         "GS_MiniMenu",
         {{"Button", "button_main_menu"}},
         "GS_Below GS_GameBonus GS_QueryMainMenu",
         "",
         false},
        {"menu, main menu without the query",
         false,
         "GS_MiniMenu",
         {{"Button", "button_main_menu"}},
         "GS_Below",
         "Button=button_main_menu,level_completed=no",
         false},
        {"menu, options",
         true,
         "GS_MiniMenu",
         {{"Button", "button_options"}},
         "GS_Below GS_GameBonus GS_Options",
         "",
         false},
        {"menu, rules",
         true,
         "GS_MiniMenu",
         {{"Button", "button_rules"}},
         "GS_Below GS_GameBonus GS_HelpBonus",
         "",
         false},
        {"menu, restart",
         true,
         "GS_MiniMenu",
         {{"Button", "button_restart"}},
         "GS_Below GS_GameBonus GS_QueryRestart",
         "",
         false},
        {"menu, restart without the query",
         false,
         "GS_MiniMenu",
         {{"Button", "button_restart"}},
         "GS_Below GS_GameBonus",
         "",
         true},
        {"menu, exit",
         true,
         "GS_MiniMenu",
         {{"Button", "button_exit"}},
         "GS_Below GS_GameBonus GS_Quit",
         "",
         false},
        {"menu, go on",
         true,
         "GS_MiniMenu",
         {{"Button", "button_unpause"}},
         "GS_Below GS_GameBonus",
         "",
         false},
        {"restart, yes",
         true,
         "GS_QueryRestart",
         {{"Button", "button_yes"}},
         "GS_Below GS_GameBonus",
         "",
         true},
        {"restart, no",
         true,
         "GS_QueryRestart",
         {{"Button", "button_no"}},
         "GS_Below GS_GameBonus",
         "",
         false},
        {"main menu, yes",
         true,
         "GS_QueryMainMenu",
         {{"Button", "button_yes"}},
         "GS_Below",
         "Button=button_yes,level_completed=no",
         false},
        {"main menu, no",
         true,
         "GS_QueryMainMenu",
         {{"Button", "button_no"}},
         "GS_Below GS_GameBonus",
         "",
         false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartScreens(c.queries);
        ShowBonus("japan", "japan_bg", 2);
        Finish("scenario_start_level");
        Click(0, 0, 0);  // one move made: a restart starts afresh
        ASSERT_EQ(control_->GetPoints(), 50);
        ASSERT_TRUE(Game().ShowGameScreen(c.child, nullptr));
        Ref<IParamCollection> results;
        if (!c.results.empty()) {
            results = NewParams();
            for (const auto& [name, value] : c.results) results->SetValue(name, Variant(value));
        }
        Journal().clear();
        CloseTop(results);
        EXPECT_EQ(game_->StackNames(), c.stack);
        EXPECT_EQ(ClosedWith(), c.closed);
        if (c.restarted) {
            EXPECT_EQ(control_->GetPoints(), 0);
            EXPECT_EQ(control_->GetGameState(), TBonusGameState::kStarting);
            EXPECT_EQ(control_->GetRounds(), 2);
            EXPECT_EQ(control_->GetErrorsAllowed(), 3);
            EXPECT_EQ(control_->GetHintsAllowed(), 2);
        } else if (std::string(c.stack) != "GS_Below") {
            EXPECT_EQ(control_->GetPoints(), 50);
        }
        if (std::string(c.name) == "menu, rules") {
            EXPECT_TRUE(JournalHas("show GS_HelpBonus Button=button_rules,tutorial_part=all"));
        }
    }
}

TEST_F(BonusScreenTest, TheToolSwitchFollowsTheOptionsScreen) {
    struct TCase {
        const char* option;
        const char* before;
        const char* after;
    };
    const TCase cases[] = {
        {"yes", "active", "nonactive"},
        {"no", "nonactive", "active"},
        {"no", "active", "active"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.option) + " " + c.before);
        StartScreens();
        ShowBonus();
        Tools()->ExecuteCommand(13, Params({{"tools_state", c.before}}));
        ASSERT_TRUE(Game().ShowGameScreen("GS_Options", nullptr));
        Profile()->SetValue("UseRightButtonAsHammer", Variant(c.option));
        CloseTop(nullptr);
        EXPECT_EQ(Tools()->GetProperty("tools_state").ToString(), c.after);
    }
}

TEST_F(BonusScreenTest, LeavingTheApplicationOpensTheMenuOnlyWhenTheScreenIsOnTop) {
    StartScreens();
    ShowBonus();
    game_->Screen("GS_GameBonus")->SetActive(false);
    EXPECT_EQ(game_->StackNames(), "GS_Below GS_GameBonus GS_MiniMenu");
    CloseTop(nullptr);
    ASSERT_TRUE(Game().ShowGameScreen("GS_Options", nullptr));
    game_->Screen("GS_GameBonus")->SetActive(false);
    EXPECT_EQ(game_->StackNames(), "GS_Below GS_GameBonus GS_Options");
}

// --- The bonus level selection

TEST_F(BonusScreenTest, TheSelectionPublishesItsCatalogueAndEnablesCompletedLocations) {
    StartScreens();
    const auto* selection =
        dynamic_cast<TQuillmarchGameScreenMainBonus*>(game_->Screen("GS_MainBonus").get());
    ASSERT_TRUE(selection);
    EXPECT_EQ(Game().GetOption("level_bonus_def_refs").ToInterface().get(),
              Ref<IInterface>(selection->GetCatalogue()).get());
    EXPECT_EQ(selection->GetCatalogue()->GetCount(), 1);

    struct TCase {
        const char* location;
        const char* state;  // nullptr: no value
        bool enabled;
    };
    const TCase cases[] = {
        {"japan", "completed", true},
        {"rome", "Completed", false},
        {"china", nullptr, false},
    };
    for (const char* other : {"available", "locked"}) {
        Profile()->SetValue("location_state_rome", Variant(other));
        ASSERT_TRUE(Game().ShowGameScreen("GS_MainBonus", nullptr));
        EXPECT_EQ(MainWidget("level_buttons/rome")->GetProperty("level_enabled").ToInt(), 0);
        CloseTop(nullptr);
    }
    for (const TCase& c : cases) {
        if (c.state)
            Profile()->SetValue(std::string("location_state_") + c.location, Variant(c.state));
    }
    ASSERT_TRUE(Game().ShowGameScreen("GS_MainBonus", nullptr));
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.location);
        const Ref<IWidget> level = MainWidget(std::string("level_buttons/") + c.location);
        EXPECT_EQ(level->GetProperty("level_enabled").ToInt(), c.enabled ? -1 : 0);
        EXPECT_EQ(level->GetProperty("level_disabled").ToInt(), c.enabled ? 0 : -1);
        // Each grid shows its location's table; a location without one none.
        const Variant table = MainWidget(std::string("level_buttons/") + c.location +
                                         "/enabled_image/highscores_grid")
                                  ->GetProperty("recordtable");
        if (std::string(c.location) == "china") {
            EXPECT_TRUE(table.IsUnassigned() || !table.ToInterface());
        } else {
            EXPECT_EQ(table.ToInterface().get(), Ref<IInterface>(Table(c.location)).get());
        }
    }
}

TEST_F(BonusScreenTest, ALevelsButtonStartsTheBonusGameWithTheLevelsSettings) {
    StartScreens();
    ASSERT_TRUE(Game().ShowGameScreen("GS_MainBonus", nullptr));
    Journal().clear();
    const Ref<IEventHandler> selection = Query<IEventHandler>(game_->Screen("GS_MainBonus"));
    // Any other sender starts nothing.
    selection->HandleEvent(MainWidget("level_buttons/japan/frame"), 1, nullptr);
    EXPECT_EQ(game_->StackNames(), "GS_Below GS_MainBonus");
    selection->HandleEvent(MainWidget("level_buttons/rome/frame/button"), 1, nullptr);
    EXPECT_EQ(game_->StackNames(), "GS_Below GS_MainBonus GS_GameBonus");
    // The level's "errors" reach the game as "error_pos"; a setting the
    // level lacks is passed on empty.
    EXPECT_EQ(control_->GetErrorsAllowed(), 1);
    EXPECT_EQ(control_->GetHintsAllowed(), 0);
    EXPECT_TRUE(Resource("rome_bg"));
    EXPECT_EQ(Widget("bg_group")->GetProperty("bg_image").ToString(), "rome_bg");
}

TEST_F(BonusScreenTest, TheBonusGamesTotalEntersTheTableWhenItQualifies) {
    struct TCase {
        const char* name;
        std::vector<int> before;  // the table's scores first
        const char* beforePlayer;
        std::string closedWith;  // results of GS_GameBonus
        const char* rows;        // afterwards
        bool saved;
    };
    const TCase cases[] = {
        {"zero", {}, "old", "level_total_points=0,LevelName=japan", "", false},
        {"full, equal",
         {900, 700, 500},
         "old",
         "level_total_points=500,LevelName=japan",
         "900/old 700/old 500/old",
         false},
        {"full, one more",
         {900, 700, 500},
         "old",
         "level_total_points=501,LevelName=japan",
         "900/old 700/old 501/player",
         true},
        {"same score, later below",
         {700},
         "old",
         "level_total_points=700,LevelName=japan",
         "700/old 700/player",
         true},
        {"same player twice",
         {300},
         "player",
         "level_total_points=300,LevelName=japan",
         "300/player 300/player",
         true},
        {"no level", {}, "old", "level_total_points=300", "", false},
        {"unknown table", {}, "old", "level_total_points=300,LevelName=atlantis", "", false},
        {"given up", {}, "old", "level_completed=no", "", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartScreens();
        for (int score : c.before) {
            Game().GetHighScores()->AddScore(
                Params({{"Score", std::to_string(score)}, {"Player", c.beforePlayer}}), "japan");
        }
        std::filesystem::remove(game_->UserDir() + "highscores.dat");
        ASSERT_TRUE(Game().ShowGameScreen("GS_MainBonus", nullptr));
        ASSERT_TRUE(Game().ShowGameScreen("GS_GameBonus", LevelParams(1)));
        const Ref<IParamCollection> results = NewParams();
        for (const std::string& pair : {c.closedWith.substr(0, c.closedWith.find(',')),
                                        c.closedWith.find(',') == std::string::npos
                                            ? std::string()
                                            : c.closedWith.substr(c.closedWith.find(',') + 1)}) {
            if (pair.empty()) continue;
            results->SetValue(pair.substr(0, pair.find('=')),
                              Variant(pair.substr(pair.find('=') + 1)));
        }
        CloseTop(results);
        const std::string rows = Rows("japan");
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(std::filesystem::exists(game_->UserDir() + "highscores.dat"), c.saved);
        if (c.saved) {
            // Only the row added now is marked: the last row of the player.
            int32_t expected = -1, index = 0;
            for (size_t at = 0; at != std::string::npos; ++index) {
                const size_t end = rows.find(' ', at);
                if (rows.substr(at, end == std::string::npos ? end : end - at).ends_with("/player"))
                    expected = index;
                at = end == std::string::npos ? end : end + 1;
            }
            EXPECT_EQ(Table("japan")->GetLastAdded(), expected);
        }
    }
    // Closing another child screen enters nothing.
    StartScreens();
    ASSERT_TRUE(Game().ShowGameScreen("GS_MainBonus", nullptr));
    ASSERT_TRUE(Game().ShowGameScreen("GS_Options", nullptr));
    CloseTop(gametest::Results("level_total_points", "900"));
    EXPECT_EQ(Rows("japan"), "");
}

TEST_F(BonusScreenTest, FromTheSelectionToARowInTheHighScoreFile) {
    StartScreens();
    Profile()->SetValue("location_state_japan", Variant("completed"));
    ASSERT_TRUE(Game().ShowGameScreen("GS_MainBonus", nullptr));
    EXPECT_EQ(MainWidget("level_buttons/japan")->GetProperty("level_enabled").ToInt(), -1);
    // The button's click, as it reports it.
    Query<IEventHandler>(game_->Screen("GS_MainBonus"))
        ->HandleEvent(MainWidget("level_buttons/japan/frame/button"), 1, nullptr);
    ASSERT_EQ(game_->StackNames(), "GS_Below GS_MainBonus GS_GameBonus");
    Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    WinLevel();
    ASSERT_EQ(game_->StackNames(), "GS_Below GS_MainBonus GS_GameBonus GS_StatNonogramBonus");
    CloseTop(nullptr);
    EXPECT_EQ(game_->StackNames(), "GS_Below GS_MainBonus");
    // Four quick moves (230), the round bonus, the hint bonus and 100 s
    // left (500).
    EXPECT_EQ(Rows("japan"), "2730/player");

    // What the file holds, read by a table set of its own.
    const Ref<THighScores> scores = CreateObject<THighScores>(GetHighScoresDefinition());
    scores->Load(Ref<IEngine>(&game_->Engine()), false);
    const Ref<IRecordCollection> rows =
        scores->GetTables()->GetItem(Variant("japan"))->GetRecords();
    ASSERT_EQ(rows->GetCount(), 1);
    EXPECT_EQ(rows->GetItem(Variant(0))->GetParams()->GetValue("Score", Variant()).ToString(),
              "2730");
    EXPECT_EQ(rows->GetItem(Variant(0))->GetParams()->GetValue("Player", Variant()).ToString(),
              "player");
}

}  // namespace
}  // namespace bonustest
