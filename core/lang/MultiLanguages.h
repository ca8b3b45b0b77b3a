// Language tables: the strings of the loaded language files and the run-time
// text variables that replace "%key%" in every text the player sees.
//
// In a text, "%key%" becomes the text variable named exactly key when one is
// set, else the current language's string for key (keys ignore ASCII case),
// itself translated again; a key with neither becomes empty. "%%" gives "%"
// and a lone "%" stays. Nested strings are expanded to a bounded depth and a
// bounded length, so a string that refers to itself leaves its key
// untranslated rather than recursing without end or growing without bound.
//
// Language files are XML storage documents: the root carries "id", "name" and
// "original_name"; its first "strings" child holds "string" elements keyed by
// "name", the string being the element's text. A language is loaded as the
// default file (the base layer) with the language's own file laid over it.
//
// Texts are 8-bit strings holding UTF-8; translation works on bytes.
//
// Failures: a missing or unreadable language file loads nothing (false). A
// malformed language layer is ignored; a malformed base file raises out of
// LoadLanguage. Translation never fails.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Units.h"
#include "core/object/BaseCollections.h"
#include "core/storage/PersistenceService.h"

class TLanguage {
public:
    TLanguage(std::string id, std::string name, std::string nativeName, std::string fileName)
        : Id(std::move(id)),
          Name(std::move(name)),
          NativeName(std::move(nativeName)),
          FileName(std::move(fileName)) {}

    // Name, and " - " with the native name when there is one.
    std::string GetDisplayName() const;

    std::string Id;
    std::string Name;
    std::string NativeName;  // the language's name in the language itself
    std::string FileName;
};

// The listed languages, keyed by identifier (ASCII case ignored).
class TLanguages {
public:
    // The new entry; null when the identifier is already listed (the first
    // file with an identifier wins).
    TLanguage* Add(const std::string& id, const std::string& name, const std::string& nativeName,
                   const std::string& fileName);
    // By position or identifier; null when absent.
    TLanguage* Find(const Variant& key) const { return items_.GetItem(key); }
    int32_t GetCount() const { return items_.GetCount(); }

private:
    TObjectCollection<TLanguage> items_;
};

// Language strings by key, in the order of their last setting. Keys ignore
// ASCII case and, as in every named table of the engine, are told apart by
// the CRC-32 of their upper-cased text: two names with equal CRCs are one
// key. Setting and finding a string take constant time, so a language file
// loads in time linear in its length; positions are found by a walk.
class TMLStrings {
public:
    // Replaces any string under name and appends text under it.
    void SetString(std::string_view text, std::string_view name);
    // The string under key, or defaultValue.
    std::string Get(std::string_view key, const std::string& defaultValue) const;
    // The string under key; null when absent. Valid until the next change.
    const std::string* Find(std::string_view key) const;
    // The position of name; -1 when absent.
    int32_t IndexOf(std::string_view name) const;
    // By position or name; empty when absent.
    const std::string& GetItem(const Variant& key) const;
    int32_t GetCount() const { return count_; }
    // Raises EElHashListError for an absent name or a bad position.
    void Delete(const Variant& key);
    void Clear();

private:
    struct TEntry {
        THash hash;
        std::string text;
        bool live;
    };
    // A place of the key index: a key's hash and its entry's position + 1
    // (0: the place is empty).
    struct TKeyPlace {
        THash hash = 0;
        uint32_t entry = 0;
    };

    // The place of hash in the key index, or the empty place where it would
    // go; npos while the index is empty.
    size_t FindPlace(THash hash) const;
    void EraseKey(size_t place);
    void RebuildKeys(size_t places);
    // The entry of the live string at a position; npos when out of range.
    size_t EntryAt(int32_t position) const;
    void RemoveEntry(size_t entry);
    // Drops the holes once they outnumber the live strings.
    void CompactIfSparse();

