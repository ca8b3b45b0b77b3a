// The document model: text forms of values, the name table, node lists, the
// node base class with attributes and path selection, and the node kinds.
#include "core/xml/SimpleXml.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "core/base/AsciiText.h"
#include "core/base/Assert.h"
#include "core/base/Utf8.h"
#include "core/xml/XmlInternal.h"
#include "core/xml/XmlStore.h"

namespace xml_internal {

void Raise(const std::string& message) {
    throw Exception(message);
}

void RaiseExpected(std::u16string_view what) {
    Raise("\"" + ToUtf8(what) + "\" expected");
}

std::string Narrow(std::u16string_view text) { return WideToString(text); }

WideString Widen(std::string_view text) { return StringToWide(text); }

std::string ToUtf8(std::u16string_view text) { return WideToUTF8(text); }

void ReleaseNode(TXmlNode* node) noexcept {
    // A node whose last reference goes frees its children through this
    // function again; while a release is running those are queued here and
    // released by the outermost call, one level at a time.
    static thread_local std::vector<TXmlNode*> pending;
    static thread_local bool draining = false;
    // A node without children, or one that lives on, frees no subtree now.
    if ((!node->HasChildItems() && !node->HasChildList()) || node->RefCount() > 1) {
        node->Release();
        return;
    }
    if (draining) {
        pending.push_back(node);
        return;
    }
    draining = true;
    node->Release();
    while (!pending.empty()) {
        TXmlNode* next = pending.back();
        pending.pop_back();
        next->Release();
    }
    draining = false;
}

}  // namespace xml_internal

using namespace xml_internal;

namespace {

Ref<TXmlNameTable>& DefaultTableSlot() {
    static Ref<TXmlNameTable> table;
    return table;
}

bool g_defaultPreserveWhiteSpace = false;

WideString TrimControl(std::u16string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && text[b] <= 32) ++b;
    while (e > b && text[e - 1] <= 32) --e;
    return WideString(text.substr(b, e - b));
}

bool PreservesWhiteSpace(TXmlNode* node) {
    for (TXmlNode* n = node; n; n = n->Parent()) {
        if (n->Kind() == NODE_DOCUMENT)
            return static_cast<TXmlDocument*>(n)->GetPreserveWhiteSpace();
    }
    return g_defaultPreserveWhiteSpace;
}

TXmlNode* ToNode(IXmlNode* node) {
    if (!node) return nullptr;
    TXmlNode* n = dynamic_cast<TXmlNode*>(node);
    if (!n) Raise("The node does not belong to this XML library");
    return n;
}

std::string Format1(const char* pattern, const WideString& arg) {
    std::string p = pattern;
    size_t at = p.find("%s");
    return p.substr(0, at) + ToUtf8(arg) + p.substr(at + 2);
}

// Days of a civil date counted from 30 December 1899.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569;  // 25569: 1899-12-30 to 1970-01-01
}

void CivilFromDays(int64_t days, int64_t& y, int64_t& m, int64_t& d) {
    int64_t z = days - 25569 + 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

// Names are short: a plain loop beats a call to memcmp.
template <class Ch>
inline bool SameUnits(const Ch* a, const char16_t* b, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (static_cast<char16_t>(a[i]) != b[i]) return false;
    }
    return true;
}

// Arrays of attributes and list items grow by 4, then by 16, then by a
// quarter of their capacity.
template <class Vector>
void GrowInSteps(Vector& items) {
    size_t capacity = items.capacity();
    if (items.size() == capacity) {
        items.reserve(capacity + (capacity > 64 ? capacity / 4 : capacity > 8 ? 16 : 4));
    }
}

bool IsLeapYear(int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

constexpr char kBase64Chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Free routines

Ref<IXmlNameTable> CreateNameTable(int32_t hashSize) {
    return MakeRef<TXmlNameTable>(hashSize);
}

TXmlNameTable* XmlDefaultNameTable() {
    Ref<TXmlNameTable>& table = DefaultTableSlot();
    if (!table) table = MakeRef<TXmlNameTable>(4096);
    return table.get();
}

void InitSimpleXml() {
    XmlDefaultNameTable();
}
void DoneSimpleXml() {
    DefaultTableSlot() = nullptr;
}

bool GetXmlDefaultPreserveWhiteSpace() {
    return g_defaultPreserveWhiteSpace;
}
void SetXmlDefaultPreserveWhiteSpace(bool preserve) {
    g_defaultPreserveWhiteSpace = preserve;
}

WideString XmlEscapeText(const WideString& text) {
    WideString out;
    AppendEscaped(text, out);
    return out;
}

WideString VarToXmlStr(const Variant& value) {
    switch (value.Type()) {
        case varNull:
            return u"{{null}}";
        case varSingle:
            return Widen(XmlFloatToStr(*value.Get<float>()));
        case varDouble:
            return Widen(XmlFloatToStr(*value.Get<double>()));
        case varCurrency:
            return Widen(
                XmlFloatToStr(static_cast<double>(value.Get<Currency>()->scaled) / 10000.0));
        case varDate:
            return Widen(XmlDateTimeToStr(value.Get<TDateTime>()->days));
        case varOleStr:
            return *value.Get<WideString>();
        case varString:
            return Widen(*value.Get<std::string>());
        case varBoolean:
            return *value.Get<bool>() ? u"1" : u"0";
        case varByteArray: {
            const ByteArray& bytes = *value.Get<ByteArray>();
            return Widen(BinToBase64(bytes.data(), bytes.size(), 0));
        }
        default:
            return value.ToWideString();
    }
}

std::string XmlFloatToStr(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    // to_chars never looks at the locale, so "." is the separator.
    char buf[64];
    auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string s(buf, result.ptr);
    size_t e = s.find('e');
    if (e != std::string::npos) {
        std::string exponent = s.substr(e + 1);
        bool negative = exponent[0] == '-';
        size_t digits = exponent.find_first_not_of("+-0");
        exponent = digits == std::string::npos ? "0" : exponent.substr(digits);
        s = s.substr(0, e) + "E" + (negative ? "-" : "") + exponent;
    }
    return s;
}

double XmlStrToFloat(const WideString& text) {
    std::string narrow = Narrow(text);
    double value;
    if (!TryTextToFloat(narrow, value)) {
        throw EVariantError("'" + ToUtf8(text) + "' is not a valid floating point value");
    }
    return value;
}

std::string XmlDateTimeToStr(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 1e8) {
        throw EVariantError("Invalid date-time value " + XmlFloatToStr(value));
    }
    double whole = std::trunc(value);
    int64_t ms = std::llround(std::fabs(value - whole) * 86400000.0);
    int64_t days = static_cast<int64_t>(whole);
    if (ms >= 86400000) {  // rounding reached the next day
        ms -= 86400000;
        days += value < 0 ? -1 : 1;
    }
    int64_t y, m, d;
    CivilFromDays(days, y, m, d);
    int64_t seconds = ms / 1000;
    char buf[80];
    std::snprintf(buf, sizeof buf, "%.4d-%.2d-%.2dT%.2d-%.2d-%.2d", static_cast<int>(y),
                  static_cast<int>(m), static_cast<int>(d), static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return buf;
}

double XmlStrToDateTime(const std::string& text) {
    static const char kSeparators[6] = {'-', '-', 'T', '-', '-', '-'};
    int64_t parts[6] = {0, 0, 0, 0, 0, 0};
    size_t pos = 0;
    for (int i = 0; i < 6; ++i) {
        int64_t n = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            if (n < 1000000000) n = n * 10 + (text[pos] - '0');
            ++pos;
        }
        parts[i] = n;
        if (pos < text.size() && text[pos] == kSeparators[i]) {
            ++pos;
        } else {
            break;
        }
    }
    int64_t y = parts[0], m = parts[1], d = parts[2];
    static const int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 ||
        d > kMonthDays[m - 1] + (m == 2 && IsLeapYear(y) ? 1 : 0)) {
        throw EVariantError("Invalid argument to date encode");
    }
    if (parts[3] > 23 || parts[4] > 59 || parts[5] > 59) {
        throw EVariantError("Invalid argument to time encode");
    }
    double date = static_cast<double>(DaysFromCivil(y, m, d));
    double time = static_cast<double>(parts[3] * 3600 + parts[4] * 60 + parts[5]) / 86400.0;
    return date + time;
}

