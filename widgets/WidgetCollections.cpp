#include "widgets/WidgetCollections.h"

#include <algorithm>
#include <limits>

#include "core/base/Log.h"
#include "widgets/WidgetClasses.h"

namespace {

// A child that keeps adding or moving widgets every time it is updated would
// make the update pass repeat for ever; this many passes end the frame.
constexpr int kMaxUpdatePasses = 64;

}  // namespace

// ---------------------------------------------------------------------------
// TSimpleWidgetCollection

TSimpleWidgetCollection::TSimpleWidgetCollection() {
    SetMembershipObserver(this);
    SetEmptyNamesRepeat(true);
}

TSimpleWidgetCollection::~TSimpleWidgetCollection() {
    CloseItems();
}

void TSimpleWidgetCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("widgets");
    SetItemNodeName("widget");
}

Ref<IInterface> TSimpleWidgetCollection::CreateItem(const Ref<IHierStorage>& node) {
    Ref<IInterface> item = TTypedCreationPersistItemCollection::CreateItem(node);
    if (!item) {
        Log("WIDGET", node->GetPath() + ": the type \"" + ReadString(node, "type", "") +
                          "\" is not registered; the widget is skipped");
    } else if (!Query<IWidget>(item)) {
        Log("WIDGET", node->GetPath() + ": the type \"" + ReadString(node, "type", "") +
                          "\" is no widget; it is skipped");
        return nullptr;
    }
    return item;
}

void TSimpleWidgetCollection::AddItem(const Ref<IInterface>& item) {
    AddWidget(Query<IWidget>(item));
}

Ref<IWidget> TSimpleWidgetCollection::GetWidget(const Variant& key) {
    return Find(key);
}

Ref<IWidget> TSimpleWidgetCollection::GetWidgetByIndex(int32_t index) {
    return Ref<IWidget>(WidgetAtIndex(index));
}

Ref<IWidget> TSimpleWidgetCollection::GetWidgetByName(std::string_view name) {
    return Ref<IWidget>(WidgetAtIndex(Items().IndexOf(name)));
}

IWidget* TSimpleWidgetCollection::WidgetAtIndex(int32_t index) const {
    if (index < 0 || size_t(index) >= entries_.size()) return nullptr;
    QM_ASSERT(entries_[size_t(index)].item == Items().GetDataAt(index),
              "A widget list's entries fell out of step with its items.");
    return entries_[size_t(index)].widget;
}

int32_t TSimpleWidgetCollection::IndexOfWidget(const IWidget* widget) const {
    if (!widget) return -1;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].widget == widget) return int32_t(i);
    }
    return -1;
}

void TSimpleWidgetCollection::AddWidget(const Ref<IWidget>& widget) {
    if (!widget) return;
    const std::string name = widget->GetName();
    if (TakeIn(widget, name)) Place(widget, name, -1);
}

void TSimpleWidgetCollection::AddWidgetAs(const Ref<IWidget>& widget, const std::string& name) {
    if (TakeIn(widget, name)) Place(widget, name, -1);
}

bool TSimpleWidgetCollection::TakeIn(const Ref<IWidget>& widget, std::string_view name) {
    if (!widget) return false;
    TSimpleWidgetCollection* former = nullptr;
    if (auto* concrete = dynamic_cast<TAbstractWidget*>(widget.get())) {
        former = concrete->list_;
    } else if (IndexOfWidget(widget.get()) >= 0) {
        former = this;
    }
    if (former == this) return false;
    if (!name.empty() && Items().Exists(name)) return false;
    if (former) {
        // A widget has one list: moving it takes it out of the first.
        const int32_t position = former->IndexOfWidget(widget.get());
        if (position >= 0) former->Delete(Variant(position));
    }
    return true;
}

void TSimpleWidgetCollection::Place(const Ref<IWidget>& widget, std::string_view name,
                                    int32_t position) {
    // Room first, so that ItemAdded never allocates.
    entries_.reserve(entries_.size() + 1);
    joinPosition_ = position < 0 ? GetCount() : position;
    InsertItem(Ref<IInterface>(widget), false, name, position);
    joinPosition_ = -1;
}

