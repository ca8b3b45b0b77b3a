#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "nonogram/GridDefs.h"
#include "nonogram/NonogramGrid.h"
#include "nonogram/QuillmarchCell.h"
#include "tests/nonogram/NonogramTestSupport.h"
#include "tests/support/WidgetHarness.h"

namespace nonogramtest {
namespace {

TGridGeometry Geometry(int32_t rows, int32_t cols, int32_t fivefold = 0) {
    const Ref<TGridDefCollection> defs = CreateObject<TGridDefCollection>();
    defs->Load(LoadStorageFromXML("<grids>" + GridDef(rows, cols, fivefold) + "</grids>"));
    TGridGeometry geometry;
    std::string error;
    EXPECT_TRUE(ReadGridGeometry(defs->GetItem(Variant(GridDefKey(rows, cols))), geometry, error))
        << error;
    return geometry;
}

// A board-like tree: factories at the root, "grid" with "cells" and
// "digits".
class GridTest : public ::testing::Test {
protected:
    void Build(const std::vector<std::string>& picture, int32_t fivefold = 0,
               const std::vector<int>& colours = {0, 1}) {
        const auto rows = static_cast<int32_t>(picture.size());
        const auto cols = static_cast<int32_t>(picture[0].size());
        root_ = screen_.Load(
            "<widget type=\"group_widget\" name=\"board\" visible=\"yes\"><widgetfactories>" +
            Factories(rows, cols, colours) +
            "</widgetfactories><widgets><widget type=\"group_widget\" name=\"grid\" "
            "visible=\"yes\" "
            "anchor_left=\"5\" anchor_top=\"7\"><widgets>"
            "<widget type=\"group_widget\" name=\"cells\" visible=\"yes\"/>"
            "<widget type=\"group_widget\" name=\"digits\" visible=\"yes\"/>"
            "</widgets></widget></widgets></widget>");
        std::string error;
        ASSERT_TRUE(rules_.Load(rows, cols, picture, error)) << error;
        laidOut_ = grid_.Layout(Cells(), Digits(), *Query<IWidgetOwner>(root_), rules_,
                                Geometry(rows, cols, fivefold), error_);
    }
    Ref<IWidget> Cells() { return screen_.Find("grid/cells"); }
    Ref<IWidget> Digits() { return screen_.Find("grid/digits"); }
    TTestDigit* Digit(const std::string& name) {
        return dynamic_cast<TTestDigit*>(screen_.Find("grid/digits/digit" + name).get());
    }
    TTestLeaf* Closed(int32_t r, int32_t c) {
        const Ref<IWidget> cell = grid_.Cell(r, c);
        return cell ? dynamic_cast<TTestLeaf*>(cell->FindWidget("closed").get()) : nullptr;
    }

