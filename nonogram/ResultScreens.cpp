#include "nonogram/ResultScreens.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "core/base/Log.h"
#include "core/base/SafeConvert.h"
#include "engine/EngineStartup.h"  // FormatThousands
#include "widgets/LabelControls.h"

namespace {

Ref<IParamCollection> NewParams() {
    return Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

// A whole number written as text or held as a number; false for anything
// else (absent, empty, words, not finite).
bool ReadWholeNumber(const Variant& value, int64_t& number) {
    if (value.IsUnassigned()) return false;
    try {
        if (value.IsString()) {
            const std::string text = value.ToString();
            if (TryTextToInt64(text, number)) return true;
            double d = 0;
            if (!TryTextToFloat(text, d) || !std::isfinite(d)) return false;
            number = SaturatingTrunc<int64_t>(d);
            return true;
        }
        if (!value.IsNumeric()) return false;
        const double d = value.ToDouble();
        if (!std::isfinite(d)) return false;
        number = SaturatingTrunc<int64_t>(d);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

Variant Param(const Ref<IParamCollection>& params, const std::string& name,
              const Variant& fallback = Variant()) {
    return params ? params->GetValue(name, fallback) : fallback;
}

// Whether a parameter is there and holds a whole number.
bool ParamNumber(const Ref<IParamCollection>& params, const std::string& name, int64_t& number) {
    if (!params || !params->GetParam(Variant(name))) return false;
    return ReadWholeNumber(params->GetValue(name, Variant()), number);
}

bool IsYes(const Variant& value) {
    return TextOrEmpty(value) == "yes";
}

Ref<IParamCollection> CurrentProfile(IGameScreenOwner* owner) {
    const Ref<IUserProfileCollection> profiles = owner ? owner->GetUserProfiles() : nullptr;
    const Ref<IUserProfile> profile = profiles ? profiles->GetCurrent() : nullptr;
    return profile ? profile->GetParams() : nullptr;
}

int64_t ProfileNumber(const Ref<IParamCollection>& profile, const std::string& key) {
    int64_t number = 0;
    return ReadWholeNumber(profile->GetValue(key, Variant(0)), number) ? number : 0;
}

// Whether a trophy's game option holds a limit the counter has reached. A
// limit the definition does not give, or that is no number, grants nothing.
bool LimitReached(IGameScreenOwner* owner, const std::string& option, int64_t counter) {
    int64_t limit = 0;
    if (!owner || !ReadWholeNumber(owner->GetOption(option), limit)) return false;
    return counter >= limit;
}

void HideWidget(const Ref<IWidget>& widget) {
    if (widget) widget->SetVisible(false);
}

void ClearChildren(const Ref<IWidget>& widget) {
    const Ref<IWidgetCollection> children = widget ? widget->GetChildren() : nullptr;
    if (children) children->Clear();
}

void AddChild(const Ref<IWidget>& parent, const Ref<IWidget>& child) {
    const Ref<IWidgetCollection> children = parent ? parent->GetChildren() : nullptr;
    if (children && child) children->AddWidget(child);
}

constexpr int32_t kCommandClearParticles = 2;
// Miniatures are made of one widget per cell: a bound keeps a broken level
// file from asking for millions.
constexpr int64_t kMaxMiniatureSide = 50;

// A result as shown: a whole number with the game's thousands separators,
// any other text as it is.
Variant PointsText(const Variant& value) {
    int64_t number = 0;
    if (ReadWholeNumber(value, number)) return Variant(FormatThousands(number));
    return Variant(TextOrEmpty(value));
}

}  // namespace

int32_t ResultNumber(const Variant& value, int32_t fallback) {
    int64_t number = 0;
    return ReadWholeNumber(value, number) ? ClampToInt32(number) : fallback;
}

// ---------------------------------------------------------------------------
// Statistics of a won level

void TQuillmarchGameScreenNonogramStat::Create() {
    TGameScreen::Create();
    resultParams_ = NewParams();
}

void TQuillmarchGameScreenNonogramStat::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    scenarioGroup_ = Weak<IWidget>(FindWidget("scenario_group"));
    gridWidget_ = Weak<IWidget>(FindWidget("grid"));
}

void TQuillmarchGameScreenNonogramStat::DetachOwner() {
    scenarioGroup_ = Weak<IWidget>();
    gridWidget_ = Weak<IWidget>();
    // Kept empty rather than dropped: the object serves again if it is
    // attached again.
    resultParams_->Clear();
    TGameScreen::DetachOwner();
}

void TQuillmarchGameScreenNonogramStat::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreen::BeforeShow(params);
    if (const Ref<IWidget> grid = gridWidget_.Lock()) {
        // An earlier level's picture never stays behind this one's.
        ClearChildren(grid);
        IGameScreenOwner* owner = GetOwner();
        const Ref<IQuillmarchLevelDefRefCollection> levels =
            Query<IQuillmarchLevelDefRefCollection>(
                owner ? owner->GetOption("level_def_refs").ToInterface() : nullptr);
        const Ref<IQuillmarchLevelDefRef> entry =
            levels ? levels->GetItemByName(TextOrEmpty(Param(params, "location_name"))) : nullptr;
        if (const Ref<IQuillmarchLevelDef> def = entry ? entry->LoadLevelDef() : nullptr) {
            BuildMiniature(def);
        }
    }
    for (const char* name : {"levelTime", "levelExpertTime", "award_speed", "levelHints",
                             "award_hint", "levelErrors", "award_error", "crystal_points",
                             "crystal_error", "crystal_hint", "crystal_speed", "crystal_total"}) {
        Hide(name);
    }
    // The screen serves every result of a run: the bonus lines and the total
    // of the last one neither stay on show nor keep their texts for a result
    // that writes none.
    for (const char* name : {"label_BonusTime", "label_BonusHint", "label_BonusMistake",
                             "total_Points"}) {
        SetText(name, Variant(std::string()));
        Hide(name);
    }
    if (const Ref<IWidget> particles = FindWidget("ps_statlevel")) {
        particles->ExecuteCommand(kCommandClearParticles, nullptr);
    }
}

void TQuillmarchGameScreenNonogramStat::Show(const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    awardsCounted_ = false;
    closeRequested_ = false;
    TGameScreen::Show(params);
    ClearChildren(scenarioGroup_.Lock());
    ShowResults(params);
}

void TQuillmarchGameScreenNonogramStat::SetText(const std::string& path, const Variant& text) {
    if (const Ref<IWidget> widget = FindWidget(path)) widget->SetProperty("text", text);
}

void TQuillmarchGameScreenNonogramStat::Hide(const std::string& path) {
    HideWidget(FindWidget(path));
}

void TQuillmarchGameScreenNonogramStat::ShowResults(const Ref<IParamCollection>& params) {
    resultParams_->Clear();
    totalPoints_ = 0;
    awardsCounted_ = false;
    if (params) {
        int64_t total = 0;
        resultParams_->SetValue("level_ref", Variant(TextOrEmpty(Param(params, "level_ref"))));

        if (FindWidget("level_Points")) {
            const Variant points = Param(params, "level_points");
            SetText("level_Points", PointsText(points));
            total += ResultNumber(points);
        }

        // Each award needs its measurement: a result that lacks one earns
        // nothing for that row rather than the row's bonus by default.
        int64_t timeInSec = 0, cupTime = 0, hintsUsed = 0, errors = 0;
        const bool timed = ParamNumber(params, "level_time_in_sec", timeInSec);
        const bool hasCupTime = ParamNumber(params, "level_cup_time", cupTime);
        const bool hinted = ParamNumber(params, "level_hints_used", hintsUsed);
        const bool counted = ParamNumber(params, "level_errors", errors);

        if (FindWidget("levelTime")) {
            SetText("levelTime", Variant(TextOrEmpty(Param(params, "level_time"))));
            Hide("levelTime");
        }
        if (FindWidget("levelExpertTime")) {
            SetText("levelExpertTime",
                    Variant(FormatTimeString(hasCupTime ? ClampToInt32(cupTime) : 0, ":")));
            Hide("levelExpertTime");
        }
        // One award row: its flag in the results, its label, its bonus.
        const auto award = [&](const char* widget, const char* label, const char* key, bool earned,
                               const char* bonusName) {
            if (!FindWidget(widget) || !FindWidget(label)) return;
            if (earned) {
                const Variant bonus = Param(params, bonusName);
                resultParams_->SetValue(key, Variant("yes"));
                SetText(label, Variant("+" + FormatThousands(ResultNumber(bonus))));
                total += ResultNumber(bonus);
            } else {
                resultParams_->SetValue(key, Variant("no"));
                SetText(label, Variant("+ 0"));
            }
            Hide(widget);
        };
        award("award_speed", "label_BonusTime", "award_speed",
              timed && hasCupTime && timeInSec <= cupTime, "level_time_bonus");

        if (FindWidget("levelHints")) {
            SetText("levelHints", Variant(TextOrEmpty(Param(params, "level_hints_used"))));
            Hide("levelHints");
        }
        award("award_hint", "label_BonusHint", "award_hint", hinted && hintsUsed == 0,
              "level_hint_bonus");

        if (FindWidget("levelErrors")) {
            SetText("levelErrors", Variant(TextOrEmpty(Param(params, "level_errors", Variant("0")))));
            Hide("levelErrors");
        }
        award("award_error", "label_BonusMistake", "award_error", counted && errors == 0,
              "level_mistake_bonus");

        totalPoints_ = ClampToInt32(total);
        SetText("total_Points", Variant(FormatThousands(totalPoints_)));
        resultParams_->SetValue("level_total_points", Variant(totalPoints_));
    }
    StartScenario("scenario_stat", resultParams_);
}

void TQuillmarchGameScreenNonogramStat::StartScenario(const std::string& factoryName,
                                                      const Ref<IParamCollection>& params) {
    const Ref<IWidget> group = scenarioGroup_.Lock();
    if (!group) return;
    AddChild(group, CreateWidgetFromFactory(factoryName, params));
}

void TQuillmarchGameScreenNonogramStat::BuildMiniature(const Ref<IQuillmarchLevelDef>& levelDef) {
    const Ref<IWidget> grid = gridWidget_.Lock();
    if (!grid || !levelDef) return;
    int64_t rows = 0, cols = 0;
    if (!ReadWholeNumber(levelDef->GetProperty("rows"), rows) ||
        !ReadWholeNumber(levelDef->GetProperty("cols"), cols) || rows < 1 || cols < 1 ||
        rows > kMaxMiniatureSide || cols > kMaxMiniatureSide) {
        Log("NONOGRAM", "the miniature's level \"" + levelDef->GetName() +
                            "\" has no size from 1 to 50 cells a side");
        return;
    }
    const std::string size = std::to_string(rows) + "_" + std::to_string(cols);
    const Ref<IWidget> frame = CreateWidgetFromFactory("grid_frame_" + size, nullptr);
    if (!frame) return;
    AddChild(grid, frame);
    const int64_t originX = SaturatingRound<int32_t>(frame->GetLeft()) + 3;
    const int64_t originY = SaturatingRound<int32_t>(frame->GetTop()) + 3;

    const Ref<IParamCollection> params = NewParams();
    const Ref<ILevelDefRowCollection> picture = levelDef->GetRows();
    int64_t cellWidth = 0, cellHeight = 0;
    for (int64_t r = 0; r < rows; ++r) {
        const Ref<ILevelDefRow> row = picture ? picture->GetItem(Variant(int32_t(r))) : nullptr;
        // A row that is missing or short reads as empty cells.
        const std::string cells = row ? row->GetCells() : std::string();
        for (int64_t c = 0; c < cols; ++c) {
            params->SetValue("name", Variant(std::to_string(r) + "_" + std::to_string(c)));
            params->SetValue("anchor_left", Variant(originX + cellWidth * c));
            params->SetValue("anchor_top", Variant(originY + cellHeight * r));
            const char code = size_t(c) < cells.size() ? cells[size_t(c)] : '0';
            const std::string factory = code >= '1' && code <= '5'
                                            ? "grid_cell_" + size + "_" + code
                                            : "grid_cell_black_" + size;
            const Ref<IWidget> cell = CreateWidgetFromFactory(factory, params);
            if (!cell) continue;
            cellWidth = cell->GetWidth();
            cellHeight = cell->GetHeight();
            AddChild(grid, cell);
        }
    }
}

bool TQuillmarchGameScreenNonogramStat::AwardTrophies() {
    IGameScreenOwner* owner = GetOwner();
    const Ref<IParamCollection> profile = CurrentProfile(owner);
    if (!profile) return false;
    const std::string levelRef = TextOrEmpty(resultParams_->GetValue("level_ref", Variant("")));
    if (levelRef.empty()) {
        Log("NONOGRAM", "a level result without \"level_ref\" counts no medals");
    } else {
        for (const char* kind : {"error", "hint", "speed"}) {
            const std::string award = std::string("award_") + kind;
            if (IsYes(resultParams_->GetValue(award, Variant("no"))) &&
                TextOrEmpty(profile->GetValue(award + levelRef, Variant("no"))) == "no") {
                const std::string counter = std::string(kind) + "_medals";
                profile->SetValue(counter, Variant(ProfileNumber(profile, counter) + 1));
            }
        }
    }
    bool granted = false;
    std::string show = TextOrEmpty(profile->GetValue("show_trophy", Variant("")));
    struct TMedalTrophy {
        const char* key;
        const char* counter;
    };
    static constexpr std::array<TMedalTrophy, 6> kTrophies = {{
        {"trophy_error_small", "error_medals"},
        {"trophy_hint_small", "hint_medals"},
        {"trophy_speed_small", "speed_medals"},
        {"trophy_error_big", "error_medals"},
        {"trophy_hint_big", "hint_medals"},
        {"trophy_speed_big", "speed_medals"},
    }};
    for (const TMedalTrophy& trophy : kTrophies) {
        const std::string key = trophy.key;
        if (TextOrEmpty(profile->GetValue(key, Variant("no"))) != "no") continue;
        // Reached, not only met: a counter already past a limit (a limit
        // lowered by new data) still grants the trophy.
        if (!LimitReached(owner, key + "_limit", ProfileNumber(profile, trophy.counter))) continue;
        granted = true;
        profile->SetValue(key, Variant("yes"));
        show += key + ",";
    }
    profile->SetValue("show_trophy", Variant(show));
    return granted;
}

void TQuillmarchGameScreenNonogramStat::CloseWithResults() {
    // A copy: the screens below keep what they were given while this
    // screen's own list serves the next result.
    closeRequested_ = CloseGameScreen(CopyParamCollection(resultParams_));
}

void TQuillmarchGameScreenNonogramStat::Accept() {
    resultParams_->SetValue("restart_game", Variant("no"));
    bool granted = false;
    if (!awardsCounted_) {
        awardsCounted_ = true;
        granted = AwardTrophies();
    }
    // The trophy screen's close closes this one; when it cannot open, the
    // trophies are recorded already and the screen closes now.
    if (granted && ShowGameScreen("GS_Trophy", nullptr)) return;
    CloseWithResults();
}

void TQuillmarchGameScreenNonogramStat::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                                    const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (code != 1 || !sender || closeRequested_) return;
    const Ref<IGameScreenSlave> self(this);
    const std::string name = sender->GetName();
    if (name == "button_ok") {
        Accept();
    } else if (name == "button_restart") {
        resultParams_->SetValue("restart_game", Variant("yes"));
        CloseWithResults();
    }
}