void TSimpleWidgetCollection::ItemAdded(TInterfaceCollection& collection,
                                        IInterface& item) noexcept {
    (void)collection;
    int32_t position = joinPosition_;
    if (position < 0 || Items().GetDataAt(position) != &item) {
        const int32_t count = Items().GetCount();
        for (position = count - 1; position >= 0; --position) {
            if (Items().GetDataAt(position) == &item) break;
        }
    }
    auto* widget = dynamic_cast<IWidget*>(&item);
    entries_.insert(entries_.begin() + position, TEntry{&item, widget});
    if (auto* concrete = dynamic_cast<TAbstractWidget*>(&item)) {
        QM_ASSERT(!concrete->list_ || concrete->list_ == this,
                  "A widget joined a second child list; widgets join lists through AddWidget, "
                  "which takes them out of the first.");
        concrete->list_ = this;
    } else {
        ++foreignWidgets_;
    }
    if (widget) WidgetJoined(*widget);
}

void TSimpleWidgetCollection::ItemRemoved(TInterfaceCollection& collection,
                                          IInterface& item) noexcept {
    (void)collection;
    // Lists empty from the back, so the search starts there.
    IWidget* widget = nullptr;
    for (size_t i = entries_.size(); i-- > 0;) {
        if (entries_[i].item == &item) {
            widget = entries_[i].widget;
            entries_.erase(entries_.begin() + ptrdiff_t(i));
            break;
        }
    }
    if (widget) {
        try {
            WidgetLeft(*widget);
        } catch (const std::exception& e) {
            Log("WIDGET", std::string("A widget leaving its list failed to detach: ") + e.what());
        }
    }
    if (auto* concrete = dynamic_cast<TAbstractWidget*>(&item)) {
        if (concrete->list_ == this) concrete->list_ = nullptr;
    } else {
        --foreignWidgets_;
    }
}

// ---------------------------------------------------------------------------
// TWidgetCollection

TWidgetCollection::~TWidgetCollection() {
    // The children are told while this part of the list is whole; they leave
    // without reporting an area, since whoever let the list go repaints it.
    closing_ = true;
    CloseItems();
}

void TWidgetCollection::Create() {
    TSimpleWidgetCollection::Create();
    sortByZ_ = true;
}

void TWidgetCollection::AddWidget(const Ref<IWidget>& widget) {
    listChanged_ = true;
    if (!widget) return;
    const std::string name = widget->GetName();
    if (!TakeIn(widget, name)) return;
    if (widget->GetOwner() != owner_) {
        if (widget->GetOwner()) widget->Detach();
        if (owner_) widget->Attach(owner_);
    }
    widget->CollectDirtyRects(false, true);
    invalidated_ = true;
    int32_t position = -1;
    if (sortByZ_) {
        const int32_t z = widget->GetZ();
        position = 0;
        for (int32_t i = GetCount() - 1; i >= 0; --i) {
            IWidget* child = WidgetAtIndex(i);
            if (child && child->GetZ() <= z) {
                position = i + 1;
                break;
            }
        }
    }
    Place(widget, name, position);
}

void TWidgetCollection::Delete(const Variant& key) {
    listChanged_ = true;
    TSimpleWidgetCollection::Delete(key);
}

void TWidgetCollection::WidgetJoined(IWidget& widget) {
    (void)widget;
    listChanged_ = true;
    orderKnown_ = false;
}

void TWidgetCollection::WidgetLeft(IWidget& widget) {
    listChanged_ = true;
    if (!widget.GetOwner()) return;
    if (!closing_) {
        widget.CollectDirtyRects(true, false);
        invalidated_ = true;
    }
    widget.Detach();
}

