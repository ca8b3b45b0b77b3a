#include "minigames/BonusControl.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core/base/AsciiText.h"
#include "core/base/Log.h"
#include "core/base/Random.h"
#include "core/base/SafeConvert.h"
#include "engine/EngineStartup.h"  // FormatThousands
#include "game/HighScores.h"
#include "nonogram/GameServices.h"
#include "nonogram/GridDefs.h"

namespace {

Ref<IParamCollection> NewParams() {
    return Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

// A value written as a whole number (a number, or a text of digits); false
// for anything else, so bad data never raises out of a command or a frame.
bool ReadWhole(const Variant& value, int64_t& number) {
    number = 0;
    if (value.IsUnassigned()) return false;
    if (value.IsString()) return TryTextToInt64(value.ToString(), number);
    double d = 0;
    if (!TryTextToFloat(value.ToString(), d) || !std::isfinite(d)) return false;
    number = static_cast<int64_t>(std::clamp(d, -9e15, 9e15));
    return true;
}

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int32_t WholeOr(const Variant& value, int32_t fallback) {
    int64_t number = 0;
    return ReadWhole(value, number) ? ClampToInt32(number) : fallback;
}

Variant ParamOf(const Ref<IParamCollection>& params, const char* name) {
    return params ? params->GetValue(name, Variant()) : Variant();
}

}  // namespace

void TQuillmarchControlGameBonus::Create() {
    TControlWidget::Create();
    lastAction_ = -1;
    roundPool_ = Query<IQuillmarchLevelDefRefCollection>(
        CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>()));
}

void TQuillmarchControlGameBonus::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    gridWidget_ = Weak<IWidget>(FindWidget("grid"));
    scenarioGroup_ = Weak<IWidget>(FindWidget("scenario_group"));
    pointsWidget_ = Weak<IWidget>(FindWidget("points"));
    tools_ = Weak<IWidget>(OwnerWidget("control_tools"));
}

void TQuillmarchControlGameBonus::Detach() {
    // A hint armed when the game is left must not keep its cursor on the
    // screens that follow.
    CancelHintMode();
    ClearDrag();
    pointsWidget_ = nullptr;
    if (roundPool_) roundPool_->Clear();
    tools_ = nullptr;
    scenarioGroup_ = nullptr;
    roundRef_ = nullptr;
    roundDef_ = nullptr;
    gridWidget_ = nullptr;
    hoverCell_ = nullptr;
    rules_.Clear();
    grid_.Clear();
    ++boardGeneration_;
    TControlWidget::Detach();
}

int32_t TQuillmarchControlGameBonus::GetPoolCount() const {
    return roundPool_ ? roundPool_->GetCount() : 0;
}

// --- What the control reaches through its owner

Ref<IWidget> TQuillmarchControlGameBonus::OwnerWidget(const std::string& path) {
    IWidgetOwner* owner = GetOwner();
    return owner ? owner->FindWidget(path) : nullptr;
}

void TQuillmarchControlGameBonus::PlayWindowSound(const std::string& name) {
    IWidgetOwner* owner = GetOwner();
    if (const Ref<IWindow> window = owner ? owner->GetWindow() : nullptr) window->PlaySound(name);
}

Ref<IWidget> TQuillmarchControlGameBonus::StartScenario(const std::string& name,
                                                        const Ref<IParamCollection>& params) {
    const Ref<IWidget> group = scenarioGroup_.Lock();
    const Ref<IWidgetCollection> children = group ? group->GetChildren() : nullptr;
    if (!children) return nullptr;
    const Ref<IWidget> scenario = CreateFactoryWidget(name, params);
    // One scenario of a name at a time.
    if (!scenario || children->GetWidget(Variant(scenario->GetName()))) return nullptr;
    children->AddWidget(scenario);
    scenario->SetProperty("control_game", Variant(Ref<IInterface>(Ref<IWidget>(this))));
    return scenario;
}

