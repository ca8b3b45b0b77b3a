#include "nonogram/NonogramGrid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Sets a widget's value by name. Digits and cells made from data keep the
// board's values as their extra parameters: a name the widget does not take
// otherwise becomes one.
void SetValue(const Ref<IWidget>& widget, const std::string& name, const Variant& value) {
    widget->SetProperty(name, value);
    if (widget->GetProperty(name).IsUnassigned()) widget->SetExtraParam(name, value);
}

Ref<IParamCollection> NewParams() {
    return Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

// Adds a widget to a group's children; false when the group refused it (a
// child of the same name is there already).
bool AddChild(const Ref<IWidget>& group, const Ref<IWidget>& widget) {
    const Ref<IWidgetCollection> children = group->GetChildren();
    if (!children) return false;
    const int32_t before = children->GetCount();
    children->AddWidget(widget);
    return children->GetCount() > before;
}

}  // namespace

void TNonogramGrid::ClearGroup(const Ref<IWidget>& group) {
    const Ref<IWidgetCollection> children = group ? group->GetChildren() : nullptr;
    if (!children) return;
    for (int32_t i = 0; i < children->GetCount(); ++i) {
        if (const Ref<IWidget> child = children->GetWidgetByIndex(i)) child->SetDead(true);
    }
    children->RemoveDead();
    children->Clear();
}

void TNonogramGrid::Clear() {
    rows_ = cols_ = 0;
    cellsGroup_ = nullptr;
    cells_.clear();
    indexOf_.clear();
    rowDigits_.clear();
    colDigits_.clear();
    colLeft_.clear();
    colRight_.clear();
    rowTop_.clear();
    rowBottom_.clear();
}

