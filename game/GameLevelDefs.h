// Level catalogues: a list of references, one per level, each with its level
// number, the file of its definition, a display name and further free
// properties, and the definitions they load. The game world derives its own
// definition class from TLevelDef and sets the default definition type.
//
//   levels
//     level level=N name= type= / properties / param name=filename value=...
//
// TLevelDef: a definition whose values are the parameters of its
// "properties" (element "level"). TLevelDefRef: one entry; its name is its
// "level" attribute, its number that text as a decimal integer, and
// "DisplayName", "filename", "minigame" and the rest are its parameters.
// A loaded definition also takes every parameter of its entry, which wins
// over the file's value of the same name.
//
// Failures: an entry whose "level" is no decimal integer is skipped with a
// "GAME" line and the rest of the catalogue loads. A definition file that
// cannot be read, whose type is not registered or is no level definition,
// gives no definition. Lookups of a level without an entry answer nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/base/Units.h"
#include "core/persist/EngineGeneralClasses.h"
#include "core/persist/Params.h"

class ILevelDef : public virtual IParamsPropertyObject {
public:
    // Every parameter of source, in order, set in the definition's own
    // (names present are overwritten, others kept).
    virtual void AssignParams(const Ref<IParamsPropertyObject>& source) = 0;
};

class ILevelDefRef : public virtual IParamsPropertyObject {
public:
    virtual int32_t GetLevel() = 0;
    // "filename"; empty when absent.
    virtual std::string GetFileName() = 0;
    // "DisplayName"; empty when absent.
    virtual std::string GetDisplayName() = 0;
    // The definition of "filename", made from its root's "type" (the default
    // type when absent) with the entry's parameters over it; null when any
    // step fails.
    virtual Ref<ILevelDef> LoadLevelDef() = 0;
};

class ILevelDefRefCollection : public virtual ICollection {
public:
    // By position (an integer key) or name (a text key); null when absent.
    virtual Ref<ILevelDefRef> GetItem(const Variant& key) = 0;
    // Appended under its name; nothing for null or a name present.
    virtual void Add(const Ref<ILevelDefRef>& entry) = 0;
    // The entry named by the level's decimal text; null when absent.
    virtual Ref<ILevelDefRef> GetByLevel(int32_t level) = 0;
    // Null when the level has no entry or its definition does not load.
    virtual Ref<ILevelDef> LoadLevelDef(int32_t level) = 0;
    // Nothing when the level has no entry.
    virtual std::optional<std::string> GetDisplayName(int32_t level) = 0;
    // The level of the first entry whose "minigame" (empty when absent)
    // equals name; -1 when none does.
    virtual int32_t FindMinigameLevel(const std::string& name) = 0;
};

class TLevelDef : public TParamsPropertyObject, public virtual ILevelDef {
public:
    // Element "level".
    void Create() override;
    void AssignParams(const Ref<IParamsPropertyObject>& source) override;
};

class TLevelDefRef : public TParamsPropertyObject, public virtual ILevelDefRef {
public:
    // The name and the parameters, then "level": the entry's name and, as a
    // decimal integer, its number. A "level" that is no such integer raises
    // an Exception.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // As loaded, "level" always written.
    void SaveTo(const Ref<IHierStorage>& storage) override;

    int32_t GetLevel() override { return level_; }
    void SetLevel(int32_t level) { level_ = level; }
    std::string GetFileName() override;
    std::string GetDisplayName() override;
    Ref<ILevelDef> LoadLevelDef() override;

private:
    int32_t level_ = 0;
};

class TLevelDefRefCollection : public TTypedCollection<ILevelDefRef, ILevelDefRefCollection> {
public:
    // Element "levels", items "level" of TLevelDefRef.
    void Create() override;
    // An entry that does not load is skipped with a "GAME" line.
    void LoadItem(const Ref<IHierStorage>& node) override;

    Ref<ILevelDefRef> GetItem(const Variant& key) override { return Find(key); }
    Ref<ILevelDefRef> GetByLevel(int32_t level) override;
    Ref<ILevelDef> LoadLevelDef(int32_t level) override;
    std::optional<std::string> GetDisplayName(int32_t level) override;
    int32_t FindMinigameLevel(const std::string& name) override;
};

// The registered class a definition file without "type" is made of; empty
// until the game world sets it.
const std::string& GetDefaultLevelDefType();
void SetDefaultLevelDefType(std::string type);

// Registers nothing; its finalisation forgets the default definition type.
extern const TUnit kLevelDefsUnit;
