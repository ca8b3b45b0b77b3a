#include <gtest/gtest.h>
#include <minizip/zip.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/packs/Cipher.h"
#include "core/packs/ResourceReader.h"
#include "core/persist/EngineGeneralClasses.h"
#include "core/persist/Params.h"
#include "core/storage/XMLStorage.h"
#include "tests/support/TempDir.h"

namespace {

// ---------------------------------------------------------------------------
// Test classes

// A property object with a value of every stored type; each is written only
// when it differs from its default.
class TTestWidget : public TPropertyObject {
public:
    void Create() override {
        TPropertyObject::Create();
        SetNodeName("widget");
    }
    void LoadFrom(const Ref<IHierStorage>& storage) override {
        TPropertyObject::LoadFrom(storage);
        width = ReadInteger(storage, "width", 10);
        scale = ReadFloat(storage, "scale", 1.0);
        visible = ReadBool(storage, "visible", true);
        color = ReadColor(storage, "color", 0xFF000000);
        kind = ReadEnum(storage, "kind", "/png/jpeg/jpng/unknown", 3);
        caption = ReadString(storage, "caption", "");
    }
    void SaveTo(const Ref<IHierStorage>& storage) override {
        TPropertyObject::SaveTo(storage);
        WriteInteger(storage, "width", width, width != 10);
        WriteFloat(storage, "scale", scale, scale != 1.0);
        WriteBool(storage, "visible", visible, !visible);
        WriteColor(storage, "color", color, color != 0xFF000000);
        WriteEnum(storage, "kind", "/png/jpeg/jpng/unknown", kind, kind != 3);
        WriteString(storage, "caption", caption, !caption.empty());
    }
    Variant GetProperty(const std::string& name) override {
        if (name == "width") return width;
        return TPropertyObject::GetProperty(name);
    }
    void SetProperty(const std::string& name, const Variant& value) override {
        if (name == "width") {
            width = value.ToInt();
            return;
        }
        TPropertyObject::SetProperty(name, value);
    }
    void AssignTo(TNamedObject& dest) override {
        TPropertyObject::AssignTo(dest);
        if (auto* widget = dynamic_cast<TTestWidget*>(&dest)) widget->width = width;
    }

