// Shared pieces of the XML library's source files; not for other users.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/xml/SimpleXml.h"

namespace xml_internal {

// The library's fixed message texts.
inline constexpr const char* kErrIncompleteElement = "Incomplete element definition";
inline constexpr const char* kErrElementNameSymbol = "Incorrect symbol in the element name";
inline constexpr const char* kErrNameStart = "Name can only begin with a letter or \"_\"";
inline constexpr const char* kErrNumberExpected = "Number expected";
inline constexpr const char* kErrHexExpected = "Hexadecimal number expected";
inline constexpr const char* kErrRefExpected = "\"#\" or control symbol name expected";
inline constexpr const char* kErrRefName = "Incorrect control symbol name";
inline constexpr const char* kErrLessInValue = "\"<\" cannot be used in attribute values";
inline constexpr const char* kErrValueExpected = "Attribute value expected";
inline constexpr const char* kErrLiteralExpected = "String literal expected";
inline constexpr const char* kErrCharCodeRange = "Character code out of range";
inline constexpr const char* kErrBinReadNodeType = "Binary XML reading error: incorrect node type";
inline constexpr const char* kErrBinReadName = "Binary XML reading error: incorrect name";
inline constexpr const char* kErrBinWriteNodeType = "Binary XML writing error: incorrect node type";
inline constexpr const char* kErrDataReading = "Data reading error";
inline constexpr const char* kErrValueReadType = "Value reading error: incorrect type";
inline constexpr const char* kErrValueWriteType = "Value writing error: incorrect type";
inline constexpr const char* kErrListIndex = "List index out of bounds";

[[noreturn]] void Raise(const std::string& message);
// ""%s" expected" with the text in UTF-8.
[[noreturn]] void RaiseExpected(std::u16string_view what);

// One byte per code unit, a unit above 255 becoming "?".
std::string Narrow(std::u16string_view text);
WideString Widen(std::string_view text);
// UTF-8 for messages.
std::string ToUtf8(std::u16string_view text);

// A new node in `store`; the answer holds its construction reference.
template <class T, class... Args>
Ref<T> MakeNode(TXmlStore& store, Args&&... args) {
    return Ref<T>::Adopt(new (store) T(store, std::forward<Args>(args)...));
}

// Releases a node's reference without recursing into the destruction of its
// subtree, so that freeing a deep tree cannot exhaust the stack.
void ReleaseNode(TXmlNode* node) noexcept;

// Appends the XML of a node (and its subtree) to out.
void WriteNodeXml(TXmlNode& node, WideString& out);
void AppendEscaped(std::u16string_view text, WideString& out);
// GetAttrsXML.
WideString GetAttrsText(TXmlNode& node);

inline bool IsNameStart(uint32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
inline bool IsNameChar(uint32_t c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':';
}

// Tells in constant time whether a name ID was already set on the node being
// loaded, so that loading an element with many attributes stays linear. A
// stale stamp after the serial wraps only sends a new name the slow way.
class TAttrStamps {
public:
    void NextNode() { ++serial_; }
    bool Seen(int32_t id) {
        size_t i = static_cast<size_t>(id);
        if (i >= stamps_.size()) stamps_.resize(i + 1 + i / 2, 0);
        if (stamps_[i] == serial_) return true;
        stamps_[i] = serial_;
        return false;
    }

private:
    std::vector<uint32_t> stamps_;
    uint32_t serial_ = 0;
};

}  // namespace xml_internal
