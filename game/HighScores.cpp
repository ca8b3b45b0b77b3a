#include "game/HighScores.h"

#include <algorithm>
#include <atomic>
#include <exception>

#include "core/base/Log.h"
#include "core/persist/ValueText.h"
#include "game/GameConfig.h"

namespace {

constexpr char kScore[] = "Score";
constexpr char kPlayer[] = "Player";
constexpr char kConst[] = "Const";

std::atomic<uint32_t> g_recordCounter{0};

// A score's integer: integers as they are, texts in the stored integer form.
// False for anything else (an empty text, "abc", an unassigned value).
bool ScoreValue(const Variant& value, int32_t& score) {
    if (value.IsUnassigned()) return false;
    if (value.IsString()) {
        int64_t number = 0;
        if (!ParseIntegerText(value.ToString(), INT32_MIN, INT32_MAX, number)) return false;
        score = static_cast<int32_t>(number);
        return true;
    }
    try {
        score = value.ToInt();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The field's text, or fallback when params lack it.
std::string FieldText(const Ref<IParamCollection>& params, const char* name,
                      const std::string& fallback) {
    if (!params) return fallback;
    Ref<IParam> param = params->GetParam(Variant(name));
    return param ? TextOrEmpty(param->GetValue()) : fallback;
}

// A "Player" the high-score file could not give back as it is refuses the
// row, with a log line.
bool HasStorablePlayer(const Ref<IParamCollection>& params) {
    if (IsStorableText(FieldText(params, kPlayer, ""))) return true;
    Log(kPlayerLogModule, "No high score is entered for a player name that is not UTF-8 text");
    return false;
}

// A row that a player owns: its "Player" is the player and it is not marked
// "Const" = "yes" (shipped rows that must stay).
bool IsOrdinaryRowOf(const Ref<IRecord>& row, const std::string& player) {
    const Ref<IParamCollection> fields = row->GetParams();
    return FieldText(fields, kPlayer, "") == player && FieldText(fields, kConst, "no") != "yes";
}

}  // namespace

uint32_t NextRecordNumber() {
    return g_recordCounter.fetch_add(1) + 1;
}

// ---------------------------------------------------------------------------
// TRecord

void TRecord::Create() {
    TPersistObject::Create();
    SetNodeName("record");
    params_ = Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    TPersistObject::SetName("Record" + std::to_string(NextRecordNumber()));
}

void TRecord::SetParam(const std::string& name, const std::string& value) {
    if (name == "param" && !value.empty()) params_->SetValue(value, Variant(std::string()));
}

int32_t TRecord::GetScore() {
    Ref<IParam> param = params_->GetParam(Variant(kScore));
    int32_t score = 0;
    if (!param || !ScoreValue(param->GetValue(), score)) return -1;
    return score;
}

void TRecord::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistObject::LoadFrom(storage);
    Ref<IHierStorage> fields = storage ? storage->GetChild("params", 0) : nullptr;
    if (!fields) return;
    const int32_t count = fields->GetChildCount("param");
    for (int32_t i = 0; i < count; ++i) {
        Ref<IHierStorage> field = fields->GetChild("param", i);
        if (!field) continue;
        const std::string name = ReadString(field, "name", "");
        // Stored texts are taken as they are: a player's name is no
        // language key.
        Ref<IParam> param = name.empty() ? nullptr : params_->GetParam(Variant(name));
        if (param) param->SetValue(Variant(TextOrEmpty(field->GetText())));
    }
}

void TRecord::SaveTo(const Ref<IHierStorage>& storage) {
    TPersistObject::SaveTo(storage);
    Ref<IHierStorage> fields = storage->AddChild("params");
    const int32_t count = params_->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        Ref<IParam> param = params_->GetParam(Variant(i));
        if (!param) continue;
        Ref<IHierStorage> field = fields->AddChild("param");
        field->SetValue("name", Variant(param->GetName()));
        field->SetText(Variant(TextOrEmpty(param->GetValue())));
    }
}

// ---------------------------------------------------------------------------
// TRecordCollection

void TRecordCollection::Insert(const Ref<IRecord>& row, const Variant& position) {
    if (!row || Find(Variant(row->GetName())) != row) return;
    const int32_t count = GetCount();
    const int64_t target = position.IsNumeric() ? position.ToInt64() : -1;
    // After the removal the positions run from 0 to count - 1, the last
    // appending.
    if (target < 0 || target >= count) return;
    const std::string name = row->GetName();
    TCollection::Delete(Variant(name));
    InsertItem(Ref<IInterface>(row), false, name, int32_t(target));
}

// ---------------------------------------------------------------------------
// TRecordTable

void TRecordTable::Create() {
    TPersistObject::Create();
    SetNodeName("recordtable");
    records_ = Query<IRecordCollection>(CreateAbstractObject(ClassOf<TRecordCollection>()));
}