std::string BinToBase64(const void* data, size_t count, int32_t lineLength) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    std::string text;
    text.reserve((count + 2) / 3 * 4);
    for (size_t i = 0; i < count; i += 3) {
        uint32_t group = static_cast<uint32_t>(bytes[i]) << 16;
        if (i + 1 < count) group |= static_cast<uint32_t>(bytes[i + 1]) << 8;
        if (i + 2 < count) group |= bytes[i + 2];
        text += kBase64Chars[(group >> 18) & 63];
        text += kBase64Chars[(group >> 12) & 63];
        text += i + 1 < count ? kBase64Chars[(group >> 6) & 63] : '=';
        text += i + 2 < count ? kBase64Chars[group & 63] : '=';
    }
    if (lineLength <= 0) return text;
    // A line break goes before every character at index L - 1 + k * L.
    size_t length = static_cast<size_t>(lineLength);
    std::string lines;
    lines.reserve(text.size() + text.size() / length * 2 + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        if (i + 1 >= length && (i + 1 - length) % length == 0) lines += "\r\n";
        lines += text[i];
    }
    return lines;
}

ByteArray Base64ToBin(std::string_view text) {
    std::string clean;
    clean.reserve(text.size());
    for (char c : text) {
        if (static_cast<unsigned char>(c) > 32) clean += c;
    }
    size_t length = clean.size();
    if (length < 4) return {};
    size_t count = (length + 3) / 4 * 3;
    if (clean[length - 2] == '=') {
        count -= 2;
    } else if (clean[length - 1] == '=') {
        count -= 1;
    }
    ByteArray bytes(count);
    size_t out = 0;
    for (size_t i = 0; i < length && out < count; i += 4) {
        uint32_t group = 0;
        for (size_t k = 0; k < 4; ++k) {
            group =
                group << 6 | static_cast<uint32_t>(i + k < length ? Base64Value(clean[i + k]) : 0);
        }
        for (int k = 2; k >= 0 && out < count; --k) {
            bytes[out++] = static_cast<uint8_t>(group >> (8 * k));
        }
    }
    return bytes;
}

bool IsXmlName(const WideString& name) {
    if (name.empty() || !IsNameStart(name[0])) return false;
    for (size_t i = 1; i < name.size(); ++i) {
        if (!IsNameChar(name[i])) return false;
    }
    return true;
}

WideString GetAttrsXML(TXmlNode& node) {
    return GetAttrsText(node);
}

bool XmlIsInBinaryFormat(std::string_view text) {
    return text.size() >= BinXmlSignature.size() &&
           text.substr(0, BinXmlSignature.size()) == BinXmlSignature;
}

bool IsXmlDataString(std::string_view text) {
    if (XmlIsInBinaryFormat(text)) return true;
    size_t i = 0;
    while (i < text.size() &&
           (text[i] == '\t' || text[i] == '\n' || text[i] == '\r' || text[i] == ' ')) {
        ++i;
    }
    return text.substr(i, 6) == "<?xml ";
}

void AppendElementAndDescend(Ref<IXmlNode>& node, const std::string& name) {
    if (!name.empty() && node) node = node->AppendElement(Widen(name));
}

bool SelectElementAndDescend(Ref<IXmlNode>& node, const std::string& path) {
    if (!path.empty() && node) {
        Ref<IXmlNode> found = node->SelectSingleNode(Widen(path));
        node = found ? Ref<IXmlNode>(found->AsElement()) : nullptr;
    }
    return static_cast<bool>(node);
}

bool LoadXmlResource(const std::string&, const std::string&, const Ref<IXmlDocument>&) {
    return false;
}

// ---------------------------------------------------------------------------
// TXmlNameTable

TXmlNameTable::TXmlNameTable(int32_t hashSize)
    : buckets_(static_cast<size_t>(std::max<int32_t>(hashSize, 1))) {
    SetBucketMask();
    FindReserved();
}

void TXmlNameTable::FindReserved() {
    idText_ = GetID(u"#text");
    idCDATA_ = GetID(u"#cdata-section");
    idComment_ = GetID(u"#comment");
    idDocument_ = GetID(u"#document");
    idXml_ = GetID(u"xml");
}

template <class Ch>
int32_t TXmlNameTable::Intern(const Ch* name, size_t length) {
    if (length == 0) return -1;
    uint32_t hash = 0;
    for (size_t i = 0; i < length; ++i) hash = HashStep(hash, static_cast<uint16_t>(name[i]));
    return InternHashed(name, length, hash);
}

template <class Ch>
int32_t TXmlNameTable::InternHashed(const Ch* name, size_t length, uint32_t hash) {
    std::vector<int32_t>& bucket = buckets_[BucketOf(hash)];
    for (int32_t id : bucket) {
        const WideString& candidate = names_[static_cast<size_t>(id)];
        if (candidate.size() == length && SameUnits(name, candidate.data(), length)) return id;
    }
    int32_t id = static_cast<int32_t>(names_.size());
    names_.emplace_back(name, name + length);
    bucket.push_back(id);
    return id;
}

int32_t TXmlNameTable::GetID(const char16_t* name, size_t length, uint32_t hash) {
    return length == 0 ? -1 : InternHashed(name, length, hash);
}

int32_t TXmlNameTable::GetID(const WideString& name) {
    return Intern(name.data(), name.size());
}
int32_t TXmlNameTable::GetID(const char16_t* name, size_t length) {
    return Intern(name, length);
}

int32_t TXmlNameTable::FindID(const char16_t* name, size_t length) const {
    if (length == 0) return -1;
    uint32_t hash = 0;
    for (size_t i = 0; i < length; ++i) hash = hash * 33 + name[i];
    for (int32_t id : buckets_[BucketOf(hash)]) {
        const WideString& candidate = names_[static_cast<size_t>(id)];
        if (candidate.size() == length && SameUnits(name, candidate.data(), length)) return id;
    }
    return -1;
}

WideString TXmlNameTable::GetName(int32_t id) {
    return NameOf(id);
}

const WideString& TXmlNameTable::NameOf(int32_t id) const {
    static const WideString kEmpty;
    return ValidID(id) ? names_[static_cast<size_t>(id)] : kEmpty;
}

void TXmlNameTable::Assign(std::vector<WideString> names,
                           std::vector<std::vector<int32_t>> buckets) {
    names_ = std::move(names);
    buckets_ = std::move(buckets);
    if (buckets_.empty()) buckets_.resize(1);
    SetBucketMask();
    FindReserved();
}

// ---------------------------------------------------------------------------
// TXmlNodeList

TXmlNodeList::~TXmlNodeList() {
    for (TXmlNode* node : items_) ReleaseNode(node);
}

std::span<TXmlNode* const> TXmlNodeList::Items() const {
    if (owner_) return owner_->Children();
    return {items_.data(), items_.size()};
}

Ref<IXmlNode> TXmlNodeList::Get(int32_t index) {
    std::span<TXmlNode* const> items = Items();
    if (index < 0 || static_cast<size_t>(index) >= items.size()) Raise(kErrListIndex);
    return Ref<IXmlNode>(items[static_cast<size_t>(index)]);
}

WideString TXmlNodeList::GetXML() {
    WideString out;
    for (TXmlNode* node : Items()) WriteNodeXml(*node, out);
    return out;
}

void TXmlNodeList::Add(TXmlNode* node) {
    QM_ASSERT(!owner_, "Items were added to a node's child list past the node.");
    items_.push_back(node);
    node->AddRef();
}

void TXmlNodeList::TakeOver(std::span<TXmlNode* const> items) {
    items_.assign(items.begin(), items.end());
    for (TXmlNode* node : items_) {
        if (node->parent_ == owner_) node->parent_ = nullptr;
    }
    owner_ = nullptr;
}

// ---------------------------------------------------------------------------
// TXmlNode: memory, children and attributes

namespace {

// Every kind but the document takes one node block of its store.
static_assert(std::max({sizeof(TXmlElement), sizeof(TXmlText), sizeof(TXmlCDATASection),
                        sizeof(TXmlComment), sizeof(TXmlProcessingInstruction)}) <=
              TXmlStore::kNodeBlock);

TXmlNameTable* TableOrDefault(TXmlNameTable* table) {
    return table ? table : XmlDefaultNameTable();
}

// Units above 255 become "?", as instruction data keeps 8-bit text.
WideString EightBitUnits(std::u16string_view text) {
    WideString units(text);
    for (char16_t& unit : units) {
        if (unit > 255) unit = u'?';
    }
    return units;
}

}  // namespace

