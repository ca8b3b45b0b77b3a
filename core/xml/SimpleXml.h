// The engine's own XML library: a tree of reference-counted nodes whose
// element and attribute names are interned in a name table, typed attribute
// values, a small path selection language, a text parser and writer and a
// compact binary form.
//
// Text is wide (16-bit code units). Operations taking 8-bit strings widen them
// one byte per code unit; where the library narrows text to 8 bits, a unit
// above 255 becomes "?".
//
// Failures: parse errors, binary-format errors and the model's own errors
// ("List index out of bounds", a missing required attribute or child...) are
// raised as `Exception` with the library's fixed message texts. Text that is
// no number, date or hexadecimal value raises EVariantError. Stream and file
// failures pass through as EStreamError. A failed load keeps the nodes read
// before the error.
//
// Nesting depth is not limited: parsing, writing, copying, text collection,
// the binary form and the freeing of a tree all run without recursion.
//
// A document keeps its nodes, attribute values and texts in memory of its
// own, freed at once when the document goes. A node held from outside
// outlives its document (without parent) and keeps that memory until it
// goes too.
//
// A node has at most one parent: inserting it elsewhere takes it out of its
// former parent's child list, and inserting it into its own subtree raises.
// Comments, CDATA sections and processing instructions are written as they
// are; a processing instruction's data is kept as 8-bit text.
//
// Nodes and name tables belong to one thread (the main thread); nothing here
// is locked.
#pragma once

#include <algorithm>
#include <cstdint>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Exception.h"
#include "core/base/Interface.h"
#include "core/base/Streams.h"
#include "core/base/Variant.h"

class TXmlBase;
class TXmlNameTable;
class TXmlNodeList;
class TXmlNode;
class TXmlDocument;
class TBinXmlReader;
class TBinXmlWriter;
class IXmlNameTable;
class IXmlNodeList;
class IXmlNode;
class IXmlElement;
class IXmlDocument;
class IXmlText;
class IXmlCDATASection;
class IXmlComment;
class IXmlProcessingInstruction;

// Node type codes, as GetNodeType answers and the binary form writes them.
inline constexpr int32_t NODE_ELEMENT = 1;
inline constexpr int32_t NODE_TEXT = 3;
inline constexpr int32_t NODE_CDATA_SECTION = 4;
inline constexpr int32_t NODE_PROCESSING_INSTRUCTION = 7;
inline constexpr int32_t NODE_COMMENT = 8;
inline constexpr int32_t NODE_DOCUMENT = 9;

// The first 14 bytes of every document in the binary form.
inline constexpr std::string_view BinXmlSignature = "< binary-xml >";

// ---------------------------------------------------------------------------
// Interfaces

class IXmlBase : public virtual IInterface {
public:
    // The implementing object itself.
    virtual TXmlBase* GetObject() = 0;
};

class IXmlNameTable : public virtual IXmlBase {
public:
    // The name's ID, interning the name when it is new; -1 for "".
    virtual int32_t GetID(const WideString& name) = 0;
    // The name of an ID; "" for a negative or unknown ID.
    virtual WideString GetName(int32_t id) = 0;
};

class IXmlNodeList : public virtual IXmlBase {
public:
    virtual int32_t GetCount() = 0;
    // Raises "List index out of bounds" outside 0..count-1.
    virtual Ref<IXmlNode> Get(int32_t index) = 0;
    // The items' XML one after another.
    virtual WideString GetXML() = 0;
};

// The operations of every node. Name-taking operations come in pairs: by name
// ID, or by name (interned in the node's name table first).
class IXmlNode : public virtual IXmlBase {
public:
    virtual Ref<IXmlNameTable> GetNameTable() = 0;
    virtual WideString GetNodeName() = 0;
    virtual int32_t GetNodeNameID() = 0;
    virtual int32_t GetNodeType() = 0;
    virtual WideString GetText() = 0;
    virtual void SetText(const WideString& text) = 0;
    virtual int32_t GetDataType() = 0;
    virtual Variant GetValue() = 0;
    virtual void SetValue(const Variant& value) = 0;
    virtual WideString GetXML() = 0;
    virtual Ref<IXmlNode> CloneNode(bool deep) = 0;
    virtual Ref<IXmlNode> GetParentNode() = 0;
    virtual Ref<IXmlDocument> GetOwnerDocument() = 0;
    virtual Ref<IXmlNodeList> GetChildNodes() = 0;

    // A node that already has a parent is taken out of that parent's list
    // first. Inserting a node into its own subtree raises.
    virtual void AppendChild(const Ref<IXmlNode>& node) = 0;
    // Before `reference`; at the end when it is null or not a child.
    virtual void InsertBefore(const Ref<IXmlNode>& node, const Ref<IXmlNode>& reference) = 0;
    // Nothing when oldNode is not a child.
    virtual void ReplaceChild(const Ref<IXmlNode>& newNode, const Ref<IXmlNode>& oldNode) = 0;
    // The node's former index, -1 when it was not a child.
    virtual int32_t RemoveChild(const Ref<IXmlNode>& node) = 0;

    virtual Ref<IXmlElement> AppendElement(int32_t nameId) = 0;
    virtual Ref<IXmlElement> AppendElement(const WideString& name) = 0;
    virtual Ref<IXmlText> AppendText(const WideString& text) = 0;
    virtual Ref<IXmlCDATASection> AppendCDATA(const WideString& text) = 0;
    virtual Ref<IXmlComment> AppendComment(const WideString& text) = 0;
    virtual Ref<IXmlProcessingInstruction> AppendProcessingInstruction(int32_t targetId,
                                                                       const WideString& data) = 0;
    virtual Ref<IXmlProcessingInstruction> AppendProcessingInstruction(const WideString& target,
                                                                       const WideString& data) = 0;