void TRecordTable::SetParam(const std::string& name, const std::string& value) {
    if (name == "name") {
        SetName(value);
    } else if (name == "record_structure") {
        recordStructure_ = value;
    } else if (name == "max_records") {
        int64_t number = 0;
        maxRecords_ = ParseIntegerText(value, INT32_MIN, INT32_MAX, number)
                          ? static_cast<int32_t>(number)
                          : 10;
    }
}

Ref<IRecord> TRecordTable::NewRecord() const {
    return Query<IRecord>(CreateAbstractObject(ClassOf<TRecord>(), recordStructure_));
}

bool TRecordTable::IsHighScore(int32_t score) {
    if (score <= 0) return false;
    const int32_t count = records_->GetCount();
    if (count < maxRecords_) return true;
    Ref<IRecord> last = count > 0 ? records_->GetItem(Variant(count - 1)) : nullptr;
    if (!last) return false;
    Ref<IParam> param = last->GetParams()->GetParam(Variant(kScore));
    if (!param) return false;
    int32_t lastScore = 0;
    if (!ScoreValue(param->GetValue(), lastScore)) lastScore = 0;
    return lastScore < score;
}

void TRecordTable::AddRecord(const Ref<IRecord>& row) {
    if (!row) return;
    records_->Add(row);
    SortRecords();
    lastAdded_ = records_->IndexOf(row->GetName());
    // A limit below 0 keeps no row, like 0.
    const int32_t limit = std::max(maxRecords_, 0);
    while (records_->GetCount() > limit) records_->Delete(Variant(records_->GetCount() - 1));
}

// Descending by score. Rows of equal score end in the order this procedure
// leaves them, which is not a stable sort: a new row can end before an older
// one of the same score. Rankings that players have seen depend on it, so it
// is kept as it is.
bool TRecordTable::SortRecords() {
    const int32_t count = records_->GetCount();
    bool outOfOrder = false;
    for (int32_t i = 0; i + 1 < count && !outOfOrder; ++i) {
        outOfOrder = records_->GetItem(Variant(i))->GetScore() <
                     records_->GetItem(Variant(i + 1))->GetScore();
    }
    if (!outOfOrder) return false;
    // Each pass moves the best of the rows not yet placed behind those
    // already placed.
    for (int32_t n = count - 1; n >= 0; --n) {
        Ref<IRecord> best = records_->GetItem(Variant(0));
        for (int32_t j = n; j >= 1; --j) {
            Ref<IRecord> row = records_->GetItem(Variant(j));
            if (best->GetScore() < row->GetScore()) best = row;
        }
        records_->Insert(best, Variant(count - 1));
    }
    return true;
}

Ref<IRecord> TRecordTable::AddScore(const Ref<IParamCollection>& params) {
    if (!params) return nullptr;
    Ref<IParam> scoreParam = params->GetParam(Variant(kScore));
    int32_t score = 0;
    if (!scoreParam || !ScoreValue(scoreParam->GetValue(), score)) return nullptr;
    if (score <= 0 || !IsHighScore(score) || !HasStorablePlayer(params)) return nullptr;
    Ref<IRecord> row = NewRecord();
    if (!row) return nullptr;
    const Ref<IParamCollection> fields = row->GetParams();
    const int32_t count = fields->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        Ref<IParam> field = fields->GetParam(Variant(i));
        Ref<IParam> given = field ? params->GetParam(Variant(field->GetName())) : nullptr;
        if (given) field->SetValue(given->GetValue());
    }
    AddRecord(row);
    return row;
}

bool TRecordTable::CanAddForPlayer(const std::string& player) {
    const int32_t count = records_->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        Ref<IRecord> row = records_->GetItem(Variant(i));
        if (row && IsOrdinaryRowOf(row, player)) return false;
    }
    return true;
}

Ref<IRecord> TRecordTable::AddPlayerScore(const Ref<IParamCollection>& params) {
    if (!params || !CanAddForPlayer(FieldText(params, kPlayer, ""))) return nullptr;
    return AddScore(params);
}

bool TRecordTable::SubmitScore(const Ref<IParamCollection>& params) {
    if (!params) return false;
    const std::string player = FieldText(params, kPlayer, "");
    Ref<IParam> scoreParam = params->GetParam(Variant(kScore));
    int32_t score = 0;
    if (scoreParam && !ScoreValue(scoreParam->GetValue(), score)) score = 0;
    if (!IsHighScore(score) || !HasStorablePlayer(params)) return false;

    Ref<IRecord> own;
    const int32_t count = records_->GetCount();
    for (int32_t i = 0; i < count && !own; ++i) {
        Ref<IRecord> row = records_->GetItem(Variant(i));
        if (row && IsOrdinaryRowOf(row, player)) own = row;
    }
    if (!own) return AddScore(params) != nullptr;

    // A player's row keeps the best score they reached: a lower or equal
    // score changes nothing.
    if (score <= own->GetScore()) return false;
    const Ref<IParamCollection> fields = own->GetParams();
    const int32_t fieldCount = fields->GetCount();
    for (int32_t i = 0; i < fieldCount; ++i) {
        Ref<IParam> field = fields->GetParam(Variant(i));
        Ref<IParam> given = field ? params->GetParam(Variant(field->GetName())) : nullptr;
        if (given) field->SetValue(given->GetValue());
    }
    const bool reordered = SortRecords();
    lastAdded_ = records_->IndexOf(own->GetName());
    return reordered;
}

