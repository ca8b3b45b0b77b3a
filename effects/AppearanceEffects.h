// Appearance effects: a widget that plays a named effect in its own place
// whenever it is shown or hidden. Every screen's root window is one
// ("appearance_effect_widget"); so are the board cells.
//
// The pieces:
// - TAppearanceEffect: one effect, a timer of "durationtime" milliseconds
//   around one inner widget tree (stored as the first "widget" item of the
//   child "widgets"); state -1 never started, 0 running, 1 finished.
// - TFunctionAppearanceEffect ("func_appearance_effect"): hands the snapshot
//   of the widget to the property "surfaceparamname" of itself, which may
//   be a path into its inner tree ("pic/surface").
// - TAppearanceEffectCollection ("appearance_effects"): a widget's named
//   effects, its child "effects"; plays one at a time.
// - TAbstractEffectWdiget: a group that, while an effect plays, stands aside
//   for its effects: only they are updated and drawn, in the place the
//   group's content had when the effect started.
// - TAppearanceEffectWdiget ("appearance_effect_widget"): SetVisible plays
//   "show_effect" or "hide_effect" and applies the visibility when it ends.
//   The widget is visible for the whole of a show effect and until a hide
//   effect ends. Its property "applyingeffect" is true while an effect plays;
//   a screen waits on it before its after-show step.
//
// Ownership: the effect widget holds its collection, the collection its
// effects (as children), an effect its inner widget; each holder sets and
// clears the held widget's back-link (Attach, Detach) and detaches it before
// it goes.
//
// Failures: nothing here raises to the caller. Without effects, with
// "enable_effects" off, without an owner or without an effect of the name,
// the visibility changes at once and "applyingeffect" stays false. Property
// setters drop values that do not convert.
#pragma once

#include <cstdint>
#include <string>

#include "core/persist/Params.h"
#include "widgets/GameInterfaces.h"
#include "widgets/GroupWidgets.h"
#include "widgets/WidgetClasses.h"

// One show or hide effect. States: -1 never started, 0 running, 1 finished.
class IAppearanceEffect : public virtual IWidget {
public:
    // Plays the effect from its start on source (the snapshot of the widget
    // it stands in for; may be null) with a copy of params (may be null).
    virtual void Start(const Ref<ISurface>& source, const Ref<IParamCollection>& params) = 0;
    virtual int32_t GetState() = 0;
    virtual void SetState(int32_t state) = 0;
};

// A widget's named effects. States: -1 never played, 0 an effect is
// running, 1 finished or stopped.
class IAppearanceEffects : public virtual IWidget {
public:
    virtual bool HasEffect(const std::string& name) = 0;
    // Stops the running effect and starts the one of that name; without one
    // (or when that child is no effect) the state is 1.
    virtual void PlayEffect(const std::string& name, const Ref<ISurface>& source,
                            const Ref<IParamCollection>& params) = 0;
    virtual int32_t GetState() = 0;
    // 1 stops the running effect (hidden, paused and forgotten).
    virtual void SetState(int32_t state) = 0;
};

