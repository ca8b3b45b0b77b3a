#include "nonogram/LevelFlowScenarios.h"

#include <algorithm>
#include <cmath>

#include "core/base/Log.h"
#include "core/base/SafeConvert.h"
#include "core/persist/Params.h"

namespace {

Ref<IParamCollection> NewParams() {
    return Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

// A property read as a number; 0 for no value or one that is not a finite
// number.
int32_t Whole(const Variant& value) {
    return SaturatingRound<int32_t>(FiniteNumberOr(value));
}

double Ratio(int32_t t, double timeout) {
    if (!(timeout > 0)) return 1.0;
    return std::clamp(double(t) / timeout, 0.0, 1.0);
}

}  // namespace

uint8_t BlackoutFadeIn(uint8_t from, int32_t t, int32_t timeout) {
    const double level = RoundHalfEven(from + 255.0 * Ratio(t, timeout));
    return static_cast<uint8_t>(std::min(255.0, level));
}

uint8_t BlackoutFadeOut(int32_t t, int32_t timeout) {
    const double level = RoundHalfEven(255.0 - 255.0 * Ratio(t, timeout));
    return static_cast<uint8_t>(std::max(0.0, level));
}

double PanelSlideFraction(int32_t t, int32_t timeout) {
    return Ratio(t, timeout / 2.0);
}

int32_t StaggerStep(int32_t total, int32_t count, int32_t none) {
    if (count < 1) return none;
    return SaturatingRound<int32_t>(double(total) / double(count));
}

// ---------------------------------------------------------------------------
// TLevelFlowScenario

void TLevelFlowScenario::Detach() {
    boardCells_ = nullptr;
    digits_ = nullptr;
    timer_ = nullptr;
    ownCells_ = nullptr;
    blackout_ = nullptr;
    for (Weak<IWidget>& part : panel_) part = nullptr;
    TControlStateScenario::Detach();
}

Ref<IWidget> TLevelFlowScenario::BoardWidget(std::string_view path) const {
    const Ref<IWidget> board = Board();
    return board ? board->FindWidget(path) : nullptr;
}

Ref<IWidget> TLevelFlowScenario::ScreenWidget(std::string_view path) const {
    const Ref<IWidget> board = Board();
    IWidgetOwner* owner = board ? board->GetOwner() : nullptr;
    return owner ? owner->FindWidget(path) : nullptr;
}

bool TLevelFlowScenario::RequireControl() {
    if (Board()) return true;
    // Stops the machine too, so no later state runs on what was never found.
    SetState("");
    return false;
}

void TLevelFlowScenario::ReportFinished() {
    // The control may drop this scenario (and its group) while it answers.
    const Ref<IWidget> self(this);
    if (!reported_) {
        reported_ = true;
        if (const Ref<IWidget> board = Board()) {
            const Ref<IParamCollection> params = NewParams();
            params->SetValue("scenario_to_finalize", Variant(GetName()));
            board->ExecuteCommand(11, params);
        }
    }
    Finish();
}

void TLevelFlowScenario::StartTimeout(int32_t ms) {
    timeout_ = ms;
    SetStateTimeout(ms);
}

Ref<IWidgetCollection> TLevelFlowScenario::ChildrenOf(const Weak<IWidget>& group) {
    const Ref<IWidget> widget = group.Lock();
    return widget ? widget->GetChildren() : nullptr;
}

void TLevelFlowScenario::SetVisible(const Weak<IWidget>& widget, bool visible) {
    if (const Ref<IWidget> w = widget.Lock()) w->SetVisible(visible);
}

void TLevelFlowScenario::FindBlackout() {
    const Ref<IWidget> blackout = BoardWidget("../bg_group/blackout");
    blackout_ = Weak<IWidget>(blackout);
    blackoutStart_ = blackout ? blackout->GetTransparentLevel() : 0;
}

void TLevelFlowScenario::FadeBlackoutIn(int32_t t) {
    if (const Ref<IWidget> blackout = blackout_.Lock())
        blackout->SetTransparentLevel(BlackoutFadeIn(blackoutStart_, t, timeout_));
}

void TLevelFlowScenario::FadeBlackoutOut(int32_t t) {
    if (const Ref<IWidget> blackout = blackout_.Lock())
        blackout->SetTransparentLevel(BlackoutFadeOut(t, timeout_));
}

void TLevelFlowScenario::RememberPanelPositions() {
    static constexpr std::array<const char*, kPanelCount> kBoardPaths = {
        "timer", "errors", "image_select", "image_hammer", "nonogram_panel", "button_menu",
        nullptr, nullptr, "points"};
    for (int32_t i = 0; i < kPanelCount; ++i) {
        Ref<IWidget> widget;
        if (i == kPanelHintButtons) {
            widget = ScreenWidget("hint_buttons");
        } else if (i == kPanelToolsFrame) {
            widget = ScreenWidget("control_tools/frame");
        } else {
            widget = BoardWidget(kBoardPaths[size_t(i)]);
        }
        panel_[size_t(i)] = Weak<IWidget>(widget);
        panelStart_[size_t(i)] =
            !widget ? 0.0 : (i == kPanelPoints ? widget->GetTop() : widget->GetLeft());
    }
}

void TLevelFlowScenario::SlidePanelIn(int32_t t) {
    SlidePanel(true, t);
}

void TLevelFlowScenario::SlidePanelOut(int32_t t) {
    SlidePanel(false, t);
}

void TLevelFlowScenario::SlidePanel(bool in, int32_t t) {
    const double f = PanelSlideFraction(t, timeout_);
    for (int32_t i = 0; i < kPanelCount; ++i) {
        const Ref<IWidget> widget = panel_[size_t(i)].Lock();
        if (!widget) continue;
        double target = i == kPanelPoints ? kPointsOutTop : kPanelOutLeft;
        if (in) {
            const char* property =
                i == kPanelPoints ? "init_y" : (i == kPanelToolsFrame ? "arrow_x" : "init_x");
            target = FiniteNumberOr(widget->GetProperty(property));
        }
        const double start = panelStart_[size_t(i)];
        const double position = start + (target - start) * f;
        if (i == kPanelPoints) {
            widget->SetTop(position);
        } else {
            widget->SetLeft(position);
        }
    }
}

// ---------------------------------------------------------------------------
// TScenarioStartLevel

void TScenarioStartLevel::Create() {
    TLevelFlowScenario::Create();
    using S = TScenarioStartLevel;
    AddState("enter", "show_level_name", &S::Enter, &S::AlwaysTrue);
    AddState("show_level_name", "show_cells", &S::EnterShowLevelName, &S::IsTimeoutReached,
             nullptr, &S::ProcessShowLevelName);
    AddState("show_cells", "show_digits", &S::EnterShowCells, &S::IsTimeoutReached);
    AddState("show_digits", "exit", &S::EnterShowDigits, &S::IsTimeoutReached);
    AddState("exit", "", &S::EnterExit, &S::AlwaysTrue);
}

void TScenarioStartLevel::Enter() {
    if (!RequireControl()) return;
    if (StagesLevel()) FindBlackout();
    boardCells_ = Weak<IWidget>(BoardWidget("grid/cells"));
    SetVisible(boardCells_, false);
    digits_ = Weak<IWidget>(BoardWidget("grid/digits"));
    SetVisible(digits_, false);
    timer_ = Weak<IWidget>(BoardWidget("timer"));
    if (const Ref<IWidget> timer = timer_.Lock()) timer->SetPaused(true);
    ownCells_ = Weak<IWidget>(FindWidget("cells"));
    if (const Ref<IWidgetCollection> own = ChildrenOf(ownCells_)) own->Clear();
    cols_ = Whole(GetProperty("cols"));
    rows_ = Whole(GetProperty("rows"));
}

void TScenarioStartLevel::EnterShowLevelName() {
    StartTimeout(0);
    if (StagesLevel()) RememberPanelPositions();
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("LevelName", GetProperty("LevelName"));
    const Ref<IWidget> text =
        CreateChildWidget(Ref<IWidget>(this), "text_visualization", params, false);
    if (!text) return;
    text->SetProperty("InitVizualization", Variant("yes"));
    StartTimeout(std::max(0, Whole(text->GetProperty("visualization_time"))));
}

void TScenarioStartLevel::ProcessShowLevelName(int32_t elapsedMs) {
    (void)elapsedMs;
    if (!StagesLevel()) return;
    FadeBlackoutIn(GetTimeInState());
    SlidePanelIn(GetTimeInState());
}

void TScenarioStartLevel::EnterShowCells() {
    StartTimeout(0);
    CreateAppearanceCells();
    StaggerAppearance();
}

void TScenarioStartLevel::CreateAppearanceCells() {
    const Ref<IWidgetCollection> cells = ChildrenOf(boardCells_);
    const Ref<IWidget> own = ownCells_.Lock();
    const Ref<IWidgetCollection> ownChildren = own ? own->GetChildren() : nullptr;
    if (!cells || !ownChildren) return;
    const Ref<IParamCollection> params = NewParams();
    const std::string factory =
        "appearance_cell" + std::to_string(rows_) + "_" + std::to_string(cols_);
    const int32_t count = cells->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        const Ref<IWidget> cell = cells->GetWidgetByIndex(i);
        if (!cell) continue;
        params->SetValue("name", Variant(std::to_string(Whole(cell->GetProperty("row"))) + "_" +
                                         std::to_string(Whole(cell->GetProperty("col")))));
        params->SetValue("anchor_left", Variant(cell->GetLeft()));
        params->SetValue("anchor_top", Variant(cell->GetTop()));
        if (const Ref<IWidget> copy = CreateFactoryWidget(factory, params))
            ownChildren->AddWidget(copy);
    }
}

