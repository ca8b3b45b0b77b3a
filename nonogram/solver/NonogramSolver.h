// Solving a whole nonogram by line logic alone: each row and column in turn
// through the complete line solver, until no line yields anything more. A
// level is fair when this decides every cell: its clues then admit exactly
// its picture, and a player can reach it by reasoning without guessing.
#pragma once

#include <cstdint>
#include <vector>

#include "nonogram/solver/LineSolver.h"

// A picture: rows × cols cells, row-major, nonzero for a filled cell.
struct TNonogramPicture {
    int32_t rows = 0;
    int32_t cols = 0;
    std::vector<uint8_t> filled;

    bool Filled(int32_t row, int32_t col) const { return filled[row * cols + col] != 0; }
};

// The clues of a rows × cols nonogram: one TRuns per row, then per column.
struct TNonogramClues {
    int32_t rows = 0;
    int32_t cols = 0;
    std::vector<TRuns> rowRuns;
    std::vector<TRuns> colRuns;
};

// The clues a picture shows: the runs of each row and each column.
void CluesOfPicture(const TNonogramPicture& picture, TNonogramClues& clues);

enum class TSolveVerdict {
    kLineSolvable,   // every cell decided
    kNeedsGuessing,  // no line yields more, some cells still unknown
    kContradictory,  // some line has no placement: the clues admit no picture
};

const char* VerdictName(TSolveVerdict verdict);

class TNonogramSolver {
public:
    // Solves the clues by lines from an all-unknown grid. The clues must hold
    // rows row clues and cols column clues. Cells() then holds what was
    // deduced (at a contradiction: up to the line that failed).
    TSolveVerdict Solve(const TNonogramClues& clues);

    // Derives the picture's clues and solves them. A line-solvable picture
    // is the only one its clues admit, and the deduced grid equals it.
    TSolveVerdict Check(const TNonogramPicture& picture);

    // The grid of the last solve, row-major.
    const std::vector<TCell>& Cells() const { return cells_; }
    // The cells the last solve left unknown.
    int32_t UnknownCells() const { return unknown_; }

private:
    // Solves line `line` (rows first, then columns) in the grid; answers false
    // at a contradiction and queues the crossing lines of the cells it sets.
    bool SolveLine(const TNonogramClues& clues, int32_t line);
    void Queue(int32_t line);

    TLineSolver lineSolver_;
    TNonogramClues clues_;
    std::vector<TCell> cells_;
    std::vector<TCell> line_;
    // A ring of the lines waiting to be solved; each is in it at most once.
    std::vector<int32_t> queue_;
    std::vector<uint8_t> queued_;
    size_t head_ = 0;
    size_t waiting_ = 0;
    int32_t unknown_ = 0;
};