void* TXmlNode::operator new(size_t size, TXmlStore& store) {
    QM_ASSERT(size <= TXmlStore::kNodeBlock, "A node kind is larger than a node block.");
    (void)size;
    return store.AllocateNode();
}

void TXmlNode::operator delete(void* block, TXmlStore& store) noexcept {
    store.FreeNode(block);
}

void TXmlNode::operator delete(TXmlNode* node, std::destroying_delete_t) noexcept {
    TXmlStore* store = node->store_;
    node->~TXmlNode();
    store->FreeNode(node);
    store->Drop(1);
}

TXmlNode::TXmlNode(TXmlStore& store, TXmlNameTable* names, int32_t kind, int32_t nameId)
    : names_(names), nameId_(nameId), store_(&store), kind_(kind) {
    if (kind != NODE_DOCUMENT) store.AddNode();
}

TXmlNode::~TXmlNode() {
    if (store_) ReleaseContents();
}

void TXmlNode::ReleaseContents() noexcept {
    if (list_) {
        TXmlNodeList* list = std::exchange(list_, nullptr);
        if (list->RefCount() > 1) {
            // Someone still holds the list: it lives on with the children.
            list->TakeOver(Children());
            childCount_ = 0;
        }
        list->owner_ = nullptr;
        list->Release();
    }
    for (uint32_t i = 0; i < childCount_; ++i) {
        TXmlNode* child = childs_[i];
        if (child->parent_ == this) child->parent_ = nullptr;
        ReleaseNode(child);
    }
    childCount_ = 0;
    store_->Free(childs_, childCapacity_ * sizeof(TXmlNode*));
    childs_ = nullptr;
    childCapacity_ = 0;
    for (uint32_t i = 0; i < attrCount_; ++i) store_->ReleaseValue(attrs_[i]);
    attrCount_ = 0;
    store_->Free(attrs_, attrCapacity_ * sizeof(TXmlAttr));
    attrs_ = nullptr;
    attrCapacity_ = 0;
    store_->ReleaseValue(value_);
}

void TXmlNode::GrowChildren() {
    if (childCapacity_ > (UINT32_MAX >> 2)) Raise("Too many child nodes");
    uint32_t capacity = childCapacity_ ? childCapacity_ * 2 : 4;
    auto* grown = static_cast<TXmlNode**>(store_->Allocate(capacity * sizeof(TXmlNode*)));
    std::copy_n(childs_, childCount_, grown);
    store_->Free(childs_, childCapacity_ * sizeof(TXmlNode*));
    childs_ = grown;
    childCapacity_ = capacity;
}

void TXmlNode::ReserveChild() {
    if (childCount_ == childCapacity_) GrowChildren();
}

void TXmlNode::AppendNew(Ref<TXmlNode>&& node) {
    ReserveChild();
    TXmlNode* child = node.Detach();
    childs_[childCount_++] = child;
    child->parent_ = this;
}

void TXmlNode::InsertChildAt(TXmlNode* node, int32_t index) {
    if (!node) return;
    if (index < -1 || index > ChildCount()) Raise(kErrListIndex);
    Ref<TXmlNode> keep(node);  // the former parent may hold the only reference
    for (TXmlNode* up = this; up; up = up->parent_) {
        if (up == node) Raise("A node cannot be inserted into its own subtree");
    }
    if (TXmlNode* former = node->parent_) {
        int32_t at = former->IndexOfChild(node);
        if (at >= 0) {
            if (former == this && index > at) --index;
            former->DeleteChildAt(at);
        }
        node->parent_ = nullptr;
    }
    ReserveChild();
    uint32_t at = index < 0 ? childCount_ : static_cast<uint32_t>(index);
    std::copy_backward(childs_ + at, childs_ + childCount_, childs_ + childCount_ + 1);
    childs_[at] = node;
    ++childCount_;
    node->AddRef();
    node->parent_ = this;
    node->SetNameTable(names_);
}

void TXmlNode::DeleteChildAt(int32_t index) {
    if (index < 0 || index >= ChildCount()) Raise(kErrListIndex);
    TXmlNode* node = childs_[index];
    std::copy(childs_ + index + 1, childs_ + childCount_, childs_ + index);
    --childCount_;
    if (node->parent_ == this) node->parent_ = nullptr;
    ReleaseNode(node);
}

int32_t TXmlNode::IndexOfChild(const TXmlNode* node) const {
    for (uint32_t i = 0; i < childCount_; ++i) {
        if (childs_[i] == node) return static_cast<int32_t>(i);
    }
    return -1;
}

void TXmlNode::ReplaceChildAt(int32_t index, TXmlNode* node) {
    if (index < 0 || index >= ChildCount()) Raise(kErrListIndex);
    if (!node || childs_[index] == node) return;
    Ref<TXmlNode> keep(node);
    for (TXmlNode* up = this; up; up = up->parent_) {
        if (up == node) Raise("A node cannot be inserted into its own subtree");
    }
    if (TXmlNode* former = node->parent_) {
        int32_t at = former->IndexOfChild(node);
        if (at >= 0) {
            if (former == this && index > at) --index;
            former->DeleteChildAt(at);
        }
        node->parent_ = nullptr;
    }
    TXmlNode* old = childs_[index];
    childs_[index] = node;
    node->AddRef();
    if (old->parent_ == this) old->parent_ = nullptr;
    node->parent_ = this;
    node->SetNameTable(names_);
    ReleaseNode(old);
}

void TXmlNode::ClearChildren() {
    // The children are taken out of the node before any of them is released.
    uint32_t count = std::exchange(childCount_, 0);
    for (uint32_t i = 0; i < count; ++i) {
        TXmlNode* child = childs_[i];
        if (child->parent_ == this) child->parent_ = nullptr;
        ReleaseNode(child);
    }
}

void TXmlNode::MaterializeChildren() {
    if (kind_ != NODE_ELEMENT || value_.IsEmpty()) return;
    if (value_.Kind() == TXmlValue::kTyped && store_->Typed(value_.Slot()).IsNull()) return;
    ReserveChild();
    Ref<TXmlText> text = MakeNode<TXmlText>(*store_, names_);
    text->value_ = std::exchange(value_, TXmlValue());  // the same store: the cell moves
    text->parent_ = this;
    std::copy_backward(childs_, childs_ + childCount_, childs_ + childCount_ + 1);
    childs_[0] = text.Detach();
    ++childCount_;
}

void TXmlNode::SetNameTable(TXmlNameTable* table) {
    if (names_ == table) return;
    TXmlNameTable* old = names_;
    std::vector<int32_t> map(old->Names().size());
    for (size_t i = 0; i < map.size(); ++i) map[i] = table->GetID(old->Names()[i]);
    auto remap = [&](int32_t id) {
        return id >= 0 && static_cast<size_t>(id) < map.size() ? map[static_cast<size_t>(id)] : id;
    };
    TXmlStore* kept = nullptr;
    std::vector<TXmlNode*> stack{this};
    while (!stack.empty()) {
        TXmlNode* node = stack.back();
        stack.pop_back();
        if (node->store_ != kept) {
            node->store_->KeepTable(table);
            kept = node->store_;
        }
        if (node->kind_ == NODE_ELEMENT || node->kind_ == NODE_PROCESSING_INSTRUCTION) {
            node->nameId_ = remap(node->nameId_);
        }
        for (TXmlAttr& attr : std::span(node->attrs_, node->attrCount_)) {
            attr.nameId = remap(attr.nameId);
        }
        node->names_ = table;
        for (TXmlNode* child : node->Children()) stack.push_back(child);
    }
}

void TXmlNode::ReplaceNameTable(TXmlNameTable* table) {
    store_->KeepTable(table);
    names_ = table;
}

TXmlAttr* TXmlNode::MutableAttr(int32_t nameId) {
    for (uint32_t i = 0; i < attrCount_; ++i) {
        if (attrs_[i].nameId == nameId) return &attrs_[i];
    }
    return nullptr;
}

const TXmlAttr* TXmlNode::FindAttr(int32_t nameId) const {
    for (uint32_t i = 0; i < attrCount_; ++i) {
        if (attrs_[i].nameId == nameId) return &attrs_[i];
    }
    return nullptr;
}

