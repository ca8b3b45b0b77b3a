#include "minigames/MosaicScreen.h"

#include <vector>

#include "core/base/Log.h"
#include "core/base/ParamStringUtils.h"
#include "core/base/Random.h"
#include "engine/InputLog.h"
#include "minigames/MosaicExchange.h"
#include "minigames/MosaicScenarios.h"
#include "minigames/MosaicStatScreen.h"
#include "minigames/MosaicValues.h"
#include "widgets/ControlWidget.h"
#include "widgets/WidgetUtils.h"

using namespace mosaic;

namespace {

constexpr char kPiece[] = "picture";
constexpr char kMarkerName[] = "selected";

Ref<IWidget> PieceOf(const Ref<IWidget>& cell) {
    return cell ? cell->FindWidget(kPiece) : nullptr;
}

bool HasState(const Ref<IWidget>& cell, int32_t state) {
    return PropertyOf(cell, "state") == Variant(state);
}

void ClearChildren(const Ref<IWidget>& group) {
    if (!group) return;
    if (const Ref<IWidgetCollection> children = group->GetChildren()) children->Clear();
}

// A grid size from the level option: a whole number from 1 to
// kMaxMosaicLines replaces value; anything else keeps it (text that is no
// number silently, a number out of range with a line in the log).
void ReadLineCount(const std::string& key, const std::string& text, const std::string& option,
                   int32_t& value) {
    int64_t number = 0;
    if (!TryTextToInt64(text, number)) return;
    if (number < 1 || number > kMaxMosaicLines) {
        Log("MOSAIC", option + ": \"" + key + "\" " + text + " is not from 1 to " +
                          std::to_string(kMaxMosaicLines) + "; " + std::to_string(value) +
                          " is used");
        return;
    }
    value = int32_t(number);
}

}  // namespace

// ---------------------------------------------------------------------------
// Showing

void TQuillmarchGameScreenGameBigMosaic::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    cellsGroup_ = Weak<IWidget>(FindWidget("move_group/cells_group"));
    scenarioGroup_ = Weak<IWidget>(FindWidget("move_group/scenario_group"));
    closeButton_ = Weak<IWidget>(FindWidget("button_close"));
}

void TQuillmarchGameScreenGameBigMosaic::DetachOwner() {
    cellsGroup_ = nullptr;
    scenarioGroup_ = nullptr;
    closeButton_ = nullptr;
    marker_ = nullptr;
    selectedCell_ = nullptr;
    openingScenario_ = nullptr;
    TGameScreen::DetachOwner();
}

void TQuillmarchGameScreenGameBigMosaic::Show(const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    if (params) {
        mapPart_ = TextOrEmpty(params->GetValue("active_map_part", Variant("")));
        levelName_ = TextOrEmpty(params->GetValue("LevelName", Variant("")));
        ShowGameTip();
    } else {
        mapPart_.clear();
    }
    BuildBoard(mapPart_);
    TGameScreen::Show(params);
}

void TQuillmarchGameScreenGameBigMosaic::ShowGameTip() {
    const Ref<IWidget> tip = FindWidget("game_tip");
    if (!tip) return;
    tip->SetVisible(true);
    tip->SetTop(-double(tip->GetHeight()));
}

void TQuillmarchGameScreenGameBigMosaic::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreen::BeforeShow(params);
    PrepareMapSurface(params);
    if (const Ref<IWidget> moveGroup = FindWidget("move_group")) moveGroup->SetLeft(0.0);
    if (const Ref<IWidget> skip = FindWidget("button_skip")) {
        skip->Restart();
        skip->SetEnabled(false);
    }
}

Ref<IWidget> TQuillmarchGameScreenGameBigMosaic::FindMapWidget(const std::string& name) {
    if (Ref<IWidget> widget = FindWidget(name)) return widget;
    return FindWidget("move_group/" + name);
}

void TQuillmarchGameScreenGameBigMosaic::PrepareMapSurface(const Ref<IParamCollection>& params) {
    if (const Ref<IWidget> surface = FindMapWidget("map_surface")) {
        surface->SetTop(0.0);
        surface->SetProperty("shifttop", Variant(0));
        surface->SetProperty("height", Variant(kPictureHeight));
        if (params && TextOrEmpty(params->GetValue("show_scroll", Variant("no"))) == "yes") {
            surface->SetProperty("surface", params->GetValue("surface", Variant()));
            surface->SetVisible(true);
        } else {
            surface->SetVisible(false);
        }
    }
    if (const Ref<IWidget> scroll = FindMapWidget("scroll")) {
        scroll->SetTop(FiniteNumberOr(PropertyOf(scroll, "start_y")));
    }
}

