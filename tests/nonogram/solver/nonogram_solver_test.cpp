#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "nonogram/solver/NonogramSolver.h"
#include "nonogram/solver/OtherPicture.h"

namespace {

// A picture from its rows, '1' filled, '0' empty.
TNonogramPicture Picture(const std::vector<std::string>& rows) {
    TNonogramPicture picture;
    picture.rows = static_cast<int32_t>(rows.size());
    picture.cols = rows.empty() ? 0 : static_cast<int32_t>(rows[0].size());
    for (const std::string& row : rows) {
        for (char c : row) picture.filled.push_back(c != '0' ? 1 : 0);
    }
    return picture;
}

TNonogramClues Clues(const TNonogramPicture& picture) {
    TNonogramClues clues;
    CluesOfPicture(picture, clues);
    return clues;
}

std::vector<TCell> CellsOf(const TNonogramPicture& picture) {
    std::vector<TCell> cells;
    for (uint8_t f : picture.filled) cells.push_back(f ? TCell::kFilled : TCell::kEmpty);
    return cells;
}

bool MatchesRuns(const std::vector<TCell>& line, const TRuns& runs) {
    std::vector<uint8_t> filled;
    for (TCell cell : line) filled.push_back(cell == TCell::kFilled ? 1 : 0);
    TRuns actual;
    LineRuns(filled, 1, actual);
    return actual == runs;
}

// Every full line of n cells that shows the runs.
std::vector<std::vector<TCell>> LinesShowing(int32_t n, const TRuns& runs) {
    std::vector<std::vector<TCell>> lines;
    for (uint32_t bits = 0; bits < (1u << n); ++bits) {
        std::vector<TCell> line(n);
        for (int32_t i = 0; i < n; ++i) line[i] = (bits >> i) & 1 ? TCell::kFilled : TCell::kEmpty;
        if (MatchesRuns(line, runs)) lines.push_back(line);
    }
    return lines;
}

// The number of pictures the clues admit, by trying every combination of
// rows (small grids only).
int CountSolutions(const TNonogramClues& clues) {
    std::vector<std::vector<std::vector<TCell>>> choices;
    for (const TRuns& runs : clues.rowRuns) choices.push_back(LinesShowing(clues.cols, runs));
    std::vector<size_t> pick(clues.rows, 0);
    int solutions = 0;
    for (;;) {
        bool all = true;
        for (int32_t c = 0; c < clues.cols && all; ++c) {
            std::vector<TCell> column;
            for (int32_t r = 0; r < clues.rows; ++r) column.push_back(choices[r][pick[r]][c]);
            all = MatchesRuns(column, clues.colRuns[c]);
        }
        solutions += all;
        int32_t r = 0;
        while (r < clues.rows && ++pick[r] == choices[r].size()) pick[r++] = 0;
        if (r == clues.rows) return solutions;
    }
}

// The fixpoint the solver must reach, by plain means: every line in turn
// narrowed by enumerating its placements, sweep after sweep, until a sweep
// changes nothing. Line deductions only ever add cells, so the order of the
// lines does not change where this ends.
TSolveVerdict ReferenceSolve(const TNonogramClues& clues, std::vector<TCell>& cells) {
    cells.assign(static_cast<size_t>(clues.rows) * clues.cols, TCell::kUnknown);
    for (bool changed = true; changed;) {
        changed = false;
        for (int32_t line = 0; line < clues.rows + clues.cols; ++line) {
            const bool isRow = line < clues.rows;
            const int32_t index = isRow ? line : line - clues.rows;
            const int32_t length = isRow ? clues.cols : clues.rows;
            auto at = [&](int32_t i) -> TCell& {
                return isRow ? cells[index * clues.cols + i] : cells[i * clues.cols + index];
            };
            std::vector<std::vector<TCell>> fitting;
            for (const auto& full :
                 LinesShowing(length, isRow ? clues.rowRuns[index] : clues.colRuns[index])) {
                bool agrees = true;
                for (int32_t i = 0; i < length; ++i) {
                    agrees = agrees && (at(i) == TCell::kUnknown || at(i) == full[i]);
                }
                if (agrees) fitting.push_back(full);
            }
            if (fitting.empty()) return TSolveVerdict::kContradictory;
            for (int32_t i = 0; i < length; ++i) {
                bool same = true;
                for (const auto& full : fitting) same = same && full[i] == fitting[0][i];
                if (same && at(i) == TCell::kUnknown) {
                    at(i) = fitting[0][i];
                    changed = true;
                }
            }
        }
    }
    for (TCell cell : cells) {
        if (cell == TCell::kUnknown) return TSolveVerdict::kNeedsGuessing;
    }
    return TSolveVerdict::kLineSolvable;
}

TEST(NonogramSolver, Fixtures) {
    struct TCase {
        const char* what;
        std::vector<std::string> rows;
        TSolveVerdict verdict;
        int32_t unknown;
        int solutions;
    };
    // clang-format off
    const TCase cases[] = {
        {"a 2x2 diagonal (its mirror has the same clues)",
         {"10", "01"}, TSolveVerdict::kNeedsGuessing, 4, 2},
        {"a 5x5 picture solvable by lines",
         {"00100", "01110", "11111", "00100", "01110"}, TSolveVerdict::kLineSolvable, 0, 1},
        {"a unique 5x5 picture that needs a guess",
         {"00010", "01110", "00001", "00111", "01000"}, TSolveVerdict::kNeedsGuessing, 8, 1},
        {"rows whose clue is 0",
         {"11111", "00000", "10101", "00000", "11111"}, TSolveVerdict::kLineSolvable, 0, 1},
        {"an empty picture", {"0000", "0000", "0000"}, TSolveVerdict::kLineSolvable, 0, 1},
        {"one filled cell", {"1"}, TSolveVerdict::kLineSolvable, 0, 1},
        {"one row", {"1101"}, TSolveVerdict::kLineSolvable, 0, 1},
    };
    // clang-format on
    TNonogramSolver solver;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const TNonogramPicture picture = Picture(c.rows);
        EXPECT_EQ(CountSolutions(Clues(picture)), c.solutions);
        EXPECT_EQ(solver.Check(picture), c.verdict);
        EXPECT_EQ(solver.UnknownCells(), c.unknown);
        if (c.verdict == TSolveVerdict::kLineSolvable) {
            EXPECT_EQ(solver.Cells(), CellsOf(picture));
        }
    }
}

