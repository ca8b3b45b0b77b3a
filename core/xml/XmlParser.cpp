// The XML text parser and the document's load and save entry points.
//
// The parser works on raw code units through a window [p, end) of its source:
// a wide string is one window; a stream is read through a byte buffer that is
// refilled when the window runs out. Runs of name, text and value characters
// are scanned in tight loops and, when they lie within one window and hold no
// character reference, copied straight into the document's store. Names are
// looked up in a cache of the names already met before the name table.
// Open elements are kept on an explicit stack, so nesting depth costs heap,
// not C stack.
#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/xml/SimpleXml.h"
#include "core/xml/XmlInternal.h"
#include "core/xml/XmlStore.h"

using namespace xml_internal;

namespace {

// A wide string, parsed unchanged.
class TXmlStrSource {
public:
    using Char = char16_t;
    static constexpr bool kBuffered = false;

    explicit TXmlStrSource(const WideString& text)
        : p(text.data()), end(text.data() + text.size()) {}
    bool Fill() { return false; }

    const Char* p;
    const Char* end;
};

// A byte stream read through a buffer, one byte per code unit.
class TXmlStmSource {
public:
    using Char = uint8_t;
    static constexpr bool kBuffered = true;

    TXmlStmSource(TStream& stream, size_t bufferSize)
        : stream_(stream), buffer_(std::max<size_t>(bufferSize, 1)) {
        remaining_ = std::max<int64_t>(stream.GetSize() - stream.GetPosition(), 0);
        p = end = buffer_.data();
        Fill();
    }
    // Called when the window is used up; false at the end of the stream.
    bool Fill() {
        if (remaining_ <= 0) return false;
        size_t n = static_cast<size_t>(std::min<int64_t>(remaining_, buffer_.size()));
        stream_.ReadBuffer(buffer_.data(), n);
        remaining_ -= static_cast<int64_t>(n);
        p = buffer_.data();
        end = p + n;
        return true;
    }

    const Char* p;
    const Char* end;

private:
    TStream& stream_;
    std::vector<uint8_t> buffer_;
    int64_t remaining_;
};

constexpr bool kNameStartTable[128] = {
    // clang-format off
    0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0, 0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,
    0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0, 0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,
    0,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1, 1,1,1,1,1,1,1,1,1,1,1,0,0,0,0,1,
    0,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1, 1,1,1,1,1,1,1,1,1,1,1,0,0,0,0,0,
    // clang-format on
};
constexpr bool kNameCharTable[128] = {
    // clang-format off
    0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0, 0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,
    0,0,0,0,0,0,0,0,0,0,0,0,0,1,1,0, 1,1,1,1,1,1,1,1,1,1,1,0,0,0,0,0,
    0,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1, 1,1,1,1,1,1,1,1,1,1,1,0,0,0,0,1,
    0,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1, 1,1,1,1,1,1,1,1,1,1,1,0,0,0,0,0,
    // clang-format on
};

template <class Ch>
inline bool NameStart(Ch c) {
    return static_cast<uint32_t>(c) < 128 && kNameStartTable[static_cast<uint32_t>(c)];
}
template <class Ch>
inline bool NameChar(Ch c) {
    return static_cast<uint32_t>(c) < 128 && kNameCharTable[static_cast<uint32_t>(c)];
}

// Scanning: the first unit in [p, end) that ends a run, or end. With SSE2
// (every x86-64 processor) 16 bytes are looked at in one step.
#if defined(__SSE2__)
template <class Ch>
struct TVector {
    static constexpr size_t kUnits = 16 / sizeof(Ch);
    static __m128i Load(const Ch* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    }
    static __m128i Splat(Ch c) {
        if constexpr (sizeof(Ch) == 1) {
            return _mm_set1_epi8(static_cast<char>(c));
        } else {
            return _mm_set1_epi16(static_cast<short>(c));
        }
    }
    static __m128i Equal(__m128i a, __m128i b) {
        if constexpr (sizeof(Ch) == 1) {
            return _mm_cmpeq_epi8(a, b);
        } else {
            return _mm_cmpeq_epi16(a, b);
        }
    }
    // All ones where the unit is above 32.
    static __m128i AboveBlank(__m128i a) {
        __m128i zero = _mm_setzero_si128();
        if constexpr (sizeof(Ch) == 1) {
            return _mm_xor_si128(_mm_cmpeq_epi8(_mm_subs_epu8(a, _mm_set1_epi8(32)), zero),
                                 _mm_set1_epi8(-1));
        } else {
            return _mm_xor_si128(_mm_cmpeq_epi16(_mm_subs_epu16(a, _mm_set1_epi16(32)), zero),
                                 _mm_set1_epi16(-1));
        }
    }
    // The index of the first unit set in the mask, or kUnits.
    static size_t First(__m128i mask) {
        unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(mask));
        return bits ? static_cast<size_t>(__builtin_ctz(bits)) / sizeof(Ch) : kUnits;
    }
};
#endif

