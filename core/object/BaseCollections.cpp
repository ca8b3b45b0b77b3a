#include "core/object/BaseCollections.h"

#include <algorithm>

#include "core/base/Assert.h"

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

// ---- TCollectionCursor ----

TCollectionCursor::TCollectionCursor(const TBaseCollection& collection, bool backward) noexcept
    : collection_(&collection),
      link_(collection.cursors_),
      next_(backward ? collection.GetCount() - 1 : 0),
      backward_(backward) {
    collection.cursors_ = this;
}

TCollectionCursor::~TCollectionCursor() {
    if (!collection_) return;
    TCollectionCursor** link = &collection_->cursors_;
    while (*link && *link != this) link = &(*link)->link_;
    if (*link) *link = link_;
}

bool TCollectionCursor::Next() noexcept {
    current_ = -1;
    if (!collection_) return false;
    if (backward_) {
        if (next_ >= collection_->GetCount()) next_ = collection_->GetCount() - 1;
        if (next_ < 0) return false;
        current_ = next_--;
    } else {
        if (next_ >= collection_->GetCount()) return false;
        current_ = next_++;
    }
    return true;
}

void* TCollectionCursor::Data() const noexcept {
    return collection_ && current_ >= 0 ? collection_->GetDataAt(current_) : nullptr;
}

void TCollectionCursor::Inserted(int32_t position) noexcept {
    // Forward, the items before next_ are behind the walk; backward, those
    // after it. An item inserted ahead of the walk is visited.
    if (backward_ ? position <= next_ : position < next_) ++next_;
    if (current_ >= 0 && position <= current_) ++current_;
}

void TCollectionCursor::Removed(int32_t position) noexcept {
    if (backward_ ? position <= next_ : position < next_) --next_;
    if (position == current_) {
        current_ = -1;
    } else if (position < current_) {
        --current_;
    }
}

void TCollectionCursor::Emptied() noexcept {
    next_ = backward_ ? -1 : 0;
    current_ = -1;
}

// ---- TBaseCollection ----

TBaseCollection::TBaseCollection() {
    index_.SetQuickHash(false);
    index_.SetDupesMode(himRaise);
    index_.SetHashType(ehtCRC32);
    index_.SetCaseInsensitive(true);
    index_.SetRaiseIfAbsent(false);
    // The collection disposes of its items itself, so that every removal
    // passes through RemoveAt.
    index_.SetOwnsObjects(nullptr);
}