// An effect around one inner widget, which it draws in its own place, owns,
// and stands as the owner of. Not registered: a base only.
//
// Stored keys: "durationtime" (always written) and the inner widget as the
// first "widget" item of the child "widgets". Properties: "durationtime",
// "state", "widget" (the inner widget; setting it detaches the old one and
// attaches the new one), then any name held in the parameters handed to
// Start, then the widget properties (a path reaches into the inner tree).
class TAppearanceEffect : public TVisualWidget,
                          public virtual IAppearanceEffect,
                          public virtual IWidgetOwner {
public:
    ~TAppearanceEffect() override;

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    Variant GetProperty(const std::string& name) override;
    void SetProperty(const std::string& name, const Variant& value) override;
    // The inner widget from the first "widget" item of the child "widgets"
    // (none when that item makes no widget); without "widgets" it stays.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    // Drops the inner widget (detached first).
    void ClearContent() override;

    // IAppearanceEffect. Start plays the sound "sound_effect" of the effect's
    // own sounds (when there is one), hands over the source (ApplySource),
    // keeps a copy of params and restarts.
    void Start(const Ref<ISurface>& source, const Ref<IParamCollection>& params) override;
    int32_t GetState() override { return state_; }
    void SetState(int32_t state) override { state_ = state; }

    // The inner widget, whatever the key.
    Ref<IWidget> GetChild(const Variant& key) override;
    // Its own age, then the inner widget's (unless paused); finished (state
    // 1) once the age reaches "durationtime".
    void DoUpdate(int32_t elapsedMs) override;
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    void Invalidate() override;
    // Age 0, the inner widget restarted, state 0.
    void Restart() override;
    void Resume() override;
    void Pause() override;
    // The inner widget's size and drawn place, shifted by the effect's own.
    double GetDrawLeft() override;
    double GetDrawTop() override;
    int32_t GetWidth() override;
    int32_t GetHeight() override;
    void Render(ISurface& surface, int32_t x, int32_t y) override;
    // The effect's own rectangle gates the hit; the inner widget's answer
    // replaces the effect where it has one.
    Ref<IWidget> WidgetAt(int32_t x, int32_t y) override;
    // The inner widget's pass first; when it reported, the effect repaints
    // its own old and new rectangles too.
    void CollectDirtyRects(bool force, bool forceNew) override;

    // IWidgetOwner, for the inner widget: the effect's owner answers.
    Ref<IEngine> GetEngine() override;
    Ref<IWindow> GetWindow() override;
    Ref<IEventHandler> GetEventHandler() override;
    TPoint ScreenToClient(int32_t x, int32_t y) override;
    Ref<IWidget> CreateFactoryWidget(const std::string& factoryName,
                                     const Ref<IParamCollection>& params) override;
    Ref<IWidget> FindWidget(std::string_view path) override {
        return TAbstractWidget::FindWidget(path);
    }
    std::string GetPath() override { return TAbstractWidget::GetPath(); }
    void InvalidateRect(const TRect& rect) override;

    const Ref<IWidget>& GetInner() const { return inner_; }
    // Detaches the old inner widget; attaches the new one (null for none)
    // with the effect as its owner.
    void SetInner(const Ref<IWidget>& widget);
    int32_t GetDurationTime() const { return durationTime_; }
    const Ref<IParamCollection>& GetParams() const { return params_; }

protected:
    // Hands the snapshot to whatever draws it; nothing here.
    virtual void ApplySource(const Ref<ISurface>& source) { (void)source; }

private:
    static Variant DurationProperty(TAppearanceEffect& effect);
    static void SetDurationProperty(TAppearanceEffect& effect, const Variant& value);
    static Variant StateProperty(TAppearanceEffect& effect);
    static void SetStateProperty(TAppearanceEffect& effect, const Variant& value);
    static Variant InnerProperty(TAppearanceEffect& effect);
    static void SetInnerProperty(TAppearanceEffect& effect, const Variant& value);

    int32_t state_ = -1;
    int32_t durationTime_ = 0;
    Ref<IParamCollection> params_;  // a private copy of Start's parameters
    Ref<IWidget> inner_;
};

// Registered as "func_appearance_effect". Stored key "surfaceparamname"
// (written when not empty): the property, of the effect itself or by path
// inside its inner tree, that receives the snapshot when the effect starts.
class TFunctionAppearanceEffect : public TAppearanceEffect {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    const std::string& GetSurfaceParamName() const { return surfaceParamName_; }

protected:
    void ApplySource(const Ref<ISurface>& source) override;

private:
    std::string surfaceParamName_;
};

// Registered as "appearance_effects": the effects are its children, told
// apart by name; loading makes the collection visible and every effect
// hidden and paused, and only the running effect is shown and runs.
// Property "state" (setting it goes through SetState).
class TAppearanceEffectCollection : public TVisualGroupWidget, public virtual IAppearanceEffects {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // The group's pass, then the running effect's "state" read: 1, empty or
    // null (or no running effect) end it.
    void DoUpdate(int32_t elapsedMs) override;
    // Stops the running effect (hidden, paused, forgotten), then the group
    // detach.
    void Detach() override;

    // IAppearanceEffects
    bool HasEffect(const std::string& name) override;
    void PlayEffect(const std::string& name, const Ref<ISurface>& source,
                    const Ref<IParamCollection>& params) override;
    int32_t GetState() override { return state_; }
    void SetState(int32_t state) override;