// The first of a, b or c.
template <class Ch>
inline const Ch* FindAny(const Ch* p, const Ch* end, Ch a, Ch b, Ch c) {
#if defined(__SSE2__)
    using V = TVector<Ch>;
    const __m128i va = V::Splat(a), vb = V::Splat(b), vc = V::Splat(c);
    while (end - p >= static_cast<ptrdiff_t>(V::kUnits)) {
        __m128i x = V::Load(p);
        size_t at =
            V::First(_mm_or_si128(_mm_or_si128(V::Equal(x, va), V::Equal(x, vb)), V::Equal(x, vc)));
        if (at < V::kUnits) return p + at;
        p += V::kUnits;
    }
#endif
    while (p < end && *p != a && *p != b && *p != c) ++p;
    return p;
}

// The first unit above 32, or a, or b.
template <class Ch>
inline const Ch* FindSolidOr(const Ch* p, const Ch* end, Ch a, Ch b) {
#if defined(__SSE2__)
    using V = TVector<Ch>;
    const __m128i va = V::Splat(a), vb = V::Splat(b);
    while (end - p >= static_cast<ptrdiff_t>(V::kUnits)) {
        __m128i x = V::Load(p);
        size_t at = V::First(
            _mm_or_si128(_mm_or_si128(V::Equal(x, va), V::Equal(x, vb)), V::AboveBlank(x)));
        if (at < V::kUnits) return p + at;
        p += V::kUnits;
    }
#endif
    while (p < end && *p <= 32 && *p != a && *p != b) ++p;
    return p;
}

// Appends a run of the source to a string without a temporary copy (which
// appending a range of bytes to a 16-bit string would make).
template <class Ch>
inline void AppendUnits(WideString& out, const Ch* begin, const Ch* end) {
    if constexpr (sizeof(Ch) == sizeof(char16_t)) {
        out.append(begin, static_cast<size_t>(end - begin));
    } else {
        size_t at = out.size();
        out.resize(at + static_cast<size_t>(end - begin));
        for (const Ch* p = begin; p < end; ++p) out[at++] = *p;
    }
}

// The names met while parsing: most names of a document repeat, and a hit
// here costs one comparison instead of a hash over the name and a walk
// through the name table. Entries are found by a key of the name's first and
// last units and its length; names longer than kLongest always go to the
// table.
class TNameCache {
public:
    static constexpr size_t kLongest = 28;

    TNameCache() : entries_(kSize) {}

    static uint32_t Key(uint32_t first, uint32_t last, size_t length) {
        return (first * 61 + last * 7 + static_cast<uint32_t>(length) * 131) & (kSize - 1);
    }

    // end: the end of the readable units after the name.
    template <class Ch>
    int32_t Find(const Ch* name, size_t length, uint32_t key, const Ch* end) const {
        const Entry& e = entries_[key];
        if (e.length != length) return -1;
#if defined(__SSE2__)
        if constexpr (sizeof(Ch) == sizeof(char16_t)) {
            if (length <= 8 && end - name >= 8) {
                // One comparison of eight units; those past the name do not count.
                __m128i eq =
                    _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(name)),
                                    _mm_load_si128(reinterpret_cast<const __m128i*>(e.units)));
                unsigned wanted = (1u << (2 * length)) - 1;
                return (static_cast<unsigned>(_mm_movemask_epi8(eq)) & wanted) == wanted ? e.id
                                                                                         : -1;
            }
        }
#endif
        (void)end;
        for (size_t i = 0; i < length; ++i) {
            if (e.units[i] != static_cast<char16_t>(name[i])) return -1;
        }
        return e.id;
    }

    template <class Ch>
    void Put(const Ch* name, size_t length, uint32_t key, int32_t id) {
        if (length > kLongest) return;
        Entry& e = entries_[key];
        e.length = static_cast<uint32_t>(length);
        e.id = id;
        std::fill(std::begin(e.units), std::end(e.units), u'\0');
        for (size_t i = 0; i < length; ++i) e.units[i] = static_cast<char16_t>(name[i]);
    }

