// The interfaces of the widget tree: the widget itself (IWidget), what a
// widget asks of whoever holds it (IWidgetOwner), the screen's services to
// its widgets (IWindow) and the receiver of the controls' notifications and
// of their requests for other screens (IEventHandler), the child lists of
// groups (ISimpleWidgetCollection, IWidgetCollection) and the widget
// factories.
//
// Ownership: a widget's only strong owner is the child list that holds it
// (or, for a screen's root and a decorating widget's inner widget, the one
// object that keeps it). The owner a widget reaches through GetOwner() is a
// plain back-link set by Attach and cleared by Detach, never counted; the
// list sets and clears it. Anything else that keeps a widget (focus,
// capture, scenarios, timers) holds a Weak<IWidget>.
//
// Failures: lookups answer null, setters never raise (a value that does not
// convert is logged and ignored), and owner services answer null without an
// owner.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/Interface.h"
#include "core/base/Rect.h"
#include "core/base/Variant.h"
#include "core/persist/EngineGeneralClasses.h"
#include "core/persist/Params.h"
#include "engine/audio/SoundResources.h"
#include "engine/interfaces/EngineInterfaces.h"
#include "platform/Platform.h"  // the mouse event codes (kMouseMove ... kMouseRightDouble)

class IWidget;
class IWidgetOwner;
class IWindow;
class IEventHandler;
class IWidgetCollection;

// A node of a screen's widget tree. Every widget class derives from
// TAbstractWidget (widgets/WidgetClasses.h), which implements all of it.
class IWidget : public virtual IPropertyObject {
public:
    // Joins the widget to its owner (a group, a decorating widget, a screen)
    // and resolves what it needs from there; Detach ends the link. Called by
    // whoever holds the widget, never by the widget itself.
    virtual void Attach(IWidgetOwner* owner) = 0;
    virtual void Detach() = 0;
    // Asks for the widget's area to be drawn again at the end of the frame.
    virtual void Invalidate() = 0;
    // The owner given to Attach; null while detached.
    virtual IWidgetOwner* GetOwner() = 0;
    virtual bool GetDead() = 0;
    virtual void SetDead(bool value) = 0;
    virtual bool GetPaused() = 0;
    virtual void SetPaused(bool value) = 0;
    // Whether Update ran in the current frame; the end of the frame clears it.
    virtual bool GetUpdated() = 0;
    virtual void SetUpdated(bool value) = 0;
    // The per-frame step with the widget's time rate applied.
    virtual void Update(int32_t elapsedMs) = 0;
    virtual void Restart() = 0;
    virtual void Resume() = 0;
    virtual void Pause() = 0;
    // The child list; null for a widget without children.
    virtual Ref<IWidgetCollection> GetChildren() = 0;
    // The widget at a path of names separated by "/": "" and "." the widget
    // itself, ".." its owner, "window:" the root of the screen's tree. Null
    // when any step finds nothing.
    virtual Ref<IWidget> FindWidget(std::string_view path) = 0;

    virtual bool GetVisible() = 0;
    virtual void SetVisible(bool value) = 0;
    virtual int32_t GetZ() = 0;
    virtual void SetZ(int32_t value) = 0;
    // The position in the owner's content coordinates.
    virtual double GetLeft() = 0;
    virtual void SetLeft(double value) = 0;
    virtual double GetTop() = 0;
    virtual void SetTop(double value) = 0;
    // A screen point in the coordinates of the widget's owner's content.
    virtual TPoint ScreenToLocal(int32_t x, int32_t y) = 0;
    // The top-left edge of what the widget draws.
    virtual double GetDrawTop() = 0;
    virtual double GetDrawLeft() = 0;
    virtual int32_t GetWidth() = 0;
    virtual int32_t GetHeight() = 0;
    // (draw left, draw top, + width, + height), each rounded (halves to even),
    // in the owner's content coordinates.
    virtual TRect GetBounds() = 0;
    virtual uint8_t GetTransparentLevel() = 0;
    virtual void SetTransparentLevel(uint8_t value) = 0;
    // Draws the widget with its own top-left point at (x, y) of the surface.
    virtual void Render(ISurface& surface, int32_t x, int32_t y) = 0;
    // A new transparent surface of the widget's bounds holding the widget as
    // Render draws it; null without an owner that has an engine.
    virtual Ref<ISurface> GetSnapshot() = 0;

