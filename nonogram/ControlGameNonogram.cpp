#include "nonogram/ControlGameNonogram.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core/base/AsciiText.h"
#include "core/base/Log.h"
#include "core/lang/MultiLanguages.h"
#include "nonogram/GameServices.h"
#include "widgets/StateScenario.h"

namespace {

Ref<IParamCollection> NewParams() {
    return Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

// A level's value written as a whole number; 0 (and false) for anything
// else, so a broken level file never stops a frame.
bool ReadWhole(const Variant& value, int64_t& number) {
    number = 0;
    if (value.IsUnassigned()) return false;
    if (value.IsString()) return TryTextToInt64(value.ToString(), number);
    double d = 0;
    if (!TryTextToFloat(value.ToString(), d) || !std::isfinite(d)) return false;
    number = static_cast<int64_t>(std::clamp(d, -9e15, 9e15));
    return true;
}

Ref<IParamCollection> StartFinishedParams() {
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("scenario_to_finalize", Variant("scenario_start_level"));
    return params;
}

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

double ReadNumber(const Variant& value) {
    double d = 0;
    if (value.IsUnassigned() || !TryTextToFloat(value.ToString(), d) || !std::isfinite(d)) return 0;
    return d;
}

}  // namespace

void TQuillmarchControlGameNonogram::Create() {
    TControlWidget::Create();
    gridDefs_ = Query<IGridDefCollection>(CreateAbstractObject(ClassOf<TGridDefCollection>()));
    lastAction_ = -1;
}

void TQuillmarchControlGameNonogram::LoadFrom(const Ref<IHierStorage>& storage) {
    TControlWidget::LoadFrom(storage);
    LoadChildObject(gridDefs_, storage, "grids", 0);
}

void TQuillmarchControlGameNonogram::SaveTo(const Ref<IHierStorage>& storage) {
    TControlWidget::SaveTo(storage);
    if (gridDefs_ && gridDefs_->GetCount() > 0) SaveChildObject(gridDefs_, storage, "grids");
}

void TQuillmarchControlGameNonogram::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    grid_widget_ = Weak<IWidget>(FindWidget("grid"));
    scenarioGroup_ = Weak<IWidget>(FindWidget("scenario_group"));
    tools_ = Weak<IWidget>(OwnerWidget("control_tools"));
    if (const Ref<IGameScreenOwner> game = GameOwner()) {
        game->SetOptionValue("grid_defs", Variant(Ref<IInterface>(gridDefs_)));
    }
}

void TQuillmarchControlGameNonogram::Detach() {
    ClearDrag();
    // A hint armed when the board goes must not leave its cursor on the
    // screens that follow.
    if (hintMode_) {
        hintMode_ = false;
        SetCursor("default");
    }
    if (const Ref<IGameScreenOwner> game = GameOwner())
        game->SetOptionValue("grid_defs", Variant());
    tools_ = nullptr;
    scenarioGroup_ = nullptr;
    grid_widget_ = nullptr;
    hoveredCell_ = nullptr;
    levelDef_ = nullptr;
    rules_.Clear();
    grid_.Clear();
    TControlWidget::Detach();
}

// --- What the board reaches through its screen

Ref<IGameScreenOwner> TQuillmarchControlGameNonogram::GameOwner() {
    return GameOwnerOf(GetOwner());
}

Ref<IParamCollection> TQuillmarchControlGameNonogram::ProfileParams() {
    return CurrentProfileParams(GetOwner());
}

void TQuillmarchControlGameNonogram::SetCursor(const std::string& name) {
    SetGameCursor(GetOwner(), name);
}

void TQuillmarchControlGameNonogram::PlayWindowSound(const std::string& name) {
    IWidgetOwner* owner = GetOwner();
    if (const Ref<IWindow> window = owner ? owner->GetWindow() : nullptr) window->PlaySound(name);
}

Ref<IWidget> TQuillmarchControlGameNonogram::OwnerWidget(const std::string& path) {
    IWidgetOwner* owner = GetOwner();
    return owner ? owner->FindWidget(path) : nullptr;
}