    // Children are matched by name ID (case counts).
    virtual WideString GetChildText(const WideString& name, const WideString& def) = 0;
    virtual WideString GetChildText(int32_t nameId, const WideString& def) = 0;
    virtual void SetChildText(const WideString& name, const WideString& text) = 0;
    virtual void SetChildText(int32_t nameId, const WideString& text) = 0;
    // Raises "Child element "%s" not found" when there is none.
    virtual Ref<IXmlNode> NeedChild(int32_t nameId) = 0;
    virtual Ref<IXmlNode> NeedChild(const WideString& name) = 0;
    // Appends an element of that name when there is none.
    virtual Ref<IXmlNode> EnsureChild(int32_t nameId) = 0;
    virtual Ref<IXmlNode> EnsureChild(const WideString& name) = 0;
    virtual void RemoveAllChilds() = 0;

    // Path selection, which never raises but answers null:
    // - a valid XML name selects the first child element of exactly that name;
    // - otherwise the path is walked step by step at each "/": ".." goes to
    //   the parent, "name" to the first child element of that name ignoring
    //   ASCII case, "name[@attr=value]" to the first child element named
    //   exactly so whose attribute's text equals value ignoring ASCII case
    //   (quotes belong to the value; "@" is optional; no "=": no move), and
    //   empty steps are skipped.
    // SelectNodes: a valid name gives a new list of all such child elements;
    // "path/*" (or "*") the live child list of the node the path selects;
    // anything else null.
    virtual Ref<IXmlNodeList> SelectNodes(const WideString& path) = 0;
    virtual Ref<IXmlNode> SelectSingleNode(const WideString& path) = 0;
    // The first child element whose name equals `name` ignoring ASCII case;
    // null when there is none or `name` is no valid XML name.
    virtual Ref<IXmlElement> FindElement(const WideString& name) = 0;
    // The first child element named exactly elementName whose attribute
    // attrName equals value (Empty equals only Empty, Null only Null).
    virtual Ref<IXmlElement> FindElement(const std::string& elementName,
                                         const std::string& attrName, const Variant& value) = 0;
    // The same, comparing the attribute's text with value ignoring ASCII case.
    virtual Ref<IXmlElement> FindElement(const std::string& elementName,
                                         const std::string& attrName, const std::string& value) = 0;
    Ref<IXmlElement> FindElement(const std::string& elementName, const std::string& attrName,
                                 const char* value) {
        return FindElement(elementName, attrName, std::string(value));
    }

    // Attributes keep the order in which they were first set.
    virtual int32_t GetAttrCount() = 0;
    // Raise "List index out of bounds" outside 0..count-1.
    virtual int32_t GetAttrNameID(int32_t index) = 0;
    virtual WideString GetAttrName(int32_t index) = 0;
    virtual void RemoveAttr(const WideString& name) = 0;
    virtual void RemoveAttr(int32_t nameId) = 0;
    virtual void RemoveAllAttrs() = 0;
    virtual bool AttrExists(int32_t nameId) = 0;
    virtual bool AttrExists(const WideString& name) = 0;
    // The value's variant type code; varOleStr (8) when absent.
    virtual int32_t GetAttrType(int32_t nameId) = 0;
    virtual int32_t GetAttrType(const WideString& name) = 0;
    virtual Variant GetVarAttr(int32_t nameId, const Variant& def) = 0;
    virtual Variant GetVarAttr(const WideString& name, const Variant& def) = 0;
    virtual void SetVarAttr(int32_t nameId, const Variant& value) = 0;
    virtual void SetVarAttr(const WideString& name, const Variant& value) = 0;
    // Raises "Attribute "%s" not specified" when absent.
    virtual WideString NeedAttr(int32_t nameId) = 0;
    virtual WideString NeedAttr(const WideString& name) = 0;
    virtual WideString GetAttr(int32_t nameId, const WideString& def) = 0;
    virtual WideString GetAttr(const WideString& name, const WideString& def) = 0;
    virtual void SetAttr(int32_t nameId, const WideString& value) = 0;
    virtual void SetAttr(const WideString& name, const WideString& value) = 0;
    virtual bool GetBoolAttr(int32_t nameId, bool def) = 0;
    virtual bool GetBoolAttr(const WideString& name, bool def) = 0;
    virtual void SetBoolAttr(int32_t nameId, bool value) = 0;
    virtual void SetBoolAttr(const WideString& name, bool value) = 0;
    virtual int32_t GetIntAttr(int32_t nameId, int32_t def) = 0;
    virtual int32_t GetIntAttr(const WideString& name, int32_t def) = 0;
    virtual void SetIntAttr(int32_t nameId, int32_t value) = 0;
    virtual void SetIntAttr(const WideString& name, int32_t value) = 0;
    // Date-times as days since 30 December 1899.
    virtual double GetDateTimeAttr(int32_t nameId, double def) = 0;
    virtual double GetDateTimeAttr(const WideString& name, double def) = 0;
    virtual void SetDateTimeAttr(int32_t nameId, double value) = 0;
    virtual void SetDateTimeAttr(const WideString& name, double value) = 0;
    virtual double GetFloatAttr(int32_t nameId, double def) = 0;
    virtual double GetFloatAttr(const WideString& name, double def) = 0;
    virtual void SetFloatAttr(int32_t nameId, double value) = 0;
    virtual void SetFloatAttr(const WideString& name, double value) = 0;
    // Hexadecimal digits without prefix; writing pads to `digits` with zeros.
    virtual int32_t GetHexAttr(const WideString& name, int32_t def) = 0;
    virtual int32_t GetHexAttr(int32_t nameId, int32_t def) = 0;
    virtual void SetHexAttr(const WideString& name, int32_t value, int32_t digits) = 0;
    virtual void SetHexAttr(int32_t nameId, int32_t value, int32_t digits) = 0;
    // The index of the value in `values` (ASCII case ignored); raises
    // "Wrong value of attribute..." when it is none of them.
    virtual int32_t GetEnumAttr(const WideString& name, const std::vector<WideString>& values,
                                int32_t def) = 0;
    virtual int32_t GetEnumAttr(int32_t nameId, const std::vector<WideString>& values,
                                int32_t def) = 0;
    virtual int32_t NeedEnumAttr(const WideString& name, const std::vector<WideString>& values) = 0;
    virtual int32_t NeedEnumAttr(int32_t nameId, const std::vector<WideString>& values) = 0;

