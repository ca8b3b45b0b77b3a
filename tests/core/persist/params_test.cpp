#include <gtest/gtest.h>

#include <string>

#include "core/persist/Params.h"
#include "core/storage/XMLStorage.h"

namespace {

// "name=value;..." in index order.
std::string Dump(const Ref<IParamCollection>& params) {
    std::string text;
    for (int32_t i = 0; i < params->GetCount(); ++i) {
        Ref<IParam> param = params->GetParam(Variant(i));
        text += param->GetName() + "=" + param->GetValue().ToString() + ";";
    }
    return text;
}

Ref<IParamCollection> NewParams(const std::string& creationParams = {}) {
    return Query<IParamCollection>(
        CreateAbstractObject(ClassOf<TParamCollection>(), creationParams));
}

std::string Xml(const Ref<IHierStorage>& node) {
    std::string text;
    Query<IHierStorageRoot>(node)->SaveToXML(text);
    return text;
}

TEST(Params, CreationParametersFillTheCollection) {
    Ref<IParamCollection> params = NewParams("\\a=1\\b=2");
    ASSERT_TRUE(params);
    EXPECT_EQ(Dump(params), "a=1;b=2;");
    EXPECT_TRUE(params->GetValue("a", 0).IsString());
    EXPECT_EQ(Query<IPersistObject>(params)->GetNodeName(), "params");
    EXPECT_EQ(dynamic_cast<TParamCollection*>(params.get())->GetItemNodeName(), "param");
}

TEST(Params, ValuesByNameAndPosition) {
    Ref<IParamCollection> params = NewParams();
    params->SetValue("Speed", 3);
    params->SetValue("name", "x");
    params->SetValue("SPEED", 4.5);  // same name: updated in place, kept as given
    EXPECT_EQ(Dump(params), "Speed=4.5;name=x;");
    EXPECT_EQ(params->GetValue("speed", 0).Type(), varDouble);
    EXPECT_EQ(params->GetValue("absent", "d").ToString(), "d");
    EXPECT_TRUE(params->GetValue("absent", Variant()).IsEmpty());
    EXPECT_EQ(params->GetParam(Variant(1))->GetName(), "name");
    EXPECT_EQ(params->GetParam(Variant("NAME"))->GetValue().ToString(), "x");
    EXPECT_FALSE(params->GetParam(Variant(2)));
    EXPECT_FALSE(params->GetParam(Variant("none")));
    params->SetValue("new", true);
    EXPECT_EQ(params->IndexOf("new"), 2);  // appended at the end

    // A second parameter under a present name is refused; the first stays.
    Ref<TParam> other = CreateObject<TParam>();
    other->SetName("name");
    other->SetValue("y");
    params->Add(other);
    params->Add(nullptr);
    EXPECT_EQ(params->GetCount(), 3);
    EXPECT_EQ(params->GetValue("name", "").ToString(), "x");

    params->Delete(Variant("speed"));
    EXPECT_EQ(Dump(params), "name=x;new=True;");
    EXPECT_FALSE(params->Exists("speed"));
    params->Clear();
    EXPECT_EQ(params->GetCount(), 0);
}

TEST(Params, FromStringAndCopy) {
    EXPECT_FALSE(ParamCollectionFromString(""));
    EXPECT_FALSE(ParamCollectionFromString("no pairs here"));
    EXPECT_FALSE(ParamCollectionFromString("\\\\\\"));

    Ref<IParamCollection> params =
        ParamCollectionFromString("\\a=1\\b={x=2\\y=3}\\A=dup\\c= spaced");
    ASSERT_TRUE(params);
    // The repeated name is refused by the collection: the first value stays.
    EXPECT_EQ(Dump(params), "a=1;b=x=2\\y=3;c=spaced;");

    Ref<IParamCollection> copy = CopyParamCollection(params);
    ASSERT_TRUE(copy);
    EXPECT_FALSE(copy == params);
    EXPECT_EQ(Dump(copy), Dump(params));
    copy->SetValue("a", "changed");
    EXPECT_EQ(params->GetValue("a", "").ToString(), "1");  // a copy, not a share
    EXPECT_FALSE(CopyParamCollection(nullptr));
}

TEST(Params, StorageForm) {
    Ref<IParamCollection> params = NewParams();
    params->SetValue("Score", 120);
    params->SetValue("player", "Ann & \"Bo\"");
    params->SetValue("unset", Variant());
    Ref<IHierStorage> out = Query<IHierStorage>(CreateStorage("root"));
    ASSERT_TRUE(SaveChildObject(params, out, ""));
    EXPECT_EQ(Xml(out),
              "<root><params><param name=\"Score\" value=\"120\"/>"
              "<param name=\"player\" value=\"Ann &amp; &quot;Bo&quot;\"/>"
              "<param name=\"unset\" value=\"\"/></params></root>");

    Ref<IParamCollection> back = NewParams();
    ASSERT_TRUE(LoadChildObject(back, LoadStorageFromXML(Xml(out)), "", 0));
    EXPECT_EQ(Dump(back), "Score=120;player=Ann & \"Bo\";unset=;");
    EXPECT_TRUE(back->GetValue("score", 0).IsString());  // values come back as text
}

TEST(Params, LoadingUpdatesRepeatedNamesAndAddsToWhatIsThere) {
    Ref<IHierStorage> node = LoadStorageFromXML(
        "<params><param name=\"a\" value=\"1\"/><param name=\"b\"/><param name=\"A\" value=\"2\"/>"
        "<other name=\"x\" value=\"y\"/></params>");
    Ref<IParamCollection> params = NewParams("\\keep=k\\b=old");
    Query<IPersistObject>(params)->Load(node);
    EXPECT_EQ(Dump(params), "keep=k;b=;a=2;");
}

TEST(Params, SingleParameterStorage) {
    Ref<TParam> param = CreateObject<TParam>();
    EXPECT_EQ(param->GetNodeName(), "param");
    EXPECT_EQ(param->GetTypeName(), "");  // not registered: no "type"
    param->SetName("volume");
    param->SetValue(0.5);
    Ref<IHierStorage> node = Query<IHierStorage>(CreateStorage("param"));
    param->Save(node);
    EXPECT_EQ(Xml(node), "<param name=\"volume\" value=\"0.5\"/>");

    Ref<TParam> unnamed = CreateObject<TParam>();
    Ref<IHierStorage> empty = Query<IHierStorage>(CreateStorage("param"));
    unnamed->Save(empty);
    EXPECT_EQ(Xml(empty), "<param value=\"\"/>");  // the value is always written

    Ref<TParam> back = CreateObject<TParam>();
    back->Load(LoadStorageFromXML("<param name=\"n\" value=\"7\"/>"));
    EXPECT_EQ(back->GetName(), "n");
    EXPECT_EQ(back->Value(), Variant("7"));
    back->Load(LoadStorageFromXML("<param name=\"n\"/>"));
    EXPECT_EQ(back->Value(), Variant(""));
}

TEST(Params, PropertyObject) {
    Ref<TParamsPropertyObject> object = CreateObject<TParamsPropertyObject>();
    EXPECT_EQ(object->GetNodeName(), "properties");
    Ref<IParamsPropertyObject> props = object;
    props->SetProperty("Color", "red");
    EXPECT_EQ(props->GetProperty("color").ToString(), "red");
    EXPECT_TRUE(props->GetProperty("size").IsEmpty());
    EXPECT_EQ(props->GetPropertyDef("size", 12).ToInt(), 12);
    EXPECT_EQ(props->GetPropertyDef("COLOR", "x").ToString(), "red");
    EXPECT_EQ(props->GetParams()->GetCount(), 1);

    // Loading from an element without "properties" leaves the parameters as
    // they were; a fresh object then answers every default.
    object->Load(LoadStorageFromXML("<properties name=\"p\"/>"));
    EXPECT_EQ(object->GetName(), "p");
    EXPECT_EQ(props->GetParams()->GetCount(), 1);
    Ref<TParamsPropertyObject> fresh = CreateObject<TParamsPropertyObject>();
    fresh->Load(LoadStorageFromXML("<properties name=\"p\"/>"));
    EXPECT_EQ(fresh->GetParams()->GetCount(), 0);
    EXPECT_EQ(fresh->GetPropertyDef("color", "none").ToString(), "none");

    Ref<IHierStorage> out = Query<IHierStorage>(CreateStorage("properties"));
    object->Save(out);
    EXPECT_EQ(Xml(out),
              "<properties name=\"p\"><properties><param name=\"Color\" value=\"red\"/>"
              "</properties></properties>");
}

}  // namespace
