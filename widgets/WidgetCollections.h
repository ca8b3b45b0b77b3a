// The child lists of groups. TSimpleWidgetCollection is a named, ordered,
// storable list of widgets ("widgets" of "widget" items, each created from
// its registered "type"); TWidgetCollection keeps its children in ascending
// z, attaches them to the list's owner and runs the per-frame passes.
//
// Ownership: the list is the only strong owner of its widgets, and the one
// place that sets and clears their back-links. A widget belongs to one list
// at a time: adding it to another list takes it out of the first. When a
// widget leaves a TWidgetCollection (deleted, cleared, dead, moved away, or
// the list goes), the list reports its last area and detaches it.
//
// Names: compared without regard to case; a second widget under a name the
// list already holds is refused, while widgets without a name are all kept
// (GetWidgetByName("") finds the first of them).
//
// Walks (the passes, ForEachWidget) survive a widget removing itself, its
// siblings or adding children while they run: every widget still present
// when the walk reaches it is visited once, and an idle walk allocates
// nothing.
//
// Failures: lookups answer null; Delete of an absent name raises
// EElHashListError "Hash not found." (ICollection's rule); a stored item of
// an unregistered type is skipped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/persist/EngineGeneralClasses.h"
#include "widgets/GameInterfaces.h"

class TAbstractWidget;

class TSimpleWidgetCollection : public TTypedCollection<IWidget, ISimpleWidgetCollection,
                                                        TTypedCreationPersistItemCollection>,
                                protected IMembershipObserver {
public:
    TSimpleWidgetCollection();
    ~TSimpleWidgetCollection() override;

    // Node name "widgets", items "widget".
    void Create() override;
    // A loaded widget goes in through AddWidget.
    void AddItem(const Ref<IInterface>& item) override;

    // ISimpleWidgetCollection
    Ref<IWidget> GetWidget(const Variant& key) override;
    Ref<IWidget> GetWidgetByIndex(int32_t index) override;
    Ref<IWidget> GetWidgetByName(std::string_view name) override;
    // Appends under the widget's own name.
    void AddWidget(const Ref<IWidget>& widget) override;
    // Appends under name; nothing else happens to the widget.
    void AddWidgetAs(const Ref<IWidget>& widget, const std::string& name) override;

    // The position of the widget in this list; -1 when it is not here.
    int32_t IndexOfWidget(const IWidget* widget) const;
    // The widget at a position, without a counted reference; null outside.
    IWidget* WidgetAtIndex(int32_t index) const;

    // Calls f(widget) for each widget, first to last (or last to first),
    // holding the list and the widget while f runs; f may add and remove
    // widgets. When f answers bool, false ends the walk.
    template <class F>
    void ForEachWidget(F&& f) {
        Walk(false, f);
    }
    template <class F>
    void ForEachWidgetBackward(F&& f) {
        Walk(true, f);
    }

protected:
    // Whether the widget may join under name: not null, not in this list
    // already, and the name not taken. When it may, it is first taken out of
    // the list it was in.
    bool TakeIn(const Ref<IWidget>& widget, std::string_view name);
    // Inserts a widget TakeIn admitted at a position (-1 appends).
    void Place(const Ref<IWidget>& widget, std::string_view name, int32_t position);
    // Logs an item whose type is not registered.
    Ref<IInterface> CreateItem(const Ref<IHierStorage>& node) override;
    // Told after a widget joined and after it left (before the list drops
    // its reference). Nothing here.
    virtual void WidgetJoined(IWidget& widget) { (void)widget; }
    virtual void WidgetLeft(IWidget& widget) { (void)widget; }
    // A child's z may have changed (TAbstractWidget::NoteZChanged).
    virtual void ChildZChanged() {}

    void ItemAdded(TInterfaceCollection& collection, IInterface& item) noexcept override;
    void ItemRemoved(TInterfaceCollection& collection, IInterface& item) noexcept override;

private:
    // Widgets join through AddWidget and AddWidgetAs only.
    using TTypedCollection::Add;
    using TTypedCollection::TryAdd;

    template <class F>
    void Walk(bool backward, F& f) {
        const Ref<TCollection> self(this);
        for (TCollectionCursor cursor(Items(), backward); cursor.Next();) {
            IWidget* widget = WidgetAtIndex(cursor.Position());
            if (!widget) continue;
            const Ref<IWidget> hold(widget);
            if constexpr (std::is_same_v<std::invoke_result_t<F&, IWidget&>, bool>) {
                if (!f(*widget)) return;
            } else {
                f(*widget);
            }
        }
    }

    // Each item's widget, in the list's order: the walks read it here rather
    // than asking every item for its IWidget on every frame.
    struct TEntry {
        const IInterface* item;
        IWidget* widget;
    };
    std::vector<TEntry> entries_;
    int32_t joinPosition_ = -1;  // where Place is inserting, for ItemAdded
    // Widgets that are no TAbstractWidget, which cannot report a change of z.
    int32_t foreignWidgets_ = 0;

    friend class TWidgetCollection;
    friend class TAbstractWidget;  // ChildZChanged
};

// The z-ordered child list of a group.
class TWidgetCollection : public TSimpleWidgetCollection, public virtual IWidgetCollection {
public:
    ~TWidgetCollection() override;

    // Sorting by z on.
    void Create() override;

    // Detaches the widget from a former owner, attaches it to the list's
    // owner, lets it report its area as new, and inserts it after the last
    // child whose z is not greater (appends when sorting is off). So among
    // equal z the later added is drawn later and hit first.
    void AddWidget(const Ref<IWidget>& widget) override;
    void Delete(const Variant& key) override;

    bool GetSortByZ() override { return sortByZ_; }
    void SetSortByZ(bool value) override {
        sortByZ_ = value;
        orderKnown_ = false;
    }
    // Children in ascending z, equal z in their present order. Allocates only
    // when the order changes. The order is looked at only after a child
    // joined or reported a change of z (or while a child that cannot report
    // one is in the list), not on every frame.
    void SortByZ() override;
    // Passes over the list until one runs without an add or delete; each
    // child is updated at most once a frame.
    void UpdateAll(int32_t elapsedMs) override;
    void RemoveDead() override;
    // Clears each child's updated flag and lets the children that are or
    // were visible report their rectangles.
    void SetPropertyForAll(const std::string& name, const Variant& value) override;
    void CollectDirtyRects(bool force, bool forceNew) override;
    void AttachAll(IWidgetOwner* owner) override;
    void DetachAll() override;
    bool GetInvalidated() override { return invalidated_; }

    IWidgetOwner* GetOwner() const { return owner_; }

protected:
    void WidgetJoined(IWidget& widget) override;
    void WidgetLeft(IWidget& widget) override;
    void ChildZChanged() override { orderKnown_ = false; }

private:
    struct TSortKey {
        const IInterface* item;
        IWidget* widget;
        int64_t key;  // z, then the position before the sort
    };

    bool sortByZ_ = true;
    IWidgetOwner* owner_ = nullptr;  // not counted: the owner holds the list
    bool invalidated_ = false;
    bool listChanged_ = false;
    bool closing_ = false;            // the list is going: leaving widgets report nothing
    bool orderKnown_ = false;         // sorted by z since the last join or z change
    std::vector<TSortKey> sortKeys_;  // reused by SortByZ
};
