#include "widgets/GroupWidgets.h"

#include <algorithm>

#include "widgets/WidgetInternal.h"

// ---------------------------------------------------------------------------
// TGroupWidget

TGroupWidget::TGroupWidget() : children_(CreateObject<TWidgetCollection>()) {}

TGroupWidget::~TGroupWidget() {
    // No child may keep a back-link to a group that is going; the list may
    // outlive it when someone else holds it. Children of a detached group
    // were detached with it.
    if (children_->GetOwner()) children_->DetachAll();
}

void TGroupWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TVisualWidget::LoadFrom(storage);
    if (!storage) return;
    LoadChildObject(Ref<IInterface>(children_), storage, "widgets", 0);
    factories_ = Query<IWidgetFactoryCollection>(
        CreateChildObject(ClassOf<TWidgetFactoryCollection>(), storage, "widgetfactories", 0));
}

void TGroupWidget::SaveTo(const Ref<IHierStorage>& storage) {
    TVisualWidget::SaveTo(storage);
    SaveChildObject(Ref<IInterface>(children_), storage, "widgets");
    if (factories_) SaveChildObject(Ref<IInterface>(factories_), storage, "widgetfactories");
}

void TGroupWidget::ClearContent() {
    children_->Clear();
    factories_ = nullptr;
    TVisualWidget::ClearContent();
}

Ref<IWidget> TGroupWidget::GetChild(const Variant& key) {
    return children_->GetWidget(key);
}

void TGroupWidget::DoUpdate(int32_t elapsedMs) {
    // A child may drop the last outside reference to this group.
    const Ref<IWidget> self(this);
    TVisualWidget::DoUpdate(elapsedMs);
    UpdateChildren(elapsedMs);
}

void TGroupWidget::UpdateChildren(int32_t elapsedMs) {
    children_->UpdateAll(elapsedMs);
    children_->RemoveDead();
}

void TGroupWidget::Attach(IWidgetOwner* owner) {
    TVisualWidget::Attach(owner);
    children_->AttachAll(this);
}

void TGroupWidget::Detach() {
    children_->DetachAll();
    TVisualWidget::Detach();
}

void TGroupWidget::Invalidate() {
    children_->ForEachWidgetBackward([](IWidget& child) { child.Invalidate(); });
    TVisualWidget::Invalidate();
}

void TGroupWidget::Restart() {
    TVisualWidget::Restart();
    children_->ForEachWidgetBackward([](IWidget& child) { child.Restart(); });
}

void TGroupWidget::Resume() {
    TVisualWidget::Resume();
    children_->ForEachWidgetBackward([](IWidget& child) { child.Resume(); });
}

void TGroupWidget::Pause() {
    TVisualWidget::Pause();
    children_->ForEachWidgetBackward([](IWidget& child) { child.Pause(); });
}

void TGroupWidget::CollectDirtyRects(bool force, bool forceNew) {
    children_->SortByZ();
    const bool visible = GetVisible();
    const bool wasShown = GetWasShown();
    const bool moved = GetMoved();
    const bool changed = GetChanged();
    // What the group's own change means for the areas its children drew.
    const bool childForce = wasShown && (force || !visible || moved);
    const bool childForceNew = visible && (forceNew || !wasShown || moved || changed);
    children_->CollectDirtyRects(childForce, childForceNew);
    TVisualWidget::CollectDirtyRects(force, forceNew);
    if (children_->GetInvalidated()) SetInvalidated(true);
}

Ref<IEngine> TGroupWidget::GetEngine() {
    return GetOwner() ? GetOwner()->GetEngine() : nullptr;
}

Ref<IWindow> TGroupWidget::GetWindow() {
    return GetOwner() ? GetOwner()->GetWindow() : nullptr;
}

Ref<IEventHandler> TGroupWidget::GetEventHandler() {
    return GetOwner() ? GetOwner()->GetEventHandler() : nullptr;
}

TPoint TGroupWidget::ScreenToClient(int32_t x, int32_t y) {
    const TPoint local = ScreenToLocal(x, y);
    return {AddClamped(local.x, NegateClamped(RoundToInt(GetLeft()))),
            AddClamped(local.y, NegateClamped(RoundToInt(GetTop())))};
}

Ref<IWidget> TGroupWidget::CreateFactoryWidget(const std::string& factoryName,
                                               const Ref<IParamCollection>& params) {
    Ref<IWidget> widget;
    if (factories_) {
        if (const Ref<IWidgetFactory> factory = factories_->GetFactory(Variant(factoryName))) {
            widget = factory->CreateWidget(params);
        }
    }
    if (!widget && GetOwner()) widget = GetOwner()->CreateFactoryWidget(factoryName, params);
    return widget;
}

