// The tutorial's board: its picture, cells and clue digits, and the moves on
// the cells the current step made active.
#include <algorithm>

#include "core/base/Log.h"
#include "engine/InputLog.h"
#include "nonogram/TutorialControl.h"
#include "widgets/WidgetUtils.h"

namespace {

Ref<IParamCollection> NewParams() {
    return Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

void SetText(const Ref<IWidget>& widget, const char* name, const char* value) {
    widget->SetProperty(name, Variant(std::string(value)));
}

// Sets a widget's value by name; a name the widget does not take becomes
// one of its extra values.
void SetValue(const Ref<IWidget>& widget, const std::string& name, const Variant& value) {
    widget->SetProperty(name, value);
    if (widget->GetProperty(name).IsUnassigned()) widget->SetExtraParam(name, value);
}

constexpr int32_t kArrow = 0;
constexpr int32_t kHammer = 1;

}  // namespace

bool TQuillmarchControlTutorial::LoadPicture(int32_t rows, int32_t cols,
                                             const Ref<IQuillmarchLevelDef>& def) {
    std::vector<std::string> cells;
    if (const Ref<ILevelDefRowCollection> picture = def ? def->GetRows() : nullptr) {
        // One row more than the size at most: enough to tell a picture with
        // too many rows, never a huge read.
        const int32_t count = std::min(picture->GetCount(), rows + 1);
        for (int32_t i = 0; i < count; ++i) {
            const Ref<ILevelDefRow> row = picture->GetItem(Variant(i));
            cells.push_back(row ? row->GetCells() : std::string());
        }
    }
    std::string error;
    // A picture is exactly rows × cols hex digits: a short row would make
    // cells full that the picture does not show and the script cannot
    // expect.
    if (rules_.Load(rows, cols, cells, error)) return true;
    Log("TUTORIAL", "the tutorial level \"" + (levelRef_ ? levelRef_->GetName() : std::string()) +
                        "\" cannot be played: " + error);
    ClearBoard();
    return false;
}

void TQuillmarchControlTutorial::ClearBoard() {
    rules_.Clear();
    board_.Clear();
    hoveredCell_ = nullptr;
    if (const Ref<IWidget> grid = grid_.Lock()) {
        TNonogramGrid::ClearGroup(grid->FindWidget("cells"));
        TNonogramGrid::ClearGroup(grid->FindWidget("digits"));
    }
}

void TQuillmarchControlTutorial::BuildBoard() {
    const Ref<IWidget> grid = grid_.Lock();
    const Ref<IWidget> cells = grid ? grid->FindWidget("cells") : nullptr;
    const Ref<IWidget> digits = grid ? grid->FindWidget("digits") : nullptr;
    if (!cells || !digits) return;
    const std::string key = GridDefKey(rules_.Rows(), rules_.Cols());
    const Ref<IGridDef> def = gridDefs_ ? gridDefs_->GetItem(Variant(key)) : nullptr;
    TGridGeometry geometry;
    std::string error = "there is no grid definition \"" + key + "\"";
    if (def && ReadGridGeometry(def, geometry, error)) {
        geometry.fivefoldShift = 0;  // a small board has no extra gaps
        hoveredCell_ = nullptr;
        if (board_.Layout(cells, digits, *this, rules_, geometry, error,
                          TCellFactories::kPerSize)) {
            return;
        }
    }
    Log("TUTORIAL", "the tutorial board " + key + " cannot be built: " + error);
    ClearBoard();
}

Ref<IWidget> TQuillmarchControlTutorial::CellByKey(const std::string& key) {
    const Ref<IWidget> grid = grid_.Lock();
    const Ref<IWidget> cells = grid ? grid->FindWidget("cells") : nullptr;
    const Ref<IWidgetCollection> children = cells ? cells->GetChildren() : nullptr;
    return children ? children->GetWidget(Variant("cell" + key)) : nullptr;
}

void TQuillmarchControlTutorial::ApplyActiveCells() {
    const Ref<IWidget> grid = grid_.Lock();
    const Ref<IWidget> cells = grid ? grid->FindWidget("cells") : nullptr;
    if (const Ref<IWidgetCollection> children = cells ? cells->GetChildren() : nullptr) {
        for (int32_t i = 0; i < children->GetCount(); ++i) {
            const Ref<IWidget> cell = children->GetWidgetByIndex(i);
            if (!cell || TextOrEmpty(cell->GetProperty("state")) != "active") continue;
            // Unlit first: a cell takes the light only while it is active.
            SetText(cell, "highlight", "no");
            SetText(cell, "state", "closed");
        }
    }
    for (const std::string& key : StateKeys("active_cells")) {
        if (const Ref<IWidget> cell = CellByKey(key)) SetText(cell, "state", "active");
    }
}

void TQuillmarchControlTutorial::UpdateHover() {
    if (!mouseEnabled_) return;
    IWidgetOwner* owner = GetOwner();
    const Ref<IEngine> engine = owner ? owner->GetEngine() : nullptr;
    if (!engine) return;
    const TPoint mouse = engine->GetMousePos();
    const TPoint inCells = board_.WindowToCells(mouse.x, mouse.y);
    const Ref<IWidget> cell = board_.CellAt(inCells.x, inCells.y);
    const Ref<IWidget> hovered = hoveredCell_.Lock();
    if (cell.get() == hovered.get()) return;
    if (hovered) SetText(hovered, "highlight", "no");
    if (cell) SetText(cell, "highlight", "yes");
    hoveredCell_ = Weak<IWidget>(cell);
}

void TQuillmarchControlTutorial::DoUpdate(int32_t elapsedMs) {
    TControlWidget::DoUpdate(elapsedMs);
    UpdateHover();
}

bool TQuillmarchControlTutorial::MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) {
    const bool handled = TControlWidget::MouseDown(x, y, shift, button);
    Press(x, y, button);
    return handled;
}

