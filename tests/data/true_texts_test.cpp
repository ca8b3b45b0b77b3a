// Texts the player reads, held against what then happens, on the game as
// built: a button name quoted in a text is a label the player can find; the
// bonus help's account of the mouse buttons is what the bonus board does;
// a button that leaves a level names the screen it leads to; the shop's
// message when the picture's last stage opens says what the shop then
// offers. Frames are kept in test-artifacts/texts of the build folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "core/base/Utf8.h"
#include "core/lang/MultiLanguages.h"
#include "core/storage/XMLStorage.h"
#include "game/UserProfiles.h"
#include "minigames/BonusControl.h"
#include "nonogram/ControlGameNonogram.h"
#include "tests/data/BuiltGame.h"
#include "tests/data/BuiltGameTest.h"
#include "tests/support/GameHarness.h"
#include "widgets/ButtonControl.h"
#include "widgets/TextWidget.h"

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class TrueTexts : public TBuiltGameTest {
protected:
    TrueTexts() : TBuiltGameTest("Ada") {}

    std::string ProfileValue(const std::string& key) const {
        return TextOrEmpty(Profile()->GetValue(key, Variant("")));
    }
    std::string Text(const std::string& path) const {
        const Ref<IWidget> widget = game_->Find(path);
        return widget ? TextOrEmpty(widget->GetProperty("text_utf8")) : "(no " + path + ")";
    }
    Ref<IParamCollection> Params(std::initializer_list<std::pair<const char*, const char*>> values) {
        const Ref<IParamCollection> params =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        for (const auto& [name, value] : values) params->SetValue(name, Variant(value));
        return params;
    }
    void Shot(const std::string& name) {
        const fs::path file = fs::path(QM_ARTIFACTS_DIR) / "texts" / (name + ".png");
        EXPECT_TRUE(WriteFramePng(*game_, file)) << file;
    }
    // The player's helps and hints seen, so that only what a test asks for
    // comes up.
    void HelpsSeen() {
        for (const char* key : {"show_scene_hint", "show_shop_hint", "show_hint_after_purchase",
                                "show_hint_button_hint", "show_right_button_hint",
                                "show_autocomplete_hint", "show_hint_error", "tutorial_passed"}) {
            Set(key, "yes");
        }
    }
    void OpenScene(const std::string& location) {
        ASSERT_TRUE(game_->Game()->ShowGameScreen(
            "GS_Scene", Params({{"active_map_part", location.c_str()}, {"show_scroll", "no"}})));
        game_->Step(40, 20);
        ASSERT_EQ(game_->StackNames(), "GS_Main GS_Scene");
    }
    // The scene's title: the name of the place it shows.
    std::string SceneTitle() const {
        const Ref<IGameScreenSlave> scene = game_->Screen("GS_Scene");
        const Ref<IWidget> title = scene ? scene->GetWindowWidget()->FindWidget("title") : nullptr;
        return title ? TextOrEmpty(title->GetProperty("text_utf8")) : "(no scene title)";
    }
    // Japan's first level from its scene, played once its start is over.
    TQuillmarchControlGameNonogram* EnterJapansFirstLevel() {
        Set("current_level_japan", "1");
        OpenScene("japan");
        game_->ClickAt("control_scene/map_parts/japan/map_levels/1");
        EXPECT_TRUE(RunUntil([&] { return OnTop("GS_GameNonogram"); })) << game_->StackNames();
        auto* board = dynamic_cast<TQuillmarchControlGameNonogram*>(game_->Find("control_game_nonogram").get());
        EXPECT_TRUE(board && RunUntil([&] { return board->GetGameMode() == 2; }));
        return board;
    }
    // A bonus level of Japan, its help on top as it comes at the start.
    TQuillmarchControlGameBonus* StartBonusLevel() {
        Set("location_state_japan", "completed");
        game_->Game()->ShowGameScreen("GS_MainBonus", nullptr);
        game_->Step(10, 20);
        game_->ClickAt("level_buttons/japan/enabled_image/button");
        game_->Step(1);
        EXPECT_EQ(game_->StackNames(), "GS_Main GS_MainBonus GS_GameBonus");
        auto* board = dynamic_cast<TQuillmarchControlGameBonus*>(game_->Find("control_game_nonogram").get());
        EXPECT_TRUE(RunUntil([&] { return OnTop("GS_HelpBonus"); }));
        return board;
    }

};

// --- Quoted names