void TWidgetCollection::SortByZ() {
    if (orderKnown_ && foreignWidgets_ == 0) return;
    orderKnown_ = true;
    const int32_t count = GetCount();
    if (count < 2) return;
    bool sorted = true;
    int32_t previous = std::numeric_limits<int32_t>::min();
    for (int32_t i = 0; i < count && sorted; ++i) {
        IWidget* child = WidgetAtIndex(i);
        const int32_t z = child ? child->GetZ() : previous;
        sorted = z >= previous;
        previous = z;
    }
    if (sorted) return;

    // Each item's key is its z and its present position, so the sort keeps
    // children of equal z in their order whatever the sort does. The keys sit
    // in a small open-addressed table found by the item's address, so the
    // sort's comparisons look them up in constant time.
    int bits = 4;
    while ((size_t{1} << bits) < 2 * size_t(count)) ++bits;
    sortKeys_.assign(size_t{1} << bits, TSortKey{nullptr, nullptr, 0});
    const size_t mask = (size_t{1} << bits) - 1;
    const auto slotOf = [this, bits, mask](const void* item) {
        size_t slot = size_t(
            (uint64_t(reinterpret_cast<uintptr_t>(item)) * 0x9E3779B97F4A7C15ull) >> (64 - bits));
        while (sortKeys_[slot].item && sortKeys_[slot].item != item) slot = (slot + 1) & mask;
        return slot;
    };
    for (int32_t i = 0; i < count; ++i) {
        const TEntry& entry = entries_[size_t(i)];
        const int64_t z = entry.widget ? entry.widget->GetZ() : 0;
        sortKeys_[slotOf(entry.item)] = {entry.item, entry.widget, z * (int64_t{1} << 32) + i};
    }
    SortItems([this, &slotOf](void* a, void* b) -> int32_t {
        const int64_t ka = sortKeys_[slotOf(a)].key;
        const int64_t kb = sortKeys_[slotOf(b)].key;
        return ka < kb ? -1 : ka > kb ? 1 : 0;
    });
    for (int32_t i = 0; i < count; ++i) {
        const TSortKey& found = sortKeys_[slotOf(Items().GetDataAt(i))];
        entries_[size_t(i)] = {found.item, found.widget};
    }
}

void TWidgetCollection::UpdateAll(int32_t elapsedMs) {
    const Ref<TCollection> self(this);
    invalidated_ = false;
    listChanged_ = true;
    for (int pass = 0; listChanged_; ++pass) {
        if (pass == kMaxUpdatePasses) {
            Log("WIDGET",
                "The children of a group kept changing while they were updated; the "
                "frame's update pass stopped after " +
                    std::to_string(kMaxUpdatePasses) + " rounds");
            listChanged_ = false;
            break;
        }
        listChanged_ = false;
        ForEachWidget([elapsedMs](IWidget& child) {
            if (!child.GetPaused() && !child.GetDead() && !child.GetUpdated()) {
                child.Update(elapsedMs);
            }
        });
    }
}

void TWidgetCollection::RemoveDead() {
    const Ref<TCollection> self(this);
    for (TCollectionCursor cursor(Items(), true); cursor.Next();) {
        IWidget* child = WidgetAtIndex(cursor.Position());
        if (!child || !child->GetDead()) continue;
        // A child without an owner reports nothing when it leaves; one with an
        // owner reports its last area there.
        Delete(Variant(cursor.Position()));
        invalidated_ = true;
    }
}

void TWidgetCollection::SetPropertyForAll(const std::string& name, const Variant& value) {
    ForEachWidget([&](IWidget& child) { child.SetProperty(name, value); });
}

void TWidgetCollection::CollectDirtyRects(bool force, bool forceNew) {
    ForEachWidget([&](IWidget& child) {
        child.SetUpdated(false);
        if (child.GetVisible() || child.GetWasShown()) {
            child.CollectDirtyRects(force, forceNew);
            if (child.GetInvalidated()) invalidated_ = true;
        }
    });
}

void TWidgetCollection::AttachAll(IWidgetOwner* owner) {
    owner_ = owner;
    ForEachWidget([owner](IWidget& child) { child.Attach(owner); });
}

void TWidgetCollection::DetachAll() {
    owner_ = nullptr;
    ForEachWidget([](IWidget& child) { child.Detach(); });
}
