// TGameScreen ("GameScreen"): one screen of the game. It holds the root of a
// widget tree (its window), an optional cursor name, musics and sounds; the
// game shows, stacks and closes it through IGameScreenSlave. To its tree it is
// the window (IWindow: mouse capture, keyboard focus, hit tests, sounds), the
// root's owner (IWidgetOwner) and the receiver of the controls' reports
// (IEventHandler).
//
// The window is made by its registered class name, "appearance_effect_widget":
// making it visible or hidden may play a show or hide effect first, and the
// screen reads the window's property "applyingeffect" to know when a show
// effect is over. The screen needs nothing else of the effect widget.
//
//   gamescreen name=N type=T cursor_name=C
//     window left=X top=Y (the root's own content) / sounds / musics
//
// Derived screens override the hooks (BeforeShow, AfterShow, AttachOwner,
// DetachOwner, SetActive, ChildScreenClosed, HandleEvent, Update) and call the
// inherited one first.
//
// Ownership: the screen holds its window; capture and focus are weak, so a
// widget that goes away, or leaves the tree, is dropped from them and never
// called. The owner is a back-link from AttachOwner to DetachOwner.
//
// Failures: without a window (its class not registered, which is logged)
// drawing, hit tests, lookups and focus searches do nothing or answer null,
// the bounds are empty and IsVisible answers true. Without sounds, musics or
// the named one, sound operations do nothing (PlaySound answers 0). The
// operations that reach the engine do nothing without an owner. An exception
// while reading "applyingeffect" counts as no effect running.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/persist/EngineGeneralClasses.h"
#include "engine/audio/SoundResources.h"
#include "game/GameShellInterfaces.h"

enum TGameScreenState : uint8_t {
    gss_Normal = 0,
    gss_Showing = 1,  // from Show until AfterShow has run
};

