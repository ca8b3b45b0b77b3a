// Level definitions and the level catalogue.
//
// A level definition ("QuillmarchLevelDef") is a small read-only document:
// the level's title ("LevelName"), its settings as one parameter string
// ("extraparams": rows, cols, errors, hints, cup_time...), a "properties"
// list and its picture as "rows" of "row" elements, each with "name" and
// "cells" (one hexadecimal digit per cell). A catalogue ("levels" of "level"
// entries, "QuillmarchLevelDefRef") names each level's file under its key and
// carries settings that are copied into the definition when it is loaded.
//
//   <level name="12" LevelName="Crane" extraparams="rows=10\cols=10\errors=3">
//     <rows><row name="r0" cells="0110011100"/>...</rows>
//   </level>
//
// A definition answers its settings by name from "extraparams" only (and
// "LevelName" from its title); the "properties" values, the catalogue's among
// them, are reached through GetParams.
//
// Failures: nothing here raises. A level file that cannot be read, a "type"
// no class is registered under, or an object that is no level definition
// gives a null definition and one "LEVEL" log line; a class that is no level
// definition is never loaded. The picture is checked by its reader (the
// board), not here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/persist/EngineGeneralClasses.h"
#include "core/persist/Params.h"
#include "game/GameLevelDefs.h"

class IWidget;
class IUserProfile;

class ILevelDefRow : public virtual INamedObject {
public:
    virtual std::string GetCells() = 0;
};

class ILevelDefRowCollection : public virtual ICollection {
public:
    // By position from 0 (an integer key) or name (a text key); null when
    // absent.
    virtual Ref<ILevelDefRow> GetItem(const Variant& key) = 0;
    // Appends under the row's name.
    virtual void Add(const Ref<ILevelDefRow>& row) = 0;
};

class IQuillmarchLevelDef : public virtual IParamsPropertyObject {
public:
    // The definition's name read as a decimal integer; 0 when it is none.
    virtual int32_t GetLevelNumber() = 0;
    virtual Ref<ILevelDefRowCollection> GetRows() = 0;
    // Every parameter of source, in its order, set among the definition's
    // own parameters (same names overwritten, others kept).
    virtual void AssignParams(const Ref<IParamsPropertyObject>& source) = 0;
};

class IQuillmarchLevelDefRef : public virtual IParamsPropertyObject {
public:
    // The level key: the entry's name.
    virtual std::string GetLevel() = 0;
    // The parameters "filename", "DisplayName" and "level_type"; empty when
    // absent.
    virtual std::string GetFileName() = 0;
    virtual std::string GetDisplayName() = 0;
    virtual std::string GetLevelType() = 0;
    // The definition read afresh from the entry's file, with the entry's
    // parameters copied into it; null when it cannot be loaded.
    virtual Ref<IQuillmarchLevelDef> LoadLevelDef() = 0;
};

class IQuillmarchLevelDefRefCollection : public virtual ICollection {
public:
    // By position or key; null when absent.
    virtual Ref<IQuillmarchLevelDefRef> GetItem(const Variant& key) = 0;
    virtual void Add(const Ref<IQuillmarchLevelDefRef>& entry) = 0;
    // The entry of that level key; null when absent.
    virtual Ref<IQuillmarchLevelDefRef> GetItemByName(const std::string& name) = 0;
};

// Node "row": "name" and "cells".
class TLevelDefRow : public TPersistObject, public virtual ILevelDefRow {
public:
    void Create() override;
    std::string GetCells() override { return cells_; }
    void SetCells(std::string cells) { cells_ = std::move(cells); }

    // "cells" is display text: "%key%" is translated and UTF-8 decoded; a
    // character beyond one byte is kept as "?", so it can never read as a
    // digit.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

private:
    std::string cells_;
};

// Node "rows", items "row" in file order. The picture is read by position,
// so every row is kept whatever its name: a row whose name is taken (or
// empty) joins under a name of the collection's own, and a lookup by that
// name finds the first row that has it.
class TLevelDefRowCollection : public TTypedCollection<ILevelDefRow, ILevelDefRowCollection> {
public:
    void Create() override;
    Ref<ILevelDefRow> GetItem(const Variant& key) override { return Find(key); }
    void Add(const Ref<ILevelDefRow>& row) override;
};

// Registered as "QuillmarchLevelDef"; a level definition of the game shell
// too (TLevelDef), so the shell's catalogues make it by default.
class TQuillmarchLevelDef : public TLevelDef, public virtual IQuillmarchLevelDef {
public:
    void Create() override;
    // The parameters, the first "rows" child, "LevelName", then
    // "extraparams" (a non-empty text replaces the extra parameters).
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // "LevelName", else the extra parameter of that name; "" when absent.
    Variant GetProperty(const std::string& name) override;

    int32_t GetLevelNumber() override;
    Ref<ILevelDefRowCollection> GetRows() override { return rows_; }
    void AssignParams(const Ref<IParamsPropertyObject>& source) override;

    const std::string& GetLevelName() const { return levelName_; }
    const Ref<IParamCollection>& GetExtraParams() const { return extraParams_; }

private:
    std::string levelName_;
    Ref<ILevelDefRowCollection> rows_;
    Ref<IParamCollection> extraParams_;
};

// Registered as "QuillmarchLevelDefRef". Its name and level key are the
// "level" attribute.
class TQuillmarchLevelDefRef : public TParamsPropertyObject, public virtual IQuillmarchLevelDefRef {
public:
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    std::string GetLevel() override { return GetName(); }
    std::string GetFileName() override { return Text("filename"); }
    std::string GetDisplayName() override { return Text("DisplayName"); }
    std::string GetLevelType() override { return Text("level_type"); }
    Ref<IQuillmarchLevelDef> LoadLevelDef() override;

private:
    std::string Text(const std::string& name);
};

// Node "levels", items "level", indexed by key, in file order. Screens find
// levels by key, so a key given twice keeps its first entry; the second is
// dropped with a "LEVEL" log line.
class TQuillmarchLevelDefRefCollection
    : public TTypedCollection<IQuillmarchLevelDefRef, IQuillmarchLevelDefRefCollection> {
public:
    void Create() override;
    Ref<IQuillmarchLevelDefRef> GetItem(const Variant& key) override { return Find(key); }
    void Add(const Ref<IQuillmarchLevelDefRef>& entry) override;
    Ref<IQuillmarchLevelDefRef> GetItemByName(const std::string& name) override {
        return Find(Variant(name));
    }
};

// Shows a location's picture, its current layer and the magic items bought
// in the group "../locations" of widget, through the painter the game world
// sets; without one it shows nothing.
void ShowLocationLayers(const Ref<IWidget>& widget, const Ref<IUserProfile>& profile,
                        const std::string& locationName);
using TLocationLayersPainter = std::function<void(
    const Ref<IWidget>& widget, const Ref<IUserProfile>& profile, const std::string& location)>;
// The game world's units set it at start-up and clear it (empty) when they
// end.
void SetLocationLayersPainter(TLocationLayersPainter painter);

// Registers "QuillmarchLevelDef" and "QuillmarchLevelDefRef", and makes
// "QuillmarchLevelDef" the shell's default level definition type.
void RegisterLevelDefClasses();
