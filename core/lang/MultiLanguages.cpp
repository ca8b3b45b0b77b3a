#include "core/lang/MultiLanguages.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "core/packs/ResourceReader.h"
#include "core/storage/XMLStorage.h"

std::string DefaultLanguageFile;

namespace {

std::unique_ptr<TMultiLanguages> g_multiLanguages;

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperCaseMap[uint8_t(a[i])] != UpperCaseMap[uint8_t(b[i])]) return false;
    }
    return true;
}

std::string ValueText(const Ref<IHierStorage>& storage, const std::string& name) {
    return storage->GetValue(name, Variant(std::string())).ToString();
}

}  // namespace

// ---------------------------------------------------------------------------
// TLanguage, TLanguages, TMLStrings

std::string TLanguage::GetDisplayName() const {
    return NativeName.empty() ? Name : Name + " - " + NativeName;
}

TLanguage* TLanguages::Add(const std::string& id, const std::string& name,
                           const std::string& nativeName, const std::string& fileName) {
    return items_.Add(std::make_unique<TLanguage>(id, name, nativeName, fileName), false, id);
}

void TMLStrings::SetString(std::string_view text, std::string_view name) {
    const int32_t index = strings_.IndexOf(name);
    if (index >= 0) strings_.Delete(Variant(index));
    strings_.Add(text, false, name);
}

std::string TMLStrings::Get(std::string_view key, const std::string& defaultValue) const {
    const std::string* text = Find(key);
    return text ? *text : defaultValue;
}

// ---------------------------------------------------------------------------
// TMultiLanguages

struct TMultiLanguages::TTranslation {
    int expansions = 0;
};

TMultiLanguages::TMultiLanguages() : languagesFolder_(ApplicationFolder() + "Languages/") {}

void TMultiLanguages::SetLanguagesFolder(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    languagesFolder_ = std::move(folder);
}

bool TMultiLanguages::LoadLanguage(const std::string& id) {
    strings_.Clear();
    const TLanguage* listed = languages_.Find(Variant(id));
    const std::string languageFile = listed ? listed->FileName : languagesFolder_ + id + ".lng";
    bool loaded = LoadLanguageFile(DefaultLanguageFile);
    try {
        if (LoadLanguageFile(languageFile)) loaded = true;
    } catch (...) {
        // A broken language file leaves the base layer's strings.
    }
    return loaded;
}

bool TMultiLanguages::LoadLanguageFile(const std::string& path) {
    if (path.empty()) return false;
    Ref<IHierStorage> storage = LoadStorageFromFile(path);
    if (!storage) return false;
    return LoadFromStorage(storage);
}

bool TMultiLanguages::LoadFromStorage(const Ref<IHierStorage>& storage) {
    if (!storage) return false;
    languageId_ = ValueText(storage, "id");
    languageName_ = ValueText(storage, "name");
    Ref<IHierStorage> strings = storage->GetChild("strings", 0);
    if (!strings) return false;
    const int32_t count = strings->GetChildCount("string");
    for (int32_t i = 0; i < count; ++i) {
        Ref<IHierStorage> entry = strings->GetChild("string", i);
        if (!entry) continue;
        const std::string name = ValueText(entry, "name");
        if (!name.empty()) strings_.SetString(entry->GetText().ToString(), name);
    }
    return true;
}

void TMultiLanguages::ScanLanguages(TBeforeLoadLngFileFunc hook) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(languagesFolder_, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.size() >= 4 &&
            SameIgnoringAsciiCase(std::string_view(name).substr(name.size() - 4), ".lng")) {
            names.push_back(std::move(name));
        }
    }
    // Directory order differs between file systems; listing in name order
    // decides the same way everywhere which file wins a shared identifier.
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = languagesFolder_ + name;
        if (hook && !hook(path, &languages_)) continue;
        Ref<IHierStorage> storage;
        try {
            storage = LoadStorageFromFile(path);
        } catch (...) {
            continue;  // not a readable language file
        }
        if (!storage) continue;
        const std::string id = ValueText(storage, "id");
        const std::string languageName = ValueText(storage, "name");
        if (!id.empty() && !languageName.empty()) {
            languages_.Add(id, languageName, ValueText(storage, "original_name"), path);
        }
    }
}