    int32_t width = 10;
    double scale = 1.0;
    bool visible = true;
    uint32_t color = 0xFF000000;
    int32_t kind = 3;
    std::string caption;
};

class TTestShape : public TPersistObject {
public:
    void Create() override {
        TPersistObject::Create();
        SetNodeName("shape");
    }
    void LoadFrom(const Ref<IHierStorage>& storage) override {
        TPersistObject::LoadFrom(storage);
        shape = ReadString(storage, "shape", "");
    }
    void SaveTo(const Ref<IHierStorage>& storage) override {
        TPersistObject::SaveTo(storage);
        WriteString(storage, "shape", shape, !shape.empty());
    }
    std::string shape;
};

// Never registered.
class TTestUnregistered : public TTestShape {};

// Items of any registered class, kept under their names (or an automatic
// name when they have none).
class TTestItems : public TTypedCreationPersistItemCollection {
public:
    void Create() override {
        TTypedCreationPersistItemCollection::Create();
        SetNodeName("items");
        SetItemNodeName("item");
    }
    void AddItem(const Ref<IInterface>& item) override {
        Ref<INamedObject> named = Query<INamedObject>(item);
        const std::string name = named ? named->GetName() : std::string();
        InsertItem(item, name.empty(), name);
    }
};

class TTestShapes : public TStaticCreationPersistItemCollection {
public:
    void Create() override {
        TStaticCreationPersistItemCollection::Create();
        SetNodeName("shapes");
        SetItemNodeName("shape");
        SetItemClass(ClassOf<TTestShape>());
    }
    void AddItem(const Ref<IInterface>& item) override { InsertItem(item, true, ""); }
};

// A static collection whose subclass forgot its item class.
class TTestNoClass : public TStaticCreationPersistItemCollection {
public:
    void Create() override {
        TStaticCreationPersistItemCollection::Create();
        SetItemNodeName("shape");
    }
    void AddItem(const Ref<IInterface>& item) override { InsertItem(item, true, ""); }
};

// A scene with a title and a typed item collection as its "items" child.
class TTestScene : public TPersistObject {
public:
    void Create() override {
        TPersistObject::Create();
        SetNodeName("scene");
        items = CreateObject<TTestItems>();
    }
    void LoadFrom(const Ref<IHierStorage>& storage) override {
        TPersistObject::LoadFrom(storage);
        title = ReadString(storage, "title", "");
        items->Clear();
        LoadChildObject(items, storage, "", 0);
    }
    void SaveTo(const Ref<IHierStorage>& storage) override {
        TPersistObject::SaveTo(storage);
        WriteString(storage, "title", title, true);
        SaveChildObject(items, storage, "");
    }
    std::string title;
    Ref<TTestItems> items;
};

// A parameter object with params of its own besides its properties.
class TTestLevel : public TParamsPropertyObject {
public:
    void Create() override {
        TParamsPropertyObject::Create();
        SetNodeName("level");
        options = Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    }
    void LoadFrom(const Ref<IHierStorage>& storage) override {
        TParamsPropertyObject::LoadFrom(storage);
        LoadChildObject(options, storage, "", 0);
    }
    void SaveTo(const Ref<IHierStorage>& storage) override {
        TParamsPropertyObject::SaveTo(storage);
        SaveChildObject(options, storage, "");
    }
    Ref<IParamCollection> options;
};

void RegisterTestClasses() {
    static const bool registered = [] {
        RegisterObjectClass(ClassOf<TTestWidget>(), "test_widget");
        RegisterObjectClass(ClassOf<TTestShape>(), "test_shape");
        RegisterObjectClass(ClassOf<TTestScene>(), "test_scene");
        RegisterObjectClass(ClassOf<TTestLevel>(), "test_level");
        return true;
    }();
    (void)registered;
}

std::string Attributes(const Ref<IHierStorage>& node) {
    std::string text;
    for (int32_t i = 0; i < node->GetValueCount(); ++i) {
        text += node->GetValueName(i) + "=" + node->GetValueAt(i, "").ToString() + ";";
    }
    return text;
}

std::string Xml(const Ref<IHierStorage>& node) {
    std::string text;
    Query<IHierStorageRoot>(node)->SaveToXML(text);
    return text;
}

Ref<IHierStorage> NewDocument(const std::string& rootName) {
    return Query<IHierStorage>(CreateStorage(rootName));
}

std::string Enciphered(const std::string& text, const std::string& key) {
    return TCipher_Xtea(key).CodeString(text, paEncode, 16);
}

// Every test runs in a fresh current folder, as out-storage files are written
// relative to it, with an empty storage cache.
class Persist : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestClasses();
        ClearStorageCache();
    }
    void TearDown() override { ClearStorageCache(); }

    TTempDir dir_{"persist"};
    TCurrentFolder inFolder_{dir_.Path()};
};

// ---------------------------------------------------------------------------
// Named, persistent and property objects

TEST_F(Persist, NameAndTypeAreWrittenOnlyWhenPresent) {
    Ref<TTestUnregistered> plain = CreateObject<TTestUnregistered>();
    EXPECT_EQ(plain->GetTypeName(), "");
    Ref<IHierStorage> node = NewDocument("x");
    plain->Save(node);
    EXPECT_EQ(Attributes(node), "");

    Ref<TTestShape> shape = CreateObject<TTestShape>();
    EXPECT_EQ(shape->GetTypeName(), "test_shape");
    shape->SetName("s1");
    shape->shape = "box";
    Ref<IHierStorage> saved = NewDocument("shape");
    shape->Save(saved);
    EXPECT_EQ(Attributes(saved), "name=s1;type=test_shape;shape=box;");

    Ref<IPersistObject> back = Query<IPersistObject>(CreateObject<TTestShape>());
    back->Load(saved);
    EXPECT_EQ(Query<INamedObject>(back)->GetName(), "s1");
    EXPECT_EQ(dynamic_cast<TTestShape*>(back.get())->shape, "box");
}

