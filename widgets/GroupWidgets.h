// Group widgets: the inner nodes of every widget tree. TGroupWidget owns a
// z-ordered child list, drives its children's per-frame update, loads and
// saves them with its widget factories, and stands as the owner
// (IWidgetOwner) through which each child reaches its screen.
// TVisualGroupWidget ("group_widget") draws the children back to front,
// takes its bounds from them, hit-tests them front to back and can cache
// their picture.
//
// Ownership: the group holds its list; the list holds the children and sets
// and clears their back-link to the group (see WidgetCollections.h). When the
// group goes, its children are detached first.
//
// Failures: without an owner the owner services answer null and dirty
// rectangles go nowhere; a child of an unregistered type is skipped (and
// logged) while the others load.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "widgets/WidgetClasses.h"
#include "widgets/WidgetCollections.h"
#include "widgets/WidgetFactories.h"

class TGroupWidget : public TVisualWidget, public virtual IWidgetOwner {
public:
    TGroupWidget();
    ~TGroupWidget() override;

    // The children from the child "widgets" (each added in z order), the
    // factories from "widgetfactories" (none when absent).
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    // Deletes every child (each attached one reports its area and is
    // detached) and drops the factories.
    void ClearContent() override;

    // The child at a position or with a name.
    Ref<IWidget> GetChild(const Variant& key) override;
    // The group's own step, then UpdateChildren, even when the group's own
    // step has just made it dead.
    void DoUpdate(int32_t elapsedMs) override;
    // The list's update pass, then its dead removed.
    virtual void UpdateChildren(int32_t elapsedMs);

    // Attaches the group, then every child with the group as their owner.
    void Attach(IWidgetOwner* owner) override;
    // Detaches every child, then the group.
    void Detach() override;
    // Every child from the last to the first, then the group.
    void Invalidate() override;
    void Restart() override;
    void Resume() override;
    void Pause() override;
    Ref<IWidgetCollection> GetChildren() override { return children_; }
    // Sorts the children by z, lets them report (forced to repaint their
    // old and new areas when the group moved, was hidden, shown or changed),
    // then reports the group's own rectangles.
    void CollectDirtyRects(bool force, bool forceNew) override;

    // IWidgetOwner: what the group's own owner answers (null without one).
    Ref<IEngine> GetEngine() override;
    Ref<IWindow> GetWindow() override;
    Ref<IEventHandler> GetEventHandler() override;
    // The group's own ScreenToLocal less its rounded left and top.
    TPoint ScreenToClient(int32_t x, int32_t y) override;
    // The group's factory of that name, else its owner's.
    Ref<IWidget> CreateFactoryWidget(const std::string& factoryName,
                                     const Ref<IParamCollection>& params) override;
    Ref<IWidget> FindWidget(std::string_view path) override {
        return TAbstractWidget::FindWidget(path);
    }
    std::string GetPath() override { return TAbstractWidget::GetPath(); }
    // Passed on unchanged (screen coordinates) to the owner.
    void InvalidateRect(const TRect& rect) override;

    // The list, for the group's own walks.
    TWidgetCollection& Children() const { return *children_; }
    const Ref<IWidgetFactoryCollection>& GetFactories() const { return factories_; }

private:
    Ref<TWidgetCollection> children_;
    Ref<IWidgetFactoryCollection> factories_;
};

// Registered as "group_widget". Stored keys "caching" and "returnselfbypos"
// (written only when "yes"); properties "caching" (setting it builds or drops
// the picture) and "cachesurface" (read only).
class TVisualGroupWidget : public TGroupWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // The children's picture is built here: whenever the group is
    // invalidated while caching is on (and it has an owner with an engine).
    void Invalidate() override;
    // The union of the visible children's bounds, shifted by the group's
    // rounded position; the empty rectangle at that position without one.
    TRect GetBounds() override;
    double GetDrawLeft() override { return GetBounds().left; }
    double GetDrawTop() override { return GetBounds().top; }
    int32_t GetWidth() override;
    int32_t GetHeight() override;
    // The visible children back to front, each at (x, y) plus its rounded
    // position; with caching on, the cached picture instead.
    void Render(ISurface& surface, int32_t x, int32_t y) override;
    // The children front to back; the first that answers wins. Without one,
    // the group itself when "returnselfbypos" is on and a visible child's area
    // holds the point. Null unless the group is visible and stops the mouse.
    Ref<IWidget> WidgetAt(int32_t x, int32_t y) override;
    // Whether some child holds the point; the group has no area of its own.
    bool ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) override;

    bool GetCaching() const { return caching_; }
    void SetCaching(bool value);
    const Ref<ISurface>& GetCacheSurface() const { return cacheSurface_; }
    bool GetReturnSelfByPos() const { return returnSelfByPos_; }

private:
    static Variant CacheSurfaceProperty(TVisualGroupWidget& group);
    bool CachingValue() { return caching_; }

    bool caching_ = false;
    Ref<ISurface> cacheSurface_;
    bool returnSelfByPos_ = false;
};