// ---------------------------------------------------------------------------
// The board

void TQuillmarchGameScreenGameBigMosaic::LoadLevelParams() {
    rows_ = 3;
    cols_ = 3;
    resourceName_.clear();
    // Each location names its own tips, or has none.
    levelTips_.clear();
    const std::string option = "mosaic_level_params" + mapPart_;
    std::string text;
    if (IGameScreenOwner* owner = GetOwner()) {
        const Variant value = owner->GetOption(option);
        if (!value.IsNull()) text = TextOrEmpty(value);
    }
    TTwoArrayOfString pairs;
    SplitParams(text, pairs, '\\', '=');
    for (const auto& [name, value] : pairs) {
        if (name == "rows") {
            ReadLineCount(name, value, option, rows_);
        } else if (name == "cols") {
            ReadLineCount(name, value, option, cols_);
        } else if (name == "resourcename") {
            resourceName_ = value;
        } else if (name == "level_tips") {
            levelTips_ = value;
        }
    }
    if (rows_ * cols_ < 2) {
        // One cell cannot be shuffled: no other cell can take its piece.
        Log("MOSAIC", option + ": a board of " + std::to_string(rows_) + " by " +
                          std::to_string(cols_) + " cannot be shuffled; 3 by 3 is used");
        rows_ = 3;
        cols_ = 3;
    }
    cellWidth_ = kPictureWidth / cols_;
    cellHeight_ = kPictureHeight / rows_;
}

void TQuillmarchGameScreenGameBigMosaic::ClearBoard() {
    ClearChildren(cellsGroup_.Lock());
    if (const Ref<IWidget> close = closeButton_.Lock()) close->SetVisible(false);
    selectedCell_ = nullptr;
}

void TQuillmarchGameScreenGameBigMosaic::SetMat() {
    if (const Ref<IWidget> mat = FindWidget("move_group/mosaic_mat")) {
        mat->SetProperty("resourcename", Variant(resourceName_ + "Mat"));
    }
}

Ref<IWidget> TQuillmarchGameScreenGameBigMosaic::StartScenario(
    const std::string& factoryName, const Ref<IParamCollection>& params) {
    const Ref<IWidget> group = scenarioGroup_.Lock();
    const Ref<IWidgetCollection> children = group ? group->GetChildren() : nullptr;
    if (!children) return nullptr;
    const Ref<IWidget> scenario = CreateWidgetFromFactory(factoryName, params);
    if (!scenario) return nullptr;
    children->AddWidget(scenario);
    return scenario;
}

void TQuillmarchGameScreenGameBigMosaic::BuildBoard(const std::string& mapPart) {
    ClearBoard();
    ClearChildren(scenarioGroup_.Lock());
    levelEnded_ = false;
    mapPart_ = mapPart;
    LoadLevelParams();

    // One collection for every widget made below: later widgets see the
    // values set for earlier ones.
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("width", Variant(std::to_string(cellWidth_)));
    params->SetValue("height", Variant(std::to_string(cellHeight_)));
    marker_ = CreateWidgetFromFactory("mosaic_cell_selected", params);
    SetMat();

    const Ref<IWidget> cells = cellsGroup_.Lock();
    const Ref<IWidgetCollection> cellList = cells ? cells->GetChildren() : nullptr;
    if (cells) cells->SetVisible(false);
    for (int32_t row = 0; row < rows_; ++row) {
        for (int32_t col = 0; col < cols_; ++col) {
            params->SetValue("row", Variant(std::to_string(row)));
            params->SetValue("col", Variant(std::to_string(col)));
            params->SetValue("anchor_top", Variant(std::to_string(row * cellHeight_)));
            params->SetValue("anchor_left", Variant(std::to_string(col * cellWidth_)));
            params->SetValue("resourcename", Variant(resourceName_));
            const Ref<IWidget> cell = CreateWidgetFromFactory("mosaic_cell", params);
            if (cell && cellList) cellList->AddWidget(cell);
        }
    }
    Shuffle();

    params->SetValue("LevelName", Variant(levelName_));
    const Ref<IWidget> opening = StartScenario("scenario_start_level", params);
    openingScenario_ = Weak<IWidget>(opening);
    boardState_ = opening ? mbs_Opening : mbs_Playing;

    params->SetValue("big_mosaic", Variant("yes"));
    StartScenario("scenario_scroll", params);
}

