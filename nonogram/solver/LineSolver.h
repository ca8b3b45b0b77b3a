// The complete line solver of a nonogram line: over every placement of the
// line's runs that agrees with the cells known so far, the cells that are
// filled in all of them and those that are empty in all of them.
//
// It is a dynamic programme over (runs placed, cells used) from both ends, so
// a line of n cells and k runs costs O(n·k); unlike the overlap of the
// left-most and right-most placements it misses no deduction. The solver keeps
// its tables between calls: once they have grown to the longest line, solving
// allocates nothing.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

enum class TCell : uint8_t { kUnknown, kFilled, kEmpty };

// A line's clue: the lengths of its runs of filled cells, in order, each at
// least 1. A line without a filled cell has no run (its clue is shown as "0").
using TRuns = std::vector<int32_t>;

// The runs of a line whose filled cells are the nonzero entries of filled,
// read every stride-th entry from the first (so a column of a row-major
// picture reads with stride = the number of columns). runs is replaced.
void LineRuns(std::span<const uint8_t> filled, int32_t stride, TRuns& runs);

class TLineSolver {
public:
    // Answered by Solve when no placement of the runs agrees with the line.
    static constexpr int32_t kContradiction = -1;

    // Sets every unknown cell of line that the runs and the known cells decide
    // and answers how many it set; known cells are left as they are. When no
    // placement fits, answers kContradiction and leaves line unchanged.
    int32_t Solve(std::span<const int32_t> runs, std::span<TCell> line);

private:
    void Grow(size_t cells, size_t runs);

    // filledBefore_[i], emptyBefore_[i]: known filled/empty cells among the first i.
    std::vector<int32_t> filledBefore_, emptyBefore_;
    // prefix_[j][i]: the first j runs fit in the first i cells.
    // suffix_[j][i]: runs j and later fit in the cells from i on.
    std::vector<uint8_t> prefix_, suffix_;
    // Starts (+1) and ends (-1) of the places where some run may lie.
    std::vector<int32_t> coverage_;
};
