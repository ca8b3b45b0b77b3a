#include "core/persist/Params.h"

#include "core/base/ParamStringUtils.h"

namespace {

Ref<TParam> NewParam(const std::string& name, const Variant& value) {
    Ref<TParam> param = CreateObject<TParam>();
    param->SetName(name);
    param->SetValue(value);
    return param;
}

Ref<IParam> ParamOf(const Ref<IInterface>& item) {
    return Query<IParam>(item);
}

}  // namespace

// ---------------------------------------------------------------------------
// TParam

void TParam::Create() {
    TPersistObject::Create();
    SetNodeName("param");
}

const TPropertyTable& TParam::Table() {
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<TParam>(TPersistObject::Table())
            .Field("value", &TParam::value_, std::string()).SaveAlways()
            .Build();
    // clang-format on
    return table;
}

// ---------------------------------------------------------------------------
// TParamCollection

void TParamCollection::Create() {
    TPersistCollection::Create();
    SetNodeName("params");
    SetItemNodeName("param");
}

void TParamCollection::SetParam(const std::string& name, const std::string& value) {
    SetValue(name, Variant(value));
}

void TParamCollection::SetValue(const std::string& name, const Variant& value) {
    if (Ref<IParam> param = ParamOf(Items().GetItemByName(name))) {
        param->SetValue(value);
        return;
    }
    Add(NewParam(name, value));
}

Variant TParamCollection::GetValue(const std::string& name, const Variant& defaultValue) {
    Ref<IParam> param = ParamOf(Items().GetItemByName(name));
    return param ? param->GetValue() : defaultValue;
}

void TParamCollection::LoadItem(const Ref<IHierStorage>& node) {
    SetValue(ReadString(node, "name", ""), Variant(ReadString(node, "value", "")));
}

bool TParamCollection::SaveItem(const Ref<IInterface>& item, const Ref<IHierStorage>& node) {
    Ref<IParam> param = ParamOf(item);
    if (!param || !node) return false;
    node->SetValue("name", Variant(param->GetName()));
    node->SetValue("value", param->GetValue());
    return true;
}

// ---------------------------------------------------------------------------
// TParamsPropertyObject

void TParamsPropertyObject::Create() {
    TPropertyObject::Create();
    SetNodeName("properties");
    params_ = Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

Variant TParamsPropertyObject::GetProperty(const std::string& name) {
    return params_ ? params_->GetValue(name, Variant()) : Variant::Null();
}

void TParamsPropertyObject::SetProperty(const std::string& name, const Variant& value) {
    if (params_) params_->SetValue(name, value);
}

void TParamsPropertyObject::LoadFrom(const Ref<IHierStorage>& storage) {
    TPropertyObject::LoadFrom(storage);
    LoadChildObject(params_, storage, "properties", 0);
}

void TParamsPropertyObject::SaveTo(const Ref<IHierStorage>& storage) {
    TPropertyObject::SaveTo(storage);
    SaveChildObject(params_, storage, "properties");
}

// ---------------------------------------------------------------------------

Ref<IParamCollection> ParamCollectionFromString(const std::string& text) {
    if (text.empty()) return nullptr;
    TTwoArrayOfString pairs;
    if (SplitParams(text, pairs, '\\', '=') == 0) return nullptr;
    Ref<IParamCollection> params =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    for (const auto& pair : pairs) params->Add(NewParam(pair[0], Variant(pair[1])));
    return params;
}

Ref<IParamCollection> CopyParamCollection(const Ref<IParamCollection>& source) {
    if (!source) return nullptr;
    Ref<IParamCollection> copy =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    const int32_t count = source->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        if (Ref<IParam> param = source->GetParam(Variant(i))) {
            copy->SetValue(param->GetName(), param->GetValue());
        }
    }
    return copy;
}