std::string TMultiLanguages::GetString(std::string_view key, std::string_view defaultValue) const {
    const std::string* text = strings_.Find(key);
    return TranslateText(text ? std::string_view(*text) : defaultValue);
}

void TMultiLanguages::SetVariable(const std::string& name, const std::string& value) {
    for (size_t i = variableNames_.size(); i-- > 0;) {
        if (SameIgnoringAsciiCase(variableNames_[i], name)) {
            variableNames_.erase(variableNames_.begin() + ptrdiff_t(i));
            variableValues_.erase(variableValues_.begin() + ptrdiff_t(i));
        }
    }
    variableNames_.push_back(name);
    variableValues_.push_back(value);
}

int32_t TMultiLanguages::FindVariable(std::string_view name) const {
    for (size_t i = 0; i < variableNames_.size(); ++i) {
        if (variableNames_[i] == name) return int32_t(i);
    }
    return -1;
}

std::string TMultiLanguages::TranslateText(std::string_view text) const {
    if (text.find('%') == std::string_view::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    TTranslation state;
    TranslateInto(text, out, 0, state);
    return out;
}

void TMultiLanguages::TranslateInto(std::string_view rest, std::string& out, int depth,
                                    TTranslation& state) const {
    for (;;) {
        const size_t open = rest.find('%');
        if (open == std::string_view::npos) break;
        out.append(rest.substr(0, open));
        rest.remove_prefix(open + 1);
        const size_t close = rest.find('%');
        if (close == std::string_view::npos) {
            out += '%';  // a lone percent sign stays
            break;
        }
        if (close == 0) {  // "%%"
            out += '%';
            rest.remove_prefix(1);
            continue;
        }
        const std::string_view key = rest.substr(0, close);
        rest.remove_prefix(close + 1);
        const int32_t variable = FindVariable(key);
        if (variable >= 0) {
            out.append(variableValues_[size_t(variable)]);
            continue;
        }
        const std::string* text = strings_.Find(key);
        if (!text) continue;  // no variable and no string: the key vanishes
        if (depth >= kMaxDepth || state.expansions >= kMaxExpansions) {
            // Strings that keep referring to one another: stop here.
            out += '%';
            out.append(key);
            out += '%';
            continue;
        }
        ++state.expansions;
        TranslateInto(*text, out, depth + 1, state);
    }
    out.append(rest);
}

// ---------------------------------------------------------------------------
// The process-wide instance

void MultiLanguagesInit() {
    DefaultLanguageFile = "res:iniresource/default.lng";
    g_multiLanguages = std::make_unique<TMultiLanguages>();
}

void MultiLanguagesDone() {
    g_multiLanguages.reset();
    DefaultLanguageFile.clear();
}

TMultiLanguages* GetMultiLanguages() {
    return g_multiLanguages.get();
}

std::string Translate(std::string_view text) {
    return g_multiLanguages ? g_multiLanguages->TranslateText(text) : std::string(text);
}

void SetTextVariable(const std::string& name, const std::string& value) {
    if (g_multiLanguages) g_multiLanguages->SetVariable(name, value);
}

bool LoadLanguage(const std::string& id) {
    return g_multiLanguages && g_multiLanguages->LoadLanguage(id);
}

std::string GetLanguageString(std::string_view key, std::string_view defaultValue) {
    return g_multiLanguages ? g_multiLanguages->GetString(key, defaultValue)
                            : std::string(defaultValue);
}

bool LanguageStringExists(std::string_view key) {
    return g_multiLanguages && g_multiLanguages->StringExists(key);
}

std::string GetLanguageId() {
    return g_multiLanguages ? g_multiLanguages->GetLanguageId() : std::string();
}

std::string GetLanguageName() {
    return g_multiLanguages ? g_multiLanguages->GetLanguageName() : std::string();
}

TLanguages* GetLanguageList() {
    return g_multiLanguages ? g_multiLanguages->GetLanguages() : nullptr;
}

void ScanLanguageFiles(TBeforeLoadLngFileFunc hook) {
    if (g_multiLanguages) g_multiLanguages->ScanLanguages(hook);
}
