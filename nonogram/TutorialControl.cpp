#include "nonogram/TutorialControl.h"

#include <algorithm>

#include "core/base/AsciiText.h"
#include "core/base/Log.h"
#include "nonogram/GameServices.h"
#include "nonogram/solver/LevelPicture.h"  // kMaxLevelSide

namespace {

// The range of steps of each part of the script.
struct TPart {
    const char* name;
    int32_t first, last;
};
constexpr TPart kParts[] = {
    {"all", 0, 21},
    {"part1", 0, 11},
    {"part2", 12, 21},
};
constexpr int32_t kFirstPartStart = 0;
constexpr int32_t kSecondPartStart = 12;
// Passing the whole script, or its second part, passes the tutorial.
constexpr int32_t kLastState = 21;
// Skipping out of the first part alone passes it too: the player has seen
// the rules.
constexpr int32_t kFirstPartEnd = 11;
// The hint goes below a cell while it fits above this line, else above.
constexpr double kHintBottomLimit = 600;

Ref<IParamCollection> NewParams() {
    return Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

// The keys of a comma-separated list, blanks around each dropped.
std::vector<std::string> Keys(const std::string& list) {
    std::vector<std::string> keys;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(',', start), list.size());
        const std::string_view key =
            Trim(std::string_view(list).substr(start, end - start));
        if (!key.empty()) keys.emplace_back(key);
        start = end + 1;
    }
    return keys;
}

// A whole number from a level's value; false for anything else.
bool ReadWhole(const Variant& value, int64_t& number) {
    number = 0;
    return !value.IsUnassigned() && TryTextToInt64(value.ToString(), number);
}

void ClearChildren(const Ref<IWidget>& group) {
    if (const Ref<IWidgetCollection> children = group ? group->GetChildren() : nullptr) {
        children->Clear();
    }
}

}  // namespace

void TQuillmarchControlTutorial::Create() {
    TControlWidget::Create();
    gridDefs_ = Query<IGridDefCollection>(CreateAbstractObject(ClassOf<TGridDefCollection>()));
    heldTool_ = -1;
}

void TQuillmarchControlTutorial::LoadFrom(const Ref<IHierStorage>& storage) {
    TControlWidget::LoadFrom(storage);
    LoadChildObject(gridDefs_, storage, "grids", 0);
}

void TQuillmarchControlTutorial::SaveTo(const Ref<IHierStorage>& storage) {
    TControlWidget::SaveTo(storage);
    if (gridDefs_ && gridDefs_->GetCount() > 0) SaveChildObject(gridDefs_, storage, "grids");
}

void TQuillmarchControlTutorial::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    states_ = Weak<IWidget>(FindWidget("states"));
    grid_ = Weak<IWidget>(FindWidget("grid"));
    tools_ = Weak<IWidget>(owner ? owner->FindWidget("control_tools") : nullptr);
}

void TQuillmarchControlTutorial::Detach() {
    states_ = nullptr;
    grid_ = nullptr;
    tools_ = nullptr;
    stateWidget_ = nullptr;
    hoveredCell_ = nullptr;
    levelRef_ = nullptr;
    levelDef_ = nullptr;
    heldTool_ = -1;
    rules_.Clear();
    board_.Clear();
    TControlWidget::Detach();
}

void TQuillmarchControlTutorial::ExecuteCommand(int32_t command,
                                                const Ref<IParamCollection>& params) {
    TControlWidget::ExecuteCommand(command, params);
    if (command != kCommandStartTutorial) return;
    const Ref<IWidget> self(this);
    const std::string part =
        params ? TextOrEmpty(params->GetValue("tutorial_part", Variant())) : std::string();
    for (const TPart& p : kParts) {
        if (part == p.name) {
            firstState_ = p.first;
            lastState_ = p.last;
        }
    }
    over_ = false;
    heldTool_ = -1;
    GoToState(firstState_);
    ShowHint(false, false, nullptr);
}

// --- Events of the children

void TQuillmarchControlTutorial::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                             const Ref<IParamCollection>& params) {
    (void)code;
    (void)params;
    if (!sender || over_) return;
    const Ref<IWidget> self(this);
    const std::string name = sender->GetName();
    if (name == "button_ok") {
        const int32_t state = currentState_;
        SolveStepForPlayer();
        if (!over_ && currentState_ == state) GoToState(currentState_ + 1);
    } else if (name == "button_close_hint") {
        ShowHint(false, false, nullptr);
    } else if (name == "image_select" || name == "image_hammer") {
        if (const Ref<IWidget> tools = Tools()) {
            const Ref<IParamCollection> toolParams = NewParams();
            toolParams->SetValue("active_tool",
                                 Variant(name == "image_select" ? "arrow" : "hammer"));
            tools->ExecuteCommand(14, toolParams);
        }
    } else if (name == "button_skip") {
        // Not while the hint asks for attention.
        const Ref<IWidget> hint = FindWidget("hint");
        if (hint && hint->GetVisible()) return;
        if (lastState_ == kFirstPartEnd) MarkPassed();
        Notify(kEventTutorialSkip);
    }
}

bool TQuillmarchControlTutorial::ShowGameScreen(const std::string& name,
                                                const Ref<IParamCollection>& params) {
    const Ref<IEventHandler> handler = OwnerEventHandler();
    return handler && handler->ShowGameScreen(name, params);
}

bool TQuillmarchControlTutorial::CloseGameScreen(const Ref<IParamCollection>& results) {
    const Ref<IEventHandler> handler = OwnerEventHandler();
    return handler && handler->CloseGameScreen(results);
}

// --- The script