class TGameScreen : public TPropertyObject,
                    public virtual IGameScreenSlave,
                    public virtual IEventHandler,
                    public virtual IWindow,
                    public virtual IWidgetOwner {
public:
    // The registered class name of every screen's window.
    static constexpr char kWindowClassName[] = "appearance_effect_widget";

    ~TGameScreen() override;

    // Element name "gamescreen"; the window made, still invisible.
    void Create() override;

    // "name", "cursor_name", then from the first "window" child, when there is
    // one: "left" and "top", the window's own content, and "musics" and
    // "sounds" (each null when its element is absent). The window is placed
    // at (left, top) and stops the mouse.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // "cursor_name" when not empty; a "window" child with "left", "top", the
    // window's content, then "sounds" (unless the window wrote its own list
    // of the same element) and "musics" when there are any.
    void SaveTo(const Ref<IHierStorage>& storage) override;
    // Clears the window's content; drops musics and sounds.
    void ClearContent() override;

    // --- Hooks
    // Plays "sound_show_window" and starts the musics' "music_background".
    virtual void PlayShowSounds();
    // Plays "sound_hide_window" and stops "music_background".
    virtual void PlayHideSounds();
    // Before the window shows (derived screens fill their controls here).
    virtual void BeforeShow(const Ref<IParamCollection>& params) { (void)params; }
    // Once the window's show effect is over (within Show when it has none).
    virtual void AfterShow(const Ref<IParamCollection>& params) { (void)params; }

    // --- IGameScreenSlave
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    // Showing: BeforeShow, updated from now on, show sounds, input state
    // reset, the first visible tab stop focused, the cursor switched (the
    // current one remembered), the window made visible, then AfterShow when
    // no show effect runs.
    void Show(const Ref<IParamCollection>& params) override;
    // Hide sounds, the focus lost, the window made invisible (after its hide
    // effect), the remembered cursor back. Capture, state and the shown flag
    // stay: the screen is updated and drawn until its window is invisible.
    void Hide() override;
    void Activate() override { shown_ = true; }
    // No more updates; controls lit under the pointer go back to their
    // normal look, since the pointer is over the screen above now.
    void Deactivate() override;
    // While shown: the tree's step, then the check for the show effect's end.
    void Update(int32_t elapsedMs) override;
    // The window at its position rounded (halves to even).
    void Render(ISurface& surface) override;
    TRect GetBounds() override;
    void SetActive(bool active) override { (void)active; }
    // The capture holder gets every event; otherwise the widget under the
    // point when it stops the mouse. False when nobody takes it.
    bool MouseEvent(int32_t code, int32_t x, int32_t y, int32_t buttons) override;
    // To the focused widget (the first visible tab stop when none is); a Tab
    // it leaves alone moves the focus on its release (kind 2), wrapping.
    bool KeyEvent(int32_t kind, int32_t key, int32_t modifiers) override;
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override {
        (void)screenName;
        (void)results;
    }
    Ref<IWindow> GetWindow() override { return Ref<IWindow>(this); }
    Ref<IWidget> GetWindowWidget() override { return window_; }
    // The window's end-of-frame pass while the screen is shown, and once more
    // after it stopped being shown.
    void CollectDirtyRects() override;
    bool IsVisible() override;

    // --- IEventHandler: controls report here; nothing happens in this class.
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;
    // The owner's engine (IEventHandler and IWidgetOwner); null without one.
    Ref<IEngine> GetEngine() override;

    // --- IWindow
    void SetMouseCapture(const Ref<IWidget>& widget) override;
    void ReleaseMouseCapture() override;
    Ref<IWidget> GetMouseCapture() override;
    void SetFocus(const Ref<IWidget>& widget) override;
    void ClearFocus() override;
    Ref<IWidget> GetFocus() override;
    Ref<IWidgetCollection> GetChildren() override;
    void ResetInputState() override;
    Ref<IWidget> WidgetAt(int32_t x, int32_t y) override;
    // The window's FindWidget (IWindow and IWidgetOwner).
    Ref<IWidget> FindWidget(std::string_view path) override;
    TChannelHandle PlaySound(const std::string& name) override;
    void StopSound(const std::string& name) override;

    // --- IWidgetOwner (the window's owner)
    Ref<IEventHandler> GetEventHandler() override { return Ref<IEventHandler>(this); }
    TPoint ScreenToClient(int32_t x, int32_t y) override { return {x, y}; }
    // Null: factory lookups end at the window.
    Ref<IWidget> CreateFactoryWidget(const std::string& factoryName,
                                     const Ref<IParamCollection>& params) override;
    // The screen's name.
    std::string GetPath() override { return GetName(); }
    void InvalidateRect(const TRect& rect) override;

    // --- For derived screens
    // The game; null before AttachOwner and after DetachOwner.
    IGameScreenOwner* GetOwner() const { return owner_; }
    Ref<IGameScreenOwner> GetGameScreenOwner();
    // The screen's requests to the game: open the screen of that name on
    // top, or close this screen with results for the one below. False when
    // the game refuses, or without an owner.
    bool ShowGameScreen(const std::string& name, const Ref<IParamCollection>& params) override;
    bool CloseGameScreen(const Ref<IParamCollection>& results) override;
    // A widget made by the widget factory of that name in the tree (the
    // window's or a group's); null without a window or such a factory.
    Ref<IWidget> CreateWidgetFromFactory(const std::string& factoryName,
                                         const Ref<IParamCollection>& params);
    // The first direct child of the window after position `after`, wrapping,
    // that is a visible tab stop; the one at `after` is the last candidate.
    Ref<IWidget> FindNextTabStop(int32_t after);
    // In state gss_Showing, once the window plays no show effect: AfterShow
    // and state gss_Normal.
    void CheckShowFinished();
    // Adds the widget to the window's children; false without either.
    bool AddWidget(const Ref<IWidget>& widget);
    // The window's dead children removed.
    void RemoveDeadWidgets();

    TGameScreenState GetState() const { return state_; }
    bool GetShown() const { return shown_; }
    const std::string& GetCursorName() const { return cursorName_; }
    const Ref<IParamCollection>& GetShowParams() const { return showParams_; }
    const Ref<IMusicCollection>& GetMusics() const { return musics_; }
    const Ref<ISoundCollection>& GetSounds() const { return sounds_; }

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

protected:
    // The registered class the window is made of; kWindowClassName here.
    virtual std::string WindowClassName() const { return kWindowClassName; }

private:
    TGameScreenState state_ = gss_Normal;
    Weak<IWidget> capture_;
    Weak<IWidget> focus_;
    IGameScreenOwner* owner_ = nullptr;  // back-link, set by AttachOwner
    bool shown_ = false;
    bool wasShown_ = false;
    std::string savedCursorName_;
    std::string cursorName_;
    Ref<IMusicCollection> musics_;
    Ref<ISoundCollection> sounds_;
    Ref<IWidget> window_;
    int32_t left_ = 0;
    int32_t top_ = 0;
    Ref<IParamCollection> showParams_;
};
