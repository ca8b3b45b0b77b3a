// Property tables: one declaration per class drives get and set by name,
// load, save and assign; bad values are refused with one log line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "core/persist/EngineGeneralClasses.h"
#include "core/persist/PropertyTable.h"
#include "core/storage/XMLStorage.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

// ---------------------------------------------------------------------------
// Every allocation of this program is counted, so a test can show that a
// property lookup allocates nothing.

namespace {
thread_local long g_allocations = 0;

void* CountedAlloc(std::size_t size) {
    ++g_allocations;
    return std::malloc(size ? size : 1);
}
void* CountedAlignedAlloc(std::size_t size, std::align_val_t align) {
    ++g_allocations;
    const std::size_t alignment = static_cast<std::size_t>(align);
    return std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
}
// Kept out of line: inlined into a delete-expression, free() would look to the
// compiler like the wrong partner for the operator new it knows.
[[gnu::noinline]] void CountedFree(void* p) noexcept {
    std::free(p);
}
}  // namespace

void* operator new(std::size_t size) {
    if (void* p = CountedAlloc(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = CountedAlloc(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return CountedAlloc(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return CountedAlloc(size);
}
void* operator new(std::size_t size, std::align_val_t align) {
    if (void* p = CountedAlignedAlloc(size, align)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t align) {
    if (void* p = CountedAlignedAlloc(size, align)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
    return CountedAlignedAlloc(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
    return CountedAlignedAlloc(size, align);
}
void operator delete(void* p) noexcept {
    CountedFree(p);
}
void operator delete[](void* p) noexcept {
    CountedFree(p);
}
void operator delete(void* p, std::size_t) noexcept {
    CountedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    CountedFree(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    CountedFree(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    CountedFree(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    CountedFree(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    CountedFree(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    CountedFree(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    CountedFree(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    CountedFree(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    CountedFree(p);
}

namespace {

volatile long g_sink = 0;

// ---------------------------------------------------------------------------
// Test classes

enum TShapeKind : uint8_t { kPng, kJpeg, kJpng, kUnknown };

// One entry of every kind and modifier.
class TPropWidget : public TPropertyObject {
public:
    void Create() override {
        TPropertyObject::Create();
        SetNodeName("w");
    }

    virtual double GetLeft() { return left_; }
    void SetLeft(double left) {
        left_ = left;
        ++leftSets_;
    }
    int32_t Area() { return width_ * 2; }

    static const TPropertyTable& Table() {
        // clang-format off
        static const TPropertyTable table =
            TPropertyTable::Builder<TPropWidget>(TPropertyObject::Table())
                .Field("id", &TPropWidget::id_).ReadOnly().SaveAlways()
                .Field("width", &TPropWidget::width_, 10)
                .Field("scale", &TPropWidget::scale_, 1.0)
                .Field("visible", &TPropWidget::visible_, true)
                .Field("color", &TPropWidget::color_, 0xFF000000u).Color()
                .Field("kind", &TPropWidget::kind_, kUnknown).Enum("/png/jpeg/jpng/unknown")
                .Field("level", &TPropWidget::level_, 255)
                .Field("hint", &TPropWidget::hint_).Key("tooltip")
                .Field("start", &TPropWidget::start_, 0).Key("currenttime").StorageOnly()
                .Field("secret", &TPropWidget::secret_).NotStored()
                .Field("scratch", &TPropWidget::scratch_, 0).NoAssign()
                .Accessor("left", &TPropWidget::GetLeft, &TPropWidget::SetLeft, 0.0)
                .Accessor("area", &TPropWidget::Area, nullptr)
                .Custom("age", [](TPropWidget& w) { return Variant(w.age_); },
                        [](TPropWidget& w, const Variant& v) {
                            const int32_t age = v.ToInt();
                            if (age < 0) throw Exception("an age is never negative");
                            w.age_ = age;
                        })
                .Build();
        // clang-format on
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    std::string id_;
    int32_t width_ = 10;
    double scale_ = 1.0;
    bool visible_ = true;
    uint32_t color_ = 0xFF000000u;
    TShapeKind kind_ = kUnknown;
    uint8_t level_ = 255;
    std::string hint_;
    int32_t start_ = 0;
    std::string secret_;
    int32_t scratch_ = 0;
    double left_ = 0;
    int32_t age_ = 0;
    int32_t leftSets_ = 0;
};

// Replaces "width" (another default, stored under another key), answers
// "left" through its own getter, and adds "depth", a long name and a float.
class TPropPanel : public TPropWidget {
public:
    double GetLeft() override { return left_ + 100; }

    static const TPropertyTable& Table() {
        static const TPropertyTable table =
            TPropertyTable::Builder<TPropPanel>(TPropWidget::Table())
                .Field("depth", &TPropPanel::depth_, 1)
                .Field("frames_per_second_limit", &TPropPanel::fpsLimit_, 60)
                .Field("ratio", &TPropPanel::ratio_, 0.5f)
                .Field("width", &TPropPanel::width_, 20)
                .Build();
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    int32_t depth_ = 1;
    int32_t fpsLimit_ = 60;
    float ratio_ = 0.5f;
};

void RegisterPropClasses() {
    static const bool registered = [] {
        RegisterObjectClass(ClassOf<TPropWidget>(), "prop_widget");
        RegisterObjectClass(ClassOf<TPropPanel>(), "prop_panel");
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

Ref<IHierStorage> Saved(TPersistObject& object) {
    Ref<IHierStorage> node = Query<IHierStorage>(CreateStorage("w"));
    object.Save(node);
    return node;
}

std::string Xml(const Ref<IHierStorage>& node) {
    std::string text;
    Query<IHierStorageRoot>(node)->SaveToXML(text);
    return text;
}

class PropertyTable : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterPropClasses();
        ClearStorageCache();
    }
    void TearDown() override { ClearStorageCache(); }

    TTempDir dir_{"props"};
    TCurrentFolder inFolder_{dir_.Path()};
};

// ---------------------------------------------------------------------------

TEST_F(PropertyTable, GetAndSetByName) {
    Ref<TPropWidget> widget = CreateObject<TPropWidget>();
    Ref<IPropertyObject> props = widget;
    struct TCase {
        const char* name;
        Variant value;
        Variant expected;
    };
    const TCase cases[] = {
        {"width", Variant("42"), Variant(int32_t{42})},
        {"scale", Variant(0.25), Variant(0.25)},
        {"visible", Variant(false), Variant(false)},
        {"color", Variant(int64_t{0x80112233}), Variant(int64_t{0x80112233})},
        {"color", Variant(int32_t{-1}), Variant(int64_t{0xFFFFFFFF})},  // as its bits
        {"kind", Variant("jpng"), Variant(int32_t{kJpng})},             // the entry's text
        {"kind", Variant(int32_t{1}), Variant(int32_t{kJpeg})},         // or its index
        {"level", Variant(int32_t{7}), Variant(int32_t{7})},
        {"hint", Variant("tip"), Variant("tip")},
        {"secret", Variant("s"), Variant("s")},
        {"left", Variant(3.5), Variant(3.5)},
        {"age", Variant(int32_t{9}), Variant(int32_t{9})},
    };
    for (const TCase& c : cases) {
        props->SetProperty(c.name, c.value);
        EXPECT_EQ(props->GetProperty(c.name), c.expected) << c.name;
    }
    EXPECT_EQ(widget->leftSets_, 1) << "the setter ran";
    EXPECT_EQ(props->GetProperty("area"), Variant(int32_t{84})) << "a getter alone";
    EXPECT_TRUE(props->GetProperty("start").IsNull()) << "storage only";
    EXPECT_TRUE(props->GetProperty("tooltip").IsNull()) << "a key is no property name";
    EXPECT_TRUE(props->GetProperty("WIDTH").IsNull()) << "names compare exactly";
    EXPECT_EQ(props->GetPropertyDef("nothing", 5), Variant(int32_t{5}));
}

TEST_F(PropertyTable, ReadOnlyEntriesAreNotSetByName) {
    Ref<TPropWidget> widget = CreateObject<TPropWidget>();
    widget->id_ = "fixed";
    const TPropertyTable& table = widget->GetPropertyTable();
    EXPECT_FALSE(table.Set(*widget, "id", Variant("other")));
    EXPECT_FALSE(table.Set(*widget, "area", Variant(int32_t{1})));
    EXPECT_FALSE(table.Set(*widget, "start", Variant(int32_t{1})));
    EXPECT_FALSE(table.Set(*widget, "missing", Variant(int32_t{1})));
    EXPECT_TRUE(table.Set(*widget, "width", Variant(int32_t{1})));
    EXPECT_EQ(widget->id_, "fixed");
    EXPECT_EQ(widget->start_, 0);
    EXPECT_EQ(widget->GetProperty("id"), Variant("fixed"));

    // Loading still reads a read-only value.
    widget->Load(LoadStorageFromXML(R"(<w id="loaded"/>)"));
    EXPECT_EQ(widget->id_, "loaded");
}

TEST_F(PropertyTable, SetNeverRaisesAndLogsARefusedValue) {
    Ref<TPropWidget> widget = CreateObject<TPropWidget>();
    widget->SetName("button");
    struct TCase {
        const char* name;
        Variant value;
    };
    const TCase cases[] = {
        {"width", Variant("wide")},             // no number
        {"level", Variant(int32_t{300})},       // outside a byte
        {"kind", Variant("bmp")},               // not in the list
        {"kind", Variant(int32_t{4})},          // past the list's end
        {"visible", Variant(ByteArray{1, 2})},  // no boolean form
        {"age", Variant(int32_t{-1})},          // the setter refuses
        {"scale", Variant::Null()},             // Null converts to no number
    };
    for (const TCase& c : cases) {
        TLogCapture log;
        EXPECT_NO_THROW(widget->SetProperty(c.name, c.value)) << c.name;
        ASSERT_EQ(log.Lines().size(), 1u) << c.name;
        EXPECT_TRUE(
            log.Has({"PERSIST", "prop_widget \"button\"", std::string("\"") + c.name + "\""}))
            << log.Lines()[0];
    }
    EXPECT_EQ(widget->width_, 10);
    EXPECT_EQ(widget->level_, 255);
    EXPECT_EQ(widget->kind_, kUnknown);
    EXPECT_TRUE(widget->visible_);
    EXPECT_EQ(widget->age_, 0);
    EXPECT_EQ(widget->scale_, 1.0);
}

TEST_F(PropertyTable, SaveWritesWhatDiffersInDeclarationOrderAndLoadsItBack) {
    Ref<TPropWidget> widget = CreateObject<TPropWidget>();
    // Defaults: only the name-less header and the always-written entry.
    EXPECT_EQ(Attributes(Saved(*widget)), "type=prop_widget;id=;");

    widget->SetName("w1");
    widget->id_ = "i";
    widget->width_ = -3;
    widget->scale_ = 0.75;
    widget->visible_ = false;
    widget->color_ = 0x80112233;
    widget->kind_ = kJpeg;
    widget->level_ = 0;
    widget->hint_ = "Caf\xC3\xA9";
    widget->start_ = 1000;
    widget->secret_ = "not stored";
    widget->scratch_ = 5;
    widget->left_ = 2.5;
    const std::string expected =
        "name=w1;type=prop_widget;id=i;width=-3;scale=0.75;visible=no;color=$80112233;kind=jpeg;"
        "level=0;tooltip=Caf\xC3\xA9;currenttime=1000;scratch=5;left=2.5;";
    Ref<IHierStorage> node = Saved(*widget);
    EXPECT_EQ(Attributes(node), expected);

    Ref<INamedObject> loaded = CreateObjectFromStorage(LoadStorageFromXML(Xml(node)));
    auto* copy = dynamic_cast<TPropWidget*>(loaded.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetName(), "w1");
    EXPECT_EQ(copy->id_, "i");
    EXPECT_EQ(copy->width_, -3);
    EXPECT_EQ(copy->scale_, 0.75);
    EXPECT_FALSE(copy->visible_);
    EXPECT_EQ(copy->color_, 0x80112233u);
    EXPECT_EQ(copy->kind_, kJpeg);
    EXPECT_EQ(copy->level_, 0);
    EXPECT_EQ(copy->hint_, "Caf\xC3\xA9");
    EXPECT_EQ(copy->start_, 1000);
    EXPECT_EQ(copy->secret_, "");
    EXPECT_EQ(copy->scratch_, 5);
    EXPECT_EQ(copy->left_, 2.5);
    // The attribute order survives a second round.
    EXPECT_EQ(Attributes(Saved(*copy)), expected);

    // Loading assigns: every absent key takes its default.
    copy->Load(LoadStorageFromXML("<w/>"));
    EXPECT_EQ(Attributes(Saved(*copy)), "type=prop_widget;id=;");
    EXPECT_EQ(copy->secret_, "") << "a property without a key is left alone by loads";
}

TEST_F(PropertyTable, NarrowMembersWrapOnLoadAsTheReadersDo) {
    Ref<TPropWidget> widget = CreateObject<TPropWidget>();
    widget->Load(LoadStorageFromXML(R"(<w level="300" color="-1" width="$FFFFFFFF"/>)"));
    EXPECT_EQ(widget->level_, 44);
    EXPECT_EQ(widget->color_, 0xFFFFFFFFu);
    EXPECT_EQ(widget->width_, -1);
}

TEST_F(PropertyTable, DerivedEntryReplacesTheBaseOneInItsPlace) {
    Ref<TPropPanel> panel = CreateObject<TPropPanel>();
    panel->width_ = 10;  // the base default, not this class's
    panel->left_ = 1;
    panel->depth_ = 2;
    EXPECT_EQ(Attributes(Saved(*panel)), "type=prop_panel;id=;width=10;left=101;depth=2;")
        << "width keeps its place; depth comes after the base entries";

    panel->Load(LoadStorageFromXML("<w/>"));
    EXPECT_EQ(panel->width_, 20);
    EXPECT_EQ(panel->depth_, 1);
    EXPECT_EQ(panel->GetProperty("left"), Variant(100.0)) << "the virtual getter answers";
    panel->SetProperty("depth", Variant(int32_t{4}));
    EXPECT_EQ(panel->depth_, 4);

    // The base class's table is untouched.
    EXPECT_EQ(TPropWidget::Table().Find("depth"), nullptr);
    EXPECT_EQ(TPropPanel::Table().Entries().size(), TPropWidget::Table().Entries().size() + 3);
    Ref<TPropWidget> widget = CreateObject<TPropWidget>();
    widget->Load(LoadStorageFromXML("<w/>"));
    EXPECT_EQ(widget->width_, 10);
}

TEST_F(PropertyTable, FloatMembersKeepToTheirRangeAndPrecision) {
    Ref<TPropPanel> panel = CreateObject<TPropPanel>();
    panel->SetProperty("ratio", Variant(0.1));
    EXPECT_EQ(panel->GetProperty("ratio"), Variant(0.1f));
    EXPECT_NE(Attributes(Saved(*panel)).find("ratio=0.1;"), std::string::npos)
        << "written with a float's digits, not 0.100000001490116";
    panel->SetProperty("ratio", Variant(-1e300));
    EXPECT_EQ(panel->ratio_, -std::numeric_limits<float>::max());
    panel->Load(LoadStorageFromXML(R"(<w ratio="1e39"/>)"));
    EXPECT_EQ(panel->ratio_, std::numeric_limits<float>::max());
}

TEST_F(PropertyTable, AssignCopiesTheSharedAssignableEntries) {
    Ref<TPropWidget> widget = CreateObject<TPropWidget>();
    widget->SetName("orig");
    widget->width_ = 33;
    widget->hint_ = "h";
    widget->secret_ = "s";
    widget->scratch_ = 7;  // NoAssign
    widget->age_ = 3;      // custom: never copied
    widget->left_ = 4;
    Ref<INamedObject> clone = widget->Clone();
    auto* copy = dynamic_cast<TPropWidget*>(clone.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetName(), "orig");
    EXPECT_EQ(copy->width_, 33);
    EXPECT_EQ(copy->hint_, "h");
    EXPECT_EQ(copy->secret_, "s");
    EXPECT_EQ(copy->left_, 4);
    EXPECT_EQ(copy->scratch_, 0);
    EXPECT_EQ(copy->age_, 0);

    // Between classes only the entries both tables hold are copied: the
    // panel's "width" is its own, so the widget's stays out of it.
    Ref<TPropPanel> panel = CreateObject<TPropPanel>();
    widget->AssignTo(*panel);
    EXPECT_EQ(panel->hint_, "h");
    EXPECT_EQ(panel->width_, 10);
    EXPECT_EQ(panel->GetTypeName(), "prop_widget") << "the persistence fields go along";
}

TEST_F(PropertyTable, ValueThatDoesNotConvertIsLoggedWithItsNode) {
    dir_.Write("data/screen.xml",
               R"(<screen><widgets><w width="12"/><w width="wide" color="red" hint=""/>)"
               R"(<w currenttime="soon" kind="" visible="Yes"/></widgets></screen>)");
    Ref<IHierStorage> root = LoadStorageFromFile("data/screen.xml");
    ASSERT_TRUE(root);
    Ref<IHierStorage> widgets = root->GetChild("widgets", 0);

    TLogCapture log;
    Ref<TPropWidget> first = CreateObject<TPropWidget>();
    first->Load(widgets->GetChild("w", 0));
    EXPECT_TRUE(log.Lines().empty());

    Ref<TPropWidget> second = CreateObject<TPropWidget>();
    second->width_ = 5;
    second->Load(widgets->GetChild("w", 1));
    EXPECT_EQ(second->width_, 10) << "the default";
    EXPECT_EQ(second->color_, 0xFF000000u);
    ASSERT_EQ(log.Lines().size(), 2u);
    EXPECT_TRUE(log.Has({"data/screen.xml: /screen/widgets/w[2]", "\"width\"", "\"wide\""}));
    EXPECT_TRUE(log.Has({"/screen/widgets/w[2]", "\"color\"", "\"red\"", "a colour"}));

    log.Clear();
    Ref<TPropWidget> third = CreateObject<TPropWidget>();
    third->Load(widgets->GetChild("w", 2));
    EXPECT_EQ(third->start_, 0);
    EXPECT_TRUE(third->visible_);
    ASSERT_EQ(log.Lines().size(), 2u) << "an empty list entry is no value, and silent";
    EXPECT_TRUE(log.Has({"/screen/widgets/w[3]", "\"currenttime\" (property \"start\")", "soon"}));
    EXPECT_TRUE(log.Has({"/screen/widgets/w[3]", "\"visible\"", "\"Yes\""}));
}

TEST_F(PropertyTable, LookingUpAPropertyAllocatesNothing) {
    Ref<TPropPanel> panel = CreateObject<TPropPanel>();
    const std::string width = "width";
    const std::string left = "left";
    // Too long for a string's inner buffer: a copy of it would allocate.
    const std::string limit = "frames_per_second_limit";
    const Variant five(int32_t{5});
    panel->GetProperty(width);  // warm up
    const long before = g_allocations;
    for (int i = 0; i < 100; ++i) {
        panel->SetProperty(width, five);
        panel->SetProperty(left, five);
        panel->SetProperty(limit, five);
        g_sink = panel->GetProperty(limit).ToInt() + panel->GetProperty(left).ToInt();
    }
    EXPECT_EQ(g_allocations - before, 0);
    EXPECT_EQ(panel->width_, 5);
    EXPECT_EQ(panel->fpsLimit_, 5);
    // The counter does see allocations.
    void* volatile block = ::operator new(16);
    ::operator delete(block);
    EXPECT_EQ(g_allocations - before, 1);
}

TEST_F(PropertyTable, TemplateObjectSavesItsDefaultsWhereTheTemplateDiffers) {
    dir_.Write("tmpl.xml",
               R"(<w type="prop_widget" width="30" tooltip="from template" kind="png"/>)");
    Ref<TPropWidget> widget = CreateObject<TPropWidget>();
    widget->Load(
        LoadStorageFromXML(R"(<w template="yes" _outstorage="\file=tmpl.xml" scale="2"/>)"));
    EXPECT_EQ(widget->width_, 30);
    EXPECT_EQ(widget->hint_, "from template");
    EXPECT_EQ(widget->kind_, kPng);
    EXPECT_EQ(widget->scale_, 2.0);

    widget->width_ = 10;  // the class default, which the template does not hold
    Ref<IHierStorage> node = Saved(*widget);
    // Every value that differs from the template's text, defaults included.
    EXPECT_EQ(Attributes(node),
              "width=10;scale=2;visible=yes;color=$FF000000;level=255;currenttime=0;scratch=0;"
              "left=0;template=yes;_outstorage=\\file=tmpl.xml;");

    // Read back, the node's own "10" wins over the template's "30".
    Ref<TPropWidget> back = CreateObject<TPropWidget>();
    back->Load(LoadStorageFromXML(Xml(node)));
    EXPECT_EQ(back->width_, 10);
    EXPECT_EQ(back->hint_, "from template");
}

}  // namespace
