// The high-score store: named tables of ranked rows, each row a set of named
// fields in the table's record structure ("Score", "Player"). The store is
// created from its definition text (GameConfig.h, GetHighScoresDefinition):
//
//   \record_table={name=japan\max_records=3\record_structure={param=Score\param=Player}}...
//
// and kept in the player file "highscores.dat" (root "highscores",
// PlayerDataFile.h):
//
//   highscores / recordtables / recordtable name=T / records /
//     record name=RecordN / params / param name=F  (text: the field's value)
//
// Rows are named "Record" and a number that is new in each run; names read
// from a file are not kept. Scores are the "Score" field as a 32-bit integer.
// Tables and rows are found by name ignoring case; every operation naming a
// table that does not exist does nothing or answers false.
//
// Failures: nothing here raises for bad data. A row whose "Score" is no
// integer answers -1 and sinks when the table is sorted; an incoming score
// that is no integer adds nothing. Loading and saving fail as PlayerDataFile.h
// says; Save answers false then.
#pragma once

#include <cstdint>
#include <string>

#include "core/persist/EngineGeneralClasses.h"
#include "core/persist/Params.h"
#include "engine/interfaces/EngineInterfaces.h"
#include "game/PlayerDataFile.h"

class IRecord : public virtual INamedObject {
public:
    virtual Ref<IParamCollection> GetParams() = 0;
    // The "Score" field as an integer; -1 when the row has none or it is no
    // integer.
    virtual int32_t GetScore() = 0;
};

class IRecordCollection : public virtual ICollection {
public:
    // By position (an integer key) or name (a text key); null when absent.
    virtual Ref<IRecord> GetItem(const Variant& key) = 0;
    // Appends under the row's name; a name already present adds nothing.
    virtual void Add(const Ref<IRecord>& row) = 0;
    // Takes the row of that name out and puts it back at the position
    // (counted after the removal, so the last index appends). Nothing when
    // the row is not in the collection or the position is out of range.
    virtual void Insert(const Ref<IRecord>& row, const Variant& position) = 0;
};

class IRecordTable : public virtual INamedObject {
public:
    // The rows, best first.
    virtual Ref<IRecordCollection> GetRecords() = 0;
    // The position of the row added or updated last; -1 for none.
    virtual int32_t GetLastAdded() = 0;
    virtual void ResetLastAdded() = 0;
    // Whether a score would enter the table: above 0, and either the table
    // is not full or the score beats the last row's (a tie does not).
    virtual bool IsHighScore(int32_t score) = 0;
    // Adds a row with the params' fields when their "Score" qualifies and
    // their "Player" is UTF-8 text (IsStorableText; a log line otherwise);
    // answers it, or null when nothing was added. SubmitScore refuses such
    // a "Player" the same way.
    virtual Ref<IRecord> AddScore(const Ref<IParamCollection>& params) = 0;
    // As AddScore, only when the params' "Player" has no ordinary row yet
    // (rows whose "Const" is "yes" do not count).
    virtual Ref<IRecord> AddPlayerScore(const Ref<IParamCollection>& params) = 0;
    // Adds a row for the params' "Player", or raises that player's ordinary
    // row to the new score when it beats the row's; a score that does not
    // beat the row's changes nothing. True when a row was added or the
    // update changed the order.
    virtual bool SubmitScore(const Ref<IParamCollection>& params) = 0;
    // ResetLastAdded, then every row removed.
    virtual void Clear() = 0;
};

class IRecordTableCollection : public virtual ICollection {
public:
    virtual Ref<IRecordTable> GetItem(const Variant& key) = 0;
    virtual void Add(const Ref<IRecordTable>& table) = 0;
};

class IHighScores : public virtual IInterface {
public:
    virtual Ref<IRecordTableCollection> GetTables() = 0;
    virtual bool IsHighScore(int32_t score, const std::string& tableName) = 0;
    virtual Ref<IRecord> AddScore(const Ref<IParamCollection>& params,
                                  const std::string& tableName) = 0;
    virtual Ref<IRecord> AddPlayerScore(const Ref<IParamCollection>& params,
                                        const std::string& tableName) = 0;
    virtual bool SubmitScore(const Ref<IParamCollection>& params, const std::string& tableName) = 0;
    virtual void ClearAll() = 0;
    virtual void ResetLastAdded() = 0;
    // Reads "highscores.dat": the player's copy, or the one shipped in the
    // application data folder when the player has none or useDefault is set.
    // The tables named in the file replace their rows with the file's; the
    // others keep theirs.
    virtual TPlayerFileLoad Load(const Ref<IEngine>& engine, bool useDefault) = 0;
    // Writes "highscores.dat" into the player data folder.
    virtual bool Save(const Ref<IEngine>& engine) = 0;
};