Ref<IWidget> TQuillmarchControlGameNonogram::CreateScenario(const std::string& factoryName,
                                                            const Ref<IParamCollection>& params,
                                                            bool* running) {
    if (running) *running = false;
    const Ref<IWidget> group = scenarioGroup_.Lock();
    const Ref<IWidgetCollection> children = group ? group->GetChildren() : nullptr;
    if (!children) return nullptr;
    const Ref<IWidget> scenario = CreateFactoryWidget(factoryName, params);
    if (!scenario) return nullptr;
    if (const Ref<IWidget> present = children->GetWidget(Variant(scenario->GetName()))) {
        // One scenario of a name at a time.
        if (Query<TStateScenario>(present)) {
            if (running) *running = true;
            return nullptr;
        }
        // A widget of another kind has the name (a breaking cell named like
        // the error marker of the same cell): the scenario takes a free one
        // rather than being lost.
        const std::string base = scenario->GetName();
        for (int32_t n = 2; children->GetWidget(Variant(scenario->GetName())); ++n)
            scenario->SetName(base + "#" + std::to_string(n));
    }
    children->AddWidget(scenario);
    scenario->SetProperty("control_game", Variant(Ref<IInterface>(Ref<IWidget>(this))));
    return scenario;
}

Ref<IParamCollection> TQuillmarchControlGameNonogram::SizeParams() {
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("rows", levelDef_ ? levelDef_->GetProperty("rows") : Variant());
    params->SetValue("cols", levelDef_ ? levelDef_->GetProperty("cols") : Variant());
    return params;
}

// --- Counters

int32_t TQuillmarchControlGameNonogram::GetCounter(int32_t index) const {
    if (index == kCounterElapsedMs) return ClampToInt32(elapsedMs_);
    return index >= 0 && index < 6 ? counters_[index] : 0;
}

void TQuillmarchControlGameNonogram::SetCounter(int32_t index, int32_t value) {
    if (index < 0 || index >= 6) return;
    counters_[index] = value;
    if (index != kCounterElapsedMs) return;
    elapsedMs_ = value;
    if (elapsedMs_ > cupTimeMs_) {
        const Ref<IWidget> expert = FindWidget("timer/expert");
        if (expert && expert->GetPaused()) expert->Restart();
    }
}

// --- Commands

void TQuillmarchControlGameNonogram::ExecuteCommand(int32_t command,
                                                    const Ref<IParamCollection>& params) {
    TControlWidget::ExecuteCommand(command, params);
    const Ref<TQuillmarchControlGameNonogram> self(this);
    const auto param = [&](const char* name) {
        return params ? TextOrEmpty(params->GetValue(name, Variant())) : std::string();
    };
    switch (command) {
        case kCommandStartLevel: {
            const Ref<IGameScreenOwner> game = GameOwner();
            const Ref<IQuillmarchLevelDefRefCollection> levels =
                Query<IQuillmarchLevelDefRefCollection>(
                    game ? game->GetOption("level_def_refs").ToInterface() : nullptr);
            if (!levels) return;
            levelRef_ = levels->GetItemByName(param("level_ref"));
            if (!levelRef_) {
                Log("NONOGRAM", "the catalogue has no level \"" + param("level_ref") + "\"");
            }
            levelDef_ = levelRef_ ? levelRef_->LoadLevelDef() : nullptr;
            locationName_ = param("active_map_part");
            StartLevel();
            break;
        }
        case kCommandRestartLevel:
            StartLevel();
            break;
        case kCommandCloseFinalPicture:
            if (const Ref<IWidget> close = OwnerWidget("button_close")) close->SetVisible(false);
        {
            // Without its scenario the won level is reported at once, as a
            // failed one is; one already running reports when it ends.
            bool running = false;
            if (!CreateScenario("scenario_end_level", SizeParams(), &running) && !running &&
                gameMode_ == 0 && outcome_ == TOutcome::kWon) {
                EndLevel(true);
            }
            break;
        }
        case kCommandArmHint:
            // Only a level on the board can spend a hint.
            if (gameMode_ != 0) SetHintMode(true, param("name"));
            break;
        case kCommandScenarioFinished:
            ScenarioFinished(params);
            break;
        case kCommandClearBoard:
            if (const Ref<IWidget> grid = grid_widget_.Lock()) {
                TNonogramGrid::ClearGroup(grid->FindWidget("cells"));
                TNonogramGrid::ClearGroup(grid->FindWidget("digits"));
            }
            TNonogramGrid::ClearGroup(scenarioGroup_.Lock());
            grid_.Clear();
            hoveredCell_ = nullptr;
            break;
        default:
            break;
    }
}