void CollectButtonLabels(const Ref<IWidget>& widget, bool inButton, std::set<std::string>& labels) {
    if (!widget) return;
    const bool button = inButton || dynamic_cast<TButtonControl*>(widget.get()) != nullptr;
    if (button) {
        if (auto* text = dynamic_cast<TTextWidget*>(widget.get())) {
            labels.insert(TextOrEmpty(text->GetProperty("text_utf8")));
        }
    }
    const Ref<IWidgetCollection> children = widget->GetChildren();
    for (int32_t i = 0; children && i < children->GetCount(); ++i) {
        CollectButtonLabels(children->GetWidgetByIndex(i), button, labels);
    }
}

TEST_F(TrueTexts, EveryQuotedButtonNameIsTheLabelOfAButton) {
    const std::string language = ReadFileBytes(game_->Folder().File("lang/default.lng"));
    ASSERT_FALSE(language.empty());
    // One text a key: a key given twice shows whichever file came last.
    std::map<std::string, int> keys;
    const std::regex key(R"re(<string name="([^"]+)")re");
    for (auto it = std::sregex_iterator(language.begin(), language.end(), key); it != std::sregex_iterator(); ++it) {
        EXPECT_EQ(++keys[(*it)[1].str()], 1) << "the key \"" << (*it)[1].str() << "\" has two texts";
    }
    ASSERT_GT(keys.size(), 100u);

    // The labels of every button of every screen, as the player sees them,
    // and the profile list's row that makes a new player.
    std::set<std::string> labels;
    const Ref<IGSCollection> screens = game_->Game()->GetGameScreens();
    for (int32_t i = 0; i < screens->GetCount(); ++i) {
        const Ref<IGameScreenSlave> screen = screens->GetItem(Variant(i));
        if (screen) CollectButtonLabels(screen->GetWindowWidget(), false, labels);
    }
    labels.insert(Translate("%CreateNewUser%"));
    ASSERT_TRUE(labels.count("OK"));

    // Every quoted phrase with a letter in it, in every text (after its own
    // keys are put in).
    const std::regex text(R"re(<string name="([^"]+)">([^<]*)</string>)re");
    const std::regex quoted("\"([^\"]*[A-Za-z][^\"]*)\"|\u201C([^\u201D]+)\u201D");
    int quotes = 0;
    for (auto it = std::sregex_iterator(language.begin(), language.end(), text); it != std::sregex_iterator(); ++it) {
        const std::string name = (*it)[1].str();
        const std::string shown = Translate("%" + name + "%");
        for (auto q = std::sregex_iterator(shown.begin(), shown.end(), quoted); q != std::sregex_iterator(); ++q) {
            const std::string phrase = (*q)[1].matched ? (*q)[1].str() : (*q)[2].str();
            ++quotes;
            EXPECT_TRUE(labels.count(phrase)) << name << " quotes \"" << phrase << "\", which no button shows";
        }
    }
    // The level menu's rules button among them.
    EXPECT_GE(quotes, 2);
}

// --- The bonus help

TEST_F(TrueTexts, TheBonusHelpSaysWhatTheMouseButtonsDo) {
    TQuillmarchControlGameBonus* board = StartBonusLevel();
    ASSERT_NE(board, nullptr);
    ASSERT_TRUE(OnTop("GS_HelpBonus"));
    Shot("01-bonus-help");
    // The help is laid out whole: every character of it is drawn.
    auto* help = dynamic_cast<TTextWidget*>(game_->Find("label_help").get());
    ASSERT_NE(help, nullptr);
    for (const TSymbolInfo& symbol : help->Symbols()) {
        if (symbol.character != u' ' && symbol.character != u'\n') {
            ASSERT_TRUE(symbol.shown) << "character " << symbol.index << " of the help is not drawn";
        }
    }
    const std::string said = Lower(Text("label_help"));
    // Each claim of the help, checked below against the board.
    const char* const claims[] = {
        "open picture cells with the arrow and break empty ones with the hammer",
        "the left button uses the tool in hand",
        "the right button switches between the arrow and the hammer",
        "in the options the right button can be the hammer instead",
    };
    for (const char* claim : claims) EXPECT_NE(said.find(claim), std::string::npos) << claim << "\n" << said;
    game_->ClickAt("button_ok");
    ASSERT_TRUE(RunUntil([&] {
        return OnTop("GS_GameBonus") && board->GetGameState() == TBonusGameState::kPlaying;
    }));

    const TNonogramRules& rules = board->Rules();
    const auto cellPath = [](int32_t r, int32_t c) {
        return "control_game_nonogram/grid/cells/cell" + std::to_string(r) + "_" + std::to_string(c);
    };
    const auto state = [&](int32_t r, int32_t c) {
        return TextOrEmpty(game_->Find(cellPath(r, c))->GetProperty("state"));
    };
    // A closed cell of the picture (full) or not, the first of its kind.
    const auto closedCell = [&](bool full) {
        for (int32_t r = 0; r < rules.Rows(); ++r) {
            for (int32_t c = 0; c < rules.Cols(); ++c) {
                if ((rules.Value(r, c) == kCellFull) == full && state(r, c) == "closed") return std::make_pair(r, c);
            }
        }
        return std::make_pair(-1, -1);
    };
    const auto tool = [&] { return TextOrEmpty(game_->Find("control_tools")->GetProperty("active_tool")); };
    const auto click = [&](std::pair<int32_t, int32_t> cell, uint8_t button) {
        ASSERT_GE(cell.first, 0);
        game_->ClickAt(cellPath(cell.first, cell.second), button);
        game_->Step(1, 20);
    };

    // The right button switches the tool and leaves the cell alone.
    ASSERT_EQ(tool(), "arrow");
    const auto empty = closedCell(false);
    click(empty, SDL_BUTTON_RIGHT);
    EXPECT_EQ(tool(), "hammer");
    EXPECT_EQ(state(empty.first, empty.second), "closed");
    // The left button uses the tool in hand: the hammer breaks an empty cell.
    click(empty, SDL_BUTTON_LEFT);
    EXPECT_EQ(state(empty.first, empty.second), "empty");
    // Switched back, the arrow opens a picture cell.
    click(closedCell(false), SDL_BUTTON_RIGHT);
    EXPECT_EQ(tool(), "arrow");
    const auto full = closedCell(true);
    click(full, SDL_BUTTON_LEFT);
    EXPECT_EQ(state(full.first, full.second), "full");
    // The panel's hammer is picked as well.
    game_->ClickAt("control_game_nonogram/image_hammer");
    EXPECT_EQ(tool(), "hammer");
    game_->ClickAt("control_game_nonogram/image_select");
    EXPECT_EQ(tool(), "arrow");
    EXPECT_EQ(board->GetErrorsMade(), 0);

    // The option: the right button is the hammer, the left one the arrow.
    ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_Options", nullptr));
    game_->Step(2, 20);
    game_->ClickAt("checkbox_right_button");
    game_->ClickAt("button_close");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_GameBonus"); })) << game_->StackNames();
    ASSERT_EQ(ProfileValue("UseRightButtonAsHammer"), "yes");
    const auto empty2 = closedCell(false);
    click(empty2, SDL_BUTTON_RIGHT);
    EXPECT_EQ(state(empty2.first, empty2.second), "empty");
    const auto full2 = closedCell(true);
    click(full2, SDL_BUTTON_LEFT);
    EXPECT_EQ(state(full2.first, full2.second), "full");
    EXPECT_EQ(board->GetErrorsMade(), 0);
    Shot("02-bonus-after-moves");
}

// --- Buttons that leave

TEST_F(TrueTexts, TheMenusLeavingButtonNamesTheSceneItLeadsTo) {
    HelpsSeen();
    ASSERT_NE(EnterJapansFirstLevel(), nullptr);
    game_->ClickAt("control_game_nonogram/button_menu");
    game_->Step(2, 20);
    ASSERT_TRUE(OnTop("GS_MiniMenu"));
    const std::string label = Text("buttons/button_main_menu/caption");
    Shot("03-level-menu");
    game_->ClickAt("buttons/button_main_menu");
    game_->Step(2, 20);
    ASSERT_TRUE(OnTop("GS_QueryMainMenu"));
    game_->ClickAt("button_yes");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_Scene"); })) << game_->StackNames();
    EXPECT_EQ(SceneTitle(), "Japan");
    EXPECT_EQ(label, "Back to " + SceneTitle());
}

TEST_F(TrueTexts, TheFailureScreensLeavingButtonNamesTheSceneItLeadsTo) {
    HelpsSeen();
    TQuillmarchControlGameNonogram* board = EnterJapansFirstLevel();
    ASSERT_NE(board, nullptr);
    // Wrong moves until the level is lost: the arrow on empty cells.
    const TNonogramRules& rules = board->Rules();
    for (int32_t r = 0; r < rules.Rows() && OnTop("GS_GameNonogram"); ++r) {
        for (int32_t c = 0; c < rules.Cols() && OnTop("GS_GameNonogram"); ++c) {
            if (rules.Value(r, c) == kCellFull) continue;
            game_->ClickAt("control_game_nonogram/grid/cells/cell" + std::to_string(r) + "_" + std::to_string(c));
            game_->Step(2, 20);
        }
    }
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_FailedNonogram"); })) << game_->StackNames();
    game_->Step(10, 20);
    const std::string label = Text("button_map/caption");
    Shot("04-level-failed");
    game_->ClickAt("button_map");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_Scene"); })) << game_->StackNames();
    EXPECT_EQ(label, "Back to " + SceneTitle());
}

TEST_F(TrueTexts, TheBonusMenusLeavingButtonNamesTheSelectionItLeadsTo) {
    ASSERT_NE(StartBonusLevel(), nullptr);
    game_->ClickAt("button_ok");
    game_->Step(2, 20);
    ASSERT_TRUE(OnTop("GS_GameBonus"));
    game_->ClickAt("control_game_nonogram/button_menu");
    game_->Step(2, 20);
    ASSERT_TRUE(OnTop("GS_MiniMenu"));
    const std::string label = Text("buttons/button_main_menu/caption");
    game_->ClickAt("buttons/button_main_menu");
    game_->Step(2, 20);
    ASSERT_TRUE(OnTop("GS_QueryMainMenu"));
    game_->ClickAt("button_yes");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_MainBonus"); })) << game_->StackNames();
    const std::string title = Text("title");
    ASSERT_FALSE(title.empty());
    EXPECT_EQ(Lower(label), Lower("Back to the " + title));
}

// --- The shop's last stage

TEST_F(TrueTexts, TheLastStagesMessageSaysWhatTheShopThenSells) {
    HelpsSeen();
    // Two stages bought but for the bridge, points for it and more; three
    // levels solved of ten.
    Set("current_level_japan", "4");
    Set("magic_points", "5000");
    Set("location_layer_japan", "layer_2");
    Set("items_japanlayer_1", "lantern,torii,pine,");
    Set("items_japanlayer_2", "cherry,pagoda,");
    OpenScene("japan");
    game_->ClickAt("button_shop");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_SceneShop"); }));
    game_->Step(10, 20);
    const TPoint bridge = game_->CenterOf("locations/japan/layer_2/items/bridge");
    game_->MouseMove(bridge.x, bridge.y);
    game_->Step(5, 20);
    game_->Click(bridge.x, bridge.y);
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_ItemInfo"); })) << game_->StackNames();
    game_->ClickAt("button_ok");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_CompleteLevels"); })) << game_->StackNames();
    game_->Step(5, 20);
    Shot("05-last-stage-open");
    const std::string said = Lower(Text("title") + " " + Text("text"));

    // "The last stage is open": the profile's stage is the last one.
    EXPECT_NE(said.find("last stage is open"), std::string::npos) << said;
    EXPECT_EQ(ProfileValue("location_layer_japan"), "layer_3");
    // "Some puzzles are still unsolved": levels remain.
    EXPECT_NE(said.find("still unsolved"), std::string::npos) << said;
    EXPECT_LT(std::stoi(ProfileValue("current_level_japan")),
              game_->Game()->GetOption("lvlcnt_japan").ToInt() + 1);
    // "Its magic items wait in the shop": none of them bought, each for sale.
    EXPECT_NE(said.find("its magic items wait in the shop"), std::string::npos) << said;
    game_->ClickAt("button_ok");
    ASSERT_TRUE(RunUntil([&] { return game_->StackNames() == "GS_Main GS_Scene"; })) << game_->StackNames();
    game_->Step(20, 20);
    game_->ClickAt("button_shop");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_SceneShop"); }));
    game_->Step(10, 20);
    for (const char* item : {"paper_lanterns", "crane", "bell"}) {
        const Ref<IWidget> widget = game_->Find(std::string("locations/japan/layer_3/items/") + item);
        ASSERT_TRUE(widget) << item;
        EXPECT_EQ(TextOrEmpty(widget->GetProperty("state")), "locked") << item;
        EXPECT_EQ(TextOrEmpty(widget->GetProperty("available")), "yes") << item;
    }
    const TPoint crane = game_->CenterOf("locations/japan/layer_3/items/crane");
    game_->MouseMove(crane.x, crane.y);
    game_->Step(5, 20);
    game_->Click(crane.x, crane.y);
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_ItemInfo"); })) << game_->StackNames();
    EXPECT_EQ(ProfileValue("items_japanlayer_3"), "crane,");
}

// --- Numbers

// Every text shown in the tree (visible all the way down).
void ShownTexts(const Ref<IWidget>& widget, std::vector<std::string>& out) {
    if (!widget || !widget->GetVisible()) return;
    if (auto* text = dynamic_cast<TTextWidget*>(widget.get())) out.push_back(WideToUTF8(text->GetText()));
    const Ref<IWidgetCollection> children = widget->GetChildren();
    for (int32_t i = 0; children && i < children->GetCount(); ++i) ShownTexts(children->GetWidgetByIndex(i), out);
}

// A text breaks the one way numbers are written when it has a number of
// four digits or more without separators, or a time with blanks around its
// colon.
std::string NumberFault(const std::string& text) {
    static const std::regex longNumber(R"((^|[^0-9,])[0-9]{4,}([^0-9]|$))");
    static const std::regex spacedTime(R"([0-9] +:|: +[0-9])");
    if (std::regex_search(text, longNumber)) return "a number without separators";
    if (std::regex_search(text, spacedTime)) return "a time with blanks";
    return "";
}

TEST_F(TrueTexts, EveryTimeAndBigNumberIsWrittenOneWay) {
    HelpsSeen();
    Set("magic_points", "123456");
    Set("current_level_japan", "3");
    Set("points_japan_1", "1450");
    Set("trophy_rome", "yes");
    int checked = 0;
    const auto expectWrittenOneWay = [&](const std::string& where) {
        std::vector<std::string> texts;
        for (const Ref<IGameScreenSlave>& screen : {game_->Top()}) ShownTexts(screen->GetWindowWidget(), texts);
        for (const std::string& text : texts) {
            const std::string fault = NumberFault(text);
            EXPECT_EQ(fault, "") << where << ": \"" << text << "\"";
            checked += std::regex_search(text, std::regex("[0-9]")) ? 1 : 0;
        }
    };
    // The scene's counter and a solved level's points.
    OpenScene("japan");
    const TPoint marker = game_->CenterOf("control_scene/map_parts/japan/map_levels/1");
    game_->MouseMove(marker.x, marker.y);
    game_->Step(10, 20);
    EXPECT_EQ(Text("mana_counter"), "123,456");
    expectWrittenOneWay("the scene");
    Shot("08-scene-numbers");
    // The shop: the counter, and the price of its dearest item under the pointer.
    Set("location_layer_japan", "layer_3");
    Set("items_japanlayer_1", "lantern,torii,pine,");
    Set("items_japanlayer_2", "cherry,pagoda,bridge,");
    game_->ClickAt("button_shop");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_SceneShop"); }));
    game_->Step(10, 20);
    const TPoint bell = game_->CenterOf("locations/japan/layer_3/items/bell");
    game_->MouseMove(bell.x, bell.y);
    game_->Step(10, 20);
    EXPECT_EQ(Text("control_scene_shop/hint/cost"), "1,200");
    expectWrittenOneWay("the shop");
    Shot("09-shop-numbers");
    game_->ClickAt("button_exit");
    ASSERT_TRUE(RunUntil([&] { return game_->StackNames() == "GS_Main GS_Scene"; }));

    // A won level's results: its time and expert time, its points.
    const Ref<IParamCollection> won = Params({{"level_ref", "japan_1"},
                                               {"level_points", "1300"},
                                               {"level_time_bonus", "1200"},
                                               {"level_hint_bonus", "50"},
                                               {"level_mistake_bonus", "50"},
                                               {"level_time_in_sec", "65"},
                                               {"level_cup_time", "600"},
                                               {"level_hints_used", "0"},
                                               {"level_errors", "0"}});
    // The level's own clock writes the time as the results show it.
    won->SetValue("level_time", Variant("1:05"));
    ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_StatNonogramWithTips", won));
    game_->Step(400, 20);
    EXPECT_EQ(Text("levelExpertTime"), "10:00");
    EXPECT_EQ(Text("total_Points"), "2,600");
    expectWrittenOneWay("the level's results");
    Shot("10-results-numbers");
    EXPECT_GT(checked, 5);
}

}  // namespace
