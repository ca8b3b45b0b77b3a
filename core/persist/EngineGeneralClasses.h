// The base classes of every data-described object: a named object, one that
// loads and saves itself through a storage node, one with named properties;
// the engine's own collections of such objects; and the typed readers and
// writers that give every value of a storage document one text form.
//
// Storage form of a persistent object: "name" and, for a registered class,
// "type" in its node. "_outstorage" (a spec "\file=...\cryptkey=...") sends
// the content to a separate, optionally enciphered document; with "template"
// set to "yes" that document is a template that saving never rewrites: only
// the values differing from it are written into the owner's node.
//
// Failures: readers never raise for missing or malformed text (they answer
// their default, and log one line naming the node, the key and the text for a
// text that does not convert); exceptions raised by storage nodes, by the
// out-storage files or by items propagate out of Load and Save.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/base/Variant.h"
#include "core/object/BaseCollections.h"
#include "core/object/GeneralClasses.h"
#include "core/persist/PropertyTable.h"
#include "core/storage/PersistenceService.h"

// ---------------------------------------------------------------------------
// Interfaces

// An object with named properties held as variants.
class IPropertyObject : public virtual INamedObject {
public:
    virtual void SetProperty(const std::string& name, const Variant& value) = 0;
    virtual Variant GetProperty(const std::string& name) = 0;
    // The property, or defaultValue when it answers no value (Empty or Null).
    virtual Variant GetPropertyDef(const std::string& name, const Variant& defaultValue) = 0;
};

// A named, ordered collection of interface references.
class ICollection : public virtual IInterface {
public:
    virtual int32_t GetCount() = 0;
    // Removes the item at a position (an integer key) or under a name (a text
    // key). An absent name or a position out of range raises
    // EElHashListError.
    virtual void Delete(const Variant& key) = 0;
    // -1 when absent.
    virtual int32_t IndexOf(const std::string& name) = 0;
    virtual bool Exists(const std::string& name) = 0;
    virtual void Clear() = 0;
};

// ---------------------------------------------------------------------------
// Named, persistent and property objects

class TNamedObject : public TAbstractObject, public virtual INamedObject {
public:
    std::string GetName() override { return name_; }
    void SetName(const std::string& name) override { name_ = name; }
    // A new object of the same registered class with this one's values
    // (AssignTo); null when the class is not registered.
    Ref<INamedObject> Clone() override;

    // Copies this object's values into dest; overrides call the inherited one
    // first and copy what dest can take.
    virtual void AssignTo(TNamedObject& dest);

    const std::string& Name() const { return name_; }

private:
    std::string name_;
};

// The storage side that persistent objects and persistent collections share:
// the element name they are stored under as a child, whether they are stored,
// and the out-storage and template handling of Load and Save around their own
// LoadFrom and SaveTo.
class TPersistBase : public virtual IPersistObject2 {
public:
    // IPersistObject: reads "_outstorage" and "template", then LoadFrom. A null
    // storage loads nothing.
    void Load(const Ref<IHierStorage>& storage) override;
    // SaveTo into the node, or into the out-storage document (written to its
    // file, or compared with the template), then "template" and "_outstorage".
    // Nothing for a null storage.
    void Save(const Ref<IHierStorage>& storage) override;
    std::string GetNodeName() override { return nodeName_; }
    // SaveTo alone, without the out-storage handling; true.
    bool SaveContent(const Ref<IHierStorage>& storage) override;
    // IPersistObject2
    bool IsStored() override { return stored_; }
    void SetStored(bool stored) override { stored_ = stored; }

    // The values of the node itself.
    virtual void LoadFrom(const Ref<IHierStorage>& storage) = 0;
    virtual void SaveTo(const Ref<IHierStorage>& storage) = 0;

    const std::string& GetOutStorageSpec() const { return outStorageSpec_; }
    bool IsTemplate() const { return template_; }

protected:
    // The element name used when the object is stored as a child.
    void SetNodeName(std::string nodeName) { nodeName_ = std::move(nodeName); }
    // Copies the out-storage spec, the template flag, the stored flag and the
    // node name.
    void AssignPersistence(TPersistBase& dest) const;

private:
    std::string outStorageSpec_;
    bool template_ = false;
    bool stored_ = true;
    std::string nodeName_;
};

