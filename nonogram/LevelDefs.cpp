#include "nonogram/LevelDefs.h"

#include <exception>
#include <utility>

#include "core/base/Log.h"
#include "core/base/ParamStringUtils.h"
#include "core/object/GeneralClasses.h"
#include "core/storage/XMLStorage.h"

namespace {

constexpr char kDefaultLevelDefClass[] = "QuillmarchLevelDef";

}  // namespace

// ---------------------------------------------------------------------------
// TLevelDefRow

void TLevelDefRow::Create() {
    TPersistObject::Create();
    SetNodeName("row");
}

void TLevelDefRow::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistObject::LoadFrom(storage);
    const WideString wide = ReadTranslatedText(storage, "cells", "");
    std::string cells;
    cells.reserve(wide.size());
    for (char16_t unit : wide) cells += unit < 0x100 ? static_cast<char>(unit) : '?';
    cells_ = std::move(cells);
}

void TLevelDefRow::SaveTo(const Ref<IHierStorage>& storage) {
    TPersistObject::SaveTo(storage);
    WriteString(storage, "cells", cells_, true);
}

void TLevelDefRowCollection::Add(const Ref<ILevelDefRow>& row) {
    if (!row || TryAdd(row)) return;
    // Taken name: kept under an automatic one, still in its place.
    InsertItem(Ref<IInterface>(row), true, "");
}

void TLevelDefRowCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("rows");
    SetItemNodeName("row");
    SetItemClass(ClassOf<TLevelDefRow>());
    SetEmptyNamesRepeat(true);
}

// ---------------------------------------------------------------------------
// TQuillmarchLevelDef

void TQuillmarchLevelDef::Create() {
    TLevelDef::Create();
    rows_ = Query<ILevelDefRowCollection>(CreateAbstractObject(ClassOf<TLevelDefRowCollection>()));
    extraParams_ = Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

void TQuillmarchLevelDef::LoadFrom(const Ref<IHierStorage>& storage) {
    TLevelDef::LoadFrom(storage);
    if (!storage) return;
    LoadChildObject(rows_, storage, "rows", 0);
    levelName_ = ReadString(storage, "LevelName", "");
    const std::string extra = ReadString(storage, "extraparams", "");
    if (extra.empty()) return;
    TTwoArrayOfString pairs;
    SplitParams(extra, pairs, '\\', '=');
    Ref<IParamCollection> params =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    for (const auto& pair : pairs) params->SetValue(pair[0], Variant(pair[1]));
    extraParams_ = params;
}

Variant TQuillmarchLevelDef::GetProperty(const std::string& name) {
    if (name == "LevelName") return Variant(levelName_);
    return extraParams_ ? extraParams_->GetValue(name, Variant(std::string()))
                        : Variant(std::string());
}

int32_t TQuillmarchLevelDef::GetLevelNumber() {
    int64_t number = 0;
    if (!TryTextToInt64(GetName(), number) || number < INT32_MIN || number > INT32_MAX) return 0;
    return static_cast<int32_t>(number);
}

void TQuillmarchLevelDef::AssignParams(const Ref<IParamsPropertyObject>& source) {
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
// TQuillmarchLevelDefRef

void TQuillmarchLevelDefRef::LoadFrom(const Ref<IHierStorage>& storage) {
    TParamsPropertyObject::LoadFrom(storage);
    if (storage) SetName(ReadString(storage, "level", ""));
}

void TQuillmarchLevelDefRef::SaveTo(const Ref<IHierStorage>& storage) {
    TParamsPropertyObject::SaveTo(storage);
    WriteString(storage, "level", GetName(), true);
}

std::string TQuillmarchLevelDefRef::Text(const std::string& name) {
    const Ref<IParamCollection> params = GetParams();
    if (!params) return {};
    const Variant value = params->GetValue(name, Variant());
    return value.IsUnassigned() ? std::string() : value.ToString();
}

Ref<IQuillmarchLevelDef> TQuillmarchLevelDefRef::LoadLevelDef() {
    const std::string fileName = GetFileName();
    const auto refuse = [&](const std::string& why) -> Ref<IQuillmarchLevelDef> {
        Log("LEVEL", "level \"" + GetName() + "\": \"" + fileName + "\" " + why);
        return nullptr;
    };
    try {
        const Ref<IHierStorage> root = LoadStorageFromFile(fileName);
        if (!root) return refuse("cannot be read");
        std::string type = ReadString(root, "type", "");
        if (type.empty()) type = kDefaultLevelDefClass;
        const Ref<INamedObject> object = CreateNamedObject(type, "");
        if (!object) return refuse("names the type \"" + type + "\", which is no class");
        // Checked before loading: another class's reader never runs on a
        // level file.
        Ref<IQuillmarchLevelDef> def = Query<IQuillmarchLevelDef>(object);
        if (!def) return refuse("holds a \"" + type + "\", which is no level definition");
        if (!LoadPersistObject(Ref<IInterface>(object), root))
            return refuse("holds no stored object");
        def->AssignParams(Ref<IParamsPropertyObject>(this));
        return def;
    } catch (const std::exception& e) {
        return refuse(std::string("does not load: ") + e.what());
    }
}

void TQuillmarchLevelDefRefCollection::Add(const Ref<IQuillmarchLevelDefRef>& entry) {
    if (!entry || TryAdd(entry)) return;
    Log("LEVEL", "the catalogue holds the level \"" + entry->GetName() +
                     "\" twice; the first entry is kept");
}

void TQuillmarchLevelDefRefCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("levels");
    SetItemNodeName("level");
    SetItemClass(ClassOf<TQuillmarchLevelDefRef>());
}

namespace {

TLocationLayersPainter& LocationLayersPainter() {
    static TLocationLayersPainter painter;
    return painter;
}

}  // namespace

void ShowLocationLayers(const Ref<IWidget>& widget, const Ref<IUserProfile>& profile,
                        const std::string& locationName) {
    if (const TLocationLayersPainter& painter = LocationLayersPainter())
        painter(widget, profile, locationName);
}

void SetLocationLayersPainter(TLocationLayersPainter painter) {
    LocationLayersPainter() = std::move(painter);
}

void RegisterLevelDefClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchLevelDef>(), "QuillmarchLevelDef");
    RegisterObjectClass(ClassOf<TQuillmarchLevelDefRef>(), "QuillmarchLevelDefRef");
    SetDefaultLevelDefType(kDefaultLevelDefClass);
}
