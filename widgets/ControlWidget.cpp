#include "widgets/ControlWidget.h"

#include "widgets/WidgetInternal.h"

namespace {

constexpr int32_t kKeyTab = 9;

// The position of child among the widgets of children, by identity: several
// children may share the empty name. -1 when it is none of them.
int32_t IndexOfChild(IWidgetCollection& children, const IWidget* child) {
    const int32_t count = children.GetCount();
    for (int32_t i = 0; i < count; ++i) {
        if (children.GetWidgetByIndex(i).get() == child) return i;
    }
    return -1;
}

}  // namespace

// ---------------------------------------------------------------------------
// TControlWidget

const TPropertyTable& TControlWidget::Table() {
    using C = TControlWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<C>(TVisualGroupWidget::Table())
            .Field("width", &C::width_, 0).SaveAlways().StorageOnly()
            .Field("height", &C::height_, 0).SaveAlways().StorageOnly()
            .Field("enabled", &C::enabled_, false).StorageOnly()
            .Field("tabstop", &C::tabStop_, false).StorageOnly()
            .Field("maskwidget", &C::maskWidget_).StorageOnly()
            .Build();
    // clang-format on
    return table;
}

void TControlWidget::Detach() {
    focusedChild_ = nullptr;
    TVisualGroupWidget::Detach();
}

TRect TControlWidget::GetBounds() {
    const int32_t left = RoundToInt(GetLeft());
    const int32_t top = RoundToInt(GetTop());
    return {left, top, AddClamped(left, width_), AddClamped(top, height_)};
}

bool TControlWidget::ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) {
    if (!ignoreVisible && !GetVisible()) return false;
    const double left = GetDrawLeft();
    const double top = GetDrawTop();
    // All four edges are inside: the rectangle is one pixel wider and higher
    // than its size.
    if (x < left || x > left + width_ || y < top || y > top + height_) return false;
    if (maskWidget_.empty()) return true;
    const Ref<IWidget> mask = FindWidget(maskWidget_);
    if (!mask) return true;
    // A hidden widget may serve as the mask: its shape, not its visibility.
    return mask->ContainsPoint(AddClamped(x, NegateClamped(RoundToInt(left))),
                               AddClamped(y, NegateClamped(RoundToInt(top))), true);
}

Ref<IWidget> TControlWidget::WidgetAt(int32_t x, int32_t y) {
    if (Ref<IWidget> hit = TVisualGroupWidget::WidgetAt(x, y)) return hit;
    if (GetVisible() && GetMouseStop() && ContainsPoint(x, y, false)) return Ref<IWidget>(this);
    return nullptr;
}

void TControlWidget::LoseMouseCapture() {
    TVisualGroupWidget::LoseMouseCapture();
    pressed_ = false;
}

void TControlWidget::ReceiveFocus() {
    TVisualGroupWidget::ReceiveFocus();
    focused_ = true;
}

void TControlWidget::LoseFocus() {
    TVisualGroupWidget::LoseFocus();
    focused_ = false;
    const Ref<IWidget> child = GetFocusedChild();
    focusedChild_ = nullptr;
    if (child) child->LoseFocus();
}

bool TControlWidget::HandleEvent(int32_t code, int32_t x, int32_t y, int32_t shift) {
    // A handler may drop the last outside reference to this control.
    const Ref<IWidget> self(this);
    const TPoint at = ScreenToLocal(x, y);
    switch (code) {
        case kMouseMove:
            return MouseMove(at.x, at.y, shift);
        case kMouseLeftDown:
            return MouseDown(at.x, at.y, shift, kButtonLeft);
        case kMouseLeftUp:
            return MouseUp(at.x, at.y, shift, kButtonLeft);
        case kMouseLeftDouble:
            return MouseDoubleClick(at.x, at.y, shift, kButtonLeft);
        case kMouseMiddleDown:
            return MouseDown(at.x, at.y, shift, kButtonMiddle);
        case kMouseMiddleUp:
            return MouseUp(at.x, at.y, shift, kButtonMiddle);
        case kMouseMiddleDouble:
            return MouseDoubleClick(at.x, at.y, shift, kButtonMiddle);
        case kMouseRightDown:
            return MouseDown(at.x, at.y, shift, kButtonRight);
        case kMouseRightUp:
            return MouseUp(at.x, at.y, shift, kButtonRight);
        case kMouseRightDouble:
            return MouseDoubleClick(at.x, at.y, shift, kButtonRight);
        default:
            return false;
    }
}

bool TControlWidget::MouseMove(int32_t x, int32_t y, int32_t shift) {
    (void)x;
    (void)y;
    (void)shift;
    return false;
}

bool TControlWidget::MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) {
    (void)x;
    (void)y;
    (void)shift;
    if (!focused_ && GetTabStop() && button == kButtonLeft) {
        if (const Ref<IWindow> window = OwnerWindow()) window->SetFocus(Ref<IWidget>(this));
    }
    // The press itself stays unhandled for the caller.
    return false;
}

bool TControlWidget::MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) {
    (void)x;
    (void)y;
    (void)shift;
    (void)button;
    return false;
}

