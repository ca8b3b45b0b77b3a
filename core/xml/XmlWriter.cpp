// The XML text writer: no declaration, no indentation, no line breaks.
//
// Output goes through raw pointers into a buffer; each piece first makes sure
// of room for its worst case (every unit escaped), so the inner loops are
// plain stores.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "core/xml/SimpleXml.h"
#include "core/xml/XmlInternal.h"

namespace xml_internal {

namespace {

// 1 for the units XmlEscapeText replaces (all below 64).
constexpr uint8_t kSpecial[64] = {
    // clang-format off
    0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0, 0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,
    0,0,1,0,0,0,1,0,0,0,0,0,0,0,0,0, 0,0,0,0,0,0,0,0,0,0,0,0,1,0,1,0,
    // clang-format on
};
constexpr size_t kLongestEntity = 6;  // "&quot;"

inline bool IsSpecial(char16_t c) {
    return c < 64 && kSpecial[c];
}

class TOutput {
public:
    explicit TOutput(WideString& out) : out_(out) {}
    ~TOutput() { std::free(buffer_); }
    TOutput(const TOutput&) = delete;
    TOutput& operator=(const TOutput&) = delete;

    // Appends what was written to the result; without it (an exception on
    // the way) the result stays as it was.
    void Finish() {
        if (p_ != buffer_) out_.append(buffer_, static_cast<size_t>(p_ - buffer_));
    }

    void Ensure(size_t room) {
        if (static_cast<size_t>(end_ - p_) < room) Grow(room);
    }
    // The caller has ensured room.
    void Put(char16_t c) { *p_++ = c; }
    void Put(std::u16string_view text) {
        if (text.empty()) return;  // an empty value may have no units at all
        std::memcpy(p_, text.data(), text.size() * sizeof(char16_t));
        p_ += text.size();
    }
    void PutAscii(const char* text) {
        while (*text) *p_++ = static_cast<char16_t>(*text++);
    }
    void Append(std::u16string_view text) {
        Ensure(text.size());
        Put(text);
    }
    void AppendAscii(const char* text) {
        Ensure(std::strlen(text));
        PutAscii(text);
    }
    void AppendEscaped(std::u16string_view text) {
        Ensure(text.size() * kLongestEntity);
        for (char16_t c : text) {
            if (!IsSpecial(c)) {
                *p_++ = c;
                continue;
            }
            switch (c) {
                case u'"':
                    PutAscii("&quot;");
                    break;
                case u'&':
                    PutAscii("&amp;");
                    break;
                case u'<':
                    PutAscii("&lt;");
                    break;
                default:
                    PutAscii("&gt;");
                    break;
            }
        }
    }
    // A value of `node`: text as it is, typed values by VarToXmlStr, nothing
    // for an empty one.
    void AppendValue(const TXmlNode& node, const TXmlValue& value) {
        if (value.IsText()) {
            AppendEscaped(value.Text());
        } else if (!value.IsEmpty()) {
            AppendEscaped(node.ValueText(value));
        }
    }
    size_t Position() const { return static_cast<size_t>(p_ - buffer_); }
    char16_t& Last() { return p_[-1]; }

private:
    // A buffer of its own rather than the result string: growing it moves
    // without filling the new room first, and large blocks are remapped
    // rather than copied.
    void Grow(size_t room) {
        size_t used = Position();
        size_t capacity = std::max(static_cast<size_t>(end_ - buffer_) * 2, used + room + 256);
        void* grown = std::realloc(buffer_, capacity * sizeof(char16_t));
        if (!grown) throw std::bad_alloc();
        buffer_ = static_cast<char16_t*>(grown);
        p_ = buffer_ + used;
        end_ = buffer_ + capacity;
    }

