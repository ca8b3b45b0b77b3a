// Screens that ask the player something and answer the screen that opened
// them (in its ChildScreenClosed):
//
//   GameScreenQueryDialog         every show parameter sets "text_utf8" of the
//                                 widget of its name; any click (code 1)
//                                 closes with "Button" = the sender's name
//   GameScreenQueryDeleteProfile  the same, with "label_user_profile_name"
//                                 showing "user_name" (empty without it)
//   GameScreenQuit                "button_exit" quits, "button_cancel"
//                                 closes; a screen above it that closes quits
//   GameScreenSubmitScore         a name for the high scores: "edit_name",
//                                 "button_ok", "button_cancel"; answers
//                                 "user_name", trimmed
//   GameScreenSubmitError         "ResubmitScore" = "yes" from "button_ok",
//                                 nothing from "button_cancel"
//
// The name-entry screens take the show parameters "user_name" (the name
// offered) and "Necessary" (present: the player cannot cancel; the cancel
// button is disabled and Escape does nothing). Return accepts, Escape
// cancels, unless the focused widget took the key.
//
// Failures: parameters that name no widget are ignored; a value a widget
// refuses is dropped. Missing buttons and fields are skipped.
#pragma once

#include <cstdint>
#include <string>

#include "game/GameScreen.h"

// "text_utf8" of every widget named by a show parameter.
class TGameScreenQueryDialog : public TGameScreen {
public:
    void BeforeShow(const Ref<IParamCollection>& params) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;
};

class TGameScreenQueryDeleteProfile : public TGameScreenQueryDialog {
public:
    void BeforeShow(const Ref<IParamCollection>& params) override;
};

class TGameScreenQuit : public TGameScreen {
public:
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;
};

// What the name-entry screens share: the field filled on show, the name
// followed as it is typed, Return and Escape.
class TNameEntry {
public:
    // Fills the field and the cancel button from the show parameters.
    void Begin(TGameScreen& screen, const Ref<IParamCollection>& params);
    // Code 4 from "edit_name" copies its text; answers whether it was that.
    bool FollowEdit(const Ref<IWidget>& sender, int32_t code);
    // For a key the screen left alone: 1 accept (Return), 0 cancel (Escape
    // when allowed), -1 nothing; handled is set for Return and Escape.
    int32_t KeyAnswer(int32_t kind, int32_t key, bool& handled) const;

    const std::string& GetName() const { return name_; }
    // The name less blanks (codes up to 32) at both ends.
    std::string TrimmedName() const;
    bool IsCancelAllowed() const { return cancelAllowed_; }

private:
    std::string name_;
    bool cancelAllowed_ = true;
};

// A screen that asks for a name: the entry followed as it is typed, Return
// and Escape, "button_ok" and "button_cancel"; each screen says what its
// answer does.
class TNameEntryScreen : public TGameScreen {
public:
    void BeforeShow(const Ref<IParamCollection>& params) override;
    bool KeyEvent(int32_t kind, int32_t key, int32_t modifiers) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    virtual void Finish(bool accepted) = 0;

    const TNameEntry& Entry() const { return entry_; }

private:
    TNameEntry entry_;
};

class TGameScreenSubmitScore : public TNameEntryScreen {
public:
    // Closes with "user_name" (trimmed, possibly empty) or with no result.
    void Finish(bool accepted) override;
};

class TGameScreenSubmitError : public TGameScreen {
public:
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;
    void Finish(bool accepted);
};

// A new parameter collection holding one text value.
Ref<IParamCollection> OneParam(const std::string& name, const Variant& value);

void RegisterQueryScreenClasses();