std::string TQuillmarchControlTutorial::StateText(const char* name, const char* fallback) {
    const Ref<IWidget> state = stateWidget_.Lock();
    const Variant value = state ? state->GetProperty(name) : Variant();
    return value.IsUnassigned() ? std::string(fallback) : value.ToString();
}

std::vector<std::string> TQuillmarchControlTutorial::StateKeys(const char* name) {
    return Keys(StateText(name, ""));
}

void TQuillmarchControlTutorial::MarkPassed() {
    if (const Ref<IParamCollection> profile = CurrentProfileParams(GetOwner())) {
        profile->SetValue("tutorial_passed", Variant("yes"));
    }
}

void TQuillmarchControlTutorial::Finish(int32_t code) {
    if (const Ref<IWidget> grid = grid_.Lock()) grid->SetVisible(false);
    if (code == kEventTutorialOver) over_ = true;
    Notify(code);
}

void TQuillmarchControlTutorial::GoToState(int32_t state) {
    if (over_) return;
    const Ref<IWidget> self(this);
    if (state > lastState_) {
        if (lastState_ == kLastState) MarkPassed();
        Finish(kEventTutorialOver);
        return;
    }
    currentState_ = state;
    if (const Ref<IWidget> states = states_.Lock()) {
        states->SetProperty("state", Variant(state));
        const Ref<IWidgetCollection> children = states->GetChildren();
        const Ref<IWidget> page = children && state >= 0 && state < children->GetCount()
                                      ? children->GetWidgetByIndex(state)
                                      : nullptr;
        stateWidget_ = Weak<IWidget>(page);
        if (!page) {
            Finish(kEventTutorialOver);
            return;
        }
        if (const Ref<IWidget> test = FindWidget("TEST")) {
            test->SetProperty("text", Variant("TUTORIAL STATE = " + page->GetName()));
        }
        mouseEnabled_ = StateText("enable_mouse", "yes") == "yes";
    }
    if (state == kFirstPartStart || state == kSecondPartStart) LoadPart(state);
    ApplyActiveCells();
    ApplyPanels();
}

void TQuillmarchControlTutorial::LoadPart(int32_t state) {
    ClearChildren(FindWidget("scenario_group"));
    const Ref<IGameScreenOwner> game = GameOwnerOf(GetOwner());
    const Ref<IQuillmarchLevelDefRefCollection> levels = Query<IQuillmarchLevelDefRefCollection>(
        game ? game->GetOption("level_tutorial_def_refs").ToInterface() : nullptr);
    const std::string entry = state == kFirstPartStart ? "1" : "2";
    levelRef_ = levels ? levels->GetItemByName(entry) : nullptr;
    const Ref<IQuillmarchLevelDef> def = levelRef_ ? levelRef_->LoadLevelDef() : nullptr;
    if (def) {
        levelDef_ = def;
        int64_t rows = 0, cols = 0;
        ReadWhole(def->GetProperty("rows"), rows);
        ReadWhole(def->GetProperty("cols"), cols);
        rows = std::clamp<int64_t>(rows, 0, kMaxLevelSide + 1);
        cols = std::clamp<int64_t>(cols, 0, kMaxLevelSide + 1);
        if (LoadPicture(static_cast<int32_t>(rows), static_cast<int32_t>(cols), def)) BuildBoard();
    } else {
        Log("TUTORIAL", "the tutorial level \"" + entry + "\" cannot be loaded");
    }
    if (const Ref<IWidget> grid = grid_.Lock()) grid->SetVisible(true);
}

void TQuillmarchControlTutorial::ApplyPanels() {
    const Ref<IWidget> self(this);
    if (const Ref<IWidget> infoCells = FindWidget("info_cells")) {
        const std::string shown = StateText("info_cell", "");
        if (const Ref<IWidgetCollection> children = infoCells->GetChildren()) {
            for (int32_t i = 0; i < children->GetCount(); ++i) {
                const Ref<IWidget> info = children->GetWidgetByIndex(i);
                if (!info) continue;
                info->Restart();
                info->SetVisible(info->GetName() == shown);
            }
        }
    }
    const bool showTools = StateText("tools_state", "yes") == "yes";
    const Ref<IWidget> tools = Tools();
    for (const Ref<IWidget>& widget : {FindWidget("image_select"), FindWidget("image_hammer"),
                                       tools ? tools->FindWidget("frame") : nullptr}) {
        if (widget) widget->SetVisible(showTools);
    }
    const Ref<IWidget> state = stateWidget_.Lock();
    if (tools && state && state->GetName() == "11") tools->ExecuteCommand(18, nullptr);
}

void TQuillmarchControlTutorial::ShowHint(bool visible, bool full, const Ref<IWidget>& cell) {
    const Ref<IWidget> hint = FindWidget("hint");
    if (!hint) return;
    std::string text = StateText("error_text", "");
    if (text.empty()) {
        text = full ? "%tutorial_error_text_full%" : "%tutorial_error_text_empty%";
    }
    hint->SetProperty("text", Variant(text));
    if (cell) {
        hint->SetLeft(std::max(0.0, cell->GetLeft() - 120));
        const double height = hint->GetHeight();
        const double below = cell->GetTop() + 65;
        hint->SetTop(below + height < kHintBottomLimit
                         ? below
                         : std::max(0.0, cell->GetTop() - 10 - height));
    }
    hint->SetVisible(visible && !text.empty());
}

bool TQuillmarchControlTutorial::IsStateSolved() {
    for (const std::string& key : StateKeys("cells_to_solve")) {
        const Ref<IWidget> cell = CellByKey(key);
        if (cell && TextOrEmpty(cell->GetProperty("state")) == "active") return false;
    }
    return true;
}

void TQuillmarchControlTutorial::AfterCorrectMove() {
    if (IsStateSolved()) GoToState(currentState_ + 1);
}
