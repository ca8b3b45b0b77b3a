#include "nonogram/solver/LevelDifficulty.h"

#include <vector>

#include "core/base/Assert.h"

TLevelDifficulty MeasureDifficulty(const TNonogramClues& clues) {
    QM_ASSERT(clues.rows >= 0 && clues.cols >= 0 &&
                  clues.rowRuns.size() == static_cast<size_t>(clues.rows) &&
                  clues.colRuns.size() == static_cast<size_t>(clues.cols),
              "Clues hold one run list per row and per column.");
    TLevelDifficulty result;
    const size_t cellCount = static_cast<size_t>(clues.rows) * clues.cols;
    std::vector<TCell> board(cellCount, TCell::kUnknown);
    std::vector<TCell> next;
    std::vector<TCell> line;
    TLineSolver solver;
    int32_t unknown = static_cast<int32_t>(cellCount);

    // Solves one line against `board` and writes what it decides into `next`;
    // false when the line has no placement or disagrees with a crossing line.
    const auto solveLine = [&](const TRuns& runs, size_t first, size_t step, size_t length) {
        line.resize(length);
        for (size_t i = 0; i < length; ++i) line[i] = board[first + i * step];
        const int32_t decided = solver.Solve(runs, line);
        if (decided == TLineSolver::kContradiction) return false;
        if (decided == 0) return true;
        for (size_t i = 0; i < length; ++i) {
            TCell& cell = next[first + i * step];
            if (line[i] == TCell::kUnknown || line[i] == cell) continue;
            if (cell != TCell::kUnknown) return false;
            cell = line[i];
        }
        return true;
    };

    while (unknown > 0) {
        next = board;
        bool sound = true;
        for (int32_t r = 0; sound && r < clues.rows; ++r) {
            sound = solveLine(clues.rowRuns[r], static_cast<size_t>(r) * clues.cols, 1, clues.cols);
        }
        for (int32_t c = 0; sound && c < clues.cols; ++c) {
            sound = solveLine(clues.colRuns[c], c, clues.cols, clues.rows);
        }
        if (!sound) {
            result.contradictory = true;
            break;
        }
        int32_t decided = 0;
        for (size_t i = 0; i < cellCount; ++i) decided += board[i] != next[i];
        if (decided == 0) break;
        if (result.depth == 0) result.blankShare = static_cast<double>(decided) / cellCount;
        ++result.depth;
        unknown -= decided;
        board.swap(next);
    }
    result.unknown = unknown;
    return result;
}

TLevelDifficulty MeasureDifficulty(const TNonogramPicture& picture) {
    TNonogramClues clues;
    CluesOfPicture(picture, clues);
    return MeasureDifficulty(clues);
}
