#include "core/storage/XMLStorage.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "core/base/Assert.h"
#include "core/base/FileReplace.h"
#include "core/base/Log.h"
#include "core/base/ParamStringUtils.h"
#include "core/base/PlatformShims.h"
#include "core/base/Utf8.h"
#include "core/object/BaseCollections.h"
#include "core/packs/Cipher.h"
#include "core/packs/ResourceReader.h"

namespace {

constexpr int kHexFormat = 16;

// The process-wide cache of out-storage documents, named by their "file".
struct TStorageCache {
    TInterfaceCollection storages;
    TCriticalSection lock;
    // Files whose documents are being loaded right now: an out-storage that
    // names one of them would load itself again without end.
    std::set<std::string> loading;
};
std::unique_ptr<TStorageCache> g_cache;

// Values and texts are handed over as UTF-8. Bytes that are no UTF-8 are kept
// one byte per character rather than dropped.
WideString DecodeValueText(const std::string& text) {
    if (text.empty()) return {};
    std::u16string wide(text.size() + 1, u'\0');
    int n = UTF8ToWideBuffer(wide.data(), static_cast<int>(wide.size()), text.data(),
                             static_cast<int>(text.size()));
    if (n < 1) return StringToWide(text);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

Variant Utf8Variant(const WideString& text) {
    return Variant(WideToUTF8(text));
}

// The value of "file" and "cryptkey" in an out-storage spec.
void ReadSpec(const std::string& spec, std::string& file, std::string& key) {
    GetParam(spec, "file", '\\', '=', file);
    GetParam(spec, "cryptkey", '\\', '=', key);
}

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Finds the value of the "encoding" attribute of the text's XML declaration
// (the first "<?" with a following "?>", named "xml" in any case): its
// position and length; false when there is none.
bool FindDeclaredEncoding(std::string_view text, size_t& valueAt, size_t& valueLength) {
    size_t open = text.find("<?");
    if (open == std::string_view::npos) return false;
    size_t close = text.find("?>", open + 2);
    if (close == std::string_view::npos) return false;
    std::string_view decl = text.substr(open + 2, close - open - 2);
    size_t nameEnd = 0;
    while (nameEnd < decl.size() && !IsXmlSpace(decl[nameEnd])) ++nameEnd;
    if (!EqualIgnoringAsciiCase(decl.substr(0, nameEnd), "xml")) return false;
    size_t at = decl.find("encoding", nameEnd);
    if (at == std::string_view::npos) return false;
    at += 8;
    while (at < decl.size() && IsXmlSpace(decl[at])) ++at;
    if (at >= decl.size() || decl[at] != '=') return false;
    ++at;
    while (at < decl.size() && IsXmlSpace(decl[at])) ++at;
    if (at >= decl.size() || (decl[at] != '"' && decl[at] != '\'')) return false;
    char quote = decl[at];
    size_t end = decl.find(quote, at + 1);
    if (end == std::string_view::npos) return false;
    valueAt = open + 2 + at + 1;
    valueLength = end - at - 1;
    return true;
}

// True when the text's XML declaration names an encoding other than UTF-8.
bool DeclaresSingleByteEncoding(std::string_view text) {
    size_t at, length;
    return FindDeclaredEncoding(text, at, length) &&
           !EqualIgnoringAsciiCase(text.substr(at, length), "utf-8");
}

// The document as the storage saves it: UTF-8, under a declaration that says
// so. A document read in a single-byte encoding keeps its declaration in the
// tree; written as it stands, each load and save would encode its text once
// more.
std::string StorageText(IXmlDocument& document) {
    std::string text = WideToUTF8(document.GetXML());
    size_t at, length;
    if (FindDeclaredEncoding(text, at, length) &&
        !EqualIgnoringAsciiCase(std::string_view(text).substr(at, length), "utf-8")) {
        text.replace(at, length, "UTF-8");
    }
    return text;
}

// A document without an element (an empty text, blanks, only a comment or
// a declaration) holds nothing a storage could stand on.
void CheckHasElement(IXmlDocument& document) {
    if (!document.DocumentElement()) throw Exception("The document holds no element");
}

Ref<IHierStorage> AttachedStorage(const Ref<IXmlDocument>& document, std::string sourceName = {}) {
    Ref<TXMLStorage> storage = MakeRef<TXMLStorage>();
    storage->Attach(Ref<IXmlNode>(document->DocumentElement()), document);
    storage->SetSourceName(std::move(sourceName));
    return storage;
}

// "/name" for an element, numbered among its same-named sibling elements when
// it has any.
void AppendPathStep(IXmlNode& node, std::string& step) {
    const int32_t nameId = node.GetNodeNameID();
    step.assign(1, '/').append(WideToUTF8(node.GetNodeName()));
    Ref<IXmlNode> parent = node.GetParentNode();
    if (!parent || parent->GetNodeType() == NODE_DOCUMENT) return;
    Ref<IXmlNodeList> siblings = parent->GetChildNodes();
    int32_t position = 0;
    int32_t count = 0;
    for (int32_t i = 0, n = siblings ? siblings->GetCount() : 0; i < n; ++i) {
        Ref<IXmlNode> sibling = siblings->Get(i);
        if (sibling->GetNodeType() != NODE_ELEMENT || sibling->GetNodeNameID() != nameId) continue;
        ++count;
        if (sibling.get() == &node) position = count;
    }
    if (count > 1) step.append(1, '[').append(std::to_string(position)).append(1, ']');
}

// Writing needs an element; reading a storage without one answers defaults.
void CheckWritable(const Ref<IXmlNode>& node) {
    if (!node) throw Exception("The storage holds no element to write into");
}

bool NameOrNameAttrMatches(IXmlNode& node, const WideString& step) {
    return EqualIgnoringAsciiCase(node.GetNodeName(), step) ||
           EqualIgnoringAsciiCase(node.GetAttr(u"name", WideString()), step);
}

Ref<IXmlNode> FindNodeByNameOrNameValue(const Ref<IXmlNodeList>& list, const WideString& step) {
    if (!list) return nullptr;
    for (int32_t i = 0, n = list->GetCount(); i < n; ++i) {
        Ref<IXmlNode> node = list->Get(i);
        if (node && NameOrNameAttrMatches(*node, step)) return node;
    }
    return nullptr;
}

// Refuses a path that would leave the folder it is relative to.
void CheckRelativeWritePath(const std::string& path) {
    if (path.empty() || path[0] == '/') {
        throw Exception("Cannot write \"" + path + "\": the path must be relative");
    }
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (path.compare(start, end - start, "..") == 0) {
            throw Exception("Cannot write \"" + path + "\": the path leaves its folder");
        }
        start = end + 1;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// TXMLStorage: values

std::string TXMLStorage::GetNodeName() {
    return node_ ? WideToString(node_->GetNodeName()) : std::string();
}

int32_t TXMLStorage::GetValueCount() {
    return node_ ? node_->GetAttrCount() : 0;
}

std::string TXMLStorage::GetValueName(int32_t index) {
    return node_ ? WideToString(node_->GetAttrName(index)) : std::string();
}

Variant TXMLStorage::GetValue(const std::string& name, const Variant& defaultValue) {
    std::string defaultText = defaultValue.ToString();
    if (node_) {
        WideString wideDefault = DecodeValueText(defaultText);
        WideString text = node_->GetAttr(StringToWide(name), wideDefault);
        if (text != wideDefault) return Utf8Variant(text);
    }
    // The node lacks the value (or holds exactly the default): the out-storage
    // answers for it.
    if (outStorage_) return Variant(outStorage_->GetValue(name, defaultValue).ToString());
    return Variant(defaultText);
}

Variant TXMLStorage::GetValueAt(int32_t index, const Variant& defaultValue) {
    return GetValue(GetValueName(index), defaultValue);
}

void TXMLStorage::SetValue(const std::string& name, const Variant& value) {
    CheckWritable(node_);
    node_->SetAttr(StringToWide(name), DecodeValueText(value.ToString()));
}

void TXMLStorage::SetValueAt(int32_t index, const Variant& value) {
    CheckWritable(node_);
    node_->SetAttr(node_->GetAttrNameID(index), DecodeValueText(value.ToString()));
}

void TXMLStorage::DeleteValue(const std::string& name) {
    if (node_) node_->RemoveAttr(StringToWide(name));
}

// ---------------------------------------------------------------------------
// TXMLStorage: children

IXmlNodeList* TXMLStorage::ChildList(const std::string& name) {
    if (!node_) return nullptr;
    if (!cachedList_ || cachedListName_ != name) {
        cachedListName_ = name;
        cachedList_ =
            name.empty() ? node_->GetChildNodes() : node_->SelectNodes(StringToWide(name));
    }
    return cachedList_.get();
}

void TXMLStorage::DropCachedList() {
    cachedListName_.clear();
    cachedList_ = nullptr;
}

Ref<IHierStorage> TXMLStorage::AddChild(const std::string& name) {
    CheckWritable(node_);
    Ref<IXmlElement> element = node_->AppendElement(StringToWide(name));
    if (cachedList_ && cachedListName_ == name) DropCachedList();
    return WrapNode(Ref<IXmlNode>(element));
}

int32_t TXMLStorage::GetChildCount(const std::string& name) {
    IXmlNodeList* list = ChildList(name);
    int32_t count = list ? list->GetCount() : 0;
    if (count == 0 && outStorage_) count = outStorage_->GetChildCount(name);
    return count;
}

Ref<IHierStorage> TXMLStorage::GetChild(const std::string& name, int32_t index) {
    Ref<IHierStorage> child;
    if (IXmlNodeList* list = ChildList(name); list && index >= 0 && index < list->GetCount()) {
        child = WrapNode(list->Get(index));
    }
    if (!child && outStorage_) child = outStorage_->GetChild(name, index);
    return child;
}

Ref<IHierStorage> TXMLStorage::FindChild(const std::string& name) {
    if (!node_) return nullptr;
    return WrapNode(node_->SelectSingleNode(StringToWide(name)));
}

Variant TXMLStorage::GetText() {
    return node_ ? Utf8Variant(node_->GetText()) : Variant(std::string());
}

void TXMLStorage::SetText(const Variant& value) {
    CheckWritable(node_);
    node_->SetText(DecodeValueText(value.ToString()));
}

Variant TXMLStorage::GetChildText(const std::string& name) {
    Ref<IHierStorage> child = GetChild(name, 0);
    return child ? child->GetText() : Variant();
}

void TXMLStorage::SetChildText(const std::string& name, const Variant& value) {
    Ref<IHierStorage> child = GetChild(name, 0);
    if (!child) child = AddChild(name);
    child->SetText(value);
}

bool TXMLStorage::AppendCopy(const Ref<IHierStorage>& other) {
    Ref<IXMLStorageSlave> slave = Query<IXMLStorageSlave>(other);
    if (!slave || !slave->GetNode()) return false;
    CheckWritable(node_);
    node_->AppendChild(slave->GetNode()->CloneNode(true));
    return true;
}

void TXMLStorage::RemoveChild(const Ref<IHierStorage>& other) {
    Ref<IXMLStorageSlave> slave = Query<IXMLStorageSlave>(other);
    if (node_ && slave && slave->GetNode()) node_->RemoveChild(slave->GetNode());
}

Variant TXMLStorage::GetXML() {
    return node_ ? Variant(node_->GetXML()) : Variant(WideString());
}

Variant TXMLStorage::GetContent() {
    if (!node_) return Variant(std::string());
    Ref<IXmlNodeList> children = node_->GetChildNodes();
    int32_t count = children->GetCount();
    if (count > 1 || (count == 1 && children->Get(0)->GetNodeType() != NODE_TEXT)) {
        return Utf8Variant(children->GetXML());
    }
    return GetText();
}

void TXMLStorage::SetContent(const Variant& value) {
    CheckWritable(node_);
    Ref<IXmlDocument> content = ParseXmlText(value.ToString());
    // A document without an element has nothing to copy: keep the text.
    if (content->DocumentElement()) {
        AppendCopy(AttachedStorage(content));
    } else {
        SetText(value);
    }
}

Variant TXMLStorage::GetChildContent(const std::string& name) {
    Ref<IHierStorage> child = GetChild(name, 0);
    return child ? child->GetContent() : Variant();
}

void TXMLStorage::SetChildContent(const std::string& name, const Variant& value) {
    Ref<IHierStorage> child = GetChild(name, 0);
    if (!child) child = AddChild(name);
    child->SetContent(value);
}

Ref<IHierStorage> TXMLStorage::FindByPath(const std::string& path,
                                          const std::string& containerName) {
    if (path.empty()) return Ref<IHierStorage>(this);
    Ref<IXmlNode> current = node_;
    std::string_view rest = path;
    WideString container = StringToWide(containerName);
    while (current && !rest.empty()) {
        size_t slash = rest.find('/');
        WideString step = StringToWide(rest.substr(0, slash));
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        Ref<IXmlNode> found;
        if (!container.empty()) {
            if (Ref<IXmlNode> holder = current->SelectSingleNode(container)) {
                found = FindNodeByNameOrNameValue(holder->GetChildNodes(), step);
            }
        }
        if (!found) found = FindNodeByNameOrNameValue(current->GetChildNodes(), step);
        current = found;
    }
    return WrapNode(current);
}

std::string TXMLStorage::GetPath() {
    std::vector<std::string> steps;
    for (Ref<IXmlNode> node = node_; node && node->GetNodeType() == NODE_ELEMENT;
         node = node->GetParentNode()) {
        AppendPathStep(*node, steps.emplace_back());
    }
    std::string path = sourceName_ && !sourceName_->empty() ? *sourceName_ + ": " : std::string();
    if (steps.empty()) return path + "/";
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) path += *step;
    return path;
}

// ---------------------------------------------------------------------------
// TXMLStorage: binding

Ref<IHierStorage> TXMLStorage::WrapNode(const Ref<IXmlNode>& node) {
    if (!node) return nullptr;
    Ref<TXMLStorage> storage = MakeRef<TXMLStorage>();
    storage->Attach(node, document_);
    storage->sourceName_ = sourceName_;
    return storage;
}

void TXMLStorage::SetSourceName(std::string name) {
    sourceName_ = name.empty() ? nullptr : std::make_shared<const std::string>(std::move(name));
}

void TXMLStorage::Attach(const Ref<IXmlNode>& node, const Ref<IXmlDocument>& document) {
    node_ = node;
    document_ = document;
    OpenOutStorage();
    DropCachedList();
}

void TXMLStorage::Detach() {
    DropCachedList();
    document_ = nullptr;
    node_ = nullptr;
    ReleaseOutStorage();
}

void TXMLStorage::OpenOutStorage() {
    outStorage_ = nullptr;
    outStorageSpec_.clear();
    if (!node_) return;
    outStorageSpec_ = WideToUTF8(node_->GetAttr(u"_outstorage", WideString()));
    outStorage_ = Query<IXMLStorageSlave>(GetStorageBySpec(outStorageSpec_));
}

void TXMLStorage::ReleaseOutStorage() {
    // The out-storage is the cached document shared by every node naming the
    // same file: drop our reference, but leave it attached for the others.
    outStorage_ = nullptr;
}

// ---------------------------------------------------------------------------
// TXMLStorage: documents

bool TXMLStorage::NewDocument(const std::string& rootName) {
    try {
        Detach();
        Ref<IXmlDocument> document = CreateXmlDocument(StringToWide(rootName));
        Attach(Ref<IXmlNode>(document->DocumentElement()), document);
        sourceName_ = nullptr;
        return true;
    } catch (const std::exception& e) {
        Log("STORAGE", "Cannot make a document \"" + rootName + "\": " + e.what());
        return false;
    }
}

bool TXMLStorage::LoadFromFile(const std::string& resourcePath) {
    try {
        // The loader logs a file that does not parse.
        Ref<IXmlDocument> document = LoadXmlDocumentFromResource(resourcePath);
        if (!document || !document->DocumentElement()) return false;
        Attach(Ref<IXmlNode>(document->DocumentElement()), document);
        SetSourceName(resourcePath);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TXMLStorage::LoadFromXML(const std::string& text) {
    try {
        Ref<IXmlDocument> document = ParseXmlText(text);
        CheckHasElement(*document);
        Attach(Ref<IXmlNode>(document->DocumentElement()), document);
        sourceName_ = nullptr;
        return true;
    } catch (const std::exception& e) {
        // The message goes no further than here: the answer is only false.
        Log("STORAGE", std::string("A storage text did not load: ") + e.what());
        return false;
    }
}

bool TXMLStorage::LoadObject(const Ref<IPersistObject>& object) {
    if (object) object->Load(Ref<IHierStorage>(static_cast<IXMLStorageSlave*>(this)));
    return true;
}

bool TXMLStorage::SaveObject(const Ref<IPersistObject>& object) {
    if (object) object->Save(Ref<IHierStorage>(static_cast<IXMLStorageSlave*>(this)));
    return true;
}

bool TXMLStorage::SaveToFile(const std::string& path) {
    if (!document_) return true;
    std::unique_ptr<TStream> stream = OpenResource(path, false);
    if (!stream) return true;  // "res:" paths are read-only
    std::string text = StorageText(*document_);
    try {
        stream->WriteBuffer(text.data(), text.size());
    } catch (const std::exception& e) {
        Log("STORAGE", "Cannot write \"" + path + "\": " + e.what());
        throw;
    }
    return true;
}

bool TXMLStorage::SaveToXML(std::string& text) {
    if (document_) text = StorageText(*document_);
    return true;
}

// ---------------------------------------------------------------------------
// Loaders

Ref<IXmlDocument> ParseXmlText(std::string_view text) {
    // The binary form holds zero bytes: recognise it before any text rule.
    if (XmlIsInBinaryFormat(text)) return LoadXmlDocumentFromBinaryXML(std::string(text));
    size_t zero = text.find('\0');
    if (zero != std::string_view::npos) text = text.substr(0, zero);
    WideString wide;
    if (DeclaresSingleByteEncoding(text)) {
        wide = StringToWide(text);
    } else {
        if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // UTF-8 byte-order mark
        wide = DecodeValueText(std::string(text));
    }
    return LoadXmlDocumentFromXML(wide);
}

Ref<IXmlDocument> LoadXmlDocumentFromResource(const std::string& resourcePath) {
    // A missing file is how callers probe for optional files: no log line.
    // One that is there but unreadable was logged by OpenResource.
    std::unique_ptr<TStream> stream = OpenResource(resourcePath, true);
    if (!stream) return nullptr;
    Ref<IXmlDocument> document;
    try {
        document = ParseXmlText(ReadStreamText(stream.get()));
    } catch (const std::exception& e) {
        Log("STORAGE", "\"" + resourcePath + "\" is not well-formed: " + e.what());
        throw;
    }
    if (!document->DocumentElement()) {
        Log("STORAGE", "\"" + resourcePath + "\" holds no element");
    }
    return document;
}

Ref<IHierStorage> LoadStorageFromFile(const std::string& resourcePath) {
    Ref<IXmlDocument> document = LoadXmlDocumentFromResource(resourcePath);
    if (!document) return nullptr;
    CheckHasElement(*document);
    return AttachedStorage(document, resourcePath);
}

Ref<IHierStorage> LoadStorageFromXML(std::string_view text) {
    Ref<IXmlDocument> document = ParseXmlText(text);
    CheckHasElement(*document);
    return AttachedStorage(document);
}

Ref<IHierStorage> LoadStorageFromWideXML(std::string_view text) {
    Ref<IXmlDocument> document = LoadXmlDocumentFromXML(StringToWide(text));
    CheckHasElement(*document);
    return AttachedStorage(document);
}

Ref<IHierStorageRoot> CreateStorage(const std::string& rootName) {
    Ref<TXMLStorage> storage = MakeRef<TXMLStorage>();
    if (!storage->NewDocument(rootName)) return nullptr;
    return storage;
}

// ---------------------------------------------------------------------------
// Out-storages and their cache

Ref<IHierStorage> GetStorageBySpec(const std::string& spec) {
    std::string file, key;
    ReadSpec(spec, file, key);
    if (file.empty()) return nullptr;
    // Without the cache, a document naming itself would load without end.
    QM_ASSERT(g_cache, "Out-storages are read only while the XMLStorage unit is initialised.");
    if (g_cache) {
        if (Ref<IInterface> cached = g_cache->storages.GetItemByName(file)) {
            return Query<IHierStorage>(cached);
        }
    }
    std::string loadingKey = UpperAsciiString(file);
    if (g_cache && !g_cache->loading.insert(loadingKey).second) {
        const std::string message = "The out-storage \"" + file + "\" refers to itself";
        Log("STORAGE", message);
        throw Exception(message);
    }
    struct TLoadingGuard {
        const std::string& key;
        ~TLoadingGuard() {
            if (g_cache) g_cache->loading.erase(key);
        }
    } guard{loadingKey};

    // A node names its out-storage because the file is meant to be there:
    // missing is a failure too. The text is then empty, which loads as a
    // document without an element.
    std::unique_ptr<TStream> stream = OpenResource(file, true);
    if (!stream) {
        Log("STORAGE", "The out-storage \"" + file + "\" cannot be opened; it reads as empty");
    }
    std::string text = ReadStreamText(stream.get());
    if (!key.empty()) text = TCipher_Xtea(key).CodeString(text, paDecode, kHexFormat);
    // A wrong key shows only here, as deciphered bytes that do not parse.
    const std::string how = key.empty() ? "" : " after deciphering with its key";
    Ref<IXmlDocument> document;
    try {
        document = ParseXmlText(text);
    } catch (const std::exception& e) {
        Log("STORAGE",
            "The out-storage \"" + file + "\" is not well-formed" + how + ": " + e.what());
        throw;
    }
    if (stream && !document->DocumentElement()) {
        Log("STORAGE", "The out-storage \"" + file + "\" holds no element" + how);
    }
    // Out-storages of this document's nodes load (and log) on their own.
    Ref<IHierStorage> storage = AttachedStorage(document, file);
    if (g_cache) g_cache->storages.Add(storage, false, file);
    return storage;
}

void SaveStorageBySpec(const Ref<IHierStorage>& storage, const std::string& spec) {
    std::string file, key;
    ReadSpec(spec, file, key);
    if (!storage || file.empty()) return;
    // Specs in the data may use "\" as the separator, as resource paths do.
    std::replace(file.begin(), file.end(), '\\', '/');
    CheckRelativeWritePath(file);

    Ref<IHierStorageRoot> root = Query<IHierStorageRoot>(storage);
    if (!root) return;
    std::string text;
    root->SaveToXML(text);
    if (!key.empty()) text = TCipher_Xtea(key).CodeString(text, paEncode, kHexFormat);

    size_t slash = file.rfind('/');
    if (slash != std::string::npos) {
        std::error_code error;
        std::filesystem::path current = std::filesystem::current_path(error);
        if (error) current = std::filesystem::path(".");
        // A failure shows when the file itself cannot be written.
        ForceFolders((current / file.substr(0, slash)).string());
    }
    try {
        ReplaceFileContents(file, text);
    } catch (const std::exception& e) {
        Log("STORAGE", e.what());
        throw;
    }
}

void ClearStorageCache() {
    if (!g_cache) return;
    std::lock_guard<TCriticalSection> hold(g_cache->lock);
    g_cache->storages.Clear();
}

bool ForceFolders(const std::string& path) {
    if (path.empty()) throw Exception("");
    std::string folder = path;
    if (folder.back() == '/') folder.pop_back();
    struct stat st;
    if (folder.size() < 3 || (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) return true;
    size_t slash = folder.rfind('/');
    if (slash == std::string::npos) return ::mkdir(folder.c_str(), 0755) == 0;
    std::string parent = folder.substr(0, slash);
    if (parent == folder) return true;
    if (!parent.empty() && !ForceFolders(parent)) return false;
    return ::mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST;
}

void InitXMLStorage() {
    g_cache = std::make_unique<TStorageCache>();
}

void DoneXMLStorage() {
    ClearStorageCache();
    g_cache.reset();
}
