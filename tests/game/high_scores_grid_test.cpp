// The high-score grid: each column's template drawn once per row, the row
// added last in the selected colour, the number column with thousands
// separators, players' names as typed, empty cells and missing templates,
// the row height's default, the table handed over as a property, and the
// stored keys and columns.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/lang/MultiLanguages.h"
#include "core/storage/XMLStorage.h"
#include "game/HighScoresGrid.h"
#include "tests/game/PlayerDataTestSupport.h"
#include "tests/widgets/LeafFixtures.h"
#include "tests/widgets/RecordingText.h"
#include "widgets/WidgetUtils.h"

namespace playerdata {
namespace {

using Lines = std::vector<std::string>;
using controltest::TRecordingText;

class HighScoresGrid : public testing::Test {
protected:
    static void SetUpTestSuite() { controltest::RegisterRecordingText(); }
    HighScoresGrid() {
        leaftest::AddFont(screen);
        GetMultiLanguages()->Strings().SetString(",", "thousand_separator");
    }
    ~HighScoresGrid() override { GetMultiLanguages()->Strings().Delete("thousand_separator"); }

    // The grid "grid" at (50, 20), 300 wide, with a player and a score
    // template; keys replace the height.
    THighScoresGridControl& Load(const std::string& keys = R"(height="250")",
                                 const std::string& numberColumn = "Score",
                                 const std::string& columns = R"(
          <column name="Player" widgetname="player_cell"/>
          <column name="Missing" widgetname="no_such_cell"/>
          <column name="Score" widgetname="score_cell"/>)") {
        screen.Load(R"(
          <widget type="group_widget" name="root" visible="yes">
            <widgets>
              <widget type="HighScoresGridControl" name="grid" visible="yes" anchor_left="50"
                      anchor_top="20" width="300" color="$FF0000FF" selectedcolor="$FFFF0000"
                      column_name_with_format_number=")" +
                    numberColumn + R"(" )" + keys + R"(>
                <columns>)" +
                    columns + R"(</columns>
                <widgets>
                  <widget type="recording_text" name="player_cell" resourcename="font"
                          anchor_left="10" anchor_top="5" width="100" height="14"/>
                  <widget type="recording_text" name="score_cell" resourcename="font"
                          anchor_left="150.5" anchor_top="5" width="100" height="14"/>
                </widgets>
              </widget>
            </widgets>
          </widget>)");
        auto* grid = dynamic_cast<THighScoresGridControl*>(screen.Find("grid").get());
        if (!grid) throw std::runtime_error("no grid");
        return *grid;
    }
    // A table of ten rows; the scores and players added in order.
    Ref<TRecordTable> Table(const std::vector<std::pair<int32_t, std::string>>& rows) {
        Ref<TRecordTable> table = CreateObject<TRecordTable>(
            "\\name=t\\max_records=10\\record_structure={param=Score\\param=Player}");
        for (const auto& [score, player] : rows) {
            const Ref<IParamCollection> params =
                Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
            params->SetValue("Score", Variant(std::to_string(score)));
            if (!player.empty()) params->SetValue("Player", Variant(player));
            EXPECT_TRUE(table->AddScore(params)) << score;
        }
        return table;
    }
    Lines& Drawn(const std::string& cell) {
        return dynamic_cast<TRecordingText&>(*screen.Find("grid/" + cell)).drawn;
    }
    void Draw() {
        Drawn("player_cell").clear();
        Drawn("score_cell").clear();
        screen.RenderTree();
    }

    TWidgetHarness screen;
};

TEST_F(HighScoresGrid, EachRowIsDrawnBelowTheLastTheLastAddedInTheSelectedColour) {
    THighScoresGridControl& grid = Load();
    EXPECT_EQ(grid.GetRowHeight(), 25);  // a tenth of the height
    // Ranked: 2500000 bert, 300 anna (added last), 100 cleo.
    grid.SetProperty("recordtable",
                     Variant(Table({{2500000, "bert"}, {100, "cleo"}, {300, "anna"}})));
    Draw();
    EXPECT_EQ(Drawn("player_cell"),
              (Lines{"bert #0000FF at 60,25", "anna #FF0000 at 60,50", "cleo #0000FF at 60,75"}));
    // The column with the number format; 150.5 rounds to 150.
    EXPECT_EQ(Drawn("score_cell"), (Lines{"2,500,000 #0000FF at 200,25", "300 #FF0000 at 200,50",
                                          "100 #0000FF at 200,75"}));
    // Hidden templates report nothing however often they change: frames
    // with nothing new draw nothing.
    screen.Step(2);
    screen.Step(1);
    EXPECT_FALSE(screen.FrameRendered());
}

