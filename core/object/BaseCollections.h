// The ordered, name-indexed containers of the engine and the game.
//
// Items keep their insertion order and are found by position or by name. Names
// are matched by the CRC-32 of the name with ASCII letters folded to upper
// case (a TElHashList index) and are not stored, so a collection cannot tell
// the name at a position (except TNamedStringCollection, which keeps it).
//
// Adding under a name already present is refused silently: the first item
// stays and the add answers null / false. An insertion position outside
// 0..Count (-1 appends) is refused the same way.
//
// Keys given as Variant: a 16-bit, 32-bit or 8-bit unsigned integer is a
// position, an 8-bit or wide text a name, anything else designates nothing.
//
// Lookups never raise (absent gives null, -1, false or an empty string).
// Deleting by an absent name raises EElHashListError "Hash not found.";
// deleting at a position outside 0..Count-1 raises "Invalid position for
// HashList.".
//
// Automatic names continue after the greatest explicit name added so far:
// "!", "\"", "#", ... "Z", "Z!", "Z\"", ...
//
// Every insertion and removal passes one place, which keeps the walks under
// way (TCollectionCursor) in step and, for interface collections, reports
// the item joining or leaving to the owner's IMembershipObserver.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/base/Interface.h"
#include "core/base/Variant.h"
#include "core/object/ElHashList.h"

class TBaseCollection;
class TInterfaceCollection;

// A position in a walk over a collection that stays right while the walk adds
// and removes items: removing an item before the cursor moves it back,
// inserting one before it moves it on. A walk therefore visits every item that
// is still present when the walk reaches it exactly once, and also visits
// items inserted ahead of it. An item moved across the cursor (MoveItem) is
// visited again or not at all, and a Sort leaves the cursor at its position
// number. Cursors live on the stack and register with the collection, which
// adjusts them; they allocate nothing. A collection destroyed during a walk
// ends the walk.
class TCollectionCursor {
public:
    // Forward from the first item, or backward from the last.
    explicit TCollectionCursor(const TBaseCollection& collection, bool backward = false) noexcept;
    ~TCollectionCursor();
    TCollectionCursor(const TCollectionCursor&) = delete;
    TCollectionCursor& operator=(const TCollectionCursor&) = delete;

    // Steps to the next item; false at the end or once the collection is gone.
    bool Next() noexcept;
    // The current item's position; -1 before the first Next, at the end, and
    // once the current item has left the collection.
    int32_t Position() const noexcept { return current_; }
    // The current item's data; null when Position is -1.
    void* Data() const noexcept;

private:
    friend class TBaseCollection;

    void Inserted(int32_t position) noexcept;
    void Removed(int32_t position) noexcept;
    void Emptied() noexcept;

    const TBaseCollection* collection_;
    TCollectionCursor* link_ = nullptr;  // the next cursor of the same collection
    int32_t next_ = 0;                   // the position to visit next
    int32_t current_ = -1;
    bool backward_;
};

class TBaseCollection {
public:
    // Called with two items (the stored data pointers).
    using TSortCompare = TElHashList::TSortCompare;

    // Ends the walks still running over it, then disposes of what it holds.
    virtual ~TBaseCollection();
    TBaseCollection(const TBaseCollection&) = delete;
    TBaseCollection& operator=(const TBaseCollection&) = delete;

    // Removes every item, releasing what the collection owns (first to last
    // here; interface collections go from the last).
    virtual void Clear();
    int32_t GetCount() const { return index_.Count(); }

    int32_t IndexOf(std::string_view name) const { return index_.IndexOf(name); }
    bool Exists(std::string_view name) const { return IndexOf(name) >= 0; }
    int32_t IndexOfHash(THash hash) const { return index_.IndexOfHash(hash); }
    bool ExistsHash(THash hash) const { return IndexOfHash(hash) >= 0; }

    // The stored item for a key, position or name; null when absent.
    void* GetData(const Variant& key) const;
    void* GetDataAt(int32_t position) const { return index_.GetDataAt(position); }
    void* GetDataByName(std::string_view name) const { return index_.GetData(name); }

    // Moves the item under `name` to the target: a position in 0..Count-1, or
    // the position of a named item (an absent name appends). Moving towards the
    // end onto a named item places it just after that item, towards the front
    // just before. Answers false and changes nothing when the name is absent
    // or the target is no position in range. The item does not leave the
    // collection (no removal is reported).
    bool MoveItem(std::string_view name, const Variant& target, bool autoName);

    // Removes the item a key designates (see the header comment for errors);
    // a key that is neither position nor name does nothing.
    void Delete(const Variant& key);
    // Removes the item at a position; "Invalid position for HashList." outside
    // 0..Count-1.
    void DeleteAt(int32_t position);
    // Removes the item whose name has this CRC-32; "Hash not found." if none.
    void DeleteByHash(THash hash);

    void Sort(const TSortCompare& compare) { index_.Sort(compare); }