    // "" addresses the node, "@name" an attribute, anything else the node
    // SelectSingleNode finds (writing appends an element named by the whole
    // path when it finds none).
    virtual Variant GetPathValue(const std::string& path) = 0;
    virtual void SetPathValue(const std::string& path, const Variant& value) = 0;

    virtual Ref<IXmlElement> AsElement() = 0;
    virtual Ref<IXmlText> AsText() = 0;
    virtual Ref<IXmlCDATASection> AsCDATASection() = 0;
    virtual Ref<IXmlComment> AsComment() = 0;
    virtual Ref<IXmlProcessingInstruction> AsProcessingInstruction() = 0;
};

class IXmlElement : public virtual IXmlNode {
public:
    // Replaces every text and CDATA child by CDATA sections holding the text
    // (a "]]>" in it is split after its first "]", so the form parses back).
    virtual void ReplaceTextByCDATASection(const WideString& text) = 0;
    // Replaces every text and CDATA child by one text of Base64 (lineLength 0:
    // one line).
    virtual void ReplaceTextByBinaryData(const void* data, int32_t count, int32_t lineLength) = 0;
    // The Base64 text decoded, one code unit per byte.
    virtual WideString GetTextAsBinaryData() = 0;
};

class IXmlCharacterData : public virtual IXmlNode {};
class IXmlText : public virtual IXmlNode {};
class IXmlCDATASection : public virtual IXmlCharacterData {};
class IXmlComment : public virtual IXmlCharacterData {};
class IXmlProcessingInstruction : public virtual IXmlNode {};

class IXmlDocument : public virtual IXmlNode {
public:
    // The first element child; null when there is none.
    virtual Ref<IXmlElement> DocumentElement() = 0;
    // Removes every child and inserts a new root element; version and
    // encoding are accepted for the caller's convenience and not written.
    virtual Ref<IXmlElement> NewDocument(const WideString& version, const WideString& encoding,
                                         int32_t rootNameId) = 0;
    virtual Ref<IXmlElement> NewDocument(const WideString& version, const WideString& encoding,
                                         const WideString& rootName) = 0;
    // Detached nodes on the document's name table.
    virtual Ref<IXmlElement> CreateElement(int32_t nameId) = 0;
    virtual Ref<IXmlElement> CreateElement(const WideString& name) = 0;
    virtual Ref<IXmlText> CreateText(const WideString& text) = 0;
    virtual Ref<IXmlCDATASection> CreateCDATASection(const WideString& data) = 0;
    virtual Ref<IXmlComment> CreateComment(const WideString& data) = 0;
    virtual Ref<IXmlProcessingInstruction> CreateProcessingInstruction(int32_t targetId,
                                                                       const WideString& data) = 0;
    virtual Ref<IXmlProcessingInstruction> CreateProcessingInstruction(const WideString& target,
                                                                       const WideString& data) = 0;
    virtual bool GetPreserveWhiteSpace() = 0;
    virtual void SetPreserveWhiteSpace(bool preserve) = 0;

    // Loading removes every child and attribute first. Text reaches the parser
    // as code units: a wide string unchanged, a stream one byte per unit.
    // Input beginning with "< binary-xml >" is read in the binary form.
    virtual void LoadXML(const WideString& xml) = 0;
    virtual void Load(TStream& stream) = 0;
    virtual void Load(const std::string& fileName) = 0;
    // Loading from an application resource: there are none, so it does
    // nothing.
    virtual void LoadResource(const std::string& resourceName, const std::string& resourceType) = 0;
    // The XML text as native-order 16-bit units, no byte-order mark.
    virtual void Save(TStream& stream) = 0;
    virtual void Save(const std::string& fileName) = 0;

    virtual void LoadBinaryXML(const std::string& data) = 0;
    // The binary form written with options 0.
    virtual std::string GetBinaryXML() = 0;
    // Options bit 0 stores names and character data as 16-bit units.
    virtual void SaveBinary(TStream& stream, int32_t options) = 0;
    virtual void SaveBinary(const std::string& fileName, int32_t options) = 0;
};

// ---------------------------------------------------------------------------
// Implementation classes

// Memory for the library's objects that live outside a document's store
// (documents, name tables, lists) and for the arrays of lists: blocks of up
// to 1 KB come from pages of blocks of one size. Memory taken for pages is
// reused, never given back to the system.
void* XmlAllocate(size_t size);
void XmlFree(void* block, size_t size) noexcept;

template <class T>
struct TXmlAllocator {
    using value_type = T;
    TXmlAllocator() = default;
    template <class U>
    TXmlAllocator(const TXmlAllocator<U>&) noexcept {}
    T* allocate(size_t n) { return static_cast<T*>(XmlAllocate(n * sizeof(T))); }
    void deallocate(T* p, size_t n) noexcept { XmlFree(p, n * sizeof(T)); }
    friend bool operator==(const TXmlAllocator&, const TXmlAllocator&) { return true; }
};

