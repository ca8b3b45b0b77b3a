#include "engine/resources/EngineResources.h"

#include "core/object/GeneralClasses.h"
#include "engine/resources/EngineImages.h"

// ---------------------------------------------------------------------------
// TResource

void TResource::Create() {
    TPersistObject::Create();
    SetNodeName("resource");
}

void TResource::Load() {
    needsLoad_ = false;
}

void TResource::Unload() {
    needsLoad_ = true;
}

void TResource::SetOwner(const Ref<IResourceOwner>& owner) {
    owner_ = owner;
    if (!needsLoad_) Load();
}

void TResource::Detach() {
    Unload();
    owner_ = nullptr;
}

const TPropertyTable& TResource::Table() {
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<TResource>(TPersistObject::Table())
            .Field("file", &TResource::file_).SaveAlways()
            .Field("loadbydemand", &TResource::needsLoad_, false)
            .Build();
    // clang-format on
    return table;
}

// ---------------------------------------------------------------------------
// TResourceCollection

Ref<IResource> TResourceCollection::Find(const Variant& key) {
    return Query<IResource>(Items().GetItem(key));
}

void TResourceCollection::Add(const Ref<IResource>& resource) {
    if (!resource) return;
    const std::string name = resource->GetName();
    if (Items().Add(resource, false, name)) return;
    // Refused: another resource holds the name (ASCII case ignored). Unless it
    // is this very one, the newcomer gives back what it loaded now.
    Ref<IInterface> present = Items().GetItemByName(name);
    if (present == resource) return;
    if (Ref<IResourceSlave> slave = Query<IResourceSlave>(resource)) slave->Detach();
}

void TResourceCollection::RemoveGroup(const std::string& groupName) {
    for (int32_t i = GetCount() - 1; i >= 0; --i) {
        if (i >= GetCount()) continue;  // a Detach may have shrunk the collection
        Ref<IResource> resource = Query<IResource>(Items().GetItemAt(i));
        if (!resource) continue;
        if (!groupName.empty() && resource->GetGroupName() != groupName) continue;
        if (Ref<IResourceSlave> slave = Query<IResourceSlave>(resource)) slave->Detach();
        if (i < GetCount() && Items().GetItemAt(i) == resource) Items().Delete(Variant(i));
    }
}

void TResourceCollection::AddItem(const Ref<IInterface>& item) {
    Add(Query<IResource>(item));
}

void TResourceCollection::SaveTo(const Ref<IHierStorage>& storage) {
    if (!storage) return;
    if (!GetItemNodeName().empty()) {
        TTypedCreationPersistItemCollection::SaveTo(storage);
        return;
    }
    // No item element name: each item goes into an element of its own node
    // name (an element without a name cannot be written).
    const int32_t count = GetCount();
    for (int32_t i = 0; i < count; ++i) {
        Ref<IPersistObject> item = Query<IPersistObject>(Items().GetItemAt(i));
        if (!item || item->GetNodeName().empty()) continue;
        Ref<IHierStorage> child = storage->AddChild(item->GetNodeName());
        if (child && !SaveItem(item, child)) storage->RemoveChild(child);
    }
}

// ---------------------------------------------------------------------------
// TGroupResource

void TGroupResource::Create() {
    TResource::Create();
    members_ = CreateObject<TResourceCollection>();
}

void TGroupResource::LoadFrom(const Ref<IHierStorage>& storage) {
    TResource::LoadFrom(storage);
    LoadChildObject(Ref<IPersistObject>(members_), storage, "resources", 0);
}

void TGroupResource::SaveTo(const Ref<IHierStorage>& storage) {
    SaveChildObject(Ref<IPersistObject>(members_), storage, "resources");
    TResource::SaveTo(storage);
}

void TGroupResource::SetOwner(const Ref<IResourceOwner>& owner) {
    KeepOwner(owner);
    Ref<TResourceCollection> members = members_;  // a member may detach the group
    for (int32_t i = 0; i < members->GetCount(); ++i) {
        if (auto slave = Query<IResourceSlave>(members->Items().GetItemAt(i))) {
            slave->SetOwner(owner);
        }
    }
}

void TGroupResource::Load() {
    TResource::Load();
    Ref<TResourceCollection> members = members_;
    for (int32_t i = 0; i < members->GetCount(); ++i) {
        if (auto resource = Query<IResource>(members->Items().GetItemAt(i))) resource->Load();
    }
}

void TGroupResource::Unload() {
    TResource::Unload();
    Ref<TResourceCollection> members = members_;
    for (int32_t i = 0; i < members->GetCount(); ++i) {
        if (auto resource = Query<IResource>(members->Items().GetItemAt(i))) resource->Unload();
    }
}

void TGroupResource::Detach() {
    Ref<TResourceCollection> members = members_;
    for (int32_t i = 0; i < members->GetCount(); ++i) {
        if (auto slave = Query<IResourceSlave>(members->Items().GetItemAt(i))) slave->Detach();
    }
    KeepOwner(nullptr);
    // A fresh, empty collection rather than none, so later calls stay safe.
    members_ = CreateObject<TResourceCollection>();
}

// ---------------------------------------------------------------------------

Ref<IResourceSlave> CreateResourceByType(const std::string& className, const std::string& name) {
    Ref<IResourceSlave> resource = Query<IResourceSlave>(CreateObjectByName(className));
    if (resource && !name.empty()) resource->SetName(name);
    return resource;
}

void RegisterResourceClasses() {
    RegisterObjectClass(ClassOf<TImageResource>(), "ImageResource");
    RegisterObjectClass(ClassOf<TFontResource>(), "FontResource");
    RegisterObjectClass(ClassOf<TFontSubstituteResource>(), "FontSubstituteResource");
}