// ---------------------------------------------------------------------------

// One row. Creation parameters "param=Name" add an empty field each (empty
// names are skipped), so the record structure text makes a row of its fields.
class TRecord : public TPersistObject, public virtual IRecord {
public:
    void Create() override;
    void SetParam(const std::string& name, const std::string& value) override;
    // Rows keep the name they were created with.
    void SetName(const std::string& name) override { (void)name; }

    Ref<IParamCollection> GetParams() override { return params_; }
    int32_t GetScore() override;

    // The fields the row has, from "params"/"param" elements (name
    // attribute, text value) taken as stored; others are skipped.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

private:
    Ref<IParamCollection> params_;
};

// Advances the process-wide row counter and answers it: 1 for the first row
// of a run. Safe from any thread.
uint32_t NextRecordNumber();

class TRecordCollection : public TTypedCollection<IRecord, IRecordCollection, TCollection> {
public:
    Ref<IRecord> GetItem(const Variant& key) override { return Find(key); }
    void Insert(const Ref<IRecord>& row, const Variant& position) override;
};

// Creation parameters: "name", "record_structure" (the creation text of every
// new row) and "max_records" (decimal; 10 when it is no number). A table
// without "max_records" keeps 0 rows and never accepts a score.
class TRecordTable : public TPersistObject, public virtual IRecordTable {
public:
    void Create() override;
    void SetParam(const std::string& name, const std::string& value) override;

    Ref<IRecordCollection> GetRecords() override { return records_; }
    int32_t GetLastAdded() override { return lastAdded_; }
    void ResetLastAdded() override { lastAdded_ = -1; }
    bool IsHighScore(int32_t score) override;
    Ref<IRecord> AddScore(const Ref<IParamCollection>& params) override;
    Ref<IRecord> AddPlayerScore(const Ref<IParamCollection>& params) override;
    bool SubmitScore(const Ref<IParamCollection>& params) override;
    void Clear() override;
    void ClearContent() override { Clear(); }

    // Replaces the rows with those of the "records" element, ranked and
    // trimmed; LastAdded is -1 afterwards.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    // Appends the row, ranks the table, marks the row as LastAdded and trims
    // the table to MaxRecords from the end.
    void AddRecord(const Ref<IRecord>& row);
    // Ranks the rows by descending score with the table's own tie order (see
    // the .cpp); answers whether they were out of order.
    bool SortRecords();
    // Whether Player may get an ordinary row: no row holds that "Player"
    // with a "Const" other than "yes".
    bool CanAddForPlayer(const std::string& player);

    int32_t GetMaxRecords() const { return maxRecords_; }
    const std::string& GetRecordStructure() const { return recordStructure_; }

private:
    Ref<IRecord> NewRecord() const;

    Ref<IRecordCollection> records_;
    std::string recordStructure_;
    int32_t maxRecords_ = 0;
    int32_t lastAdded_ = -1;
};

class TRecordTableCollection
    : public TTypedCollection<IRecordTable, IRecordTableCollection, TCollection> {
public:
    Ref<IRecordTable> GetItem(const Variant& key) override { return Find(key); }
};

// Creation parameter "record_table": one table from its creation text,
// appended.
class THighScores : public TPersistObject, public virtual IHighScores {
public:
    void Create() override;
    void SetParam(const std::string& name, const std::string& value) override;

    Ref<IRecordTableCollection> GetTables() override { return tables_; }
    bool IsHighScore(int32_t score, const std::string& tableName) override;
    Ref<IRecord> AddScore(const Ref<IParamCollection>& params,
                          const std::string& tableName) override;
    Ref<IRecord> AddPlayerScore(const Ref<IParamCollection>& params,
                                const std::string& tableName) override;
    bool SubmitScore(const Ref<IParamCollection>& params, const std::string& tableName) override;
    void ClearAll() override;
    void ResetLastAdded() override;
    TPlayerFileLoad Load(const Ref<IEngine>& engine, bool useDefault) override;
    bool Save(const Ref<IEngine>& engine) override;
    void ClearContent() override { ClearAll(); }

    // Each "recordtable" of the "recordtables" element loads into the table
    // of its name; tables the definition lacks are skipped.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    static TPlayerFileFormat FileFormat();

private:
    Ref<IRecordTable> Table(const std::string& name) const;

    Ref<IRecordTableCollection> tables_;
};