class TXmlBase : public virtual IXmlBase {
public:
    TXmlBase* GetObject() override { return this; }
    static void* operator new(size_t size) { return XmlAllocate(size); }
    static void operator delete(void* block, size_t size) noexcept { XmlFree(block, size); }
};

// Names interned as IDs (position in the name list). Lookups hash the 16-bit
// units (h = h * 33 + unit) into a fixed number of buckets.
class TXmlNameTable : public TXmlBase, public virtual IXmlNameTable {
public:
    // hashSize below 1 is taken as 1.
    explicit TXmlNameTable(int32_t hashSize);

    int32_t GetID(const WideString& name) override;
    WideString GetName(int32_t id) override;

    // Interns a run of code units.
    int32_t GetID(const char16_t* name, size_t length);
    // The same with the name's hash already computed: HashStep over its
    // units, starting from 0.
    int32_t GetID(const char16_t* name, size_t length, uint32_t hash);
    static uint32_t HashStep(uint32_t hash, uint32_t unit) { return hash * 33 + unit; }
    // The ID without interning; -1 when the name is not in the table.
    int32_t FindID(const char16_t* name, size_t length) const;
    int32_t FindID(const WideString& name) const { return FindID(name.data(), name.size()); }
    // The stored name; "" for an unknown ID. Valid until the next interning.
    const WideString& NameOf(int32_t id) const;
    int32_t Count() const { return static_cast<int32_t>(names_.size()); }
    bool ValidID(int32_t id) const { return id >= 0 && id < Count(); }

    int32_t TextID() const { return idText_; }
    int32_t CDATASectionID() const { return idCDATA_; }
    int32_t CommentID() const { return idComment_; }
    int32_t DocumentID() const { return idDocument_; }
    int32_t XmlID() const { return idXml_; }

    // The binary form stores the table with its hash index.
    const std::vector<WideString>& Names() const { return names_; }
    const std::vector<std::vector<int32_t>>& Buckets() const { return buckets_; }
    // Replaces names and buckets as read; IDs must already be checked. The
    // reserved names are looked up again (and interned when missing).
    void Assign(std::vector<WideString> names, std::vector<std::vector<int32_t>> buckets);

private:
    // The hash modulo the bucket count (a mask when that is a power of two).
    size_t BucketOf(uint32_t hash) const {
        return bucketMask_ ? hash & bucketMask_ : hash % buckets_.size();
    }
    void SetBucketMask() {
        size_t n = buckets_.size();
        bucketMask_ = (n & (n - 1)) == 0 ? n - 1 : 0;
    }
    template <class Ch>
    int32_t Intern(const Ch* name, size_t length);
    template <class Ch>
    int32_t InternHashed(const Ch* name, size_t length, uint32_t hash);
    void FindReserved();

    std::vector<WideString> names_;
    std::vector<std::vector<int32_t>> buckets_;
    size_t bucketMask_ = 0;  // 0: use the modulo
    int32_t idText_ = -1, idCDATA_ = -1, idComment_ = -1, idDocument_ = -1, idXml_ = -1;
};

using TXmlNodeItems = std::vector<TXmlNode*, TXmlAllocator<TXmlNode*>>;

// The memory of a document (core/xml/XmlStore.h).
class TXmlStore;

// A value as a node keeps it (an element's inline value, a text, character
// data, instruction data, an attribute with its name): nothing, text in the
// memory of the node's store, or a typed value (any variant but wide text)
// in the store's table. A Variant is made only when one is asked for.
struct TXmlValue {
    static constexpr uint32_t kEmpty = 0;
    static constexpr uint32_t kRun = 1u << 30;    // text kept until the store goes
    static constexpr uint32_t kBlock = 2u << 30;  // text in a block of its own
    static constexpr uint32_t kTyped = 3u << 30;  // data holds a slot of the typed values
    static constexpr uint32_t kKindMask = 3u << 30;
    static constexpr uint32_t kLengthMask = kRun - 1;

    uint32_t Kind() const { return meta & kKindMask; }
    bool IsEmpty() const { return Kind() == kEmpty; }
    bool IsText() const { return Kind() == kRun || Kind() == kBlock; }
    uint32_t Length() const { return meta & kLengthMask; }
    std::u16string_view Text() const { return {reinterpret_cast<const char16_t*>(data), Length()}; }
    uint32_t Slot() const { return static_cast<uint32_t>(data); }

    uintptr_t data = 0;
    uint32_t meta = kEmpty;  // the kind in the top two bits, below them the text's length
    int32_t nameId = -1;     // an attribute's name
};
using TXmlAttr = TXmlValue;

// An ordered list of nodes. A node's child list (GetChildNodes) shows the
// node's children as they are, and takes them over, parentless, when it
// outlives the node. A list without owner (SelectNodes) holds its items
// itself, each by one counted reference.
class TXmlNodeList : public TXmlBase, public virtual IXmlNodeList {
public:
    explicit TXmlNodeList(TXmlNode* owner) : owner_(owner) {}
    ~TXmlNodeList() override;

    int32_t GetCount() override { return static_cast<int32_t>(Items().size()); }
    Ref<IXmlNode> Get(int32_t index) override;
    WideString GetXML() override;

    TXmlNode* Owner() const { return owner_; }
    std::span<TXmlNode* const> Items() const;
    // Appends to a list without owner.
    void Add(TXmlNode* node);

private:
    friend class TXmlNode;
    friend class TXmlDocument;
    // The owner goes: its children become the list's own items, keeping the
    // references the owner held.
    void TakeOver(std::span<TXmlNode* const> items);