void TQuillmarchControlGameBonus::SetPoints(int32_t value) {
    points_ = value;
    if (const Ref<IWidget> widget = pointsWidget_.Lock())
        widget->SetProperty("value", Variant(value));
}

// --- Commands

void TQuillmarchControlGameBonus::ExecuteCommand(int32_t command,
                                                 const Ref<IParamCollection>& params) {
    TControlWidget::ExecuteCommand(command, params);
    const Ref<TQuillmarchControlGameBonus> self(this);
    switch (command) {
        case kBonusCommandStart:
        case kBonusCommandRestart:
            StartLevel(params);
            break;
        case kBonusCommandArmHint:
            UseHint(true, TextOrEmpty(ParamOf(params, "name")));
            break;
        case kBonusCommandScenarioFinished:
            ScenarioFinished(params);
            break;
        case kBonusCommandClear:
            ClearBoard();
            TNonogramGrid::ClearGroup(scenarioGroup_.Lock());
            if (roundPool_) roundPool_->Clear();
            roundRef_ = nullptr;
            roundDef_ = nullptr;
            CancelHintMode();
            // Nothing is left to play: the clock stops and no end is due.
            gameState_ = TBonusGameState::kCompleting;
            outcome_ = TOutcome::kNone;
            roundEndPending_ = refusalPending_ = false;
            break;
        default:
            break;
    }
}

// --- Levels and rounds

void TQuillmarchControlGameBonus::StartLevel(const Ref<IParamCollection>& params) {
    hintsUsed_ = errorsAllowed_ = errorsMade_ = 0;
    timeLimitMs_ = elapsedMs_ = 0;
    comboTimeLeft_ = 0;
    TNonogramGrid::ClearGroup(scenarioGroup_.Lock());
    ClearDrag();
    CancelHintMode();
    outcome_ = TOutcome::kNone;
    roundEndPending_ = refusalPending_ = refused_ = false;

    moveReward_ = kBonusBaseMoveReward;
    if (const Ref<IWidget> widget = pointsWidget_.Lock())
        widget->SetProperty("animation", Variant(false));
    SetPoints(0);

    levelName_ = TextOrEmpty(ParamOf(params, "LevelName"));
    roundPool_->Clear();
    const Ref<IGameScreenOwner> game = GameOwnerOf(GetOwner());
    const Ref<IQuillmarchLevelDefRefCollection> catalogue = Query<IQuillmarchLevelDefRefCollection>(
        game ? game->GetOption("level_bonus_def_refs").ToInterface() : nullptr);
    if (catalogue) {
        for (int32_t i = 0; i < catalogue->GetCount(); ++i) {
            const Ref<IQuillmarchLevelDefRef> entry = catalogue->GetItem(Variant(i));
            if (entry && TextOrEmpty(entry->GetProperty("bonus_scene")) == levelName_)
                roundPool_->Add(entry);
        }
    }
    rounds_ = WholeOr(ParamOf(params, "rounds"), 0);
    currentRound_ = 0;
    roundRef_ = nullptr;
    roundDef_ = nullptr;
    ClearBoard();

    if (const Ref<IWidget> errors = FindWidget("errors")) {
        const Variant errorPos = ParamOf(params, "error_pos");
        errors->SetProperty("value", Variant(0));
        errors->SetProperty("error_pos", errorPos);
        int64_t allowed = 0;
        if (!ReadWhole(errorPos, allowed)) {
            return Refuse("its \"error_pos\" \"" + TextOrEmpty(errorPos) + "\" is no whole number");
        }
        errorsAllowed_ = ClampToInt32(allowed);
    }
    if (const Ref<IWidget> timer = FindWidget("timer")) {
        int64_t seconds = 0;
        ReadWhole(ParamOf(params, "total_leveltime"), seconds);
        timeLimitMs_ =
            std::clamp<int64_t>(seconds, -9'000'000'000'000LL, 9'000'000'000'000LL) * 1000;
        timer->SetProperty("currenttime", Variant(ClampToInt32(timeLimitMs_)));
        timer->SetPaused(true);
    }
    gameState_ = TBonusGameState::kStarting;

    const Ref<IWidget> buttons = FindWidget("../hint_buttons");
    if (const Ref<IWidgetCollection> children = buttons ? buttons->GetChildren() : nullptr) {
        for (int32_t i = 0; i < children->GetCount(); ++i) {
            const Ref<IWidget> child = children->GetWidgetByIndex(i);
            if (!child) continue;
            child->SetVisible(true);
            if (!EqualIgnoringAsciiCase(child->GetName(), "title_hints")) child->SetEnabled(true);
        }
    }
    hintsAllowed_ = WholeOr(ParamOf(params, "hints"), 0);
    lastAction_ = -1;

    if (rounds_ < 1) return Refuse("it has no rounds to play");
    StartNextRound();
}

