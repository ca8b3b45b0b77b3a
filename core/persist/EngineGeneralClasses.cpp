#include "core/persist/EngineGeneralClasses.h"

#include "core/base/Utf8.h"
#include "core/lang/MultiLanguages.h"
#include "core/storage/XMLStorage.h"

namespace {

bool MayWrite(const Ref<IHierStorage>& storage, bool write) {
    return storage && (write || WritesAllValues());
}

// The key's text when present and not empty; a text that is no value of the
// form is logged and answers false.
bool ReadValue(const Ref<IHierStorage>& storage, const std::string& key, TValueForm form,
               std::string_view list, Variant& value) {
    std::string text;
    if (!ReadStoredText(storage, key, text) || text.empty()) return false;
    if (ParseValueText(form, list, text, value)) return true;
    LogUnconvertedText(storage, key, {}, text, form, list);
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// TNamedObject

Ref<INamedObject> TNamedObject::Clone() {
    const std::string className = GetRegisteredClassName(*this);
    if (className.empty()) return nullptr;
    Ref<TAbstractObject> object = CreateObjectByName(className);
    Ref<TNamedObject> copy = Query<TNamedObject>(object);
    if (!copy) return nullptr;
    AssignTo(*copy);
    return Ref<INamedObject>(copy.get());
}

void TNamedObject::AssignTo(TNamedObject& dest) {
    dest.name_ = name_;
}

// ---------------------------------------------------------------------------
// TPersistBase

void TPersistBase::Load(const Ref<IHierStorage>& storage) {
    if (!storage) return;
    outStorageSpec_ = ReadString(storage, "_outstorage", "");
    template_ = ReadBool(storage, "template", false);
    LoadFrom(storage);
}

void TPersistBase::Save(const Ref<IHierStorage>& storage) {
    if (!storage) return;
    const std::string& spec = outStorageSpec_;
    if (spec.empty()) {
        SaveTo(storage);
    } else {
        Ref<IHierStorage> target = Query<IHierStorage>(CreateStorage(storage->GetNodeName()));
        if (!target) {
            throw Exception("Cannot create the storage document for \"" + spec + "\"");
        }
        {
            TWriteAllScope scope(template_);
            SaveTo(target);
        }
        if (!template_) {
            SaveStorageBySpec(target, spec);
        } else {
            Ref<IHierStorage> templateRoot = GetStorageBySpec(spec);
            const Variant empty{std::string()};
            const int32_t count = target->GetValueCount();
            for (int32_t i = 0; i < count; ++i) {
                const std::string name = target->GetValueName(i);
                const std::string text = target->GetValueAt(i, empty).ToString();
                const std::string templateText =
                    templateRoot ? templateRoot->GetValue(name, empty).ToString() : std::string();
                if (text != templateText) storage->SetValue(name, Variant(text));
            }
        }
    }
    if (template_) WriteString(storage, "template", "yes", true);
    if (!spec.empty()) WriteString(storage, "_outstorage", spec, true);
}

bool TPersistBase::SaveContent(const Ref<IHierStorage>& storage) {
    SaveTo(storage);
    return true;
}

void TPersistBase::AssignPersistence(TPersistBase& dest) const {
    dest.outStorageSpec_ = outStorageSpec_;
    dest.template_ = template_;
    dest.stored_ = stored_;
    dest.nodeName_ = nodeName_;
}

// ---------------------------------------------------------------------------
// TPersistObject

void TPersistObject::Create() {
    TNamedObject::Create();
    typeName_ = GetRegisteredClassName(*this);
}

void TPersistObject::AssignTo(TNamedObject& dest) {
    TNamedObject::AssignTo(dest);
    auto* persist = dynamic_cast<TPersistObject*>(&dest);
    if (!persist) return;
    AssignPersistence(*persist);
    persist->typeName_ = typeName_;
    GetPropertyTable().Assign(*this, *persist, persist->GetPropertyTable());
}

const TPropertyTable& TPersistObject::Table() {
    static const TPropertyTable table;
    return table;
}

void TPersistObject::LoadFrom(const Ref<IHierStorage>& storage) {
    SetName(ReadString(storage, "name", ""));
    GetPropertyTable().Load(*this, storage);
}

void TPersistObject::SaveTo(const Ref<IHierStorage>& storage) {
    const std::string& name = Name();
    WriteString(storage, "name", name, !name.empty());
    WriteString(storage, "type", typeName_, !typeName_.empty());
    GetPropertyTable().Save(*this, storage);
}

// ---------------------------------------------------------------------------
// TPropertyObject

Variant TPropertyObject::GetProperty(const std::string& name) {
    Variant value;
    if (GetPropertyTable().Get(*this, name, value)) return value;
    return Variant::Null();
}

void TPropertyObject::SetProperty(const std::string& name, const Variant& value) {
    GetPropertyTable().Set(*this, name, value);
}

Variant TPropertyObject::GetPropertyDef(const std::string& name, const Variant& defaultValue) {
    Variant value = GetProperty(name);
    return value.IsUnassigned() ? defaultValue : value;
}

// ---------------------------------------------------------------------------
// Free object functions

Ref<INamedObject> CreateNamedObject(const std::string& className, const std::string& name) {
    Ref<INamedObject> object = Query<INamedObject>(CreateObjectByName(className));
    if (object && !name.empty()) object->SetName(name);
    return object;
}

bool LoadPersistObject(const Ref<IInterface>& object, const Ref<IHierStorage>& storage) {
    if (!object || !storage) return false;
    Ref<IPersistObject> persist = Query<IPersistObject>(object);
    if (!persist) return false;
    persist->Load(storage);
    return true;
}

bool SavePersistObject(const Ref<IInterface>& object, const Ref<IHierStorage>& storage) {
    if (!object || !storage) return false;
    Ref<IPersistObject> persist = Query<IPersistObject>(object);
    if (!persist) return false;
    persist->Save(storage);
    return true;
}

bool LoadChildObject(const Ref<IInterface>& object, const Ref<IHierStorage>& storage,
                     const std::string& childName, int32_t index) {
    if (!object || !storage || index < 0) return false;
    Ref<IPersistObject> persist = Query<IPersistObject>(object);
    if (!persist) return false;
    const std::string name = childName.empty() ? persist->GetNodeName() : childName;
    if (storage->GetChildCount(name) <= index) return false;
    Ref<IHierStorage> child = storage->GetChild(name, index);
    if (!child) return false;
    persist->Load(child);
    return true;
}

bool SaveChildObject(const Ref<IInterface>& object, const Ref<IHierStorage>& storage,
                     const std::string& childName) {
    if (!object || !storage) return false;
    Ref<IPersistObject> persist = Query<IPersistObject>(object);
    if (!persist) return false;
    const std::string name = childName.empty() ? persist->GetNodeName() : childName;
    if (name.empty()) return false;
    if (Ref<IPersistObject2> persist2 = Query<IPersistObject2>(persist)) {
        if (!persist2->IsStored()) return true;
    }
    Ref<IHierStorage> child = storage->AddChild(name);
    if (!child) return false;
    persist->Save(child);
    return true;
}

Ref<TAbstractObject> CreateChildObject(TAbstractClass cls, const Ref<IHierStorage>& storage,
                                       const std::string& childName, int32_t index) {
    if (!cls || !storage) return nullptr;
    if (!childName.empty() && storage->GetChildCount(childName) <= index) return nullptr;
    Ref<TAbstractObject> object = CreateAbstractObject(cls);
    if (!LoadChildObject(object, storage, childName, index)) return nullptr;
    return object;
}

Ref<INamedObject> CreateObjectFromStorage(const Ref<IHierStorage>& storage) {
    if (!storage) return nullptr;
    Ref<INamedObject> object =
        CreateNamedObject(ReadString(storage, "type", ""), ReadString(storage, "name", ""));
    if (!LoadPersistObject(object, storage)) return nullptr;
    return object;
}

Ref<INamedObject> CreateTypedChildObject(const Ref<IHierStorage>& storage,
                                         const std::string& childName, int32_t index) {
    if (!storage || index < 0 || storage->GetChildCount(childName) <= index) return nullptr;
    return CreateObjectFromStorage(storage->GetChild(childName, index));
}

// ---------------------------------------------------------------------------
// Readers

std::string ReadString(const Ref<IHierStorage>& storage, const std::string& key,
                       const std::string& defaultValue) {
    std::string text;
    return ReadStoredText(storage, key, text) ? text : defaultValue;
}

WideString ReadTranslatedText(const Ref<IHierStorage>& storage, const std::string& key,
                              const std::string& defaultValue) {
    const std::string text = Translate(ReadString(storage, key, defaultValue));
    WideString wide = UTF8ToWide(text);
    if (wide.empty() && !text.empty()) return StringToWide(text);
    return wide;
}

bool ReadBool(const Ref<IHierStorage>& storage, const std::string& key, bool defaultValue) {
    Variant value;
    return ReadValue(storage, key, TValueForm::kBool, {}, value) ? *value.Get<bool>()
                                                                 : defaultValue;
}

int32_t ReadInteger(const Ref<IHierStorage>& storage, const std::string& key,
                    int32_t defaultValue) {
    Variant value;
    return ReadValue(storage, key, TValueForm::kInteger, {}, value)
               ? static_cast<int32_t>(*value.Get<int64_t>())
               : defaultValue;
}

double ReadFloat(const Ref<IHierStorage>& storage, const std::string& key, double defaultValue) {
    Variant value;
    return ReadValue(storage, key, TValueForm::kFloat, {}, value) ? *value.Get<double>()
                                                                  : defaultValue;
}

uint32_t ReadColor(const Ref<IHierStorage>& storage, const std::string& key,
                   uint32_t defaultValue) {
    Variant value;
    return ReadValue(storage, key, TValueForm::kColor, {}, value)
               ? static_cast<uint32_t>(*value.Get<int64_t>())
               : defaultValue;
}

int32_t ReadEnum(const Ref<IHierStorage>& storage, const std::string& key, std::string_view list,
                 int32_t defaultValue) {
    Variant value;
    return ReadValue(storage, key, TValueForm::kEnum, list, value)
               ? static_cast<int32_t>(*value.Get<int64_t>())
               : defaultValue;
}

// ---------------------------------------------------------------------------
// Writers

void WriteString(const Ref<IHierStorage>& storage, const std::string& key, const std::string& value,
                 bool write) {
    if (MayWrite(storage, write)) storage->SetValue(key, Variant(value));
}

void WriteBool(const Ref<IHierStorage>& storage, const std::string& key, bool value, bool write) {
    if (MayWrite(storage, write)) storage->SetValue(key, Variant(value ? "yes" : "no"));
}

void WriteInteger(const Ref<IHierStorage>& storage, const std::string& key, int32_t value,
                  bool write) {
    if (MayWrite(storage, write)) storage->SetValue(key, Variant(std::to_string(value)));
}

void WriteFloat(const Ref<IHierStorage>& storage, const std::string& key, double value,
                bool write) {
    if (MayWrite(storage, write)) storage->SetValue(key, Variant(FloatText(value)));
}

void WriteColor(const Ref<IHierStorage>& storage, const std::string& key, uint32_t value,
                bool write) {
    if (MayWrite(storage, write)) storage->SetValue(key, Variant(ColorText(value)));
}

void WriteEnum(const Ref<IHierStorage>& storage, const std::string& key, std::string_view list,
               int32_t index, bool write) {
    std::string entry;
    if (MayWrite(storage, write) && ListEntryAt(list, index, entry)) {
        storage->SetValue(key, Variant(std::move(entry)));
    }
}

// ---------------------------------------------------------------------------
// TCollection

void TCollection::Delete(const Variant& key) {
    const Ref<TCollection> self(this);
    items_.Delete(key);
}

void TCollection::Clear() {
    const Ref<TCollection> self(this);
    items_.Clear();
}

bool TCollection::ReplaceItem(int32_t position, const Ref<IInterface>& item) {
    const Ref<TCollection> self(this);
    return items_.Replace(position, item);
}

void TCollection::CloseItems() {
    const Ref<TCollection> self(this);
    items_.Close();
}

// ---------------------------------------------------------------------------
// TPersistCollection

void TPersistCollection::LoadItem(const Ref<IHierStorage>& node) {
    (void)node;
}

bool TPersistCollection::SaveItem(const Ref<IInterface>& item, const Ref<IHierStorage>& node) {
    (void)item;
    (void)node;
    return false;
}

void TPersistCollection::LoadFrom(const Ref<IHierStorage>& storage) {
    if (!storage) return;
    const int32_t count = storage->GetChildCount(itemNodeName_);
    for (int32_t i = 0; i < count; ++i) {
        if (Ref<IHierStorage> child = storage->GetChild(itemNodeName_, i)) LoadItem(child);
    }
}

void TPersistCollection::SaveTo(const Ref<IHierStorage>& storage) {
    if (!storage) return;
    const int32_t count = GetCount();
    for (int32_t i = 0; i < count; ++i) {
        Ref<IInterface> item = Items().GetItemAt(i);
        Ref<IHierStorage> child = storage->AddChild(itemNodeName_);
        if (!child) continue;
        if (!item || !SaveItem(item, child)) storage->RemoveChild(child);
    }
}

// ---------------------------------------------------------------------------
// TPersistItemCollection

void TPersistItemCollection::LoadItem(const Ref<IHierStorage>& node) {
    Ref<IInterface> item = CreateItem(node);
    if (!item) return;
    if (Ref<IPersistObject> persist = Query<IPersistObject>(item)) persist->Load(node);
    AddItem(item);
}

bool TPersistItemCollection::SaveItem(const Ref<IInterface>& item, const Ref<IHierStorage>& node) {
    Ref<IPersistObject> persist = Query<IPersistObject>(item);
    if (!persist) return false;
    if (Ref<IPersistObject2> persist2 = Query<IPersistObject2>(persist)) {
        if (!persist2->IsStored()) return false;
    }
    persist->Save(node);
    return true;
}

Ref<IInterface> TPersistItemCollection::CreateItem(const Ref<IHierStorage>& node) {
    (void)node;
    return nullptr;
}

void TPersistItemCollection::AddItem(const Ref<IInterface>& item) {
    (void)item;
}

Ref<IInterface> TStaticCreationPersistItemCollection::CreateItem(const Ref<IHierStorage>& node) {
    (void)node;
    if (!itemClass_) return nullptr;
    return CreateAbstractObject(itemClass_);
}

Ref<IInterface> TTypedCreationPersistItemCollection::CreateItem(const Ref<IHierStorage>& node) {
    return CreateNamedObject(ReadString(node, "type", ""), ReadString(node, "name", ""));
}