    TXmlNode* owner_;
    TXmlNodeItems items_;
};

// Every node kind. A node lives in the memory of a store: the one of the
// document or node it was made from. Its children are held by one counted
// reference each.
class TXmlNode : public TXmlBase, public virtual IXmlNode {
public:
    static void* operator new(size_t size, TXmlStore& store);
    // For a constructor that raises.
    static void operator delete(void* block, TXmlStore& store) noexcept;
    // The last reference went: the node is destroyed and its memory given
    // back to its store.
    static void operator delete(TXmlNode* node, std::destroying_delete_t) noexcept;

    // The kind's type code without a virtual call.
    int32_t Kind() const { return kind_; }
    TXmlNode* Parent() const { return parent_; }
    TXmlNameTable* NameTable() const { return names_; }
    TXmlStore& Store() const { return *store_; }
    // The name of an element or the target of an instruction.
    int32_t NameID() const { return nameId_; }
    // An element's inline value, a text's value, character or instruction
    // data.
    const TXmlValue& Value() const { return value_; }
    std::span<TXmlNode* const> Children() const { return {childs_, childCount_}; }
    int32_t ChildCount() const { return static_cast<int32_t>(childCount_); }
    bool HasChildItems() const { return childCount_ != 0; }
    // True once GetChildNodes has handed the child list out.
    bool HasChildList() const { return list_ != nullptr; }
    std::span<const TXmlAttr> Attrs() const { return {attrs_, attrCount_}; }
    // The attribute, or null when absent.
    const TXmlAttr* FindAttr(int32_t nameId) const;
    // Sets a value in place, or appends the attribute.
    void PutAttr(int32_t nameId, const Variant& value);
    void PutAttrText(int32_t nameId, std::u16string_view text);
    // Appends an empty attribute without looking for the name: the caller
    // knows it is new and fills the cell (loaders).
    TXmlAttr& AppendAttrCell(int32_t nameId) {
        if (attrCount_ == attrCapacity_) ReserveAttrs(1);
        TXmlAttr& attr = attrs_[attrCount_++];
        attr = TXmlAttr();
        attr.nameId = nameId;
        return attr;
    }
    // Appends attributes of distinct new names with cells filled in this
    // node's store (loaders).
    void AppendAttrs(std::span<const TXmlAttr> attrs) {
        if (attrs.empty()) return;
        ReserveAttrs(attrs.size());
        std::copy(attrs.begin(), attrs.end(), attrs_ + attrCount_);
        attrCount_ += static_cast<uint32_t>(attrs.size());
    }
    // Sets or appends the attribute with a cell filled in this node's store,
    // which the node takes over (also when it raises).
    void PutAttrCell(int32_t nameId, const TXmlValue& cell);
    // Room for count more attributes, for loaders that know the count.
    void ReserveAttrs(size_t count);
    void SetValueCell(const Variant& value);
    void SetValueText(std::u16string_view text);
    // Takes a cell filled in this node's store.
    void AdoptValueCell(const TXmlValue& cell);
    // The text form of a value of this node: text as it is, typed values by
    // VarToXmlStr.
    WideString ValueText(const TXmlValue& cell) const;
    // Moves the node and its subtree into another name table, renumbering
    // every name ID.
    void SetNameTable(TXmlNameTable* table);

    // Child operations. index -1 is the end; a node is first taken out of its
    // former parent and moved into this node's name table; inserting a node
    // into its own subtree raises.
    void InsertChildAt(TXmlNode* node, int32_t index);
    void ReplaceChildAt(int32_t index, TXmlNode* node);
    void DeleteChildAt(int32_t index);
    int32_t IndexOfChild(const TXmlNode* node) const;
    void ClearChildren();
    // Appends a node without the checks of InsertChildAt, taking over the
    // reference handed in: the node must be fresh (no parent) and use this
    // node's name table already (the loaders' and copies' path).
    void AppendNew(Ref<TXmlNode>&& node);
    // Room for one more child, so that the next append cannot fail.
    void ReserveChild();
    // Turns an element's inline value into a text child, before its children
    // are changed or listed.
    void MaterializeChildren();