TBaseCollection::~TBaseCollection() {
    for (TCollectionCursor* cursor = cursors_; cursor; cursor = cursor->link_) {
        cursor->collection_ = nullptr;
    }
    cursors_ = nullptr;
    TBaseCollection::Clear();
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

void TBaseCollection::NoteInserted(int32_t position, void* data) {
    for (TCollectionCursor* cursor = cursors_; cursor; cursor = cursor->link_) {
        cursor->Inserted(position);
    }
    Joined(data);
}

void TBaseCollection::RemoveAt(int32_t position) {
    void* data = index_.ExtractAt(position);  // raises for a bad position
    for (TCollectionCursor* cursor = cursors_; cursor; cursor = cursor->link_) {
        cursor->Removed(position);
    }
    Left(data);
    Dispose(data);
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
    // An unnamed item joins its unnamed siblings instead of being refused.
    const bool repeat = emptyNamesRepeat_ && name.empty();
    if (repeat) index_.SetDupesMode(himInsert);
    try {
        if (position == -1) {
            position = index_.Count();
            index_.Add(name, data);
        } else {
            index_.Insert(position, name, data);
        }
    } catch (const EElHashListError&) {
        if (repeat) index_.SetDupesMode(himRaise);
        return false;
    }
    if (repeat) index_.SetDupesMode(himRaise);
    NoteInserted(position, data);
    return true;
}

bool TBaseCollection::TryInsertByHash(void* data, THash hash, int32_t position) {
    try {
        if (position == -1) {
            position = index_.Count();
            index_.AddByHash(hash, data);
        } else {
            index_.InsertByHash(position, hash, data);
        }
    } catch (const EElHashListError&) {
        return false;
    }
    NoteInserted(position, data);
    return true;
}

void* TBaseCollection::Insert(void* data, bool autoName, std::string_view name, int32_t position) {
    return TryInsert(data, autoName, name, position) ? data : nullptr;
}

void* TBaseCollection::InsertByHash(void* data, THash hash, int32_t position) {
    return TryInsertByHash(data, hash, position) ? data : nullptr;
}

bool TBaseCollection::ReplaceAt(int32_t position, void* data) {
    if (position < 0 || position >= index_.Count()) return false;
    void* former = index_.ReplaceDataAt(position, data);
    // The walks keep their place: the position holds an item all along. The
    // newcomer joins first, so that it is held before anything the former
    // item's leaving sets off can reach it.
    Joined(data);
    Left(former);
    Dispose(former);
    return true;
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
    // Taken out and put back without Left, Joined or disposal: the item stays
    // a member. Only the walks see it go and come.
    void* item = index_.ExtractAt(from);
    std::string generated;
    std::string_view newName = name;
    if (autoName) {
        generated = NextAutoName();
        newName = generated;
    } else {
        NoteExplicitName(name);
    }
    try {
        if (position == -1) {
            position = index_.Count();
            index_.Add(newName, item);
        } else {
            index_.Insert(position, newName, item);
        }
    } catch (const EElHashListError&) {
        // Only an automatic name can be refused here; put the item back where
        // it was rather than lose it.
        index_.Insert(from, name, item);
        return false;
    }
    for (TCollectionCursor* cursor = cursors_; cursor; cursor = cursor->link_) {
        cursor->Removed(from);
        cursor->Inserted(position);
    }
    return true;
}

void TBaseCollection::Delete(const Variant& key) {
    int32_t position = 0;
    std::string_view name;
    std::string buffer;
    switch (DecodeKey(key, position, name, buffer)) {
        case TKeyKind::Position:
            RemoveAt(position);
            break;
        case TKeyKind::Name: {
            const int32_t found = IndexOf(name);
            if (found < 0) throw EElHashListError("Hash not found.");
            RemoveAt(found);
            break;
        }
        case TKeyKind::None:
            break;
    }
}

void TBaseCollection::DeleteAt(int32_t position) {
    RemoveAt(position);
}

void TBaseCollection::DeleteByHash(THash hash) {
    const int32_t found = IndexOfHash(hash);
    if (found < 0) throw EElHashListError("Hash not found.");
    RemoveAt(found);
}

void TBaseCollection::Clear() {
    // Everything leaves the list first, so that what a disposal does never
    // meets a half-emptied collection; then first to last.
    const int32_t count = index_.Count();
    if (count == 0) return;
    std::vector<void*> items(size_t(count), nullptr);
    for (int32_t i = 0; i < count; ++i) items[size_t(i)] = index_.GetDataAt(i);
    index_.Clear();
    for (TCollectionCursor* cursor = cursors_; cursor; cursor = cursor->link_) cursor->Emptied();
    for (void* data : items) {
        Left(data);
        Dispose(data);
    }
}

// ---- TInterfaceCollection ----

TInterfaceCollection::TInterfaceCollection() {
    SetDisposer([](void* data) { static_cast<IInterface*>(data)->Release(); });
}

TInterfaceCollection::~TInterfaceCollection() {
    QM_ASSERT(!observer_,
              "An interface collection was destroyed while an observer was still registered; the "
              "owner that registered it must call Close() or SetObserver(nullptr) in its own "
              "destructor.");
    observer_ = nullptr;
    Clear();
}

bool TInterfaceCollection::Add(const Ref<IInterface>& item, bool autoName, std::string_view name,
                               int32_t position) {
    return TryInsert(item.get(), autoName, name, position);
}

bool TInterfaceCollection::AddByHash(const Ref<IInterface>& item, THash hash, int32_t position) {
    return TryInsertByHash(item.get(), hash, position);
}

bool TInterfaceCollection::Replace(int32_t position, const Ref<IInterface>& item) {
    return ReplaceAt(position, item.get());
}

void TInterfaceCollection::Joined(void* data) noexcept {
    if (!data) return;
    auto* item = static_cast<IInterface*>(data);
    item->AddRef();  // the collection's reference, taken only for a kept item
    if (observer_) observer_->ItemAdded(*this, *item);
}

void TInterfaceCollection::Left(void* data) noexcept {
    // The collection's reference is still held: the item is whole while the
    // observer looks at it, and goes with the disposal that follows.
    if (data && observer_) observer_->ItemRemoved(*this, *static_cast<IInterface*>(data));
}

void TInterfaceCollection::Clear() {
    // Last to first, each item out of the list before its reference goes, so
    // that an object freed here never meets itself in the collection.
    while (GetCount() > 0) DeleteAt(GetCount() - 1);
}

void TInterfaceCollection::Close() {
    Clear();
    observer_ = nullptr;
}

// ---- TStringCollection ----

TStringCollection::TStringCollection() {
    SetDisposer(&DisposeAs<std::string>);
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
    SetDisposer(&DisposeAs<TStringRecord>);
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