void TGroupWidget::InvalidateRect(const TRect& rect) {
    if (IWidgetOwner* owner = GetOwner()) owner->InvalidateRect(rect);
}

// ---------------------------------------------------------------------------
// TVisualGroupWidget

const TPropertyTable& TVisualGroupWidget::Table() {
    using G = TVisualGroupWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<G>(TGroupWidget::Table())
            .Accessor("caching", &G::CachingValue, &G::SetCaching).NotStored().NoAssign()
            .Custom("cachesurface", &G::CacheSurfaceProperty, nullptr)
            .Field("caching", &G::caching_, false).StorageOnly()
            .Field("returnselfbypos", &G::returnSelfByPos_, false).StorageOnly()
            .Build();
    // clang-format on
    return table;
}

Variant TVisualGroupWidget::CacheSurfaceProperty(TVisualGroupWidget& group) {
    return Variant(group.cacheSurface_);
}

void TVisualGroupWidget::SetCaching(bool value) {
    caching_ = value;
    Invalidate();
}

void TVisualGroupWidget::Invalidate() {
    TGroupWidget::Invalidate();
    cacheSurface_ = nullptr;
    if (!caching_) return;
    // The snapshot renders the children themselves, not the old picture.
    caching_ = false;
    try {
        cacheSurface_ = GetSnapshot();
    } catch (...) {
        caching_ = true;
        throw;
    }
    caching_ = true;
}

TRect TVisualGroupWidget::GetBounds() {
    const int32_t left = RoundToInt(GetLeft());
    const int32_t top = RoundToInt(GetTop());
    TRect bounds{left, top, left, top};
    bool any = false;
    Children().ForEachWidget([&](IWidget& child) {
        if (!child.GetVisible()) return;
        const TRect r = ShiftRect(child.GetBounds(), left, top);
        if (!any) {
            bounds = r;
            any = true;
            return;
        }
        bounds.left = std::min(bounds.left, r.left);
        bounds.top = std::min(bounds.top, r.top);
        bounds.right = std::max(bounds.right, r.right);
        bounds.bottom = std::max(bounds.bottom, r.bottom);
    });
    return bounds;
}

int32_t TVisualGroupWidget::GetWidth() {
    const TRect bounds = GetBounds();
    return AddClamped(bounds.right, NegateClamped(bounds.left));
}

int32_t TVisualGroupWidget::GetHeight() {
    const TRect bounds = GetBounds();
    return AddClamped(bounds.bottom, NegateClamped(bounds.top));
}

void TVisualGroupWidget::Render(ISurface& surface, int32_t x, int32_t y) {
    if (caching_) {
        if (!cacheSurface_) return;
        const int32_t width = cacheSurface_->GetWidth();
        const int32_t height = cacheSurface_->GetHeight();
        const int32_t dx = AddClamped(x, NegateClamped(RoundToInt(GetLeft() - GetDrawLeft())));
        const int32_t dy = AddClamped(y, NegateClamped(RoundToInt(GetTop() - GetDrawTop())));
        surface.Draw(cacheSurface_.get(), {0, 0, width, height},
                     {dx, dy, AddClamped(dx, width), AddClamped(dy, height)}, GetTransparentLevel(),
                     bm_Normal);
        return;
    }
    Children().ForEachWidget([&](IWidget& child) {
        if (!child.GetVisible()) return;
        child.Render(surface, AddClamped(x, RoundToInt(child.GetLeft())),
                     AddClamped(y, RoundToInt(child.GetTop())));
    });
}

Ref<IWidget> TVisualGroupWidget::WidgetAt(int32_t x, int32_t y) {
    if (!GetVisible() || !GetMouseStop()) return nullptr;
    const int32_t cx = AddClamped(x, NegateClamped(RoundToInt(GetLeft())));
    const int32_t cy = AddClamped(y, NegateClamped(RoundToInt(GetTop())));
    Ref<IWidget> hit;
    Children().ForEachWidgetBackward([&](IWidget& child) {
        hit = child.WidgetAt(cx, cy);
        return !hit;
    });
    if (hit) return hit;
    if (returnSelfByPos_ && ContainsPoint(x, y, false)) return Ref<IWidget>(this);
    return nullptr;
}

bool TVisualGroupWidget::ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) {
    if (!ignoreVisible && !GetVisible()) return false;
    const int32_t cx = AddClamped(x, NegateClamped(RoundToInt(GetLeft())));
    const int32_t cy = AddClamped(y, NegateClamped(RoundToInt(GetTop())));
    bool found = false;
    Children().ForEachWidgetBackward([&](IWidget& child) {
        found = child.ContainsPoint(cx, cy, ignoreVisible);
        return !found;
    });
    return found;
}