TEST(NonogramSolver, ContradictoryClues) {
    struct TCase {
        const char* what;
        int32_t rows, cols;
        std::vector<TRuns> rowRuns, colRuns;
    };
    const TCase cases[] = {
        {"more filled cells in the rows than in the columns", 2, 2, {{1}, {}}, {{}, {}}},
        {"a run longer than its line", 1, 2, {{3}}, {{1}, {1}}},
        {"runs that need more room than the line has", 1, 3, {{1, 2}}, {{1}, {}, {1}}},
        // The row needs cell 2, whose column has no filled cell.
        {"equal totals that do not fit", 1, 3, {{1, 1}}, {{1}, {1}, {}}},
        // The row fills every cell, the middle column none.
        {"a full row across an empty column", 2, 3, {{3}, {1, 1}}, {{2}, {}, {2}}},
    };
    TNonogramSolver solver;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const TNonogramClues clues{c.rows, c.cols, c.rowRuns, c.colRuns};
        EXPECT_EQ(solver.Solve(clues), TSolveVerdict::kContradictory);
        std::vector<TCell> reference;
        EXPECT_EQ(ReferenceSolve(clues, reference), TSolveVerdict::kContradictory);
    }
}

// Random small pictures, and random clues (rows of one picture with the
// columns of another, often contradictory): the solver ends where the plain
// sweep ends, cell for cell; a picture that it solves is the picture itself.
TEST(NonogramSolver, ReachesTheFixpointOfLineLogic) {
    std::mt19937 random(7041);
    TNonogramSolver solver;
    int verdicts[3] = {0, 0, 0};
    for (int round = 0; round < 600; ++round) {
        const int32_t rows = 1 + random() % 7, cols = 1 + random() % 7;
        auto randomPicture = [&] {
            TNonogramPicture picture{rows, cols, {}};
            const unsigned percent = 20 + random() % 60;
            for (int32_t i = 0; i < rows * cols; ++i) {
                picture.filled.push_back(random() % 100 < percent ? 1 : 0);
            }
            return picture;
        };
        const TNonogramPicture picture = randomPicture();
        TNonogramClues clues = Clues(picture);
        const bool mixed = round % 4 == 0;
        if (mixed) clues.colRuns = Clues(randomPicture()).colRuns;

        std::vector<TCell> reference;
        const TSolveVerdict expected = ReferenceSolve(clues, reference);
        const TSolveVerdict verdict = mixed ? solver.Solve(clues) : solver.Check(picture);
        ASSERT_EQ(verdict, expected) << "round " << round;
        ++verdicts[static_cast<int>(verdict)];
        if (verdict == TSolveVerdict::kContradictory) continue;
        ASSERT_EQ(solver.Cells(), reference) << "round " << round;
        int32_t unknown = 0;
        for (size_t i = 0; i < reference.size(); ++i) {
            unknown += reference[i] == TCell::kUnknown;
            // What is deduced from a picture's clues is that picture.
            if (!mixed && reference[i] != TCell::kUnknown) {
                ASSERT_EQ(reference[i] == TCell::kFilled, picture.filled[i] != 0);
            }
        }
        EXPECT_EQ(solver.UnknownCells(), unknown);
    }
    // Every outcome came up.
    EXPECT_GT(verdicts[static_cast<int>(TSolveVerdict::kLineSolvable)], 50);
    EXPECT_GT(verdicts[static_cast<int>(TSolveVerdict::kNeedsGuessing)], 50);
    EXPECT_GT(verdicts[static_cast<int>(TSolveVerdict::kContradictory)], 20);
}