void TQuillmarchGameScreenNonogramStat::ChildScreenClosed(const std::string& screenName,
                                                          const Ref<IParamCollection>& results) {
    TGameScreen::ChildScreenClosed(screenName, results);
    if (screenName != "GS_Trophy") return;
    const Ref<IGameScreenSlave> self(this);
    resultParams_->SetValue("restart_game", Variant("no"));
    CloseWithResults();
}

// ---------------------------------------------------------------------------
// Statistics with a tip

void TQuillmarchGameScreenNonogramStatWithTips::Create() {
    TQuillmarchGameScreenNonogramStat::Create();
    tipDefs_ = Query<IQuillmarchTipDefCollection>(
        CreateAbstractObject(ClassOf<TQuillmarchTipDefCollection>()));
}

void TQuillmarchGameScreenNonogramStatWithTips::LoadFrom(const Ref<IHierStorage>& storage) {
    TQuillmarchGameScreenNonogramStat::LoadFrom(storage);
    LoadChildObject(tipDefs_, storage, "tips", 0);
}

void TQuillmarchGameScreenNonogramStatWithTips::BeforeShow(const Ref<IParamCollection>& params) {
    TQuillmarchGameScreenNonogramStat::BeforeShow(params);
    SetText("levelTips", Variant(std::string()));
    Hide("levelTips");
    Hide("label_levelTips");
}