bool TQuillmarchControlTutorial::MouseMove(int32_t x, int32_t y, int32_t shift) {
    const bool handled = TControlWidget::MouseMove(x, y, shift);
    // A drag repeats the press of the tool held.
    if (heldTool_ != -1) Press(x, y, heldTool_);
    return handled;
}

bool TQuillmarchControlTutorial::MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) {
    const bool handled = TControlWidget::MouseUp(x, y, shift, button);
    heldTool_ = -1;
    return handled;
}

void TQuillmarchControlTutorial::Press(int32_t x, int32_t y, int32_t button) {
    // The third button has no tool, as on the game's board.
    if (button != kButtonLeft && button != kButtonRight) return;
    const Ref<IWidget> self(this);
    int32_t tool = button == kButtonLeft ? kArrow : kHammer;
    if (const Ref<IWidget> tools = Tools();
        tools && TextOrEmpty(tools->GetProperty("tools_state")) == "active") {
        if (button == kButtonRight && heldTool_ != kHammer) {
            tools->ExecuteCommand(14, nullptr);  // the right button switches the tool
            return;
        }
        tool = TextOrEmpty(tools->GetProperty("active_tool")) == "arrow" ? kArrow : kHammer;
    }
    // The point in the owner's content, moved into the cells' group.
    const Ref<IWidget> grid = grid_.Lock();
    const Ref<IWidgetOwner> cells = Query<IWidgetOwner>(grid ? grid->FindWidget("cells") : nullptr);
    IWidgetOwner* owner = GetOwner();
    if (!cells || !owner) return;
    const TPoint inCells = cells->ScreenToClient(0, 0);
    const TPoint inOwner = owner->ScreenToClient(0, 0);
    if (const Ref<IWidget> cell =
            board_.CellAt(x + inCells.x - inOwner.x, y + inCells.y - inOwner.y)) {
        ApplyTool(cell, tool);
    }
}