// --- Starting a level

void TQuillmarchControlGameNonogram::RefuseLevel(const std::string& why) {
    if (!why.empty()) {
        Log("NONOGRAM", "level \"" + (levelRef_ ? levelRef_->GetName() : std::string()) +
                            "\" cannot be played: " + why);
    }
    rules_.Clear();
    grid_.Clear();
    if (const Ref<IWidget> grid = grid_widget_.Lock()) {
        TNonogramGrid::ClearGroup(grid->FindWidget("cells"));
        TNonogramGrid::ClearGroup(grid->FindWidget("digits"));
    }
    gameMode_ = 0;
    outcome_ = TOutcome::kNone;
}

bool TQuillmarchControlGameNonogram::LoadPicture(std::string& error) {
    int64_t rows = 0, cols = 0;
    if (!ReadWhole(levelDef_->GetProperty("rows"), rows) ||
        !ReadWhole(levelDef_->GetProperty("cols"), cols)) {
        error = "its \"rows\" and \"cols\" are no whole numbers";
        return false;
    }
    std::vector<std::string> cells;
    if (const Ref<ILevelDefRowCollection> picture = levelDef_->GetRows()) {
        const int32_t count = picture->GetCount();
        // Never more than a picture may have: a file with a huge row count
        // is refused by the size, not read.
        for (int32_t i = 0; i < count && i <= rows; ++i) {
            const Ref<ILevelDefRow> row = picture->GetItem(Variant(i));
            cells.push_back(row ? row->GetCells() : std::string());
        }
        if (count > rows) cells.resize(static_cast<size_t>(count));
    }
    return rules_.Load(ClampToInt32(rows), ClampToInt32(cols), cells, error);
}

