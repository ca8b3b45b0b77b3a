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
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Interface.h"
#include "core/base/Variant.h"
#include "core/object/ElHashList.h"

class TBaseCollection {
public:
    // Called with two items (the stored data pointers).
    using TSortCompare = TElHashList::TSortCompare;

    virtual ~TBaseCollection() = default;
    TBaseCollection(const TBaseCollection&) = delete;
    TBaseCollection& operator=(const TBaseCollection&) = delete;

    // Removes every item, releasing what the collection owns.
    virtual void Clear() { index_.Clear(); }
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
    // or the target is no position in range.
    bool MoveItem(std::string_view name, const Variant& target, bool autoName);

    // Removes the item a key designates (see the header comment for errors);
    // a key that is neither position nor name does nothing.
    void Delete(const Variant& key);
    // Removes the item whose name has this CRC-32; "Hash not found." if none.
    void DeleteByHash(THash hash) { index_.DeleteByHash(hash); }

    void Sort(const TSortCompare& compare) { index_.Sort(compare); }

    // The greatest explicit name so far, or the last automatic name.
    const std::string& LastName() const { return lastName_; }

protected:
    TBaseCollection();

    // Inserts under a name (or the next automatic one) at a position (-1
    // appends). Answers the data, or null when refused.
    void* Insert(void* data, bool autoName, std::string_view name, int32_t position);
    // The same under a caller-computed CRC-32 of the name.
    void* InsertByHash(void* data, THash hash, int32_t position);
    // As Insert, answering whether the item was kept.
    bool TryInsert(void* data, bool autoName, std::string_view name, int32_t position);
    bool TryInsertByHash(void* data, THash hash, int32_t position);
    void NoteExplicitName(std::string_view name);

    TElHashList& Index() { return index_; }
    const TElHashList& Index() const { return index_; }

private:
    std::string NextAutoName();

    TElHashList index_;
    std::string lastName_;
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
    TObjectCollection() { Index().SetOwnsObjects(&TElHashList::DeleteAs<T>); }

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

// Counted interface references: one reference per item, released when the
// item leaves (on Clear from the last item to the first). The stored data
// pointers are IInterface*.
class TInterfaceCollection : public TBaseCollection {
public:
    TInterfaceCollection();
    ~TInterfaceCollection() override { Clear(); }

    // Answers whether the item was kept; only a kept item gains a reference.
    bool Add(const Ref<IInterface>& item, bool autoName, std::string_view name,
             int32_t position = -1);
    bool AddByHash(const Ref<IInterface>& item, THash hash, int32_t position = -1);

    Ref<IInterface> GetItem(const Variant& key) const { return Item(GetData(key)); }
    Ref<IInterface> GetItemAt(int32_t position) const { return Item(GetDataAt(position)); }
    Ref<IInterface> GetItemByName(std::string_view name) const { return Item(GetDataByName(name)); }
    Ref<IInterface> GetItemByHash(THash hash) const { return Item(Index().GetDataByHash(hash)); }

    void Clear() override;

private:
    static Ref<IInterface> Item(void* data) {
        return Ref<IInterface>(static_cast<IInterface*>(data));
    }
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
