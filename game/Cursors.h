// The game's own mouse pointer: named cursors, each a widget described by
// data with a hot spot (the point of the widget that lies under the mouse),
// and the collection the game definition holds them in, one cursor current.
//
//   cursors default_cursor_name=NAME
//     cursor name=N hotspotx=X hotspoty=Y
//       widget type=REGISTERED_WIDGET ...
//
// The game attaches every cursor widget to itself, moves the current one
// with the mouse, updates and draws it above the screens; screens switch
// cursors by name.
//
// Ownership: a cursor holds its widget; the collection holds its cursors and
// only watches the current one (a cursor that leaves the collection and is
// freed is current no more).
//
// Failures: a "widget" child whose "type" is not registered, or that makes
// no widget, leaves the cursor without a widget (it can be current and
// shows nothing); an unknown name does not switch.
#pragma once

#include <cstdint>
#include <string>

#include "core/persist/EngineGeneralClasses.h"
#include "game/GameShellInterfaces.h"

class TCursor : public TPersistObject, public virtual ICursor {
public:
    // Element name "cursor".
    void Create() override;

    // "name", "hotspotx", "hotspoty" (0 when absent), then the widget made
    // from the child "widget" by its "type"; its visibility is left as
    // loaded.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // "name"; the hot spot, both values, unless it is (0, 0); then the
    // widget into a child "widget".
    void SaveTo(const Ref<IHierStorage>& storage) override;

    Ref<IWidget> GetWidget() override { return widget_; }
    // Keeps the widget and hides it: only the current cursor shows.
    void SetWidget(const Ref<IWidget>& widget) override;
    TPoint GetHotSpot() override { return {hotSpotX_, hotSpotY_}; }
    void SetHotSpot(int32_t x, int32_t y) override;

private:
    int32_t hotSpotX_ = 0;
    int32_t hotSpotY_ = 0;
    Ref<IWidget> widget_;
};

class TCursorCollection : public TTypedCollection<ICursor, ICursorCollection> {
public:
    // Element name "cursors", item element "cursor", items TCursor.
    void Create() override;

    // The cursors, then "default_cursor_name".
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // The cursors, then "default_cursor_name" (always written).
    void SaveTo(const Ref<IHierStorage>& storage) override;

    Ref<ICursor> GetCurrentCursor() override { return current_.Lock(); }
    // False, changing nothing, when no cursor has that name. Otherwise the
    // current cursor's widget is hidden and reports its last area (so the
    // place it was drawn is repainted), the named cursor becomes current and
    // its widget is shown. Naming the current cursor hides and shows it
    // again.
    bool SetCurrentCursor(const std::string& name) override;
    // "default_cursor_name" when a cursor has that name; else the first
    // cursor's name; else empty.
    std::string GetDefaultCursorName() override;

    const std::string& DefaultCursorNameSetting() const { return defaultCursorName_; }
    void SetDefaultCursorNameSetting(const std::string& name) { defaultCursorName_ = name; }

private:
    std::string defaultCursorName_;
    Weak<ICursor> current_;
};