void TQuillmarchControlGameBonus::Refuse(const std::string& why) {
    Log("BONUS", "bonus level \"" + levelName_ + "\" cannot be played: " + why);
    ClearBoard();
    // The failure is reported from the next frame, never from inside the
    // command that started the level.
    gameState_ = TBonusGameState::kCompleting;
    outcome_ = TOutcome::kFailed;
    refusalPending_ = refused_ = true;
    lastAction_ = -1;
}

void TQuillmarchControlGameBonus::ClearBoard() {
    if (const Ref<IWidget> grid = gridWidget_.Lock()) {
        TNonogramGrid::ClearGroup(grid->FindWidget("cells"));
        TNonogramGrid::ClearGroup(grid->FindWidget("digits"));
    }
    rules_.Clear();
    grid_.Clear();
    hoverCell_ = nullptr;
    ClearDrag();
    ++boardGeneration_;
}

bool TQuillmarchControlGameBonus::LoadRound(std::string& error) {
    int64_t rows = 0, cols = 0;
    if (!ReadWhole(roundDef_->GetProperty("rows"), rows) ||
        !ReadWhole(roundDef_->GetProperty("cols"), cols)) {
        error = "its \"rows\" and \"cols\" are no whole numbers";
        return false;
    }
    std::vector<std::string> cells;
    if (const Ref<ILevelDefRowCollection> picture = roundDef_->GetRows()) {
        const int32_t count = picture->GetCount();
        // Never more rows read than the picture may have: an extra row is
        // counted, not read.
        for (int32_t i = 0; i < count && i <= rows; ++i) {
            const Ref<ILevelDefRow> row = picture->GetItem(Variant(i));
            cells.push_back(row ? row->GetCells() : std::string());
        }
        if (count > rows) cells.resize(static_cast<size_t>(count));
    }
    if (!rules_.Load(ClampToInt32(rows), ClampToInt32(cols), cells, error)) {
        error = "the picture: " + error;
        return false;
    }
    const Ref<IGameScreenOwner> game = GameOwnerOf(GetOwner());
    const Ref<IGridDefCollection> defs =
        Query<IGridDefCollection>(game ? game->GetOption("grid_defs").ToInterface() : nullptr);
    const std::string key = GridDefKey(rules_.Rows(), rules_.Cols());
    TGridGeometry geometry;
    if (!ReadGridGeometry(defs ? defs->GetItem(Variant(key)) : nullptr, geometry, error)) {
        error = "the grid definition \"" + key + "\": " + error;
        return false;
    }
    const Ref<IWidget> grid = gridWidget_.Lock();
    const Ref<IWidget> cellsGroup = grid ? grid->FindWidget("cells") : nullptr;
    const Ref<IWidget> digits = grid ? grid->FindWidget("digits") : nullptr;
    // The start scenario shows the groups.
    if (cellsGroup) cellsGroup->SetVisible(false);
    if (digits) digits->SetVisible(false);
    if (!cellsGroup || !digits) {
        error = "the control has no \"grid/cells\" and \"grid/digits\"";
        return false;
    }
    return grid_.Layout(cellsGroup, digits, *this, rules_, geometry, error);
}