void TScenarioStartLevel::StaggerAppearance() {
    const Ref<IWidgetCollection> own = ChildrenOf(ownCells_);
    const int32_t count = own ? own->GetCount() : 0;
    const int32_t step = StaggerStep(kAppearanceStagger, count, 0);
    int32_t delay = 0;
    for (int32_t i = 0; i < count; ++i) {
        const Ref<IWidget> copy = own->GetWidgetByIndex(i);
        if (!copy) continue;
        delay -= step;
        copy->SetProperty("currenttime", Variant(delay));
    }
    StartTimeout(-delay);
}

void TScenarioStartLevel::EnterShowDigits() {
    StartTimeout(kShowDigitsTime);
    SetVisible(digits_, true);
}

void TScenarioStartLevel::EnterExit() {
    SetVisible(boardCells_, true);
    if (const Ref<IWidget> timer = timer_.Lock()) timer->SetPaused(false);
    ReportFinished();
}

// ---------------------------------------------------------------------------
// The end of a level or a round

namespace {

bool IsState(const Ref<IWidget>& cell, const char* state) {
    return cell && TextOrEmpty(cell->GetProperty("state")) == state;
}

// Hides the empty cells and staggers the full ones' final animations over
// the board's order so that the last ends about kFinalAnimationTime after
// the start. firstFull: the duration is that of the first full cell (the
// end of a level), else that of the cell at index 0 (the end of a round).
void StartFinalAnimation(const Ref<IWidgetCollection>& cells, bool firstFull) {
    if (!cells) return;
    const int32_t count = cells->GetCount();
    int32_t duration = 0;
    if (firstFull) {
        for (int32_t i = 0; i < count; ++i) {
            const Ref<IWidget> cell = cells->GetWidgetByIndex(i);
            if (!IsState(cell, "full")) continue;
            duration = Whole(cell->GetProperty("final_animation_duration"));
            break;
        }
    } else if (const Ref<IWidget> first = cells->GetWidgetByIndex(0)) {
        duration = Whole(first->GetProperty("final_animation_duration"));
    }
    // A cell's animation longer than the whole stagger starts every cell
    // at once rather than part-way through.
    const int32_t step =
        std::max(0, StaggerStep(kFinalAnimationTime - std::min(duration, kFinalAnimationTime),
                                count, 0));
    for (int32_t i = 0; i < count; ++i) {
        const Ref<IWidget> cell = cells->GetWidgetByIndex(i);
        if (IsState(cell, "empty")) {
            cell->SetVisible(false);
        } else if (IsState(cell, "full")) {
            cell->SetProperty("play_final_animation",
                              Variant(SaturatingRound<int32_t>(-double(step) * i)));
        }
    }
}

void HideFullCells(const Ref<IWidgetCollection>& cells) {
    if (!cells) return;
    for (int32_t i = 0; i < cells->GetCount(); ++i) {
        const Ref<IWidget> cell = cells->GetWidgetByIndex(i);
        if (IsState(cell, "full")) cell->SetVisible(false);
    }
}

}  // namespace

