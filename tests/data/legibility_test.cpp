// What the player can read and what a control shows, on the game as built:
// every button's label stands out from its face by at least 4.5:1 (the
// WCAG contrast of the label's colour against the face pixels its glyph cells
// cover), normal and under the pointer; and a control lit under the
// pointer goes back to its normal look when another screen covers it or the
// pointer leaves it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/base/Utf8.h"
#include "core/lang/MultiLanguages.h"
#include "engine/surface/EngineSurface.h"
#include "game/HighScores.h"
#include "nonogram/ControlGameNonogram.h"
#include "tests/data/BuiltGame.h"
#include "tests/data/BuiltGameTest.h"
#include "tests/support/GameHarness.h"
#include "widgets/ButtonControl.h"
#include "widgets/TextWidget.h"

namespace {

// The relative luminance of an sRGB colour (its low 24 bits).
double Luminance(uint32_t rgb) {
    const auto channel = [](uint32_t value) {
        const double c = double(value & 0xFF) / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(rgb >> 16) + 0.7152 * channel(rgb >> 8) + 0.0722 * channel(rgb);
}

double Contrast(uint32_t a, uint32_t b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class Legibility : public TBuiltGameTest {
protected:
    Legibility() : TBuiltGameTest("Ada") {}
    Ref<ISurface> NewSurface(int32_t width, int32_t height) {
        const Ref<ISurface> surface = game_->Engine().CreateSurface();
        surface->SetSize(width, height);
        return surface;
    }
    // The widget of a screen, shown or not.
    Ref<IWidget> InScreen(const std::string& screen, const std::string& path) const {
        const Ref<IGameScreenSlave> slave = game_->Screen(screen);
        return slave ? slave->GetWindowWidget()->FindWidget(path) : nullptr;
    }
    bool Lit(const std::string& screen, const std::string& button) const {
        const Ref<IWidget> selected = InScreen(screen, button + "/image_selected");
        EXPECT_TRUE(selected) << screen << " " << button;
        return selected && selected->GetVisible();
    }

};

struct TButtonFace {
    std::string where;
    Ref<IWidget> button;
};

void CollectButtons(const std::string& where, const Ref<IWidget>& widget, std::vector<TButtonFace>& out) {
    if (!widget) return;
    if (dynamic_cast<TButtonControl*>(widget.get())) out.push_back({where + "/" + widget->GetName(), widget});
    const Ref<IWidgetCollection> children = widget->GetChildren();
    for (int32_t i = 0; children && i < children->GetCount(); ++i) {
        CollectButtons(where + "/" + widget->GetName(), children->GetWidgetByIndex(i), out);
    }
}

TEST_F(Legibility, EveryButtonLabelStandsOutFromItsFaceNormalAndUnderThePointer) {
    std::vector<TButtonFace> buttons;
    const Ref<IGSCollection> screens = game_->Game()->GetGameScreens();
    for (int32_t i = 0; i < screens->GetCount(); ++i) {
        const Ref<IGameScreenSlave> screen = screens->GetItem(Variant(i));
        if (screen) CollectButtons(screen->GetName(), screen->GetWindowWidget(), buttons);
    }
    int measured = 0;
    double worst = 100;
    for (const TButtonFace& face : buttons) {
        const Ref<IWidget> caption = face.button->FindWidget("caption");
        auto* text = dynamic_cast<TTextWidget*>(caption.get());
        if (!text || text->GetText().empty()) continue;
        const uint32_t ink = uint32_t(text->GetProperty("fillcolor").ToInt64()) & 0xFFFFFF;
        for (const char* image : {"image_normal", "image_selected"}) {
            const Ref<IWidget> picture = face.button->FindWidget(image);
            if (!picture) continue;
            const int32_t width = face.button->GetWidth(), height = face.button->GetHeight();
            // The face as drawn, and the label's colour against the face
            // pixels under the label's glyph cells.
            const Ref<ISurface> plain = NewSurface(width, height);
            picture->Render(*plain, int32_t(picture->GetLeft()), int32_t(picture->GetTop()));
            caption->Invalidate();
            const TRect cells = text->GetTextRect();
            std::vector<double> ratios;
            int32_t cellPixels = 0;
            for (int32_t y = cells.top; y < cells.bottom; ++y) {
                for (int32_t x = cells.left; x < cells.right; ++x, ++cellPixels) {
                    uint32_t under = 0;
                    plain->GetPixel(int32_t(caption->GetLeft()) + x, int32_t(caption->GetTop()) + y, under);
                    // Where the face is drawn; elsewhere the label lies on
                    // whatever is behind the button.
                    if ((under >> 24) >= 128) ratios.push_back(Contrast(ink, under));
                }
            }
            ASSERT_GT(cellPixels, 0) << face.where << " " << image << ": the label is not laid out";
            // A label beside its picture (the tools' "Open" under the arrow)
            // is not drawn on the face.
            if (ratios.size() * 2 < size_t(cellPixels)) continue;
            std::sort(ratios.begin(), ratios.end());
            const double median = ratios[ratios.size() / 2];
            worst = std::min(worst, median);
            ++measured;
            EXPECT_GE(median, 4.5) << face.where << " " << image << " \"" << WideToUTF8(text->GetText()) << "\"";
        }
    }
    EXPECT_GT(measured, 60);
    RecordProperty("worst_contrast", std::to_string(worst));
    std::printf("the least contrast of a button label: %.2f:1 over %d faces\n", worst, measured);
}

TEST_F(Legibility, AButtonLitUnderThePointerIsLitNoLongerOnceCovered) {
    // The menu's trophies button under the pointer, then its screen over the menu.
    const TPoint trophies = game_->CenterOf("button_trophies");
    game_->MouseMove(trophies.x, trophies.y);
    game_->Step(2, 20);
    ASSERT_TRUE(Lit("GS_Main", "button_trophies"));
    game_->Click(trophies.x, trophies.y);
    game_->Step(2, 20);
    ASSERT_TRUE(OnTop("GS_Trophy"));
    EXPECT_FALSE(Lit("GS_Main", "button_trophies"));
    // Back on the menu with the pointer where the cabinet's close button was.
    game_->ClickAt("button_close");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_Main"); }));
    game_->Step(2, 20);
    EXPECT_FALSE(Lit("GS_Main", "button_trophies"));
    EXPECT_FALSE(Lit("GS_Main", "button_start"));

    // The pointer leaves a lit button without a click: it goes out.
    const TPoint start = game_->CenterOf("button_start");
    game_->MouseMove(start.x, start.y);
    game_->Step(2, 20);
    EXPECT_TRUE(Lit("GS_Main", "button_start"));
    game_->MouseMove(5, 5);
    game_->Step(2, 20);
    EXPECT_FALSE(Lit("GS_Main", "button_start"));
}

TEST_F(Legibility, TheLevelsMenuButtonIsNotLitUnderThePauseMenu) {
    auto* profile = game_->Game()->GetUserProfiles()->GetCurrent().get();
    for (const char* key : {"show_scene_hint", "show_hint_button_hint", "show_right_button_hint",
                            "show_autocomplete_hint", "show_hint_error"}) {
        profile->GetParams()->SetValue(key, Variant("yes"));
    }
    const Ref<IParamCollection> show =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    show->SetValue("level_ref", Variant("japan_1"));
    show->SetValue("active_map_part", Variant("japan"));
    ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_GameNonogram", show));
    auto* board = dynamic_cast<TQuillmarchControlGameNonogram*>(game_->Find("control_game_nonogram").get());
    ASSERT_NE(board, nullptr);
    ASSERT_TRUE(RunUntil([&] { return board->GetGameMode() == 2; }));
    const std::string menu = "control_game_nonogram/button_menu";
    const TPoint at = game_->CenterOf(menu);
    game_->MouseMove(at.x, at.y);
    game_->Step(2, 20);
    ASSERT_TRUE(Lit("GS_GameNonogram", menu));
    game_->Click(at.x, at.y);
    game_->Step(2, 20);
    ASSERT_TRUE(OnTop("GS_MiniMenu"));
    // The pointer has not moved, but it is over the menu now.
    EXPECT_FALSE(Lit("GS_GameNonogram", menu));
    std::filesystem::path file = std::filesystem::path(QM_ARTIFACTS_DIR) / "texts" / "06-pause-menu.png";
    EXPECT_TRUE(WriteFramePng(*game_, file));
    // Gone on: lit again only while the pointer is on it.
    game_->ClickAt("buttons/button_unpause");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_GameNonogram"); }));
    game_->Step(2, 20);
    const TPoint unpause = game_->Engine().GetMousePos();
    const Ref<IWidget> button = game_->Find(menu);
    const bool over = unpause.x >= at.x - button->GetWidth() / 2 && unpause.x <= at.x + button->GetWidth() / 2 &&
                      unpause.y >= at.y - button->GetHeight() / 2 && unpause.y <= at.y + button->GetHeight() / 2;
    EXPECT_EQ(Lit("GS_GameNonogram", menu), over);
}

// --- Titles and their frames

// The rows of a panel's picture that hold a horizontal frame line: a thin
// band that differs from the picture 4 rows above and below it (which agree
// with each other) across at least 40 % of the middle of its width.
std::vector<bool> FrameLineRows(ISurface& panel) {
    const int32_t w = panel.GetWidth(), h = panel.GetHeight();
    const auto differ = [](uint32_t a, uint32_t b) {
        for (int shift = 0; shift < 24; shift += 8) {
            if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > 24) return true;
        }
        return false;
    };
    std::vector<bool> rows(size_t(h), false);
    for (int32_t y = 4; y + 4 < h; ++y) {
        int lines = 0, columns = 0;
        for (int32_t x = w / 10; x < w - w / 10; ++x, ++columns) {
            uint32_t above = 0, at = 0, below = 0;
            panel.GetPixel(x, y - 4, above);
            panel.GetPixel(x, y, at);
            panel.GetPixel(x, y + 4, below);
            if (!differ(above, below) && differ(at, above) && differ(at, below)) ++lines;
        }
        rows[size_t(y)] = lines * 10 >= columns * 4;
    }
    return rows;
}

TEST_F(Legibility, TitlesStayOffTheFrameLinesOfTheirPanels) {
    struct TCase {
        const char* screen;
        std::string panel;
        std::string title;
    };
    std::vector<TCase> cases = {{"GS_MiniMenu", "panel", "title"}};
    for (const char* location : {"japan", "rome", "tibet", "egypt", "greece", "aztecs", "china"}) {
        for (const char* look : {"enabled_image", "disabled_image"}) {
            const std::string card = std::string("level_buttons/") + location + "/" + look;
            cases.push_back({"GS_MainBonus", card + "/card", card + "/name"});
        }
    }
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.screen) + " " + c.title);
        const Ref<IWidget> panel = InScreen(c.screen, c.panel);
        const Ref<IWidget> title = InScreen(c.screen, c.title);
        ASSERT_TRUE(panel && title);
        const Ref<ISurface> plain = NewSurface(panel->GetWidth(), panel->GetHeight());
        panel->Render(*plain, 0, 0);
        const std::vector<bool> lines = FrameLineRows(*plain);
        ASSERT_GE(std::count(lines.begin(), lines.end(), true), 2) << "no frame found";
        // The title's inked rows, in the panel's rows.
        const Ref<ISurface> ink = NewSurface(title->GetWidth(), title->GetHeight());
        title->Render(*ink, 0, 0);
        const int32_t offset = int32_t(title->GetTop() - panel->GetTop());
        int inked = 0;
        for (int32_t y = 0; y < ink->GetHeight(); ++y) {
            bool any = false;
            for (int32_t x = 0; x < ink->GetWidth() && !any; ++x) {
                uint32_t pixel = 0;
                ink->GetPixel(x, y, pixel);
                any = (pixel >> 24) != 0;
            }
            if (!any) continue;
            ++inked;
            const int32_t row = offset + y;
            ASSERT_TRUE(row >= 0 && row < int32_t(lines.size())) << row;
            // The row and its neighbours: the ink does not touch a line.
            for (int32_t r = std::max(0, row - 1); r <= std::min(int32_t(lines.size()) - 1, row + 1); ++r) {
                EXPECT_FALSE(lines[size_t(r)]) << "the title's row " << row << " meets a frame line at " << r;
            }
        }
        EXPECT_GT(inked, 8);
    }
}

