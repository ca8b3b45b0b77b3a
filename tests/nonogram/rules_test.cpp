#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "nonogram/NonogramRules.h"
#include "tests/nonogram/PlainRecount.h"

namespace nonogramtest {
namespace {

TNonogramRules RowOf(const std::string& row) {
    TNonogramRules rules;
    std::string error;
    const std::vector<std::string> cells{row};
    EXPECT_TRUE(rules.Load(1, static_cast<int32_t>(row.size()), cells, error)) << error;
    return rules;
}

TEST(NonogramRules, LoadAcceptsExactlyRowsTimesColsHexDigits) {
    struct TCase {
        int32_t rows, cols;
        std::vector<std::string> cells;
        bool accepted;
    };
    const TCase cases[] = {
        {2, 3, {"0a1", "F00"}, true},
        {2, 3, {"0a1"}, false},                // too few rows
        {2, 3, {"0a1", "f00", "111"}, false},  // too many rows
        {2, 3, {"0a1", "f0"}, false},          // a short row
        {2, 3, {"0a1", "f000"}, false},        // a long row
        {2, 3, {"0a1", "g00"}, false},         // no hexadecimal digit
        {2, 3, {"0a1", "f 0"}, false},
        {0, 3, {}, false},
        {-1, 3, {}, false},
        {51, 1, std::vector<std::string>(51, "1"), false},  // larger than a level may be
        {50, 1, std::vector<std::string>(50, "1"), true},
        {1, 1'000'000'000, {"1"}, false},  // a huge size allocates nothing
    };
    for (const TCase& c : cases) {
        TNonogramRules rules;
        std::string error;
        EXPECT_EQ(rules.Load(c.rows, c.cols, c.cells, error), c.accepted)
            << c.rows << "x" << c.cols << " " << (c.cells.empty() ? "" : c.cells.back());
        EXPECT_EQ(error.empty(), c.accepted) << error;
        if (!c.accepted) {
            EXPECT_TRUE(rules.Empty());
        }
    }
}

TEST(NonogramRules, ValuesColoursAndCountsFollowThePicture) {
    TNonogramRules rules;
    std::string error;
    const std::vector<std::string> cells{"0a1", "F00"};
    ASSERT_TRUE(rules.Load(2, 3, cells, error));
    EXPECT_EQ(rules.Value(0, 0), kCellEmpty);
    EXPECT_EQ(rules.Value(0, 1), kCellFull);
    EXPECT_EQ(rules.Colour(0, 1), 10);
    EXPECT_EQ(rules.Colour(1, 0), 15);
    EXPECT_EQ(rules.FullLeft(), 3);
    EXPECT_EQ(rules.UnresolvedLeft(), 6);

    EXPECT_EQ(rules.Resolve(0, 1), kCellOpened);
    EXPECT_EQ(rules.Resolve(0, 0), kCellBroken);
    EXPECT_EQ(rules.Resolve(0, 0), kCellBroken);  // a value never goes back
    EXPECT_EQ(rules.FullLeft(), 2);
    EXPECT_EQ(rules.UnresolvedLeft(), 4);
    EXPECT_EQ(rules.RowUnresolved(0), 1);
    EXPECT_EQ(rules.ColUnresolved(0), 1);
    EXPECT_EQ(rules.ColUnresolved(1), 1);
    EXPECT_EQ(rules.ColUnresolved(2), 2);
}

TEST(NonogramRules, CluesRunFromTheGridOutwardsKeyedByTheCellBeforeTheRun) {
    struct TCase {
        std::string row;
        std::vector<TClue> clues;
    };
    const TCase cases[] = {
        {"0110011100", {{4, 3}, {0, 2}}},
        {"1111111111", {{0, 10}}},
        {"0000000000", {{0, 0}}},
        {"1000000001", {{8, 1}, {0, 1}}},
        {"1011", {{1, 2}, {0, 1}}},
        {"0001", {{2, 1}}},
        {"1", {{0, 1}}},
        {"0", {{0, 0}}},
        {"5a0f", {{2, 1}, {0, 2}}},  // any colour is a full cell
    };
    for (const TCase& c : cases) {
        const TNonogramRules rules = RowOf(c.row);
        EXPECT_EQ(rules.RowClues(0), c.clues) << c.row;
    }
    // Columns read downwards: the lowest run first.
    TNonogramRules rules;
    std::string error;
    const std::vector<std::string> cells{"1", "1", "0", "1"};
    ASSERT_TRUE(rules.Load(4, 1, cells, error));
    EXPECT_EQ(rules.ColClues(0), (std::vector<TClue>{{2, 1}, {0, 2}}));
}

// A row written as the player sees it: # opened, x broken, . unresolved (the
// picture holds a full cell under # and an empty one under x; under "." the
// picture is the letter's: "f" full, "." empty).
TNonogramRules Played(const std::string& shown) {
    std::string picture;
    for (char c : shown) picture += (c == '#' || c == 'f') ? '1' : '0';
    TNonogramRules rules = RowOf(picture);
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == '#' || shown[i] == 'x') rules.Resolve(0, static_cast<int32_t>(i));
    }
    return rules;
}

TEST(NonogramRules, ARunIsCrossedOnceABrokenCellClosesItFromAnEdge) {
    struct TCase {
        std::string shown;
        std::vector<int32_t> crossed;
    };
    const TCase cases[] = {
        {"##x.......", {0}},   {".....x###x", {5}},
        {"##.x......", {}},     // the run is not closed off
        {"x##x.f....", {0}},    // key 0: the broken cell before the run is column 0
        {"..f.x##", {4}},       // a run at the far edge, closed on its near side
        {"##x##x.f", {0, 2}},   // two runs from the start
        {"f.x##x##", {5, 2}},   // two runs from the far end, the nearest first
        {"##x.f.x##", {6, 0}},  // both ends
        {"x.#x", {}},           // the run's near side is unresolved
        {"..........", {}},
    };
    for (const TCase& c : cases) {
        const TNonogramRules rules = Played(c.shown);
        std::vector<int32_t> keys;
        rules.CrossedRowKeys(0, keys);
        EXPECT_EQ(keys, c.crossed) << c.shown;
    }
    // A finished line answers nothing: its digits are hidden, not crossed.
    const TNonogramRules done = Played("##x##");
    std::vector<int32_t> keys;
    done.CrossedRowKeys(0, keys);
    EXPECT_TRUE(keys.empty());
}

TEST(NonogramRules, RandomPlayAgreesWithAPlainRecountAfterEveryMove) {
    std::mt19937 random(20261211);
    for (int round = 0; round < 60; ++round) {
        const int32_t rows = 1 + static_cast<int32_t>(random() % 12);
        const int32_t cols = 1 + static_cast<int32_t>(random() % 12);
        const unsigned density = random() % 100;
        std::vector<std::string> cells(rows);
        for (auto& row : cells) {
            for (int32_t c = 0; c < cols; ++c) row += random() % 100 < density ? "3" : "0";
        }
        TNonogramRules rules;
        std::string error;
        ASSERT_TRUE(rules.Load(rows, cols, cells, error)) << error;
        for (int move = 0; move < rows * cols; ++move) {
            rules.Resolve(static_cast<int32_t>(random() % rows),
                          static_cast<int32_t>(random() % cols));
            const TRecount plain = Recount(rules);
            ASSERT_EQ(rules.FullLeft(), plain.fullLeft);
            ASSERT_EQ(rules.UnresolvedLeft(), plain.unresolved);
            for (int32_t r = 0; r < rows; ++r) {
                ASSERT_EQ(rules.RowUnresolved(r), plain.rowUnresolved[r]);
                std::vector<int32_t> line, keys;
                for (int32_t c = 0; c < cols; ++c) line.push_back(rules.Value(r, c));
                rules.CrossedRowKeys(r, keys);
                ASSERT_EQ(Sorted(keys), PlainCrossed(line)) << "row " << r;
            }
            for (int32_t c = 0; c < cols; ++c) {
                ASSERT_EQ(rules.ColUnresolved(c), plain.colUnresolved[c]);
                std::vector<int32_t> line, keys;
                for (int32_t r = 0; r < rows; ++r) line.push_back(rules.Value(r, c));
                rules.CrossedColKeys(c, keys);
                ASSERT_EQ(Sorted(keys), PlainCrossed(line)) << "col " << c;
            }
        }
    }
}

}  // namespace
}  // namespace nonogramtest