std::string TQuillmarchGameScreenNonogramStatWithTips::ChooseRandomTip() {
    return ChooseWeightedTip(tipDefs_, random_);
}

void TQuillmarchGameScreenNonogramStatWithTips::ShowResults(const Ref<IParamCollection>& params) {
    TQuillmarchGameScreenNonogramStat::ShowResults(params);
    if (const Ref<IWidget> tips = FindWidget("levelTips")) {
        tips->SetVisible(false);
        if (params) {
            std::string name = TextOrEmpty(Param(params, "tip"));
            if (name.empty()) name = ChooseRandomTip();
            const Ref<IQuillmarchTipDef> tip =
                name.empty() ? nullptr : tipDefs_->GetItem(Variant(name));
            // A tip the list does not hold leaves the line empty.
            tips->SetProperty("text", tip ? tip->GetProperty("text") : Variant(std::string()));
        }
    }
    Hide("label_levelTips");
    StartScenario("scenario_stat_tips", GetResultParams());
}

// ---------------------------------------------------------------------------
// Bonus game results

void TQuillmarchGameScreenNonogramBonusStat::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    scenarioGroup_ = Weak<IWidget>(FindWidget("scenario_group"));
}

void TQuillmarchGameScreenNonogramBonusStat::DetachOwner() {
    scenarioGroup_ = Weak<IWidget>();
    TGameScreen::DetachOwner();
}