    TWidgetHarness screen_;
    Ref<IWidget> root_;
    TNonogramRules rules_;
    TNonogramGrid grid_;
    bool laidOut_ = false;
    std::string error_;
};

TEST_F(GridTest, CellsArePlacedRowMajorWithTheFivefoldGap) {
    Build(std::vector<std::string>(10, "0110011100"), 4);
    ASSERT_TRUE(laidOut_) << error_;
    const Ref<IWidgetCollection> cells = Cells()->GetChildren();
    ASSERT_EQ(cells->GetCount(), 100);
    for (int32_t r : {0, 4, 5, 9}) {
        for (int32_t c : {0, 4, 5, 9}) {
            const Ref<IWidget> cell = cells->GetWidgetByIndex(r * 10 + c);
            EXPECT_EQ(cell->GetName(), "cell" + std::to_string(r) + "_" + std::to_string(c));
            EXPECT_EQ(cell, grid_.Cell(r, c));
            EXPECT_EQ(cell->GetLeft(), 100 + c * 12 + (c >= 5 ? 4 : 0));
            EXPECT_EQ(cell->GetTop(), 80 + r * 12 + (r >= 5 ? 4 : 0));
            EXPECT_EQ(cell->GetProperty("row").ToInt(), r);
            EXPECT_EQ(cell->GetProperty("col").ToInt(), c);
            EXPECT_EQ(cell->GetProperty("state").ToString(), "closed");
        }
    }
    // No gap on a 5 × 5 board: c div 5 is 0 for every column.
    Build(std::vector<std::string>(5, "01100"), 4);
    ASSERT_TRUE(laidOut_);
    EXPECT_EQ(grid_.Cell(4, 4)->GetLeft(), 100 + 4 * 12);
}

TEST_F(GridTest, DigitsRunOutwardsFromTheFirstCell) {
    Build({"0110011100", "1111111111", "0000000000"});
    ASSERT_TRUE(laidOut_) << error_;
    struct TCase {
        std::string name, text;
        double left, top;
    };
    const TCase cases[] = {
        {"l0_4", "3", 100 - 12, 80},       // nearest the grid
        {"l0_0", "2", 100 - 12 - 10, 80},  // K = 1: one digit and a gap further
        {"l1_0", "10", 100 - 12, 92},     {"l2_0", "0", 100 - 12, 104},
        {"t0_0", "1", 100, 80 - 12},  // column 0: only row 1, keyed by the empty row 0
    };
    for (const TCase& c : cases) {
        TTestDigit* digit = Digit(c.name);
        ASSERT_NE(digit, nullptr) << c.name;
        EXPECT_EQ(digit->Text(), c.text) << c.name;
        EXPECT_EQ(digit->GetLeft(), c.left) << c.name;
        EXPECT_EQ(digit->GetTop(), c.top) << c.name;
    }
    // Column 5 holds full, full, empty: one run from row 0.
    TTestDigit* column5 = Digit("t0_5");
    ASSERT_NE(column5, nullptr);
    EXPECT_EQ(column5->Text(), "2");
    EXPECT_EQ(column5->GetProperty("order").ToString(), "t");
    EXPECT_EQ(column5->GetProperty("col").ToInt(), 5);
    EXPECT_EQ(grid_.ColDigit(5, 0).get(), column5);
    EXPECT_EQ(Digits()->GetChildren()->GetCount(), 2 + 1 + 1 + 10);
}

TEST_F(GridTest, ACellFactoryThatMakesNothingRefusesTheLayout) {
    // Colour 7 has no factory: no cell may be skipped, or every later cell
    // would sit at the wrong index.
    Build({"0110", "0170"});
    EXPECT_FALSE(laidOut_);
    EXPECT_NE(error_.find("cell2_4_7"), std::string::npos) << error_;
    EXPECT_EQ(Cells()->GetChildren()->GetCount(), 0);
    EXPECT_EQ(Digits()->GetChildren()->GetCount(), 0);
    EXPECT_FALSE(grid_.Cell(0, 0));
}

TEST_F(GridTest, HighlightTouchesTheCrossOnly) {
    Build(std::vector<std::string>(15, "0110"));
    ASSERT_TRUE(laidOut_);
    grid_.HighlightCross(true, 14, 2);
    int lit = 0;
    for (int32_t r = 0; r < 15; ++r) {
        for (int32_t c = 0; c < 4; ++c) {
            const bool onCross = r == 14 || c == 2;
            EXPECT_EQ(Closed(r, c)->Highlight(), onCross) << r << "," << c;
            lit += onCross;
        }
    }
    EXPECT_EQ(lit, 15 + 4 - 1);
    EXPECT_TRUE(Digit("l14_0")->FindWidget("digit_on")->GetVisible());
    EXPECT_TRUE(Digit("t0_2")->FindWidget("digit_on")->GetVisible());
    EXPECT_FALSE(Digit("l13_0")->FindWidget("digit_on")->GetVisible());
    EXPECT_FALSE(Digit("t0_0")->FindWidget("digit_on")->GetVisible());
    grid_.HighlightCross(false, 14, 2);
    EXPECT_FALSE(Closed(14, 0)->Highlight());
    EXPECT_FALSE(Digit("l14_0")->FindWidget("digit_on")->GetVisible());

    // Only a closed cell lights up.
    dynamic_cast<TQuillmarchCell&>(*grid_.Cell(0, 2)).SetState("full");
    grid_.HighlightCross(true, 0, 2);
    EXPECT_FALSE(Closed(0, 2)->Highlight());
    EXPECT_TRUE(Closed(0, 1)->Highlight());
}

TEST_F(GridTest, TheCellUnderAPointComesFromTheGeometry) {
    Build(std::vector<std::string>(10, "0110011100"), 4);
    ASSERT_TRUE(laidOut_);
    struct TCase {
        int32_t x, y;
        int32_t row, col;  // -1: none
    };
    const TCase cases[] = {
        {100, 80, 0, 0},    // the corner, edges count
        {110, 90, 0, 0},    // the far corner of the 10-pixel cell
        {111, 85, -1, -1},  // in the gap
        {112, 85, 0, 1},
        {100 + 5 * 12 + 4, 80, 0, 5},  // after the fivefold gap
        {100 + 5 * 12 + 2, 80, -1, -1},
        {99, 85, -1, -1},
        {100 + 9 * 12 + 4 + 10, 80 + 9 * 12 + 4 + 10, 9, 9},
        {100 + 9 * 12 + 4 + 11, 85, -1, -1},
    };
    for (const TCase& c : cases) {
        const Ref<IWidget> cell = grid_.CellAt(c.x, c.y);
        if (c.row < 0) {
            EXPECT_FALSE(cell) << c.x << "," << c.y;
            continue;
        }
        int32_t row = -1, col = -1;
        ASSERT_TRUE(cell) << c.x << "," << c.y;
        EXPECT_TRUE(grid_.Position(cell.get(), row, col));
        EXPECT_EQ(row, c.row) << c.x << "," << c.y;
        EXPECT_EQ(col, c.col) << c.x << "," << c.y;
    }
    // Window points map into the cells' group, which lies at (5, 7).
    EXPECT_EQ(grid_.WindowToCells(105, 87), (TPoint{100, 80}));
    // A cell showing nothing is hit by nothing.
    dynamic_cast<TQuillmarchCell&>(*grid_.Cell(0, 0)).SetState("invisible");
    EXPECT_FALSE(grid_.CellAt(100, 80));
}

// After every resolved cell, each digit is hidden exactly when its line is
// finished and crossed exactly when a plain recount says its run is closed
// off from an edge.
TEST_F(GridTest, RandomPlayLeavesTheDigitsAsAPlainRecountSays) {
    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round) {
        const int32_t rows = 1 + static_cast<int32_t>(random() % 9);
        const int32_t cols = 1 + static_cast<int32_t>(random() % 9);
        std::vector<std::string> picture(rows);
        for (auto& row : picture) {
            for (int32_t c = 0; c < cols; ++c) row += random() % 2 ? "1" : "0";
        }
        Build(picture);
        ASSERT_TRUE(laidOut_) << error_;
        std::vector<uint8_t> crossedBefore;
        for (int move = 0; move < rows * cols; ++move) {
            const auto r = static_cast<int32_t>(random() % rows);
            const auto c = static_cast<int32_t>(random() % cols);
            rules_.Resolve(r, c);
            grid_.CheckLines(rules_, r, c);
            for (int32_t i = 0; i < rows; ++i) {
                std::vector<int32_t> keys;
                rules_.CrossedRowKeys(i, keys);
                for (const TClue& clue : rules_.RowClues(i)) {
                    const Ref<IWidget> digit = grid_.RowDigit(i, clue.key);
                    ASSERT_TRUE(digit);
                    const bool finished = rules_.RowUnresolved(i) == 0;
                    const bool crossed =
                        std::find(keys.begin(), keys.end(), clue.key) != keys.end();
                    ASSERT_EQ(digit->GetVisible(), !finished) << "row " << i;
                    if (!finished) {
                        ASSERT_EQ(digit->GetProperty("crossed").ToInt() == -1, crossed)
                            << "row " << i << " key " << clue.key;
                    }
                }
            }
            for (int32_t j = 0; j < cols; ++j) {
                std::vector<int32_t> keys;
                rules_.CrossedColKeys(j, keys);
                for (const TClue& clue : rules_.ColClues(j)) {
                    const Ref<IWidget> digit = grid_.ColDigit(j, clue.key);
                    ASSERT_TRUE(digit);
                    const bool finished = rules_.ColUnresolved(j) == 0;
                    const bool crossed =
                        std::find(keys.begin(), keys.end(), clue.key) != keys.end();
                    ASSERT_EQ(digit->GetVisible(), !finished) << "col " << j;
                    if (!finished) {
                        ASSERT_EQ(digit->GetProperty("crossed").ToInt() == -1, crossed)
                            << "col " << j << " key " << clue.key;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace nonogramtest
