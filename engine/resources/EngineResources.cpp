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

void TResourceCollection::Add(const Ref<IResource>& resource) {
    if (!resource || TryAdd(resource)) return;
    // Refused: another resource holds the name (ASCII case ignored). Unless it
    // is this very one, the newcomer gives back what it loaded now.
    Ref<IInterface> present = Items().GetItemByName(resource->GetName());
    if (present == resource) return;
    if (Ref<IResourceSlave> slave = Query<IResourceSlave>(resource)) slave->Detach();
}

void TResourceCollection::RemoveGroup(const std::string& groupName) {
    const Ref<TResourceCollection> self(this);
    for (TCollectionCursor cursor(Items(), true); cursor.Next();) {
        Ref<IResource> resource = Query<IResource>(Items().GetItemAt(cursor.Position()));
        if (!resource) continue;
        if (!groupName.empty() && resource->GetGroupName() != groupName) continue;
        if (Ref<IResourceSlave> slave = Query<IResourceSlave>(resource)) slave->Detach();
        // The cursor follows the resource if a Detach moved it, and says -1
        // if a Detach removed it already.
        if (cursor.Position() >= 0) Delete(Variant(cursor.Position()));
    }
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
    // The walk holds the members collection: a member may detach the group.
    members_->ForEachItem([&owner](const Ref<IResource>& resource) {
        if (auto slave = Query<IResourceSlave>(resource)) slave->SetOwner(owner);
    });
}

void TGroupResource::Load() {
    TResource::Load();
    members_->ForEachItem([](const Ref<IResource>& resource) { resource->Load(); });
}

void TGroupResource::Unload() {
    TResource::Unload();
    members_->ForEachItem([](const Ref<IResource>& resource) { resource->Unload(); });
}

void TGroupResource::Detach() {
    members_->ForEachItem([](const Ref<IResource>& resource) {
        if (auto slave = Query<IResourceSlave>(resource)) slave->Detach();
    });
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
