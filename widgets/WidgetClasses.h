// The widget base classes: TAbstractWidget (the clock, the owner link,
// properties by name and by path, the function object, sounds), TVisualWidget
// (a place on the screen and the end-of-frame repaint bookkeeping) and
// TSingleWidget (a size of its own).
//
// A subclass declares its stored values and properties in its own property
// table, starting from its base class's Table() (see docs/architecture.md,
// "The widget layer"); it overrides DoUpdate for per-frame work, Render for
// drawing, and Attach/Detach (inherited one first / last) to resolve and drop
// the parts it finds by name.
//
// Failures: setting a property never raises (a value that does not convert is
// logged by the property table and ignored); getting one lets a getter's
// exception through, as the property table does. Stored texts that do not
// convert keep their defaults and are logged with the node's path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/persist/EngineGeneralClasses.h"
#include "core/persist/Params.h"
#include "engine/audio/SoundResources.h"
#include "functions/FunctionInterfaces.h"
#include "widgets/GameInterfaces.h"

class TSimpleWidgetCollection;

// The root of every widget class. Not registered under a name of its own.
//
// Its properties by name (exact case): "name", "dead", "paused", "visible",
// "z", "anchor_left", "anchor_top", "left" and "top" (read only: the drawn
// position), "width" and "height" (read only here), "enabled", "tabstop",
// "mousestop", "currenttime" (the running age; setting a different value
// marks the widget changed), "timetolive", "time_rate", "owner" (read only),
// "transparentlevel" and "image" (read only: a snapshot). Resolution order of
// a name: a path ("child/prop", "../sibling/prop") is forwarded to the widget
// it names; then the class's table; then the extra parameters; then the
// aliases ("\alias=target" pairs); otherwise Get answers Null and Set does
// nothing.
//
// Stored keys: "paused", "currenttime" (the starting age), "timetolive",
// "time_rate", "transparentlevel" (255 when absent), "aliases",
// "redefinedparams", "extraparams", and the children "sounds" and
// "function_widget".
class TAbstractWidget : public TPropertyObject, public virtual IWidget {
public:
    ~TAbstractWidget() override;

    // Node name "widget".
    void Create() override;

    // IPropertyObject (see the class comment for the order of resolution).
    Variant GetProperty(const std::string& name) override;
    void SetProperty(const std::string& name, const Variant& value) override;

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    // Drops the extra parameters, the sounds and the function object.
    void ClearContent() override;
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // The direct child for a name or a position; null here.
    virtual Ref<IWidget> GetChild(const Variant& key);
    // The per-frame step without the time rate: marks the widget updated,
    // ages it, kills it when its lifetime is over and steps the function
    // object. Subclasses call the inherited one first, then do their own
    // work. IWidget::Update applies the time rate and calls it.
    virtual void DoUpdate(int32_t elapsedMs);