TEST_F(Persist, WidgetRoundTripKeepsEveryValue) {
    Ref<TTestWidget> widget = CreateObject<TTestWidget>();
    widget->SetName("w");
    widget->width = -3;
    widget->scale = 0.75;
    widget->visible = false;
    widget->color = 0x80112233;
    widget->kind = 1;
    widget->caption = "Caf\xC3\xA9";
    Ref<IHierStorage> node = NewDocument("widget");
    widget->Save(node);
    EXPECT_EQ(Attributes(node),
              "name=w;type=test_widget;width=-3;scale=0.75;visible=no;color=$80112233;kind=jpeg;"
              "caption=Caf\xC3\xA9;");

    Ref<INamedObject> back = CreateObjectFromStorage(LoadStorageFromXML(Xml(node)));
    auto* copy = dynamic_cast<TTestWidget*>(back.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetName(), "w");
    EXPECT_EQ(copy->width, -3);
    EXPECT_EQ(copy->scale, 0.75);
    EXPECT_FALSE(copy->visible);
    EXPECT_EQ(copy->color, 0x80112233u);
    EXPECT_EQ(copy->kind, 1);
    EXPECT_EQ(copy->caption, "Caf\xC3\xA9");

    // Defaults write nothing but name and type.
    Ref<IHierStorage> defaults = NewDocument("widget");
    CreateObject<TTestWidget>()->Save(defaults);
    EXPECT_EQ(Attributes(defaults), "type=test_widget;");
}

TEST_F(Persist, PropertiesAndClone) {
    Ref<TTestWidget> widget = CreateObject<TTestWidget>();
    Ref<IPropertyObject> props = widget;
    props->SetProperty("width", 77);
    EXPECT_EQ(props->GetProperty("width").ToInt(), 77);
    EXPECT_TRUE(props->GetProperty("other").IsNull());
    EXPECT_EQ(props->GetPropertyDef("other", "d").ToString(), "d");
    EXPECT_EQ(props->GetPropertyDef("width", 0).ToInt(), 77);
    props->SetProperty("other", 1);  // ignored

    Ref<IPropertyObject> base = Query<IPropertyObject>(CreateObject<TPropertyObject>());
    EXPECT_EQ(base->GetPropertyDef("anything", 5).ToInt(), 5);

    widget->SetName("orig");
    Ref<INamedObject> clone = widget->Clone();
    ASSERT_TRUE(clone);
    EXPECT_FALSE(clone == Ref<INamedObject>(widget));
    EXPECT_EQ(clone->GetName(), "orig");
    auto* copy = dynamic_cast<TTestWidget*>(clone.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->width, 77);
    EXPECT_EQ(copy->GetNodeName(), "widget");
    // No registered class, nothing to create.
    EXPECT_FALSE(CreateObject<TTestUnregistered>()->Clone());
}