void TRecordTable::Clear() {
    ResetLastAdded();
    records_->Clear();
}

void TRecordTable::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistObject::LoadFrom(storage);
    // The file holds the whole table: its rows replace those in memory, so
    // loading twice does not double them.
    records_->Clear();
    Ref<IHierStorage> rows = storage ? storage->GetChild("records", 0) : nullptr;
    if (rows) {
        const int32_t count = rows->GetChildCount("record");
        for (int32_t i = 0; i < count; ++i) {
            Ref<IHierStorage> element = rows->GetChild("record", i);
            Ref<IRecord> row = element ? NewRecord() : nullptr;
            if (!row) continue;
            LoadPersistObject(row, element);
            AddRecord(row);
        }
    }
    lastAdded_ = -1;
}

void TRecordTable::SaveTo(const Ref<IHierStorage>& storage) {
    TPersistObject::SaveTo(storage);
    Ref<IHierStorage> rows = storage->AddChild("records");
    const int32_t count = records_->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        SaveChildObject(records_->GetItem(Variant(i)), rows, "record");
    }
}

// ---------------------------------------------------------------------------
// THighScores

void THighScores::Create() {
    TPersistObject::Create();
    SetNodeName("highscores");
    tables_ =
        Query<IRecordTableCollection>(CreateAbstractObject(ClassOf<TRecordTableCollection>()));
}

void THighScores::SetParam(const std::string& name, const std::string& value) {
    if (name != "record_table") return;
    tables_->Add(Query<IRecordTable>(CreateAbstractObject(ClassOf<TRecordTable>(), value)));
}

Ref<IRecordTable> THighScores::Table(const std::string& name) const {
    return tables_->GetItem(Variant(name));
}

bool THighScores::IsHighScore(int32_t score, const std::string& tableName) {
    Ref<IRecordTable> table = Table(tableName);
    return table && table->IsHighScore(score);
}

Ref<IRecord> THighScores::AddScore(const Ref<IParamCollection>& params,
                                   const std::string& tableName) {
    Ref<IRecordTable> table = Table(tableName);
    return table ? table->AddScore(params) : nullptr;
}

Ref<IRecord> THighScores::AddPlayerScore(const Ref<IParamCollection>& params,
                                         const std::string& tableName) {
    Ref<IRecordTable> table = Table(tableName);
    return table ? table->AddPlayerScore(params) : nullptr;
}

bool THighScores::SubmitScore(const Ref<IParamCollection>& params, const std::string& tableName) {
    Ref<IRecordTable> table = Table(tableName);
    return table && table->SubmitScore(params);
}

void THighScores::ClearAll() {
    const int32_t count = tables_->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        if (Ref<IRecordTable> table = tables_->GetItem(Variant(i))) table->Clear();
    }
}

void THighScores::ResetLastAdded() {
    const int32_t count = tables_->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        if (Ref<IRecordTable> table = tables_->GetItem(Variant(i))) table->ResetLastAdded();
    }
}

void THighScores::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistObject::LoadFrom(storage);
    Ref<IHierStorage> list = storage ? storage->GetChild("recordtables", 0) : nullptr;
    if (!list) return;
    const int32_t count = list->GetChildCount("recordtable");
    for (int32_t i = 0; i < count; ++i) {
        Ref<IHierStorage> element = list->GetChild("recordtable", i);
        if (!element) continue;
        Ref<IRecordTable> table = Table(ReadString(element, "name", ""));
        if (table) LoadPersistObject(table, element);
    }
}

void THighScores::SaveTo(const Ref<IHierStorage>& storage) {
    TPersistObject::SaveTo(storage);
    Ref<IHierStorage> list = storage->AddChild("recordtables");
    const int32_t count = tables_->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        SaveChildObject(tables_->GetItem(Variant(i)), list, "recordtable");
    }
}

TPlayerFileFormat THighScores::FileFormat() {
    return {kHighScoresFileName, "highscores", GetHighScoresFileKey()};
}

TPlayerFileLoad THighScores::Load(const Ref<IEngine>& engine, bool useDefault) {
    if (!engine) return TPlayerFileLoad::kMissing;
    const TPlayerFileFormat format = FileFormat();
    const std::string userPath = engine->GetUserDir() + format.fileName;
    if (!useDefault) {
        const TPlayerFileLoad result = LoadPlayerFile(userPath, format, true, *this);
        // A damaged copy was set aside: the player's scores start empty
        // rather than as the shipped ones.
        if (result != TPlayerFileLoad::kMissing) return result;
    }
    // The shipped copy is only ever read.
    return LoadPlayerFile(engine->GetAppDir() + format.fileName, format, false, *this);
}

bool THighScores::Save(const Ref<IEngine>& engine) {
    return SavePlayerFile(engine, FileFormat(), Ref<IPersistObject>(this));
}