bool TControlWidget::MouseDoubleClick(int32_t x, int32_t y, int32_t shift, int32_t button) {
    (void)x;
    (void)y;
    (void)shift;
    (void)button;
    return false;
}

bool TControlWidget::HandleKey(int32_t kind, int32_t key, int32_t shift) {
    if (!focused_) return TVisualGroupWidget::HandleKey(kind, key, shift);
    const Ref<IWidget> self(this);
    bool handled = false;
    Ref<IWidget> child = GetFocusedChild();
    if (!child) {
        child = FindNextTabStop(-1);
        focusedChild_ = Weak<IWidget>(child);
        if (child) child->ReceiveFocus();
    }
    if (child) handled = child->HandleKey(kind, key, shift);
    if (!handled && key == kKeyTab && kind == kKeyUp) {
        int32_t index = -1;
        if (child) {
            focusedChild_ = nullptr;
            child->LoseFocus();
            index = IndexOfChild(Children(), child.get());
        }
        // A child that left meanwhile: the search starts at the first.
        const Ref<IWidget> next = FindNextTabStop(index);
        focusedChild_ = Weak<IWidget>(next);
        if (next) {
            next->ReceiveFocus();
            handled = true;
        }
        // Without a next child the Tab goes on to the screen; the next key
        // that reaches this control starts again at its first tab stop.
    }
    return handled || TVisualGroupWidget::HandleKey(kind, key, shift);
}

Ref<IWidget> TControlWidget::FindNextTabStop(int32_t after) {
    TWidgetCollection& children = Children();
    const int32_t count = children.GetCount();
    for (int32_t i = after < 0 ? 0 : after + 1; i < count; ++i) {
        Ref<IWidget> child = children.GetWidgetByIndex(i);
        if (child && child->GetTabStop() && child->GetVisible()) return child;
    }
    return nullptr;
}

Ref<IWidget> TControlWidget::GetFocusedChild() {
    Ref<IWidget> child = focusedChild_.Lock();
    // A child that left this control no longer holds its focus.
    if (child && child->GetOwner() != static_cast<IWidgetOwner*>(this)) return nullptr;
    return child;
}

Ref<IWidget> TControlWidget::CreateChildWidget(const Ref<IWidget>& parent,
                                               const std::string& factoryName,
                                               const Ref<IParamCollection>& params) {
    if (!parent) return nullptr;
    const Ref<IWidgetCollection> children = parent->GetChildren();
    if (!children) return nullptr;
    Ref<IWidget> widget = CreateFactoryWidget(factoryName, params);
    if (!widget || children->GetWidget(Variant(widget->GetName()))) return nullptr;
    children->AddWidget(widget);
    return widget;
}

Ref<IWindow> TControlWidget::OwnerWindow() {
    return GetOwner() ? GetOwner()->GetWindow() : nullptr;
}

Ref<IEventHandler> TControlWidget::OwnerEventHandler() {
    return GetOwner() ? GetOwner()->GetEventHandler() : nullptr;
}

void TControlWidget::Notify(int32_t code) {
    const Ref<IWidget> self(this);
    if (const Ref<IEventHandler> handler = OwnerEventHandler())
        handler->HandleEvent(self, code, nullptr);
}

bool TControlWidget::ShowChild(const std::string& name, bool show) {
    const Ref<IWidget> child = Children().GetWidgetByName(name);
    if (!child) return false;
    child->SetVisible(show);
    // A hidden animation stops; a shown one runs.
    if (show) {
        child->Resume();
    } else {
        child->Pause();
    }
    return true;
}

std::optional<bool> TControlWidget::PointerInside() {
    IWidgetOwner* owner = GetOwner();
    const Ref<IEngine> engine = owner ? owner->GetEngine() : nullptr;
    if (!engine) return std::nullopt;
    const TPoint pointer = engine->GetMousePos();
    const TPoint at = ScreenToLocal(pointer.x, pointer.y);
    return ContainsPoint(at.x, at.y, false);
}

// ---------------------------------------------------------------------------
// TControlGameWidget

void TControlGameWidget::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    scenarioGroup_ = Weak<IWidget>(FindWidget("scenario_group"));
}

void TControlGameWidget::Detach() {
    scenarioGroup_ = nullptr;
    TControlWidget::Detach();
}

Ref<IWidget> TControlGameWidget::CreateScenario(const std::string& factoryName,
                                                const Ref<IParamCollection>& params,
                                                bool remember) {
    const Ref<IWidget> group = scenarioGroup_.Lock();
    if (!group) return nullptr;
    const Ref<IWidgetCollection> children = group->GetChildren();
    if (!children) return nullptr;
    Ref<IWidget> scenario = CreateFactoryWidget(factoryName, params);
    if (!scenario) return nullptr;
    const std::string name = scenario->GetName();
    // An empty path finds the group itself, so only a name is looked up.
    if (!name.empty() && group->FindWidget(name)) return nullptr;
    children->AddWidget(scenario);
    scenario->SetProperty("control_game", Variant(Ref<IWidget>(this)));
    if (remember) {
        scenarioNames_ += name;
        scenarioNames_ += ';';
    }
    return scenario;
}