void TScenarioEndLevel::Create() {
    TLevelFlowScenario::Create();
    using S = TScenarioEndLevel;
    AddState("enter", "animate_cells", &S::Enter, &S::AlwaysTrue);
    AddState("animate_cells", "show_level_complete", &S::EnterAnimateCells, &S::IsTimeoutReached,
             nullptr, [](TState&, int32_t) {});
    AddState("show_level_complete", "hide_cells", &S::EnterShowLevelComplete,
             &S::IsTimeoutReached, nullptr, &S::ProcessShowLevelComplete);
    AddState("hide_cells", "exit", nullptr, &S::IsTimeoutReached);
    AddState("exit", "", &S::ReportFinished, &S::AlwaysTrue);
}

void TScenarioEndLevel::Enter() {
    if (!RequireControl()) return;
    FindBlackout();
    boardCells_ = Weak<IWidget>(BoardWidget("grid/cells"));
    timer_ = Weak<IWidget>(BoardWidget("timer"));
    if (const Ref<IWidget> timer = timer_.Lock()) timer->SetPaused(true);
}

void TScenarioEndLevel::EnterAnimateCells() {
    StartFinalAnimation(ChildrenOf(boardCells_), true);
    StartTimeout(kFinalAnimationTime);
}

void TScenarioEndLevel::EnterShowLevelComplete() {
    RememberPanelPositions();
    HideFullCells(ChildrenOf(boardCells_));
    StartTimeout(kLevelCompleteTime);
}

