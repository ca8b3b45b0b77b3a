// The rules of one nonogram picture, apart from any widget: the matrix of
// cell values, the clues each row and column shows, which clues are crossed
// out, and the counts that make a move, the line-finished test and the win
// test cost the same on a large board as on a small one.
//
// A cell's value only ever goes forward: kCellEmpty → kCellBroken and
// kCellFull → kCellOpened. Whatever tool resolved it, a resolved cell shows
// the truth of the picture, so the clues and the crossings follow from the
// matrix alone.
//
// The clue digits of a line are its runs of full cells, listed from the
// grid outwards (a row's rightmost run first, a column's lowest first), each
// with its key: the column (for a row) or row (for a column) of the empty
// cell just before the run, 0 when the run starts at the line's first cell.
// A line without a full cell has the one clue 0 with key 0.
//
// Failures: Load refuses a picture that is not exactly rows × cols
// hexadecimal digits, or a size outside 1..kMaxLevelSide, with a reason, and
// leaves the rules empty. Cell accessors expect a position on the board.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

enum TCellValue : int32_t {
    kCellEmpty = 0,   // empty, not yet resolved
    kCellFull = 1,    // full, not yet resolved
    kCellOpened = 2,  // a full cell shown as full
    kCellBroken = 3,  // an empty cell shown as empty
};

inline bool IsResolved(int32_t value) {
    return value == kCellOpened || value == kCellBroken;
}

// One clue digit: the run's key (see above) and its length (0 for the clue
// of an empty line).
struct TClue {
    int32_t key = 0;
    int32_t length = 0;
    bool operator==(const TClue&) const = default;
};

// The cells a drag passes over between two successive pointer positions
// on a board cols wide: the indexes strictly between from and to, in the
// order the pointer went, when both lie on one row or one column; none
// otherwise. A fast pointer skips cells between two events, and a drag still
// acts on each of them.
std::vector<int32_t> CellsBetween(int32_t from, int32_t to, int32_t cols);

class TNonogramRules {
public:
    // Reads rows strings of cols hexadecimal digits each ("0" an empty cell,
    // any other digit a full one of that colour). On a refusal answers false
    // with the reason in error and leaves the rules empty.
    bool Load(int32_t rows, int32_t cols, std::span<const std::string> cells, std::string& error);
    // No picture: 0 × 0, nothing left.
    void Clear();

    int32_t Rows() const { return rows_; }
    int32_t Cols() const { return cols_; }
    bool Empty() const { return rows_ == 0; }
    int32_t Value(int32_t row, int32_t col) const { return values_[Index(row, col)]; }
    // The colour code 0..15 the picture gave the cell.
    int32_t Colour(int32_t row, int32_t col) const { return colours_[Index(row, col)]; }

    // Full cells not yet opened, and cells not yet resolved, in all and per
    // line.
    int32_t FullLeft() const { return fullLeft_; }
    int32_t UnresolvedLeft() const { return unresolvedLeft_; }
    int32_t RowUnresolved(int32_t row) const { return rowUnresolved_[row]; }
    int32_t ColUnresolved(int32_t col) const { return colUnresolved_[col]; }

    // Resolves a cell: a full one is opened, an empty one broken. Answers the
    // new value; a resolved cell stays as it is.
    int32_t Resolve(int32_t row, int32_t col);

    // The clues of a line, from the grid outwards (the order their digits are
    // placed in).
    const std::vector<TClue>& RowClues(int32_t row) const { return rowClues_[row]; }
    const std::vector<TClue>& ColClues(int32_t col) const { return colClues_[col]; }

    // The keys of the runs of an unfinished line that are crossed out now: a
    // run is crossed once a broken cell closes it off on a side that is
    // reached from that edge of the line over resolved cells only. Appended
    // to keys; nothing for a finished line (its digits are hidden instead).
    void CrossedRowKeys(int32_t row, std::vector<int32_t>& keys) const;
    void CrossedColKeys(int32_t col, std::vector<int32_t>& keys) const;

private:
    size_t Index(int32_t row, int32_t col) const {
        return static_cast<size_t>(row) * static_cast<size_t>(cols_) + static_cast<size_t>(col);
    }
    // The line of length n whose i-th cell is at first + i * stride.
    void CrossedKeys(size_t first, size_t stride, int32_t n, std::vector<int32_t>& keys) const;
    void Clues(size_t first, size_t stride, int32_t n, std::vector<TClue>& clues) const;

    int32_t rows_ = 0;
    int32_t cols_ = 0;
    std::vector<int32_t> values_;
    std::vector<uint8_t> colours_;
    int32_t fullLeft_ = 0;
    int32_t unresolvedLeft_ = 0;
    std::vector<int32_t> rowUnresolved_, colUnresolved_;
    std::vector<std::vector<TClue>> rowClues_, colClues_;
};
