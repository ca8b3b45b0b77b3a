// The storage contract every persistent object loads from and saves to: a
// tree of nodes, each with named values, named children and text.
//
// Names are 8-bit strings; values and texts read from a node are 8-bit
// strings holding UTF-8 (in a Variant); values written are converted to text
// and decoded from UTF-8 before they are stored.
#pragma once

#include <cstdint>
#include <string>

#include "core/base/Interface.h"
#include "core/base/Variant.h"

class IPersistObject;

class IHierStorage : public virtual IInterface {
public:
    virtual std::string GetNodeName() = 0;

    virtual int32_t GetValueCount() = 0;
    virtual std::string GetValueName(int32_t index) = 0;
    virtual Variant GetValueAt(int32_t index, const Variant& defaultValue) = 0;
    virtual Variant GetValue(const std::string& name, const Variant& defaultValue) = 0;
    virtual void SetValueAt(int32_t index, const Variant& value) = 0;
    virtual void SetValue(const std::string& name, const Variant& value) = 0;
    virtual void DeleteValue(const std::string& name) = 0;

    virtual Ref<IHierStorage> AddChild(const std::string& name) = 0;
    virtual int32_t GetChildCount(const std::string& name) = 0;
    virtual Ref<IHierStorage> GetChild(const std::string& name, int32_t index) = 0;
    virtual Ref<IHierStorage> FindChild(const std::string& name) = 0;

    virtual Variant GetText() = 0;
    virtual void SetText(const Variant& value) = 0;
    virtual Variant GetChildText(const std::string& name) = 0;
    virtual void SetChildText(const std::string& name, const Variant& value) = 0;

    virtual bool AppendCopy(const Ref<IHierStorage>& other) = 0;
    virtual void RemoveChild(const Ref<IHierStorage>& other) = 0;

    virtual Variant GetXML() = 0;
    virtual Variant GetContent() = 0;
    virtual void SetContent(const Variant& value) = 0;
    virtual Variant GetChildContent(const std::string& name) = 0;
    virtual void SetChildContent(const std::string& name, const Variant& value) = 0;

    virtual Ref<IHierStorage> FindByPath(const std::string& path,
                                         const std::string& containerName) = 0;

    // Where the node is, for log lines: the file its document was read from
    // (when it was), then the element names from the root, an element with
    // same-named siblings numbered from 1: "data/x.xml: /screen/widgets/widget[3]".
    virtual std::string GetPath() = 0;
};

// A whole storage document.
class IHierStorageRoot : public virtual IInterface {
public:
    virtual bool NewDocument(const std::string& rootName) = 0;
    virtual bool LoadFromFile(const std::string& resourcePath) = 0;
    virtual bool LoadFromXML(const std::string& text) = 0;
    virtual bool LoadObject(const Ref<IPersistObject>& object) = 0;
    virtual bool SaveToFile(const std::string& path) = 0;
    virtual bool SaveToXML(std::string& text) = 0;
    virtual bool SaveObject(const Ref<IPersistObject>& object) = 0;
};

// A named object.
class INamedObject : public virtual IInterface {
public:
    virtual std::string GetName() = 0;
    virtual void SetName(const std::string& name) = 0;
    // A new object of the same registered class with this one's values.
    virtual Ref<INamedObject> Clone() = 0;
};

// An object that loads itself from and saves itself to a storage node.
class IPersistObject : public virtual IInterface {
public:
    virtual void Load(const Ref<IHierStorage>& storage) = 0;
    virtual void Save(const Ref<IHierStorage>& storage) = 0;
    // The element name the object is stored under as a child.
    virtual std::string GetNodeName() = 0;
    // Writes the object's values only, with no out-storage handling.
    virtual bool SaveContent(const Ref<IHierStorage>& storage) = 0;
};

class IPersistObject2 : public virtual IPersistObject {
public:
    virtual bool IsStored() = 0;
    virtual void SetStored(bool stored) = 0;
    virtual void ClearContent() = 0;
};