void TScenarioEndLevel::ProcessShowLevelComplete(int32_t elapsedMs) {
    (void)elapsedMs;
    FadeBlackoutOut(GetTimeInState());
    SlidePanelOut(GetTimeInState());
}

void TScenarioNonogramEndRound::Create() {
    TLevelFlowScenario::Create();
    using S = TScenarioNonogramEndRound;
    AddState("enter", "hide", &S::RequireControl, &S::AlwaysTrue);
    AddState("hide", "exit", &S::EnterHide, &S::IsTimeoutReached);
    AddState("exit", "", &S::ReportFinished, &S::AlwaysTrue);
}

void TScenarioNonogramEndRound::EnterHide() {
    const Ref<IWidget> cells = BoardWidget("grid/cells");
    const Ref<IWidgetCollection> children = cells ? cells->GetChildren() : nullptr;
    StartFinalAnimation(children, false);
    HideFullCells(children);
    StartTimeout(kFinalAnimationTime);
}

void TScenarioShowFinalPicture::Create() {
    TLevelFlowScenario::Create();
    using S = TScenarioShowFinalPicture;
    AddState("enter", "hide_cells", &S::Enter, &S::AlwaysTrue);
    AddState("hide_cells", "exit", &S::EnterHideCells, &S::IsTimeoutReached);
    AddState("exit", "", &S::ReportFinished, &S::AlwaysTrue);
}

