// What the level screens show of the pictures, on the game as built. The
// results' miniature of the location is a picture of its own, never one of
// the location's levels (it would give a solution away). The clues the
// player reads: every location level and
// every bonus picture is laid out on its own board (the level screen, the
// bonus screen), and each line's clue texts, read in the order the player
// reads them, are the runs the test counts in the picture file itself; every
// clue is drawn whole inside its plate (each digit kept by the layout, the
// text no wider than the plate). The widest clue of each board size is kept
// as a figure in the test's output.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "minigames/BonusControl.h"
#include "nonogram/ControlGameNonogram.h"
#include "nonogram/LevelDefs.h"
#include "tests/data/BuiltGame.h"
#include "tests/support/GameHarness.h"
#include "widgets/TextWidget.h"

namespace {

namespace fs = std::filesystem;

// The rows of a built level file, one string of colour codes each ('0' empty).
std::vector<std::string> PictureRows(const fs::path& file) {
    std::vector<std::string> rows;
    const Ref<IHierStorage> root = LoadStorageFromXML(ReadFileBytes(file.string()));
    if (const Ref<IHierStorage> list = root->FindChild("rows")) {
        for (int32_t i = 0; i < list->GetChildCount("row"); ++i)
            rows.push_back(list->GetChild("row", i)->GetValue("cells", Variant("")).ToString());
    }
    return rows;
}

// The runs of full cells of a line, in reading order; "0" for a line without one.
std::vector<std::string> Runs(const std::string& line) {
    std::vector<std::string> runs;
    int run = 0;
    for (const char c : line + "0") {
        if (c != '0') {
            ++run;
        } else if (run > 0) {
            runs.push_back(std::to_string(run));
            run = 0;
        }
    }
    if (runs.empty()) runs.push_back("0");
    return runs;
}

// The level files of a built set, "1.xml", "2.xml", ... in their order.
std::vector<fs::path> SetFiles(const std::string& set) {
    std::vector<fs::path> files;
    for (int n = 1;; ++n) {
        const fs::path file = fs::path(QM_BUILT_LEVELS_DIR) / set / (std::to_string(n) + ".xml");
        if (!fs::exists(file)) break;
        files.push_back(file);
    }
    return files;
}

const char* const kLocations[] = {"japan", "rome", "tibet", "egypt", "greece", "aztecs", "china"};

// The widest clue seen on one kind of board of one size.
struct TWidest {
    std::string text;
    int32_t width = 0;
    int32_t plate = 0;
};

class ClueDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        game_ = HarnessOnBuiltData(QM_BUILT_DATA_DIR);
        ASSERT_TRUE(StartBuiltDefinition(*game_));
        for (int i = 0; i < 1000 && !OnTop("GS_NewUser"); ++i) game_->Step(1, 20);
        ASSERT_EQ(game_->StackNames(), "GS_Main GS_NewUser");
        const Ref<IUserProfileCollection> profiles = game_->Game()->GetUserProfiles();
        profiles->FindOrAdd("Ada");
        profiles->SetCurrent("Ada");
        game_->Game()->CloseGameScreen(game_->Screen("GS_NewUser"), nullptr);
        game_->Step(2);
        ASSERT_EQ(game_->StackNames(), "GS_Main");
    }
    void TearDown() override {
        for (const auto& [board, widest] : widest_) {
            std::printf("widest clue on the %s: \"%s\", %d px in a plate of %d px\n", board.c_str(),
                        widest.text.c_str(), widest.width, widest.plate);
        }
        EndBuiltGame(game_);
    }

    bool OnTop(const std::string& name) const {
        const Ref<IGameScreenSlave> top = game_->Top();
        return top && top->GetName() == name;
    }

    // Every clue of the board shown now against the picture's runs, each
    // drawn whole in its plate. board names the kind of board and its size
    // for the figures; textName and plateName are the digit's children.
    void ExpectClues(const std::vector<std::string>& picture, const std::string& board,
                     const char* textName, const char* plateName, const std::string& where) {
        SCOPED_TRACE(where);
        const Ref<IWidget> digits = game_->Find("control_game_nonogram/grid/digits");
        ASSERT_TRUE(digits);
        // The digits of each line with their place across the reading direction.
        std::map<std::string, std::vector<std::pair<double, std::string>>> lines;
        for (int32_t i = 0; i < digits->GetChildren()->GetCount(); ++i) {
            const Ref<IWidget> digit = digits->GetChildren()->GetWidgetByIndex(i);
            const std::string name = digit->GetName();  // digitl<row>_<key> or digitt<key>_<col>
            ASSERT_EQ(name.rfind("digit", 0), 0u) << name;
            const char order = name[5];
            const std::string first = name.substr(6, name.find('_') - 6);
            const std::string second = name.substr(name.find('_') + 1);
            auto* text = dynamic_cast<TTextWidget*>(digit->FindWidget(textName).get());
            const Ref<IWidget> plate = digit->FindWidget(plateName);
            ASSERT_TRUE(text && plate) << name;
            const std::string shown = text->GetProperty("text_utf8").ToString();
            if (order == 'l') {
                lines["row " + first].emplace_back(digit->GetLeft(), shown);
            } else {
                lines["col " + second].emplace_back(digit->GetTop(), shown);
            }
            // Drawn whole: every character kept by the layout, inside the plate.
            for (const TSymbolInfo& symbol : text->Symbols())
                EXPECT_TRUE(symbol.shown) << name << " \"" << shown << "\" drops a digit";
            const int32_t width = text->GetTextWidth(text->GetText());
            const int32_t plateWidth = int32_t(plate->GetWidth());
            EXPECT_LE(width, plateWidth) << name << " \"" << shown << "\"";
            const TRect rect = text->GetTextRect();
            EXPECT_GE(rect.left + text->GetLeft(), plate->GetLeft()) << name;
            EXPECT_LE(rect.right + text->GetLeft(), plate->GetLeft() + plateWidth) << name;
            TWidest& widest = widest_[board];
            if (width > widest.width) widest = {shown, width, plateWidth};
        }
        // Each line's texts in reading order: left to right, top to bottom.
        const size_t rows = picture.size(), cols = picture[0].size();
        EXPECT_EQ(lines.size(), rows + cols);
        for (size_t r = 0; r < rows; ++r) {
            auto& line = lines["row " + std::to_string(r)];
            std::sort(line.begin(), line.end());
            std::vector<std::string> texts;
            for (const auto& entry : line) texts.push_back(entry.second);
            EXPECT_EQ(texts, Runs(picture[r])) << "row " << r;
        }
        for (size_t c = 0; c < cols; ++c) {
            std::string column;
            for (const std::string& row : picture) column += row[c];
            auto& line = lines["col " + std::to_string(c)];
            std::sort(line.begin(), line.end());
            std::vector<std::string> texts;
            for (const auto& entry : line) texts.push_back(entry.second);
            EXPECT_EQ(texts, Runs(column)) << "column " << c;
        }
    }

    std::unique_ptr<TGameHarness> game_;
    std::map<std::string, TWidest> widest_;
};