TEST_F(Persist, ChildObjectFunctions) {
    Ref<IHierStorage> root = LoadStorageFromXML(
        "<root><shape name=\"a\" shape=\"circle\"/><shape name=\"b\"/>"
        "<thing type=\"test_shape\" name=\"t\" shape=\"star\"/><thing type=\"nope\"/></root>");

    Ref<TTestShape> shape = CreateObject<TTestShape>();
    EXPECT_TRUE(LoadChildObject(shape, root, "", 0));  // the object's own node name
    EXPECT_EQ(shape->shape, "circle");
    EXPECT_TRUE(LoadChildObject(shape, root, "shape", 1));
    EXPECT_EQ(shape->GetName(), "b");
    shape->SetName("kept");
    EXPECT_FALSE(LoadChildObject(shape, root, "shape", 2));
    EXPECT_FALSE(LoadChildObject(shape, root, "thing", 2));
    EXPECT_EQ(shape->GetName(), "kept");  // nothing loaded
    EXPECT_FALSE(LoadChildObject(shape, nullptr, "shape", 0));
    EXPECT_FALSE(LoadChildObject(nullptr, root, "shape", 0));

    Ref<TAbstractObject> created = CreateChildObject(ClassOf<TTestShape>(), root, "shape", 0);
    ASSERT_TRUE(created);
    EXPECT_EQ(Query<INamedObject>(created)->GetName(), "a");
    EXPECT_FALSE(CreateChildObject(ClassOf<TTestShape>(), root, "shape", 2));
    EXPECT_TRUE(CreateChildObject(ClassOf<TTestShape>(), root, "", 1));
    EXPECT_FALSE(CreateChildObject(ClassOf<TTestShape>(), root, "", 5));

    Ref<INamedObject> typed = CreateTypedChildObject(root, "thing", 0);
    ASSERT_TRUE(typed);
    EXPECT_EQ(typed->GetName(), "t");
    EXPECT_EQ(dynamic_cast<TTestShape*>(typed.get())->shape, "star");
    EXPECT_FALSE(CreateTypedChildObject(root, "thing", 1));  // unregistered type
    EXPECT_FALSE(CreateTypedChildObject(root, "thing", 2));
    EXPECT_FALSE(CreateObjectFromStorage(nullptr));

    Ref<INamedObject> named = CreateNamedObject("TEST_SHAPE", "n");
    ASSERT_TRUE(named);
    EXPECT_EQ(named->GetName(), "n");
    EXPECT_FALSE(CreateNamedObject("unknown", "n"));
    EXPECT_FALSE(LoadPersistObject(Ref<IInterface>(), root));
    EXPECT_FALSE(SavePersistObject(named, nullptr));

    // Saving as a child: named by the argument or the node name; objects
    // that are not stored are skipped but count as saved.
    Ref<IHierStorage> out = NewDocument("out");
    EXPECT_TRUE(SaveChildObject(named, out, ""));
    EXPECT_TRUE(SaveChildObject(named, out, "custom"));
    named->SetName("hidden");
    Query<IPersistObject2>(named)->SetStored(false);
    EXPECT_TRUE(SaveChildObject(named, out, ""));
    EXPECT_EQ(Xml(out),
              "<out><shape name=\"n\" type=\"test_shape\"/>"
              "<custom name=\"n\" type=\"test_shape\"/></out>");
    EXPECT_FALSE(SaveChildObject(CreateObject<TPersistObject>(), out, ""));  // no node name
}

// ---------------------------------------------------------------------------
// Out-storages and templates