void TQuillmarchGameScreenNonogramBonusStat::SetText(const std::string& path, const Variant& text) {
    if (const Ref<IWidget> widget = FindWidget(path)) widget->SetProperty("text", text);
}

void TQuillmarchGameScreenNonogramBonusStat::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreen::BeforeShow(params);
    trophiesChecked_ = false;
    closeRequested_ = false;
    for (const char* name :
         {"title_Result", "levelProgress", "level_Points", "total_Points", "levelHintsBonus",
          "levelTimeBonus", "levelTotalPoints", "award_record", "award_text"}) {
        HideWidget(FindWidget(name));
    }
    if (const Ref<IWidget> particles = FindWidget("ps_statlevel")) {
        particles->ExecuteCommand(kCommandClearParticles, nullptr);
    }
    // A reveal still running from the last result never runs beside the new
    // one.
    ClearChildren(scenarioGroup_.Lock());
    ShowResults(params);
}

void TQuillmarchGameScreenNonogramBonusStat::ShowResults(const Ref<IParamCollection>& params) {
    if (params) {
        bonusLevelName_ = TextOrEmpty(Param(params, "LevelName"));
        bonusTotalPoints_ = ResultNumber(Param(params, "level_total_points"));
        const auto line = [&](const char* widget, const char* name) {
            SetText(widget, Variant(TextOrEmpty(Param(params, name))));
        };
        line("title_Result", "level_result");
        if (const Ref<IWidget> title = FindWidget("title_Result")) title->SetVisible(true);
        line("levelProgress", "level_progress");
        SetText("level_Points", PointsText(Param(params, "level_points")));
        line("levelHintsBonus", "level_hints_bonus");
        line("levelTimeBonus", "level_time_bonus");
        SetText("levelTotalPoints", PointsText(Param(params, "level_total_points")));
    } else {
        bonusLevelName_.clear();
        bonusTotalPoints_ = 0;
    }
    const Ref<IWidget> group = scenarioGroup_.Lock();
    if (group) AddChild(group, CreateWidgetFromFactory("scenario_stat_bonus", params));
}

