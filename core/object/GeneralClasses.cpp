#include "core/object/GeneralClasses.h"

#include <memory>
#include <typeindex>

#include "core/base/ParamStringUtils.h"
#include "core/object/ElHashList.h"

namespace {

struct TClassRecord {
    std::string name;
    TAbstractClass cls;
};

// Name (CRC-32, ASCII case folded) to TClassRecord, in registration order.
// The records are freed by FreeClassRegistry, not by the list.
TElHashList* g_registry = nullptr;

const TClassRecord* RecordAt(int32_t index) {
    return static_cast<const TClassRecord*>(g_registry->GetDataAt(index));
}

}  // namespace

void InitClassRegistry() {
    if (g_registry) return;
    auto registry = std::make_unique<TElHashList>();
    registry->SetQuickHash(false);
    registry->SetDupesMode(himRaise);
    registry->SetHashType(ehtCRC32);
    registry->SetCaseInsensitive(true);
    registry->SetRaiseIfAbsent(false);
    registry->SetOwnsObjects(nullptr);
    g_registry = registry.release();
}

void FreeClassRegistry() {
    if (!g_registry) return;
    for (int32_t i = 0; i < g_registry->Count(); ++i) delete RecordAt(i);
    delete g_registry;
    g_registry = nullptr;
}

void RegisterObjectClass(TAbstractClass cls, const std::string& name) {
    if (!g_registry) throw Exception("The class registry is not initialised.");
    auto record = std::make_unique<TClassRecord>(TClassRecord{name, cls});
    g_registry->Add(name, record.get());  // raises "Duplicate entry."
    record.release();
}

std::string GetRegisteredClassName(TAbstractClass cls) {
    if (!g_registry || !cls) return {};
    for (int32_t i = 0; i < g_registry->Count(); ++i) {
        const TClassRecord* record = RecordAt(i);
        if (record->cls == cls) return record->name;
    }
    return {};
}

std::string GetRegisteredClassName(const TAbstractObject& object) {
    if (!g_registry) return {};
    const std::type_index type(typeid(object));
    for (int32_t i = 0; i < g_registry->Count(); ++i) {
        const TClassRecord* record = RecordAt(i);
        if (record->cls && record->cls->type == type) return record->name;
    }
    return {};
}

TAbstractClass FindRegisteredClass(const std::string& name) {
    if (!g_registry) return nullptr;
    const auto* record = static_cast<const TClassRecord*>(g_registry->GetData(name));
    return record ? record->cls : nullptr;
}

Ref<TAbstractObject> CreateAbstractObject(TAbstractClass cls, const std::string& params) {
    if (!cls || !cls->newInstance) return nullptr;
    // The construction reference is adopted at once, so an exception from
    // Create or SetParam frees the half-built object.
    Ref<TAbstractObject> object = cls->newInstance();
    if (!object) return nullptr;  // an abstract class
    object->Create();
    if (!params.empty()) {
        TTwoArrayOfString pairs;
        SplitParams(params, pairs, '\\', '=');
        for (const auto& pair : pairs) object->SetParam(pair[0], pair[1]);
    }
    return object;
}

Ref<TAbstractObject> CreateObjectByName(const std::string& text) {
    std::string_view name = text;
    std::string params;
    const size_t brace = text.find('{');
    if (brace != std::string::npos) {
        name = std::string_view(text).substr(0, brace);
        // Everything after "{" except the last character, which is expected
        // to be the closing brace but is dropped whatever it is.
        const size_t start = brace + 1;
        if (text.size() > start + 1) params = text.substr(start, text.size() - 1 - start);
    }
    if (!g_registry) return nullptr;
    const auto* record = static_cast<const TClassRecord*>(g_registry->GetData(name));
    if (!record || !record->cls) return nullptr;
    return CreateAbstractObject(record->cls, params);
}
