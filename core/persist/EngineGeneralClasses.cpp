#include "core/persist/EngineGeneralClasses.h"

#include <clocale>
#include <cmath>
#include <cstdio>

#include "core/base/ParamStringUtils.h"
#include "core/base/Utf8.h"
#include "core/lang/MultiLanguages.h"
#include "core/storage/XMLStorage.h"

namespace {

// ---------------------------------------------------------------------------
// Reading values

// Handed to IHierStorage::GetValue as the default so that an absent value can
// be told from one that holds exactly the caller's default text. The storage
// asks the out-storage whenever the node's text equals the default it was
// given; with the caller's default, a value an object had set back to its
// default would be read from its template instead. Control characters cannot
// stand in an XML attribute, so no stored value equals this one.
const Variant& AbsentMarker() {
    static const Variant marker(std::string("\x01\x02"));
    return marker;
}

// The key's text; false when the storage is null or the value is absent.
bool ReadText(const Ref<IHierStorage>& storage, const std::string& key, std::string& text) {
    if (!storage) return false;
    Variant value = storage->GetValue(key, AbsentMarker());
    if (const std::string* s = value.Get<std::string>()) {
        if (*s == *AbsentMarker().Get<std::string>()) return false;
        text = std::move(*const_cast<std::string*>(s));
        return true;
    }
    if (value.IsUnassigned()) return false;
    text = value.ToString();
    return true;
}

bool IsHexDigit(char c, uint32_t& digit) {
    if (c >= '0' && c <= '9') {
        digit = uint32_t(c - '0');
    } else if (c >= 'a' && c <= 'f') {
        digit = uint32_t(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
        digit = uint32_t(c - 'A' + 10);
    } else {
        return false;
    }
    return true;
}

// Decimal with an optional sign, or hexadecimal after "$" (8 significant
// digits at most, taken as a 32-bit pattern), leading blanks allowed. Decimal
// values must lie in [minimum, maximum].
bool ParseInteger(std::string_view text, int64_t minimum, int64_t maximum, int64_t& value) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size()) return false;
    if (text[i] == '$') {
        ++i;
        if (i >= text.size()) return false;
        uint64_t result = 0;
        for (; i < text.size(); ++i) {
            uint32_t digit;
            if (!IsHexDigit(text[i], digit)) return false;
            result = result * 16 + digit;
            if (result > 0xFFFFFFFFull) return false;
        }
        uint32_t bits = uint32_t(result);
        if (negative) bits = 0u - bits;
        value = maximum > INT32_MAX ? int64_t(bits) : int64_t(int32_t(bits));
        return true;
    }
    uint64_t result = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        result = result * 10 + uint64_t(text[i] - '0');
        if (result > 0xFFFFFFFFFull) return false;  // far beyond any 32-bit value
    }
    int64_t signedValue = negative ? -int64_t(result) : int64_t(result);
    if (signedValue < minimum || signedValue > maximum) return false;
    value = signedValue;
    return true;
}