void TQuillmarchControlGameNonogram::StartLevel() {
    counters_.fill(0);
    elapsedMs_ = 0;
    hoveredCell_ = nullptr;
    if (const Ref<IWidget> group = scenarioGroup_.Lock()) {
        if (const Ref<IWidgetCollection> children = group->GetChildren()) children->Clear();
    }
    ClearDrag();
    outcome_ = TOutcome::kNone;
    finalPending_ = false;
    if (!levelDef_) {
        RefuseLevel("");
        return;
    }

    std::string error;
    if (!LoadPicture(error)) return RefuseLevel("the picture " + error);
    const std::string key = GridDefKey(rules_.Rows(), rules_.Cols());
    TGridGeometry geometry;
    if (!ReadGridGeometry(gridDefs_ ? gridDefs_->GetItem(Variant(key)) : nullptr, geometry,
                          error)) {
        return RefuseLevel("the grid definition \"" + key + "\": " + error);
    }
    const Ref<IWidget> grid = grid_widget_.Lock();
    const Ref<IWidget> cells = grid ? grid->FindWidget("cells") : nullptr;
    const Ref<IWidget> digits = grid ? grid->FindWidget("digits") : nullptr;
    if (!cells || !digits)
        return RefuseLevel("the board has no \"grid/cells\" and \"grid/digits\"");
    if (!grid_.Layout(cells, digits, *this, rules_, geometry, error)) return RefuseLevel(error);

    const Variant errors = levelDef_->GetProperty("errors");
    if (const Ref<IWidget> label = FindWidget("errors")) {
        label->SetProperty("value", Variant(0));
        label->SetProperty("error_pos", errors);
        int64_t allowed = 0;
        if (!ReadWhole(errors, allowed)) {
            Log("NONOGRAM", "level \"" + levelDef_->GetName() + "\": \"errors\" is \"" +
                                TextOrEmpty(errors) + "\", no whole number: no error is allowed");
        }
        counters_[kCounterErrorsAllowed] = ClampToInt32(allowed);
    }
    if (const Ref<IWidget> timer = FindWidget("timer")) {
        timer->SetProperty("currenttime", Variant(0));
        timer->SetPaused(true);
    }
    if (const Ref<IWidget> expert = FindWidget("timer/expert")) {
        // A restart may follow a fade that ran out: the mark goes back to
        // its first look and waits, paused, for the expert time to pass.
        expert->Restart();
        expert->SetVisible(true);
        expert->SetPaused(true);
        expert->SetTop(ReadNumber(expert->GetProperty("init_y")));
    }
    cupTimeMs_ = static_cast<int64_t>(
        std::clamp(ReadNumber(levelDef_->GetProperty("cup_time")) * 1000.0, -9e15, 9e15));

    const Ref<IParamCollection> params = NewParams();
    params->SetValue("LevelName", Variant("%" + locationName_ + "%\n%label_level% " +
                                          TextOrEmpty(levelDef_->GetProperty("LevelName"))));
    params->SetValue("rows", levelDef_->GetProperty("rows"));
    params->SetValue("cols", levelDef_->GetProperty("cols"));
    gameMode_ = 1;
    const bool staged = CreateScenario("scenario_start_level", params) != nullptr;
    SetupHintButtons();
    lastAction_ = -1;
    // Without its start scenario the level is played at once rather than
    // never, with what that scenario would have shown and started.
    if (!staged) {
        cells->SetVisible(true);
        digits->SetVisible(true);
        if (const Ref<IWidget> timer = FindWidget("timer")) timer->SetPaused(false);
        ScenarioFinished(StartFinishedParams());
    }
}

// --- Presses

void TQuillmarchControlGameNonogram::ClearDrag() {
    dragFirst_ = dragLast_ = -1;
}

bool TQuillmarchControlGameNonogram::ToolsActive(const Ref<IWidget>& tools) {
    return tools && TextOrEmpty(tools->GetProperty("tools_state")) == "active";
}

bool TQuillmarchControlGameNonogram::MouseDown(int32_t x, int32_t y, int32_t shift,
                                               int32_t button) {
    const bool handled = TControlWidget::MouseDown(x, y, shift, button);
    // The third button has no tool.
    if (gameMode_ != 2 || (button != 0 && button != 1)) return handled;
    const Ref<TQuillmarchControlGameNonogram> self(this);

    int32_t tool = button;
    const Ref<IWidget> tools = tools_.Lock();
    if (ToolsActive(tools) && !hintMode_) {
        if (button == 1 && lastAction_ != 1) {
            tools->ExecuteCommand(14, nullptr);
            return true;
        }
        tool = TextOrEmpty(tools->GetProperty("active_tool")) == "arrow" ? 0 : 1;
    }

    // The point in the owner's content, moved into the cells' group.
    const Ref<IWidget> cellsGroup = [&]() -> Ref<IWidget> {
        const Ref<IWidget> grid = grid_widget_.Lock();
        return grid ? grid->FindWidget("cells") : nullptr;
    }();
    const Ref<IWidgetOwner> cellsOwner = Query<IWidgetOwner>(cellsGroup);
    IWidgetOwner* owner = GetOwner();
    if (!cellsOwner || !owner) return true;
    const TPoint inCells = cellsOwner->ScreenToClient(0, 0);
    const TPoint inOwner = owner->ScreenToClient(0, 0);
    const Ref<IWidget> cell = grid_.CellAt(x + inCells.x - inOwner.x, y + inCells.y - inOwner.y);

    int32_t row = -1, col = -1;
    bool act = cell && grid_.Position(cell.get(), row, col);
    // The cells the pointer skipped since its last position in this drag.
    std::vector<int32_t> passed;
    if (act && !hintMode_) {
        const int32_t index = row * rules_.Cols() + col;
        if (dragFirst_ < 0) {
            dragFirst_ = index;
        } else if (dragLast_ < 0) {
            if (index != dragFirst_) {
                passed = CellsBetween(dragFirst_, index, rules_.Cols());
                dragLast_ = index;
            }
        } else if (index != dragLast_) {
            // The first two cells fix the line: a row when they share it,
            // else a column.
            const int32_t cols = rules_.Cols();
            const int32_t firstRow = dragFirst_ / cols, firstCol = dragFirst_ % cols;
            const int32_t lastRow = dragLast_ / cols, lastCol = dragLast_ % cols;
            const bool sameLine = (lastRow == firstRow && row == firstRow) ||
                                  (lastCol == firstCol && col == firstCol);
            if (sameLine) {
                passed = CellsBetween(dragLast_, index, cols);
                dragFirst_ = dragLast_;
                dragLast_ = index;
            } else {
                act = false;
            }
        }
    }
    for (const int32_t skipped : passed) {
        // An error on the way ends the drag, a lost level the play.
        if (dragFirst_ < 0 || gameMode_ != 2) {
            act = false;
            break;
        }
        ActOnCell(skipped / rules_.Cols(), skipped % rules_.Cols(), tool);
    }
    if (act && (passed.empty() || (dragFirst_ >= 0 && gameMode_ == 2))) ActOnCell(row, col, tool);

    if (gameMode_ == 2 && rules_.FullLeft() == 0 && !rules_.Empty()) {
        const Ref<IParamCollection> profile = ProfileParams();
        if (profile && TextOrEmpty(profile->GetValue("UseAutoComplete", Variant())) == "yes")
            AutoComplete();
    }
    return true;
}