TEST_F(Persist, OutStorageObjectKeepsItsContentInItsOwnFile) {
    const std::string spec = "\\file=parts/w.dat\\cryptkey=K3y";
    dir_.Write("parts/w.dat", Enciphered("<widget width=\"42\" caption=\"from file\"/>", "K3y"));
    Ref<IHierStorage> doc = LoadStorageFromXML(
        "<holder><widget name=\"w\" type=\"test_widget\" _outstorage=\"" + spec + "\"/></holder>");
    Ref<INamedObject> loaded = CreateTypedChildObject(doc, "widget", 0);
    auto* widget = dynamic_cast<TTestWidget*>(loaded.get());
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->width, 42);
    EXPECT_EQ(widget->caption, "from file");
    EXPECT_EQ(widget->GetOutStorageSpec(), spec);
    EXPECT_FALSE(widget->IsTemplate());

    widget->width = 43;
    widget->caption = "changed";
    Ref<IHierStorage> out = NewDocument("holder");
    ASSERT_TRUE(SaveChildObject(loaded, out, ""));
    Ref<IHierStorage> node = out->GetChild("widget", 0);
    EXPECT_EQ(Attributes(node), "_outstorage=" + spec + ";");
    EXPECT_EQ(node->GetChildCount(""), 0);

    // The file was rewritten, enciphered, with the whole content.
    const std::string file = ReadFileBytes(dir_.File("parts/w.dat"));
    EXPECT_EQ(file.find('<'), std::string::npos);
    EXPECT_EQ(TCipher_Xtea("K3y").CodeString(file, paDecode, 16),
              "<widget name=\"w\" type=\"test_widget\" width=\"43\" caption=\"changed\"/>");

    ClearStorageCache();
    Ref<INamedObject> again = CreateTypedChildObject(LoadStorageFromXML(Xml(out)), "widget", 0);
    auto* reloaded = dynamic_cast<TTestWidget*>(again.get());
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(reloaded->GetName(), "w");
    EXPECT_EQ(reloaded->width, 43);
    EXPECT_EQ(reloaded->caption, "changed");
}

class PersistTemplate : public Persist {
protected:
    void SetUp() override {
        Persist::SetUp();
        // Holds every value the widget writes when saving against a template.
        dir_.Write(
            "tmpl/w.xml",
            "<widget name=\"w\" type=\"test_widget\" width=\"20\" scale=\"1\" visible=\"no\" "
            "color=\"$FF000000\" kind=\"png\" caption=\"tmpl\"/>");
        templateBytes_ = ReadFileBytes(dir_.File("tmpl/w.xml"));
    }
    // Loads the widget from an owner's node that refers to the template.
    Ref<TTestWidget> Load(const std::string& ownValues) {
        Ref<IHierStorage> node = LoadStorageFromXML(
            "<widget template=\"yes\" _outstorage=\"\\file=tmpl/w.xml\" " + ownValues + "/>");
        Ref<TTestWidget> widget = CreateObject<TTestWidget>();
        widget->Load(node);
        return widget;
    }
    Ref<IHierStorage> Save(const Ref<TTestWidget>& widget) {
        Ref<IHierStorage> node = NewDocument("widget");
        widget->Save(node);
        return node;
    }
    std::string templateBytes_;
};

TEST_F(PersistTemplate, ReadsItsOwnValuesFirstAndTheTemplateForTheRest) {
    Ref<TTestWidget> widget = Load("width=\"30\"");
    EXPECT_TRUE(widget->IsTemplate());
    EXPECT_EQ(widget->width, 30);
    EXPECT_EQ(widget->caption, "tmpl");
    EXPECT_FALSE(widget->visible);
    EXPECT_EQ(widget->kind, 0);
    EXPECT_EQ(widget->GetName(), "w");
}

TEST_F(PersistTemplate, WritesOnlyTheValuesThatDiffer) {
    Ref<TTestWidget> same = Load("");
    EXPECT_EQ(Attributes(Save(same)), "template=yes;_outstorage=\\file=tmpl/w.xml;");

    Ref<TTestWidget> changed = Load("width=\"30\"");
    changed->caption = "mine";
    EXPECT_EQ(Attributes(Save(changed)),
              "width=30;caption=mine;template=yes;_outstorage=\\file=tmpl/w.xml;");
    // The template file is never written.
    EXPECT_EQ(ReadFileBytes(dir_.File("tmpl/w.xml")), templateBytes_);
}

