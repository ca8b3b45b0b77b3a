// The game definition's resource list files ("resourcefiles"): each entry
// names a resource list file, the group its resources are registered under
// (the entry's name) and when it loads (Init or the start-up after the logo
// screens).
//
//   resourcefiles / resourcefile name=GROUP filename=FILE loadmode=synch|asynch
//
// Failures: an entry without "loadmode", or with a value other than "synch"
// and "asynch", loads asynch (a value that names neither is logged).
#pragma once

#include <cstdint>
#include <string>

#include "core/persist/EngineGeneralClasses.h"
#include "game/GameShellInterfaces.h"

// Registered as "ResourceFile".
class TResourceFile : public TPersistObject, public virtual IResourceFile {
public:
    // Element name "resourcefile".
    void Create() override;

    std::string GetFileName() override { return fileName_; }
    void SetFileName(const std::string& fileName) override { fileName_ = fileName; }
    uint8_t GetLoadMode() override { return loadMode_; }
    void SetLoadMode(uint8_t mode) override { loadMode_ = mode; }

    // "filename" and "loadmode", both always written.
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

private:
    std::string fileName_;
    uint8_t loadMode_ = kResourceFileAsynch;
};

// Every item a TResourceFile, kept in the order of the document.
class TResourceFileCollection : public TTypedCollection<IResourceFile, IResourceFileCollection> {
public:
    // Element name "resourcefiles", item element "resourcefile".
    void Create() override;

    Ref<IResourceFile> GetItem(const Variant& key) override { return Find(key); }
};
