#include "game/QueryScreens.h"

#include <exception>

#include "core/base/AsciiText.h"

Ref<IParamCollection> OneParam(const std::string& name, const Variant& value) {
    const Ref<IParamCollection> params =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    params->SetValue(name, value);
    return params;
}

// ---------------------------------------------------------------------------
// Query dialogs

void TGameScreenQueryDialog::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreen::BeforeShow(params);
    if (!params) return;
    for (int32_t i = 0; i < params->GetCount(); ++i) {
        const Ref<IParam> param = params->GetParam(Variant(i));
        if (!param) continue;
        // Setting a property never raises; a value the widget cannot take
        // is dropped there.
        if (const Ref<IWidget> widget = FindWidget(param->GetName())) {
            widget->SetProperty("text_utf8", param->GetValue());
        }
    }
}

void TGameScreenQueryDialog::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                         const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (code != 1) return;
    CloseGameScreen(OneParam("Button", Variant(sender ? sender->GetName() : std::string())));
}

void TGameScreenQueryDeleteProfile::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreenQueryDialog::BeforeShow(params);
    const Ref<IWidget> label = FindWidget("label_user_profile_name");
    if (!label) return;
    label->SetProperty("text", Variant(std::string()));
    if (!params) return;
    try {
        if (const Ref<IParam> name = params->GetParam(Variant("user_name"))) {
            label->SetProperty("text_utf8", name->GetValue());
        }
    } catch (const std::exception&) {
        // The label stays empty.
    }
}

// ---------------------------------------------------------------------------
// Quit

void TGameScreenQuit::ChildScreenClosed(const std::string& screenName,
                                        const Ref<IParamCollection>& results) {
    TGameScreen::ChildScreenClosed(screenName, results);
    if (const Ref<IEngine> engine = GetEngine()) engine->Quit();
}

void TGameScreenQuit::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                  const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (code != 1 || !sender) return;
    const std::string name = sender->GetName();
    if (name == "button_exit") {
        if (const Ref<IEngine> engine = GetEngine()) engine->Quit();
    } else if (name == "button_cancel") {
        CloseGameScreen(nullptr);
    }
}

// ---------------------------------------------------------------------------
// Name entry

void TNameEntry::Begin(TGameScreen& screen, const Ref<IParamCollection>& params) {
    name_.clear();
    cancelAllowed_ = !(params && params->GetParam(Variant("Necessary")));
    if (const Ref<IWidget> cancel = screen.FindWidget("button_cancel")) {
        cancel->SetEnabled(cancelAllowed_);
    }
    const Ref<IWidget> edit = screen.FindWidget("edit_name");
    if (edit) edit->SetProperty("value", Variant(std::string()));
    if (!params) return;
    try {
        if (const Ref<IParam> offered = params->GetParam(Variant("user_name"))) {
            name_ = offered->GetValue().ToString();
            if (edit) edit->SetProperty("value", Variant(name_));
        }
    } catch (const std::exception&) {
        // The field stays empty.
    }
}

bool TNameEntry::FollowEdit(const Ref<IWidget>& sender, int32_t code) {
    if (code != 4 || !sender || sender->GetName() != "edit_name") return false;
    name_ = sender->GetProperty("text_utf8").ToString();
    return true;
}

int32_t TNameEntry::KeyAnswer(int32_t kind, int32_t key, bool& handled) const {
    if (handled || kind != 1) return -1;
    if (key == 13) {
        handled = true;
        return 1;
    }
    if (key == 27) {
        handled = true;
        return cancelAllowed_ ? 0 : -1;
    }
    return -1;
}

std::string TNameEntry::TrimmedName() const {
    return std::string(Trim(name_));
}

// ---------------------------------------------------------------------------
// Name-entry screens

void TNameEntryScreen::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreen::BeforeShow(params);
    entry_.Begin(*this, params);
}

bool TNameEntryScreen::KeyEvent(int32_t kind, int32_t key, int32_t modifiers) {
    const Ref<IGameScreenSlave> self(this);
    bool handled = TGameScreen::KeyEvent(kind, key, modifiers);
    const int32_t answer = entry_.KeyAnswer(kind, key, handled);
    if (answer >= 0) Finish(answer == 1);
    return handled;
}

void TNameEntryScreen::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                   const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (entry_.FollowEdit(sender, code) || code != 1 || !sender) return;
    const std::string name = sender->GetName();
    // Cancel answers whatever the parameters said: a screen that must not
    // be cancelled disables its button instead.
    if (name == "button_ok") {
        Finish(true);
    } else if (name == "button_cancel") {
        Finish(false);
    }
}

// ---------------------------------------------------------------------------
// Score submission

void TGameScreenSubmitScore::Finish(bool accepted) {
    CloseGameScreen(accepted ? OneParam("user_name", Variant(Entry().TrimmedName())) : nullptr);
}

void TGameScreenSubmitError::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                         const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (code != 1 || !sender) return;
    const std::string name = sender->GetName();
    if (name == "button_ok") {
        Finish(true);
    } else if (name == "button_cancel") {
        Finish(false);
    }
}

void TGameScreenSubmitError::Finish(bool accepted) {
    CloseGameScreen(accepted ? OneParam("ResubmitScore", Variant("yes")) : nullptr);
}

void RegisterQueryScreenClasses() {
    RegisterObjectClass(ClassOf<TGameScreenQueryDialog>(), "GameScreenQueryDialog");
    RegisterObjectClass(ClassOf<TGameScreenQueryDeleteProfile>(), "GameScreenQueryDeleteProfile");
    RegisterObjectClass(ClassOf<TGameScreenQuit>(), "GameScreenQuit");
    RegisterObjectClass(ClassOf<TGameScreenSubmitScore>(), "GameScreenSubmitScore");
    RegisterObjectClass(ClassOf<TGameScreenSubmitError>(), "GameScreenSubmitError");
}
