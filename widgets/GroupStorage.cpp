#include "widgets/GroupStorage.h"

// ---------------------------------------------------------------------------
// TItemCollection

void TItemCollection::Create() {
    TParamCollection::Create();
    SetNodeName("item");
}

void TItemCollection::LoadFrom(const Ref<IHierStorage>& storage) {
    TParamCollection::LoadFrom(storage);
    name_ = ReadString(storage, "name", name_);
}

void TItemCollection::SaveTo(const Ref<IHierStorage>& storage) {
    TParamCollection::SaveTo(storage);
    WriteString(storage, "name", name_, true);
}

// ---------------------------------------------------------------------------
// TItemTypeCollection

void TItemTypeCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("item_type");
    SetItemNodeName("item");
    SetItemClass(ClassOf<TItemCollection>());
}

void TItemTypeCollection::LoadFrom(const Ref<IHierStorage>& storage) {
    TTypedCollection::LoadFrom(storage);
    name_ = ReadString(storage, "name", "");
}

void TItemTypeCollection::SaveTo(const Ref<IHierStorage>& storage) {
    TTypedCollection::SaveTo(storage);
    WriteString(storage, "name", name_, true);
}

// ---------------------------------------------------------------------------
// TGroupCollection

void TGroupCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("group");
    SetItemNodeName("item_type");
    SetItemClass(ClassOf<TItemTypeCollection>());
}

void TGroupCollection::LoadFrom(const Ref<IHierStorage>& storage) {
    TTypedCollection::LoadFrom(storage);
    name_ = ReadString(storage, "name", "");
}

void TGroupCollection::SaveTo(const Ref<IHierStorage>& storage) {
    TTypedCollection::SaveTo(storage);
    WriteString(storage, "name", name_, true);
}

// ---------------------------------------------------------------------------
// TGroupsStorage

void TGroupsStorage::Create() {
    TTypedCollection::Create();
    SetNodeName("");
    SetItemNodeName("group");
    SetItemClass(ClassOf<TGroupCollection>());
}

Ref<IItemTypeCollection> TGroupsStorage::GetItemType(const std::string& group,
                                                     const std::string& itemType) {
    const Ref<IGroupCollection> found = GetGroup(Variant(group));
    return found ? found->GetItemType(Variant(itemType)) : nullptr;
}

Ref<IItemCollection> TGroupsStorage::GetItem(const std::string& group, const std::string& itemType,
                                             const std::string& item) {
    const Ref<IItemTypeCollection> type = GetItemType(group, itemType);
    return type ? type->GetItem(Variant(item)) : nullptr;
}

bool TGroupsStorage::AddItem(const std::string& group, const std::string& itemType,
                             const Ref<IItemCollection>& item) {
    if (!item) return false;
    Ref<IGroupCollection> groupFound = GetGroup(Variant(group));
    if (!groupFound) {
        groupFound = CreateObject<TGroupCollection>();
        groupFound->SetName(group);
        AddGroup(groupFound);
    }
    Ref<IItemTypeCollection> typeFound = groupFound->GetItemType(Variant(itemType));
    if (!typeFound) {
        typeFound = CreateObject<TItemTypeCollection>();
        typeFound->SetName(itemType);
        groupFound->AddItemType(typeFound);
    }
    const std::string name = item->GetName();
    Ref<IItemCollection> stored = typeFound->GetItem(Variant(name));
    if (!stored) {
        stored = CreateObject<TItemCollection>();
        stored->SetName(name);
        typeFound->AddItem(stored);
    }
    const int32_t count = item->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        if (const Ref<IParam> param = item->GetParam(Variant(i))) {
            stored->SetValue(param->GetName(), param->GetValue());
        }
    }
    return true;
}
