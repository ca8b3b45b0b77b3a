#include "nonogram/solver/NonogramSolver.h"

#include <algorithm>
#include <span>

#include "core/base/Assert.h"

void CluesOfPicture(const TNonogramPicture& picture, TNonogramClues& clues) {
    QM_ASSERT(picture.rows >= 0 && picture.cols >= 0 &&
                  picture.filled.size() == static_cast<size_t>(picture.rows) * picture.cols,
              "A picture holds rows times cols cells.");
    clues.rows = picture.rows;
    clues.cols = picture.cols;
    clues.rowRuns.resize(picture.rows);
    clues.colRuns.resize(picture.cols);
    const std::span<const uint8_t> cells(picture.filled);
    for (int32_t r = 0; r < picture.rows; ++r) {
        LineRuns(cells.subspan(r * picture.cols, picture.cols), 1, clues.rowRuns[r]);
    }
    for (int32_t c = 0; c < picture.cols; ++c) {
        // A column runs from its top cell to the end, every cols-th cell.
        LineRuns(cells.subspan(std::min<size_t>(c, cells.size())), picture.cols, clues.colRuns[c]);
    }
}

const char* VerdictName(TSolveVerdict verdict) {
    switch (verdict) {
        case TSolveVerdict::kLineSolvable:
            return "line-solvable";
        case TSolveVerdict::kNeedsGuessing:
            return "needs guesses";
        case TSolveVerdict::kContradictory:
            return "contradictory";
    }
    return "?";
}

void TNonogramSolver::Queue(int32_t line) {
    if (queued_[line]) return;
    queued_[line] = 1;
    queue_[(head_ + waiting_) % queue_.size()] = line;
    ++waiting_;
}

bool TNonogramSolver::SolveLine(const TNonogramClues& clues, int32_t line) {
    const bool isRow = line < clues.rows;
    const int32_t index = isRow ? line : line - clues.rows;
    // A row's cells lie side by side, a column's every cols-th cell.
    const int32_t length = isRow ? clues.cols : clues.rows;
    const int32_t first = isRow ? index * clues.cols : index;
    const int32_t step = isRow ? 1 : clues.cols;
    line_.resize(length);
    for (int32_t i = 0; i < length; ++i) line_[i] = cells_[first + i * step];

    const TRuns& runs = isRow ? clues.rowRuns[index] : clues.colRuns[index];
    const int32_t changed = lineSolver_.Solve(runs, line_);
    if (changed == TLineSolver::kContradiction) return false;
    if (changed == 0) return true;
    for (int32_t i = 0; i < length; ++i) {
        TCell& cell = cells_[first + i * step];
        if (cell == line_[i]) continue;
        cell = line_[i];
        --unknown_;
        // Only the crossing line of a new cell can learn from it.
        Queue(isRow ? clues.rows + i : i);
    }
    return true;
}

TSolveVerdict TNonogramSolver::Solve(const TNonogramClues& clues) {
    QM_ASSERT(clues.rows >= 0 && clues.cols >= 0 &&
                  clues.rowRuns.size() == static_cast<size_t>(clues.rows) &&
                  clues.colRuns.size() == static_cast<size_t>(clues.cols),
              "Clues hold one run list per row and per column.");
    const int32_t lines = clues.rows + clues.cols;
    cells_.assign(static_cast<size_t>(clues.rows) * clues.cols, TCell::kUnknown);
    unknown_ = static_cast<int32_t>(cells_.size());
    queue_.resize(std::max(lines, 1));
    queued_.assign(lines, 0);
    head_ = waiting_ = 0;
    for (int32_t line = 0; line < lines; ++line) Queue(line);

    while (waiting_ > 0) {
        const int32_t line = queue_[head_];
        head_ = (head_ + 1) % queue_.size();
        --waiting_;
        queued_[line] = 0;
        if (!SolveLine(clues, line)) return TSolveVerdict::kContradictory;
    }
    return unknown_ == 0 ? TSolveVerdict::kLineSolvable : TSolveVerdict::kNeedsGuessing;
}

TSolveVerdict TNonogramSolver::Check(const TNonogramPicture& picture) {
    CluesOfPicture(picture, clues_);
    const TSolveVerdict verdict = Solve(clues_);
    QM_ASSERT(verdict != TSolveVerdict::kContradictory,
              "The clues of a picture admit at least that picture.");
    QM_ASSERT(verdict != TSolveVerdict::kLineSolvable ||
                  std::equal(cells_.begin(), cells_.end(), picture.filled.begin(),
                             [](TCell cell, uint8_t filled) {
                                 return (cell == TCell::kFilled) == (filled != 0);
                             }),
              "A grid solved by lines is the picture its clues came from.");
    return verdict;
}