TEST_F(PersistTemplate, ValueSetBackToItsDefaultSurvivesSaveAndLoad) {
    Ref<TTestWidget> widget = Load("");
    widget->width = 10;      // the class default; the template says 20
    widget->caption = "";    // the class default; the template says "tmpl"
    widget->visible = true;  // the class default; the template says "no"
    Ref<IHierStorage> node = Save(widget);
    EXPECT_EQ(Attributes(node),
              "width=10;visible=yes;caption=;template=yes;_outstorage=\\file=tmpl/w.xml;");

    Ref<TTestWidget> back = CreateObject<TTestWidget>();
    back->Load(LoadStorageFromXML(Xml(node)));
    EXPECT_EQ(back->width, 10);
    EXPECT_EQ(back->caption, "");
    EXPECT_TRUE(back->visible);
    EXPECT_EQ(back->kind, 0);  // still from the template
}

TEST_F(PersistTemplate, NonTemplateSavesAfterATemplateWriteOnlyDifferences) {
    // The template's write-everything mode ends with its save.
    Save(Load(""));
    Ref<IHierStorage> node = NewDocument("widget");
    CreateObject<TTestWidget>()->Save(node);
    EXPECT_EQ(Attributes(node), "type=test_widget;");
}

// ---------------------------------------------------------------------------
// Collections

TEST_F(Persist, TypedCollectionCreatesItemsFromTheirType) {
    Ref<IHierStorage> node = LoadStorageFromXML(
        "<items><item type=\"test_shape\" name=\"a\" shape=\"circle\"/>"
        "<item type=\"nope\" name=\"b\"/><item name=\"c\"/><item type=\"\" name=\"c2\"/>"
        "<other type=\"test_shape\" name=\"x\"/>"
        "<item type=\"TEST_WIDGET\" name=\"d\" width=\"3\"/></items>");
    Ref<TTestItems> items = CreateObject<TTestItems>();
    items->Load(node);
    ASSERT_EQ(items->GetCount(), 2);
    EXPECT_EQ(items->IndexOf("A"), 0);
    EXPECT_EQ(items->IndexOf("d"), 1);
    EXPECT_EQ(items->IndexOf("b"), -1);
    EXPECT_FALSE(items->Exists("c"));
    auto* shape = dynamic_cast<TTestShape*>(items->Items().GetItemAt(0).get());
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->shape, "circle");
    auto* widget = dynamic_cast<TTestWidget*>(items->Items().GetItemByName("d").get());
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->width, 3);

    Ref<IHierStorage> out = NewDocument("items");
    items->Save(out);
    EXPECT_EQ(Xml(out),
              "<items><item name=\"a\" type=\"test_shape\" shape=\"circle\"/>"
              "<item name=\"d\" type=\"test_widget\" width=\"3\"/></items>");

    Ref<ICollection> collection = items;
    collection->Delete(Variant("a"));
    EXPECT_EQ(collection->GetCount(), 1);
    collection->Delete(Variant(0));
    EXPECT_EQ(collection->GetCount(), 0);
}

TEST_F(Persist, StaticCollectionLoadsAddToItsItems) {
    Ref<IHierStorage> node = LoadStorageFromXML(
        "<shapes><shape shape=\"a\" type=\"test_widget\"/><shape shape=\"b\"/></shapes>");
    Ref<TTestShapes> shapes = CreateObject<TTestShapes>();
    shapes->Load(node);
    ASSERT_EQ(shapes->GetCount(), 2);
    // "type" is not consulted: every item is of the collection's class.
    EXPECT_NE(dynamic_cast<TTestShape*>(shapes->Items().GetItemAt(0).get()), nullptr);
    EXPECT_EQ(dynamic_cast<TTestWidget*>(shapes->Items().GetItemAt(0).get()), nullptr);
    shapes->Load(node);
    EXPECT_EQ(shapes->GetCount(), 4);

    Ref<TTestNoClass> none = CreateObject<TTestNoClass>();
    none->Load(node);
    EXPECT_EQ(none->GetCount(), 0);

    // Items that are not stored, and items that are no persistent objects,
    // leave no element.
    for (int32_t i = 0; i < 2; ++i) {
        Query<IPersistObject2>(shapes->Items().GetItemAt(i))->SetStored(false);
    }
    shapes->AddItem(CreateObject<TCollection>());
    Ref<IHierStorage> out = NewDocument("shapes");
    shapes->Save(out);
    EXPECT_EQ(Xml(out),
              "<shapes><shape type=\"test_shape\" shape=\"a\"/>"
              "<shape type=\"test_shape\" shape=\"b\"/></shapes>");
    for (int32_t i = 2; i < 4; ++i) {
        Query<IPersistObject2>(shapes->Items().GetItemAt(i))->SetStored(false);
    }
    Ref<IHierStorage> empty = NewDocument("shapes");
    shapes->Save(empty);
    EXPECT_EQ(Xml(empty), "<shapes/>");

    shapes->ClearContent();
    EXPECT_EQ(shapes->GetCount(), 0);
}