bool TQuillmarchControlGameNonogram::MouseMove(int32_t x, int32_t y, int32_t shift) {
    const bool handled = TControlWidget::MouseMove(x, y, shift);
    if (lastAction_ != -1) MouseDown(x, y, shift, lastAction_ == 1 ? 1 : 0);
    return handled;
}

bool TQuillmarchControlGameNonogram::MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) {
    const bool handled = TControlWidget::MouseUp(x, y, shift, button);
    lastAction_ = -1;
    ClearDrag();
    return handled;
}

void TQuillmarchControlGameNonogram::ActOnCell(int32_t row, int32_t col, int32_t tool) {
    const Ref<IWidget> cell = grid_.Cell(row, col);
    if (!cell) return;
    if (TextOrEmpty(cell->GetProperty("state")) != "closed") {
        if (!hintMode_) lastAction_ = tool;
        return;
    }
    if (tool == 0) {
        lastAction_ = 0;
        if (rules_.Value(row, col) == kCellFull) OpenCell(row, col, true);
        if (rules_.Value(row, col) == kCellEmpty) {
            BreakCell(row, col, 0, hintMode_);
            lastAction_ = -1;
            ClearDrag();
        }
        if (hintMode_) SetHintMode(false, "");
    } else if (!hintMode_) {
        lastAction_ = 1;
        if (rules_.Value(row, col) == kCellEmpty) BreakCell(row, col, 0, true);
        if (rules_.Value(row, col) == kCellFull) {
            OpenCell(row, col, false);
            lastAction_ = -1;
            ClearDrag();
        }
    }
}

void TQuillmarchControlGameNonogram::OpenCell(int32_t row, int32_t col, bool correct) {
    correct = correct || hintMode_;
    if (const Ref<IWidget> cell = grid_.Cell(row, col)) {
        cell->SetProperty("state", Variant(std::string("full")));
    }
    rules_.Resolve(row, col);
    if (correct) {
        PlayWindowSound("sound_globe_ok");
    } else {
        PlayWindowSound("sound_globe_wrong");
        RegisterError(row, col);
    }
    if (gameMode_ != 0) CheckLines(row, col);
}