    // Strings in the order of their setting; removed ones stay behind as
    // holes until they outnumber the live ones.
    std::vector<TEntry> entries_;
    // Open addressing with linear probing, at most half full, so that a
    // lookup mostly reads one place however many strings there are.
    std::vector<TKeyPlace> keys_;
    int32_t count_ = 0;
    size_t holes_ = 0;
};

// Answers whether a language file found by a scan may be listed.
using TBeforeLoadLngFileFunc = bool (*)(const std::string& path, TLanguages* languages);

class TMultiLanguages {
public:
    TMultiLanguages();

    // Clears the strings, loads DefaultLanguageFile, then lays the language's
    // own file over it: the listed file for id, else
    // "<languages folder><id>.lng". True when either layer loaded.
    bool LoadLanguage(const std::string& id);
    // False when the file cannot be read; parse errors raise.
    bool LoadLanguageFile(const std::string& path);
    // Takes "id" and "name", then the strings; false without a "strings" child.
    bool LoadFromStorage(const Ref<IHierStorage>& storage);
    // Lists every "*.lng" file of the languages folder that the hook accepts
    // (all without a hook) and that names an "id" and a "name".
    void ScanLanguages(TBeforeLoadLngFileFunc hook);
    TLanguages* GetLanguages() { return &languages_; }

    bool StringExists(std::string_view key) const { return strings_.Find(key) != nullptr; }
    // The translated string for key, or the translated default.
    std::string GetString(std::string_view key, std::string_view defaultValue) const;
    // Replaces every variable named so (ASCII case ignored) and appends this
    // one at the end.
    void SetVariable(const std::string& name, const std::string& value);
    // The first variable named exactly name; -1 when none.
    int32_t FindVariable(std::string_view name) const;
    std::string TranslateText(std::string_view text) const;

    TMLStrings& Strings() { return strings_; }
    const std::string& GetLanguageId() const { return languageId_; }
    const std::string& GetLanguageName() const { return languageName_; }
    const std::vector<std::string>& VariableNames() const { return variableNames_; }
    const std::vector<std::string>& VariableValues() const { return variableValues_; }

    // The folder of language files, ending with "/": "Languages/" beside the
    // running executable unless set otherwise.
    const std::string& GetLanguagesFolder() const { return languagesFolder_; }
    void SetLanguagesFolder(std::string folder);

    // How deep language strings are expanded inside one another, how many
    // expansions one translation makes at most, and how long its expansions
    // may make it (in bytes, beyond the text given): past any of them, a key
    // is left as written.
    static constexpr int kMaxDepth = 16;
    static constexpr int kMaxExpansions = 4096;
    static constexpr size_t kMaxExpandedLength = size_t{1} << 20;

private:
    struct TTranslation;
    void TranslateInto(std::string_view text, std::string& out, int depth,
                       TTranslation& state) const;

    std::string languageId_;
    std::string languageName_;
    TMLStrings strings_;
    TLanguages languages_;
    std::vector<std::string> variableNames_;
    std::vector<std::string> variableValues_;
    std::string languagesFolder_;
};

// The base language file, loaded under every language. "res:iniresource/
// default.lng" from the unit's start-up until the program sets its own.
extern std::string DefaultLanguageFile;

// The unit's start-up and shut-down: the process-wide instance exists
// between them.
void MultiLanguagesInit();
void MultiLanguagesDone();
inline constexpr TUnit kMultiLanguagesUnit = {"MultiLanguages", MultiLanguagesInit,
                                              MultiLanguagesDone};
// The process-wide instance; null outside the unit's lifetime.
TMultiLanguages* GetMultiLanguages();

// The process-wide instance's operations; each answers the neutral value
// (the text unchanged, false, empty, null) when there is no instance.
std::string Translate(std::string_view text);
void SetTextVariable(const std::string& name, const std::string& value);
bool LoadLanguage(const std::string& id);
std::string GetLanguageString(std::string_view key, std::string_view defaultValue);
bool LanguageStringExists(std::string_view key);
std::string GetLanguageId();
std::string GetLanguageName();
TLanguages* GetLanguageList();
void ScanLanguageFiles(TBeforeLoadLngFileFunc hook);