void TScenarioShowFinalPicture::Enter() {
    if (!RequireControl()) return;
    boardCells_ = Weak<IWidget>(BoardWidget("grid/cells"));
    timer_ = Weak<IWidget>(BoardWidget("timer"));
    if (const Ref<IWidget> timer = timer_.Lock()) timer->SetPaused(true);
}

void TScenarioShowFinalPicture::EnterHideCells() {
    const Ref<IWidgetCollection> cells = ChildrenOf(boardCells_);
    if (!cells) return;
    for (int32_t i = 0; i < cells->GetCount(); ++i) {
        const Ref<IWidget> cell = cells->GetWidgetByIndex(i);
        if (IsState(cell, "empty") && TextOrEmpty(cell->GetProperty("state_to_set")) != "invisible")
            cell->SetVisible(false);
    }
}

// ---------------------------------------------------------------------------
// TScenarioFailedLevel

void TScenarioFailedLevel::Create() {
    TLevelFlowScenario::Create();
    using S = TScenarioFailedLevel;
    AddState("enter", "hide_cells", &S::Enter, &S::AlwaysTrue);
    AddState("hide_cells", "exit", &S::EnterHideCells, &S::IsTimeoutReached, nullptr,
             &S::ProcessHideCells);
    AddState("exit", "", &S::ReportFinished, &S::AlwaysTrue);
}

void TScenarioFailedLevel::Enter() {
    if (!RequireControl()) return;
    FindBlackout();
    boardCells_ = Weak<IWidget>(BoardWidget("grid/cells"));
    digits_ = Weak<IWidget>(BoardWidget("grid/digits"));
    timer_ = Weak<IWidget>(BoardWidget("timer"));
    if (const Ref<IWidget> timer = timer_.Lock()) timer->SetPaused(true);
    ownCells_ = Weak<IWidget>(FindWidget("cells"));
    if (const Ref<IWidgetCollection> own = ChildrenOf(ownCells_)) own->Clear();
}

int32_t TScenarioFailedLevel::CreateFallingCells() {
    const Ref<IWidgetCollection> cells = ChildrenOf(boardCells_);
    const Ref<IWidgetCollection> own = ChildrenOf(ownCells_);
    const int32_t count = cells ? cells->GetCount() : 0;
    const int32_t step = StaggerStep(kFallingStagger, count, 1);
    int32_t delay = kFallingFirstDelay;
    int32_t duration = 0;
    const Ref<IParamCollection> params = NewParams();
    for (int32_t i = count - 1; i >= 0; --i) {
        const Ref<IWidget> cell = cells->GetWidgetByIndex(i);
        if (!cell) continue;
        delay += step;
        params->SetValue("name", Variant(cell->GetName()));
        params->SetValue("anchor_left", Variant(cell->GetLeft()));
        params->SetValue("anchor_top", Variant(cell->GetTop()));
        params->SetValue("delaytime", Variant(delay));
        const Ref<IWidget> copy = CreateFactoryWidget("falling_cell", params);
        if (!copy) continue;
        copy->SetProperty("surface", Variant(Ref<IInterface>(cell->GetSnapshot())));
        if (own) own->AddWidget(copy);
        duration = Whole(copy->GetProperty("durationtime"));
    }
    return delay + duration;
}

void TScenarioFailedLevel::EnterHideCells() {
    StartTimeout(CreateFallingCells());
    RememberPanelPositions();
    SetVisible(boardCells_, false);
    SetVisible(ownCells_, true);
    SetVisible(digits_, false);
}

void TScenarioFailedLevel::ProcessHideCells(int32_t elapsedMs) {
    (void)elapsedMs;
    FadeBlackoutOut(GetTimeInState());
    SlidePanelOut(GetTimeInState());
}

// ---------------------------------------------------------------------------
// TScenarioNonogramError

TScenarioNonogramError::~TScenarioNonogramError() {
    ReleasePath();
}

