// XML storage: IHierStorage over one element of an XML document, the loaders
// that turn files, resources and texts into storages, and the out-storages.
//
// A node whose "_outstorage" attribute holds a spec ("\file=...\cryptkey=...")
// keeps its content in that separate document, optionally enciphered as
// HexCipherText. Values and children the node lacks are read from that
// document's root. Out-storage documents are loaded once and cached for the
// whole process until ClearStorageCache.
//
// Failures: parse errors raise from the loaders that return storages
// (LoadStorageFromXML, LoadStorageFromFile, GetStorageBySpec, SetContent);
// the IHierStorageRoot loaders answer false instead. A document without an
// element (an empty text, blanks, only a comment or a declaration) is refused
// the same way, except by GetStorageBySpec, for which it stands for a file
// not written yet. A storage without an element (detached, or such an
// out-storage) answers every read with its default and raises on every
// write. An out-storage that refers back to a document still being loaded
// raises instead of recursing. A file that cannot be written raises.
//
// The loaders that know a file name also write one line to the core log
// (module "STORAGE") for a file that does not parse (with the parser's
// message) or holds no element; for an out-storage also when its file is
// missing (it then reads as empty) or refers to itself, and a parse failure
// after deciphering names the key as the likely cause. A missing file given
// to LoadStorageFromFile or LoadFromFile writes nothing: callers probe for
// optional files that way. LoadFromXML logs the message it does not hand on.
#pragma once

#include <memory>
#include <string>

#include "core/base/AsciiText.h"
#include "core/base/Units.h"
#include "core/storage/PersistenceService.h"
#include "core/xml/SimpleXml.h"

// The binding of a storage to its XML element.
class IXMLStorageSlave : public virtual IHierStorage {
public:
    virtual void Attach(const Ref<IXmlNode>& node, const Ref<IXmlDocument>& document) = 0;
    virtual void Detach() = 0;
    virtual Ref<IXmlNode> GetNode() = 0;
};

class TXMLStorage : public IXMLStorageSlave, public IHierStorageRoot {
public:
    TXMLStorage() = default;

    // IHierStorage
    std::string GetNodeName() override;
    int32_t GetValueCount() override;
    std::string GetValueName(int32_t index) override;
    Variant GetValueAt(int32_t index, const Variant& defaultValue) override;
    Variant GetValue(const std::string& name, const Variant& defaultValue) override;
    void SetValueAt(int32_t index, const Variant& value) override;
    void SetValue(const std::string& name, const Variant& value) override;
    void DeleteValue(const std::string& name) override;
    Ref<IHierStorage> AddChild(const std::string& name) override;
    int32_t GetChildCount(const std::string& name) override;
    Ref<IHierStorage> GetChild(const std::string& name, int32_t index) override;
    Ref<IHierStorage> FindChild(const std::string& name) override;
    Variant GetText() override;
    void SetText(const Variant& value) override;
    Variant GetChildText(const std::string& name) override;
    void SetChildText(const std::string& name, const Variant& value) override;
    bool AppendCopy(const Ref<IHierStorage>& other) override;
    void RemoveChild(const Ref<IHierStorage>& other) override;
    Variant GetXML() override;
    Variant GetContent() override;
    void SetContent(const Variant& value) override;
    Variant GetChildContent(const std::string& name) override;
    void SetChildContent(const std::string& name, const Variant& value) override;
    Ref<IHierStorage> FindByPath(const std::string& path, const std::string& containerName) override;
    std::string GetPath() override;

    // IXMLStorageSlave
    void Attach(const Ref<IXmlNode>& node, const Ref<IXmlDocument>& document) override;
    void Detach() override;
    Ref<IXmlNode> GetNode() override { return node_; }

    // IHierStorageRoot
    bool NewDocument(const std::string& rootName) override;
    bool LoadFromFile(const std::string& resourcePath) override;
    bool LoadFromXML(const std::string& text) override;
    bool LoadObject(const Ref<IPersistObject>& object) override;
    bool SaveToFile(const std::string& path) override;
    bool SaveToXML(std::string& text) override;
    bool SaveObject(const Ref<IPersistObject>& object) override;

    // A new storage on another node of this storage's document; null for none.
    Ref<IHierStorage> WrapNode(const Ref<IXmlNode>& node);
    // The file the document was read from, named in GetPath; empty for a
    // document built in memory. Storages made by WrapNode inherit it.
    void SetSourceName(std::string name);

private:
    IXmlNodeList* ChildList(const std::string& name);
    void OpenOutStorage();
    void ReleaseOutStorage();
    void DropCachedList();

    Ref<IXmlDocument> document_;
    Ref<IXmlNode> node_;
    std::string cachedListName_;
    Ref<IXmlNodeList> cachedList_;
    std::string outStorageSpec_;
    Ref<IXMLStorageSlave> outStorage_;
    std::shared_ptr<const std::string> sourceName_;  // shared by the document's storages
};

// Parses 8-bit text: the binary form when it begins with the signature;
// otherwise text up to its first zero byte, decoded as UTF-8 unless an XML
// declaration names another encoding (then each byte is one character).
Ref<IXmlDocument> ParseXmlText(std::string_view text);
// The document at a resource path; null when nothing opens.
Ref<IXmlDocument> LoadXmlDocumentFromResource(const std::string& resourcePath);

Ref<IHierStorage> LoadStorageFromFile(const std::string& resourcePath);
Ref<IHierStorage> LoadStorageFromXML(std::string_view text);
// The text widened byte by byte, with no encoding detection.
Ref<IHierStorage> LoadStorageFromWideXML(std::string_view text);
// A new document whose root element has that name; null on failure.
Ref<IHierStorageRoot> CreateStorage(const std::string& rootName);

// The (cached) storage of an out-storage spec; null when it names no file.
Ref<IHierStorage> GetStorageBySpec(const std::string& spec);
// Writes a storage's document to the "file" its out-storage spec names,
// relative to the current folder (its folders created as needed), enciphered
// when it names a "cryptkey". The file is replaced as a whole
// (core/base/FileReplace.h): a failure raises and leaves the old file as it
// was. A file outside the current folder ("..", an absolute path) is refused
// with an exception.
void SaveStorageBySpec(const Ref<IHierStorage>& storage, const std::string& spec);
void ClearStorageCache();

// Creates a folder and its missing parents; raises for an empty path.
bool ForceFolders(const std::string& path);


// Unit hooks: the storage cache exists between these two calls.
void InitXMLStorage();
void DoneXMLStorage();
inline constexpr TUnit kXMLStorageUnit = {"XMLStorage", InitXMLStorage, DoneXMLStorage};
