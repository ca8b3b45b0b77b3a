// The level-record store: per named table, one record per level number, each
// an open set of named values that whoever records a level writes as it
// wishes (the store compares nothing). The tables come from the definition
// text (GameConfig.h, GetLevelRecordsDefinition):
//
//   \level_record_table={name=T}...
//
// and are kept in the player file "records.dat" (root "highscores",
// PlayerDataFile.h):
//
//   highscores / levelrecordtables / levelrecordtable name=T / levelrecords /
//     levelrecord name=<level> / params / param name=N value=V
//
// Tables, records and values are found by name ignoring case. Loading fills
// only the tables the definition made; a record already in a table keeps its
// values.
//
// Failures: nothing here raises for bad data; a table that does not exist
// gives null. Loading and saving fail as PlayerDataFile.h says; Save answers
// false then.
#pragma once

#include <cstdint>
#include <string>

#include "core/persist/EngineGeneralClasses.h"
#include "core/persist/Params.h"
#include "engine/interfaces/EngineInterfaces.h"
#include "game/PlayerDataFile.h"

class ILevelRecord : public virtual INamedObject {
public:
    // The value Name := the decimal text of Value.
    virtual void SetInt(const std::string& name, int32_t value) = 0;
    virtual void SetString(const std::string& name, const std::string& value) = 0;
    // The value's text as a decimal integer, defaultValue when it is none.
    // When the record lacks Name: defaultValue, stored first when
    // storeDefault is set.
    virtual int32_t GetInt(const std::string& name, int32_t defaultValue, bool storeDefault) = 0;
    virtual std::string GetString(const std::string& name, const std::string& defaultValue,
                                  bool storeDefault) = 0;
    // The record's name as a decimal integer; -1 when it is none.
    virtual int32_t GetLevel() = 0;
    virtual Ref<IParamCollection> GetParams() = 0;
};

class ILevelRecordCollection : public virtual ICollection {
public:
    virtual Ref<ILevelRecord> GetItem(const Variant& key) = 0;
    // Appends under the record's name; a name already present adds nothing.
    virtual void Add(const Ref<ILevelRecord>& record) = 0;
};

class ILevelRecordTable : public virtual INamedObject {
public:
    // The record of that level; null when absent.
    virtual Ref<ILevelRecord> GetRecord(int32_t level) = 0;
    // The record of that level, appended when absent; then every named value
    // of values (null for none) set into it, replacing earlier ones.
    virtual Ref<ILevelRecord> FindOrAddRecord(int32_t level,
                                              const Ref<IParamCollection>& values) = 0;
};

class ILevelRecordTableCollection : public virtual ICollection {
public:
    virtual Ref<ILevelRecordTable> GetItem(const Variant& key) = 0;
    virtual void Add(const Ref<ILevelRecordTable>& table) = 0;
};

class ILevelRecords : public virtual IInterface {
public:
    virtual Ref<ILevelRecordTableCollection> GetTables() = 0;
    // FindOrAddRecord on the table of that name; null (and nothing changes)
    // when there is no such table.
    virtual Ref<ILevelRecord> GetRecord(const Ref<IParamCollection>& values,
                                        const std::string& tableName, int32_t level) = 0;
    // Reads "records.dat": the player's copy, else the one shipped in the
    // application data folder; nothing when neither exists.
    virtual TPlayerFileLoad Load(const Ref<IEngine>& engine) = 0;
    // Writes "records.dat" into the player data folder.
    virtual bool Save(const Ref<IEngine>& engine) = 0;
};

// ---------------------------------------------------------------------------

class TLevelRecord : public TPersistObject, public virtual ILevelRecord {
public:
    void Create() override;

    void SetInt(const std::string& name, int32_t value) override;
    void SetString(const std::string& name, const std::string& value) override;
    int32_t GetInt(const std::string& name, int32_t defaultValue, bool storeDefault) override;
    std::string GetString(const std::string& name, const std::string& defaultValue,
                          bool storeDefault) override;
    int32_t GetLevel() override;
    Ref<IParamCollection> GetParams() override { return params_; }

    // "name", then the values of the first "params" child.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

private:
    Ref<IParamCollection> params_;
};

// Element "levelrecords", items "levelrecord", each a TLevelRecord.
class TLevelRecordCollection : public TTypedCollection<ILevelRecord, ILevelRecordCollection,
                                                       TStaticCreationPersistItemCollection> {
public:
    void Create() override;
    Ref<ILevelRecord> GetItem(const Variant& key) override { return Find(key); }
};

// Creation parameter "name".
class TLevelRecordTable : public TPersistObject, public virtual ILevelRecordTable {
public:
    void Create() override;
    void SetParam(const std::string& name, const std::string& value) override;

    Ref<ILevelRecord> GetRecord(int32_t level) override;
    Ref<ILevelRecord> FindOrAddRecord(int32_t level, const Ref<IParamCollection>& values) override;
    void ClearContent() override { records_->Clear(); }

    // "name", then the records of the first "levelrecords" child.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    const Ref<TLevelRecordCollection>& GetRecords() const { return records_; }

private:
    Ref<TLevelRecordCollection> records_;
};

// Element "levelrecordtables", items "levelrecordtable": an element loads
// into the existing table of its "name"; others are skipped.
class TLevelRecordTableCollection
    : public TTypedCollection<ILevelRecordTable, ILevelRecordTableCollection,
                              TPersistItemCollection> {
public:
    void Create() override;
    Ref<ILevelRecordTable> GetItem(const Variant& key) override { return Find(key); }
    Ref<IInterface> CreateItem(const Ref<IHierStorage>& node) override;
    // Loading fills tables that are already here: nothing to add.
    void AddItem(const Ref<IInterface>& item) override { (void)item; }
    // Every table's records removed; the tables stay.
    void ClearContent() override;
};

// Creation parameter "level_record_table": one table from its creation text,
// appended. Made by CreateObject<TLevelRecords>(GetLevelRecordsDefinition()).
class TLevelRecords : public TPersistObject, public virtual ILevelRecords {
public:
    void Create() override;
    void SetParam(const std::string& name, const std::string& value) override;

    Ref<ILevelRecordTableCollection> GetTables() override { return tables_; }
    Ref<ILevelRecord> GetRecord(const Ref<IParamCollection>& values, const std::string& tableName,
                                int32_t level) override;
    TPlayerFileLoad Load(const Ref<IEngine>& engine) override;
    bool Save(const Ref<IEngine>& engine) override;
    void ClearContent() override { tables_->ClearContent(); }

    // "name", then the tables from the first "levelrecordtables" child.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    static TPlayerFileFormat FileFormat();

private:
    Ref<TLevelRecordTableCollection> tables_;
};