TEST_F(Legibility, TheLevelsOpeningTitleStandsOutFromWhatIsBehindIt) {
    auto* profile = game_->Game()->GetUserProfiles()->GetCurrent().get();
    for (const char* key : {"show_scene_hint", "show_hint_button_hint", "show_right_button_hint",
                            "show_autocomplete_hint", "show_hint_error"}) {
        profile->GetParams()->SetValue(key, Variant("yes"));
    }
    const Ref<IParamCollection> show =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    show->SetValue("level_ref", Variant("japan_10"));
    show->SetValue("active_map_part", Variant("japan"));
    ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_GameNonogram", show));
    const std::string path = "control_game_nonogram/scenario_group/scenario_start_level/text_visualization";
    ASSERT_TRUE(RunUntil([&] {
        const Ref<IWidget> name = game_->Find(path + "/level_name");
        return name && name->GetVisible() && game_->Find(path)->GetVisible();
    }));
    game_->Step(1, 20);
    std::filesystem::path file = std::filesystem::path(QM_ARTIFACTS_DIR) / "texts" / "07-level-title.png";
    EXPECT_TRUE(WriteFramePng(*game_, file));
    auto* text = dynamic_cast<TTextWidget*>(game_->Find(path + "/level_name").get());
    ASSERT_NE(text, nullptr);
    const uint32_t gold = uint32_t(text->GetProperty("fillcolor").ToInt64()) & 0xFFFFFF;
    const TPoint origin = game_->CenterOf(path + "/level_name");
    const int32_t left = origin.x - text->GetWidth() / 2, top = origin.y - text->GetHeight() / 2;
    const TRect rect = text->GetTextRect();
    ASSERT_GT(rect.right, rect.left);
    int letters = 0;
    std::vector<double> ratios;
    for (int32_t y = top + rect.top; y < top + rect.bottom; ++y) {
        for (int32_t x = left + rect.left; x < left + rect.right; ++x) {
            const uint32_t pixel = game_->Pixel(x, y) & 0xFFFFFF;
            // The letters' inside, in the gold (faded in a little short of it).
            bool letter = true;
            for (int shift = 0; shift < 24; shift += 8) {
                letter &= std::abs(int(pixel >> shift & 0xFF) - int(gold >> shift & 0xFF)) <= 12;
            }
            if (letter) {
                ++letters;
            } else {
                ratios.push_back(Contrast(gold, pixel));
            }
        }
    }
    ASSERT_GT(letters, 50);
    std::sort(ratios.begin(), ratios.end());
    // Around the letters, what is behind them (the letters' soft edges
    // among it): most of it far from the gold.
    EXPECT_GE(ratios[ratios.size() / 2], 4.5);
}