private:
    static constexpr size_t kSize = 512;
    struct alignas(64) Entry {
        char16_t units[kLongest] = {};
        uint32_t length = UINT32_MAX;  // matches no name
        int32_t id = -1;
    };
    std::vector<Entry> entries_;
};

template <class Src>
class TXmlParser {
public:
    using Ch = typename Src::Char;

    TXmlParser(Src& source, TXmlNode& root, bool preserveWhiteSpace)
        : s_(source),
          store_(root.Store()),
          names_(root.NameTable()),
          preserve_(preserveWhiteSpace) {}

    // Appends to root's children every node found until the end of the
    // source or an end tag at the top level.
    void Parse(TXmlNode* root) {
        std::vector<TXmlNode*> open;
        TXmlNode* current = root;
        for (;;) {
            if (AtEnd()) {
                if (open.empty()) return;
                RaiseExpected(u"/");  // the open element's end tag is missing
            }
            ReadText(current);
            if (AtEnd()) continue;
            ++s_.p;                 // the "<"
            if (AtEnd()) continue;  // a "<" at the very end is ignored
            switch (*s_.p) {
                case '/': {
                    if (open.empty()) return;  // an end tag at the top ends the load
                    ++s_.p;
                    ExpectEndName(names_->NameOf(open.back()->NameID()));
                    SkipBlanks();
                    ExpectChar(u'>');
                    open.pop_back();
                    current = open.empty() ? root : open.back();
                    break;
                }
                case '?':
                    ReadProcessingInstruction(current);
                    break;
                case '!':
                    ++s_.p;
                    if (!AtEnd() && *s_.p == '-') {
                        ExpectStr(u"--");
                        TXmlNode* comment = Append<TXmlComment>(current);
                        comment->AdoptValueCell(ReadTo(u"-->"));
                    } else if (!AtEnd() && *s_.p == '[') {
                        ExpectStr(u"[CDATA[");
                        TXmlNode* cdata = Append<TXmlCDATASection>(current);
                        cdata->AdoptValueCell(ReadTo(u"]]>"));
                    } else {
                        // A document type declaration is skipped to its first ">".
                        ExpectStr(u"DOCTYPE");
                        ReadTo(u">");
                    }
                    break;
                default: {
                    int32_t id = ReadName();
                    if (AtEnd()) Raise(kErrIncompleteElement);
                    Ch c = *s_.p;
                    if (c > 32 && c != '/' && c != '>') Raise(kErrElementNameSymbol);
                    TXmlNode* element = Append<TXmlElement>(current, id);
                    ReadAttributes(element);
                    if (Cur() == '/') {
                        ExpectStr(u"/>");
                    } else {
                        ExpectChar(u'>');
                        open.push_back(element);
                        current = element;
                    }
                    break;
                }
            }
        }
    }

private:
    bool AtEnd() { return s_.p == s_.end && !s_.Fill(); }
    // The current code unit; 0 at the end.
    uint32_t Cur() { return AtEnd() ? 0 : *s_.p; }

    // A new node of the parent's store, appended to it.
    template <class T, class... Args>
    T* Append(TXmlNode* parent, Args... args) {
        Ref<T> node = MakeNode<T>(store_, names_, args...);
        T* made = node.get();
        parent->AppendNew(std::move(node));
        return made;
    }

