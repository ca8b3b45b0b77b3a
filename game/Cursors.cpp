#include "game/Cursors.h"

// ---------------------------------------------------------------------------
// TCursor

void TCursor::Create() {
    TPersistObject::Create();
    SetNodeName("cursor");
}

void TCursor::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistObject::LoadFrom(storage);
    if (!storage) return;
    hotSpotX_ = ReadInteger(storage, "hotspotx", 0);
    hotSpotY_ = ReadInteger(storage, "hotspoty", 0);
    // Assigned as loaded: the game decides which cursor shows.
    widget_ = Query<IWidget>(CreateTypedChildObject(storage, "widget", 0));
}

void TCursor::SaveTo(const Ref<IHierStorage>& storage) {
    TPersistObject::SaveTo(storage);
    if (!storage) return;
    const bool hotSpot = hotSpotX_ != 0 || hotSpotY_ != 0;
    WriteInteger(storage, "hotspotx", hotSpotX_, hotSpot);
    WriteInteger(storage, "hotspoty", hotSpotY_, hotSpot);
    if (widget_) SaveChildObject(widget_, storage, "widget");
}

void TCursor::SetWidget(const Ref<IWidget>& widget) {
    widget_ = widget;
    if (widget_) widget_->SetVisible(false);
}

void TCursor::SetHotSpot(int32_t x, int32_t y) {
    hotSpotX_ = x;
    hotSpotY_ = y;
}

// ---------------------------------------------------------------------------
// TCursorCollection

void TCursorCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("cursors");
    SetItemNodeName("cursor");
    SetItemClass(ClassOf<TCursor>());
}

void TCursorCollection::LoadFrom(const Ref<IHierStorage>& storage) {
    TTypedCollection::LoadFrom(storage);
    defaultCursorName_ = ReadString(storage, "default_cursor_name", "");
}

void TCursorCollection::SaveTo(const Ref<IHierStorage>& storage) {
    TTypedCollection::SaveTo(storage);
    WriteString(storage, "default_cursor_name", defaultCursorName_, true);
}

bool TCursorCollection::SetCurrentCursor(const std::string& name) {
    const Ref<ICursor> next = Find(Variant(name));
    if (!next) return false;
    if (const Ref<ICursor> old = current_.Lock()) {
        if (const Ref<IWidget> widget = old->GetWidget()) {
            widget->SetVisible(false);
            // Its last drawn place is repainted now; the game draws only the
            // current cursor from here on.
            widget->CollectDirtyRects(false, false);
        }
    }
    current_ = Weak<ICursor>(next);
    if (const Ref<IWidget> widget = next->GetWidget()) widget->SetVisible(true);
    return true;
}

std::string TCursorCollection::GetDefaultCursorName() {
    if (!defaultCursorName_.empty() && Find(Variant(defaultCursorName_))) {
        return defaultCursorName_;
    }
    const Ref<ICursor> first = Find(Variant(int32_t(0)));
    return first ? first->GetName() : std::string();
}