void TXmlNode::ReserveAttrs(size_t count) {
    size_t wanted = attrCount_ + count;
    if (wanted <= attrCapacity_) return;
    if (wanted > (UINT32_MAX >> 2)) Raise("Too many attributes");
    // Loaders reserve the exact count; one by one the array doubles.
    size_t capacity = count > 1 ? wanted : std::max<size_t>(wanted, attrCapacity_ * 2);
    auto* grown = static_cast<TXmlAttr*>(store_->Allocate(capacity * sizeof(TXmlAttr)));
    std::copy_n(attrs_, attrCount_, grown);
    store_->Free(attrs_, attrCapacity_ * sizeof(TXmlAttr));
    attrs_ = grown;
    attrCapacity_ = static_cast<uint32_t>(capacity);
}

void TXmlNode::PutAttrCell(int32_t nameId, const TXmlValue& cell) {
    if (TXmlAttr* attr = MutableAttr(nameId)) {
        store_->ReleaseValue(*attr);
        attr->data = cell.data;
        attr->meta = cell.meta;
        return;
    }
    try {
        TXmlAttr& attr = AppendAttrCell(nameId);
        attr.data = cell.data;
        attr.meta = cell.meta;
    } catch (...) {
        TXmlValue lost = cell;
        store_->ReleaseValue(lost);
        throw;
    }
}

void TXmlNode::PutAttr(int32_t nameId, const Variant& value) {
    TXmlValue cell;
    store_->Assign(cell, value);
    PutAttrCell(nameId, cell);
}

void TXmlNode::PutAttrText(int32_t nameId, std::u16string_view text) {
    TXmlValue cell;
    store_->AssignText(cell, text);
    PutAttrCell(nameId, cell);
}

void TXmlNode::CopyAttrsFrom(const TXmlNode& other) {
    ReserveAttrs(other.attrCount_);
    for (const TXmlAttr& attr : other.Attrs()) {
        TXmlValue cell;
        store_->CopyValue(cell, attr, *other.store_);
        PutAttrCell(attr.nameId, cell);
    }
}

void TXmlNode::CopyValueFrom(const TXmlNode& other) {
    store_->CopyValue(value_, other.value_, *other.store_);
}

void TXmlNode::SetValueCell(const Variant& value) {
    store_->Assign(value_, value);
}

void TXmlNode::SetValueText(std::u16string_view text) {
    store_->AssignText(value_, text);
}

void TXmlNode::AdoptValueCell(const TXmlValue& cell) {
    store_->ReleaseValue(value_);
    value_.data = cell.data;
    value_.meta = cell.meta;
}

WideString TXmlNode::ValueText(const TXmlValue& cell) const {
    if (cell.IsText()) return WideString(cell.Text());
    return VarToXmlStr(store_->ToVariant(cell));
}

WideString TXmlNode::AttrText(const TXmlAttr& attr) const {
    if (attr.IsText()) return WideString(attr.Text());
    return store_->ToVariant(attr).ToWideString();
}

// ---------------------------------------------------------------------------
// TXmlNode: the node operations

Ref<IXmlNameTable> TXmlNode::GetNameTable() {
    return Ref<IXmlNameTable>(names_);
}

WideString TXmlNode::GetNodeName() {
    return names_->NameOf(GetNodeNameID());
}

int32_t TXmlNode::GetNodeNameID() {
    switch (kind_) {
        case NODE_TEXT:
            return names_->TextID();
        case NODE_CDATA_SECTION:
            return names_->CDATASectionID();
        case NODE_COMMENT:
            return names_->CommentID();
        case NODE_DOCUMENT:
            return names_->DocumentID();
        default:
            return nameId_;
    }
}

WideString TXmlNode::GetText() {
    // Elements and documents: the non-empty texts of the element, text and
    // CDATA descendants in document order, one blank between them.
    if (!HasChildItems()) {
        if (kind_ != NODE_ELEMENT || value_.IsEmpty()) return {};
        return ValueText(value_);
    }
    bool preserve = PreservesWhiteSpace(this);
    WideString result;
    auto add = [&result](std::u16string_view piece) {
        if (piece.empty()) return;
        if (!result.empty()) result += u' ';
        result += piece;
    };
    struct Frame {
        TXmlNode* node;
        size_t next;
    };
    std::vector<Frame> stack{{this, 0}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        std::span<TXmlNode* const> items = top.node->Children();
        if (top.next >= items.size()) {
            stack.pop_back();
            continue;
        }
        TXmlNode* child = items[top.next++];
        switch (child->kind_) {
            case NODE_ELEMENT:
                if (child->HasChildItems()) {
                    stack.push_back({child, 0});
                } else if (!child->value_.IsEmpty()) {
                    add(child->ValueText(child->value_));
                }
                break;
            case NODE_TEXT:
                if (child->value_.IsText()) {
                    add(child->value_.Text());
                } else {
                    add(child->ValueText(child->value_));
                }
                break;
            case NODE_CDATA_SECTION: {
                std::u16string_view data = child->value_.Text();
                add(preserve ? data : TrimControl(data));
                break;
            }
            default:
                break;
        }
    }
    return result;
}

int32_t TXmlNode::GetDataType() {
    return varOleStr;
}
Variant TXmlNode::GetValue() {
    return Variant(GetText());
}
void TXmlNode::SetValue(const Variant& value) {
    SetText(value.ToWideString());
}

WideString TXmlNode::GetXML() {
    WideString out;
    WriteNodeXml(*this, out);
    return out;
}

Ref<IXmlNode> TXmlNode::CloneNode(bool deep) {
    Ref<TXmlNode> root = CloneSelf(*store_, deep);
    if (!deep || !CopiesChildren() || !HasChildItems()) return Ref<IXmlNode>(root.get());
    TXmlStore& into = root->Store();
    std::vector<std::pair<TXmlNode*, TXmlNode*>> stack{{this, root.get()}};
    while (!stack.empty()) {
        auto [source, copy] = stack.back();
        stack.pop_back();
        for (TXmlNode* child : source->Children()) {
            Ref<TXmlNode> childCopy = child->CloneSelf(into, true);
            TXmlNode* made = childCopy.get();
            copy->AppendNew(std::move(childCopy));
            if (child->CopiesChildren() && child->HasChildItems()) stack.push_back({child, made});
        }
    }
    return Ref<IXmlNode>(root.get());
}

Ref<IXmlNode> TXmlNode::GetParentNode() {
    return Ref<IXmlNode>(parent_);
}

Ref<IXmlDocument> TXmlNode::GetOwnerDocument() {
    for (TXmlNode* node = this; node; node = node->parent_) {
        if (node->kind_ == NODE_DOCUMENT) {
            return Ref<IXmlDocument>(static_cast<TXmlDocument*>(node));
        }
    }
    return nullptr;
}

Ref<IXmlNodeList> TXmlNode::GetChildNodes() {
    MaterializeChildren();
    if (!list_) {
        list_ = MakeRef<TXmlNodeList>(this).Detach();  // the node's own reference
    }
    return Ref<IXmlNodeList>(list_);
}

void TXmlNode::AppendChild(const Ref<IXmlNode>& node) {
    if (TXmlNode* n = ToNode(node.get())) {
        MaterializeChildren();
        InsertChildAt(n, -1);
    }
}

void TXmlNode::InsertBefore(const Ref<IXmlNode>& node, const Ref<IXmlNode>& reference) {
    TXmlNode* n = ToNode(node.get());
    if (!n) return;
    TXmlNode* ref = ToNode(reference.get());
    if (n == ref) return;
    MaterializeChildren();
    InsertChildAt(n, ref ? IndexOfChild(ref) : -1);
}

void TXmlNode::ReplaceChild(const Ref<IXmlNode>& newNode, const Ref<IXmlNode>& oldNode) {
    TXmlNode* n = ToNode(newNode.get());
    TXmlNode* old = ToNode(oldNode.get());
    if (!n || !old) return;
    MaterializeChildren();
    int32_t index = IndexOfChild(old);
    if (index >= 0) ReplaceChildAt(index, n);
}

int32_t TXmlNode::RemoveChild(const Ref<IXmlNode>& node) {
    TXmlNode* n = ToNode(node.get());
    if (!n) return -1;
    int32_t index = IndexOfChild(n);
    if (index >= 0) DeleteChildAt(index);
    return index;
}

Ref<IXmlElement> TXmlNode::AppendElement(int32_t nameId) {
    Ref<TXmlElement> element = MakeNode<TXmlElement>(*store_, names_, nameId);
    MaterializeChildren();
    InsertChildAt(element.get(), -1);
    return Ref<IXmlElement>(element.get());
}