    const Ref<IAppearanceEffect>& GetCurrentEffect() const { return current_; }

private:
    static Variant StateProperty(TAppearanceEffectCollection& effects);
    static void SetStateProperty(TAppearanceEffectCollection& effects, const Variant& value);

    int32_t state_ = -1;
    Ref<IAppearanceEffect> current_;
};

// A group that plays its effects in its own place. Not registered: a base
// only.
//
// Stored keys: "enable_effects" and "skip_process_mouse" (yes when absent,
// written only when no; a widget created and never loaded has both off) and
// the child object "effects" (always an "appearance_effects"; none when
// absent). Properties: "applyingeffect" and "effect_state" (read only: the
// collection's "state", Null without a collection), "enable_effects",
// "skip_process_mouse".
//
// While an effect applies, the widget's own age, lifetime and children stand
// still; it draws, bounds, maps points and reports dirty areas through its
// collection, and with "skip_process_mouse" it takes no mouse.
class TAbstractEffectWdiget : public TVisualGroupWidget {
public:
    ~TAbstractEffectWdiget() override;

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    // Ends a running effect (its visibility applied), drops the collection,
    // then the group's content.
    void ClearContent() override;

    // Plays the named effect in the widget's place, ending a running one
    // first. OnEffectStart tells whether it started.
    void StartEffect(const std::string& name);
    // Ends the running effect: OnEffectFinish, and the area it covered is
    // repainted at the end of the frame.
    void FinishEffect();
    bool GetApplyingEffect() const { return applyingEffect_; }
    const Ref<IAppearanceEffects>& GetEffects() const { return effects_; }
    // Detaches the old collection; attaches the new one (null for none) when
    // the widget is attached.
    void SetEffects(const Ref<IAppearanceEffects>& effects);
    bool GetEnableEffects() const { return enableEffects_; }
    bool GetSkipProcessMouse() const { return skipProcessMouse_; }

    void DoUpdate(int32_t elapsedMs) override;
    void Render(ISurface& surface, int32_t x, int32_t y) override;
    TRect GetBounds() override;
    TPoint ScreenToClient(int32_t x, int32_t y) override;
    bool GetMouseStop() override;
    void CollectDirtyRects(bool force, bool forceNew) override;
    // The group attach, then the collection's with the widget as its owner.
    void Attach(IWidgetOwner* owner) override;
    // The collection detached first, then the group.
    void Detach() override;

protected:
    // Told once per StartEffect, after it: whether the effect runs.
    virtual void OnEffectStart(const std::string& name, bool started) {
        (void)name;
        (void)started;
    }
    // Told when a running effect ends, with its name.
    virtual void OnEffectFinish(const std::string& name) { (void)name; }

private:
    static Variant ApplyingProperty(TAbstractEffectWdiget& widget);
    static Variant EffectStateProperty(TAbstractEffectWdiget& widget);
    bool Applying() const { return applyingEffect_ && effects_; }

    Ref<IAppearanceEffects> effects_;
    std::string currentEffectName_;
    bool applyingEffect_ = false;
    // Where the drawn content's top-left corner lay, relative to the
    // widget's position, when the effect started.
    double contentOffsetX_ = 0.0;
    double contentOffsetY_ = 0.0;
    bool enableEffects_ = false;
    bool skipProcessMouse_ = false;
    bool repaintAfterEffect_ = false;
};

// Registered as "appearance_effect_widget": the root window of every screen.
// SetVisible (and the property "visible") plays "show_effect" or
// "hide_effect":
// - showing makes the widget visible at once; hiding keeps it visible until
//   the hide effect ends;
// - a show while a hide plays ends the hide first (the widget goes
//   invisible), then shows and plays the show effect;
// - a hide while a show plays hides at once and then plays the hide effect;
// - the present visibility again plays nothing.
class TAppearanceEffectWdiget : public TAbstractEffectWdiget {
public:
    void SetVisible(bool value) override;

protected:
    void OnEffectStart(const std::string& name, bool started) override;
    void OnEffectFinish(const std::string& name) override;

private:
    // The visibility to apply when the running show or hide effect ends.
    bool pendingVisible_ = false;
};