void TQuillmarchControlGameNonogram::BreakCell(int32_t row, int32_t col, int32_t timeShift,
                                               bool correct) {
    correct = correct || hintMode_;
    const Ref<IWidget> cell = grid_.Cell(row, col);
    if (cell) {
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("name", Variant(cell->GetName()));
        params->SetValue("anchor_left", Variant(cell->GetLeft()));
        params->SetValue("anchor_top", Variant(cell->GetTop()));
        const std::string factory = "breaking_cell" + GridDefKey(rules_.Rows(), rules_.Cols());
        const Ref<IWidget> group = scenarioGroup_.Lock();
        const Ref<IWidgetCollection> children = group ? group->GetChildren() : nullptr;
        if (children) {
            if (const Ref<IWidget> breaking = CreateFactoryWidget(factory, params)) {
                children->AddWidget(breaking);
                breaking->SetProperty("currenttime", Variant(timeShift));
                breaking->Resume();
            }
        }
        if (timeShift < 0) {
            cell->SetProperty("state_to_set", Variant(std::string("invisible")));
            cell->SetProperty("currenttime", Variant(timeShift));
        } else {
            cell->SetProperty("state", Variant(std::string("empty")));
        }
    }
    rules_.Resolve(row, col);
    if (correct) {
        PlayWindowSound("sound_empty_ok");
    } else {
        PlayWindowSound("sound_empty_wrong");
        RegisterError(row, col);
    }
    if (gameMode_ != 0) CheckLines(row, col);
}

void TQuillmarchControlGameNonogram::RegisterError(int32_t row, int32_t col) {
    if (const Ref<IWidget> label = FindWidget("errors")) {
        int64_t shown = 0;
        ReadWhole(label->GetProperty("value"), shown);
        label->SetProperty("value", Variant(ClampToInt32(shown + 1)));
        ++counters_[kCounterErrorsMade];
        if (counters_[kCounterErrorsAllowed] < counters_[kCounterErrorsMade]) EndLevel(false);
    }
    if (const Ref<IWidget> cell = grid_.Cell(row, col)) {
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("name", Variant(cell->GetName()));
        params->SetValue("init_x", Variant(cell->GetLeft()));
        params->SetValue("init_y", Variant(cell->GetTop()));
        CreateScenario("scenario_nonogram_error", params);
    }
    const Ref<IParamCollection> profile = ProfileParams();
    if (profile && TextOrEmpty(profile->GetValue("show_hint_error", Variant("no"))) == "no") {
        profile->SetValue("show_hint_error", Variant("yes"));
        // The help says how many errors this picture still allows; its text
        // is translated anew with the level's own numbers.
        const int32_t allowed = counters_[kCounterErrorsAllowed];
        SetTextVariable("errors_allowed", std::to_string(allowed));
        SetTextVariable("errors_left",
                        std::to_string(std::max(0, allowed - counters_[kCounterErrorsMade])));
        const Ref<IParamCollection> show = NewParams();
        show->SetValue("label_message", Variant(std::string("%help_error%")));
        if (const Ref<IGameScreenOwner> game = GameOwner()) game->ShowGameScreen("GS_HintError", show);
    }
}

void TQuillmarchControlGameNonogram::CheckLines(int32_t row, int32_t col) {
    grid_.CheckLines(rules_, row, col);
    if (rules_.UnresolvedLeft() == 0) EndLevel(true);
}

void TQuillmarchControlGameNonogram::AutoComplete() {
    int32_t delay = 0;
    for (int32_t r = 0; r < rules_.Rows(); ++r) {
        for (int32_t c = 0; c < rules_.Cols(); ++c) {
            if (rules_.Value(r, c) != kCellEmpty) continue;
            delay -= 100;
            BreakCell(r, c, delay, true);
        }
    }
}

// --- Hints