Ref<IXmlElement> TXmlNode::AppendElement(const WideString& name) {
    return AppendElement(names_->GetID(name));
}

Ref<IXmlText> TXmlNode::AppendText(const WideString& text) {
    Ref<TXmlText> node = MakeNode<TXmlText>(*store_, names_);
    node->SetValueText(text);
    MaterializeChildren();
    InsertChildAt(node.get(), -1);
    return Ref<IXmlText>(node.get());
}

Ref<IXmlCDATASection> TXmlNode::AppendCDATA(const WideString& text) {
    Ref<TXmlCDATASection> node = MakeNode<TXmlCDATASection>(*store_, names_);
    node->SetValueText(text);
    MaterializeChildren();
    InsertChildAt(node.get(), -1);
    return Ref<IXmlCDATASection>(node.get());
}

Ref<IXmlComment> TXmlNode::AppendComment(const WideString& text) {
    Ref<TXmlComment> node = MakeNode<TXmlComment>(*store_, names_);
    node->SetValueText(text);
    MaterializeChildren();
    InsertChildAt(node.get(), -1);
    return Ref<IXmlComment>(node.get());
}

Ref<IXmlProcessingInstruction> TXmlNode::AppendProcessingInstruction(int32_t targetId,
                                                                     const WideString& data) {
    Ref<TXmlProcessingInstruction> node =
        MakeNode<TXmlProcessingInstruction>(*store_, names_, targetId);
    node->SetText(data);
    MaterializeChildren();
    InsertChildAt(node.get(), -1);
    return Ref<IXmlProcessingInstruction>(node.get());
}

Ref<IXmlProcessingInstruction> TXmlNode::AppendProcessingInstruction(const WideString& target,
                                                                     const WideString& data) {
    return AppendProcessingInstruction(names_->GetID(target), data);
}

TXmlNode* TXmlNode::FindChildByID(int32_t nameId) {
    if (nameId < 0) return nullptr;
    for (TXmlNode* child : Children()) {
        if (child->GetNodeNameID() == nameId) return child;
    }
    return nullptr;
}

WideString TXmlNode::GetChildText(const WideString& name, const WideString& def) {
    return GetChildText(names_->FindID(name), def);
}

WideString TXmlNode::GetChildText(int32_t nameId, const WideString& def) {
    TXmlNode* child = FindChildByID(nameId);
    return child ? child->GetText() : def;
}

void TXmlNode::SetChildText(const WideString& name, const WideString& text) {
    SetChildText(names_->GetID(name), text);
}

void TXmlNode::SetChildText(int32_t nameId, const WideString& text) {
    if (TXmlNode* child = FindChildByID(nameId)) {
        child->SetText(text);
    } else {
        AppendElement(nameId)->SetText(text);
    }
}

Ref<IXmlNode> TXmlNode::NeedChild(int32_t nameId) {
    TXmlNode* child = FindChildByID(nameId);
    if (!child) Raise(Format1("Child element \"%s\" not found", names_->NameOf(nameId)));
    return Ref<IXmlNode>(child);
}

Ref<IXmlNode> TXmlNode::NeedChild(const WideString& name) {
    TXmlNode* child = FindChildByID(names_->FindID(name));
    if (!child) Raise(Format1("Child element \"%s\" not found", name));
    return Ref<IXmlNode>(child);
}

Ref<IXmlNode> TXmlNode::EnsureChild(int32_t nameId) {
    if (TXmlNode* child = FindChildByID(nameId)) return Ref<IXmlNode>(child);
    return Ref<IXmlNode>(AppendElement(nameId).get());
}

Ref<IXmlNode> TXmlNode::EnsureChild(const WideString& name) {
    return EnsureChild(names_->GetID(name));
}

void TXmlNode::RemoveAllChilds() {
    ClearChildren();
}

TXmlNode* TXmlNode::FindChildElementNoCase(const WideString& name) {
    if (!IsXmlName(name)) return nullptr;
    for (TXmlNode* child : Children()) {
        if (child->kind_ != NODE_ELEMENT) continue;
        if (EqualIgnoringAsciiCase(names_->NameOf(child->nameId_), name)) return child;
    }
    return nullptr;
}

TXmlNode* TXmlNode::FindChildByAttrText(int32_t elementId, int32_t attrId,
                                        const WideString& value) {
    if (elementId < 0) return nullptr;
    for (TXmlNode* child : Children()) {
        if (child->kind_ != NODE_ELEMENT || child->nameId_ != elementId) continue;
        try {
            const TXmlAttr* attr = attrId >= 0 ? child->FindAttr(attrId) : nullptr;
            WideString text = attr ? child->AttrText(*attr) : WideString();
            if (EqualIgnoringAsciiCase(text, value)) return child;
        } catch (const Exception&) {
            // A value without a text form matches nothing.
        }
    }
    return nullptr;
}

Ref<IXmlNodeList> TXmlNode::SelectNodes(const WideString& path) {
    if (IsXmlName(path)) {
        Ref<TXmlNodeList> list = MakeRef<TXmlNodeList>(nullptr);
        int32_t id = names_->FindID(path);
        if (id >= 0) {
            for (TXmlNode* child : Children()) {
                if (child->kind_ == NODE_ELEMENT && child->nameId_ == id) list->Add(child);
            }
        }
        return Ref<IXmlNodeList>(list.get());
    }
    if (!path.empty() && path.back() == u'*') {
        WideString rest = path.substr(0, path.size() - 1);
        if (!rest.empty() && rest.back() == u'/') rest.pop_back();
        Ref<IXmlNode> node = rest.empty() ? Ref<IXmlNode>(this) : SelectSingleNode(rest);
        if (!node) return nullptr;
        return node->GetChildNodes();
    }
    return nullptr;
}

Ref<IXmlNode> TXmlNode::SelectSingleNode(const WideString& path) {
    if (IsXmlName(path)) {
        int32_t id = names_->FindID(path);
        if (id >= 0) {
            for (TXmlNode* child : Children()) {
                if (child->kind_ == NODE_ELEMENT && child->nameId_ == id) {
                    return Ref<IXmlNode>(child);
                }
            }
        }
        return nullptr;
    }
    TXmlNode* current = this;
    size_t start = 0;
    while (current && start <= path.size()) {
        size_t slash = path.find(u'/', start);
        if (slash == WideString::npos) slash = path.size();
        WideString step = path.substr(start, slash - start);
        start = slash + 1;
        if (step.empty()) continue;
        if (step == u"..") {
            current = current->parent_;
            continue;
        }
        size_t bracket = step.find(u'[');
        if (bracket != WideString::npos) {
            WideString predicate = step.substr(bracket + 1, step.size() - bracket - 2);
            if (bracket + 1 >= step.size()) predicate.clear();
            size_t equals = predicate.find(u'=');
            if (equals == WideString::npos) continue;
            WideString attrName = predicate.substr(0, equals);
            if (!attrName.empty() && attrName[0] == u'@') attrName.erase(0, 1);
            TXmlNameTable* table = current->names_;
            current =
                current->FindChildByAttrText(table->FindID(step.substr(0, bracket)),
                                             table->FindID(attrName), predicate.substr(equals + 1));
            continue;
        }
        current = current->FindChildElementNoCase(step);
    }
    return Ref<IXmlNode>(current);
}

Ref<IXmlElement> TXmlNode::FindElement(const WideString& name) {
    TXmlNode* found = FindChildElementNoCase(name);
    return found ? Ref<IXmlElement>(static_cast<TXmlElement*>(found)) : nullptr;
}

Ref<IXmlElement> TXmlNode::FindElement(const std::string& elementName, const std::string& attrName,
                                       const Variant& value) {
    int32_t elementId = names_->FindID(Widen(elementName));
    int32_t attrId = names_->FindID(Widen(attrName));
    if (elementId < 0) return nullptr;
    for (TXmlNode* child : Children()) {
        if (child->kind_ != NODE_ELEMENT || child->nameId_ != elementId) continue;
        const TXmlAttr* attr = attrId >= 0 ? child->FindAttr(attrId) : nullptr;
        Variant a = attr ? child->store_->ToVariant(*attr) : Variant();
        bool equal;
        if (a.IsEmpty() || value.IsEmpty()) {
            equal = a.IsEmpty() && value.IsEmpty();
        } else if (a.IsNull() || value.IsNull()) {
            equal = a.IsNull() && value.IsNull();
        } else {
            equal = a == value;  // never raises: uncomparable values are unequal
        }
        if (equal) return Ref<IXmlElement>(static_cast<TXmlElement*>(child));
    }
    return nullptr;
}