TEST_F(ClueDisplay, EveryLevelShowsItsPicturesCluesWhole) {
    int levels = 0;
    for (const char* location : kLocations) {
        int n = 0;
        for (const fs::path& file : SetFiles(location)) {
            ++n;
            const std::vector<std::string> picture = PictureRows(file);
            ASSERT_FALSE(picture.empty()) << file;
            const Ref<IParamCollection> show =
                Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
            const std::string ref = std::string(location) + "_" + std::to_string(n);
            show->SetValue("level_ref", Variant(ref));
            show->SetValue("active_map_part", Variant(location));
            ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_GameNonogram", show)) << ref;
            game_->Step(1);
            ASSERT_TRUE(OnTop("GS_GameNonogram")) << ref;
            const auto* board =
                dynamic_cast<TQuillmarchControlGameNonogram*>(game_->Find("control_game_nonogram").get());
            ASSERT_NE(board, nullptr);
            ASSERT_EQ(board->Rules().Rows(), int32_t(picture.size())) << ref;
            const std::string size = std::to_string(picture.size()) + "x" + std::to_string(picture[0].size());
            ExpectClues(picture, "level board " + size, "number", "plate", ref);
            game_->Game()->CloseGameScreen(game_->Screen("GS_GameNonogram"), nullptr);
            game_->Step(1);
            ASSERT_EQ(game_->StackNames(), "GS_Main") << ref;
            ++levels;
        }
    }
    EXPECT_EQ(levels, 70);
}