    // Whether items added under the empty name are all kept (off: the first
    // one stays and later ones are refused, as for any name). Lookups by the
    // empty name find the first of them.
    void SetEmptyNamesRepeat(bool repeat) { emptyNamesRepeat_ = repeat; }

    // The greatest explicit name so far, or the last automatic name.
    const std::string& LastName() const { return lastName_; }

protected:
    using TDisposer = void (*)(void* data);

    TBaseCollection();

    // What happens to an item's data once it has left (nothing by default).
    void SetDisposer(TDisposer disposer) { disposer_ = disposer; }
    template <class T>
    static void DisposeAs(void* data) {
        delete static_cast<T*>(data);
    }

    // Inserts under a name (or the next automatic one) at a position (-1
    // appends). Answers the data, or null when refused.
    void* Insert(void* data, bool autoName, std::string_view name, int32_t position);
    // The same under a caller-computed CRC-32 of the name.
    void* InsertByHash(void* data, THash hash, int32_t position);
    // As Insert, answering whether the item was kept.
    bool TryInsert(void* data, bool autoName, std::string_view name, int32_t position);
    bool TryInsertByHash(void* data, THash hash, int32_t position);
    // Puts data in place of the item at a position, under the same name: the
    // newcomer joins, then the former item leaves. False (nothing changes)
    // outside 0..Count-1.
    bool ReplaceAt(int32_t position, void* data);
    void NoteExplicitName(std::string_view name);

    // Every insertion and removal passes here: after an item is in the list,
    // and after it is out of the list but before it is disposed of. Neither
    // may raise. Nothing here; called only while the subclass is whole.
    virtual void Joined(void* data) noexcept { (void)data; }
    virtual void Left(void* data) noexcept { (void)data; }

    const TElHashList& Index() const { return index_; }

private:
    friend class TCollectionCursor;

    std::string NextAutoName();
    // Inserted(position) for the walks and Joined for the subclass.
    void NoteInserted(int32_t position, void* data);
    // Out of the list, walks adjusted, Left, disposed.
    void RemoveAt(int32_t position);
    void Dispose(void* data) noexcept {
        if (data && disposer_) disposer_(data);
    }

    TElHashList index_;
    std::string lastName_;
    TDisposer disposer_ = nullptr;
    bool emptyNamesRepeat_ = false;
    // The walks under way: bookkeeping, not content, so const walks may
    // register.
    mutable TCollectionCursor* cursors_ = nullptr;
};

// Untyped pointers; owns nothing.
class TPointerCollection : public TBaseCollection {
public:
    TPointerCollection() = default;

    // Answers the item, or null when refused.
    void* Add(void* item, bool autoName, std::string_view name, int32_t position = -1) {
        return Insert(item, autoName, name, position);
    }
    // Answers the item given, kept or not.
    void* AddByHash(void* item, THash hash, int32_t position = -1) {
        InsertByHash(item, hash, position);
        return item;
    }
    void* GetItem(const Variant& key) const { return GetData(key); }

    using TBaseCollection::Insert;
    using TBaseCollection::InsertByHash;
};

// Objects of T (or of subclasses, when T's destructor is virtual), destroyed
// when they leave the collection.
template <class T>
class TObjectCollection : public TBaseCollection {
public:
    TObjectCollection() { SetDisposer(&DisposeAs<T>); }

    // Takes the object. Answers it when kept; a refused object is destroyed
    // and the answer is null.
    T* Add(std::unique_ptr<T> item, bool autoName, std::string_view name, int32_t position = -1) {
        if (!TryInsert(item.get(), autoName, name, position)) return nullptr;
        return item.release();
    }
    T* AddByHash(std::unique_ptr<T> item, THash hash, int32_t position = -1) {
        if (!TryInsertByHash(item.get(), hash, position)) return nullptr;
        return item.release();
    }

    T* GetItem(const Variant& key) const { return static_cast<T*>(GetData(key)); }
    T* GetItemAt(int32_t position) const { return static_cast<T*>(GetDataAt(position)); }
    T* GetItemByName(std::string_view name) const { return static_cast<T*>(GetDataByName(name)); }
    T* GetItemByHash(THash hash) const { return static_cast<T*>(Index().GetDataByHash(hash)); }
};

// Told when an item joins or leaves an interface collection, so that the
// collection's owner sets and clears the item's back-link in one place.
// Registered as a plain pointer, never counted. Null items are not reported.
class IMembershipObserver {
public:
    // After the item is in the collection (add, insert, the newcomer of a
    // replace).
    virtual void ItemAdded(TInterfaceCollection& collection, IInterface& item) noexcept = 0;
    // After the item is out of the collection (delete, the former item of a
    // replace, clear) and before the collection drops its reference.
    virtual void ItemRemoved(TInterfaceCollection& collection, IInterface& item) noexcept = 0;

protected:
    ~IMembershipObserver() = default;
};

