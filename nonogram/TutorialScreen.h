// The tutorial's screen ("QuillmarchGameScreenTutorial", shown as
// "GS_Tutorial" with the show parameter "tutorial_part"): it holds the
// catalogue of the tutorial's pictures (its child "levels") and hands it to
// the tutorial as the game option "level_tutorial_def_refs". Showing it
// switches the tool switch "control_tools" on (command 13, "active") and
// starts the tutorial "control_tutorial" (command 12 with the show
// parameters). The tutorial's end closes the screen; its request to skip
// opens "GS_SkipTutorial", and the screen closes when that one does,
// whatever it answers.
//
// Failures: a missing control or tool switch is skipped.
#pragma once

#include <string>

#include "game/GameScreen.h"
#include "nonogram/LevelDefs.h"

class TQuillmarchGameScreenTutorial : public TGameScreen {
public:
    void Create() override;
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    void Show(const Ref<IParamCollection>& params) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override;

    const Ref<IQuillmarchLevelDefRefCollection>& GetLevels() const { return levels_; }

private:
    Ref<IQuillmarchLevelDefRefCollection> levels_;
    Weak<IWidget> control_;
    Weak<IWidget> tools_;
};

// Registers "QuillmarchGameScreenTutorial", "QuillmarchControlTutorial" and
// "QuillmarchTutorialCell".
void RegisterTutorialClasses();
