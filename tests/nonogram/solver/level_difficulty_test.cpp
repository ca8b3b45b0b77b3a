#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "nonogram/solver/LevelDifficulty.h"

namespace {

// A picture from its rows, '#' filled, '.' empty.
TNonogramPicture Picture(const std::vector<std::string>& rows) {
    TNonogramPicture picture;
    picture.rows = static_cast<int32_t>(rows.size());
    picture.cols = rows.empty() ? 0 : static_cast<int32_t>(rows[0].size());
    for (const std::string& row : rows) {
        for (char c : row) picture.filled.push_back(c == '#' ? 1 : 0);
    }
    return picture;
}

struct TDifficultyCase {
    const char* name;
    std::vector<std::string> rows;
    int32_t depth;
    int32_t decidedOnBlank;  // cells the first round decides
    int32_t unknown;
};

// Each count worked out by hand, round by round.
const TDifficultyCase kCases[] = {
    // Every line is full or empty: its own clue decides it.
    {"full and empty lines", {"###", "...", "###"}, 1, 9, 0},
    // Round 1: row 1's "2" fixes its middle, column 1's "2" its middle, the
    // empty row and column; round 2 reads those and settles the corner and
    // the centre. Solving the columns on the rows' fresh results would take
    // one round: each round sees only the board as it began.
    {"two rounds", {"##.", "#..", "..."}, 2, 7, 0},
    // Two cells on a diagonal: the other diagonal has the same clues, and no
    // line decides anything.
    {"two pictures fit", {"#.", ".#"}, 0, 0, 4},
    // A staircase: the long lines' overlaps fill every step, then each
    // row, its run found, empties the rest.
    {"staircase", {"#....", "##...", "###..", "####.", "#####"}, 2, 15, 0},
};

TEST(LevelDifficulty, CountsTheRoundsOfLineLogicAndWhatABlankBoardDecides) {
    for (const TDifficultyCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const TNonogramPicture picture = Picture(c.rows);
        const TLevelDifficulty difficulty = MeasureDifficulty(picture);
        EXPECT_EQ(difficulty.depth, c.depth);
        EXPECT_DOUBLE_EQ(difficulty.blankShare,
                         static_cast<double>(c.decidedOnBlank) / picture.filled.size());
        EXPECT_EQ(difficulty.unknown, c.unknown);
        EXPECT_FALSE(difficulty.contradictory);
    }
}

TEST(LevelDifficulty, ReportsCluesThatAdmitNoPicture) {
    // Row 1 fills both its cells; column 2 has none.
    TNonogramClues clues;
    clues.rows = clues.cols = 2;
    clues.rowRuns = {{2}, {}};
    clues.colRuns = {{1}, {}};
    EXPECT_TRUE(MeasureDifficulty(clues).contradictory);

    // A run longer than its line has no placement at all.
    clues.rowRuns = {{3}, {}};
    clues.colRuns = {{1}, {1}};
    EXPECT_TRUE(MeasureDifficulty(clues).contradictory);
}

}  // namespace