void TQuillmarchControlGameBonus::StartNextRound() {
    ClearDrag();
    TNonogramGrid::ClearGroup(scenarioGroup_.Lock());
    ++currentRound_;
    roundEndPending_ = false;
    ClearBoard();
    const int32_t count = roundPool_->GetCount();
    if (count < 1) return Refuse("no picture is left for round " + std::to_string(currentRound_));
    const int32_t index = PlayRandom(count);
    roundRef_ = roundPool_->GetItem(Variant(index));
    roundPool_->Delete(Variant(index));
    roundDef_ = roundRef_ ? roundRef_->LoadLevelDef() : nullptr;
    if (!roundDef_) {
        return Refuse("the picture \"" + (roundRef_ ? roundRef_->GetName() : std::string()) +
                      "\" does not load");
    }
    std::string error;
    if (!LoadRound(error)) {
        const std::string name = roundRef_->GetName();
        ClearBoard();
        return Refuse("the picture \"" + name + "\": " + error);
    }

    const Ref<IParamCollection> params = NewParams();
    params->SetValue("rows", Variant(rules_.Rows()));
    params->SetValue("cols", Variant(rules_.Cols()));
    const bool final = currentRound_ == rounds_;
    params->SetValue("final_round", Variant(final ? "yes" : "no"));
    params->SetValue("current_round", Variant(currentRound_));
    std::string title;
    if (currentRound_ == 1) {
        title = "%title_extra_mode%\n%" + levelName_ + "%\n%title_round% 1";
    } else if (final) {
        title = "%title_final_round%";
    } else {
        title = "%title_round% " + std::to_string(currentRound_);
    }
    params->SetValue("LevelName", Variant(title));
    StartScenario(currentRound_ == 1 ? "scenario_start_level" : "scenario_nonogram_start_round",
                  params);
    gameState_ = TBonusGameState::kStarting;
    lastAction_ = -1;
}

void TQuillmarchControlGameBonus::ScenarioFinished(const Ref<IParamCollection>& params) {
    const std::string name = TextOrEmpty(ParamOf(params, "scenario_to_finalize"));
    if (name == "scenario_start_level" || name == "scenario_nonogram_start_round") {
        // A start that a restart or a refusal overtook starts nothing.
        if (gameState_ != TBonusGameState::kStarting) return;
        gameState_ = TBonusGameState::kPlaying;
        const Ref<IParamCollection> profile = CurrentProfileParams(GetOwner());
        if (profile && TextOrEmpty(profile->GetValue("show_bonus_help", Variant("no"))) == "no") {
            profile->SetValue("show_bonus_help", Variant("yes"));
            if (const Ref<IGameScreenOwner> game = GameOwnerOf(GetOwner()))
                game->ShowGameScreen("GS_HelpBonus", nullptr);
        }
    } else if (name == "scenario_end_level") {
        EndRound(true);
    } else if (name == "scenario_failed_level") {
        EndRound(false);
    } else if (name == "scenario_nonogram_end_round") {
        if (roundEndPending_) StartNextRound();
    }
}