void TQuillmarchControlTutorial::ApplyTool(const Ref<IWidget>& cell, int32_t tool) {
    if (!mouseEnabled_ || over_ || TextOrEmpty(cell->GetProperty("state")) != "active") return;
    int32_t row = 0, col = 0;
    if (!board_.Position(cell.get(), row, col)) return;
    // The press stays unhandled for the screen; the log names the cell it
    // played.
    if (InputLogOn()) InputLogNoteTaker(WidgetPathInTree(cell));
    const int32_t value = rules_.Value(row, col);
    if (tool == kArrow) {
        heldTool_ = kArrow;
        if (value == kCellFull) {
            OpenCell(cell, row, col, true);
        } else if (value == kCellEmpty) {
            BreakCell(cell, row, col, false);
            heldTool_ = -1;
        }
    } else {
        heldTool_ = kHammer;
        if (value == kCellEmpty) {
            BreakCell(cell, row, col, true);
        } else if (value == kCellFull) {
            OpenCell(cell, row, col, false);
            heldTool_ = -1;
        }
    }
}

void TQuillmarchControlTutorial::OpenCell(const Ref<IWidget>& cell, int32_t row, int32_t col,
                                          bool correct) {
    if (!correct) {
        ShowHint(true, true, cell);
        return;
    }
    ShowHint(false, true, nullptr);
    SetText(cell, "state", "full");
    rules_.Resolve(row, col);
    if (const Ref<IWindow> window = OwnerWindow()) window->PlaySound("sound_globe_ok");
    UpdateClues(row, col);
    AfterCorrectMove();
}

void TQuillmarchControlTutorial::BreakCell(const Ref<IWidget>& cell, int32_t row, int32_t col,
                                           bool correct) {
    if (!correct) {
        ShowHint(true, false, cell);
        return;
    }
    ShowHint(false, false, nullptr);
    const Ref<IWidget> group = FindWidget("scenario_group");
    if (const Ref<IWidgetCollection> children = group ? group->GetChildren() : nullptr) {
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("name", Variant(cell->GetName()));
        params->SetValue("anchor_left", Variant(cell->GetLeft()));
        params->SetValue("anchor_top", Variant(cell->GetTop()));
        if (const Ref<IWidget> breaking = CreateFactoryWidget("breaking_cell5_5", params)) {
            children->AddWidget(breaking);
            breaking->Restart();
        }
    }
    SetText(cell, "state", "empty");
    rules_.Resolve(row, col);
    if (const Ref<IWindow> window = OwnerWindow()) window->PlaySound("sound_empty_ok");
    UpdateClues(row, col);
    AfterCorrectMove();
}

void TQuillmarchControlTutorial::UpdateClues(int32_t row, int32_t col) {
    // A finished line hides its digits; another has its closed-off runs
    // crossed.
    const auto update = [&](bool finished, const std::vector<TClue>& clues, auto digit,
                            auto crossedKeys) {
        if (finished) {
            for (const TClue& clue : clues) {
                if (const Ref<IWidget> widget = digit(clue.key)) widget->SetVisible(false);
            }
            return;
        }
        keys_.clear();
        crossedKeys(keys_);
        for (int32_t key : keys_) {
            if (const Ref<IWidget> widget = digit(key)) SetValue(widget, "crossed", Variant(true));
        }
    };
    update(
        rules_.RowUnresolved(row) == 0, rules_.RowClues(row),
        [&](int32_t key) { return board_.RowDigit(row, key); },
        [&](std::vector<int32_t>& keys) { rules_.CrossedRowKeys(row, keys); });
    update(
        rules_.ColUnresolved(col) == 0, rules_.ColClues(col),
        [&](int32_t key) { return board_.ColDigit(col, key); },
        [&](std::vector<int32_t>& keys) { rules_.CrossedColKeys(col, keys); });
}

void TQuillmarchControlTutorial::SolveStepForPlayer() {
    if (!mouseEnabled_ || over_) return;
    const Ref<IWidget> self(this);
    const int32_t state = currentState_;
    for (const std::string& key : StateKeys("cells_to_solve")) {
        // The last move moves the script on: the keys left belong to no step.
        if (currentState_ != state || over_) return;
        const Ref<IWidget> cell = CellByKey(key);
        int32_t row = 0, col = 0;
        if (!cell || TextOrEmpty(cell->GetProperty("state")) != "active" ||
            !board_.Position(cell.get(), row, col)) {
            continue;
        }
        if (rules_.Value(row, col) == kCellFull) {
            OpenCell(cell, row, col, true);
        } else if (rules_.Value(row, col) == kCellEmpty) {
            BreakCell(cell, row, col, true);
        }
    }
}
