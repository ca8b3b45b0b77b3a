// How hard a nonogram is for a person reasoning line by line.
//
// The measure is the number of rounds of line logic the clues need: in each
// round every row and column is solved on its own against the board as it
// stood when the round began, and what they decide is set together at its
// end. A picture whose every cell its own row or column decides takes one
// round; a picture whose deductions must pass back and forth between rows and
// columns many times takes many. The share of cells the first round decides
// tells how much a player can open on a blank board.
#pragma once

#include <cstdint>

#include "nonogram/solver/LineSolver.h"
#include "nonogram/solver/NonogramSolver.h"

struct TLevelDifficulty {
    // Rounds that decided at least one cell.
    int32_t depth = 0;
    // Cells decided by the first round over all cells, in [0, 1].
    double blankShare = 0.0;
    // Cells no round decides: the clues need guessing or admit other pictures.
    int32_t unknown = 0;
    // Some line has no placement, or a row and a column decide one cell
    // differently: the clues admit no picture.
    bool contradictory = false;
};

TLevelDifficulty MeasureDifficulty(const TNonogramClues& clues);
TLevelDifficulty MeasureDifficulty(const TNonogramPicture& picture);
