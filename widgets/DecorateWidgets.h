// Decorating widgets: a widget wrapped around exactly one inner widget,
// which it owns and stands owner of (IWidgetOwner), passing time, restarts,
// pauses, attachment and invalidation on to it and placing it in its own
// coordinates, so that behaviour can be added around any widget without the
// widget knowing. TDecorateWidget is the base (it draws nothing itself);
// TBehaviourWidget draws its inner widget in its own place and takes its
// size; TReplicatorWidget ("replicator_widget") tiles copies of it in
// columns and rows.
//
// Ownership: the decorating widget holds the inner widget's one counted
// reference and is the one place that sets and clears its back-link: the
// inner widget is attached to the decorating widget and detached when it is
// replaced, dropped, or when the decorating widget goes. A widget made the
// inner widget of another is first taken out of the child list that held it.
//
// Failures: a stored inner widget of an unregistered type, or one that is no
// widget, leaves no inner widget (logged); every operation then acts on the
// decorating widget alone. Setting a property never raises.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "widgets/WidgetClasses.h"

// Stored: the inner widget as the first "widget" item of a child "widgets"
// (the layout of a group's children). Property "widget": the inner widget;
// set to something that is no widget, it leaves none.
class TDecorateWidget : public TVisualWidget, public virtual IWidgetOwner {
public:
    ~TDecorateWidget() override;

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // The inner widget from the child "widgets" when there is one; without
    // it the inner widget stays as it was.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    // Drops the inner widget (detached), then the widget's content.
    void ClearContent() override;

    // The inner widget, whatever the key.
    Ref<IWidget> GetChild(const Variant& key) override;
    // The widget's step, then the inner widget's (with its own time rate)
    // unless it is paused; a dead inner widget stays.
    void DoUpdate(int32_t elapsedMs) override;
    // The widget, then the inner widget with the decorating widget as owner.
    void Attach(IWidgetOwner* owner) override;
    // The inner widget, then the widget.
    void Detach() override;
    void Invalidate() override;
    // The widget, then the inner widget.
    void Restart() override;
    void Resume() override;
    void Pause() override;
    // The decorating widget's own hit gates the answer: the inner widget
    // (asked in the decorating widget's coordinates) where it answers, else
    // the decorating widget.
    Ref<IWidget> WidgetAt(int32_t x, int32_t y) override;

    // IWidgetOwner: what the decorating widget's owner answers (null without
    // one), and its own path and lookups.
    Ref<IEngine> GetEngine() override;
    Ref<IWindow> GetWindow() override;
    Ref<IEventHandler> GetEventHandler() override;
    // The widget's ScreenToLocal less its rounded left and top.
    TPoint ScreenToClient(int32_t x, int32_t y) override;
    Ref<IWidget> CreateFactoryWidget(const std::string& factoryName,
                                     const Ref<IParamCollection>& params) override;
    Ref<IWidget> FindWidget(std::string_view path) override {
        return TAbstractWidget::FindWidget(path);
    }
    std::string GetPath() override { return TAbstractWidget::GetPath(); }
    // Passed on unchanged to the owner.
    void InvalidateRect(const TRect& rect) override;

    const Ref<IWidget>& GetInnerWidget() const { return inner_; }
    // The old inner widget is detached; the new one (null for none) is taken
    // out of the list that held it and attached to this widget.
    void SetInnerWidget(const Ref<IWidget>& widget);

private:
    static void SetWidgetProperty(TDecorateWidget& widget, const Variant& value);
    bool OwnsLink(IWidget& widget) { return widget.GetOwner() == static_cast<IWidgetOwner*>(this); }
    // The old inner widget detached, the new one kept (attached when attach
    // is set).
    void Replace(const Ref<IWidget>& widget, bool attach);

    Ref<IWidget> inner_;
};

// Draws its inner widget at its own place plus the inner widget's, takes its
// size, and repaints itself whenever the inner widget reports a change. Not
// registered.
class TBehaviourWidget : public TDecorateWidget {
public:
    double GetDrawTop() override;
    double GetDrawLeft() override;
    // The inner widget's; 0 without one.
    int32_t GetWidth() override;
    int32_t GetHeight() override;
    void Render(ISurface& surface, int32_t x, int32_t y) override;
    // The inner widget's pass first; when it reported, the widget's old and
    // new rectangles are repainted too.
    void CollectDirtyRects(bool force, bool forceNew) override;
};

// "replicator_widget": cols by rows copies of the inner widget, laid from the
// replicator's own origin (the inner widget's place is not added), column by
// column, top to bottom within a column, so a copy further right or down is
// drawn over its neighbour. Stored keys "cols" and "rows" (1 when absent,
// always written), properties of the same names. Its size is the inner
// widget's times cols and rows (0 without one). Only the first copy can
// answer a hit with the inner widget; every other answers the replicator.
class TReplicatorWidget : public TDecorateWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    int32_t GetWidth() override;
    int32_t GetHeight() override;
    void Render(ISurface& surface, int32_t x, int32_t y) override;

    int32_t GetCols() const { return cols_; }
    int32_t GetRows() const { return rows_; }

private:
    // Made without loading: none of either.
    int32_t cols_ = 0;
    int32_t rows_ = 0;
};
