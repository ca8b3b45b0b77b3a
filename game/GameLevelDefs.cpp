#include "game/GameLevelDefs.h"

#include <exception>

#include "core/base/Exception.h"
#include "core/base/Log.h"
#include "core/storage/XMLStorage.h"

namespace {

std::string& DefaultLevelDefType() {
    static std::string type;
    return type;
}

void ForgetDefaultLevelDefType() {
    DefaultLevelDefType().clear();
    DefaultLevelDefType().shrink_to_fit();
}

// The level number a catalogue entry's name stands for.
int32_t ParseLevel(const std::string& text) {
    int64_t value = 0;
    if (!TryTextToInt64(text, value) || value < INT32_MIN || value > INT32_MAX) {
        throw Exception("\"" + text + "\" is not a valid integer value");
    }
    return static_cast<int32_t>(value);
}

}  // namespace

const TUnit kLevelDefsUnit = {"LevelDefs", nullptr, ForgetDefaultLevelDefType};

const std::string& GetDefaultLevelDefType() {
    return DefaultLevelDefType();
}

void SetDefaultLevelDefType(std::string type) {
    DefaultLevelDefType() = std::move(type);
}

// ---------------------------------------------------------------------------

void TLevelDef::Create() {
    TParamsPropertyObject::Create();
    SetNodeName("level");
}

void TLevelDef::AssignParams(const Ref<IParamsPropertyObject>& source) {
    const Ref<IParamCollection> from = source ? source->GetParams() : nullptr;
    const Ref<IParamCollection> to = GetParams();
    if (!from || !to) return;
    for (int32_t i = 0; i < from->GetCount(); ++i) {
        if (const Ref<IParam> param = from->GetParam(Variant(i))) {
            to->SetValue(param->GetName(), param->GetValue());
        }
    }
}

// ---------------------------------------------------------------------------

void TLevelDefRef::LoadFrom(const Ref<IHierStorage>& storage) {
    TParamsPropertyObject::LoadFrom(storage);
    if (!storage) return;
    const std::string name = ReadString(storage, "level", "");
    SetName(name);
    level_ = ParseLevel(name);
}

void TLevelDefRef::SaveTo(const Ref<IHierStorage>& storage) {
    TParamsPropertyObject::SaveTo(storage);
    WriteString(storage, "level", GetName(), true);
}

std::string TLevelDefRef::GetFileName() {
    return GetParams()->GetValue("filename", Variant(std::string())).ToString();
}

std::string TLevelDefRef::GetDisplayName() {
    return GetParams()->GetValue("DisplayName", Variant(std::string())).ToString();
}

Ref<ILevelDef> TLevelDefRef::LoadLevelDef() {
    const Ref<IHierStorage> root = LoadStorageFromFile(GetFileName());
    if (!root) return nullptr;
    const std::string type = ReadString(root, "type", GetDefaultLevelDefType());
    const Ref<INamedObject> object = CreateNamedObject(type, "");
    if (!object || !LoadPersistObject(object, root)) return nullptr;
    const Ref<ILevelDef> def = Query<ILevelDef>(object);
    if (def) def->AssignParams(Ref<IParamsPropertyObject>(this));
    return def;
}

// ---------------------------------------------------------------------------

void TLevelDefRefCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("levels");
    SetItemNodeName("level");
    SetItemClass(ClassOf<TLevelDefRef>());
}

void TLevelDefRefCollection::LoadItem(const Ref<IHierStorage>& node) {
    try {
        TTypedCollection::LoadItem(node);
    } catch (const std::exception& error) {
        // One broken entry costs that level, not the catalogue.
        Log("GAME",
            (node ? node->GetPath() : std::string()) + ": level entry skipped: " + error.what());
    }
}

Ref<ILevelDefRef> TLevelDefRefCollection::GetByLevel(int32_t level) {
    return Find(Variant(std::to_string(level)));
}

Ref<ILevelDef> TLevelDefRefCollection::LoadLevelDef(int32_t level) {
    const Ref<ILevelDefRef> entry = GetByLevel(level);
    return entry ? entry->LoadLevelDef() : nullptr;
}

std::optional<std::string> TLevelDefRefCollection::GetDisplayName(int32_t level) {
    const Ref<ILevelDefRef> entry = GetByLevel(level);
    if (!entry) return std::nullopt;
    return entry->GetDisplayName();
}

int32_t TLevelDefRefCollection::FindMinigameLevel(const std::string& name) {
    for (int32_t i = 0; i < GetCount(); ++i) {
        const Ref<ILevelDefRef> entry = Find(Variant(i));
        if (!entry) continue;
        const Variant minigame = entry->GetProperty("minigame");
        const std::string text = minigame.IsUnassigned() ? std::string() : minigame.ToString();
        if (text == name) return entry->GetLevel();
    }
    return -1;
}