    // IWidget. Attach keeps the owner, applies the redefined parameters and
    // prepares the function object; subclasses call it first and then
    // resolve their parts. Detach releases the function object's owner and
    // drops the owner; subclasses release their parts first and call it
    // last. Neither may call the owner that is going away.
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    void Invalidate() override;
    IWidgetOwner* GetOwner() final { return owner_; }
    bool GetDead() override { return dead_; }
    void SetDead(bool value) override { dead_ = value; }
    bool GetPaused() override { return paused_; }
    void SetPaused(bool value) override { paused_ = value; }
    bool GetUpdated() final { return updated_; }
    void SetUpdated(bool value) final { updated_ = value; }
    // DoUpdate with elapsedMs times the time rate, rounded (halves to even);
    // a rate of exactly 1 passes the step untouched.
    void Update(int32_t elapsedMs) final;
    // Age 0, running, the function object prepared, then DoUpdate(0).
    void Restart() override;
    void Resume() override { SetPaused(false); }
    void Pause() override { SetPaused(true); }
    Ref<IWidgetCollection> GetChildren() override { return nullptr; }
    Ref<IWidget> FindWidget(std::string_view path) override;
    bool GetVisible() override { return false; }
    void SetVisible(bool value) override { (void)value; }
    int32_t GetZ() override { return -1; }
    void SetZ(int32_t value) override { (void)value; }
    double GetLeft() override { return 0.0; }
    void SetLeft(double value) override { (void)value; }
    double GetTop() override { return 0.0; }
    void SetTop(double value) override { (void)value; }
    // The owner's ScreenToClient; the point unchanged without an owner.
    TPoint ScreenToLocal(int32_t x, int32_t y) override;
    double GetDrawTop() override { return 0.0; }
    double GetDrawLeft() override { return 0.0; }
    int32_t GetWidth() override { return 0; }
    int32_t GetHeight() override { return 0; }
    TRect GetBounds() override;
    uint8_t GetTransparentLevel() final { return transparentLevel_; }
    // A different level marks the widget changed.
    void SetTransparentLevel(uint8_t value) override;
    void Render(ISurface& surface, int32_t x, int32_t y) override;
    Ref<ISurface> GetSnapshot() override { return nullptr; }
    bool GetEnabled() override { return false; }
    void SetEnabled(bool value) override { (void)value; }
    bool GetTabStop() override { return false; }
    void SetTabStop(bool value) override { (void)value; }
    bool GetMouseStop() override { return false; }
    void SetMouseStop(bool value) override { (void)value; }
    // The widget itself when it is visible, stops the mouse and holds the
    // point; null otherwise.
    Ref<IWidget> WidgetAt(int32_t x, int32_t y) override;
    bool ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) override;
    void LoseMouseCapture() override {}
    void LoseFocus() override {}
    void ReceiveFocus() override {}
    bool HandleEvent(int32_t code, int32_t x, int32_t y, int32_t shift) override;
    bool HandleKey(int32_t kind, int32_t key, int32_t shift) override;
    TChannelHandle PlaySound(const std::string& name, bool overrideSettings, int32_t pan,
                             int32_t volume) final;
    void StopSound(const std::string& name) final;
    Ref<ISoundCollection> GetSounds() final { return sounds_; }
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override;
    // Clears the updated and invalidated flags only.
    void CollectDirtyRects(bool force, bool forceNew) override;
    bool GetWasShown() override { return false; }
    bool GetChanged() final { return changed_; }
    void SetChanged(bool value) override { changed_ = value; }
    bool GetInvalidated() final { return invalidated_; }
    void SetActive(bool value) final;
    void SetExtraParam(const std::string& name, const Variant& value) final;

    // The owner's path, then "/" and the name when the widget has one.
    std::string GetPath();

    int32_t GetCurrentTime() const { return currentTime_; }
    int32_t GetStartTime() const { return startTime_; }
    int32_t GetTimeToLive() const { return timeToLive_; }
    double GetTimeRate() const { return timeRate_; }
    const Ref<IFunction>& GetFunctionObject() const { return function_; }
    const Ref<IParamCollection>& GetExtraParams() const { return extraParams_; }
    const std::string& GetAliases() const { return aliases_; }
    const std::string& GetRedefinedParams() const { return redefinedParams_; }
    bool GetFirstPaint() const { return firstPaint_; }

protected:
    // Sets the running age without marking the widget changed.
    void SetCurrentTime(int32_t value) { currentTime_ = value; }
    void SetTimeToLive(int32_t value) { timeToLive_ = value; }
    void SetFirstPaint(bool value) { firstPaint_ = value; }
    void SetInvalidated(bool value) { invalidated_ = value; }
    // Tells the list holding the widget that its z may have changed, so that
    // the list's next SortByZ looks at the order again.
    void NoteZChanged();

    // Each "target=source" pair of the redefined parameters: the target
    // property takes the source property's value. A pair that fails is
    // skipped.
    void ApplyRedefinedParams();
    // The function object's parameters are the widget's properties of their
    // outnames: Push copies properties into outputs and inputs, Pull copies
    // outputs back.
    void PushToFunction();
    void PullFromFunction();
    void PrepareFunction();
    void StepFunction();

