// Each player data owner's content as one text, so that two owners compare
// equal exactly when they hold the same data; and owners filled with sample
// data whose texts need escaping.
#pragma once

#include <string>

#include "game/GameConfig.h"
#include "game/HighScores.h"
#include "game/LevelRecords.h"
#include "game/UserProfiles.h"
#include "tests/game/PlayerDataTestSupport.h"

namespace playerdata {

inline std::string TextOf(const Variant& value) {
    return value.IsUnassigned() ? std::string() : value.ToString();
}

inline std::string DescribeParams(const Ref<IParamCollection>& params) {
    std::string out = "{";
    for (int32_t i = 0; i < params->GetCount(); ++i) {
        Ref<IParam> param = params->GetParam(Variant(i));
        // Appended piece by piece: g++ 12 -O2 warns falsely (-Wrestrict) on
        // a literal added to a temporary string.
        if (i) out += ",";
        out += param->GetName();
        out += "=";
        out += TextOf(param->GetValue());
    }
    return out + "}";
}

// "table: fields; fields | ..." for the tables that have rows.
inline std::string Describe(const Ref<IHighScores>& scores) {
    std::string out;
    Ref<IRecordTableCollection> tables = scores->GetTables();
    for (int32_t t = 0; t < tables->GetCount(); ++t) {
        Ref<IRecordTable> table = tables->GetItem(Variant(t));
        Ref<IRecordCollection> rows = table->GetRecords();
        if (rows->GetCount() == 0) continue;
        out += table->GetName() + ":";
        for (int32_t r = 0; r < rows->GetCount(); ++r) {
            out += " ";
            out += DescribeParams(rows->GetItem(Variant(r))->GetParams());
        }
        out += " | ";
    }
    return out;
}

inline std::string Describe(const Ref<ILevelRecords>& records) {
    std::string out;
    Ref<ILevelRecordTableCollection> tables = records->GetTables();
    for (int32_t t = 0; t < tables->GetCount(); ++t) {
        auto* table = dynamic_cast<TLevelRecordTable*>(tables->GetItem(Variant(t)).get());
        out += table->GetName() + ":";
        const Ref<TLevelRecordCollection>& rows = table->GetRecords();
        for (int32_t r = 0; r < rows->GetCount(); ++r) {
            Ref<ILevelRecord> row = rows->GetItem(Variant(r));
            out += " ";
            out += row->GetName();
            out += DescribeParams(row->GetParams());
        }
        out += " | ";
    }
    return out;
}

inline std::string Describe(const Ref<IUserProfileCollection>& profiles) {
    std::string out = "current=" + (profiles->GetCurrent() ? profiles->GetCurrent()->GetName()
                                                           : std::string("<none>"));
    for (int32_t i = 0; i < profiles->GetCount(); ++i) {
        Ref<IUserProfile> profile = profiles->GetItem(Variant(i));
        out += " | " + profile->GetName() + DescribeParams(profile->GetParams()) + "[" +
               profile->GetDataStorage() + "]";
    }
    return out;
}

// Texts that the XML writer must escape, and characters beyond ASCII.
inline constexpr char kAwkwardName[] = "Zoë <&> \"Q\" 'x' 100%% %CreateNewUser%";

inline Ref<THighScores> NewHighScores() {
    return CreateObject<THighScores>(GetHighScoresDefinition());
}

inline Ref<THighScores> SampleHighScores() {
    Ref<THighScores> scores = NewHighScores();
    scores->AddScore(Params({{"Score", "500"}, {"Player", "Ann"}}), "japan");
    scores->AddScore(Params({{"Score", "300"}, {"Player", kAwkwardName}}), "japan");
    scores->AddScore(Params({{"Score", "42"}, {"Player", "Bob"}}), "online_rome");
    return scores;
}

// A level-record definition with two tables (the game's own has none).
inline constexpr char kTwoLevelTables[] =
    "\\level_record_table={name=main}\\level_record_table={name=bonus}";

inline Ref<TLevelRecords> NewLevelRecords() {
    return CreateObject<TLevelRecords>(GetLevelRecordsDefinition());
}

inline Ref<TLevelRecords> SampleLevelRecords() {
    Ref<TLevelRecords> records = NewLevelRecords();
    records->GetRecord(Params({{"time", "93"}, {"note", kAwkwardName}}), "main", 12);
    records->GetRecord(Params({{"time", "7"}}), "main", 3);
    records->GetRecord(Params({{"stars", "2"}}), "bonus", 1);
    return records;
}

inline Ref<TUserProfileCollection> NewProfiles() {
    return CreateObject<TUserProfileCollection>();
}

inline Ref<TUserProfileCollection> SampleProfiles() {
    Ref<TUserProfileCollection> profiles = NewProfiles();
    Ref<IUserProfile> ann = profiles->FindOrAdd("Ann");
    ann->GetParams()->SetValue("location_state_japan", Variant("completed"));
    ann->GetParams()->SetValue("UseAutoComplete", Variant("yes"));
    ann->SetDataStorage("<free text & more>");
    Ref<IUserProfile> other = profiles->FindOrAdd(kAwkwardName);
    other->GetParams()->SetValue("note", Variant(std::string(kAwkwardName)));
    profiles->SetCurrent(kAwkwardName);
    return profiles;
}

}  // namespace playerdata