bool TNonogramGrid::Layout(const Ref<IWidget>& cells, const Ref<IWidget>& digits,
                           IWidgetOwner& factories, const TNonogramRules& rules,
                           const TGridGeometry& g, std::string& error,
                           TCellFactories cellFactories) {
    ClearGroup(cells);
    ClearGroup(digits);
    Clear();
    const int32_t rows = rules.Rows(), cols = rules.Cols();
    if (rows == 0) return true;
    const std::string key = GridDefKey(rows, cols);

    cellsGroup_ = Weak<IWidget>(cells);
    cols_ = cols;
    cells_.resize(static_cast<size_t>(rows) * cols);
    constexpr int32_t kNone = std::numeric_limits<int32_t>::max();
    colLeft_.assign(cols, kNone);
    colRight_.assign(cols, -kNone);
    rowTop_.assign(rows, kNone);
    rowBottom_.assign(rows, -kNone);
    std::vector<Ref<IWidget>> made(cells_.size());
    const auto refuse = [&](const std::string& why) {
        error = why;
        made.clear();
        ClearGroup(cells);
        ClearGroup(digits);
        Clear();
        return false;
    };

    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < cols; ++c) {
            const std::string factory =
                cellFactories == TCellFactories::kPerSize
                    ? "cell" + key
                    : "cell" + key + "_" + std::to_string(rules.Colour(r, c));
            const Ref<IParamCollection> params = NewParams();
            params->SetValue("name", Variant(std::to_string(r) + "_" + std::to_string(c)));
            const Ref<IWidget> cell = factories.CreateFactoryWidget(factory, params);
            if (!cell) return refuse("the factory \"" + factory + "\" makes no cell");
            const double left =
                g.startX + c * (g.regularShift + cell->GetWidth()) + g.fivefoldShift * (c / 5);
            const double top =
                g.startY + r * (g.regularShift + cell->GetHeight()) + g.fivefoldShift * (r / 5);
            cell->SetLeft(left);
            cell->SetTop(top);
            SetValue(cell, "row", Variant(r));
            SetValue(cell, "col", Variant(c));
            cell->SetProperty("state", Variant(std::string("closed")));
            if (!cells || !AddChild(cells, cell)) {
                return refuse("the cell " + std::to_string(r) + "_" + std::to_string(c) +
                              " cannot join the group \"cells\"");
            }
            const size_t index = static_cast<size_t>(r) * cols + c;
            made[index] = cell;
            cells_[index] = {Weak<IWidget>(cell),
                             Weak<TQuillmarchCell>(dynamic_cast<TQuillmarchCell*>(cell.get()))};
            indexOf_[cell.get()] = static_cast<int32_t>(index);
            const auto x0 = static_cast<int32_t>(std::floor(left));
            const auto y0 = static_cast<int32_t>(std::floor(top));
            const auto x1 = static_cast<int32_t>(std::ceil(left + cell->GetWidth()));
            const auto y1 = static_cast<int32_t>(std::ceil(top + cell->GetHeight()));
            colLeft_[c] = std::min(colLeft_[c], x0);
            colRight_[c] = std::max(colRight_[c], x1);
            rowTop_[r] = std::min(rowTop_[r], y0);
            rowBottom_[r] = std::max(rowBottom_[r], y1);
        }
    }
    rows_ = rows;
    cols_ = cols;

    const std::string digitFactory = "digit" + key;
    const auto place = [&](const char* order, int32_t row, int32_t col, int32_t k,
                           const TClue& clue, const Ref<IWidget>& anchor, TLineDigits& line) {
        const std::string name = order + std::to_string(row) + "_" + std::to_string(col);
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("name", Variant(name));
        params->SetValue("text", Variant(std::to_string(clue.length)));
        const Ref<IWidget> digit = factories.CreateFactoryWidget(digitFactory, params);
        if (!digit) return;
        if (order[0] == 'l') {
            digit->SetLeft(anchor->GetLeft() + g.infoShiftX -
                           k * (g.infoRegularShift + digit->GetWidth()));
            digit->SetTop(anchor->GetTop());
        } else {
            digit->SetTop(anchor->GetTop() + g.infoShiftY -
                          k * (g.infoRegularShift + digit->GetHeight()));
            digit->SetLeft(anchor->GetLeft());
        }
        const Variant orderText{std::string(order)};
        SetValue(digit, "order", orderText);
        SetValue(digit, "orderon", orderText);
        SetValue(digit, "row", Variant(row));
        SetValue(digit, "rowon", Variant(row));
        SetValue(digit, "col", Variant(col));
        SetValue(digit, "colon", Variant(col));
        if (!digits || !AddChild(digits, digit)) return;
        line.push_back(
            {clue.key, Weak<IWidget>(digit), Weak<IWidget>(digit->FindWidget("digit_on"))});
    };
    rowDigits_.resize(rows);
    colDigits_.resize(cols);
    for (int32_t r = 0; r < rows; ++r) {
        const std::vector<TClue>& clues = rules.RowClues(r);
        for (size_t k = 0; k < clues.size(); ++k) {
            place("l", r, clues[k].key, static_cast<int32_t>(k), clues[k], made[Index(r, 0)],
                  rowDigits_[r]);
        }
    }
    for (int32_t c = 0; c < cols; ++c) {
        const std::vector<TClue>& clues = rules.ColClues(c);
        for (size_t k = 0; k < clues.size(); ++k) {
            place("t", clues[k].key, c, static_cast<int32_t>(k), clues[k], made[Index(0, c)],
                  colDigits_[c]);
        }
    }
    return true;
}

Ref<IWidget> TNonogramGrid::Cell(int32_t row, int32_t col) const {
    if (row < 0 || col < 0 || row >= rows_ || col >= cols_) return nullptr;
    return cells_[Index(row, col)].widget.Lock();
}

bool TNonogramGrid::Position(const IWidget* cell, int32_t& row, int32_t& col) const {
    const auto found = indexOf_.find(cell);
    if (found == indexOf_.end()) return false;
    row = found->second / cols_;
    col = found->second % cols_;
    return true;
}

int32_t TNonogramGrid::Candidates(const std::vector<int32_t>& starts,
                                  const std::vector<int32_t>& ends, int32_t v, int32_t out[2]) {
    const auto after = std::upper_bound(starts.begin(), starts.end(), v);
    const auto i = static_cast<int32_t>(after - starts.begin()) - 1;
    int32_t n = 0;
    if (i >= 1 && ends[i - 1] >= v) out[n++] = i - 1;
    if (i >= 0 && ends[i] >= v) out[n++] = i;
    return n;
}

