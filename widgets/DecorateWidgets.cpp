#include "widgets/DecorateWidgets.h"

#include <limits>

#include "core/base/Log.h"
#include "widgets/WidgetCollections.h"
#include "widgets/WidgetInternal.h"

namespace {

int32_t MultiplyClamped(int32_t a, int32_t b) {
    const int64_t product = int64_t{a} * b;
    if (product > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (product < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(product);
}

// A widget has one owner: one that a child list holds leaves that list.
void TakeOutOfFormerList(IWidget& widget) {
    auto* holder = dynamic_cast<IWidget*>(widget.GetOwner());
    if (!holder) return;
    const Ref<IWidgetCollection> children = holder->GetChildren();
    auto* list = dynamic_cast<TSimpleWidgetCollection*>(children.get());
    if (!list) return;
    const int32_t position = list->IndexOfWidget(&widget);
    if (position >= 0) list->Delete(Variant(position));
}

// Whether widget is self or one of its owners.
bool IsSelfOrAncestor(IWidget* self, IWidget& widget) {
    for (IWidget* link = self; link; link = dynamic_cast<IWidget*>(link->GetOwner())) {
        if (link == &widget) return true;
    }
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// TDecorateWidget

TDecorateWidget::~TDecorateWidget() {
    // No inner widget keeps a back-link to a widget that is going.
    if (inner_ && OwnsLink(*inner_)) inner_->Detach();
}

const TPropertyTable& TDecorateWidget::Table() {
    using W = TDecorateWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TVisualWidget::Table())
            .Custom("widget", [](W& w) { return Variant(w.inner_); }, &W::SetWidgetProperty)
            .Build();
    // clang-format on
    return table;
}

void TDecorateWidget::SetWidgetProperty(TDecorateWidget& widget, const Variant& value) {
    Ref<IInterface> object;
    try {
        object = value.ToInterface();
    } catch (const EVariantError&) {
        // A value that is no object leaves no inner widget.
    }
    widget.SetInnerWidget(Query<IWidget>(object));
}

void TDecorateWidget::Replace(const Ref<IWidget>& widget, bool attach) {
    // The widget itself or one that holds it would end up owning itself and
    // attaching it would never end: refused, logged, the inner widget kept.
    if (widget && IsSelfOrAncestor(this, *widget)) {
        Log("WIDGET", GetPath() + ": \"" + widget->GetName() +
                          "\" holds this widget and cannot be its inner widget; the link is refused");
        return;
    }
    // The decorating widget may hold the last reference to the old one.
    const Ref<IWidget> old = inner_;
    if (old && OwnsLink(*old)) old->Detach();
    inner_ = nullptr;
    if (widget) {
        TakeOutOfFormerList(*widget);
        if (widget->GetOwner()) widget->Detach();
    }
    inner_ = widget;
    if (inner_ && attach) inner_->Attach(this);
}

void TDecorateWidget::SetInnerWidget(const Ref<IWidget>& widget) {
    Replace(widget, true);
}

void TDecorateWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TVisualWidget::LoadFrom(storage);
    if (!storage || storage->GetChildCount("widgets") == 0) return;
    const Ref<IHierStorage> widgets = storage->GetChild("widgets", 0);
    Ref<IWidget> inner;
    if (widgets->GetChildCount("widget") > 0) {
        inner = Query<IWidget>(CreateTypedChildObject(widgets, "widget", 0));
        if (!inner) {
            const Ref<IHierStorage> node = widgets->GetChild("widget", 0);
            Log("WIDGET", node->GetPath() + ": the type \"" + ReadString(node, "type", "") +
                              "\" makes no widget; there is no inner widget");
        }
    }
    Replace(inner, GetOwner() != nullptr);
}

void TDecorateWidget::SaveTo(const Ref<IHierStorage>& storage) {
    TVisualWidget::SaveTo(storage);
    if (!storage || !inner_) return;
    SaveChildObject(Ref<IInterface>(inner_), storage->AddChild("widgets"), "widget");
}

void TDecorateWidget::ClearContent() {
    Replace(nullptr, false);
    TVisualWidget::ClearContent();
}

Ref<IWidget> TDecorateWidget::GetChild(const Variant& key) {
    (void)key;
    return inner_;
}

void TDecorateWidget::DoUpdate(int32_t elapsedMs) {
    // The inner widget may drop the last outside reference to this widget.
    const Ref<IWidget> self(this);
    TVisualWidget::DoUpdate(elapsedMs);
    if (const Ref<IWidget> inner = inner_; inner && !inner->GetPaused()) inner->Update(elapsedMs);
}

void TDecorateWidget::Attach(IWidgetOwner* owner) {
    TVisualWidget::Attach(owner);
    if (inner_) inner_->Attach(this);
}

void TDecorateWidget::Detach() {
    if (inner_ && OwnsLink(*inner_)) inner_->Detach();
    TVisualWidget::Detach();
}

void TDecorateWidget::Invalidate() {
    if (inner_) inner_->Invalidate();
    TVisualWidget::Invalidate();
}

void TDecorateWidget::Restart() {
    TVisualWidget::Restart();
    if (inner_) inner_->Restart();
}

void TDecorateWidget::Resume() {
    TVisualWidget::Resume();
    if (inner_) inner_->Resume();
}

void TDecorateWidget::Pause() {
    TVisualWidget::Pause();
    if (inner_) inner_->Pause();
}

Ref<IWidget> TDecorateWidget::WidgetAt(int32_t x, int32_t y) {
    Ref<IWidget> hit = TVisualWidget::WidgetAt(x, y);
    if (!hit || !inner_) return hit;
    const int32_t cx = AddClamped(x, NegateClamped(RoundToInt(GetLeft())));
    const int32_t cy = AddClamped(y, NegateClamped(RoundToInt(GetTop())));
    if (Ref<IWidget> inner = inner_->WidgetAt(cx, cy)) return inner;
    return hit;
}

Ref<IEngine> TDecorateWidget::GetEngine() {
    return GetOwner() ? GetOwner()->GetEngine() : nullptr;
}

Ref<IWindow> TDecorateWidget::GetWindow() {
    return GetOwner() ? GetOwner()->GetWindow() : nullptr;
}

Ref<IEventHandler> TDecorateWidget::GetEventHandler() {
    return GetOwner() ? GetOwner()->GetEventHandler() : nullptr;
}

TPoint TDecorateWidget::ScreenToClient(int32_t x, int32_t y) {
    const TPoint local = ScreenToLocal(x, y);
    return {AddClamped(local.x, NegateClamped(RoundToInt(GetLeft()))),
            AddClamped(local.y, NegateClamped(RoundToInt(GetTop())))};
}

Ref<IWidget> TDecorateWidget::CreateFactoryWidget(const std::string& factoryName,
                                                  const Ref<IParamCollection>& params) {
    return GetOwner() ? GetOwner()->CreateFactoryWidget(factoryName, params) : nullptr;
}

void TDecorateWidget::InvalidateRect(const TRect& rect) {
    if (IWidgetOwner* owner = GetOwner()) owner->InvalidateRect(rect);
}

// ---------------------------------------------------------------------------
// TBehaviourWidget

double TBehaviourWidget::GetDrawLeft() {
    const Ref<IWidget>& inner = GetInnerWidget();
    return inner ? GetLeft() + inner->GetDrawLeft() : GetLeft();
}

double TBehaviourWidget::GetDrawTop() {
    const Ref<IWidget>& inner = GetInnerWidget();
    return inner ? GetTop() + inner->GetDrawTop() : GetTop();
}

int32_t TBehaviourWidget::GetWidth() {
    return GetInnerWidget() ? GetInnerWidget()->GetWidth() : 0;
}

int32_t TBehaviourWidget::GetHeight() {
    return GetInnerWidget() ? GetInnerWidget()->GetHeight() : 0;
}

void TBehaviourWidget::Render(ISurface& surface, int32_t x, int32_t y) {
    const Ref<IWidget> inner = GetInnerWidget();
    if (!inner) return;
    inner->Render(surface, AddClamped(x, RoundToInt(inner->GetLeft())),
                  AddClamped(y, RoundToInt(inner->GetTop())));
}

void TBehaviourWidget::CollectDirtyRects(bool force, bool forceNew) {
    if (const Ref<IWidget> inner = GetInnerWidget()) {
        inner->CollectDirtyRects(force, forceNew);
        if (inner->GetInvalidated()) {
            SetChanged(true);
            SetMoved(true);
        }
    }
    TDecorateWidget::CollectDirtyRects(force, forceNew);
}

// ---------------------------------------------------------------------------
// TReplicatorWidget

const TPropertyTable& TReplicatorWidget::Table() {
    using W = TReplicatorWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TDecorateWidget::Table())
            .Field("cols", &W::cols_, 1).SaveAlways()
            .Field("rows", &W::rows_, 1).SaveAlways()
            .Build();
    // clang-format on
    return table;
}

int32_t TReplicatorWidget::GetWidth() {
    return GetInnerWidget() ? MultiplyClamped(GetInnerWidget()->GetWidth(), cols_) : 0;
}

int32_t TReplicatorWidget::GetHeight() {
    return GetInnerWidget() ? MultiplyClamped(GetInnerWidget()->GetHeight(), rows_) : 0;
}

void TReplicatorWidget::Render(ISurface& surface, int32_t x, int32_t y) {
    const Ref<IWidget> inner = GetInnerWidget();
    if (!inner) return;
    for (int32_t c = 0; c < cols_; ++c) {
        for (int32_t r = 0; r < rows_; ++r) {
            // Asked anew for each copy: drawing one may change the size.
            const int32_t w = inner->GetWidth();
            const int32_t h = inner->GetHeight();
            const int64_t left = int64_t{x} + int64_t{c} * w;
            const int64_t top = int64_t{y} + int64_t{r} * h;
            // Copies past the surface's right or bottom edge cannot show, and
            // the later ones lie further out: a huge grid costs no more.
            if (w > 0 && left >= surface.GetWidth()) return;
            if (h > 0 && top >= surface.GetHeight()) break;
            inner->Render(surface, AddClamped(x, MultiplyClamped(c, w)),
                          AddClamped(y, MultiplyClamped(r, h)));
        }
    }
}