void TQuillmarchGameScreenGameBigMosaic::Shuffle() {
    const Ref<IWidget> group = cellsGroup_.Lock();
    const Ref<IWidgetCollection> children = group ? group->GetChildren() : nullptr;
    if (!children) return;
    // The cells in their order; one without a piece cannot take part.
    std::vector<Ref<IWidget>> cells;
    for (int32_t i = 0; i < children->GetCount(); ++i) {
        const Ref<IWidget> cell = children->GetWidgetByIndex(i);
        if (PieceOf(cell) && cell->GetChildren()) cells.push_back(cell);
    }
    const int32_t n = int32_t(cells.size());
    if (n < 2) return;
    for (int32_t i = 0; i < n; ++i) {
        const Ref<IWidget>& cell = cells[size_t(i)];
        const Ref<IWidget> piece = PieceOf(cell);
        if (!IsMosaicPieceHome(cell, piece)) continue;
        int32_t j = PlayRandom(n);
        while (j == i) j = PlayRandom(n);
        const Ref<IWidget>& other = cells[size_t(j)];
        const Ref<IWidget> otherPiece = PieceOf(other);
        cell->GetChildren()->Clear();
        other->GetChildren()->Clear();
        cell->GetChildren()->AddWidget(otherPiece);
        other->GetChildren()->AddWidget(piece);
        for (const Ref<IWidget>& widget : {cell, piece, other, otherPiece}) {
            SetPropertyOf(widget, "state", Variant(0));
        }
    }
}

// ---------------------------------------------------------------------------
// Clicks

bool TQuillmarchGameScreenGameBigMosaic::MouseEvent(int32_t code, int32_t x, int32_t y,
                                                    int32_t buttons) {
    const Ref<IGameScreenSlave> self(this);
    const bool handled = TGameScreen::MouseEvent(code, x, y, buttons);
    if (handled || boardState_ != mbs_Playing) return handled;
    if (code != kMouseLeftDown && code != kMouseMiddleDown && code != kMouseRightDown) {
        return handled;
    }
    const Ref<IWidget> cells = cellsGroup_.Lock();
    if (!cells) return handled;
    IWidgetOwner* owner = cells->GetOwner();
    const TPoint point = owner ? owner->ScreenToClient(x, y) : TPoint{x, y};
    // The group stops the mouse only for this test, so that it hit-tests its
    // cells.
    cells->SetMouseStop(true);
    const Ref<IWidget> hit = cells->WidgetAt(point.x, point.y);
    cells->SetMouseStop(false);
    // Only a cell counts: not the group itself in a gap, nor a cell's parts.
    if (hit && hit->GetOwner() == dynamic_cast<IWidgetOwner*>(cells.get())) {
        // Named before the click: an exchange moves the cell's picture.
        const std::string path = InputLogOn() ? WidgetPathBelow(GetWindowWidget(), hit) : std::string();
        if (OnCellClick(hit) && InputLogOn()) InputLogNoteTaker(path);
    }
    return handled;
}

bool TQuillmarchGameScreenGameBigMosaic::OnCellClick(const Ref<IWidget>& cell) {
    const Ref<IWidget> selected = selectedCell_.Lock();
    if (!selected) {
        SelectCell(cell);
        PlaySound("sound_buttonclick");
        return selectedCell_.Get() == cell.get();
    }
    if (cell == selected) {
        DeselectCell();
        PlaySound("sound_buttonclick");
        return true;
    }
    if (!HasState(cell, 0)) return false;  // a tile still on its way
    PlaySound("sound_buttonclick");
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("cell1", Variant(selected->GetName()));
    params->SetValue("cell2", Variant(cell->GetName()));
    DeselectCell();
    StartScenario("mosaic_scenario_exchange_cells", params);
    return true;
}

void TQuillmarchGameScreenGameBigMosaic::SelectCell(const Ref<IWidget>& cell) {
    if (!cell) return;
    if (cell == selectedCell_.Lock()) {
        DeselectCell();
        return;
    }
    if (!HasState(cell, 0)) return;
    DeselectCell();
    selectedCell_ = Weak<IWidget>(cell);
    if (marker_) {
        if (const Ref<IWidgetCollection> children = cell->GetChildren()) {
            children->AddWidget(marker_);
        }
    }
    cell->SetProperty("picture/shadow/visible", Variant(false));
}

void TQuillmarchGameScreenGameBigMosaic::DeselectCell() {
    const Ref<IWidget> cell = selectedCell_.Lock();
    selectedCell_ = nullptr;
    if (!cell) return;
    if (const Ref<IWidgetCollection> children = cell->GetChildren()) {
        if (children->Exists(kMarkerName)) children->Delete(Variant(kMarkerName));
    }
    cell->SetProperty("picture/shadow/visible", Variant(true));
}