// Counted interface references: one reference per item, released when the
// item leaves (on Clear from the last item to the first). The stored data
// pointers are IInterface*.
//
// An observer (SetObserver) hears of every item that joins or leaves. The
// object that registers an observer must unregister it, or call Close(),
// before the collection is destroyed (in its own destructor, while the
// observer is still whole); a collection destroyed with an observer still
// registered stops a debug build, and a release build then drops its items
// without telling anyone.
class TInterfaceCollection : public TBaseCollection {
public:
    TInterfaceCollection();
    ~TInterfaceCollection() override;

    // Answers whether the item was kept; only a kept item gains a reference.
    bool Add(const Ref<IInterface>& item, bool autoName, std::string_view name,
             int32_t position = -1);
    bool AddByHash(const Ref<IInterface>& item, THash hash, int32_t position = -1);
    // Puts item in place of the one at a position, under the same name: the
    // newcomer is reported added, then the former item removed. False
    // (nothing changes) outside 0..Count-1.
    bool Replace(int32_t position, const Ref<IInterface>& item);

    Ref<IInterface> GetItem(const Variant& key) const { return Item(GetData(key)); }
    Ref<IInterface> GetItemAt(int32_t position) const { return Item(GetDataAt(position)); }
    Ref<IInterface> GetItemByName(std::string_view name) const { return Item(GetDataByName(name)); }
    Ref<IInterface> GetItemByHash(THash hash) const { return Item(Index().GetDataByHash(hash)); }

    void Clear() override;

    void SetObserver(IMembershipObserver* observer) { observer_ = observer; }
    IMembershipObserver* Observer() const { return observer_; }
    // Clears (the observer hears of every item) and then forgets the observer:
    // what an observing owner calls in its destructor.
    void Close();

    // Calls f(item) for each non-null item, first to last, holding the item
    // while f runs. f may add and remove items, this one included (see
    // TCollectionCursor). When f answers bool, false ends the walk.
    template <class F>
    void ForEach(F&& f) {
        Walk(false, f);
    }
    // The same from the last item to the first.
    template <class F>
    void ForEachBackward(F&& f) {
        Walk(true, f);
    }

protected:
    void Joined(void* data) noexcept override;
    void Left(void* data) noexcept override;

private:
    static Ref<IInterface> Item(void* data) {
        return Ref<IInterface>(static_cast<IInterface*>(data));
    }
    template <class F>
    void Walk(bool backward, F& f) {
        for (TCollectionCursor cursor(*this, backward); cursor.Next();) {
            Ref<IInterface> item = Item(cursor.Data());
            if (!item) continue;
            if constexpr (std::is_same_v<std::invoke_result_t<F&, const Ref<IInterface>&>, bool>) {
                if (!f(item)) return;
            } else {
                f(item);
            }
        }
    }

    IMembershipObserver* observer_ = nullptr;
};

// Named 8-bit strings. The stored data pointers are std::string*.
class TStringCollection : public TBaseCollection {
public:
    TStringCollection();

    // Answers whether the text was kept.
    bool Add(std::string_view text, bool autoName, std::string_view name, int32_t position = -1);
    // The text, empty when absent.
    const std::string& GetItem(const Variant& key) const;
    // The text under name; false (and value empty) when absent.
    bool TryGetByName(std::string_view name, std::string& value) const;
    // Replaces the text under a present name, keeping its position; false
    // and nothing changes when absent.
    bool SetValue(std::string_view name, std::string_view value);
};

struct TStringRecord {
    std::string Value;
    std::string Name;
};

// Name and value pairs that remember the name's spelling. The stored data
// pointers are TStringRecord*.
class TNamedStringCollection : public TBaseCollection {
public:
    TNamedStringCollection();

    // Answers whether the value was kept. The record keeps the name as passed
    // (also when an automatic name indexes it).
    bool Add(std::string_view value, bool autoName, std::string_view name, int32_t position = -1);
    // The value, empty when absent.
    const std::string& GetItem(const Variant& key) const;
    // The record's name and value; false (both empty) when absent.
    bool GetItem(const Variant& key, std::string& name, std::string& value) const;
    // The value under name; false (value empty) when absent.
    bool GetValue(std::string_view name, std::string& value) const;
    // When name is present, sets the record's name to this spelling and its
    // value; answers whether it was present.
    bool SetValue(std::string_view name, std::string_view value);

private:
    const TStringRecord* Record(const Variant& key) const {
        return static_cast<const TStringRecord*>(GetData(key));
    }
};

// A sorted table of unique names (ASCII case ignored); a name's identifier is
// the order in which it was first added, from 0.
class TNamespace {
public:
    // The identifier of name, adding it when new.
    int32_t Add(std::string_view name);
    // Binary search: true and the name's place in the sorted order, or false
    // and the place where it would be inserted.
    bool Find(std::string_view name, int32_t& position) const;
    // The name of an identifier; empty outside 0..Count-1.
    const std::string& GetName(int32_t index) const;
    int32_t Count() const { return int32_t(names_.size()); }
    void Clear();

private:
    std::vector<std::string> names_;
    std::vector<int32_t> order_;  // identifiers sorted by name
};
