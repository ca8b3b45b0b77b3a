#include "nonogram/TutorialScreen.h"

#include "nonogram/TutorialCell.h"
#include "nonogram/TutorialControl.h"

void TQuillmarchGameScreenTutorial::Create() {
    TGameScreen::Create();
    levels_ = Query<IQuillmarchLevelDefRefCollection>(
        CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>()));
}

void TQuillmarchGameScreenTutorial::LoadFrom(const Ref<IHierStorage>& storage) {
    TGameScreen::LoadFrom(storage);
    LoadChildObject(levels_, storage, "levels", 0);
}

void TQuillmarchGameScreenTutorial::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    control_ = Weak<IWidget>(FindWidget("control_tutorial"));
    tools_ = Weak<IWidget>(FindWidget("control_tools"));
    if (owner) owner->SetOptionValue("level_tutorial_def_refs", Variant(Ref<IInterface>(levels_)));
}

void TQuillmarchGameScreenTutorial::DetachOwner() {
    control_ = nullptr;
    tools_ = nullptr;
    TGameScreen::DetachOwner();
}

void TQuillmarchGameScreenTutorial::Show(const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::Show(params);
    if (const Ref<IWidget> tools = tools_.Lock()) {
        const Ref<IParamCollection> toolParams =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        toolParams->SetValue("tools_state", Variant("active"));
        tools->ExecuteCommand(13, toolParams);
    }
    if (const Ref<IWidget> control = control_.Lock()) {
        control->ExecuteCommand(kCommandStartTutorial, params);
    }
}

void TQuillmarchGameScreenTutorial::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                                const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (!sender || sender->GetName() != "control_tutorial") return;
    const Ref<IGameScreenSlave> self(this);
    if (code == kEventTutorialOver) {
        CloseGameScreen(nullptr);
    } else if (code == kEventTutorialSkip) {
        ShowGameScreen("GS_SkipTutorial", nullptr);
    }
}

void TQuillmarchGameScreenTutorial::ChildScreenClosed(const std::string& screenName,
                                                      const Ref<IParamCollection>& results) {
    TGameScreen::ChildScreenClosed(screenName, results);
    if (screenName == "GS_SkipTutorial") {
        const Ref<IGameScreenSlave> self(this);
        CloseGameScreen(nullptr);
    }
}

void RegisterTutorialClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenTutorial>(), "QuillmarchGameScreenTutorial");
    RegisterObjectClass(ClassOf<TQuillmarchControlTutorial>(), "QuillmarchControlTutorial");
    RegisterObjectClass(ClassOf<TQuillmarchTutorialCell>(), "QuillmarchTutorialCell");
}
