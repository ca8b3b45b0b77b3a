// Named media resources (images, fonts, sounds, music), the collection the
// engine keeps them in, and the group resource whose members load together.
//
// A resource is created by its registered class name from a resource list
// entry, loaded from that entry's element, given the group name of the list
// load and then its owner (the engine), at which point it loads its data
// unless "loadbydemand" is "yes". Removing a group detaches (unloads) every
// resource of it and drops it from the collection.
//
// Failures: nothing here raises for missing or unusable data. A resource whose
// file cannot be read is still registered and simply has no data; an unknown
// type gives no resource; a name already present in a collection is refused
// and the first resource stays.
#pragma once

#include <string>

#include "core/base/Units.h"
#include "core/persist/EngineGeneralClasses.h"
#include "engine/interfaces/EngineInterfaces.h"

// The base of every resource: a name, a file, the group it was loaded under
// and the owner that opens its files.
class TResource : public TPersistObject, public virtual IResourceSlave {
public:
    void Create() override;

    // IResource
    std::string GetFileName() override { return file_; }
    std::string GetGroupName() override { return groupName_; }
    void SetGroupName(const std::string& groupName) override { groupName_ = groupName; }
    // Loading the data and loading the values from storage share the name.
    using TPersistObject::Load;
    // Clears the needs-load flag; overrides call it first, then load.
    void Load() override;
    // Sets the needs-load flag; overrides free their data and call it.
    void Unload() override;
    bool IsAvailable() override { return true; }

    // IResourceSlave: keeps the owner, then loads unless the needs-load flag
    // is set.
    void SetOwner(const Ref<IResourceOwner>& owner) override;
    // Unloads, then drops the owner.
    void Detach() override;

    // "file" (always written) and "loadbydemand" (default "no", written
    // when set), which is the needs-load flag.
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // Set: the data is not loaded and must be loaded before use.
    bool NeedsLoad() const { return needsLoad_; }
    const std::string& FileName() const { return file_; }
    void SetFileName(const std::string& file) { file_ = file; }
    // The owner; null once it has gone. The link holds no count: the owner
    // keeps its resources, never the other way round.
    IResourceOwner* Owner() const { return owner_.Get(); }

protected:
    void SetNeedsLoad(bool needsLoad) { needsLoad_ = needsLoad; }
    // Keeps the owner without loading (groups attach their members instead).
    void KeepOwner(const Ref<IResourceOwner>& owner) { owner_ = owner; }

private:
    std::string groupName_;  // never stored
    std::string file_;
    Weak<IResourceOwner> owner_;
    bool needsLoad_ = false;
};

// Resources in order, found by index or by name (ASCII case ignored). Items
// read from storage are created from their "type" and "name".
class TResourceCollection
    : public TTypedCollection<IResource, IResourceCollection, TTypedCreationPersistItemCollection> {
public:
    // Appends under the resource's own name. A resource refused because the
    // name is taken by another one is detached, so whatever it loaded is
    // freed at once rather than left attached to the owner.
    void Add(const Ref<IResource>& resource) override;
    // From the last resource to the first: every resource of the group (every
    // one for ""), compared exactly, is detached and deleted.
    void RemoveGroup(const std::string& groupName) override;

    // Without an item element name (the default) each resource is written
    // into an element of its own node name ("resource").
    void SaveTo(const Ref<IHierStorage>& storage) override;
};

// A resource made of member resources (the base of the random-choice sound
// and music groups). Members come from the child element "resources", each
// created from its own "type"; they are not entered into the engine's
// collection and have no group name.
class TGroupResource : public TResource {
public:
    void Create() override;

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    // Keeps the owner (the group loads nothing itself), then attaches every
    // member in order, each loading unless its own "loadbydemand" is set.
    void SetOwner(const Ref<IResourceOwner>& owner) override;
    using TResource::Load;
    void Load() override;
    void Unload() override;
    // Detaches every member, then drops the owner and the members.
    void Detach() override;

    // Never null.
    const Ref<TResourceCollection>& Members() const { return members_; }

private:
    Ref<TResourceCollection> members_;
};

// The resource of the class registered under className, named name when name
// is not empty; null when the class is not registered or is no resource.
Ref<IResourceSlave> CreateResourceByType(const std::string& className, const std::string& name);

// Registers "ImageResource", "FontResource" and "FontSubstituteResource", in
// this order. The sound and music names are registered by the audio unit,
// which runs before this one.
void RegisterResourceClasses();

// The unit entry of RegisterResourceClasses (nothing to finalise: the class
// registry goes as a whole).
inline constexpr TUnit kResourcesUnit = {"EngineResources", RegisterResourceClasses, nullptr};