TEST_F(HighScoresGrid, PlayersNamesAreShownAsTypedAndEmptyCellsSkipped) {
    THighScoresGridControl& grid = Load();
    grid.SetProperty("recordtable",
                     Variant(Table({{1234567, "50%% anna"}, {20, ""}, {7, "cleo"}})));
    Draw();
    EXPECT_EQ(Drawn("player_cell"), (Lines{"50%% anna #0000FF at 60,25", "cleo #FF0000 at 60,75"}));
    EXPECT_EQ(Drawn("score_cell"), (Lines{"1,234,567 #0000FF at 200,25", "20 #0000FF at 200,50",
                                          "7 #FF0000 at 200,75"}));
}

TEST_F(HighScoresGrid, ANumberColumnValueThatIsNoIntegerIsShownAsItIs) {
    THighScoresGridControl& grid = Load();
    Ref<TRecordTable> table = Table({{5000, "anna"}});
    table->GetRecords()->GetItem(Variant(0))->GetParams()->SetValue("Score", Variant("lots"));
    grid.SetProperty("recordtable", Variant(table));
    Draw();
    EXPECT_EQ(Drawn("score_cell"), (Lines{"lots #FF0000 at 200,25"}));
}

TEST_F(HighScoresGrid, WithoutARowHeightAShortGridDrawsEveryRowOverTheFirst) {
    THighScoresGridControl& grid = Load(R"(height="9")");
    EXPECT_EQ(grid.GetRowHeight(), 0);
    EXPECT_EQ(grid.GetFontHeight(), 0);
    grid.SetProperty("recordtable", Variant(Table({{30, "anna"}, {20, "bert"}})));
    Draw();
    EXPECT_EQ(Drawn("player_cell"), (Lines{"anna #0000FF at 60,25", "bert #FF0000 at 60,25"}));
}

TEST_F(HighScoresGrid, TheTableIsAPropertyAndAnythingElseShowsNone) {
    THighScoresGridControl& grid = Load(R"(height="250" rowheight="30")");
    EXPECT_EQ(grid.GetFontHeight(), 30);
    EXPECT_TRUE(grid.GetProperty("recordtable").IsUnassigned());
    Draw();
    EXPECT_EQ(Drawn("player_cell"), Lines{});

    const Ref<TRecordTable> table = Table({{30, "anna"}});
    grid.SetProperty("recordtable", Variant(table));
    EXPECT_EQ(grid.GetProperty("recordtable").ToInterface().get(),
              static_cast<IInterface*>(table.get()));
    // The grid shows what the table holds when it draws.
    table->AddScore(CreateObject<TParamCollection>("\\Score=50\\Player=bert"));
    Draw();
    EXPECT_EQ(Drawn("player_cell"), (Lines{"bert #FF0000 at 60,25", "anna #0000FF at 60,55"}));

    grid.SetProperty("recordtable", Variant(screen.Find("grid/player_cell")));
    EXPECT_EQ(grid.GetRecordTable(), nullptr);
    grid.SetProperty("recordtable", Variant("t"));
    EXPECT_EQ(grid.GetRecordTable(), nullptr);
    Draw();
    EXPECT_EQ(Drawn("player_cell"), Lines{});
}

TEST_F(HighScoresGrid, KeysAndColumnsAreStored) {
    THighScoresGridControl& grid = Load(R"(height="250" font_height="12")");
    ASSERT_EQ(grid.GetColumns().size(), 3u);
    EXPECT_EQ(grid.GetColumns()[2].fieldName, "Score");
    EXPECT_EQ(grid.GetColumns()[2].widgetName, "score_cell");
    const std::string text = WidgetToXMLText(screen.Find("grid"));
    const Ref<IHierStorage> node = LoadStorageFromXML(text);
    EXPECT_EQ(ReadString(node, "rowheight", ""), "25");
    EXPECT_EQ(ReadString(node, "font_height", ""), "12");
    EXPECT_EQ(ReadColor(node, "selectedcolor", 0), 0xFFFF0000u);
    EXPECT_EQ(ReadColor(node, "color", 0), 0xFF0000FFu);
    EXPECT_EQ(ReadString(node, "column_name_with_format_number", ""), "Score");
    const Ref<IHierStorage> columns = node->GetChild("columns", 0);
    ASSERT_TRUE(columns);
    ASSERT_EQ(columns->GetChildCount("column"), 3);
    EXPECT_EQ(ReadString(columns->GetChild("column", 1), "name", ""), "Missing");
    EXPECT_EQ(ReadString(columns->GetChild("column", 1), "widgetname", ""), "no_such_cell");

    // Clearing the content drops the columns.
    grid.ClearContent();
    EXPECT_TRUE(grid.GetColumns().empty());

    // Without columns the element is still written; the number column only
    // when named.
    Load(R"(height="250")", "", "");
    const Ref<IHierStorage> bare = LoadStorageFromXML(WidgetToXMLText(screen.Find("grid")));
    EXPECT_TRUE(bare->GetChild("columns", 0));
    EXPECT_EQ(ReadString(bare, "column_name_with_format_number", "absent"), "absent");
}

}  // namespace
}  // namespace playerdata