    // IXmlNode
    Ref<IXmlNameTable> GetNameTable() override;
    WideString GetNodeName() override;
    int32_t GetNodeNameID() override;
    WideString GetText() override;
    int32_t GetDataType() override;
    Variant GetValue() override;
    void SetValue(const Variant& value) override;
    WideString GetXML() override;
    Ref<IXmlNode> CloneNode(bool deep) override;
    Ref<IXmlNode> GetParentNode() override;
    Ref<IXmlDocument> GetOwnerDocument() override;
    Ref<IXmlNodeList> GetChildNodes() override;
    void AppendChild(const Ref<IXmlNode>& node) override;
    void InsertBefore(const Ref<IXmlNode>& node, const Ref<IXmlNode>& reference) override;
    void ReplaceChild(const Ref<IXmlNode>& newNode, const Ref<IXmlNode>& oldNode) override;
    int32_t RemoveChild(const Ref<IXmlNode>& node) override;
    Ref<IXmlElement> AppendElement(int32_t nameId) override;
    Ref<IXmlElement> AppendElement(const WideString& name) override;
    Ref<IXmlText> AppendText(const WideString& text) override;
    Ref<IXmlCDATASection> AppendCDATA(const WideString& text) override;
    Ref<IXmlComment> AppendComment(const WideString& text) override;
    Ref<IXmlProcessingInstruction> AppendProcessingInstruction(int32_t targetId,
                                                               const WideString& data) override;
    Ref<IXmlProcessingInstruction> AppendProcessingInstruction(const WideString& target,
                                                               const WideString& data) override;
    WideString GetChildText(const WideString& name, const WideString& def) override;
    WideString GetChildText(int32_t nameId, const WideString& def) override;
    void SetChildText(const WideString& name, const WideString& text) override;
    void SetChildText(int32_t nameId, const WideString& text) override;
    Ref<IXmlNode> NeedChild(int32_t nameId) override;
    Ref<IXmlNode> NeedChild(const WideString& name) override;
    Ref<IXmlNode> EnsureChild(int32_t nameId) override;
    Ref<IXmlNode> EnsureChild(const WideString& name) override;
    void RemoveAllChilds() override;
    Ref<IXmlNodeList> SelectNodes(const WideString& path) override;
    Ref<IXmlNode> SelectSingleNode(const WideString& path) override;
    Ref<IXmlElement> FindElement(const WideString& name) override;
    Ref<IXmlElement> FindElement(const std::string& elementName, const std::string& attrName,
                                 const Variant& value) override;
    Ref<IXmlElement> FindElement(const std::string& elementName, const std::string& attrName,
                                 const std::string& value) override;
    using IXmlNode::FindElement;
    int32_t GetAttrCount() override { return static_cast<int32_t>(attrCount_); }
    int32_t GetAttrNameID(int32_t index) override;
    WideString GetAttrName(int32_t index) override;
    void RemoveAttr(const WideString& name) override;
    void RemoveAttr(int32_t nameId) override;
    void RemoveAllAttrs() override;
    bool AttrExists(int32_t nameId) override;
    bool AttrExists(const WideString& name) override;
    int32_t GetAttrType(int32_t nameId) override;
    int32_t GetAttrType(const WideString& name) override;
    Variant GetVarAttr(int32_t nameId, const Variant& def) override;
    Variant GetVarAttr(const WideString& name, const Variant& def) override;
    void SetVarAttr(int32_t nameId, const Variant& value) override;
    void SetVarAttr(const WideString& name, const Variant& value) override;
    WideString NeedAttr(int32_t nameId) override;
    WideString NeedAttr(const WideString& name) override;
    WideString GetAttr(int32_t nameId, const WideString& def) override;
    WideString GetAttr(const WideString& name, const WideString& def) override;
    void SetAttr(int32_t nameId, const WideString& value) override;
    void SetAttr(const WideString& name, const WideString& value) override;
    bool GetBoolAttr(int32_t nameId, bool def) override;
    bool GetBoolAttr(const WideString& name, bool def) override;
    void SetBoolAttr(int32_t nameId, bool value) override;
    void SetBoolAttr(const WideString& name, bool value) override;
    int32_t GetIntAttr(int32_t nameId, int32_t def) override;
    int32_t GetIntAttr(const WideString& name, int32_t def) override;
    void SetIntAttr(int32_t nameId, int32_t value) override;
    void SetIntAttr(const WideString& name, int32_t value) override;
    double GetDateTimeAttr(int32_t nameId, double def) override;
    double GetDateTimeAttr(const WideString& name, double def) override;
    void SetDateTimeAttr(int32_t nameId, double value) override;
    void SetDateTimeAttr(const WideString& name, double value) override;
    double GetFloatAttr(int32_t nameId, double def) override;
    double GetFloatAttr(const WideString& name, double def) override;
    void SetFloatAttr(int32_t nameId, double value) override;
    void SetFloatAttr(const WideString& name, double value) override;
    int32_t GetHexAttr(const WideString& name, int32_t def) override;
    int32_t GetHexAttr(int32_t nameId, int32_t def) override;
    void SetHexAttr(const WideString& name, int32_t value, int32_t digits) override;
    void SetHexAttr(int32_t nameId, int32_t value, int32_t digits) override;
    int32_t GetEnumAttr(const WideString& name, const std::vector<WideString>& values,
                        int32_t def) override;
    int32_t GetEnumAttr(int32_t nameId, const std::vector<WideString>& values,
                        int32_t def) override;
    int32_t NeedEnumAttr(const WideString& name, const std::vector<WideString>& values) override;
    int32_t NeedEnumAttr(int32_t nameId, const std::vector<WideString>& values) override;
    Variant GetPathValue(const std::string& path) override;
    void SetPathValue(const std::string& path, const Variant& value) override;
    Ref<IXmlElement> AsElement() override { return nullptr; }
    Ref<IXmlText> AsText() override { return nullptr; }
    Ref<IXmlCDATASection> AsCDATASection() override { return nullptr; }
    Ref<IXmlComment> AsComment() override { return nullptr; }
    Ref<IXmlProcessingInstruction> AsProcessingInstruction() override { return nullptr; }

protected:
    // Counts the node in its store.
    TXmlNode(TXmlStore& store, TXmlNameTable* names, int32_t kind, int32_t nameId);
    ~TXmlNode() override;
    // A new node of the same kind in `store` holding a copy of this one's
    // name and value (its attributes too, for elements); no children.
    virtual Ref<TXmlNode> CloneSelf(TXmlStore& store, bool deep) = 0;
    virtual bool CopiesChildren() const { return false; }
    void CopyAttrsFrom(const TXmlNode& other);
    void CopyValueFrom(const TXmlNode& other);
    void ReplaceNameTable(TXmlNameTable* table);
    // Gives back everything the node holds in its store: children,
    // attributes, value, arrays.
    void ReleaseContents() noexcept;

private:
    friend class TXmlNodeList;
    friend class TXmlDocument;
    TXmlAttr* MutableAttr(int32_t nameId);
    void GrowChildren();
    TXmlNode* FindChildByID(int32_t nameId);
    TXmlNode* FindChildElementNoCase(const WideString& name);
    TXmlNode* FindChildByAttrText(int32_t elementId, int32_t attrId, const WideString& value);
    int32_t EnumIndex(int32_t nameId, const std::vector<WideString>& values, bool& found);
    // The text form of an attribute's value (Variant's general conversion).
    WideString AttrText(const TXmlAttr& attr) const;