    WideString& out_;
    char16_t* buffer_ = nullptr;
    char16_t* p_ = nullptr;
    char16_t* end_ = nullptr;
};

// The CDATA form: a "]]>" inside the data closes the section after its first
// "]" and the rest follows in a new section.
void AppendCDATA(std::u16string_view data, TOutput& out) {
    size_t start = 0;
    for (;;) {
        size_t at = data.find(u"]]>", start);
        size_t end = at == std::u16string_view::npos ? data.size() : at + 1;
        out.AppendAscii("<![CDATA[");
        out.Append(data.substr(start, end - start));
        out.AppendAscii("]]>");
        if (at == std::u16string_view::npos) return;
        start = end;
    }
}

void AppendAttrs(TXmlNode& node, TOutput& out) {
    TXmlNameTable* names = node.NameTable();
    for (const TXmlAttr& attr : node.Attrs()) {
        const WideString& name = names->NameOf(attr.nameId);
        out.Ensure(name.size() + 3);
        out.Put(u' ');
        out.Put(name);
        out.Put(u'=');
        out.Put(u'"');
        out.AppendValue(node, attr);
        out.Ensure(1);
        out.Put(u'"');
    }
}

}  // namespace

void AppendEscaped(std::u16string_view text, WideString& out) {
    TOutput output(out);
    output.AppendEscaped(text);
    output.Finish();
}

WideString GetAttrsText(TXmlNode& node) {
    WideString text;
    TOutput out(text);
    AppendAttrs(node, out);
    out.Finish();
    return text;
}

void WriteNodeXml(TXmlNode& root, WideString& text) {
    TOutput out(text);
    struct Frame {
        TXmlNode* node;
        size_t next;
        size_t contentStart;  // where the element's content began
    };
    std::vector<Frame> stack;

    auto endElement = [&out](const WideString& name, size_t contentStart) {
        if (out.Position() == contentStart) {
            out.Last() = u'/';  // no content: "<name/>"
            out.Ensure(1);
            out.Put(u'>');
        } else {
            out.Ensure(name.size() + 3);
            out.Put(u'<');
            out.Put(u'/');
            out.Put(name);
            out.Put(u'>');
        }
    };

    // Writes what comes before a node's children; pushes the node when they
    // are to be written.
    auto open = [&](TXmlNode* node) {
        TXmlNameTable* names = node->NameTable();
        switch (node->Kind()) {
            case NODE_ELEMENT: {
                const WideString& name = names->NameOf(node->NameID());
                out.Ensure(name.size() + 1);
                out.Put(u'<');
                out.Put(name);
                AppendAttrs(*node, out);
                out.Ensure(1);
                out.Put(u'>');
                size_t contentStart = out.Position();
                if (node->HasChildItems()) {
                    stack.push_back({node, 0, contentStart});
                    return;
                }
                out.AppendValue(*node, node->Value());
                endElement(name, contentStart);
                return;
            }
            case NODE_TEXT:
                out.AppendValue(*node, node->Value());
                return;
            case NODE_CDATA_SECTION:
                AppendCDATA(node->Value().Text(), out);
                return;
            case NODE_COMMENT:
                out.AppendAscii("<!--");
                out.Append(node->Value().Text());
                out.AppendAscii("-->");
                return;
            case NODE_PROCESSING_INSTRUCTION: {
                out.AppendAscii("<?");
                out.Append(names->NameOf(node->NameID()));
                std::u16string_view data = node->Value().Text();
                if (data.empty()) {
                    AppendAttrs(*node, out);
                } else {
                    // Data read from text keeps the blank after the target;
                    // adding another would grow it on every load and save.
                    out.Ensure(data.size() + 1);
                    if (data[0] > 32) out.Put(u' ');
                    out.Put(data);
                }
                out.AppendAscii("?>");
                return;
            }
            case NODE_DOCUMENT:
                if (node->HasChildItems()) stack.push_back({node, 0, out.Position()});
                return;
            default:
                return;
        }
    };

    open(&root);
    while (!stack.empty()) {
        Frame& top = stack.back();
        std::span<TXmlNode* const> items = top.node->Children();
        if (top.next < items.size()) {
            open(items[top.next++]);  // may push: `top` is not used after this
            continue;
        }
        TXmlNode* node = top.node;
        size_t contentStart = top.contentStart;
        stack.pop_back();
        if (node->Kind() == NODE_ELEMENT) {
            endElement(node->NameTable()->NameOf(node->NameID()), contentStart);
        }
    }
    out.Finish();
}

}  // namespace xml_internal