void TQuillmarchControlGameNonogram::SetupHintButtons() {
    const Ref<IWidget> buttons = FindWidget("../hint_buttons");
    const Ref<IWidgetCollection> children = buttons ? buttons->GetChildren() : nullptr;
    if (!children || !levelDef_) return;
    int64_t hints = 0;
    ReadWhole(levelDef_->GetProperty("hints"), hints);
    const int64_t shown = std::min<int64_t>(children->GetCount(), hints);
    for (int32_t i = 0; i < children->GetCount(); ++i) {
        const Ref<IWidget> child = children->GetWidgetByIndex(i);
        if (!child) continue;
        if (EqualIgnoringAsciiCase(child->GetName(), "title_hints")) {
            child->SetVisible(true);
            continue;
        }
        child->SetVisible(i < shown);
        child->SetEnabled(i < shown);
        child->Restart();
    }
}

void TQuillmarchControlGameNonogram::RestoreToolCursor() {
    const Ref<IWidget> tools = tools_.Lock();
    if (ToolsActive(tools)) {
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("active_tool", Variant("arrow"));
        tools->ExecuteCommand(14, params);
    } else {
        SetCursor("default");
    }
}

void TQuillmarchControlGameNonogram::SetHintMode(bool on, const std::string& name) {
    if (on) {
        hintMode_ = true;
        hintButtonName_ = name;
        SetCursor("hint");
        return;
    }
    hintMode_ = false;
    RestoreToolCursor();
    PlayWindowSound("sound_using_hint");
    if (const Ref<IWidget> button = FindWidget("../hint_buttons/" + hintButtonName_)) {
        button->Restart();
        button->SetEnabled(false);
        button->SetVisible(false);
    }
    ++counters_[kCounterHintsUsed];
}

// --- Scenarios and the end of a level

void TQuillmarchControlGameNonogram::ScenarioFinished(const Ref<IParamCollection>& params) {
    const std::string name =
        params ? TextOrEmpty(params->GetValue("scenario_to_finalize", Variant())) : std::string();
    if (name == "scenario_start_level") {
        if (gameMode_ != 1) return;  // a start that was overtaken
        gameMode_ = 2;
        const Ref<IParamCollection> profile = ProfileParams();
        const Ref<IGameScreenOwner> game = GameOwner();
        struct THelp {
            const char *levelKey, *profileKey, *screen;
        };
        const THelp helps[] = {
            {"show_button_hint", "show_hint_button_hint", "GS_HintButtonHint"},
            {"show_right_button_hint", "show_right_button_hint", "GS_RightButtonHint"},
            {"show_autocomplete_hint", "show_autocomplete_hint", "GS_AutoCompleteHint"},
        };
        for (const THelp& help : helps) {
            if (!levelRef_ || !profile) break;
            if (TextOrEmpty(levelRef_->GetPropertyDef(help.levelKey, Variant(""))) != "yes") continue;
            if (TextOrEmpty(profile->GetValue(help.profileKey, Variant("no"))) != "no") continue;
            profile->SetValue(help.profileKey, Variant("yes"));
            if (game) game->ShowGameScreen(help.screen, nullptr);
        }
    } else if (name == "scenario_show_final_picture") {
        if (const Ref<IWidget> close = OwnerWidget("button_close")) close->SetVisible(true);
    } else if (name == "scenario_end_level") {
        EndLevel(true);
    } else if (name == "scenario_failed_level") {
        EndLevel(false);
    }
}

void TQuillmarchControlGameNonogram::EndLevel(bool won) {
    const Ref<TQuillmarchControlGameNonogram> self(this);
    if (gameMode_ == 2) {
        gameMode_ = 0;
        outcome_ = won ? TOutcome::kWon : TOutcome::kFailed;
        if (hintMode_) {
            hintMode_ = false;
            RestoreToolCursor();
        }
        if (won) {
            // Auto-completed cells break one after another: the picture is
            // final once the last has broken, not before.
            finalPending_ = CellsStillBreaking();
            if (!finalPending_) ShowFinalPicture();
            PlayWindowSound("sound_level_completed");
        } else {
            if (!CreateScenario("scenario_failed_level", SizeParams())) EndLevel(false);
            PlayWindowSound("sound_level_failed");
        }
        return;
    }
    if (gameMode_ != 0) return;
    // Each finished level reports once, and only as what it ended as.
    const TOutcome expected = won ? TOutcome::kWon : TOutcome::kFailed;
    if (outcome_ != expected) return;
    outcome_ = TOutcome::kNone;
    IWidgetOwner* owner = GetOwner();
    if (const Ref<IEventHandler> handler = owner ? owner->GetEventHandler() : nullptr) {
        handler->HandleEvent(Ref<IWidget>(this), won ? kEventLevelWon : kEventLevelFailed,
                             Results(won));
    }
}

