// The widgets of a nonogram board's grid: one cell widget per picture cell
// in the group "cells" and one clue digit per run in the group "digits",
// made by the board's widget factories and placed by a grid definition.
//
// Factories (S is the size, "10_15"): "cell" + S + "_" + colour code, with
// the parameter "name" = "r_c", which must name its widget "cell" + r + "_" +
// c; "digit" + S with "name" = "l" + key or "t" + key ("l3_0": the left clue
// of row 3 whose key is column 0) and "text" = the run's length, naming its
// widget "digit" + name and holding a child "digit_on" (the highlight).
//
// The grid keeps a table of its cells and, per line, of its digits, so a
// move, the highlight of a cross and the crossing of a line's runs touch
// only that line's widgets, and the cell under a point is found from the
// grid's geometry: the cell whose column and row span the point, confirmed by
// its own hit test, never by testing every cell.
//
// Ownership: the groups own the widgets; the tables hold Weak references, so
// a widget another part removed is skipped.
//
// Failures: Layout refuses (with a reason, clearing both groups) when a cell
// factory makes nothing, so no cell is ever missing from the table; a digit
// that is not made is only missing.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "nonogram/GridDefs.h"
#include "nonogram/NonogramRules.h"
#include "nonogram/QuillmarchCell.h"
#include "widgets/GameInterfaces.h"

// How the cell factories are named: one per colour ("cell" + S + "_" +
// code, the game's board) or one per size ("cell" + S, the tutorial's board,
// whose cells show no colour).
enum class TCellFactories : uint8_t { kPerColour, kPerSize };

class TNonogramGrid {
public:
    // Kills and removes every child of a group.
    static void ClearGroup(const Ref<IWidget>& group);

    // Places the picture's cells and clue digits in the groups (both
    // emptied first), with the widgets made by factories.
    bool Layout(const Ref<IWidget>& cells, const Ref<IWidget>& digits, IWidgetOwner& factories,
                const TNonogramRules& rules, const TGridGeometry& geometry, std::string& error,
                TCellFactories cellFactories = TCellFactories::kPerColour);
    // Forgets the tables (the widgets stay where they are).
    void Clear();

    int32_t Rows() const { return rows_; }
    int32_t Cols() const { return cols_; }
    // The cell widget at a position; null when it went away.
    Ref<IWidget> Cell(int32_t row, int32_t col) const;
    // The position of one of the grid's cell widgets; false for any other.
    bool Position(const IWidget* cell, int32_t& row, int32_t& col) const;
    // The cell whose bounds hold the point, in the coordinates of the
    // "cells" group's content; the first in row-major order when cells
    // overlap; null for none.
    Ref<IWidget> CellAt(int32_t x, int32_t y) const;
    // The point of the window in the coordinates of the "cells" group's
    // content.
    TPoint WindowToCells(int32_t x, int32_t y) const;

    // "highlight" ("yes"/"no") on every cell of the cell's row and column,
    // and the "digit_on" children of their digits shown or hidden.
    void HighlightCross(bool on, int32_t row, int32_t col);
    // The pointer, at a window point, moves the cross highlight: the cross of
    // `hovered` (the cell it was last over) goes out when the pointer left
    // it, and a closed cell under the pointer lights its own cross.
    void TrackHoverCross(TPoint window, Weak<IWidget>& hovered);
    // After a cell of (row, col) was resolved: a finished line hides all its
    // digits, another has its closed-off runs crossed ("crossed" := -1).
    void CheckLines(const TNonogramRules& rules, int32_t row, int32_t col);

    // The digit widget of a line's run by key; null when there is none.
    Ref<IWidget> RowDigit(int32_t row, int32_t key) const;
    Ref<IWidget> ColDigit(int32_t col, int32_t key) const;

private:
    struct TCellRef {
        Weak<IWidget> widget;
        Weak<TQuillmarchCell> cell;  // the same, when it is a QuillmarchCell
    };
    struct TDigit {
        int32_t key = 0;
        Weak<IWidget> widget;
        Weak<IWidget> on;  // its "digit_on"
    };
    using TLineDigits = std::vector<TDigit>;

    size_t Index(int32_t row, int32_t col) const {
        return static_cast<size_t>(row) * static_cast<size_t>(cols_) + static_cast<size_t>(col);
    }
    static Ref<IWidget> FindDigit(const TLineDigits& line, int32_t key);
    static void ShowDigitsOn(const TLineDigits& line, bool on);
    void Highlight(const TCellRef& ref, bool on);
    void UpdateLine(const TLineDigits& line, bool finished, const std::vector<int32_t>& crossed);
    // The columns (or rows) whose span holds v: at most the two that meet
    // there.
    static int32_t Candidates(const std::vector<int32_t>& starts, const std::vector<int32_t>& ends,
                              int32_t v, int32_t out[2]);

    int32_t rows_ = 0;
    int32_t cols_ = 0;
    Weak<IWidget> cellsGroup_;
    std::vector<TCellRef> cells_;  // row-major
    std::unordered_map<const IWidget*, int32_t> indexOf_;
    std::vector<TLineDigits> rowDigits_, colDigits_;
    // The spans of the columns and rows, in the "cells" group's content, as
    // laid out.
    std::vector<int32_t> colLeft_, colRight_, rowTop_, rowBottom_;
    std::vector<int32_t> crossed_;  // scratch, kept to save allocations
};
