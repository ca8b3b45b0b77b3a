#include "game/UserProfiles.h"

#include "core/base/Log.h"
#include "game/GameConfig.h"

// ---------------------------------------------------------------------------
// TUserProfile

void TUserProfile::Create() {
    TPersistObject::Create();
    SetNodeName("userprofile");
    params_ = Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

void TUserProfile::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistObject::LoadFrom(storage);
    LoadChildObject(params_, storage, "params", 0);
    if (storage && storage->GetChildCount("datastorage") > 0) {
        const Variant text = storage->GetChildText("datastorage");
        dataStorage_ = text.IsUnassigned() ? std::string() : text.ToString();
    }
}

void TUserProfile::SaveTo(const Ref<IHierStorage>& storage) {
    TPersistObject::SaveTo(storage);
    SaveChildObject(params_, storage, "params");
    if (!dataStorage_.empty()) storage->SetChildText("datastorage", Variant(dataStorage_));
}

// ---------------------------------------------------------------------------
// TUserProfileCollection

void TUserProfileCollection::Create() {
    TPersistItemCollection::Create();
    SetNodeName("userprofiles");
    SetItemNodeName("userprofile");
}

void TUserProfileCollection::Delete(const Variant& key) {
    TPersistItemCollection::Delete(key);
    if (current_) SetCurrent(current_->GetName());
}

void TUserProfileCollection::Clear() {
    TPersistItemCollection::Clear();
    current_ = nullptr;
}

void TUserProfileCollection::SetCurrent(const std::string& name) {
    current_ = GetItem(Variant(name));
}

Ref<IUserProfile> TUserProfileCollection::FindOrAdd(const std::string& name) {
    if (Ref<IUserProfile> profile = GetItem(Variant(name))) return profile;
    if (!IsStorableText(name)) {
        Log(kPlayerLogModule, "No profile is made for a name that is not UTF-8 text");
        return nullptr;
    }
    Ref<IUserProfile> profile = Query<IUserProfile>(CreateAbstractObject(ClassOf<TUserProfile>()));
    profile->SetName(name);
    Add(profile);
    return profile;
}

Ref<IInterface> TUserProfileCollection::CreateItem(const Ref<IHierStorage>& node) {
    return FindOrAdd(ReadString(node, "name", ""));
}

void TUserProfileCollection::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistItemCollection::LoadFrom(storage);
    // No current name is no current profile, not the nameless one: SaveTo
    // writes the name (empty too) exactly when a profile is current.
    current_ = nullptr;
    if (!storage) return;
    for (int32_t i = 0; i < storage->GetValueCount(); ++i) {
        if (storage->GetValueName(i) == "current_user_profile_name") {
            SetCurrent(storage->GetValueAt(i, Variant("")).ToString());
            return;
        }
    }
}

void TUserProfileCollection::SaveTo(const Ref<IHierStorage>& storage) {
    TPersistItemCollection::SaveTo(storage);
    if (current_) storage->SetValue("current_user_profile_name", Variant(current_->GetName()));
}

TPlayerFileFormat TUserProfileCollection::FileFormat() {
    return {GetUsersFileName(), "userprofiles", GetUsersFileKey()};
}

TPlayerFileLoad TUserProfileCollection::Load(const Ref<IEngine>& engine) {
    if (!engine) return TPlayerFileLoad::kMissing;
    const TPlayerFileFormat format = FileFormat();
    return LoadPlayerFile(engine->GetUserDir() + format.fileName, format, true, *this);
}

bool TUserProfileCollection::Save(const Ref<IEngine>& engine) {
    return SavePlayerFile(engine, FileFormat(), Ref<IPersistObject>(this));
}
