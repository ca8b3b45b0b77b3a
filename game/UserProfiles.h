// User profiles: one player's named record of progress (an open set of named
// values and one free text), and the collection of every profile by name
// (ignoring case) with the current one. The collection is kept in the player
// file named by GetUsersFileName() ("users.dat", root "userprofiles",
// PlayerDataFile.h), read from the player data folder only:
//
//   userprofiles current_user_profile_name=N /
//     userprofile name=N / params / param name=K value=V
//                        / datastorage (text; only when not empty)
//
// Failures: nothing here raises for bad data except ICollection::Delete of
// an absent name. A missing or damaged file leaves the collection as it was
// (empty at start-up); Save answers false when the file cannot be written.
#pragma once

#include <string>

#include "core/persist/EngineGeneralClasses.h"
#include "core/persist/Params.h"
#include "engine/interfaces/EngineInterfaces.h"
#include "game/PlayerDataFile.h"

class IUserProfile : public virtual INamedObject {
public:
    virtual Ref<IParamCollection> GetParams() = 0;
    virtual std::string GetDataStorage() = 0;
    virtual void SetDataStorage(const std::string& text) = 0;
};

class IUserProfileCollection : public virtual ICollection {
public:
    // By position (an integer key) or name (a text key); null when absent.
    virtual Ref<IUserProfile> GetItem(const Variant& key) = 0;
    // Null when no profile is current.
    virtual Ref<IUserProfile> GetCurrent() = 0;
    // The profile of that name becomes current; none when no profile has it.
    virtual void SetCurrent(const std::string& name) = 0;
    // The profile of that name, appended with no values when there is none;
    // null (with a log line) for a new name that is not UTF-8 text, which
    // the profiles' file could not give back as it is.
    virtual Ref<IUserProfile> FindOrAdd(const std::string& name) = 0;
    // Reads the profiles' file from the player data folder into the
    // collection: profiles of the file merge into those of the same name.
    virtual TPlayerFileLoad Load(const Ref<IEngine>& engine) = 0;
    virtual bool Save(const Ref<IEngine>& engine) = 0;
};

// ---------------------------------------------------------------------------

class TUserProfile : public TPersistObject, public virtual IUserProfile {
public:
    void Create() override;

    Ref<IParamCollection> GetParams() override { return params_; }
    std::string GetDataStorage() override { return dataStorage_; }
    void SetDataStorage(const std::string& text) override { dataStorage_ = text; }

    // "name"; the values of the first "params" child, added to those held;
    // the text of the first "datastorage" child when there is one.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

private:
    Ref<IParamCollection> params_;
    std::string dataStorage_;
};

class TUserProfileCollection
    : public TTypedCollection<IUserProfile, IUserProfileCollection, TPersistItemCollection> {
public:
    void Create() override;

    // Removes the profile; the current one stays current unless it was the
    // one removed.
    void Delete(const Variant& key) override;
    // Removes every profile; none is current afterwards.
    void Clear() override;

    Ref<IUserProfile> GetItem(const Variant& key) override { return Find(key); }
    Ref<IUserProfile> GetCurrent() override { return current_; }
    void SetCurrent(const std::string& name) override;
    Ref<IUserProfile> FindOrAdd(const std::string& name) override;
    TPlayerFileLoad Load(const Ref<IEngine>& engine) override;
    bool Save(const Ref<IEngine>& engine) override;

    // Every "userprofile" element into the profile of its name (added when
    // new), then "current_user_profile_name" made current; none is current
    // when the file names none (a present empty name is the nameless
    // profile's).
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // One "userprofile" per profile, then the current profile's name.
    void SaveTo(const Ref<IHierStorage>& storage) override;
    Ref<IInterface> CreateItem(const Ref<IHierStorage>& node) override;
    // CreateItem has added the profile already.
    void AddItem(const Ref<IInterface>& item) override { (void)item; }

    static TPlayerFileFormat FileFormat();

private:
    Ref<IUserProfile> current_;
};
