// The XML text parser and the document's load and save entry points.
//
// The parser works on raw code units through a window [p, end) of its source:
// a wide string is one window; a stream is read through a byte buffer that is
// refilled when the window runs out. Runs of name, text and value characters
// are scanned in tight loops and, when they lie within one window and hold no
// character reference, turned into strings without an intermediate copy.
// Open elements are kept on an explicit stack, so nesting depth costs heap,
// not C stack.
#include <algorithm>
#include <vector>

#include "core/xml/SimpleXml.h"
#include "core/xml/XmlInternal.h"

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

template <class Src>
class TXmlParser {
public:
    using Ch = typename Src::Char;

    TXmlParser(Src& source, TXmlNameTable* names, bool preserveWhiteSpace)
        : s_(source), names_(names), preserve_(preserveWhiteSpace) {}

    // Appends to root's children every node found until the end of the
    // source or an end tag at the top level.
    void Parse(TXmlNode* root) {
        struct Open {
            TXmlNode* node;
            int32_t nameId;
        };
        std::vector<Open> open;
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
                    ExpectStr(names_->NameOf(open.back().nameId));
                    SkipBlanks();
                    ExpectChar(u'>');
                    open.pop_back();
                    current = open.empty() ? root : open.back().node;
                    break;
                }
                case '?':
                    ReadProcessingInstruction(current);
                    break;
                case '!':
                    ++s_.p;
                    if (!AtEnd() && *s_.p == '-') {
                        ExpectStr(u"--");
                        Append(current, MakeRef<TXmlComment>(names_, ReadTo(u"-->")).get());
                    } else if (!AtEnd() && *s_.p == '[') {
                        ExpectStr(u"[CDATA[");
                        Append(current, MakeRef<TXmlCDATASection>(names_, ReadTo(u"]]>")).get());
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
                    Ref<TXmlElement> element = MakeRef<TXmlElement>(names_, id);
                    Append(current, element.get());
                    ReadAttributes(element.get());
                    if (Cur() == '/') {
                        ExpectStr(u"/>");
                    } else {
                        ExpectChar(u'>');
                        open.push_back({element.get(), id});
                        current = element.get();
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

    static void Append(TXmlNode* parent, TXmlNode* node) {
        parent->EnsureChildList()->AppendNew(node);
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

    // Reads a name and answers its ID in the name table.
    int32_t ReadName() {
        if (AtEnd() || !NameStart(*s_.p)) Raise(kErrNameStart);
        const Ch* begin = s_.p;
        const Ch* p = begin;
        const Ch* end = s_.end;
        uint32_t hash = 0;
        do {
            hash = TXmlNameTable::HashStep(hash, *p);
            ++p;
        } while (p < end && NameChar(*p));
        s_.p = p;
        if constexpr (Src::kBuffered) {
            // The name may go on in the next buffer.
            name_.assign(begin, p);
            while (p == s_.end && s_.Fill()) {
                p = s_.p;
                while (p < s_.end && NameChar(*p)) {
                    hash = TXmlNameTable::HashStep(hash, *p);
                    ++p;
                }
                name_.append(s_.p, p);
                s_.p = p;
            }
            return names_->GetID(name_.data(), name_.size(), hash);
        } else {
            return names_->GetID(begin, static_cast<size_t>(p - begin), hash);
        }
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
            if (solid) {
                while (p < end && *p != '<' && *p != '&') ++p;
            } else {
                while (p < end) {
                    Ch c = *p;
                    if (c == '<' || c == '&') break;
                    if (c > 32) {
                        solid = true;
                        ++p;
                        while (p < end && *p != '<' && *p != '&') ++p;
                        break;
                    }
                    ++p;
                }
            }
            s_.p = p;
            if (p < end && *p == '&') {
                if (!pieces) text_.clear();
                text_.append(begin, p);
                pieces = true;
                if (ReadCharRef(text_)) solid = true;
                begin = s_.p;
                continue;
            }
            if (p < end) break;  // at "<"
            if constexpr (Src::kBuffered) {
                if (!pieces) text_.clear();
                text_.append(begin, p);
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
        WideString text;
        if (pieces) {
            text_.append(begin, s_.p);
            text = text_;
        } else {
            text.assign(begin, s_.p);
        }
        Append(parent, MakeRef<TXmlText>(names_, Variant(std::move(text))).get());
    }

    // An attribute value read but not yet set: a run of the source, or a
    // run of values_ (after a reference, or always for a buffered source,
    // whose buffer moves on).
    struct PendingAttr {
        int32_t id;
        const Ch* direct;
        size_t offset;
        size_t length;
    };

    // A quoted value, starting at the quote.
    void ReadQuoted(Ch quote, PendingAttr& attr) {
        ++s_.p;
        const Ch* begin = s_.p;
        size_t start = values_.size();
        bool copied = Src::kBuffered;
        for (;;) {
            const Ch* p = s_.p;
            const Ch* end = s_.end;
            while (p < end && *p != quote && *p != '&' && *p != '<') ++p;
            s_.p = p;
            if (p < end) {
                if (*p == quote) break;
                if (*p == '<') Raise(kErrLessInValue);
                values_.append(begin, p);
                copied = true;
                ReadCharRef(values_);
                begin = s_.p;
                continue;
            }
            if constexpr (Src::kBuffered) {
                values_.append(begin, p);
                if (s_.Fill()) {
                    begin = s_.p;
                    continue;
                }
            }
            char16_t q = static_cast<char16_t>(quote);
            RaiseExpected(std::u16string_view(&q, 1));
        }
        if (copied) {
            values_.append(begin, s_.p);
            attr.direct = nullptr;
            attr.offset = start;
            attr.length = values_.size() - start;
        } else {
            attr.direct = begin;
            attr.length = static_cast<size_t>(s_.p - begin);
        }
        ++s_.p;  // the closing quote
    }

    // Reads name="value" pairs; they are set on the node together, so that
    // its attribute array is allocated once.
    void ReadAttributes(TXmlNode* node) {
        pending_.clear();
        values_.clear();
        try {
            SkipBlanks();
            while (!AtEnd() && NameStart(*s_.p)) {
                int32_t id = ReadName();
                SkipBlanks();
                ExpectChar(u'=');
                SkipBlanks();
                if (AtEnd()) Raise(kErrValueExpected);
                Ch quote = *s_.p;
                if (quote != '\'' && quote != '"') Raise(kErrLiteralExpected);
                PendingAttr& attr = pending_.emplace_back();
                attr.id = id;
                try {
                    ReadQuoted(quote, attr);
                } catch (...) {
                    pending_.pop_back();  // not complete: not set
                    throw;
                }
                SkipBlanks();
            }
        } catch (...) {
            SetPending(node);  // what was read before the error stays
            throw;
        }
        SetPending(node);
    }

    void SetPending(TXmlNode* node) {
        if (pending_.empty()) return;
        node->ReserveAttrs(pending_.size());
        stamps_.NextNode();
        for (const PendingAttr& attr : pending_) {
            WideString value = attr.direct ? WideString(attr.direct, attr.direct + attr.length)
                                           : values_.substr(attr.offset, attr.length);
            if (stamps_.Seen(attr.id)) {
                node->PutAttr(attr.id, Variant(std::move(value)));  // set twice: the last wins
            } else {
                node->AppendAttr(attr.id, std::move(value));
            }
        }
        pending_.clear();
    }

    // The text up to the first occurrence of the terminator, which is
    // consumed.
    WideString ReadTo(std::u16string_view terminator) {
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
                text_.append(s_.p, p);
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
        return text_;
    }

    void ReadProcessingInstruction(TXmlNode* parent) {
        ++s_.p;  // the "?"
        int32_t target = ReadName();
        Ref<TXmlProcessingInstruction> pi =
            MakeRef<TXmlProcessingInstruction>(names_, target, std::string());
        Append(parent, pi.get());
        if (target == names_->XmlID()) {
            // The declaration's version, encoding and standalone become
            // attributes.
            ReadAttributes(pi.get());
            ExpectStr(u"?>");
        } else {
            pi->SetData(Narrow(ReadTo(u"?>")));
        }
    }

    Src& s_;
    TXmlNameTable* names_;
    bool preserve_;
    WideString text_;    // text, values and terminated runs spread over pieces
    WideString name_;    // names spread over two buffers
    WideString values_;  // attribute values of one element that were copied
    std::vector<PendingAttr> pending_;
    TAttrStamps stamps_;
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
    TXmlParser<TXmlStrSource> parser(source, NameTable(), GetPreserveWhiteSpace());
    parser.Parse(this);
}

void TXmlDocument::LoadText(TStream& stream, size_t bufferSize) {
    Reset();
    TXmlStmSource source(stream, bufferSize);
    TXmlParser<TXmlStmSource> parser(source, NameTable(), GetPreserveWhiteSpace());
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