// ---------------------------------------------------------------------------
// The end of the level

void TQuillmarchGameScreenGameBigMosaic::Update(int32_t elapsedMs) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::Update(elapsedMs);
    CheckCompleted();
}

void TQuillmarchGameScreenGameBigMosaic::CheckCompleted() {
    if (levelEnded_ || boardState_ == mbs_None) return;
    if (const Ref<IWidget> group = cellsGroup_.Lock()) {
        if (const Ref<IWidgetCollection> children = group->GetChildren()) {
            for (int32_t i = 0; i < children->GetCount(); ++i) {
                if (!HasState(children->GetWidgetByIndex(i), 1)) return;
            }
        }
    }
    EndLevel();
}

void TQuillmarchGameScreenGameBigMosaic::EndLevel() {
    if (levelEnded_) return;
    levelEnded_ = true;
    PlaySound("sound_level_completed");
    if (const Ref<IWidget> close = closeButton_.Lock()) close->SetVisible(true);
    if (const Ref<IWidget> timer = FindWidget("timer")) timer->SetPaused(true);
}

void TQuillmarchGameScreenGameBigMosaic::ClearGroups() {
    for (const Ref<IWidget>& group : {cellsGroup_.Lock(), scenarioGroup_.Lock()}) {
        const Ref<IWidgetCollection> children = group ? group->GetChildren() : nullptr;
        if (!children) continue;
        for (int32_t i = 0; i < children->GetCount(); ++i) {
            children->GetWidgetByIndex(i)->SetDead(true);
        }
        children->RemoveDead();
        children->Clear();
    }
    selectedCell_ = nullptr;
}

void TQuillmarchGameScreenGameBigMosaic::Open(const std::string& screenName,
                                              const Ref<IParamCollection>& params) {
    ShowGameScreen(screenName, params);
}

void TQuillmarchGameScreenGameBigMosaic::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                                     const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::HandleEvent(sender, code, params);
    if (!sender) return;
    const std::string name = sender->GetName();
    if ((name == "button_skip" || name == "button_close") && code == kEventButtonClick) {
        if (const Ref<IWidget> close = closeButton_.Lock()) close->SetVisible(false);
        StartScenario("scenario_end_level", nullptr);
    }
    if (name == "button_menu" && code == kEventButtonClick) Open("GS_MiniMenuBrief");
    if (name == "scenario_scroll") {
        boardState_ = mbs_Playing;
        Open("GS_HelpMosaic");
    }
    // The scroll scenario reports only when it found the map's snapshot; the
    // opening scenario always reports, so the board never stays shut.
    if (code == kMosaicScenarioFinished && sender.get() == openingScenario_.Get() &&
        boardState_ == mbs_Opening) {
        boardState_ = mbs_Playing;
    }
    if (name == "scenario_end_level") {
        const Ref<IParamCollection> tips = NewParams();
        tips->SetValue("level_tips", Variant(levelTips_));
        Open("GS_StatBigMosaic", tips);
    }
}

void TQuillmarchGameScreenGameBigMosaic::ChildScreenClosed(const std::string& screenName,
                                                           const Ref<IParamCollection>& results) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::ChildScreenClosed(screenName, results);
    if (screenName == "GS_StatBigMosaic") {
        ClearGroups();
        const Ref<IParamCollection> result = NewParams();
        result->SetValue("active_map_part", Variant(mapPart_));
        result->SetValue("level_completed", Variant("yes"));
        CloseGameScreen(result);
    } else if (screenName == "GS_MiniMenuBrief" && results && results->GetCount() > 0) {
        const Ref<IParam> first = results->GetParam(Variant(0));
        const std::string button = first ? TextOrEmpty(first->GetValue()) : std::string();
        if (button == "button_options") {
            Open("GS_Options");
        } else if (button == "button_rules") {
            Open("GS_HelpMosaic");
        }
    }
}

void TQuillmarchGameScreenGameBigMosaic::SetActive(bool active) {
    TGameScreen::SetActive(active);
    if (GetShown() && !active) Open("GS_MiniMenuBrief");
}

void RegisterMosaicClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenGameBigMosaic>(),
                        "QuillmarchGameScreenGameBigMosaic");
    RegisterMosaicStatScreenClasses();
    RegisterMosaicScenarioClasses();
    RegisterMosaicExchangeClasses();
}