    // A cell holding a copy of units. When the source is known to go on to
    // `readable`, a short run is copied in one or two 16-byte moves, which may
    // write past it into the store's free room (not under AddressSanitizer,
    // which guards that room).
    template <class C>
    TXmlValue MakeText(const C* units, size_t length, const C* readable = nullptr) {
        TXmlValue cell;
        if (length > TXmlValue::kLengthMask) {
            store_.AssignText(cell, WideString(units, units + length));
            return cell;
        }
#if defined(__SSE2__) && !defined(QM_XML_STORE_ASAN)
        if (length <= 16 && readable && readable - units >= 16) {
            char16_t* text = store_.AllocateText(length, 16);
            auto* from = reinterpret_cast<const __m128i*>(units);
            auto* to = reinterpret_cast<__m128i*>(text);
            if constexpr (sizeof(C) == sizeof(char16_t)) {
                _mm_storeu_si128(to, _mm_loadu_si128(from));
                if (length > 8) _mm_storeu_si128(to + 1, _mm_loadu_si128(from + 1));
            } else {
                // Bytes widened to units.
                __m128i bytes = _mm_loadu_si128(from);
                _mm_storeu_si128(to, _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
                if (length > 8)
                    _mm_storeu_si128(to + 1, _mm_unpackhi_epi8(bytes, _mm_setzero_si128()));
            }
            TXmlStore::SetRun(cell, text, length);
            return cell;
        }
#endif
        (void)readable;
        char16_t* text = store_.AllocateText(length);
        if (sizeof(C) == sizeof(char16_t) && length > 16) {
            std::memcpy(text, units, length * sizeof(char16_t));
        } else {
            for (size_t i = 0; i < length; ++i) text[i] = units[i];  // values are short
        }
        TXmlStore::SetRun(cell, text, length);
        return cell;
    }

    void SkipBlanks() {
        for (;;) {
            const Ch* p = s_.p;
            const Ch* end = s_.end;
            while (p < end && *p <= 32) ++p;
            s_.p = p;
            if (p < end || !s_.Fill()) return;
        }
    }

    void ExpectChar(char16_t ch) {
        if (!AtEnd() && *s_.p == ch) {
            ++s_.p;
        } else {
            RaiseExpected(std::u16string_view(&ch, 1));
        }
    }

    void ExpectStr(std::u16string_view text) {
        for (size_t i = 0; i < text.size(); ++i) {
            if (!AtEnd() && *s_.p == text[i]) {
                ++s_.p;
            } else {
                RaiseExpected(text.substr(i));
            }
        }
    }

    // The name of an end tag; what differs is reported as ExpectStr does.
    void ExpectEndName(std::u16string_view name) {
        const Ch* p = s_.p;
        if (static_cast<size_t>(s_.end - p) >= name.size()) {
            size_t i = 0;
            while (i < name.size() && p[i] == name[i]) ++i;
            if (i == name.size()) {
                s_.p = p + i;
                return;
            }
        }
        ExpectStr(name);
    }

    // Reads a name and answers its ID in the name table.
    int32_t ReadName() {
        if (AtEnd() || !NameStart(*s_.p)) Raise(kErrNameStart);
        const Ch* begin = s_.p;
        const Ch* p = begin + 1;
        const Ch* end = s_.end;
        while (p < end && NameChar(*p)) ++p;
        s_.p = p;
        if (p < end || !Src::kBuffered) return NameID(begin, p, end);
        // The name may go on in the next buffer.
        name_.clear();
        AppendUnits(name_, begin, p);
        while (p == s_.end && s_.Fill()) {
            p = s_.p;
            while (p < s_.end && NameChar(*p)) ++p;
            AppendUnits(name_, s_.p, p);
            s_.p = p;
        }
        return names_->GetID(name_);
    }

    // Reads a reference starting at "&" and appends its code units; answers
    // whether they hold a unit above 32.
    bool ReadCharRef(WideString& out) {
        ++s_.p;
        if (AtEnd()) Raise(kErrRefExpected);
        if (*s_.p == '#') {
            ++s_.p;
            if (AtEnd()) Raise(kErrNumberExpected);
            uint32_t code = 0;
            bool digits = false;
            if (*s_.p == 'x') {
                ++s_.p;
                while (!AtEnd()) {
                    uint32_t c = *s_.p;
                    uint32_t digit;
                    if (c >= '0' && c <= '9') {
                        digit = c - '0';
                    } else if (c >= 'a' && c <= 'f') {
                        digit = c - 'a' + 10;
                    } else if (c >= 'A' && c <= 'F') {
                        digit = c - 'A' + 10;
                    } else {
                        break;
                    }
                    code = std::min<uint32_t>(code * 16 + digit, 0x110000);
                    digits = true;
                    ++s_.p;
                }
                if (!digits) Raise(kErrHexExpected);
            } else {
                while (!AtEnd() && *s_.p >= '0' && *s_.p <= '9') {
                    code = std::min<uint32_t>(code * 10 + (*s_.p - '0'), 0x110000);
                    digits = true;
                    ++s_.p;
                }
                if (!digits) Raise(kErrNumberExpected);
            }
            ExpectChar(u';');
            // A code beyond 16 bits is kept whole as a surrogate pair.
            if (code > 0x10FFFF) Raise(kErrCharCodeRange);
            if (code >= 0x10000) {
                code -= 0x10000;
                out += static_cast<char16_t>(0xD800 + (code >> 10));
                out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
                return true;
            }
            out += static_cast<char16_t>(code);
            return code > 32;
        }
        if (!NameStart(*s_.p)) Raise(kErrNameStart);
        char name[5];
        size_t length = 0;
        while (!AtEnd() && NameChar(*s_.p)) {
            if (length < sizeof name) name[length] = static_cast<char>(*s_.p);
            ++length;
            ++s_.p;
        }
        ExpectChar(u';');
        std::string_view entity(name, std::min(length, sizeof name));
        char16_t c;
        if (length > sizeof name) {
            Raise(kErrRefName);
        } else if (entity == "amp") {
            c = u'&';
        } else if (entity == "quot") {
            c = u'"';
        } else if (entity == "lt") {
            c = u'<';
        } else if (entity == "gt") {
            c = u'>';
        } else if (entity == "apos") {
            c = u'\'';
        } else {
            Raise(kErrRefName);
        }
        out += c;
        return true;
    }

    // Text up to the next "<" or the end; dropped when blank unless white
    // space is preserved.
    void ReadText(TXmlNode* parent) {
        const Ch* begin = s_.p;
        bool pieces = false;  // parts of the text are in text_
        bool solid = false;   // a unit above 32 was seen
        for (;;) {
            const Ch* p = s_.p;
            const Ch* end = s_.end;
            if (!solid) {
                p = FindSolidOr<Ch>(p, end, '<', '&');
                if (p < end && *p != '<' && *p != '&') solid = true;
            }
            if (solid) p = FindAny<Ch>(p, end, '<', '&', '<');
            s_.p = p;
            if (p < end && *p == '&') {
                if (!pieces) text_.clear();
                AppendUnits(text_, begin, p);
                pieces = true;
                if (ReadCharRef(text_)) solid = true;
                begin = s_.p;
                continue;
            }
            if (p < end) break;  // at "<"
            if constexpr (Src::kBuffered) {
                if (!pieces) text_.clear();
                AppendUnits(text_, begin, p);
                pieces = true;
                if (!s_.Fill()) {
                    begin = s_.p;
                    break;
                }
                begin = s_.p;
                continue;
            }
            break;
        }
        if (!solid && !preserve_) return;
        TXmlValue cell;
        if (pieces) {
            AppendUnits(text_, begin, s_.p);
            cell = MakeText(text_.data(), text_.size());
        } else {
            cell = MakeText(begin, static_cast<size_t>(s_.p - begin));
        }
        TXmlNode* text = Append<TXmlText>(parent);
        text->AdoptValueCell(cell);
    }

    // A quoted value, starting at the quote, into a cell of the store.
    TXmlValue ReadQuoted(Ch quote) {
        ++s_.p;
        const Ch* begin = s_.p;
        const Ch* end = s_.end;
        const Ch* p = FindAny<Ch>(begin, end, quote, '&', '<');
        if (p < end && *p == quote) {
            // The usual case: the whole value lies in the window.
            s_.p = p + 1;
            return MakeText(begin, static_cast<size_t>(p - begin));
        }
        s_.p = p;
        text_.clear();
        for (;;) {
            end = s_.end;
            p = FindAny<Ch>(s_.p, end, quote, '&', '<');
            s_.p = p;
            if (p < end) {
                if (*p == quote) break;
                if (*p == '<') Raise(kErrLessInValue);
                AppendUnits(text_, begin, p);
                ReadCharRef(text_);
                begin = s_.p;
                continue;
            }
            if constexpr (Src::kBuffered) {
                AppendUnits(text_, begin, p);
                if (s_.Fill()) {
                    begin = s_.p;
                    continue;
                }
            }
            char16_t q = static_cast<char16_t>(quote);
            RaiseExpected(std::u16string_view(&q, 1));
        }
        AppendUnits(text_, begin, s_.p);
        ++s_.p;  // the closing quote
        return MakeText(text_.data(), text_.size());
    }

    // Reads name="value" pairs; they are set on the node together, so that
    // its attribute array is allocated once.
    // The cell's parts come one by one: a cell put together in memory and
    // read back whole would wait for its parts' stores.
    void AddPending(const TXmlValue& cell, int32_t nameId) {
        TXmlAttr* attr;
        if (stamps_.Seen(nameId)) {
            // Set twice: the last value wins, in the first one's place.
            attr = &*std::find_if(pending_.begin(), pending_.end(),
                                  [nameId](const TXmlAttr& a) { return a.nameId == nameId; });
        } else {
            attr = &pending_.emplace_back();
        }
        attr->data = cell.data;
        attr->meta = cell.meta;
        attr->nameId = nameId;
    }

    // The usual attributes, name="value" pairs within the window without
    // references, read with the window in registers. Stops before anything
    // else, at the start of the pair, for the general loop to take on.
    void ReadPlainAttributes() {
        const Ch* p = s_.p;
        const Ch* const end = s_.end;
        for (;;) {
            while (p < end && *p <= 32) ++p;
            const Ch* start = p;
            if (p == end || !NameStart(*p)) break;
            ++p;
            while (p < end && NameChar(*p)) ++p;
            if (p == end) {
                p = start;
                break;
            }
            const Ch* nameEnd = p;
            while (p < end && *p <= 32) ++p;
            if (p == end || *p != '=') {
                p = start;
                break;
            }
            ++p;
            while (p < end && *p <= 32) ++p;
            if (p == end || (*p != '"' && *p != '\'')) {
                p = start;
                break;
            }
            const Ch quote = *p;
            const Ch* value = p + 1;
            p = FindAny<Ch>(value, end, quote, '&', '<');
            if (p == end || *p != quote) {
                p = start;
                break;
            }
            TXmlValue cell = MakeText(value, static_cast<size_t>(p - value), end);
            ++p;
            AddPending(cell, NameID(start, nameEnd, end));
        }
        s_.p = p;
    }

    // The ID of a name lying whole in the window.
    int32_t NameID(const Ch* begin, const Ch* p, const Ch* end) {
        size_t length = static_cast<size_t>(p - begin);
        // The table's hash is wanted only when the cache misses.
        uint32_t key = TNameCache::Key(begin[0], p[-1], length);
        int32_t id = names_cache_.Find(begin, length, key, end);
        if (id >= 0) return id;
        uint32_t hash = 0;
        for (size_t i = 0; i < length; ++i) hash = TXmlNameTable::HashStep(hash, begin[i]);
        if constexpr (Src::kBuffered) {
            name_.clear();
            AppendUnits(name_, begin, p);
            id = names_->GetID(name_.data(), name_.size(), hash);
        } else {
            id = names_->GetID(begin, length, hash);
        }
        names_cache_.Put(begin, length, key, id);
        return id;
    }

    void ReadAttributes(TXmlNode* node) {
        pending_.clear();
        stamps_.NextNode();
        try {
            ReadPlainAttributes();
            SkipBlanks();
            while (!AtEnd() && NameStart(*s_.p)) {
                int32_t id = ReadName();
                SkipBlanks();
                ExpectChar(u'=');
                SkipBlanks();
                if (AtEnd()) Raise(kErrValueExpected);
                Ch quote = *s_.p;
                if (quote != '\'' && quote != '"') Raise(kErrLiteralExpected);
                AddPending(ReadQuoted(quote), id);
                ReadPlainAttributes();
                SkipBlanks();  // the fast path may stop at the end of a window
            }
        } catch (...) {
            node->AppendAttrs(pending_);  // what was read before the error stays
            throw;
        }
        node->AppendAttrs(pending_);
    }

    // The text up to the first occurrence of the terminator, which is
    // consumed, into a cell of the store.
    TXmlValue ReadTo(std::u16string_view terminator) {
        text_.clear();
        size_t matched = 0;
        for (;;) {
            if (AtEnd()) RaiseExpected(terminator);
            Ch c = *s_.p;
            if (c == terminator[matched]) {
                ++s_.p;
                if (++matched == terminator.size()) break;
            } else if (matched == 0) {
                const Ch* p = s_.p + 1;
                while (p < s_.end && *p != terminator[0]) ++p;
                AppendUnits(text_, s_.p, p);
                s_.p = p;
            } else {
                // The partial match broke: keep the longest part of it that
                // can still begin the terminator.
                size_t k = 1;
                while (k < matched &&
                       terminator.substr(k, matched - k) != terminator.substr(0, matched - k)) {
                    ++k;
                }
                text_.append(terminator.substr(0, k));
                matched -= k;
            }
        }
        return MakeText(text_.data(), text_.size());
    }

    void ReadProcessingInstruction(TXmlNode* parent) {
        ++s_.p;  // the "?"
        int32_t target = ReadName();
        TXmlNode* pi = Append<TXmlProcessingInstruction>(parent, target);
        if (target == names_->XmlID()) {
            // The declaration's version, encoding and standalone become
            // attributes.
            ReadAttributes(pi);
            ExpectStr(u"?>");
        } else {
            TXmlValue data = ReadTo(u"?>");
            // Instruction data is 8-bit text.
            char16_t* units = reinterpret_cast<char16_t*>(data.data);
            for (size_t i = 0; i < data.Length(); ++i) {
                if (units[i] > 255) units[i] = u'?';
            }
            pi->AdoptValueCell(data);
        }
    }

    Src& s_;
    TXmlStore& store_;
    TXmlNameTable* names_;
    bool preserve_;
    WideString text_;  // text and values spread over pieces
    WideString name_;  // names spread over two buffers
    std::vector<TXmlAttr> pending_;
    TAttrStamps stamps_;
    TNameCache names_cache_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Document loading and saving (text)

void TXmlDocument::LoadXML(const WideString& xml) {
    Reset();
    if (xml.size() >= BinXmlSignature.size() &&
        std::equal(BinXmlSignature.begin(), BinXmlSignature.end(), xml.begin())) {
        LoadBinaryXML(Narrow(xml));
        return;
    }
    TXmlStrSource source(xml);
    TXmlParser<TXmlStrSource> parser(source, *this, GetPreserveWhiteSpace());
    parser.Parse(this);
}

void TXmlDocument::LoadText(TStream& stream, size_t bufferSize) {
    Reset();
    TXmlStmSource source(stream, bufferSize);
    TXmlParser<TXmlStmSource> parser(source, *this, GetPreserveWhiteSpace());
    parser.Parse(this);
}

void TXmlDocument::Load(TStream& stream) {
    Reset();
    if (stream.GetSize() - stream.GetPosition() > static_cast<int64_t>(BinXmlSignature.size())) {
        char head[14];
        static_assert(sizeof head == BinXmlSignature.size());
        stream.ReadBuffer(head, sizeof head);
        if (std::string_view(head, sizeof head) == BinXmlSignature) {
            LoadBinaryStream(stream);
            return;
        }
        stream.Seek(-static_cast<int64_t>(sizeof head), TSeekOrigin::Current);
    }
    LoadText(stream, 65536);
}

void TXmlDocument::Load(const std::string& fileName) {
    TFileStream stream(fileName, TFileMode::OpenRead);
    Load(stream);
}

void TXmlDocument::Save(TStream& stream) {
    WideString xml = GetXML();
    stream.WriteBuffer(xml.data(), xml.size() * sizeof(char16_t));
}

void TXmlDocument::Save(const std::string& fileName) {
    TFileStream stream(fileName, TFileMode::Create);
    Save(stream);
}

Ref<IXmlDocument> LoadXmlDocumentFromXML(const WideString& xml) {
    Ref<TXmlDocument> document = MakeRef<TXmlDocument>();
    document->LoadXML(xml);
    return Ref<IXmlDocument>(document.get());
}

Ref<IXmlDocument> LoadXmlDocumentFromBinaryXML(const std::string& data) {
    Ref<TXmlDocument> document = MakeRef<TXmlDocument>();
    document->LoadBinaryXML(data);
    return Ref<IXmlDocument>(document.get());
}

Ref<IXmlDocument> LoadXmlDocument(TStream& stream) {
    Ref<TXmlDocument> document = MakeRef<TXmlDocument>();
    document->Load(stream);
    return Ref<IXmlDocument>(document.get());
}

Ref<IXmlDocument> LoadXmlDocument(const std::string& fileName) {
    Ref<TXmlDocument> document = MakeRef<TXmlDocument>();
    document->Load(fileName);
    return Ref<IXmlDocument>(document.get());
}

Ref<IXmlDocument> LoadXmlDocument(const std::string& resourceName,
                                  const std::string& resourceType) {
    Ref<TXmlDocument> document = MakeRef<TXmlDocument>();
    document->LoadResource(resourceName, resourceType);
    return Ref<IXmlDocument>(document.get());
}