    virtual bool GetEnabled() = 0;
    virtual void SetEnabled(bool value) = 0;
    virtual bool GetTabStop() = 0;
    virtual void SetTabStop(bool value) = 0;
    virtual bool GetMouseStop() = 0;
    virtual void SetMouseStop(bool value) = 0;
    // The widget hit at a point of the owner's content; null for none.
    virtual Ref<IWidget> WidgetAt(int32_t x, int32_t y) = 0;
    // All four edges of the bounds count as inside.
    virtual bool ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) = 0;
    virtual void LoseMouseCapture() = 0;
    virtual void LoseFocus() = 0;
    virtual void ReceiveFocus() = 0;
    // Mouse input, codes kMouseMove to kMouseRightDouble, the point in window
    // pixels; shift is the held-button mask on a move. True when handled.
    virtual bool HandleEvent(int32_t code, int32_t x, int32_t y, int32_t shift) = 0;
    // Keys: kind 1 down or repeat, 2 up, 3 after 2. True when handled.
    virtual bool HandleKey(int32_t kind, int32_t key, int32_t shift) = 0;

    // Plays one of the widget's own sounds; with overrideSettings the sound
    // plays at pan and volume instead of its own. The channel, 0 when nothing
    // plays (no such sound, no owner, no engine).
    virtual TChannelHandle PlaySound(const std::string& name, bool overrideSettings, int32_t pan,
                                     int32_t volume) = 0;
    virtual void StopSound(const std::string& name) = 0;
    virtual Ref<ISoundCollection> GetSounds() = 0;
    virtual void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) = 0;
    // The end-of-frame pass: reports the old and the new screen rectangle to
    // the owner as they changed. force asks for the old one, forceNew for the
    // new one, even when nothing changed.
    virtual void CollectDirtyRects(bool force, bool forceNew) = 0;
    // Whether the widget was visible at the last end-of-frame pass.
    virtual bool GetWasShown() = 0;
    virtual bool GetChanged() = 0;
    virtual void SetChanged(bool value) = 0;
    // Whether the last end-of-frame pass reported a rectangle.
    virtual bool GetInvalidated() = 0;
    // Shows and runs, or hides and pauses, in one call.
    virtual void SetActive(bool value) = 0;
    // Sets a free-form property, creating the widget's extra parameters.
    virtual void SetExtraParam(const std::string& name, const Variant& value) = 0;
};

// What a widget asks of whoever holds it. Groups and decorating widgets
// answer by asking their own owner; the screen ends the chain. Every answer
// is null (or nothing) where the chain ends without one.
class IWidgetOwner : public virtual INamedObject {
public:
    virtual Ref<IEngine> GetEngine() = 0;
    virtual Ref<IWindow> GetWindow() = 0;
    virtual Ref<IEventHandler> GetEventHandler() = 0;
    // A screen point in the coordinates of this owner's content.
    virtual TPoint ScreenToClient(int32_t x, int32_t y) = 0;
    // A new widget from the widget factory of that name, the nearest owner's
    // first; null when no owner has one or it fails.
    virtual Ref<IWidget> CreateFactoryWidget(const std::string& factoryName,
                                             const Ref<IParamCollection>& params) = 0;
    virtual Ref<IWidget> FindWidget(std::string_view path) = 0;
    // The names from the screen down to this owner, separated by "/".
    virtual std::string GetPath() = 0;
    // A rectangle of the screen to draw again at the end of the frame.
    virtual void InvalidateRect(const TRect& rect) = 0;
};

// The screen's services to the widgets of its tree.
class IWindow : public virtual IPropertyObject {
public:
    // The holder loses the capture (LoseMouseCapture); the widget, not told,
    // holds it and gets every mouse event until it is released.
    virtual void SetMouseCapture(const Ref<IWidget>& widget) = 0;
    virtual void ReleaseMouseCapture() = 0;
    virtual Ref<IWidget> GetMouseCapture() = 0;
    // The focused widget loses the focus; the new one (when not null)
    // receives it, also when it is the same widget.
    virtual void SetFocus(const Ref<IWidget>& widget) = 0;
    virtual void ClearFocus() = 0;
    virtual Ref<IWidget> GetFocus() = 0;
    // The root widget's children; null without a root.
    virtual Ref<IWidgetCollection> GetChildren() = 0;
    // Capture and focus dropped without telling them; the root invalidated.
    virtual void ResetInputState() = 0;
    // The root's hit test at a point in window pixels; null without a root.
    virtual Ref<IWidget> WidgetAt(int32_t x, int32_t y) = 0;
    // The root's FindWidget; null without a root.
    virtual Ref<IWidget> FindWidget(std::string_view path) = 0;
    // One of the screen's sounds by name; the channel, 0 when none played.
    virtual TChannelHandle PlaySound(const std::string& name) = 0;
    virtual void StopSound(const std::string& name) = 0;
};