TEST_F(Persist, CollectionOutStorage) {
    Ref<IHierStorage> doc =
        LoadStorageFromXML("<scene><items _outstorage=\"\\file=items.xml\"/></scene>");
    dir_.Write("items.xml", "<items><item type=\"test_shape\" name=\"a\"/></items>");
    Ref<TTestItems> items = CreateObject<TTestItems>();
    ASSERT_TRUE(LoadChildObject(items, doc, "", 0));
    EXPECT_EQ(items->GetCount(), 1);
    items->AddItem(Ref<IInterface>(CreateNamedObject("test_shape", "b")));
    Ref<IHierStorage> out = NewDocument("scene");
    SaveChildObject(items, out, "");
    EXPECT_EQ(Xml(out), "<scene><items _outstorage=\"\\file=items.xml\"/></scene>");
    EXPECT_EQ(ReadFileBytes(dir_.File("items.xml")),
              "<items><item name=\"a\" type=\"test_shape\"/><item name=\"b\" type=\"test_shape\"/>"
              "</items>");
}

// ---------------------------------------------------------------------------
// Parameter objects inside other objects

TEST_F(Persist, ObjectWithParamsAndPropertiesRoundTrips) {
    Ref<TTestLevel> level = CreateObject<TTestLevel>();
    level->SetName("level_1");
    level->SetProperty("rows", "10");
    level->SetProperty("Title", "Caf\xC3\xA9 \\ {braces}");
    level->options->SetValue("speed", 3);  // handed to the storage as text
    level->options->SetValue("empty", "");

    Ref<IHierStorage> out = NewDocument("levels");
    ASSERT_TRUE(SaveChildObject(level, out, ""));
    EXPECT_EQ(
        Xml(out),
        "<levels><level name=\"level_1\" type=\"test_level\"><properties>"
        "<param name=\"rows\" value=\"10\"/>"
        "<param name=\"Title\" value=\"Caf\xC3\xA9 \\ {braces}\"/></properties>"
        "<params><param name=\"speed\" value=\"3\"/><param name=\"empty\" value=\"\"/></params>"
        "</level></levels>");

    Ref<INamedObject> back = CreateTypedChildObject(LoadStorageFromXML(Xml(out)), "level", 0);
    auto* copy = dynamic_cast<TTestLevel*>(back.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetName(), "level_1");
    Ref<IParamCollection> props = copy->GetParams();
    ASSERT_EQ(props->GetCount(), 2);
    EXPECT_EQ(props->GetParam(Variant(0))->GetName(), "rows");
    EXPECT_EQ(copy->GetProperty("ROWS").ToString(), "10");
    EXPECT_EQ(copy->GetProperty("title").ToString(), "Caf\xC3\xA9 \\ {braces}");
    ASSERT_EQ(copy->options->GetCount(), 2);
    EXPECT_EQ(copy->options->GetValue("speed", 0).ToString(), "3");
    EXPECT_TRUE(copy->options->GetValue("empty", 0).IsString());
    EXPECT_TRUE(copy->GetProperty("absent").IsEmpty());
    EXPECT_EQ(copy->GetPropertyDef("absent", 8).ToInt(), 8);
}