void TScenarioNonogramError::Create() {
    TLevelFlowScenario::Create();
    using S = TScenarioNonogramError;
    AddState("enter", "move", &S::Enter, &S::AlwaysTrue);
    AddState("move", "exit", &S::EnterMove, &S::IsTimeoutReached, nullptr, &S::ProcessMove);
    AddState("exit", "", &S::EnterExit, &S::AlwaysTrue);
}

void TScenarioNonogramError::ReleasePath() {
    if (path_) path_->ReleaseOwner();
    path_ = nullptr;
}

void TScenarioNonogramError::LoadFrom(const Ref<IHierStorage>& storage) {
    ReleasePath();
    TLevelFlowScenario::LoadFrom(storage);
    if (!storage || storage->GetChildCount("function") == 0) return;
    path_ = Query<IPathFunction>(CreateTypedChildObject(storage, "function", 0));
    if (!path_) {
        const Ref<IHierStorage> node = storage->GetChild("function", 0);
        Log("WIDGET", node->GetPath() + ": the type \"" + ReadString(node, "type", "") +
                          "\" makes no motion path; the error marker does not fly");
        return;
    }
    path_->SetOwner(nullptr);
}

void TScenarioNonogramError::ClearContent() {
    ReleasePath();
    TLevelFlowScenario::ClearContent();
}

void TScenarioNonogramError::Detach() {
    marker_ = nullptr;
    TLevelFlowScenario::Detach();
}

void TScenarioNonogramError::Enter() {
    const Ref<IWidget> marker = FindWidget("error");
    marker_ = Weak<IWidget>(marker);
    duration_ = Whole(GetProperty("duration"));
    initX_ = FiniteNumberOr(GetProperty("init_x"));
    initY_ = FiniteNumberOr(GetProperty("init_y"));
    endX_ = FiniteNumberOr(GetProperty("end_x"));
    endY_ = FiniteNumberOr(GetProperty("end_y"));
    if (marker) {
        marker->SetLeft(initX_);
        marker->SetTop(initY_);
    }
}

void TScenarioNonogramError::EnterMove() {
    StartTimeout(std::max(0, duration_));
    const Ref<IWidget> marker = marker_.Lock();
    if (marker) marker->SetVisible(true);
    if (duration_ <= 0) {
        // No time to fly: the marker is where it was going.
        if (marker) {
            marker->SetLeft(endX_);
            marker->SetTop(endY_);
        }
        return;
    }
    if (!path_) return;
    path_->SetValue("x1", float(initX_));
    path_->SetValue("y1", float(initY_));
    path_->SetValue("x2", float(endX_));
    path_->SetValue("y2", float(endY_));
    path_->Prepare();
    path_->SetValue("TotalTime", float(FiniteNumberOr(GetProperty("duration"))));
}

void TScenarioNonogramError::ProcessMove(TState& state, int32_t elapsedMs) {
    (void)state;
    (void)elapsedMs;
    const Ref<IWidget> marker = marker_.Lock();
    if (!marker || !path_ || duration_ <= 0) return;
    path_->CalculateAt(GetTimeInState());
    const double x = path_->GetX(), y = path_->GetY();
    // A path that gives no finite point leaves the marker where it was.
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    marker->SetLeft(x);
    marker->SetTop(y);
}

void TScenarioNonogramError::EnterExit() {
    Finish();
}

void RegisterLevelFlowClasses() {
    RegisterObjectClass(ClassOf<TScenarioStartLevel>(), "scenario_start_level");
    RegisterObjectClass(ClassOf<TScenarioNonogramStartRound>(), "scenario_nonogram_start_round");
    RegisterObjectClass(ClassOf<TScenarioEndLevel>(), "scenario_end_level");
    RegisterObjectClass(ClassOf<TScenarioNonogramEndRound>(), "scenario_nonogram_end_round");
    RegisterObjectClass(ClassOf<TScenarioShowFinalPicture>(), "scenario_show_final_picture");
    RegisterObjectClass(ClassOf<TScenarioFailedLevel>(), "scenario_failed_level");
    RegisterObjectClass(ClassOf<TScenarioNonogramError>(), "scenario_nonogram_error");
}