Ref<IWidget> TNonogramGrid::CellAt(int32_t x, int32_t y) const {
    int32_t rows[2], cols[2];
    const int32_t nr = Candidates(rowTop_, rowBottom_, y, rows);
    const int32_t nc = Candidates(colLeft_, colRight_, x, cols);
    for (int32_t i = 0; i < nr; ++i) {
        for (int32_t j = 0; j < nc; ++j) {
            const Ref<IWidget> cell = Cell(rows[i], cols[j]);
            if (cell && cell->ContainsPoint(x, y, false)) return cell;
        }
    }
    return nullptr;
}

TPoint TNonogramGrid::WindowToCells(int32_t x, int32_t y) const {
    const Ref<IWidgetOwner> group = Query<IWidgetOwner>(cellsGroup_.Lock());
    return group ? group->ScreenToClient(x, y) : TPoint{x, y};
}

Ref<IWidget> TNonogramGrid::FindDigit(const TLineDigits& line, int32_t key) {
    for (const TDigit& digit : line) {
        if (digit.key == key) return digit.widget.Lock();
    }
    return nullptr;
}

Ref<IWidget> TNonogramGrid::RowDigit(int32_t row, int32_t key) const {
    return row >= 0 && row < rows_ ? FindDigit(rowDigits_[row], key) : nullptr;
}

Ref<IWidget> TNonogramGrid::ColDigit(int32_t col, int32_t key) const {
    return col >= 0 && col < cols_ ? FindDigit(colDigits_[col], key) : nullptr;
}

void TNonogramGrid::ShowDigitsOn(const TLineDigits& line, bool on) {
    for (const TDigit& digit : line) {
        if (const Ref<IWidget> widget = digit.on.Lock()) widget->SetVisible(on);
    }
}

// A QuillmarchCell is told directly; another cell class by its property.
void TNonogramGrid::Highlight(const TCellRef& ref, bool on) {
    if (const Ref<TQuillmarchCell> cell = ref.cell.Lock()) {
        cell->SetHighlight(on);
    } else if (const Ref<IWidget> widget = ref.widget.Lock()) {
        widget->SetProperty("highlight", Variant(std::string(on ? "yes" : "no")));
    }
}

void TNonogramGrid::TrackHoverCross(TPoint window, Weak<IWidget>& hovered) {
    const TPoint inCells = WindowToCells(window.x, window.y);
    const Ref<IWidget> cell = CellAt(inCells.x, inCells.y);
    const Ref<IWidget> previous = hovered.Lock();
    if (cell.get() == previous.get()) return;
    int32_t row = 0, col = 0;
    if (previous && Position(previous.get(), row, col)) HighlightCross(false, row, col);
    if (cell && Position(cell.get(), row, col) &&
        TextOrEmpty(cell->GetProperty("state")) == "closed") {
        HighlightCross(true, row, col);
    }
    hovered = Weak<IWidget>(cell);
}

void TNonogramGrid::HighlightCross(bool on, int32_t row, int32_t col) {
    if (row < 0 || col < 0 || row >= rows_ || col >= cols_) return;
    for (int32_t i = 0; i < rows_; ++i) Highlight(cells_[Index(i, col)], on);
    ShowDigitsOn(colDigits_[col], on);
    for (int32_t j = 0; j < cols_; ++j) Highlight(cells_[Index(row, j)], on);
    ShowDigitsOn(rowDigits_[row], on);
}

void TNonogramGrid::UpdateLine(const TLineDigits& line, bool finished,
                               const std::vector<int32_t>& crossed) {
    if (finished) {
        for (const TDigit& digit : line) {
            if (const Ref<IWidget> widget = digit.widget.Lock()) widget->SetVisible(false);
        }
        return;
    }
    for (int32_t key : crossed) {
        if (const Ref<IWidget> widget = FindDigit(line, key)) {
            SetValue(widget, "crossed", Variant(-1));
        }
    }
}

void TNonogramGrid::CheckLines(const TNonogramRules& rules, int32_t row, int32_t col) {
    if (row < 0 || col < 0 || row >= rows_ || col >= cols_) return;
    crossed_.clear();
    const bool rowDone = rules.RowUnresolved(row) == 0;
    if (!rowDone) rules.CrossedRowKeys(row, crossed_);
    UpdateLine(rowDigits_[row], rowDone, crossed_);
    crossed_.clear();
    const bool colDone = rules.ColUnresolved(col) == 0;
    if (!colDone) rules.CrossedColKeys(col, crossed_);
    UpdateLine(colDigits_[col], colDone, crossed_);
}