// Its values are declared in its class's property table (PropertyTable.h):
// LoadFrom, SaveTo and AssignTo run the table, so a subclass that declares
// its table overrides GetPropertyTable and only what the table cannot say
// (child elements, for instance).
class TPersistObject : public TNamedObject, public TPersistBase {
public:
    void Create() override;
    // The name, the persistence fields and every entry of this object's table
    // that dest's table shares.
    void AssignTo(TNamedObject& dest) override;
    void ClearContent() override {}

    // "name", then the table's keys (absent ones take their defaults).
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // "name" when not empty, "type" when the class is registered, then the
    // table's keys (TPropertyTable::Save).
    void SaveTo(const Ref<IHierStorage>& storage) override;

    // The table of the object's class; subclasses with a table of their own
    // answer it.
    virtual const TPropertyTable& GetPropertyTable() const { return Table(); }
    // The table of TPersistObject itself: no entries. Derived tables begin
    // with their base class's Table().
    static const TPropertyTable& Table();

    const std::string& GetTypeName() const { return typeName_; }

private:
    std::string typeName_;
};

class TPropertyObject : public TPersistObject, public virtual IPropertyObject {
public:
    // The property of that name in the class's table; Null for a name the
    // table lacks. A getter's exception passes through. Subclasses may answer
    // names the table cannot express first and pass the rest on.
    Variant GetProperty(const std::string& name) override;
    // Sets the property of that name in the class's table; a name the table
    // lacks, or a read-only one, is ignored. Never raises: a value that does
    // not convert leaves the property and is logged.
    void SetProperty(const std::string& name, const Variant& value) override;
    Variant GetPropertyDef(const std::string& name, const Variant& defaultValue) override;
};

// ---------------------------------------------------------------------------
// Creating, loading and saving objects through storage nodes. Every function
// accepts null references and answers null or false for them.

// The object of the class registered under className, named name when name is
// not empty; null when the class is not registered or is no named object.
Ref<INamedObject> CreateNamedObject(const std::string& className, const std::string& name);
bool LoadPersistObject(const Ref<IInterface>& object, const Ref<IHierStorage>& storage);
bool SavePersistObject(const Ref<IInterface>& object, const Ref<IHierStorage>& storage);
// Loads the object from the index-th child named childName (the object's own
// node name when empty); false when there is no such child.
bool LoadChildObject(const Ref<IInterface>& object, const Ref<IHierStorage>& storage,
                     const std::string& childName, int32_t index);
// Saves the object into a new child named childName (or its node name). An
// object that is not stored writes nothing and answers true; no name answers
// false.
bool SaveChildObject(const Ref<IInterface>& object, const Ref<IHierStorage>& storage,
                     const std::string& childName);
// A new cls loaded from the index-th child; null when absent or not loaded.
Ref<TAbstractObject> CreateChildObject(TAbstractClass cls, const Ref<IHierStorage>& storage,
                                       const std::string& childName, int32_t index);
// The object named by the node's "type" and "name", loaded from the node.
Ref<INamedObject> CreateObjectFromStorage(const Ref<IHierStorage>& storage);
Ref<INamedObject> CreateTypedChildObject(const Ref<IHierStorage>& storage,
                                         const std::string& childName, int32_t index);

// ---------------------------------------------------------------------------
// Typed values of a storage node. Readers answer the default for a null
// storage or an absent key; those of flags, numbers, colours and list entries
// also for an empty text and for a text that does not convert, which is
// logged (node path, key, text). Writers write only when write is true and
// the storage is not null (or while a template saves, see WritesAllValues).

std::string ReadString(const Ref<IHierStorage>& storage, const std::string& key,
                       const std::string& defaultValue);
// ReadString with every "%key%" translated, decoded from UTF-8 (bytes that
// are no UTF-8 are taken one per character).
WideString ReadTranslatedText(const Ref<IHierStorage>& storage, const std::string& key,
                              const std::string& defaultValue);