    // The order matters: in a node block (64-byte aligned), the members a
    // document's teardown reads (store_ to kind_) share the second cache line
    // with the reference count, which follows them in the virtual base.
    TXmlNameTable* names_;  // kept alive by the store
    TXmlAttr* attrs_ = nullptr;
    TXmlValue value_;
    uint32_t attrCount_ = 0;
    uint32_t attrCapacity_ = 0;
    int32_t nameId_;
    uint32_t childCapacity_ = 0;
    TXmlNode* parent_ = nullptr;

protected:
    TXmlStore* store_;

private:
    TXmlNode** childs_ = nullptr;
    TXmlNodeList* list_ = nullptr;  // the child list handed out, counted
    uint32_t childCount_ = 0;
    int32_t kind_;
};

class TXmlElement final : public TXmlNode, public virtual IXmlElement {
public:
    TXmlElement(TXmlStore& store, TXmlNameTable* names, int32_t nameId);

    int32_t GetNodeType() override { return NODE_ELEMENT; }
    void SetText(const WideString& text) override;
    int32_t GetDataType() override;
    Variant GetValue() override;
    void SetValue(const Variant& value) override;
    Ref<IXmlElement> AsElement() override { return Ref<IXmlElement>(this); }

    void ReplaceTextByCDATASection(const WideString& text) override;
    void ReplaceTextByBinaryData(const void* data, int32_t count, int32_t lineLength) override;
    WideString GetTextAsBinaryData() override;

protected:
    Ref<TXmlNode> CloneSelf(TXmlStore& store, bool deep) override;
    bool CopiesChildren() const override { return true; }

private:
    void RemoveTextChildren();
};

class TXmlText final : public TXmlNode, public virtual IXmlText {
public:
    TXmlText(TXmlStore& store, TXmlNameTable* names);

    int32_t GetNodeType() override { return NODE_TEXT; }
    WideString GetText() override;
    void SetText(const WideString& text) override { SetValueText(text); }
    int32_t GetDataType() override;
    Variant GetValue() override;
    void SetValue(const Variant& value) override { SetValueCell(value); }
    Ref<IXmlText> AsText() override { return Ref<IXmlText>(this); }

protected:
    Ref<TXmlNode> CloneSelf(TXmlStore& store, bool deep) override;
};

class TXmlCharacterData : public TXmlNode, public virtual IXmlCharacterData {
public:
    // The data, trimmed of leading and trailing units <= 32 unless white
    // space is preserved (by the owning document, or by the process default
    // for a node outside any document).
    WideString GetText() override;
    void SetText(const WideString& text) override { SetValueText(text); }

protected:
    TXmlCharacterData(TXmlStore& store, TXmlNameTable* names, int32_t kind);
};

class TXmlCDATASection final : public TXmlCharacterData, public virtual IXmlCDATASection {
public:
    TXmlCDATASection(TXmlStore& store, TXmlNameTable* names);
    int32_t GetNodeType() override { return NODE_CDATA_SECTION; }
    Ref<IXmlCDATASection> AsCDATASection() override { return Ref<IXmlCDATASection>(this); }

protected:
    Ref<TXmlNode> CloneSelf(TXmlStore& store, bool deep) override;
};

class TXmlComment final : public TXmlCharacterData, public virtual IXmlComment {
public:
    TXmlComment(TXmlStore& store, TXmlNameTable* names);
    int32_t GetNodeType() override { return NODE_COMMENT; }
    Ref<IXmlComment> AsComment() override { return Ref<IXmlComment>(this); }

protected:
    Ref<TXmlNode> CloneSelf(TXmlStore& store, bool deep) override;
};

// Its data is 8-bit text (units above 255 are kept as "?").
class TXmlProcessingInstruction final : public TXmlNode, public virtual IXmlProcessingInstruction {
public:
    TXmlProcessingInstruction(TXmlStore& store, TXmlNameTable* names, int32_t targetId);

    int32_t GetNodeType() override { return NODE_PROCESSING_INSTRUCTION; }
    WideString GetText() override;
    void SetText(const WideString& text) override;
    Ref<IXmlProcessingInstruction> AsProcessingInstruction() override {
        return Ref<IXmlProcessingInstruction>(this);
    }

protected:
    Ref<TXmlNode> CloneSelf(TXmlStore& store, bool deep) override;
};

// A document owns a store; its nodes, attributes and values live there. When
// the document goes, the nodes nobody else holds go with the store's memory
// at once; a node still held from outside lives on, without parent, and
// keeps the store.
class TXmlDocument : public TXmlNode, public virtual IXmlDocument {
public:
    // A document on the given name table (the process-wide default one when
    // null).
    explicit TXmlDocument(TXmlNameTable* names = nullptr);
    ~TXmlDocument() override;
    // Documents themselves come from the library's pool, not from a store.
    static void* operator new(size_t size) { return XmlAllocate(size); }
    static void operator delete(void* block, size_t size) noexcept { XmlFree(block, size); }

    int32_t GetNodeType() override { return NODE_DOCUMENT; }
    void SetText(const WideString& text) override;

