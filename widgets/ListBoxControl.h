// The list box ("ListBoxControl"): a scrolling list of text rows with one
// selected row. Each row is drawn by the child "text" (a text widget used as
// a template, shown only while the rows are drawn); optional children give
// the selected row's background ("image_selectedbackground"), the area the
// rows occupy ("image_contentbox") and two scroll buttons ("button_up",
// "button_down"), which report to the list box and scroll it by one row.
// A released click on a row selects it and reports code 5, a double click
// reports code 6, and while focused Home, End and the up and down arrows
// move the selection (code 5).
//
// Rows are a player's texts (profile names), so they are shown exactly as
// given, never passed through the language tables.
//
// Failures: a "rowheight" below 1 fits no row (one "WIDGET" line when the
// control is attached): nothing is drawn and no click finds a row. Keys
// naming no item (index or name) are ignored by every operation.
#pragma once

#include <cstdint>
#include <string>

#include "core/object/BaseCollections.h"
#include "widgets/ControlWidget.h"

// What a screen asks of a list box beyond IWidget.
class IListBoxControl : public virtual IWidget {
public:
    // The text of the item at a position (integer key) or under a name;
    // empty when absent.
    virtual std::string GetItem(const Variant& key) = 0;
    // Appends the UTF-8 text under the name (an automatic one when empty);
    // an item already under that name keeps its place and nothing is added.
    // Answers the text.
    virtual std::string AddItem(const std::string& text, const std::string& name) = 0;
    // Removes the item at a position (a 8, 16 or 32-bit integer key) or under
    // a name; when it was the selected one, the item that took its place (or
    // the new last one) is selected. Nothing for a key naming no item.
    virtual void DeleteItem(const Variant& key) = 0;
    // Removes every item; no selection.
    virtual void Clear() = 0;
    // Selects an existing item; other indexes are ignored.
    virtual void SetItemIndex(int32_t index) = 0;
    // The selected position, -1 for none (it may lie past the last item
    // after an item above it was deleted).
    virtual int32_t GetItemIndex() = 0;
};

// Stored keys after the control's: "rowheight" (default: the height divided
// by 10), "color" and "selectedcolor" (the text colours of ordinary rows and
// of the selected one), all always written. The items are not stored.
class TListBoxControl : public TControlWidget,
                        public virtual IListBoxControl,
                        public virtual IEventHandler {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;

    // The group's Attach, then the row area: the content box's drawn corner
    // and height, else the control's own.
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    // The children, then the visible rows through the template.
    void Render(ISurface& surface, int32_t x, int32_t y) override;
    // The tab-stop flag, visible and enabled.
    bool GetTabStop() override;
    bool HandleKey(int32_t kind, int32_t key, int32_t shift) override;
    // Any button released over a row that holds an item selects it and
    // reports code 5.
    bool MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) override;
    // Over a row that holds an item: code 6, the selection unchanged.
    bool MouseDoubleClick(int32_t x, int32_t y, int32_t shift, int32_t button) override;

    // The children report to the list box.
    Ref<IEventHandler> GetEventHandler() override { return Ref<IEventHandler>(this); }
    Ref<IEngine> GetEngine() override { return TControlWidget::GetEngine(); }

    // IListBoxControl
    std::string GetItem(const Variant& key) override;
    std::string AddItem(const std::string& text, const std::string& name) override;
    void DeleteItem(const Variant& key) override;
    void Clear() override;
    void SetItemIndex(int32_t index) override;
    int32_t GetItemIndex() override { return itemIndex_; }

    // IEventHandler: any report of "button_up" or "button_down" scrolls by
    // one row; other reports go nowhere. Requests for screens go on to the
    // list box's own event handler.
    using TControlWidget::HandleEvent;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;
    bool ShowGameScreen(const std::string& name, const Ref<IParamCollection>& params) override;
    bool CloseGameScreen(const Ref<IParamCollection>& results) override;

    int32_t GetItemCount() const { return items_.GetCount(); }
    int32_t GetTopIndex() const { return topIndex_; }
    int32_t GetVisibleRows() const { return visibleRows_; }
    int32_t GetRowHeight() const { return rowHeight_; }
    // The row at a point of the owner's content: the top row's position plus
    // the rows below the area's top; -1 left of or above the row area or
    // below its bottom edge (the edge itself is the row after the last
    // visible one). The item count is not looked at.
    int32_t ItemAt(int32_t x, int32_t y);

private:
    void SetTopIndex(int32_t index);
    // Repaints, pulls the top row up so the last rows fill the area, and
    // enables the scroll buttons that can move.
    void UpdateScrollState();

    TStringCollection items_;
    int32_t topIndex_ = 0;
    // Starts at 0, so the first row added shows as selected until a Clear
    // or a selection.
    int32_t itemIndex_ = 0;
    int32_t visibleRows_ = 0;
    int32_t textLeft_ = 0;
    int32_t textTop_ = 0;
    int32_t rowHeight_ = 0;
    uint32_t textColor_ = 0;
    uint32_t selectedColor_ = 0;
    Weak<IWidget> selectedBackground_;
    Weak<IWidget> contentBox_;
};
