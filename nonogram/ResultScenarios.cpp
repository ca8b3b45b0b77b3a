#include "nonogram/ResultScenarios.h"

#include "engine/surface/EngineSurface.h"

namespace {

constexpr int32_t kPauseMs = 200;
constexpr int32_t kBurstCount = 50;
constexpr uint32_t kFastTimeColor = 0xFF5F8B37;
constexpr uint32_t kSlowTimeColor = 0xFFDE4100;

}  // namespace

// ---------------------------------------------------------------------------
// Shared steps

Ref<IWidget> TResultRevealScenario::Find(const std::string& path) {
    IWidgetOwner* owner = GetOwner();
    return owner ? owner->FindWidget(path) : nullptr;
}

void TResultRevealScenario::BurstParticles(const std::string& path, int32_t count) {
    const Ref<IWidget> particles = Find("../ps_statlevel");
    const Ref<IWidget> line = Find(path);
    if (!particles || !line) return;
    const Ref<IWidget> self(this);
    particles->SetProperty("surface", Variant(line->GetSnapshot()));
    particles->SetProperty("create_left", Variant(static_cast<float>(line->GetDrawLeft())));
    particles->SetProperty("create_top", Variant(static_cast<float>(line->GetDrawTop())));
    particles->SetProperty("add_LifeTime", Variant(10 * count));
    particles->SetProperty("init_creation_count", Variant(count));
    particles->Update(0);
    // The particles hold their pictures; the snapshot itself is let go.
    particles->SetProperty("surface", Variant());
}

void TResultRevealScenario::RevealLine(const std::string& path) {
    if (const Ref<IWidget> line = Find(path)) line->SetVisible(true);
    BurstParticles(path, kBurstCount);
}

bool TResultRevealScenario::FlagIsYes(const std::string& flag) {
    const Variant value = GetProperty(flag);
    return !value.IsUnassigned() && value.IsString() && value.ToString() == "yes";
}

void TResultRevealScenario::RevealAward(const std::string& path, const std::string& flag) {
    const Ref<IWidget> medal = Find(path);
    if (FlagIsYes(flag)) {
        if (medal) {
            medal->SetVisible(true);
            medal->Restart();
        }
        SetStateTimeout(kPauseMs);
        PlayRevealSound("sound_stat_medal");
    } else {
        if (medal) medal->SetVisible(false);
        SetStateTimeout(0);
    }
}

void TResultRevealScenario::RevealCrystal(const std::string& path, bool medal) {
    const Ref<IWidget> crystal = Find(path);
    if (!crystal) return;
    SetStateTimeout(kPauseMs);
    crystal->SetVisible(true);
    crystal->Restart();
    if (medal) PlayRevealSound("sound_stat_medal");
}

void TResultRevealScenario::PlayRevealSound(const std::string& name) {
    PlaySound(name, false, 0, 0);
}

void TResultRevealScenario::EnterStart() {
    SetStateTimeout(kPauseMs);
}

void TResultRevealScenario::EnterExit() {
    Finish();
}

// ---------------------------------------------------------------------------
// Statistics

void TScenarioNonogramStat::Create() {
    TResultRevealScenario::Create();
    AddState("enter", "show_errors", &TScenarioNonogramStat::EnterStart,
             &TScenarioNonogramStat::IsTimeoutReached);
    DeclareRows("exit");
    AddState("exit", "", &TScenarioNonogramStat::EnterExit, &TScenarioNonogramStat::AlwaysTrue);
}

void TScenarioNonogramStat::DeclareRows(const std::string& afterTotal) {
    AddState("show_errors", "show_hints", &TScenarioNonogramStat::EnterErrors,
             &TScenarioNonogramStat::IsTimeoutReached);
    AddState("show_hints", "show_time", &TScenarioNonogramStat::EnterHints,
             &TScenarioNonogramStat::IsTimeoutReached);
    AddState("show_time", "show_total_points", &TScenarioNonogramStat::EnterTime,
             &TScenarioNonogramStat::IsTimeoutReached);
    AddState("show_total_points", afterTotal, &TScenarioNonogramStat::EnterTotal,
             &TScenarioNonogramStat::IsTimeoutReached);
}

void TScenarioNonogramStat::EnterErrors() {
    SetStateTimeout(kPauseMs);
    RevealLine("../levelErrors");
    RevealAward("../award_error", "award_error");
    RevealLine("../label_BonusMistake");
    RevealAward("../crystal_error", "award_error");
    PlayRevealSound("sound_new_line");
}

void TScenarioNonogramStat::EnterHints() {
    SetStateTimeout(kPauseMs);
    RevealLine("../levelHints");
    RevealAward("../award_hint", "award_hint");
    RevealLine("../label_BonusHint");
    RevealAward("../crystal_hint", "award_hint");
    PlayRevealSound("sound_new_line");
}

void TScenarioNonogramStat::EnterTime() {
    SetStateTimeout(kPauseMs);
    if (const Ref<IWidget> time = Find("../levelTime")) {
        time->SetProperty("drawmode", Variant(int32_t{1}));
        time->SetProperty("fillcolor", Variant(int64_t{FlagIsYes("award_speed") ? kFastTimeColor
                                                                                : kSlowTimeColor}));
    }
    RevealLine("../levelTime");
    RevealLine("../levelExpertTime");
    RevealAward("../award_speed", "award_speed");
    RevealLine("../label_BonusTime");
    RevealAward("../crystal_speed", "award_speed");
    PlayRevealSound("sound_new_line");
}

