// The reveal of the result lines: the result screens hide their lines and
// put one of these scenarios (made by a widget factory of their window with
// the screen's results as parameters) into their "scenario_group"; the
// scenario uncovers the lines one after another, each with a burst of
// particles cut from the line's picture and a sound, and for each award
// earned a medal, its sound and a pause of 200 ms.
//
//   "scenario_stat_nonogram"            errors, hints, time, total
//   "scenario_stat_nonogram_with_tips"  points first, the tip last
//   "scenario_stat_nonogram_bonus"      the bonus game's lines and its record
//   "scenario_replay_level"             points earned before, now and in total
//
// The award flags ("award_error", "award_hint", "award_speed",
// "award_record") are the scenario's own properties, which the factory's
// parameters fill. The widgets are the screen's, beside the scenario group
// ("../levelErrors" from the group); sounds are the scenario's own
// ("sound_new_line", "sound_stat_medal"); the particles come from
// "../ps_statlevel".
//
// Failures: a widget that is not there is skipped (a line without its widget
// still plays its sound); without "../ps_statlevel" nothing bursts.
#pragma once

#include <cstdint>
#include <string>

#include "widgets/StateScenario.h"

// What the four reveals share: the lines, the medals and the bursts.
class TResultRevealScenario : public TStateScenario {
protected:
    // A widget of the screen by its path from the scenario's group; null
    // when absent.
    Ref<IWidget> Find(const std::string& path);
    // The line's picture as particles: "../ps_statlevel" takes the line's
    // snapshot and place, emits count particles now and lets the picture go.
    void BurstParticles(const std::string& path, int32_t count);
    // Shown, then burst.
    void RevealLine(const std::string& path);
    // The medal of the flag: shown, restarted, 200 ms and "sound_stat_medal"
    // when the flag is "yes"; hidden and no pause otherwise.
    void RevealAward(const std::string& path, const std::string& flag);
    // When the widget is there: 200 ms, shown and restarted; with medal,
    // "sound_stat_medal" too.
    void RevealCrystal(const std::string& path, bool medal);
    bool FlagIsYes(const std::string& flag);
    // The scenario's own sound of that name.
    virtual void PlayRevealSound(const std::string& name);

    // Enter handlers shared by the state tables.
    void EnterStart();
    void EnterExit();
};

// Registered as "scenario_stat_nonogram".
class TScenarioNonogramStat : public TResultRevealScenario {
public:
    void Create() override;

protected:
    // The award rows and the total, as the tips reveal also uses them.
    void DeclareRows(const std::string& afterTotal);
    void EnterErrors();
    void EnterHints();
    void EnterTime();
    void EnterTotal();
};

// Registered as "scenario_stat_nonogram_with_tips".
class TScenarioNonogramStatWithTips : public TScenarioNonogramStat {
public:
    void Create() override;

protected:
    void EnterPoints();
    void EnterTips();
};

// Registered as "scenario_stat_nonogram_bonus".
class TScenarioNonogramStatBonus : public TResultRevealScenario {
public:
    void Create() override;

protected:
    void EnterRecord();
};

// Registered as "scenario_replay_level".
class TScenarioReplayLevel : public TResultRevealScenario {
public:
    void Create() override;
};

void RegisterResultScenarioClasses();
