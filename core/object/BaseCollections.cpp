#include "core/object/BaseCollections.h"

#include <algorithm>

namespace {

// Byte comparison with ASCII letters folded to upper case.
int CompareTextUpper(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = UpperCaseMap[uint8_t(a[i])];
        const int cb = UpperCaseMap[uint8_t(b[i])];
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

enum class TKeyKind { None, Position, Name };

// Decodes a key; a wide name is narrowed into `buffer`, which `name` may then
// point into.
TKeyKind DecodeKey(const Variant& key, int32_t& position, std::string_view& name,
                   std::string& buffer) {
    if (const auto* v = key.Get<int32_t>()) {
        position = *v;
        return TKeyKind::Position;
    }
    if (const auto* v = key.Get<int16_t>()) {
        position = *v;
        return TKeyKind::Position;
    }
    if (const auto* v = key.Get<uint8_t>()) {
        position = *v;
        return TKeyKind::Position;
    }
    if (const auto* v = key.Get<std::string>()) {
        name = *v;
        return TKeyKind::Name;
    }
    if (key.Get<WideString>()) {
        buffer = key.ToString();
        name = buffer;
        return TKeyKind::Name;
    }
    return TKeyKind::None;
}

const std::string& EmptyText() {
    static const std::string empty;
    return empty;
}

}  // namespace

// ---- TBaseCollection ----

TBaseCollection::TBaseCollection() {
    index_.SetQuickHash(false);
    index_.SetDupesMode(himRaise);
    index_.SetHashType(ehtCRC32);
    index_.SetCaseInsensitive(true);
    index_.SetRaiseIfAbsent(false);
    index_.SetOwnsObjects(nullptr);
}

std::string TBaseCollection::NextAutoName() {
    const char top = index_.CaseInsensitive() ? 'Z' : 'z';
    if (lastName_.empty()) {
        lastName_.assign(1, '!');
    } else if (lastName_.back() == top) {
        lastName_ += '!';
    } else {
        lastName_.back() = char(uint8_t(lastName_.back()) + 1);
    }
    return lastName_;
}

void TBaseCollection::NoteExplicitName(std::string_view name) {
    if (CompareTextUpper(lastName_, name) < 0) lastName_ = name;
}

bool TBaseCollection::TryInsert(void* data, bool autoName, std::string_view name,
                                int32_t position) {
    std::string generated;
    if (autoName) {
        generated = NextAutoName();
        name = generated;
    } else {
        NoteExplicitName(name);
    }
    try {
        if (position == -1) {
            index_.Add(name, data);
        } else {
            index_.Insert(position, name, data);
        }
    } catch (const EElHashListError&) {
        return false;
    }
    return true;
}

bool TBaseCollection::TryInsertByHash(void* data, THash hash, int32_t position) {
    try {
        if (position == -1) {
            index_.AddByHash(hash, data);
        } else {
            index_.InsertByHash(position, hash, data);
        }
    } catch (const EElHashListError&) {
        return false;
    }
    return true;
}

void* TBaseCollection::Insert(void* data, bool autoName, std::string_view name, int32_t position) {
    return TryInsert(data, autoName, name, position) ? data : nullptr;
}

void* TBaseCollection::InsertByHash(void* data, THash hash, int32_t position) {
    return TryInsertByHash(data, hash, position) ? data : nullptr;
}

void* TBaseCollection::GetData(const Variant& key) const {
    int32_t position = 0;
    std::string_view name;
    std::string buffer;
    switch (DecodeKey(key, position, name, buffer)) {
        case TKeyKind::Position:
            return GetDataAt(position);
        case TKeyKind::Name:
            return GetDataByName(name);
        case TKeyKind::None:
            break;
    }
    return nullptr;
}

bool TBaseCollection::MoveItem(std::string_view name, const Variant& target, bool autoName) {
    int32_t position = 0;
    std::string_view targetName;
    std::string buffer;
    switch (DecodeKey(target, position, targetName, buffer)) {
        case TKeyKind::Position:
            if (position < 0 || position >= GetCount()) return false;
            break;
        case TKeyKind::Name:
            position = IndexOf(targetName);  // -1 appends
            break;
        case TKeyKind::None:
            return false;
    }
    const int32_t from = IndexOf(name);
    if (from < 0) return false;
    // Taken out without releasing anything; it goes back in at once.
    void* item = index_.ExtractAt(from);
    if (!TryInsert(item, autoName, name, position)) {
        // Only an automatic name can be refused here; put the item back where
        // it was rather than lose it.
        index_.Insert(from, name, item);
        return false;
    }
    return true;
}

void TBaseCollection::Delete(const Variant& key) {
    int32_t position = 0;
    std::string_view name;
    std::string buffer;
    switch (DecodeKey(key, position, name, buffer)) {
        case TKeyKind::Position:
            index_.DeleteAt(position);
            break;
        case TKeyKind::Name:
            index_.Delete(name);
            break;
        case TKeyKind::None:
            break;
    }
}

// ---- TInterfaceCollection ----

TInterfaceCollection::TInterfaceCollection() {
    Index().SetOwnsObjects([](void* data) { static_cast<IInterface*>(data)->Release(); });
}

bool TInterfaceCollection::Add(const Ref<IInterface>& item, bool autoName, std::string_view name,
                               int32_t position) {
    IInterface* raw = item.get();
    if (!TryInsert(raw, autoName, name, position)) return false;
    if (raw) raw->AddRef();
    return true;
}

bool TInterfaceCollection::AddByHash(const Ref<IInterface>& item, THash hash, int32_t position) {
    IInterface* raw = item.get();
    if (!TryInsertByHash(raw, hash, position)) return false;
    if (raw) raw->AddRef();
    return true;
}

void TInterfaceCollection::Clear() {
    // Last to first, each item out of the list before its reference goes, so
    // that an object freed here never meets itself in the collection.
    TElHashList& index = Index();
    while (index.Count() > 0) {
        if (void* data = index.ExtractAt(index.Count() - 1))
            static_cast<IInterface*>(data)->Release();
    }
    index.Clear();
}

// ---- TStringCollection ----

TStringCollection::TStringCollection() {
    Index().SetOwnsObjects(&TElHashList::DeleteAs<std::string>);
}

bool TStringCollection::Add(std::string_view text, bool autoName, std::string_view name,
                            int32_t position) {
    auto cell = std::make_unique<std::string>(text);
    if (!TryInsert(cell.get(), autoName, name, position)) return false;
    cell.release();
    return true;
}

const std::string& TStringCollection::GetItem(const Variant& key) const {
    const auto* cell = static_cast<const std::string*>(GetData(key));
    return cell ? *cell : EmptyText();
}

bool TStringCollection::TryGetByName(std::string_view name, std::string& value) const {
    const auto* cell = static_cast<const std::string*>(GetDataByName(name));
    value = cell ? *cell : std::string();
    return cell != nullptr;
}

bool TStringCollection::SetValue(std::string_view name, std::string_view value) {
    auto* cell = static_cast<std::string*>(GetDataByName(name));
    if (!cell) return false;
    // Same position and name as deleting and adding there again.
    NoteExplicitName(name);
    cell->assign(value);
    return true;
}

// ---- TNamedStringCollection ----

TNamedStringCollection::TNamedStringCollection() {
    Index().SetOwnsObjects(&TElHashList::DeleteAs<TStringRecord>);
}

bool TNamedStringCollection::Add(std::string_view value, bool autoName, std::string_view name,
                                 int32_t position) {
    auto record =
        std::make_unique<TStringRecord>(TStringRecord{std::string(value), std::string(name)});
    if (!TryInsert(record.get(), autoName, name, position)) return false;
    record.release();
    return true;
}

const std::string& TNamedStringCollection::GetItem(const Variant& key) const {
    const TStringRecord* record = Record(key);
    return record ? record->Value : EmptyText();
}

bool TNamedStringCollection::GetItem(const Variant& key, std::string& name,
                                     std::string& value) const {
    const TStringRecord* record = Record(key);
    name = record ? record->Name : std::string();
    value = record ? record->Value : std::string();
    return record != nullptr;
}

bool TNamedStringCollection::GetValue(std::string_view name, std::string& value) const {
    const auto* record = static_cast<const TStringRecord*>(GetDataByName(name));
    value = record ? record->Value : std::string();
    return record != nullptr;
}

bool TNamedStringCollection::SetValue(std::string_view name, std::string_view value) {
    auto* record = static_cast<TStringRecord*>(GetDataByName(name));
    if (!record) return false;
    record->Name.assign(name);
    record->Value.assign(value);
    return true;
}

// ---- TNamespace ----

bool TNamespace::Find(std::string_view name, int32_t& position) const {
    int32_t low = 0;
    int32_t high = int32_t(order_.size()) - 1;
    bool found = false;
    while (low <= high) {
        const int32_t middle = low + (high - low) / 2;
        const int c = CompareTextUpper(names_[size_t(order_[size_t(middle)])], name);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) {
                found = true;
                low = middle;
            }
        }
    }
    position = low;
    return found;
}

int32_t TNamespace::Add(std::string_view name) {
    int32_t position = 0;
    if (Find(name, position)) return order_[size_t(position)];
    const auto id = int32_t(names_.size());
    order_.reserve(order_.size() + 1);  // so that the two arrays stay in step
    names_.emplace_back(name);
    order_.insert(order_.begin() + position, id);
    return id;
}

const std::string& TNamespace::GetName(int32_t index) const {
    if (index < 0 || index >= Count()) return EmptyText();
    return names_[size_t(index)];
}

void TNamespace::Clear() {
    names_.clear();
    order_.clear();
}