// Exactly "yes" or "no".
bool ReadBool(const Ref<IHierStorage>& storage, const std::string& key, bool defaultValue);
// Decimal with an optional sign, or hexadecimal after "$" ("$1F", "-$10").
int32_t ReadInteger(const Ref<IHierStorage>& storage, const std::string& key, int32_t defaultValue);
// "." as the decimal separator whatever the process locale ("," is also
// taken); infinities and NaN count as malformed.
double ReadFloat(const Ref<IHierStorage>& storage, const std::string& key, double defaultValue);
// As ReadInteger, decimal also up to 4294967295; "$AARRGGBB" is the form the
// writer uses.
uint32_t ReadColor(const Ref<IHierStorage>& storage, const std::string& key, uint32_t defaultValue);
// The index of the value among the entries of a "/"-list such as
// "/png/jpeg/jpng/unknown" (empty entries skipped, case counts).
int32_t ReadEnum(const Ref<IHierStorage>& storage, const std::string& key, std::string_view list,
                 int32_t defaultValue);

void WriteString(const Ref<IHierStorage>& storage, const std::string& key, const std::string& value,
                 bool write);
void WriteBool(const Ref<IHierStorage>& storage, const std::string& key, bool value, bool write);
void WriteInteger(const Ref<IHierStorage>& storage, const std::string& key, int32_t value,
                  bool write);
// General form, at most 15 significant digits, "." on every locale.
void WriteFloat(const Ref<IHierStorage>& storage, const std::string& key, double value, bool write);
// "$" and 8 upper-case hexadecimal digits.
void WriteColor(const Ref<IHierStorage>& storage, const std::string& key, uint32_t value,
                bool write);
// The list entry at index; nothing for an index outside the list.
void WriteEnum(const Ref<IHierStorage>& storage, const std::string& key, std::string_view list,
               int32_t index, bool write);

// ---------------------------------------------------------------------------
// Engine collections

// The base of the engine's collections: counted items, found by position or
// by name. Everyone may read (Items(), the safe walks); items join only
// through the subclass's typed operations, which pass the protected
// InsertItem, so an observer registered by the owner hears of every item that
// joins or leaves. While it removes items or walks them, the collection holds
// a reference to itself, so a callback that drops the last outside reference
// does not free it under its own feet.
class TCollection : public TAbstractObject, public virtual ICollection {
public:
    int32_t GetCount() override { return items_.GetCount(); }
    void Delete(const Variant& key) override;
    int32_t IndexOf(const std::string& name) override { return items_.IndexOf(name); }
    bool Exists(const std::string& name) override { return items_.Exists(name); }
    void Clear() override;

    const TInterfaceCollection& Items() const { return items_; }

    // Calls f(item) for each item, first to last, holding the collection and
    // the item while f runs; f may add and remove items, itself included.
    // When f answers bool, false ends the walk. See TCollectionCursor.
    template <class F>
    void ForEach(F&& f) {
        const Ref<TCollection> self(this);
        items_.ForEach(f);
    }
    // The same from the last item to the first.
    template <class F>
    void ForEachBackward(F&& f) {
        const Ref<TCollection> self(this);
        items_.ForEachBackward(f);
    }

protected:
    // Answers whether the item was kept (see TInterfaceCollection::Add).
    bool InsertItem(const Ref<IInterface>& item, bool autoName, std::string_view name,
                    int32_t position = -1) {
        return items_.Add(item, autoName, name, position);
    }
    // Puts item in place of the one at a position; false outside 0..Count-1.
    bool ReplaceItem(int32_t position, const Ref<IInterface>& item);
    // Items added under the empty name are all kept (see
    // TBaseCollection::SetEmptyNamesRepeat).
    void SetEmptyNamesRepeat(bool repeat) { items_.SetEmptyNamesRepeat(repeat); }
    // Reorders the items (TBaseCollection::Sort); nobody joins or leaves.
    void SortItems(const TBaseCollection::TSortCompare& compare) { items_.Sort(compare); }
    // The owner's observer of the items joining and leaving (null to stop).
    // The class that registers one calls CloseItems() in its own destructor;
    // otherwise a debug build stops when the collection goes.
    void SetMembershipObserver(IMembershipObserver* observer) { items_.SetObserver(observer); }
    // Removes every item, telling the observer, then forgets the observer.
    void CloseItems();

private:
    TInterfaceCollection items_;
};