bool TQuillmarchGameScreenNonogramBonusStat::AwardTrophies() {
    IGameScreenOwner* owner = GetOwner();
    const Ref<IParamCollection> profile = CurrentProfile(owner);
    if (!profile) return false;
    bool granted = false;
    std::string show = TextOrEmpty(profile->GetValue("show_trophy", Variant("")));
    for (const char* location : {"japan", "rome", "tibet", "egypt", "greece", "aztecs", "china"}) {
        const std::string key = std::string("trophy_") + location;
        if (TextOrEmpty(profile->GetValue(key, Variant("no"))) != "no") continue;
        if (bonusLevelName_ != location) continue;
        if (!LimitReached(owner, std::string("trophy_bonus_") + location + "_limit",
                          bonusTotalPoints_)) {
            continue;
        }
        granted = true;
        profile->SetValue(key, Variant("yes"));
        show += key + ",";
    }
    profile->SetValue("show_trophy", Variant(show));
    return granted;
}

void TQuillmarchGameScreenNonogramBonusStat::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                                         const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (code != 1 || !sender || closeRequested_) return;
    const Ref<IGameScreenSlave> self(this);
    const std::string name = sender->GetName();
    if (name == "button_submit") {
        ShowGameScreen("GS_SubmitScore", NewParams());
    } else if (name == "button_ok") {
        bool granted = false;
        if (!trophiesChecked_) {
            trophiesChecked_ = true;
            granted = AwardTrophies();
        }
        if (granted && ShowGameScreen("GS_Trophy", nullptr)) return;
        closeRequested_ = CloseGameScreen(nullptr);
    }
}

