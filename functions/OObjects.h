// Small lists of pointers that carry the expression parser's words.
//
// TOCollection owns its items and deletes them when they are freed or when
// the list goes; TNoOwnerCollection holds the same kind of list without
// owning anything. TSortedCollection keeps its items in ascending order of
// their keys and finds them by binary search; without duplicates a second
// item with a present key is refused and stays the caller's. TStrCollection
// is a sorted list of owned texts ordered byte by byte.
//
// Positions are 0-based; a position outside 0..Count-1 is a programming
// error (checked by an assertion in debug builds).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/base/Assert.h"

template <class T>
class TOCollection {
public:
    explicit TOCollection(int32_t capacity = 0) { items_.reserve(capacity > 0 ? capacity : 0); }
    // Frees every item with this class's FreeItem: a derived class that owns
    // its items differently empties the list in its own destructor first.
    virtual ~TOCollection() { FreeAll(); }
    TOCollection(const TOCollection&) = delete;
    TOCollection& operator=(const TOCollection&) = delete;

    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    int32_t Capacity() const { return static_cast<int32_t>(items_.capacity()); }
    T* Items(int32_t index) const {
        QM_ASSERT(index >= 0 && index < Count(), "A collection was read outside its items.");
        return items_[index];
    }
    // The underlying array, for callers that rearrange the list wholesale.
    std::vector<T*>& List() { return items_; }
    const std::vector<T*>& List() const { return items_; }
    typename std::vector<T*>::const_iterator begin() const { return items_.begin(); }
    typename std::vector<T*>::const_iterator end() const { return items_.end(); }

    // Appends (the collection takes the item as it is: owned when it owns).
    void Add(T* item) { items_.push_back(item); }
    void Insert(int32_t index, T* item) {
        QM_ASSERT(index >= 0 && index <= Count(), "An item was inserted outside a collection.");
        items_.insert(items_.begin() + index, item);
    }
    // Removes the entry without freeing the item.
    void Delete(int32_t index) {
        QM_ASSERT(index >= 0 && index < Count(), "A collection entry outside it was deleted.");
        items_.erase(items_.begin() + index);
    }
    // The position of the item itself, -1 when it is not in the list.
    virtual int32_t IndexOf(const T* item) const {
        for (size_t i = 0; i < items_.size(); ++i) {
            if (items_[i] == item) return static_cast<int32_t>(i);
        }
        return -1;
    }

    // FreeItem for every item in order, then the list is empty.
    void FreeAll() {
        for (T* item : items_) FreeItem(item);
        items_.clear();
    }
    // Removes the entry at `index`, then frees its item.
    void AtFree(int32_t index) {
        T* item = Items(index);
        Delete(index);
        FreeItem(item);
    }
    // AtFree at IndexOf(item); nothing when IndexOf finds no entry. A sorted
    // collection's IndexOf finds the stored item with an equal key, which
    // need not be `item`: pass only stored items.
    void Free(T* item) {
        int32_t index = IndexOf(item);
        if (index >= 0) AtFree(index);
    }
    virtual void FreeItem(T* item) { delete item; }

protected:
    std::vector<T*> items_;
};

template <class T>
class TNoOwnerCollection : public TOCollection<T> {
public:
    using TOCollection<T>::TOCollection;
    ~TNoOwnerCollection() override { this->items_.clear(); }
    void FreeItem(T*) override {}
};

// Key is the type KeyOf answers and Search takes (a view into the item, or
// the item pointer itself).
template <class T, class Key = const T*>
class TSortedCollection : public TOCollection<T> {
public:
    explicit TSortedCollection(int32_t capacity = 0) : TOCollection<T>(capacity) {}

    bool Duplicates = false;

    // Negative, zero or positive as key1 orders before, with or after key2.
    virtual int Compare(Key key1, Key key2) const = 0;

    virtual Key KeyOf(const T* item) const {
        if constexpr (std::is_convertible_v<const T*, Key>) {
            return item;
        } else {
            QM_ASSERT(false, "A sorted collection of this key type must answer KeyOf.");
            return Key{};
        }
    }

    // Binary search. True when an item with an equal key is present; `index`
    // is then its position (the first of equal keys with duplicates),
    // otherwise the position where the key would be inserted.
    virtual bool Search(Key key, int32_t& index) const {
        bool found = false;
        int32_t low = 0;
        int32_t high = this->Count() - 1;
        while (low <= high) {
            int32_t mid = low + (high - low) / 2;
            int c = Compare(KeyOf(this->items_[mid]), key);
            if (c < 0) {
                low = mid + 1;
            } else {
                high = mid - 1;
                if (c == 0) {
                    found = true;
                    if (!Duplicates) low = mid;
                }
            }
        }
        index = low;
        return found;
    }

    // Inserts at the item's sorted position (before equal keys with
    // duplicates). Without duplicates an item whose key is present is not
    // inserted: answers false and the caller keeps the item.
    virtual bool Insert(T* item) {
        int32_t index = 0;
        if (Search(KeyOf(item), index) && !Duplicates) return false;
        TOCollection<T>::Insert(index, item);
        return true;
    }

    // Takes the entry with the item's key out of the list (not freed; it is
    // answered so that the caller can dispose of it, null when there was
    // none), then inserts the item.
    virtual T* Replace(T* item) {
        T* removed = nullptr;
        int32_t index = 0;
        if (Search(KeyOf(item), index)) {
            removed = this->items_[index];
            this->Delete(index);
        }
        Insert(item);
        return removed;
    }

    // The position found for the item's key: without duplicates that of the
    // stored item with an equal key, which may be another object; with
    // duplicates the item itself is looked for from the first equal key on.
    // -1 when nothing is found.
    int32_t IndexOf(const T* item) const override {
        int32_t index = 0;
        if (!Search(KeyOf(item), index)) return -1;
        if (Duplicates) {
            while (index < this->Count() && this->items_[index] != item) ++index;
        }
        return index < this->Count() ? index : -1;
    }
};

class TStrCollection : public TSortedCollection<std::string, std::string_view> {
public:
    using TSortedCollection::TSortedCollection;

    int Compare(std::string_view key1, std::string_view key2) const override {
        int c = key1.compare(key2);  // byte-wise, as unsigned chars
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    std::string_view KeyOf(const std::string* item) const override { return *item; }
};