void TQuillmarchControlGameNonogram::ShowFinalPicture() {
    if (!CreateScenario("scenario_show_final_picture", nullptr)) {
        // Nothing to show: the close button at once.
        if (const Ref<IWidget> close = OwnerWidget("button_close")) close->SetVisible(true);
    }
}

bool TQuillmarchControlGameNonogram::CellsStillBreaking() const {
    for (int32_t r = 0; r < rules_.Rows(); ++r) {
        for (int32_t c = 0; c < rules_.Cols(); ++c) {
            const Ref<IWidget> cell = grid_.Cell(r, c);
            if (!cell) continue;
            const std::string pending = TextOrEmpty(cell->GetProperty("state_to_set"));
            if (!pending.empty() && pending != TextOrEmpty(cell->GetProperty("state"))) return true;
        }
    }
    return false;
}

Ref<IParamCollection> TQuillmarchControlGameNonogram::Results(bool won) {
    const Ref<IParamCollection> results = NewParams();
    const Ref<IWidget> timer = FindWidget("timer");
    const auto timerValue = [&](const char* name) {
        return timer ? timer->GetProperty(name) : Variant();
    };
    const auto refValue = [&](const char* name) {
        return levelRef_ ? levelRef_->GetProperty(name) : Variant();
    };
    results->SetValue("Level", Variant(levelDef_ ? levelDef_->GetLevelNumber() : 0));
    if (won) {
        results->SetValue("level_ref", Variant(levelRef_ ? levelRef_->GetName() : std::string()));
        results->SetValue("level_time", timerValue("time_string"));
    }
    results->SetValue("level_time_in_sec", timerValue("time_in_sec"));
    results->SetValue("level_cup_time", levelDef_ ? levelDef_->GetProperty("cup_time") : Variant());
    // The errors made, not the label's count that may still be running up.
    results->SetValue("level_errors", Variant(std::to_string(counters_[kCounterErrorsMade])));
    results->SetValue("level_hints_used", Variant(counters_[kCounterHintsUsed]));
    if (won) {
        results->SetValue("location_name", Variant(locationName_));
        results->SetValue("level_time_bonus", refValue("level_time_bonus"));
        results->SetValue("level_hint_bonus", refValue("level_hint_bonus"));
        results->SetValue("level_mistake_bonus", refValue("level_mistake_bonus"));
        results->SetValue("hints", levelDef_ ? levelDef_->GetProperty("hints") : Variant());
        results->SetValue("tip", refValue("tip"));
        results->SetValue("level_points", refValue("level_points"));
    }
    results->SetValue("level_completed", Variant(won ? "yes" : "no"));
    return results;
}

// --- Per frame

void TQuillmarchControlGameNonogram::UpdateHover() {
    IWidgetOwner* owner = GetOwner();
    const Ref<IEngine> engine = owner ? owner->GetEngine() : nullptr;
    if (!engine) return;
    grid_.TrackHoverCross(engine->GetMousePos(), hoveredCell_);
}

void TQuillmarchControlGameNonogram::DoUpdate(int32_t elapsedMs) {
    TControlWidget::DoUpdate(elapsedMs);
    if (finalPending_ && !CellsStillBreaking()) {
        finalPending_ = false;
        if (gameMode_ == 0 && outcome_ == TOutcome::kWon) ShowFinalPicture();
    }
    if (gameMode_ != 2) return;
    UpdateHover();
    elapsedMs_ += elapsedMs;
    SetCounter(kCounterElapsedMs, ClampToInt32(elapsedMs_));
}

void RegisterBoardClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchControlGameNonogram>(), "QuillmarchControlGameNonogram");
}