void TQuillmarchGameScreenNonogramBonusStat::ChildScreenClosed(
    const std::string& screenName, const Ref<IParamCollection>& results) {
    TGameScreen::ChildScreenClosed(screenName, results);
    const Ref<IGameScreenSlave> self(this);
    if (screenName == "GS_SubmitScore") {
        // Cancelled: the player is back on the results.
        if (!results) return;
        results->SetValue("LevelName", Variant(bonusLevelName_));
        const Ref<IWidget> total = FindWidget("levelTotalPoints");
        // Without the line the score is still the one shown to the player.
        results->SetValue("level_total_points", total ? total->GetProperty("text")
                                                      : Variant(std::to_string(bonusTotalPoints_)));
        ShowGameScreen("GS_OnlineScores", results);
    } else if (screenName == "GS_OnlineScores" || screenName == "GS_Trophy") {
        closeRequested_ = CloseGameScreen(nullptr);
    }
}

// ---------------------------------------------------------------------------
// Failed level, level information

void TQuillmarchGameScreenNonogramFailed::Show(const Ref<IParamCollection>& params) {
    closeRequested_ = false;
    TGameScreen::Show(params);
}

void TQuillmarchGameScreenNonogramFailed::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                                      const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (code != 1 || !sender || closeRequested_) return;
    const std::string name = sender->GetName();
    if (name != "button_restart" && name != "button_map") return;
    const Ref<IGameScreenSlave> self(this);
    const Ref<IParamCollection> results = NewParams();
    results->SetValue("restart_level", Variant(name == "button_restart" ? "yes" : "no"));
    closeRequested_ = CloseGameScreen(results);
}

void TQuillmarchGameScreenLevelInfo::Show(const Ref<IParamCollection>& params) {
    TGameScreen::Show(params);
    if (!params) return;
    const auto set = [&](const char* widget, const std::string& text) {
        if (const Ref<IWidget> w = FindWidget(widget)) w->SetProperty("text", Variant(text));
    };
    set("location_name", "%" + TextOrEmpty(Param(params, "title")) + "%");
    set("level", TextOrEmpty(Param(params, "LevelName")));
    set("size", TextOrEmpty(Param(params, "size")));
}

void RegisterResultScreenClasses() {
    RegisterTipClasses();
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenNonogramStat>(),
                        "QuillmarchGameScreenNonogramStat");
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenNonogramStatWithTips>(),
                        "QuillmarchGameScreenNonogramStatWithTips");
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenNonogramBonusStat>(),
                        "QuillmarchGameScreenNonogramBonusStat");
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenNonogramFailed>(),
                        "QuillmarchGameScreenNonogramFailed");
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenLevelInfo>(), "QuillmarchGameScreenLevelInfo");
}