TEST_F(ClueDisplay, EveryBonusPictureShowsItsCluesWhole) {
    // The bonus rounds draw from the pictures the catalogue gives the
    // location: one picture at a time.
    game_->Game()->GetUserProfiles()->GetCurrent()->GetParams()->SetValue("show_bonus_help",
                                                                          Variant("yes"));
    int pictures = 0;
    for (const char* location : kLocations) {
        int n = 0;
        for (const fs::path& file : SetFiles(std::string("bonus/") + location)) {
            ++n;
            const std::vector<std::string> picture = PictureRows(file);
            ASSERT_FALSE(picture.empty()) << file;
            const std::string where = std::string("bonus ") + location + " " + std::to_string(n);
            const std::string entry =
                std::string("<levels><level level=\"one\"><properties><param name=\"filename\" value=\"") +
                "data/levels/bonus/" + location + "/" + std::to_string(n) +
                ".xml\"/><param name=\"level_type\" value=\"bonus\"/>"
                "<param name=\"bonus_scene\" value=\"" + location + "\"/></properties></level></levels>";
            const Ref<TAbstractObject> catalogue =
                CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>());
            ASSERT_TRUE(LoadPersistObject(Ref<IInterface>(catalogue), LoadStorageFromXML(entry)));
            game_->Game()->SetOptionValue("level_bonus_def_refs", Variant(Ref<IInterface>(catalogue)));

            const Ref<IParamCollection> show =
                Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
            show->SetValue("LevelName", Variant(location));
            show->SetValue("rounds", Variant(1));
            show->SetValue("hints", Variant(3));
            show->SetValue("error_pos", Variant(3));
            show->SetValue("total_leveltime", Variant(600));
            ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_GameBonus", show)) << where;
            game_->Step(1);
            const auto* board =
                dynamic_cast<TQuillmarchControlGameBonus*>(game_->Find("control_game_nonogram").get());
            ASSERT_NE(board, nullptr) << where;
            for (int i = 0; i < 500 && board->Rules().Rows() == 0; ++i) game_->Step(1, 20);
            ASSERT_EQ(board->Rules().Rows(), int32_t(picture.size())) << where;
            const std::string size = std::to_string(picture.size()) + "x" + std::to_string(picture[0].size());
            ExpectClues(picture, "bonus board " + size, "text", "digit_on", where);
            while (!OnTop("GS_GameBonus") && game_->Top()) {
                game_->Game()->CloseGameScreen(game_->Top(), nullptr);
                game_->Step(1);
            }
            game_->Game()->CloseGameScreen(game_->Screen("GS_GameBonus"), nullptr);
            game_->Step(1);
            ASSERT_EQ(game_->StackNames(), "GS_Main") << where;
            ++pictures;
        }
    }
    EXPECT_EQ(pictures, 28);
}

// The entry named after the location, which the results show as "the
// location's picture", loaded as the game loads it.
TEST_F(ClueDisplay, TheLocationsPictureIsNoneOfItsLevels) {
    const Ref<IQuillmarchLevelDefRefCollection> catalogue = Query<IQuillmarchLevelDefRefCollection>(
        game_->Game()->GetOption("level_def_refs").ToInterface());
    ASSERT_TRUE(catalogue);
    for (const char* location : kLocations) {
        SCOPED_TRACE(location);
        const Ref<IQuillmarchLevelDefRef> entry = catalogue->GetItemByName(location);
        ASSERT_TRUE(entry);
        const Ref<IQuillmarchLevelDef> def = entry->LoadLevelDef();
        ASSERT_TRUE(def);
        std::vector<std::string> shown;
        const Ref<ILevelDefRowCollection> rows = def->GetRows();
        for (int32_t i = 0; rows && i < rows->GetCount(); ++i)
            shown.push_back(rows->GetItem(Variant(i))->GetCells());
        ASSERT_FALSE(shown.empty());
        // A coloured picture of a size the results' miniature is made for.
        EXPECT_TRUE(shown.size() == 10 || shown.size() == 15 || shown.size() == 20) << shown.size();
        EXPECT_EQ(shown[0].size(), shown.size());
        bool coloured = false;
        for (const std::string& row : shown) coloured = coloured || row.find_first_not_of('0') != std::string::npos;
        EXPECT_TRUE(coloured);
        const std::vector<fs::path> levels = SetFiles(location);
        ASSERT_EQ(levels.size(), 10u);
        for (const fs::path& file : levels) EXPECT_NE(shown, PictureRows(file)) << file;
    }
}

}  // namespace