void TQuillmarchControlGameBonus::EndRound(bool won) {
    const Ref<TQuillmarchControlGameBonus> self(this);
    if (won && gameState_ == TBonusGameState::kPlaying) {
        SetPoints(points_ + kBonusRoundBonus);
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("name", Variant(std::to_string(elapsedMs_)));
        params->SetValue("text", Variant("+ " + FormatThousands(kBonusRoundBonus)));
        params->SetValue("anchor_left", Variant(380));
        params->SetValue("anchor_top", Variant(100));
        StartScenario("flying_points", params);
    }
    if (won && gameState_ == TBonusGameState::kPlaying && rounds_ > currentRound_) {
        gameState_ = TBonusGameState::kCompleting;
        roundEndPending_ = true;
        if (!StartScenario("scenario_nonogram_end_round", nullptr)) StartNextRound();
        PlayWindowSound("sound_level_completed");
        return;
    }
    if (gameState_ == TBonusGameState::kPlaying) {
        gameState_ = TBonusGameState::kCompleting;
        outcome_ = won ? TOutcome::kWon : TOutcome::kFailed;
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("rows", roundDef_ ? roundDef_->GetProperty("rows") : Variant());
        params->SetValue("cols", roundDef_ ? roundDef_->GetProperty("cols") : Variant());
        if (!StartScenario(won ? "scenario_end_level" : "scenario_failed_level", params))
            EndRound(won);
        PlayWindowSound(won ? "sound_level_completed" : "sound_level_failed");
        return;
    }
    // The end scenario has finished: each level's end is reported once,
    // and only as what it ended as.
    if (gameState_ != TBonusGameState::kCompleting) return;
    if (outcome_ != (won ? TOutcome::kWon : TOutcome::kFailed)) return;
    outcome_ = TOutcome::kNone;
    refusalPending_ = false;
    const Ref<IParamCollection> results = Results(won);
    IWidgetOwner* owner = GetOwner();
    if (const Ref<IEventHandler> handler = owner ? owner->GetEventHandler() : nullptr)
        handler->HandleEvent(Ref<IWidget>(this), won ? kEventBonusWon : kEventBonusFailed, results);
}

Ref<IParamCollection> TQuillmarchControlGameBonus::Results(bool won) {
    const Ref<IParamCollection> p = NewParams();
    const std::string progress =
        std::to_string(std::max(0, currentRound_ - 1)) + " / " + std::to_string(rounds_);
    if (won) {
        const Ref<IWidget> timer = FindWidget("timer");
        const Ref<IWidget> errors = FindWidget("errors");
        p->SetValue("level_time", timer ? timer->GetProperty("time_string") : Variant());
        p->SetValue("level_time_in_sec", timer ? timer->GetProperty("time_in_sec") : Variant());
        p->SetValue(
            "level_errors",
            Variant(std::to_string(errors ? WholeOr(errors->GetProperty("current_value"), 0) : 0)));
        p->SetValue("level_hints_used", Variant(hintsUsed_));
        p->SetValue("total_leveltime", Variant(ClampToInt32(timeLimitMs_)));
        p->SetValue("current_round", Variant(currentRound_));
        p->SetValue("level_result", Variant("%bonus_level_completed%"));
        p->SetValue("level_progress", Variant("%bonus_level_progress_completed%"));
    } else {
        p->SetValue("level_result",
                    Variant(errorsMade_ > errorsAllowed_ ? "%bonus_level_progress_errors%"
                                                         : "%bonus_level_progress_timeout%"));
        p->SetValue("level_progress", Variant(progress));
    }
    p->SetValue("level_points", Variant(std::to_string(points_)));
    // A level that could not be played earns nothing for the hints it did
    // not use.
    if (hintsUsed_ < 1 && !refused_) {
        SetPoints(points_ + kBonusHintBonus);
        p->SetValue("level_hints_bonus",
                    Variant("+ " + FormatThousands(kBonusHintBonus) + " %points%"));
    } else {
        p->SetValue("level_hints_bonus", Variant("0"));
    }
    if (won) {
        const double secondsLeft = static_cast<double>(timeLimitMs_ - elapsedMs_) / 1000.0;
        // Whole seconds, a half to the even one as everywhere else in the game.
        const int64_t bonus = std::max<int64_t>(
            0, SaturatingRound<int64_t>(secondsLeft) * kBonusTimeBonusPerSecond);
        p->SetValue("level_time_bonus", Variant("+ " + FormatThousands(bonus) + " %points%"));
        SetPoints(ClampToInt32(int64_t{points_} + bonus));
    } else {
        p->SetValue("level_time_bonus", Variant("0"));
    }
    p->SetValue("level_total_points", Variant(std::to_string(points_)));
    bool record = false;
    const Ref<IGameScreenOwner> game = GameOwnerOf(GetOwner());
    if (const Ref<IHighScores> scores = game ? game->GetHighScores() : nullptr) {
        scores->ResetLastAdded();
        record = scores->IsHighScore(points_, levelName_);
    }
    p->SetValue("award_record", Variant(record ? "yes" : "no"));
    p->SetValue("LevelName", Variant(levelName_));
    return p;
}