// The search for another picture of the same clues against the count of
// every combination of rows: found exactly when there are two or more.
TEST(OtherPicture, FoundExactlyWhenTheCluesAdmitMoreThanOnePicture) {
    std::mt19937 random(48);
    int found = 0, unique = 0, uniqueBeyondLines = 0;
    TNonogramSolver solver;
    for (int round = 0; round < 400; ++round) {
        const int32_t rows = 3 + round % 3, cols = 3 + (round / 3) % 3;
        TNonogramPicture picture;
        picture.rows = rows;
        picture.cols = cols;
        for (int32_t i = 0; i < rows * cols; ++i) picture.filled.push_back(random() % 5 < 3);
        const int solutions = CountSolutions(Clues(picture));
        const TOtherPicture other = FindOtherPicture(picture);
        ASSERT_EQ(other, solutions > 1 ? TOtherPicture::kFound : TOtherPicture::kNone)
            << "round " << round;
        if (solutions > 1) {
            ++found;
        } else {
            ++unique;
            uniqueBeyondLines += solver.Check(picture) == TSolveVerdict::kNeedsGuessing;
        }
    }
    // Both answers came up, and unique pictures line logic cannot finish.
    EXPECT_GT(found, 40);
    EXPECT_GT(unique, 40);
    EXPECT_GT(uniqueBeyondLines, 0);
}

TEST(OtherPicture, FixturesAndTheBoundOfGuesses) {
    // The mirror of a diagonal; a unique picture that needs a guess; one
    // line logic finishes.
    EXPECT_EQ(FindOtherPicture(Picture({"10", "01"})), TOtherPicture::kFound);
    const TNonogramPicture guess = Picture({"00010", "01110", "00001", "00111", "01000"});
    EXPECT_EQ(FindOtherPicture(guess), TOtherPicture::kNone);
    EXPECT_EQ(FindOtherPicture(Picture({"00100", "01110", "11111"})), TOtherPicture::kNone);
    // Without enough guesses the answer is left open rather than guessed.
    EXPECT_EQ(FindOtherPicture(guess, 1), TOtherPicture::kUndecided);
    // A picture line logic finishes needs no guess at all.
    EXPECT_EQ(FindOtherPicture(Picture({"00100", "01110", "11111"}), 0), TOtherPicture::kNone);
}

}  // namespace