Ref<IXmlElement> TXmlNode::FindElement(const std::string& elementName, const std::string& attrName,
                                       const std::string& value) {
    TXmlNode* found = FindChildByAttrText(names_->FindID(Widen(elementName)),
                                          names_->FindID(Widen(attrName)), Widen(value));
    return found ? Ref<IXmlElement>(static_cast<TXmlElement*>(found)) : nullptr;
}

// ---------------------------------------------------------------------------
// TXmlNode: attributes by name

int32_t TXmlNode::GetAttrNameID(int32_t index) {
    if (index < 0 || index >= GetAttrCount()) Raise(kErrListIndex);
    return attrs_[index].nameId;
}

WideString TXmlNode::GetAttrName(int32_t index) {
    return names_->NameOf(GetAttrNameID(index));
}

void TXmlNode::RemoveAttr(const WideString& name) {
    RemoveAttr(names_->FindID(name));
}

void TXmlNode::RemoveAttr(int32_t nameId) {
    TXmlAttr* attr = MutableAttr(nameId);
    if (!attr) return;
    store_->ReleaseValue(*attr);
    std::copy(attr + 1, attrs_ + attrCount_, attr);
    --attrCount_;
}

void TXmlNode::RemoveAllAttrs() {
    for (uint32_t i = 0; i < attrCount_; ++i) store_->ReleaseValue(attrs_[i]);
    attrCount_ = 0;
}

bool TXmlNode::AttrExists(int32_t nameId) {
    return FindAttr(nameId) != nullptr;
}
bool TXmlNode::AttrExists(const WideString& name) {
    return AttrExists(names_->FindID(name));
}

int32_t TXmlNode::GetAttrType(int32_t nameId) {
    const TXmlAttr* attr = FindAttr(nameId);
    return attr ? store_->TypeOf(*attr) : varOleStr;
}
int32_t TXmlNode::GetAttrType(const WideString& name) {
    return GetAttrType(names_->FindID(name));
}

Variant TXmlNode::GetVarAttr(int32_t nameId, const Variant& def) {
    const TXmlAttr* attr = FindAttr(nameId);
    return attr ? store_->ToVariant(*attr) : def;
}
Variant TXmlNode::GetVarAttr(const WideString& name, const Variant& def) {
    return GetVarAttr(names_->FindID(name), def);
}

void TXmlNode::SetVarAttr(int32_t nameId, const Variant& value) {
    PutAttr(nameId, value);
}
void TXmlNode::SetVarAttr(const WideString& name, const Variant& value) {
    PutAttr(names_->GetID(name), value);
}

WideString TXmlNode::NeedAttr(int32_t nameId) {
    const TXmlAttr* attr = FindAttr(nameId);
    if (!attr) Raise(Format1("Attribute \"%s\" not specified", names_->NameOf(nameId)));
    return AttrText(*attr);
}
WideString TXmlNode::NeedAttr(const WideString& name) {
    const TXmlAttr* attr = FindAttr(names_->FindID(name));
    if (!attr) Raise(Format1("Attribute \"%s\" not specified", name));
    return AttrText(*attr);
}

WideString TXmlNode::GetAttr(int32_t nameId, const WideString& def) {
    const TXmlAttr* attr = FindAttr(nameId);
    return attr ? AttrText(*attr) : def;
}
WideString TXmlNode::GetAttr(const WideString& name, const WideString& def) {
    return GetAttr(names_->FindID(name), def);
}

void TXmlNode::SetAttr(int32_t nameId, const WideString& value) {
    PutAttrText(nameId, value);
}
void TXmlNode::SetAttr(const WideString& name, const WideString& value) {
    PutAttrText(names_->GetID(name), value);
}

bool TXmlNode::GetBoolAttr(int32_t nameId, bool def) {
    const TXmlAttr* attr = FindAttr(nameId);
    return attr ? store_->ToVariant(*attr).ToBool() : def;
}
bool TXmlNode::GetBoolAttr(const WideString& name, bool def) {
    return GetBoolAttr(names_->FindID(name), def);
}
void TXmlNode::SetBoolAttr(int32_t nameId, bool value) {
    PutAttr(nameId, Variant(value));
}
void TXmlNode::SetBoolAttr(const WideString& name, bool value) {
    PutAttr(names_->GetID(name), Variant(value));
}

int32_t TXmlNode::GetIntAttr(int32_t nameId, int32_t def) {
    const TXmlAttr* attr = FindAttr(nameId);
    return attr ? store_->ToVariant(*attr).ToInt() : def;
}
int32_t TXmlNode::GetIntAttr(const WideString& name, int32_t def) {
    return GetIntAttr(names_->FindID(name), def);
}
void TXmlNode::SetIntAttr(int32_t nameId, int32_t value) {
    PutAttr(nameId, Variant(value));
}
void TXmlNode::SetIntAttr(const WideString& name, int32_t value) {
    PutAttr(names_->GetID(name), Variant(value));
}

double TXmlNode::GetDateTimeAttr(int32_t nameId, double def) {
    const TXmlAttr* attr = FindAttr(nameId);
    if (!attr) return def;
    if (attr->IsText()) return XmlStrToDateTime(Narrow(attr->Text()));
    Variant value = store_->ToVariant(*attr);
    if (value.IsString()) return XmlStrToDateTime(Narrow(value.ToWideString()));
    return value.ToDouble();
}
double TXmlNode::GetDateTimeAttr(const WideString& name, double def) {
    return GetDateTimeAttr(names_->FindID(name), def);
}
void TXmlNode::SetDateTimeAttr(int32_t nameId, double value) {
    PutAttr(nameId, Variant(TDateTime{value}));
}
void TXmlNode::SetDateTimeAttr(const WideString& name, double value) {
    SetDateTimeAttr(names_->GetID(name), value);
}

double TXmlNode::GetFloatAttr(int32_t nameId, double def) {
    const TXmlAttr* attr = FindAttr(nameId);
    if (!attr) return def;
    if (attr->IsText()) return XmlStrToFloat(WideString(attr->Text()));
    Variant value = store_->ToVariant(*attr);
    switch (value.Type()) {
        case varSmallint:
        case varInteger:
        case varBoolean:
        case varByte:
        case varInt64:
        case varSingle:
        case varDouble:
        case varCurrency:
            return value.ToDouble();
        default:
            return XmlStrToFloat(value.ToWideString());
    }
}
double TXmlNode::GetFloatAttr(const WideString& name, double def) {
    return GetFloatAttr(names_->FindID(name), def);
}
void TXmlNode::SetFloatAttr(int32_t nameId, double value) {
    PutAttr(nameId, Variant(value));
}
void TXmlNode::SetFloatAttr(const WideString& name, double value) {
    PutAttr(names_->GetID(name), Variant(value));
}

int32_t TXmlNode::GetHexAttr(int32_t nameId, int32_t def) {
    const TXmlAttr* attr = FindAttr(nameId);
    if (!attr) return def;
    std::string text = Narrow(AttrText(*attr));
    uint64_t result = 0;
    bool valid = !text.empty();
    for (char c : text) {
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit < 0) {
            valid = false;
            break;
        }
        result = result * 16 + static_cast<uint64_t>(digit);
        if (result > 0xFFFFFFFFu) {
            valid = false;
            break;
        }
    }
    if (!valid) throw EVariantError("'$" + text + "' is not a valid integer value");
    return static_cast<int32_t>(static_cast<uint32_t>(result));
}
int32_t TXmlNode::GetHexAttr(const WideString& name, int32_t def) {
    return GetHexAttr(names_->FindID(name), def);
}

void TXmlNode::SetHexAttr(int32_t nameId, int32_t value, int32_t digits) {
    char buf[16];
    int length = std::snprintf(buf, sizeof buf, "%X", static_cast<uint32_t>(value));
    size_t width = static_cast<size_t>(std::clamp(digits, 0, 256));
    std::string text(width > static_cast<size_t>(length) ? width - static_cast<size_t>(length) : 0,
                     '0');
    text.append(buf, static_cast<size_t>(length));
    PutAttr(nameId, Variant(std::move(text)));
}
void TXmlNode::SetHexAttr(const WideString& name, int32_t value, int32_t digits) {
    SetHexAttr(names_->GetID(name), value, digits);
}