// --- Per frame

void TQuillmarchControlGameBonus::UpdateHover() {
    IWidgetOwner* owner = GetOwner();
    const Ref<IEngine> engine = owner ? owner->GetEngine() : nullptr;
    if (!engine) return;
    grid_.TrackHoverCross(engine->GetMousePos(), hoverCell_);
}

void TQuillmarchControlGameBonus::DoUpdate(int32_t elapsedMs) {
    TControlWidget::DoUpdate(elapsedMs);
    const Ref<TQuillmarchControlGameBonus> self(this);
    if (refusalPending_) {
        EndRound(false);
        return;
    }
    if (gameState_ != TBonusGameState::kPlaying) return;
    UpdateHover();
    comboTimeLeft_ = ClampToInt32(int64_t{comboTimeLeft_} - elapsedMs);
    elapsedMs_ += elapsedMs;
    if (timeLimitMs_ <= elapsedMs_) EndRound(false);
}

// --- Presses

void TQuillmarchControlGameBonus::ClearDrag() {
    dragFirst_ = dragSecond_ = -1;
}

bool TQuillmarchControlGameBonus::ToolsActive(const Ref<IWidget>& tools) {
    return tools && TextOrEmpty(tools->GetProperty("tools_state")) == "active";
}

bool TQuillmarchControlGameBonus::MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) {
    const bool handled = TControlWidget::MouseDown(x, y, shift, button);
    if (gameState_ != TBonusGameState::kPlaying) return handled;
    const Ref<TQuillmarchControlGameBonus> self(this);

    int32_t tool = button;
    const Ref<IWidget> tools = tools_.Lock();
    if (ToolsActive(tools) && !hintMode_) {
        if (button == 1 && lastAction_ != 1) {
            tools->ExecuteCommand(14, nullptr);
            return handled;
        }
        tool = TextOrEmpty(tools->GetProperty("active_tool")) == "arrow" ? 0 : 1;
    }

    // The point in the owner's content, moved into the cells' group.
    const Ref<IWidget> grid = gridWidget_.Lock();
    const Ref<IWidgetOwner> cellsOwner =
        Query<IWidgetOwner>(grid ? grid->FindWidget("cells") : nullptr);
    IWidgetOwner* owner = GetOwner();
    if (!cellsOwner || !owner) return handled;
    const TPoint inCells = cellsOwner->ScreenToClient(0, 0);
    const TPoint inOwner = owner->ScreenToClient(0, 0);
    const Ref<IWidget> cell = grid_.CellAt(x + inCells.x - inOwner.x, y + inCells.y - inOwner.y);
    int32_t row = -1, col = -1;
    if (!cell || !grid_.Position(cell.get(), row, col)) return handled;

    // The cells the pointer skipped since its last position in this drag.
    std::vector<int32_t> passed;
    const int32_t cols = rules_.Cols();
    if (!hintMode_) {
        const int32_t index = row * cols + col;
        if (dragFirst_ < 0) {
            dragFirst_ = index;
        } else if (dragSecond_ < 0) {
            if (index != dragFirst_) {
                passed = CellsBetween(dragFirst_, index, cols);
                dragSecond_ = index;
            }
        } else if (index != dragSecond_) {
            // The first two cells fix the line the drag may follow.
            const int32_t firstRow = dragFirst_ / cols, firstCol = dragFirst_ % cols;
            const int32_t secondRow = dragSecond_ / cols, secondCol = dragSecond_ % cols;
            const bool onLine = (firstRow == secondRow && secondRow == row) ||
                                (firstCol == secondCol && secondCol == col);
            if (!onLine) return handled;
            passed = CellsBetween(dragSecond_, index, cols);
            dragFirst_ = dragSecond_;
            dragSecond_ = index;
        }
    }
    const uint32_t board = boardGeneration_;
    for (const int32_t skipped : passed) {
        // An error on the way ends the drag, an ended round the board.
        if (dragFirst_ < 0 || board != boardGeneration_ ||
            gameState_ != TBonusGameState::kPlaying) {
            return handled;
        }
        ApplyMove(skipped / cols, skipped % cols, tool);
    }
    if (!passed.empty() && (dragFirst_ < 0 || board != boardGeneration_ ||
                            gameState_ != TBonusGameState::kPlaying)) {
        return handled;
    }
    ApplyMove(row, col, tool);
    return handled;
}

