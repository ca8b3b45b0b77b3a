// Group storage: a three-level store of named parameter sets. Groups hold
// item types, item types hold items, and each item is a named list of
// name=value parameters; everything is found by the three names. Adding an
// item makes the levels it needs on the way and merges the item's parameters
// into the one stored.
//
// Storage form, inside the node the store is loaded from and saved to:
//
//     <group name="g"><item_type name="t"><item name="a">
//         <param name="x" value="1"/>
//     </item></item_type></group>
//
// Every level writes its "name", also an empty one. Names compare without
// regard to case; a second entry under a present name is not added.
//
// Failures: lookups of absent names answer null at whichever level is
// missing; adding a null entry changes nothing (AddItem answers false).
#pragma once

#include <string>

#include "core/persist/EngineGeneralClasses.h"
#include "core/persist/Params.h"

// A named list of parameters.
class IItemCollection : public virtual IParamCollection {
public:
    virtual std::string GetName() = 0;
    virtual void SetName(const std::string& name) = 0;
};

class IItemTypeCollection : public virtual ICollection {
public:
    // By position (an integer key) or name; null when absent.
    virtual Ref<IItemCollection> GetItem(const Variant& key) = 0;
    // Appends under the item's name; nothing for null or a present name.
    virtual void AddItem(const Ref<IItemCollection>& item) = 0;
    virtual std::string GetName() = 0;
    virtual void SetName(const std::string& name) = 0;
};

class IGroupCollection : public virtual ICollection {
public:
    virtual Ref<IItemTypeCollection> GetItemType(const Variant& key) = 0;
    virtual void AddItemType(const Ref<IItemTypeCollection>& itemType) = 0;
    virtual std::string GetName() = 0;
    virtual void SetName(const std::string& name) = 0;
};

class IGroupsStorage : public virtual ICollection {
public:
    virtual Ref<IGroupCollection> GetGroup(const Variant& key) = 0;
    virtual void AddGroup(const Ref<IGroupCollection>& group) = 0;
    // The item of that name in that item type of that group; null when any
    // level is absent.
    virtual Ref<IItemCollection> GetItem(const std::string& group, const std::string& itemType,
                                         const std::string& item) = 0;
    virtual Ref<IItemTypeCollection> GetItemType(const std::string& group,
                                                 const std::string& itemType) = 0;
    // Sets every parameter of item, in order, on the stored item of its name
    // (replacing a value or appending the parameter), making the group, the
    // item type and the stored item when absent. Parameters the stored item
    // has and item lacks stay. False, and nothing changed, for a null item.
    virtual bool AddItem(const std::string& group, const std::string& itemType,
                         const Ref<IItemCollection>& item) = 0;
};

// Element "item" of "param" items, and its "name".
class TItemCollection : public TParamCollection, public virtual IItemCollection {
public:
    void Create() override;
    // The parameters, then "name" (the present name when absent).
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    std::string GetName() override { return name_; }
    void SetName(const std::string& name) override { name_ = name; }

private:
    std::string name_;
};

// Element "item_type" of "item" items, and its "name".
class TItemTypeCollection : public TTypedCollection<IItemCollection, IItemTypeCollection> {
public:
    void Create() override;
    // The items, then "name" (empty when absent).
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    using TTypedCollection::AddItem;
    Ref<IItemCollection> GetItem(const Variant& key) override { return Find(key); }
    void AddItem(const Ref<IItemCollection>& item) override { Add(item); }
    std::string GetName() override { return name_; }
    void SetName(const std::string& name) override { name_ = name; }

private:
    std::string name_;
};

// Element "group" of "item_type" items, and its "name".
class TGroupCollection : public TTypedCollection<IItemTypeCollection, IGroupCollection> {
public:
    void Create() override;
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    Ref<IItemTypeCollection> GetItemType(const Variant& key) override { return Find(key); }
    void AddItemType(const Ref<IItemTypeCollection>& itemType) override { Add(itemType); }
    std::string GetName() override { return name_; }
    void SetName(const std::string& name) override { name_ = name; }

private:
    std::string name_;
};

// The store: "group" items standing directly in the node it is given (it has
// no element of its own, so it is loaded and saved with LoadPersistObject and
// SavePersistObject on that node).
class TGroupsStorage : public TTypedCollection<IGroupCollection, IGroupsStorage> {
public:
    void Create() override;

    using TTypedCollection::AddItem;
    Ref<IGroupCollection> GetGroup(const Variant& key) override { return Find(key); }
    void AddGroup(const Ref<IGroupCollection>& group) override { Add(group); }
    Ref<IItemCollection> GetItem(const std::string& group, const std::string& itemType,
                                 const std::string& item) override;
    Ref<IItemTypeCollection> GetItemType(const std::string& group,
                                         const std::string& itemType) override;
    bool AddItem(const std::string& group, const std::string& itemType,
                 const Ref<IItemCollection>& item) override;
};