// Loads and saves one child element (named by the item node name) per item,
// with the out-storage and template handling of TPersistBase. Reads and
// writes no "name" or "type" of its own.
class TPersistCollection : public TCollection, public TPersistBase {
public:
    void ClearContent() override { Clear(); }

    // One item from its element; nothing here.
    virtual void LoadItem(const Ref<IHierStorage>& node);
    // One item into its element; false (the element is removed again) here.
    virtual bool SaveItem(const Ref<IInterface>& item, const Ref<IHierStorage>& node);
    // Adds an item per child named by the item node name, in order; items
    // already present stay.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // Appends one child per item, in order; an item that declines (or a null
    // item) leaves no element.
    void SaveTo(const Ref<IHierStorage>& storage) override;

    const std::string& GetItemNodeName() const { return itemNodeName_; }

protected:
    void SetItemNodeName(std::string itemNodeName) { itemNodeName_ = std::move(itemNodeName); }

private:
    std::string itemNodeName_;
};

// Items made by CreateItem, loaded when persistent, and handed to AddItem.
class TPersistItemCollection : public TPersistCollection {
public:
    void LoadItem(const Ref<IHierStorage>& node) override;
    // Saves a persistent, stored item; false otherwise.
    bool SaveItem(const Ref<IInterface>& item, const Ref<IHierStorage>& node) override;

    // The item for an element; null (the element is skipped) here.
    virtual Ref<IInterface> CreateItem(const Ref<IHierStorage>& node);
    // Keeps a created item; nothing here. Concrete collections add it,
    // usually under its name.
    virtual void AddItem(const Ref<IInterface>& item);
};

// Every item is an instance of one class; the element's "type" is not read.
class TStaticCreationPersistItemCollection : public TPersistItemCollection {
public:
    Ref<IInterface> CreateItem(const Ref<IHierStorage>& node) override;
    TAbstractClass GetItemClass() const { return itemClass_; }

protected:
    void SetItemClass(TAbstractClass itemClass) { itemClass_ = itemClass; }

private:
    TAbstractClass itemClass_ = nullptr;
};

// Every item is created from its element's "type" (a registered class name)
// and named by its "name"; an element of an unregistered type is skipped.
class TTypedCreationPersistItemCollection : public TPersistItemCollection {
public:
    Ref<IInterface> CreateItem(const Ref<IHierStorage>& node) override;
};

// A collection of IItem objects kept under their own names: the typed lookup,
// add and walk that every such collection shares. ICollectionOf is the
// interface the concrete collection answers to (the Find and Add here
// implement it when it declares them); TBase is the engine collection it
// extends.
template <class IItem, class ICollectionOf = ICollection,
          class TBase = TStaticCreationPersistItemCollection>
class TTypedCollection : public TBase, public virtual ICollectionOf {
public:
    // By position (an integer key) or name (a text key); null when absent.
    Ref<IItem> Find(const Variant& key) { return Query<IItem>(this->Items().GetItem(key)); }
    // Appends under the item's own name; nothing for null, and a name already
    // present keeps the first item.
    void Add(const Ref<IItem>& item) { TryAdd(item); }
    // As Add, answering whether the item was kept.
    bool TryAdd(const Ref<IItem>& item) {
        return item && this->InsertItem(Ref<IInterface>(item), false, item->GetName());
    }
    // A created item goes in through Add; one that is no IItem is dropped.
    void AddItem(const Ref<IInterface>& item) { Add(Query<IItem>(item)); }

    // TCollection::ForEach over the items that are IItems.
    template <class F>
    void ForEachItem(F&& f) {
        this->ForEach([&f](const Ref<IInterface>& item) {
            const Ref<IItem> typed = Query<IItem>(item);
            if constexpr (std::is_same_v<std::invoke_result_t<F&, const Ref<IItem>&>, bool>) {
                return !typed || f(typed);
            } else {
                if (typed) f(typed);
            }
        });
    }
};