bool TQuillmarchControlGameBonus::MouseMove(int32_t x, int32_t y, int32_t shift) {
    const bool handled = TControlWidget::MouseMove(x, y, shift);
    if (lastAction_ != -1) MouseDown(x, y, shift, lastAction_ == 1 ? 1 : 0);
    return handled;
}

bool TQuillmarchControlGameBonus::MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) {
    const bool handled = TControlWidget::MouseUp(x, y, shift, button);
    lastAction_ = -1;
    ClearDrag();
    return handled;
}

void TQuillmarchControlGameBonus::ApplyMove(int32_t row, int32_t col, int32_t tool) {
    const Ref<IWidget> cell = grid_.Cell(row, col);
    if (!cell || (tool != 0 && tool != 1)) return;
    if (TextOrEmpty(cell->GetProperty("state")) != "closed") {
        if (!hintMode_) lastAction_ = tool;
        return;
    }
    const uint32_t board = boardGeneration_;
    if (tool == 0) {
        lastAction_ = 0;
        if (rules_.Value(row, col) == kCellFull) OpenFullCell(row, col, true);
        // The move may have ended the round and laid out the next board.
        if (board == boardGeneration_ && rules_.Value(row, col) == kCellEmpty) {
            BreakEmptyCell(row, col, false);
            lastAction_ = -1;
            ClearDrag();
        }
        if (hintMode_) UseHint(false, hintButtonName_);
    } else if (!hintMode_) {
        lastAction_ = 1;
        if (rules_.Value(row, col) == kCellEmpty) BreakEmptyCell(row, col, true);
        if (board == boardGeneration_ && rules_.Value(row, col) == kCellFull) {
            OpenFullCell(row, col, false);
            lastAction_ = -1;
            ClearDrag();
        }
    }
}

void TQuillmarchControlGameBonus::OpenFullCell(int32_t row, int32_t col, bool correct) {
    const bool good = correct || hintMode_;
    const Ref<IWidget> cell = grid_.Cell(row, col);
    if (cell) cell->SetProperty("state", Variant("full"));
    rules_.Resolve(row, col);
    PlayWindowSound(good ? "sound_globe_ok" : "sound_globe_wrong");
    AddMovePoints(good, cell);
    if (!good) CountError(cell);
    if (gameState_ != TBonusGameState::kCompleting) CheckLines(row, col);
}

void TQuillmarchControlGameBonus::BreakEmptyCell(int32_t row, int32_t col, bool correct) {
    const bool good = correct || hintMode_;
    const Ref<IWidget> cell = grid_.Cell(row, col);
    if (cell) {
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("name", Variant(cell->GetName()));
        params->SetValue("anchor_left", Variant(cell->GetLeft()));
        params->SetValue("anchor_top", Variant(cell->GetTop()));
        const Ref<IWidget> group = scenarioGroup_.Lock();
        const Ref<IWidgetCollection> children = group ? group->GetChildren() : nullptr;
        const Ref<IWidget> breaking =
            CreateFactoryWidget("breaking_cell" + GridDefKey(rules_.Rows(), rules_.Cols()), params);
        if (breaking && children) {
            children->AddWidget(breaking);
            breaking->Restart();
        }
        cell->SetProperty("state", Variant("empty"));
    }
    rules_.Resolve(row, col);
    PlayWindowSound(good ? "sound_empty_ok" : "sound_empty_wrong");
    AddMovePoints(good, cell);
    if (!good) CountError(cell);
    if (gameState_ != TBonusGameState::kCompleting) CheckLines(row, col);
}