void TScenarioNonogramStat::EnterTotal() {
    SetStateTimeout(kPauseMs);
    RevealLine("../total_Points");
    PlayRevealSound("sound_new_line");
    RevealCrystal("../crystal_total", true);
}

// ---------------------------------------------------------------------------
// Statistics with a tip

void TScenarioNonogramStatWithTips::Create() {
    TScenarioNonogramStat::Create();
    ClearStates();
    AddState("enter", "show_points", &TScenarioNonogramStatWithTips::EnterStart,
             &TScenarioNonogramStatWithTips::IsTimeoutReached);
    // No pause of its own: the time-out "enter" used up is 0, so the state
    // ends at the next check.
    AddState("show_points", "show_errors", &TScenarioNonogramStatWithTips::EnterPoints,
             &TScenarioNonogramStatWithTips::IsTimeoutReached);
    DeclareRows("show_tips");
    AddState("show_tips", "exit", &TScenarioNonogramStatWithTips::EnterTips,
             &TScenarioNonogramStatWithTips::IsTimeoutReached);
    AddState("exit", "", &TScenarioNonogramStatWithTips::EnterExit,
             &TScenarioNonogramStatWithTips::AlwaysTrue);
}

void TScenarioNonogramStatWithTips::EnterPoints() {
    RevealLine("../level_Points");
    RevealLine("../crystal_points");
    PlayRevealSound("sound_new_line");
}

void TScenarioNonogramStatWithTips::EnterTips() {
    if (const Ref<IWidget> label = Find("../label_levelTips")) label->SetVisible(true);
    RevealLine("../levelTips");
    PlayRevealSound("sound_new_line");
}

// ---------------------------------------------------------------------------
// Bonus game

void TScenarioNonogramStatBonus::Create() {
    TResultRevealScenario::Create();
    using S = TScenarioNonogramStatBonus;
    AddState("enter", "show_progress", &S::EnterStart, &S::IsTimeoutReached);
    struct TLine {
        const char* state;
        const char* next;
        const char* path;
    };
    static constexpr TLine kLines[] = {
        {"show_progress", "show_points", "../levelProgress"},
        {"show_points", "show_hints_bonus", "../level_Points"},
        {"show_hints_bonus", "show_time_bonus", "../levelHintsBonus"},
        {"show_time_bonus", "show_total_points", "../levelTimeBonus"},
        {"show_total_points", "show_award_record", "../levelTotalPoints"},
    };
    for (const TLine& line : kLines) {
        const std::string path = line.path;
        AddStateHandlers(
            line.state, line.next,
            [this, path](TState&) {
                SetStateTimeout(kPauseMs);
                RevealLine(path);
                PlayRevealSound("sound_new_line");
            },
            [this](TState& state) { return IsTimeoutReached(state); }, nullptr, nullptr);
    }
    AddState("show_award_record", "exit", &S::EnterRecord, &S::IsTimeoutReached);
    AddState("exit", "", &S::EnterExit, &S::AlwaysTrue);
}

void TScenarioNonogramStatBonus::EnterRecord() {
    const Ref<IWidget> record = Find("../award_record");
    const Ref<IWidget> text = Find("../award_text");
    if (!record || !text) return;
    if (FlagIsYes("award_record")) {
        for (const Ref<IWidget>& w : {record, text}) {
            w->SetVisible(true);
            w->Restart();
        }
        SetStateTimeout(kPauseMs);
        PlayRevealSound("sound_stat_medal");
    } else {
        record->SetVisible(false);
        text->SetVisible(false);
        SetStateTimeout(0);
    }
}

// ---------------------------------------------------------------------------
// Replay of a location

void TScenarioReplayLevel::Create() {
    TResultRevealScenario::Create();
    using S = TScenarioReplayLevel;
    AddState("enter", "show_earned_before", &S::EnterStart, &S::IsTimeoutReached);
    struct TRow {
        const char* state;
        const char* next;
        const char* name;
    };
    static constexpr TRow kRows[] = {
        {"show_earned_before", "show_earned_now", "EarnedBefore"},
        {"show_earned_now", "show_earned_total", "EarnedNow"},
        {"show_earned_total", "", "EarnedTotal"},
    };
    for (const TRow& row : kRows) {
        const std::string name = row.name;
        AddStateHandlers(
            row.state, row.next,
            [this, name](TState&) {
                SetStateTimeout(kPauseMs);
                RevealLine("../" + name);
                RevealCrystal("../crystal_" + name, false);
                PlayRevealSound("sound_new_line");
            },
            [this](TState& state) { return IsTimeoutReached(state); }, nullptr, nullptr);
    }
}

void RegisterResultScenarioClasses() {
    RegisterObjectClass(ClassOf<TScenarioNonogramStat>(), "scenario_stat_nonogram");
    RegisterObjectClass(ClassOf<TScenarioNonogramStatWithTips>(),
                        "scenario_stat_nonogram_with_tips");
    RegisterObjectClass(ClassOf<TScenarioNonogramStatBonus>(), "scenario_stat_nonogram_bonus");
    RegisterObjectClass(ClassOf<TScenarioReplayLevel>(), "scenario_replay_level");
}
