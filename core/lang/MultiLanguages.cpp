#include "core/lang/MultiLanguages.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "core/base/Log.h"
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

// A key given as a position the way the named tables take one; false for a
// name or anything else.
bool KeyPosition(const Variant& key, int32_t& position) {
    if (const auto* v = key.Get<int32_t>()) {
        position = *v;
    } else if (const auto* v16 = key.Get<int16_t>()) {
        position = *v16;
    } else if (const auto* v8 = key.Get<uint8_t>()) {
        position = *v8;
    } else {
        return false;
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

namespace {

// The first place a hash probes: its bits mixed, so that keys that differ
// only in their last characters spread over the index.
size_t HomePlace(THash hash, size_t places) {
    uint32_t h = hash;
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h & (places - 1);
}

constexpr size_t kNone = std::string::npos;

}  // namespace

size_t TMLStrings::FindPlace(THash hash) const {
    if (keys_.empty()) return kNone;
    const size_t mask = keys_.size() - 1;
    size_t place = HomePlace(hash, keys_.size());
    while (keys_[place].entry != 0 && keys_[place].hash != hash) place = (place + 1) & mask;
    return place;
}

void TMLStrings::RebuildKeys(size_t places) {
    keys_.assign(places, TKeyPlace{});
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (!entries_[i].live) continue;
        keys_[FindPlace(entries_[i].hash)] = {entries_[i].hash, static_cast<uint32_t>(i + 1)};
    }
}

// Linear probing without tombstones: the keys after the erased one move back
// into the gap unless their own first place lies between.
void TMLStrings::EraseKey(size_t place) {
    const size_t mask = keys_.size() - 1;
    size_t gap = place;
    for (size_t next = (gap + 1) & mask; keys_[next].entry != 0; next = (next + 1) & mask) {
        const size_t home = HomePlace(keys_[next].hash, keys_.size());
        const bool staysPut =
            gap <= next ? (gap < home && home <= next) : (gap < home || home <= next);
        if (!staysPut) {
            keys_[gap] = keys_[next];
            gap = next;
        }
    }
    keys_[gap] = TKeyPlace{};
}

void TMLStrings::RemoveEntry(size_t entry) {
    entries_[entry].live = false;
    entries_[entry].text = std::string();
    --count_;
    ++holes_;
}

void TMLStrings::CompactIfSparse() {
    if (holes_ <= 64 || holes_ <= static_cast<size_t>(count_)) return;
    std::erase_if(entries_, [](const TEntry& e) { return !e.live; });
    holes_ = 0;
    RebuildKeys(keys_.size());
}

void TMLStrings::SetString(std::string_view text, std::string_view name) {
    const THash hash = CRC32OfStringUpper(name);
    if (2 * (static_cast<size_t>(count_) + 1) > keys_.size()) {
        RebuildKeys(std::max<size_t>(16, 2 * keys_.size()));
    }
    const size_t place = FindPlace(hash);
    if (keys_[place].entry != 0) RemoveEntry(keys_[place].entry - 1);
    entries_.push_back({hash, std::string(text), true});
    ++count_;
    keys_[place] = {hash, static_cast<uint32_t>(entries_.size())};
    CompactIfSparse();
}

std::string TMLStrings::Get(std::string_view key, const std::string& defaultValue) const {
    const std::string* text = Find(key);
    return text ? *text : defaultValue;
}

const std::string* TMLStrings::Find(std::string_view key) const {
    const size_t place = FindPlace(CRC32OfStringUpper(key));
    if (place == kNone || keys_[place].entry == 0) return nullptr;
    return &entries_[keys_[place].entry - 1].text;
}

int32_t TMLStrings::IndexOf(std::string_view name) const {
    const size_t place = FindPlace(CRC32OfStringUpper(name));
    if (place == kNone || keys_[place].entry == 0) return -1;
    const size_t entry = keys_[place].entry - 1;
    if (holes_ == 0) return static_cast<int32_t>(entry);
    int32_t position = 0;
    for (size_t i = 0; i < entry; ++i) position += entries_[i].live ? 1 : 0;
    return position;
}

size_t TMLStrings::EntryAt(int32_t position) const {
    if (position < 0 || position >= count_) return kNone;
    if (holes_ == 0) return static_cast<size_t>(position);
    for (size_t i = 0;; ++i) {
        if (entries_[i].live && position-- == 0) return i;
    }
}

const std::string& TMLStrings::GetItem(const Variant& key) const {
    static const std::string kEmpty;
    if (key.Get<std::string>() || key.Get<WideString>()) {
        const std::string* text = Find(key.ToString());
        return text ? *text : kEmpty;
    }
    int32_t position = 0;
    if (!KeyPosition(key, position)) return kEmpty;
    const size_t entry = EntryAt(position);
    return entry == kNone ? kEmpty : entries_[entry].text;
}

void TMLStrings::Delete(const Variant& key) {
    size_t entry = kNone;
    if (key.Get<std::string>() || key.Get<WideString>()) {
        const size_t place = FindPlace(CRC32OfStringUpper(key.ToString()));
        if (place == kNone || keys_[place].entry == 0) throw EElHashListError("Hash not found.");
        entry = keys_[place].entry - 1;
    } else {
        int32_t position = 0;
        if (!KeyPosition(key, position)) return;
        entry = EntryAt(position);
        if (entry == kNone) throw EElHashListError("Invalid position for HashList.");
    }
    EraseKey(FindPlace(entries_[entry].hash));
    RemoveEntry(entry);
    CompactIfSparse();
}

void TMLStrings::Clear() {
    entries_.clear();
    keys_.clear();
    count_ = 0;
    holes_ = 0;
}

// ---------------------------------------------------------------------------
// TMultiLanguages

struct TMultiLanguages::TTranslation {
    int expansions = 0;
    size_t lengthLimit = 0;  // expansions stop short of this output length
};

TMultiLanguages::TMultiLanguages() : languagesFolder_(ApplicationFolder() + "Languages/") {}

void TMultiLanguages::SetLanguagesFolder(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    languagesFolder_ = std::move(folder);
}

// A base file or a listed language file that cannot be read is logged
// ("LANGUAGE", the file and who loads it); the load goes on without it.
bool TMultiLanguages::LoadLanguage(const std::string& id) {
    strings_.Clear();
    const TLanguage* listed = languages_.Find(Variant(id));
    const std::string languageFile = listed ? listed->FileName : languagesFolder_ + id + ".lng";
    const auto who = [&id] { return id.empty() ? std::string("the start-up") : "the language \"" + id + "\""; };
    bool loaded = LoadLanguageFile(DefaultLanguageFile);
    // Without its base texts every caption is blank: say which file is gone.
    if (!loaded && !DefaultLanguageFile.empty()) {
        Log("LANGUAGE", "the base texts \"" + DefaultLanguageFile + "\" that " + who() +
                            " loads cannot be read: captions stay blank");
    }
    try {
        if (LoadLanguageFile(languageFile)) {
            loaded = true;
        } else if (listed) {
            Log("LANGUAGE", "the texts \"" + languageFile + "\" of " + who() + " cannot be read");
        }
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
    state.lengthLimit = text.size() + kMaxExpandedLength;
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
        // An expansion that would take the output past its limit (strings
        // that keep referring to one another, or a huge value repeated) is
        // left as written.
        const auto keepKey = [&] {
            out += '%';
            out.append(key);
            out += '%';
        };
        const int32_t variable = FindVariable(key);
        if (variable >= 0) {
            const std::string& value = variableValues_[size_t(variable)];
            if (out.size() + value.size() > state.lengthLimit) {
                keepKey();
            } else {
                out.append(value);
            }
            continue;
        }
        const std::string* text = strings_.Find(key);
        if (!text) continue;  // no variable and no string: the key vanishes
        if (depth >= kMaxDepth || state.expansions >= kMaxExpansions ||
            out.size() + text->size() > state.lengthLimit) {
            keepKey();
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
