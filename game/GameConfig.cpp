#include "game/GameConfig.h"

#include <utility>

#include "core/lang/MultiLanguages.h"
#include "engine/EngineStartup.h"

namespace {

std::string g_globalOptionsList;
std::string g_highScoresDefinition;
std::string g_levelRecordsDefinition;
std::string g_usersFileName = kDefaultUsersFileName;
std::string g_optionsFileKey;
std::string g_recordsFileKey;
std::string g_usersFileKey;
std::string g_highScoresFileKey;
std::string g_newUserText = kDefaultNewUserText;

// One "record_table" entry with this game's record structure.
std::string RecordTable(const char* name, int maxRecords) {
    return std::string("\\record_table={name=") + name +
           "\\max_records=" + std::to_string(maxRecords) +
           "\\record_structure={param=Score\\param=Player}}";
}

std::string QuillmarchHighScoresDefinition() {
    std::string definition;
    for (const char* name : {"japan", "rome", "tibet", "egypt", "greece", "aztecs", "china"}) {
        definition += RecordTable(name, 3);
    }
    for (const char* name : {"online_japan", "online_greece", "online_tibet", "online_egypt",
                             "online_aztecs", "online_rome", "online_china"}) {
        definition += RecordTable(name, 10);
    }
    return definition;
}

}  // namespace

const std::string& GetGlobalOptionsList() {
    return g_globalOptionsList;
}
void SetGlobalOptionsList(std::string list) {
    g_globalOptionsList = std::move(list);
}
const std::string& GetHighScoresDefinition() {
    return g_highScoresDefinition;
}
void SetHighScoresDefinition(std::string definition) {
    g_highScoresDefinition = std::move(definition);
}
const std::string& GetLevelRecordsDefinition() {
    return g_levelRecordsDefinition;
}
void SetLevelRecordsDefinition(std::string definition) {
    g_levelRecordsDefinition = std::move(definition);
}
const std::string& GetUsersFileName() {
    return g_usersFileName;
}
void SetUsersFileName(std::string fileName) {
    g_usersFileName = std::move(fileName);
}
const std::string& GetOptionsFileKey() {
    return g_optionsFileKey;
}
void SetOptionsFileKey(std::string key) {
    g_optionsFileKey = std::move(key);
}
const std::string& GetRecordsFileKey() {
    return g_recordsFileKey;
}
void SetRecordsFileKey(std::string key) {
    g_recordsFileKey = std::move(key);
}
const std::string& GetUsersFileKey() {
    return g_usersFileKey;
}
void SetUsersFileKey(std::string key) {
    g_usersFileKey = std::move(key);
}
const std::string& GetHighScoresFileKey() {
    return g_highScoresFileKey;
}
void SetHighScoresFileKey(std::string key) {
    g_highScoresFileKey = std::move(key);
}
const std::string& GetNewUserText() {
    return g_newUserText;
}
void SetNewUserText(std::string text) {
    g_newUserText = std::move(text);
}

void ResetGameShellConfiguration() {
    g_globalOptionsList.clear();
    g_highScoresDefinition.clear();
    g_levelRecordsDefinition.clear();
    g_usersFileName = kDefaultUsersFileName;
    g_optionsFileKey.clear();
    g_recordsFileKey.clear();
    g_usersFileKey.clear();
    g_highScoresFileKey.clear();
    g_newUserText = kDefaultNewUserText;
}

void ApplyQuillmarchConfiguration() {
    SetGlobalOptionsList(";FullScreenMode;MusicVolume;SoundVolume;ShowHints;WideScreenMode;");
    SetHighScoresDefinition(QuillmarchHighScoresDefinition());
    // No level-record tables in this game.
    SetLevelRecordsDefinition("");
    SetGameDefinitionPath("data\\ini\\Quillmarch.ini");
    SetProductName("Quillmarch");
    SetUsersFileName("users.dat");
    SetNewUserText(Translate("%CreateNewUser%"));
    SetOptionsFileKey("wq4ptz8mvy2nrx6ke9hsua");
    SetRecordsFileKey("hx6vpq2mzt8wyr4n");
    SetDataFileKey("pzqx71vmwr4ntbk8cyq3jh6gme");
    SetUsersFileKey("ny3kwz7qpv5mxt2r");
    SetHighScoresFileKey("zm7qyv3xwp5ktr9");
    SetGameVersion("1.01");
    SetProductName(GetProductName() + "mac");
}