private:
    friend class TSimpleWidgetCollection;

    // The alias target of a name; false when the aliases hold none.
    bool FindAlias(const std::string& name, std::string& target) const;
    static Variant CurrentTimeProperty(TAbstractWidget& widget);
    static void SetCurrentTimeProperty(TAbstractWidget& widget, const Variant& value);
    static Variant OwnerProperty(TAbstractWidget& widget);
    static Variant ImageProperty(TAbstractWidget& widget);

    bool changed_ = false;
    IWidgetOwner* owner_ = nullptr;  // back-link, set by Attach
    bool dead_ = false;
    bool paused_ = false;
    bool updated_ = false;
    uint8_t transparentLevel_ = 0;  // 255 once loaded without the key
    int32_t startTime_ = 0;
    int32_t currentTime_ = 0;
    int32_t timeToLive_ = 0;
    double timeRate_ = 1.0;
    Ref<ISoundCollection> sounds_;
    Ref<IFunction> function_;
    std::string aliases_;
    Ref<IParamCollection> extraParams_;
    std::string redefinedParams_;
    bool firstPaint_ = true;
    bool invalidated_ = false;
    bool functionBound_ = false;  // Attach gave the function its owner
    // The child list that holds the widget: set and cleared by that list
    // alone, never counted.
    TSimpleWidgetCollection* list_ = nullptr;
};

// A widget with a place on the screen: visibility, z order, position and the
// mouse-stop flag, and the end-of-frame pass that turns moves, changes and
// visibility changes into dirty rectangles. Hidden unless its data says
// "visible" "yes". Stored keys "visible", "z", "anchor_left" and
// "anchor_top" (always written) and "mousestop".
class TVisualWidget : public TAbstractWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    bool GetVisible() override { return visible_; }
    // Only stores: the end-of-frame pass notices the change.
    void SetVisible(bool value) override { visible_ = value; }
    int32_t GetZ() override { return z_; }
    // A different z marks the widget changed; the list takes the new order at
    // its next SortByZ.
    void SetZ(int32_t value) override;
    double GetLeft() override { return anchorLeft_; }
    // A different value marks the widget moved.
    void SetLeft(double value) override;
    double GetTop() override { return anchorTop_; }
    void SetTop(double value) override;
    double GetDrawLeft() override { return anchorLeft_; }
    double GetDrawTop() override { return anchorTop_; }
    bool GetMouseStop() override { return mouseStop_; }
    void SetMouseStop(bool value) override { mouseStop_ = value; }
    // A transparent surface of the bounds' size with the widget drawn at its
    // origin; null without an owner with an engine, or when the bounds are
    // larger than a surface may be (logged).
    Ref<ISurface> GetSnapshot() override;
    // Reports the old rectangle when the widget was shown and moved, was
    // hidden or force is set; the new one when it is visible, alive and
    // moved, changed, shown anew, painted first or forceNew is set. Nothing
    // without an owner.
    void CollectDirtyRects(bool force, bool forceNew) override;
    bool GetWasShown() override { return wasShown_; }

    // The geometry-changed flag, which the end-of-frame pass clears. Widgets
    // that move their own content set it directly.
    bool GetMoved() const { return moved_; }
    void SetMoved(bool value) { moved_ = value; }
    // The screen rectangles of the last pass that reported one.
    const TRect& GetOldRect() const { return oldRect_; }

private:
    bool visible_ = false;
    int32_t z_ = 0;
    double anchorLeft_ = 0.0;
    double anchorTop_ = 0.0;
    bool mouseStop_ = false;
    TRect oldRect_;
    bool wasShown_ = false;
    TRect newRect_;
    bool moved_ = false;
};

// A visual widget with a width and a height of its own (both always stored,
// both settable as properties). The base of widgets that draw one thing.
class TSingleWidget : public TVisualWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    int32_t GetWidth() override { return width_; }
    int32_t GetHeight() override { return height_; }
    // A different value is stored and marks the widget moved.
    virtual void SetWidth(int32_t value);
    virtual void SetHeight(int32_t value);

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
};