    Ref<IXmlElement> DocumentElement() override;
    Ref<IXmlElement> NewDocument(const WideString& version, const WideString& encoding,
                                 int32_t rootNameId) override;
    Ref<IXmlElement> NewDocument(const WideString& version, const WideString& encoding,
                                 const WideString& rootName) override;
    Ref<IXmlElement> CreateElement(int32_t nameId) override;
    Ref<IXmlElement> CreateElement(const WideString& name) override;
    Ref<IXmlText> CreateText(const WideString& text) override;
    Ref<IXmlCDATASection> CreateCDATASection(const WideString& data) override;
    Ref<IXmlComment> CreateComment(const WideString& data) override;
    Ref<IXmlProcessingInstruction> CreateProcessingInstruction(int32_t targetId,
                                                               const WideString& data) override;
    Ref<IXmlProcessingInstruction> CreateProcessingInstruction(const WideString& target,
                                                               const WideString& data) override;
    bool GetPreserveWhiteSpace() override { return preserveWhiteSpace_; }
    void SetPreserveWhiteSpace(bool preserve) override { preserveWhiteSpace_ = preserve; }

    void LoadXML(const WideString& xml) override;
    void Load(TStream& stream) override;
    void Load(const std::string& fileName) override;
    void LoadResource(const std::string& resourceName, const std::string& resourceType) override;
    void Save(TStream& stream) override;
    void Save(const std::string& fileName) override;
    void LoadBinaryXML(const std::string& data) override;
    std::string GetBinaryXML() override;
    void SaveBinary(TStream& stream, int32_t options) override;
    void SaveBinary(const std::string& fileName, int32_t options) override;

    // Parses the stream from its current position as text, reading it
    // through a buffer of bufferSize bytes (Load uses 65536).
    void LoadText(TStream& stream, size_t bufferSize);

protected:
    Ref<TXmlNode> CloneSelf(TXmlStore& store, bool deep) override;
    bool CopiesChildren() const override { return true; }

private:
    // Removes every child and attribute; the store's memory is used again
    // from the start when nothing else lives in it.
    void Reset();
    // Frees the subtree: children of this store that nobody else holds go
    // without a visit of their values; the others are detached and released.
    void DropTree() noexcept;
    // The binary form from a stream positioned after the signature.
    void LoadBinaryStream(TStream& stream);
    void ReadBinary(TBinXmlReader& reader);
    void WriteBinary(TBinXmlWriter& writer);

    bool preserveWhiteSpace_;
};

// ---------------------------------------------------------------------------
// Free routines

// A new name table with hashSize buckets.
Ref<IXmlNameTable> CreateNameTable(int32_t hashSize);
// The table documents share when created without one (4096 buckets).
TXmlNameTable* XmlDefaultNameTable();
// Unit hooks: create and release the default name table.
void InitSimpleXml();
void DoneSimpleXml();

// The process-wide default of a new document's PreserveWhiteSpace (false).
bool GetXmlDefaultPreserveWhiteSpace();
void SetXmlDefaultPreserveWhiteSpace(bool preserve);

// Replaces '"', '&', '<' and '>' by their entities; the apostrophe stays.
WideString XmlEscapeText(const WideString& text);
// The text form of a typed value: Null "{{null}}", booleans "0"/"1", floats
// with "." and 15 significant digits, date-times "YYYY-MM-DDThh-mm-ss", byte
// arrays Base64; anything else by the general variant-to-text conversion.
WideString VarToXmlStr(const Variant& value);
// Accepts "." or "," as the decimal separator whatever the process locale;
// raises EVariantError on text that is no number.
double XmlStrToFloat(const WideString& text);
std::string XmlFloatToStr(double value);
// Reads "YYYY-MM-DDThh-mm-ss" (a missing tail reads as 0); raises
// EVariantError when a part is out of range.
double XmlStrToDateTime(const std::string& text);
std::string XmlDateTimeToStr(double value);
// Base64 with "=" padding; lineLength > 0 inserts CR LF so that the first line
// holds lineLength - 1 characters and every later one lineLength.
std::string BinToBase64(const void* data, size_t count, int32_t lineLength);
// Units <= 32 are skipped, characters outside the alphabet read as 0.
ByteArray Base64ToBin(std::string_view text);
bool IsXmlName(const WideString& name);
// The attributes as ` name="value"` pairs.
WideString GetAttrsXML(TXmlNode& node);
bool XmlIsInBinaryFormat(std::string_view text);
// True for the binary signature, or "<?xml " after leading blanks.
bool IsXmlDataString(std::string_view text);
// Replaces node by a new child element of that name (nothing for "").
void AppendElementAndDescend(Ref<IXmlNode>& node, const std::string& name);
// Replaces node by the element the path selects (null when none); true when
// node then holds one.
bool SelectElementAndDescend(Ref<IXmlNode>& node, const std::string& path);
// There are no application resources to load from: always false.
bool LoadXmlResource(const std::string& resourceName, const std::string& resourceType,
                     const Ref<IXmlDocument>& document);

// New documents on the default name table.
Ref<IXmlDocument> LoadXmlDocumentFromXML(const WideString& xml);
Ref<IXmlDocument> LoadXmlDocumentFromBinaryXML(const std::string& data);
Ref<IXmlDocument> LoadXmlDocument(TStream& stream);
Ref<IXmlDocument> LoadXmlDocument(const std::string& fileName);
// From an application resource: always an empty document.
Ref<IXmlDocument> LoadXmlDocument(const std::string& resourceName, const std::string& resourceType);
// A new document (on `names`, or the default table), with a root element when
// rootName is not empty.
Ref<IXmlDocument> CreateXmlDocument(const WideString& rootName = {},
                                    const WideString& version = u"1.0",
                                    const WideString& encoding = {},
                                    const Ref<IXmlNameTable>& names = nullptr);
Ref<IXmlElement> CreateXmlElement(const WideString& name,
                                  const Ref<IXmlNameTable>& names = nullptr);