void TQuillmarchControlGameBonus::AddMovePoints(bool good, const Ref<IWidget>& cell) {
    if (const Ref<IWidget> widget = pointsWidget_.Lock())
        widget->SetProperty("animation", Variant(true));
    std::string text;
    if (good) {
        moveReward_ = comboTimeLeft_ > 0 ? moveReward_ + kBonusRewardStep : kBonusBaseMoveReward;
        comboTimeLeft_ = kBonusComboTimeMs;
        SetPoints(ClampToInt32(int64_t{points_} + moveReward_));
        text = "+ " + FormatThousands(moveReward_);
    } else {
        moveReward_ = kBonusBaseMoveReward;
        comboTimeLeft_ = 0;
        SetPoints(std::max(0, points_ - kBonusWrongMovePenalty));
        text = "- " + FormatThousands(kBonusWrongMovePenalty);
    }
    if (!cell) return;
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("name", Variant(std::to_string(elapsedMs_) + cell->GetName()));
    params->SetValue("text", Variant(text));
    params->SetValue("anchor_left", Variant(cell->GetLeft() + cell->GetWidth() / 2));
    params->SetValue("anchor_top", Variant(cell->GetTop()));
    StartScenario("flying_points", params);
}

void TQuillmarchControlGameBonus::CountError(const Ref<IWidget>& cell) {
    if (const Ref<IWidget> errors = FindWidget("errors")) {
        errors->SetProperty(
            "value", Variant(ClampToInt32(int64_t{WholeOr(errors->GetProperty("value"), 0)} + 1)));
        ++errorsMade_;
        if (errorsMade_ > errorsAllowed_) EndRound(false);
    }
    if (cell) {
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("name", Variant(cell->GetName()));
        params->SetValue("init_x", Variant(cell->GetLeft()));
        params->SetValue("init_y", Variant(cell->GetTop()));
        StartScenario("scenario_nonogram_error", params);
    }
    const Ref<IParamCollection> profile = CurrentProfileParams(GetOwner());
    if (profile && TextOrEmpty(profile->GetValue("show_hint_error", Variant("no"))) == "no") {
        profile->SetValue("show_hint_error", Variant("yes"));
        if (const Ref<IGameScreenOwner> game = GameOwnerOf(GetOwner()))
            game->ShowGameScreen("GS_HintError", nullptr);
    }
}

void TQuillmarchControlGameBonus::CheckLines(int32_t row, int32_t col) {
    grid_.CheckLines(rules_, row, col);
    if (rules_.UnresolvedLeft() == 0 && !rules_.Empty()) EndRound(true);
}

// --- Hints

void TQuillmarchControlGameBonus::RestoreToolCursor() {
    const Ref<IWidget> tools = tools_.Lock();
    if (ToolsActive(tools)) {
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("active_tool", Variant("arrow"));
        tools->ExecuteCommand(14, params);
    } else {
        SetGameCursor(GetOwner(), "default");
    }
}

void TQuillmarchControlGameBonus::CancelHintMode() {
    if (!hintMode_) return;
    hintMode_ = false;
    RestoreToolCursor();
}

void TQuillmarchControlGameBonus::UseHint(bool begin, const std::string& buttonName) {
    if (begin) {
        hintMode_ = true;
        hintButtonName_ = buttonName;
        SetGameCursor(GetOwner(), "hint");
        return;
    }
    hintMode_ = false;
    RestoreToolCursor();
    PlayWindowSound("sound_using_hint");
    if (const Ref<IWidget> button = FindWidget("../hint_buttons/" + hintButtonName_)) {
        button->Restart();
        button->SetEnabled(false);
        button->SetVisible(false);
        --hintsAllowed_;
    }
    ++hintsUsed_;
}

void RegisterBonusControlClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchControlGameBonus>(), "QuillmarchControlGameBonus");
}
