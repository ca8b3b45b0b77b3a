#include "game/LevelRecords.h"

#include <exception>

#include "core/persist/ValueText.h"
#include "game/GameConfig.h"

namespace {

bool DecimalValue(const std::string& text, int32_t& value) {
    int64_t number = 0;
    if (!ParseIntegerText(text, INT32_MIN, INT32_MAX, number)) return false;
    value = static_cast<int32_t>(number);
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// TLevelRecord

void TLevelRecord::Create() {
    TPersistObject::Create();
    SetNodeName("levelrecord");
    params_ = Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

void TLevelRecord::SetInt(const std::string& name, int32_t value) {
    params_->SetValue(name, Variant(std::to_string(value)));
}

void TLevelRecord::SetString(const std::string& name, const std::string& value) {
    params_->SetValue(name, Variant(value));
}

int32_t TLevelRecord::GetInt(const std::string& name, int32_t defaultValue, bool storeDefault) {
    if (Ref<IParam> param = params_->GetParam(Variant(name))) {
        int32_t value = defaultValue;
        return DecimalValue(TextOrEmpty(param->GetValue()), value) ? value : defaultValue;
    }
    if (storeDefault) SetInt(name, defaultValue);
    return defaultValue;
}

std::string TLevelRecord::GetString(const std::string& name, const std::string& defaultValue,
                                    bool storeDefault) {
    if (Ref<IParam> param = params_->GetParam(Variant(name))) return TextOrEmpty(param->GetValue());
    if (storeDefault) SetString(name, defaultValue);
    return defaultValue;
}

int32_t TLevelRecord::GetLevel() {
    int32_t level = -1;
    return DecimalValue(Name(), level) ? level : -1;
}

void TLevelRecord::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistObject::LoadFrom(storage);
    LoadChildObject(params_, storage, "params", 0);
}

void TLevelRecord::SaveTo(const Ref<IHierStorage>& storage) {
    TPersistObject::SaveTo(storage);
    SaveChildObject(params_, storage, "params");
}

// ---------------------------------------------------------------------------
// TLevelRecordCollection

void TLevelRecordCollection::Create() {
    TStaticCreationPersistItemCollection::Create();
    SetNodeName("levelrecords");
    SetItemNodeName("levelrecord");
    SetItemClass(ClassOf<TLevelRecord>());
}

// ---------------------------------------------------------------------------
// TLevelRecordTable

void TLevelRecordTable::Create() {
    TPersistObject::Create();
    SetNodeName("levelrecordtable");
    records_ = CreateObject<TLevelRecordCollection>();
}

void TLevelRecordTable::SetParam(const std::string& name, const std::string& value) {
    if (name == "name") SetName(value);
}

Ref<ILevelRecord> TLevelRecordTable::GetRecord(int32_t level) {
    return records_->GetItem(Variant(std::to_string(level)));
}

Ref<ILevelRecord> TLevelRecordTable::FindOrAddRecord(int32_t level,
                                                     const Ref<IParamCollection>& values) {
    Ref<ILevelRecord> record = GetRecord(level);
    if (!record) {
        record = Query<ILevelRecord>(CreateAbstractObject(ClassOf<TLevelRecord>()));
        record->SetName(std::to_string(level));
        records_->Add(record);
    }
    if (values) {
        const Ref<IParamCollection> own = record->GetParams();
        const int32_t count = values->GetCount();
        for (int32_t i = 0; i < count; ++i) {
            Ref<IParam> param = values->GetParam(Variant(i));
            if (param && !param->GetName().empty())
                own->SetValue(param->GetName(), param->GetValue());
        }
    }
    return record;
}

void TLevelRecordTable::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistObject::LoadFrom(storage);
    LoadChildObject(records_, storage, "levelrecords", 0);
}

void TLevelRecordTable::SaveTo(const Ref<IHierStorage>& storage) {
    TPersistObject::SaveTo(storage);
    SaveChildObject(records_, storage, "levelrecords");
}

// ---------------------------------------------------------------------------
// TLevelRecordTableCollection

void TLevelRecordTableCollection::Create() {
    TPersistItemCollection::Create();
    SetNodeName("levelrecordtables");
    SetItemNodeName("levelrecordtable");
}

Ref<IInterface> TLevelRecordTableCollection::CreateItem(const Ref<IHierStorage>& node) {
    return GetItem(Variant(ReadString(node, "name", "")));
}

void TLevelRecordTableCollection::ClearContent() {
    ForEach([](const Ref<IInterface>& item) {
        if (Ref<IPersistObject2> table = Query<IPersistObject2>(item)) table->ClearContent();
    });
}

// ---------------------------------------------------------------------------
// TLevelRecords

void TLevelRecords::Create() {
    TPersistObject::Create();
    SetNodeName("highscores");
    tables_ = CreateObject<TLevelRecordTableCollection>();
}

void TLevelRecords::SetParam(const std::string& name, const std::string& value) {
    if (name != "level_record_table") return;
    tables_->Add(
        Query<ILevelRecordTable>(CreateAbstractObject(ClassOf<TLevelRecordTable>(), value)));
}

Ref<ILevelRecord> TLevelRecords::GetRecord(const Ref<IParamCollection>& values,
                                           const std::string& tableName, int32_t level) {
    Ref<ILevelRecordTable> table = tables_->GetItem(Variant(tableName));
    return table ? table->FindOrAddRecord(level, values) : nullptr;
}

void TLevelRecords::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistObject::LoadFrom(storage);
    LoadChildObject(tables_, storage, "levelrecordtables", 0);
}

void TLevelRecords::SaveTo(const Ref<IHierStorage>& storage) {
    TPersistObject::SaveTo(storage);
    SaveChildObject(tables_, storage, "levelrecordtables");
}

TPlayerFileFormat TLevelRecords::FileFormat() {
    return {kRecordsFileName, "highscores", GetRecordsFileKey()};
}

TPlayerFileLoad TLevelRecords::Load(const Ref<IEngine>& engine) {
    if (!engine) return TPlayerFileLoad::kMissing;
    const TPlayerFileFormat format = FileFormat();
    const TPlayerFileLoad result =
        LoadPlayerFile(engine->GetUserDir() + format.fileName, format, true, *this);
    if (result != TPlayerFileLoad::kMissing) return result;
    // The shipped copy is only ever read.
    return LoadPlayerFile(engine->GetAppDir() + format.fileName, format, false, *this);
}

bool TLevelRecords::Save(const Ref<IEngine>& engine) {
    return SavePlayerFile(engine, FileFormat(), Ref<IPersistObject>(this));
}