int32_t TXmlNode::EnumIndex(int32_t nameId, const std::vector<WideString>& values, bool& found) {
    const TXmlAttr* attr = FindAttr(nameId);
    found = attr != nullptr;
    if (!attr) return -1;
    std::string text = Narrow(AttrText(*attr));
    for (size_t i = 0; i < values.size(); ++i) {
        std::string candidate = Narrow(values[i]);
        if (candidate.size() == text.size() &&
            std::equal(candidate.begin(), candidate.end(), text.begin(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) ==
                       std::toupper(static_cast<unsigned char>(b));
            })) {
            return static_cast<int32_t>(i);
        }
    }
    std::string list;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) list += "\r\n";
        list += ToUtf8(values[i]);
    }
    Raise("Wrong value of attribute \"" + ToUtf8(names_->NameOf(nameId)) + "\" in element \"" +
          ToUtf8(GetNodeName()) + "\".\r\nValid values are:\r\n" + list);
}

int32_t TXmlNode::GetEnumAttr(int32_t nameId, const std::vector<WideString>& values, int32_t def) {
    bool found;
    int32_t index = EnumIndex(nameId, values, found);
    return found ? index : def;
}
int32_t TXmlNode::GetEnumAttr(const WideString& name, const std::vector<WideString>& values,
                              int32_t def) {
    return GetEnumAttr(names_->FindID(name), values, def);
}

int32_t TXmlNode::NeedEnumAttr(int32_t nameId, const std::vector<WideString>& values) {
    bool found;
    int32_t index = EnumIndex(nameId, values, found);
    if (!found) Raise(Format1("Attribute \"%s\" not found", names_->NameOf(nameId)));
    return index;
}
int32_t TXmlNode::NeedEnumAttr(const WideString& name, const std::vector<WideString>& values) {
    int32_t nameId = names_->FindID(name);
    if (!FindAttr(nameId)) Raise(Format1("Attribute \"%s\" not found", name));
    return NeedEnumAttr(nameId, values);
}

Variant TXmlNode::GetPathValue(const std::string& path) {
    if (path.empty()) return GetValue();
    if (path[0] == '@') return GetVarAttr(Widen(path.substr(1)), Variant(WideString()));
    Ref<IXmlNode> node = SelectSingleNode(Widen(path));
    return node ? node->GetValue() : Variant(WideString());
}

void TXmlNode::SetPathValue(const std::string& path, const Variant& value) {
    if (path.empty()) {
        SetValue(value);
    } else if (path[0] == '@') {
        SetVarAttr(Widen(path.substr(1)), value);
    } else {
        WideString widePath = Widen(path);
        Ref<IXmlNode> node = SelectSingleNode(widePath);
        if (!node) node = Ref<IXmlNode>(AppendElement(widePath).get());
        node->SetValue(value);
    }
}

// ---------------------------------------------------------------------------
// Node kinds

TXmlElement::TXmlElement(TXmlStore& store, TXmlNameTable* names, int32_t nameId)
    : TXmlNode(store, names, NODE_ELEMENT, nameId) {}

void TXmlElement::SetText(const WideString& text) {
    ClearChildren();
    SetValueText(text);
}

int32_t TXmlElement::GetDataType() {
    return HasChildItems() || Value().IsEmpty() ? varOleStr : Store().TypeOf(Value());
}

Variant TXmlElement::GetValue() {
    return HasChildItems() ? Variant(GetText()) : Store().ToVariant(Value());
}

void TXmlElement::SetValue(const Variant& value) {
    ClearChildren();
    SetValueCell(value);
}

void TXmlElement::RemoveTextChildren() {
    MaterializeChildren();
    for (int32_t i = ChildCount() - 1; i >= 0; --i) {
        int32_t kind = Children()[static_cast<size_t>(i)]->Kind();
        if (kind == NODE_TEXT || kind == NODE_CDATA_SECTION) DeleteChildAt(i);
    }
}

void TXmlElement::ReplaceTextByCDATASection(const WideString& text) {
    RemoveTextChildren();
    size_t start = 0;
    for (;;) {
        size_t at = text.find(u"]]>", start);
        if (at == WideString::npos) {
            AppendCDATA(text.substr(start));
            return;
        }
        AppendCDATA(text.substr(start, at + 1 - start));
        start = at + 1;
    }
}

void TXmlElement::ReplaceTextByBinaryData(const void* data, int32_t count, int32_t lineLength) {
    RemoveTextChildren();
    AppendText(Widen(BinToBase64(data, count > 0 ? static_cast<size_t>(count) : 0, lineLength)));
}

WideString TXmlElement::GetTextAsBinaryData() {
    ByteArray bytes = Base64ToBin(Narrow(GetText()));
    return WideString(bytes.begin(), bytes.end());
}

Ref<TXmlNode> TXmlElement::CloneSelf(TXmlStore& store, bool deep) {
    Ref<TXmlElement> copy = MakeNode<TXmlElement>(store, NameTable(), NameID());
    copy->CopyAttrsFrom(*this);
    if (deep) copy->CopyValueFrom(*this);  // the text held inline is content too
    return Ref<TXmlNode>(copy.get());
}

TXmlText::TXmlText(TXmlStore& store, TXmlNameTable* names)
    : TXmlNode(store, names, NODE_TEXT, -1) {}

WideString TXmlText::GetText() {
    return ValueText(Value());
}
int32_t TXmlText::GetDataType() {
    return Store().TypeOf(Value());
}
Variant TXmlText::GetValue() {
    return Store().ToVariant(Value());
}

Ref<TXmlNode> TXmlText::CloneSelf(TXmlStore& store, bool) {
    Ref<TXmlText> copy = MakeNode<TXmlText>(store, NameTable());
    copy->CopyValueFrom(*this);
    return Ref<TXmlNode>(copy.get());
}

TXmlCharacterData::TXmlCharacterData(TXmlStore& store, TXmlNameTable* names, int32_t kind)
    : TXmlNode(store, names, kind, -1) {}

WideString TXmlCharacterData::GetText() {
    std::u16string_view data = Value().Text();
    return PreservesWhiteSpace(this) ? WideString(data) : TrimControl(data);
}

TXmlCDATASection::TXmlCDATASection(TXmlStore& store, TXmlNameTable* names)
    : TXmlCharacterData(store, names, NODE_CDATA_SECTION) {}
Ref<TXmlNode> TXmlCDATASection::CloneSelf(TXmlStore& store, bool) {
    Ref<TXmlCDATASection> copy = MakeNode<TXmlCDATASection>(store, NameTable());
    copy->CopyValueFrom(*this);
    return Ref<TXmlNode>(copy.get());
}

TXmlComment::TXmlComment(TXmlStore& store, TXmlNameTable* names)
    : TXmlCharacterData(store, names, NODE_COMMENT) {}
Ref<TXmlNode> TXmlComment::CloneSelf(TXmlStore& store, bool) {
    Ref<TXmlComment> copy = MakeNode<TXmlComment>(store, NameTable());
    copy->CopyValueFrom(*this);
    return Ref<TXmlNode>(copy.get());
}

TXmlProcessingInstruction::TXmlProcessingInstruction(TXmlStore& store, TXmlNameTable* names,
                                                     int32_t targetId)
    : TXmlNode(store, names, NODE_PROCESSING_INSTRUCTION, targetId) {}

WideString TXmlProcessingInstruction::GetText() {
    return WideString(Value().Text());
}
void TXmlProcessingInstruction::SetText(const WideString& text) {
    SetValueText(EightBitUnits(text));
}

Ref<TXmlNode> TXmlProcessingInstruction::CloneSelf(TXmlStore& store, bool) {
    Ref<TXmlProcessingInstruction> copy =
        MakeNode<TXmlProcessingInstruction>(store, NameTable(), NameID());
    copy->CopyValueFrom(*this);
    return Ref<TXmlNode>(copy.get());
}

// ---------------------------------------------------------------------------
// TXmlDocument (loading and saving are in XmlParser.cpp and XmlBinary.cpp)

TXmlDocument::TXmlDocument(TXmlNameTable* names)
    : TXmlNode(*TXmlStore::Create(TableOrDefault(names)), TableOrDefault(names), NODE_DOCUMENT, -1),
      preserveWhiteSpace_(g_defaultPreserveWhiteSpace) {}