// ---------------------------------------------------------------------------
// End to end: an enciphered document inside a pack

std::string MakePack(const std::string& path, const std::string& entry, const std::string& bytes) {
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (zip == nullptr) return {};
    zipOpenNewFileInZip64(zip, entry.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                          Z_DEFAULT_COMPRESSION, 0);
    zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
    zipCloseFileInZip(zip);
    zipClose(zip, nullptr);
    return path;
}

class PersistPack : public Persist {
protected:
    void SetUp() override {
        Persist::SetUp();
        savedExtension_ = GetPackExtension();
        SetPackExtension(".sgd");
        FreeResourceReader();
    }
    void TearDown() override {
        FreeResourceReader();
        SetPackExtension(savedExtension_);
        Persist::TearDown();
    }
    std::string savedExtension_;
};

TEST_F(PersistPack, EncipheredDocumentInAPackLoadedChangedSavedAndLoadedAgain) {
    const std::string key = "pack-key";
    const std::string document =
        "<scene type=\"test_scene\" name=\"intro\" title=\"Start\"><items>"
        "<item type=\"test_shape\" name=\"sun\" shape=\"circle\"/>"
        "<item type=\"removed_class\" name=\"ghost\"/>"
        "<item type=\"test_widget\" name=\"button\" width=\"64\" color=\"$FF00FF00\"/>"
        "</items></scene>";
    ASSERT_FALSE(
        MakePack(dir_.File("data.sgd"), "Scenes/Intro.dat", Enciphered(document, key)).empty());
    ASSERT_FALSE(std::filesystem::exists(dir_.Path() / "data"));

    Ref<IHierStorage> storage = GetStorageBySpec("\\file=data/scenes/intro.dat\\cryptkey=" + key);
    ASSERT_TRUE(storage);
    Ref<INamedObject> object = CreateObjectFromStorage(storage);
    auto* scene = dynamic_cast<TTestScene*>(object.get());
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->GetName(), "intro");
    EXPECT_EQ(scene->title, "Start");
    ASSERT_EQ(scene->items->GetCount(), 2);  // the unregistered type was skipped
    auto* button = dynamic_cast<TTestWidget*>(scene->items->Items().GetItemByName("button").get());
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->width, 64);
    EXPECT_EQ(button->color, 0xFF00FF00u);

    scene->title = "Changed";
    button->width = 65;
    scene->items->Delete(Variant("sun"));
    Ref<INamedObject> moon = CreateNamedObject("test_shape", "moon");
    dynamic_cast<TTestShape*>(moon.get())->shape = "crescent";
    scene->items->AddItem(moon);

    const std::string saveSpec = "\\file=saved/intro.dat\\cryptkey=" + key;
    Ref<IHierStorage> out = NewDocument("scene");
    ASSERT_TRUE(SavePersistObject(object, out));
    SaveStorageBySpec(out, saveSpec);
    EXPECT_EQ(ReadFileBytes(dir_.File("saved/intro.dat")).find('<'), std::string::npos);

    ClearStorageCache();
    Ref<INamedObject> again = CreateObjectFromStorage(GetStorageBySpec(saveSpec));
    auto* reloaded = dynamic_cast<TTestScene*>(again.get());
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(reloaded->GetName(), "intro");
    EXPECT_EQ(reloaded->title, "Changed");
    ASSERT_EQ(reloaded->items->GetCount(), 2);
    EXPECT_EQ(reloaded->items->IndexOf("button"), 0);
    auto* shape = dynamic_cast<TTestShape*>(reloaded->items->Items().GetItemAt(1).get());
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->GetName(), "moon");
    EXPECT_EQ(shape->shape, "crescent");
    auto* widget = dynamic_cast<TTestWidget*>(reloaded->items->Items().GetItemAt(0).get());
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->width, 65);
    EXPECT_EQ(widget->color, 0xFF00FF00u);
}

}  // namespace