// Where controls report: the screen, or a control that takes its children's
// notifications itself. Controls pass themselves as the sender; receivers
// tell them apart by name. params is null unless the code says otherwise.
class IEventHandler : public virtual IInterface {
public:
    virtual void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                             const Ref<IParamCollection>& params) = 0;
    virtual Ref<IEngine> GetEngine() = 0;
    // The game's screen stack, which the widgets reach through their screen
    // (the game itself is above this library). Opens the screen of that name
    // on top of the stack with its show parameters (null for none). False
    // when the game refuses (no such screen, or it is open already) or there
    // is no game.
    virtual bool ShowGameScreen(const std::string& name, const Ref<IParamCollection>& params) = 0;
    // Closes the screen that holds the asking widgets and hands results (null
    // for none) to the screen below. False when the game refuses (the screen
    // is not the top one) or there is no game. Handlers that are not screens
    // pass both on to their own owner's event handler.
    virtual bool CloseGameScreen(const Ref<IParamCollection>& results) = 0;
};

// A named, ordered, storable list of widgets created from their registered
// type names ("widgets" of "widget" items).
class ISimpleWidgetCollection : public virtual ICollection {
public:
    // By position (an integer key) or name (a text key); null when absent.
    virtual Ref<IWidget> GetWidget(const Variant& key) = 0;
    // Null outside 0..Count-1.
    virtual Ref<IWidget> GetWidgetByIndex(int32_t index) = 0;
    // Null when absent; the empty name finds the first unnamed widget.
    virtual Ref<IWidget> GetWidgetByName(std::string_view name) = 0;
    // Adds the widget under its own name (see the collection class for where
    // it goes and what else happens). Nothing for null, for a widget already
    // in this list, and for a name another widget here already has (names
    // compare without regard to case; unnamed widgets are all kept).
    virtual void AddWidget(const Ref<IWidget>& widget) = 0;
    // Appends the widget under the given name; nothing else happens to it.
    virtual void AddWidgetAs(const Ref<IWidget>& widget, const std::string& name) = 0;
};

// The z-ordered child list of a group and the per-frame passes over it.
class IWidgetCollection : public virtual ISimpleWidgetCollection {
public:
    virtual bool GetSortByZ() = 0;
    virtual void SetSortByZ(bool value) = 0;
    // Children in ascending z, equal z keeping their order.
    virtual void SortByZ() = 0;
    // Every child not paused, not dead and not yet updated this frame gets
    // IWidget::Update, also children added during the pass.
    virtual void UpdateAll(int32_t elapsedMs) = 0;
    // Dead children report their last rectangle, are detached and removed.
    virtual void RemoveDead() = 0;
    virtual void SetPropertyForAll(const std::string& name, const Variant& value) = 0;
    virtual void CollectDirtyRects(bool force, bool forceNew) = 0;
    // The owner every child (and every child added later) is attached to.
    virtual void AttachAll(IWidgetOwner* owner) = 0;
    virtual void DetachAll() = 0;
    // A child was added or removed, or reported a rectangle, since the last
    // update pass.
    virtual bool GetInvalidated() = 0;
};

// A named template from which widgets are made at run time.
class IWidgetFactory : public virtual INamedObject {
public:
    virtual std::string GetWidgetString() = 0;
    virtual void SetWidgetString(const std::string& text) = 0;
    // The template with every "%name%" of a parameter replaced by the
    // parameter's value, escaped for XML.
    virtual std::string ExpandMacros(const Ref<IParamCollection>& params) = 0;
    // A new, unattached widget that is not stored with its owner; null (and a
    // line in the log) when the template does not make one.
    virtual Ref<IWidget> CreateWidget(const Ref<IParamCollection>& params) = 0;
};

class IWidgetFactoryCollection : public virtual ICollection {
public:
    // By position or name; null when absent.
    virtual Ref<IWidgetFactory> GetFactory(const Variant& key) = 0;
    // Appends under the factory's name; nothing for null or a present name.
    virtual void AddFactory(const Ref<IWidgetFactory>& factory) = 0;
};