// --- Long names

TEST_F(Legibility, ALongNameScrollsInItsFieldAndIsCutWithAnEllipsisElsewhere) {
    ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_NewUser", nullptr));
    game_->Step(2, 20);
    ASSERT_TRUE(OnTop("GS_NewUser"));
    const std::string name = "WWWWWWWWWWWWWWWWWWWWWWWM";  // 24, the field's limit
    for (const char c : name) {
        const char lower = char(std::tolower(static_cast<unsigned char>(c)));
        game_->PressKey(static_cast<SDL_Scancode>(SDL_SCANCODE_A + (lower - 'a')), SDLK_a + (lower - 'a'),
                        std::string(1, c).c_str());
    }
    game_->Step(2, 20);
    std::filesystem::path file = std::filesystem::path(QM_ARTIFACTS_DIR) / "texts" / "11-long-name-typed.png";
    EXPECT_TRUE(WriteFramePng(*game_, file));
    EXPECT_EQ(game_->Find("edit_name")->GetProperty("text_utf8").ToString(), name);
    // The field shows the end of the name, the caret just after it, both
    // inside the field's frame.
    const Ref<IWidget> field = game_->Find("edit_name");
    const Ref<IWidget> caret = game_->Find("edit_name/cursor");
    auto* shown = dynamic_cast<TTextWidget*>(game_->Find("edit_name/text").get());
    ASSERT_TRUE(field && caret && shown);
    const std::string visible = WideToUTF8(shown->GetText());
    ASSERT_FALSE(visible.empty());
    EXPECT_EQ(name.substr(name.size() - visible.size()), visible);
    EXPECT_LT(visible.size(), name.size());
    EXPECT_LE(shown->GetLeft() + shown->GetTextRect().right, field->GetWidth());
    EXPECT_GE(caret->GetLeft(), 0);
    EXPECT_LE(caret->GetLeft() + caret->GetWidth(), field->GetWidth());
    game_->ClickAt("button_ok");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_Main"); })) << game_->StackNames();
    ASSERT_EQ(game_->Game()->GetUserProfiles()->GetCurrent()->GetName(), name);

    // The bonus card's high scores name the player in a narrow column: cut,
    // with an ellipsis, inside its place; the score with its separator.
    const Ref<IRecordTable> table = game_->Game()->GetHighScores()->GetTables()->GetItem(Variant("japan"));
    ASSERT_TRUE(table);
    table->Clear();
    const Ref<IParamCollection> record =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    record->SetValue("Player", Variant(name));
    record->SetValue("Score", Variant(int32_t{12345}));
    ASSERT_TRUE(table->AddScore(record));
    game_->Game()->GetUserProfiles()->GetCurrent()->GetParams()->SetValue("location_state_japan",
                                                                         Variant("completed"));
    ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_MainBonus", nullptr));
    game_->Step(10, 20);
    file = std::filesystem::path(QM_ARTIFACTS_DIR) / "texts" / "12-long-name-scores.png";
    EXPECT_TRUE(WriteFramePng(*game_, file));
    const std::string grid = "level_buttons/japan/enabled_image/highscores_grid/";
    auto* player = dynamic_cast<TTextWidget*>(game_->Find(grid + "player_cell").get());
    auto* score = dynamic_cast<TTextWidget*>(game_->Find(grid + "score_cell").get());
    ASSERT_TRUE(player && score);
    const std::string cut = WideToUTF8(player->GetText());
    ASSERT_GT(cut.size(), 3u);
    EXPECT_LT(cut.size(), name.size());
    EXPECT_EQ(cut.substr(cut.size() - 3), "...");
    EXPECT_EQ(name.substr(0, cut.size() - 3), cut.substr(0, cut.size() - 3));
    for (const TSymbolInfo& symbol : player->Symbols()) EXPECT_TRUE(symbol.shown) << symbol.index;
    EXPECT_EQ(WideToUTF8(score->GetText()), "12,345");
}

}  // namespace