// The entries of a "/"-list as Split cuts it: the whole text trimmed of
// characters below 33, empty entries dropped. Calls f(index, entry) until it
// answers true; answers whether it did.
template <class F>
bool ForEachListEntry(std::string_view list, F&& f) {
    if (list.find('{') != std::string_view::npos) {
        // Braces change how Split cuts; let it decide.
        TOneArrayOfString pieces;
        int count = Split(list, pieces, '/');
        for (int i = 0; i < count; ++i) {
            if (f(i, std::string_view(pieces[size_t(i)]))) return true;
        }
        return false;
    }
    while (!list.empty() && static_cast<unsigned char>(list.front()) < 33) list.remove_prefix(1);
    while (!list.empty() && static_cast<unsigned char>(list.back()) < 33) list.remove_suffix(1);
    int32_t index = 0;
    while (!list.empty()) {
        size_t slash = list.find('/');
        std::string_view entry = list.substr(0, slash);
        list = slash == std::string_view::npos ? std::string_view() : list.substr(slash + 1);
        if (entry.empty()) continue;
        if (f(index++, entry)) return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Saving with out-storages and templates

// While a template object saves into its throwaway document, the writers
// write every value, also those equal to the class default: a value set back
// to its default may still differ from the template's, and only a written
// value can be compared with it and carried into the owner's node.
bool g_writeAllValues = false;

class TWriteAllScope {
public:
    explicit TWriteAllScope(bool writeAll) : previous_(g_writeAllValues) {
        g_writeAllValues = writeAll;
    }
    ~TWriteAllScope() { g_writeAllValues = previous_; }
    TWriteAllScope(const TWriteAllScope&) = delete;
    TWriteAllScope& operator=(const TWriteAllScope&) = delete;

private:
    bool previous_;
};

bool MayWrite(const Ref<IHierStorage>& storage, bool write) {
    return storage && (write || g_writeAllValues);
}

// The out-storage and template header of a persistent object's node.
void LoadPersistHeader(const Ref<IHierStorage>& storage, std::string& spec, bool& isTemplate) {
    spec = ReadString(storage, "_outstorage", "");
    isTemplate = ReadBool(storage, "template", false);
}

// Runs saveTo into the node itself, or into a new document written to the
// spec's file, or (template) compared with the template's root values.
template <class F>
void SaveWithOutStorage(const Ref<IHierStorage>& storage, const std::string& spec, bool isTemplate,
                        F&& saveTo) {
    if (!storage) return;
    if (spec.empty()) {
        saveTo(storage);
    } else {
        Ref<IHierStorage> target = Query<IHierStorage>(CreateStorage(storage->GetNodeName()));
        if (!target) {
            throw Exception("Cannot create the storage document for \"" + spec + "\"");
        }
        {
            TWriteAllScope scope(isTemplate);
            saveTo(target);
        }
        if (!isTemplate) {
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
    if (isTemplate) WriteString(storage, "template", "yes", true);
    if (!spec.empty()) WriteString(storage, "_outstorage", spec, true);
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
// TPersistObject

void TPersistObject::Create() {
    TNamedObject::Create();
    typeName_ = GetRegisteredClassName(*this);
    stored_ = true;
    template_ = false;
}

void TPersistObject::AssignTo(TNamedObject& dest) {
    TNamedObject::AssignTo(dest);
    auto* persist = dynamic_cast<TPersistObject*>(&dest);
    if (!persist) return;
    persist->outStorageSpec_ = outStorageSpec_;
    persist->template_ = template_;
    persist->stored_ = stored_;
    persist->nodeName_ = nodeName_;
    persist->typeName_ = typeName_;
}

void TPersistObject::Load(const Ref<IHierStorage>& storage) {
    if (!storage) return;
    LoadPersistHeader(storage, outStorageSpec_, template_);
    LoadFrom(storage);
}

void TPersistObject::Save(const Ref<IHierStorage>& storage) {
    SaveWithOutStorage(storage, outStorageSpec_, template_,
                       [this](const Ref<IHierStorage>& target) { SaveTo(target); });
}

bool TPersistObject::SaveContent(const Ref<IHierStorage>& storage) {
    SaveTo(storage);
    return true;
}

void TPersistObject::LoadFrom(const Ref<IHierStorage>& storage) {
    SetName(ReadString(storage, "name", ""));
}

void TPersistObject::SaveTo(const Ref<IHierStorage>& storage) {
    const std::string& name = Name();
    WriteString(storage, "name", name, !name.empty());
    WriteString(storage, "type", typeName_, !typeName_.empty());
}

// ---------------------------------------------------------------------------
// TPropertyObject

Variant TPropertyObject::GetProperty(const std::string& name) {
    (void)name;
    return Variant::Null();
}

void TPropertyObject::SetProperty(const std::string& name, const Variant& value) {
    (void)name;
    (void)value;
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
    return ReadText(storage, key, text) ? text : defaultValue;
}

WideString ReadTranslatedText(const Ref<IHierStorage>& storage, const std::string& key,
                              const std::string& defaultValue) {
    const std::string text = Translate(ReadString(storage, key, defaultValue));
    WideString wide = UTF8ToWide(text);
    if (wide.empty() && !text.empty()) return StringToWide(text);
    return wide;
}

bool ReadBool(const Ref<IHierStorage>& storage, const std::string& key, bool defaultValue) {
    std::string text;
    if (!ReadText(storage, key, text)) return defaultValue;
    if (text == "yes") return true;
    if (text == "no") return false;
    return defaultValue;
}

int32_t ReadInteger(const Ref<IHierStorage>& storage, const std::string& key,
                    int32_t defaultValue) {
    std::string text;
    int64_t value;
    if (!ReadText(storage, key, text) || !ParseInteger(text, INT32_MIN, INT32_MAX, value)) {
        return defaultValue;
    }
    return int32_t(value);
}

double ReadFloat(const Ref<IHierStorage>& storage, const std::string& key, double defaultValue) {
    std::string text;
    double value;
    if (!ReadText(storage, key, text) || !TryTextToFloat(text, value) || !std::isfinite(value)) {
        return defaultValue;
    }
    return value;
}

uint32_t ReadColor(const Ref<IHierStorage>& storage, const std::string& key,
                   uint32_t defaultValue) {
    std::string text;
    int64_t value;
    if (!ReadText(storage, key, text) || !ParseInteger(text, INT32_MIN, UINT32_MAX, value)) {
        return defaultValue;
    }
    return uint32_t(value);
}

int32_t ReadEnum(const Ref<IHierStorage>& storage, const std::string& key, std::string_view list,
                 int32_t defaultValue) {
    std::string text;
    if (!ReadText(storage, key, text) || text.empty()) return defaultValue;
    int32_t found = defaultValue;
    ForEachListEntry(list, [&](int32_t index, std::string_view entry) {
        if (entry != text) return false;
        found = index;
        return true;
    });
    return found;
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
    if (!MayWrite(storage, write)) return;
    std::string text = FloatToText(value, 15);
    // The text form may follow the process locale; documents always hold ".".
    const char* point = std::localeconv()->decimal_point;
    if (point && point[0] && point[0] != '.') {
        for (char& c : text) {
            if (c == point[0]) c = '.';
        }
    }
    storage->SetValue(key, Variant(std::move(text)));
}

void WriteColor(const Ref<IHierStorage>& storage, const std::string& key, uint32_t value,
                bool write) {
    if (!MayWrite(storage, write)) return;
    char text[16];
    std::snprintf(text, sizeof text, "$%08X", unsigned(value));
    storage->SetValue(key, Variant(std::string(text)));
}

void WriteEnum(const Ref<IHierStorage>& storage, const std::string& key, std::string_view list,
               int32_t index, bool write) {
    if (!MayWrite(storage, write) || index < 0) return;
    ForEachListEntry(list, [&](int32_t i, std::string_view entry) {
        if (i != index) return false;
        storage->SetValue(key, Variant(std::string(entry)));
        return true;
    });
}

// ---------------------------------------------------------------------------
// TPersistCollection

void TPersistCollection::Load(const Ref<IHierStorage>& storage) {
    if (!storage) return;
    LoadPersistHeader(storage, outStorageSpec_, template_);
    LoadFrom(storage);
}

void TPersistCollection::Save(const Ref<IHierStorage>& storage) {
    SaveWithOutStorage(storage, outStorageSpec_, template_,
                       [this](const Ref<IHierStorage>& target) { SaveTo(target); });
}

bool TPersistCollection::SaveContent(const Ref<IHierStorage>& storage) {
    SaveTo(storage);
    return true;
}

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
