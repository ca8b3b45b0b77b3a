#include "nonogram/NonogramRules.h"

#include "nonogram/solver/LevelPicture.h"  // kMaxLevelSide

namespace {

int32_t HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool TNonogramRules::Load(int32_t rows, int32_t cols, std::span<const std::string> cells,
                          std::string& error) {
    Clear();
    if (rows < 1 || cols < 1 || rows > kMaxLevelSide || cols > kMaxLevelSide) {
        error = "its size " + std::to_string(rows) + " x " + std::to_string(cols) +
                " is not within 1 to " + std::to_string(kMaxLevelSide);
        return false;
    }
    if (cells.size() != static_cast<size_t>(rows)) {
        error = "it has " + std::to_string(cells.size()) + " rows for " + std::to_string(rows);
        return false;
    }
    std::vector<uint8_t> colours(static_cast<size_t>(rows) * cols);
    for (int32_t r = 0; r < rows; ++r) {
        const std::string& row = cells[r];
        if (row.size() != static_cast<size_t>(cols)) {
            error = "row " + std::to_string(r) + " has " + std::to_string(row.size()) +
                    " cells for " + std::to_string(cols);
            return false;
        }
        for (int32_t c = 0; c < cols; ++c) {
            const int32_t colour = HexValue(row[c]);
            if (colour < 0) {
                error = "row " + std::to_string(r) +
                        " has a character that is no hexadecimal "
                        "digit at cell " +
                        std::to_string(c);
                return false;
            }
            colours[static_cast<size_t>(r) * cols + c] = static_cast<uint8_t>(colour);
        }
    }

    rows_ = rows;
    cols_ = cols;
    colours_ = std::move(colours);
    values_.resize(colours_.size());
    for (size_t i = 0; i < colours_.size(); ++i) {
        values_[i] = colours_[i] != 0 ? kCellFull : kCellEmpty;
        if (values_[i] == kCellFull) ++fullLeft_;
    }
    unresolvedLeft_ = rows * cols;
    rowUnresolved_.assign(rows, cols);
    colUnresolved_.assign(cols, rows);
    rowClues_.resize(rows);
    colClues_.resize(cols);
    for (int32_t r = 0; r < rows; ++r) Clues(Index(r, 0), 1, cols, rowClues_[r]);
    for (int32_t c = 0; c < cols; ++c) Clues(Index(0, c), cols, rows, colClues_[c]);
    return true;
}

void TNonogramRules::Clear() {
    rows_ = cols_ = 0;
    values_.clear();
    colours_.clear();
    fullLeft_ = unresolvedLeft_ = 0;
    rowUnresolved_.clear();
    colUnresolved_.clear();
    rowClues_.clear();
    colClues_.clear();
}

int32_t TNonogramRules::Resolve(int32_t row, int32_t col) {
    int32_t& value = values_[Index(row, col)];
    if (IsResolved(value)) return value;
    if (value == kCellFull) --fullLeft_;
    value = value == kCellFull ? kCellOpened : kCellBroken;
    --unresolvedLeft_;
    --rowUnresolved_[row];
    --colUnresolved_[col];
    return value;
}

// Walks the line from its far end towards its start, as the digits are
// placed: a digit is due at the empty cell before a run, or at the line's
// first cell when a run reaches it or the line has none.
void TNonogramRules::Clues(size_t first, size_t stride, int32_t n,
                           std::vector<TClue>& clues) const {
    clues.clear();
    int32_t count = 0;
    bool inRun = false;
    bool anyRun = false;
    for (int32_t i = n - 1; i >= 0; --i) {
        const bool full = values_[first + i * stride] == kCellFull;
        if (full) {
            ++count;
            inRun = anyRun = true;
        }
        if ((!full && inRun) || (i == 0 && inRun) || (i == 0 && !anyRun)) {
            clues.push_back({i, count});
            count = 0;
            inRun = false;
        }
    }
}

void TNonogramRules::CrossedKeys(size_t first, size_t stride, int32_t n,
                                 std::vector<int32_t>& keys) const {
    const auto value = [&](int32_t i) { return values_[first + i * stride]; };
    // From the far end: a broken cell after an opened run closes that run,
    // whose key is the broken cell's own position.
    const size_t before = keys.size();
    bool inRun = false;
    int32_t i = n - 1;
    for (; i >= 0 && IsResolved(value(i)); --i) {
        if (value(i) == kCellOpened) {
            inRun = true;
        } else if (inRun) {
            keys.push_back(i);
            inRun = false;
        }
    }
    if (i < 0) {
        keys.resize(before);  // finished: its digits are hidden, not crossed
        return;
    }
    // From the start: the run's key is the broken cell before it (0 at the
    // start of the line).
    inRun = false;
    int32_t key = 0;
    for (int32_t j = 0; j < n && IsResolved(value(j)); ++j) {
        if (value(j) == kCellOpened) {
            inRun = true;
            continue;
        }
        if (inRun) keys.push_back(key);
        inRun = false;
        key = j;
    }
}

void TNonogramRules::CrossedRowKeys(int32_t row, std::vector<int32_t>& keys) const {
    CrossedKeys(Index(row, 0), 1, cols_, keys);
}

void TNonogramRules::CrossedColKeys(int32_t col, std::vector<int32_t>& keys) const {
    CrossedKeys(Index(0, col), static_cast<size_t>(cols_), rows_, keys);
}

std::vector<int32_t> CellsBetween(int32_t from, int32_t to, int32_t cols) {
    std::vector<int32_t> cells;
    if (cols <= 0 || from < 0 || to < 0 || from == to) return cells;
    int32_t step = 0;
    if (from / cols == to / cols) {
        step = to > from ? 1 : -1;
    } else if (from % cols == to % cols) {
        step = to > from ? cols : -cols;
    } else {
        return cells;
    }
    for (int32_t at = from + step; at != to; at += step) cells.push_back(at);
    return cells;
}