TXmlDocument::~TXmlDocument() {
    if (TXmlNodeList* list = list_; list && list->RefCount() > 1) {
        // Someone still holds the child list: it lives on with the children.
        list_ = nullptr;
        list->TakeOver(Children());
        childCount_ = 0;
        list->Release();
    }
    DropTree();
    ReleaseContents();
    TXmlStore* store = std::exchange(store_, nullptr);
    store->Drop(1);
}

namespace {

// Whether a node of a store goes with its document's tree: only its parent
// holds it and no weak reference was made to it. The kinds are final, so the
// count and the weak link are read at a fixed place, without a look into the
// vtable (whose pointer lies in the node's other cache line).
bool OnlyItsParentHolds(TXmlNode* node) {
    auto test = [](auto* n) { return n->RefCount() == 1 && !n->HasWeakReferences(); };
    switch (node->Kind()) {
        case NODE_ELEMENT:
            return test(static_cast<TXmlElement*>(node));
        case NODE_TEXT:
            return test(static_cast<TXmlText*>(node));
        case NODE_CDATA_SECTION:
            return test(static_cast<TXmlCDATASection*>(node));
        case NODE_COMMENT:
            return test(static_cast<TXmlComment*>(node));
        case NODE_PROCESSING_INSTRUCTION:
            return test(static_cast<TXmlProcessingInstruction*>(node));
        default:
            return test(node);
    }
}

}  // namespace

void TXmlDocument::DropTree() noexcept {
    TXmlStore* store = store_;
    size_t gone = 0;
    std::vector<TXmlNode*> stack;
    // Children go on the stack last first, so that they come off it in
    // document order, the order in which a load laid them out in memory;
    // each is fetched ahead while those before it are looked at.
    auto pushChildren = [&](TXmlNode* node) {
        std::span<TXmlNode* const> children = node->Children();
        node->childCount_ = 0;
        try {
            stack.reserve(stack.size() + children.size());
        } catch (...) {
            for (TXmlNode* child : children) {
                child->parent_ = nullptr;
                ReleaseNode(child);
            }
            return;
        }
        for (TXmlNode* child : children) __builtin_prefetch(reinterpret_cast<char*>(child) + 64);
        for (size_t i = children.size(); i-- > 0;) stack.push_back(children[i]);
    };
    pushChildren(this);
    constexpr size_t kAhead = 4;
    while (!stack.empty()) {
        TXmlNode* node = stack.back();
        stack.pop_back();
        // The child array of a node a few places on: its pointer lies in the
        // line fetched already, the array itself is wanted soon.
        if (stack.size() >= kAhead) __builtin_prefetch(stack[stack.size() - kAhead]->childs_);
        if (node->store_ != store || !OnlyItsParentHolds(node)) {
            // Held from outside, watched by a weak reference, or of another
            // store: released on its own.
            node->parent_ = nullptr;
            ReleaseNode(node);
            continue;
        }
        ++gone;
        if (TXmlNodeList* list = node->list_) {
            node->list_ = nullptr;
            if (list->RefCount() > 1) {
                // The child list is held: it keeps the children.
                list->TakeOver(node->Children());
                node->childCount_ = 0;
            }
            list->owner_ = nullptr;
            list->Release();
        }
        if (node->childCount_) pushChildren(node);
    }
    store->Drop(gone);
}

void TXmlDocument::Reset() {
    DropTree();
    RemoveAllAttrs();
    if (store_->OnlyTheOwnerLeft()) {
        // Nothing else lives in the store: its memory serves the next load.
        store_->Rewind(names_);
        childs_ = nullptr;
        childCapacity_ = 0;
        attrs_ = nullptr;
        attrCapacity_ = 0;
        value_ = TXmlValue();
        return;
    }
    // Nodes held from outside keep the old store; the document takes a new one
    // (and keeps its child list, should one have been handed out).
    TXmlStore* fresh = TXmlStore::Create(names_);
    store_->Free(childs_, childCapacity_ * sizeof(TXmlNode*));
    childs_ = nullptr;
    childCapacity_ = 0;
    store_->Free(attrs_, attrCapacity_ * sizeof(TXmlAttr));
    attrs_ = nullptr;
    attrCapacity_ = 0;
    store_->ReleaseValue(value_);
    TXmlStore* old = std::exchange(store_, fresh);
    old->Drop(1);
}

void TXmlDocument::SetText(const WideString& text) {
    ClearChildren();
    Ref<TXmlText> node = MakeNode<TXmlText>(*store_, NameTable());
    node->SetValueText(text);
    InsertChildAt(node.get(), 0);
}

Ref<IXmlElement> TXmlDocument::DocumentElement() {
    for (TXmlNode* child : Children()) {
        if (child->Kind() == NODE_ELEMENT) {
            return Ref<IXmlElement>(static_cast<TXmlElement*>(child));
        }
    }
    return nullptr;
}

Ref<IXmlElement> TXmlDocument::NewDocument(const WideString&, const WideString&,
                                           int32_t rootNameId) {
    ClearChildren();
    Ref<TXmlElement> root = MakeNode<TXmlElement>(*store_, NameTable(), rootNameId);
    InsertChildAt(root.get(), 0);
    return Ref<IXmlElement>(root.get());
}

Ref<IXmlElement> TXmlDocument::NewDocument(const WideString& version, const WideString& encoding,
                                           const WideString& rootName) {
    return NewDocument(version, encoding, NameTable()->GetID(rootName));
}

Ref<IXmlElement> TXmlDocument::CreateElement(int32_t nameId) {
    return Ref<IXmlElement>(MakeNode<TXmlElement>(*store_, NameTable(), nameId).get());
}
Ref<IXmlElement> TXmlDocument::CreateElement(const WideString& name) {
    return CreateElement(NameTable()->GetID(name));
}
Ref<IXmlText> TXmlDocument::CreateText(const WideString& text) {
    Ref<TXmlText> node = MakeNode<TXmlText>(*store_, NameTable());
    node->SetValueText(text);
    return Ref<IXmlText>(node.get());
}
Ref<IXmlCDATASection> TXmlDocument::CreateCDATASection(const WideString& data) {
    Ref<TXmlCDATASection> node = MakeNode<TXmlCDATASection>(*store_, NameTable());
    node->SetValueText(data);
    return Ref<IXmlCDATASection>(node.get());
}
Ref<IXmlComment> TXmlDocument::CreateComment(const WideString& data) {
    Ref<TXmlComment> node = MakeNode<TXmlComment>(*store_, NameTable());
    node->SetValueText(data);
    return Ref<IXmlComment>(node.get());
}
Ref<IXmlProcessingInstruction> TXmlDocument::CreateProcessingInstruction(int32_t targetId,
                                                                         const WideString& data) {
    Ref<TXmlProcessingInstruction> node =
        MakeNode<TXmlProcessingInstruction>(*store_, NameTable(), targetId);
    node->SetText(data);
    return Ref<IXmlProcessingInstruction>(node.get());
}
Ref<IXmlProcessingInstruction> TXmlDocument::CreateProcessingInstruction(const WideString& target,
                                                                         const WideString& data) {
    return CreateProcessingInstruction(NameTable()->GetID(target), data);
}

void TXmlDocument::LoadResource(const std::string&, const std::string&) {}

Ref<TXmlNode> TXmlDocument::CloneSelf(TXmlStore&, bool) {
    return Ref<TXmlNode>(MakeRef<TXmlDocument>(NameTable()).get());
}

Ref<IXmlDocument> CreateXmlDocument(const WideString& rootName, const WideString& version,
                                    const WideString& encoding, const Ref<IXmlNameTable>& names) {
    TXmlNameTable* table = names ? dynamic_cast<TXmlNameTable*>(names.get()) : nullptr;
    Ref<TXmlDocument> document = MakeRef<TXmlDocument>(table);
    if (!rootName.empty()) document->NewDocument(version, encoding, rootName);
    return Ref<IXmlDocument>(document.get());
}

Ref<IXmlElement> CreateXmlElement(const WideString& name, const Ref<IXmlNameTable>& names) {
    TXmlNameTable* table = names ? dynamic_cast<TXmlNameTable*>(names.get()) : nullptr;
    if (!table) table = XmlDefaultNameTable();
    // A node of its own store, which goes when the node and what it made go.
    TXmlStore* store = TXmlStore::Create(table);
    Ref<TXmlElement> element;
    try {
        element = MakeNode<TXmlElement>(*store, table, table->GetID(name));
    } catch (...) {
        store->Drop(1);
        throw;
    }
    store->Drop(1);  // the element holds the store from now on
    return Ref<IXmlElement>(element.get());
}
