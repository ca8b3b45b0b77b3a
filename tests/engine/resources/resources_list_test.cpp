#include <gtest/gtest.h>

#include "core/persist/EngineGeneralClasses.h"
#include "core/storage/XMLStorage.h"
#include "engine/resources/EngineImages.h"
#include "engine/resources/EngineResources.h"
#include "tests/engine/resources/ImageFixtures.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

namespace {

using fixtures::TTestOwner;

void EnsureResourceClasses() {
    if (!FindRegisteredClass("ImageResource")) RegisterResourceClasses();
}

// A persistent object that is no resource.
class TPlainObject : public TPersistObject {};

class ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureResourceClasses();
        // Three small pictures, told apart by their sizes.
        dir.Write("a.png", fixtures::EncodeRgbaPng(2, 1, [](int, int) { return 0xFF102030u; }));
        dir.Write("b.png", fixtures::EncodeRgbaPng(3, 1, [](int, int) { return 0xFF405060u; }));
        dir.Write("c.png", fixtures::EncodeRgbaPng(4, 1, [](int, int) { return 0xFF708090u; }));
        owner = MakeRef<TTestOwner>(dir.Path().string());
        resources = CreateObject<TResourceCollection>();
        owner->resources = resources;
    }
    void TearDown() override {
        resources->RemoveGroup("");
        owner->resources = nullptr;
    }

    Ref<IResourceSlave> Attach(const std::string& element, const std::string& group) {
        return fixtures::AttachEntry(owner, resources, element, group);
    }

    static TImageResource& Image(const Ref<IResource>& resource) {
        return dynamic_cast<TImageResource&>(*resource);
    }

    TTempDir dir{"resources"};
    Ref<TTestOwner> owner;
    Ref<TResourceCollection> resources;
    TLogCapture log;
};

TEST_F(ResourcesTest, RegisteredNamesCreateTheirClasses) {
    EXPECT_EQ(FindRegisteredClass("ImageResource"), ClassOf<TImageResource>());
    EXPECT_EQ(FindRegisteredClass("FontResource"), ClassOf<TFontResource>());
    EXPECT_EQ(FindRegisteredClass("FontSubstituteResource"), ClassOf<TFontSubstituteResource>());

    Ref<IResourceSlave> image = CreateResourceByType("imageresource", "logo");
    ASSERT_TRUE(image);
    EXPECT_TRUE(Query<TImageResource>(image));
    EXPECT_EQ(image->GetName(), "logo");
    EXPECT_TRUE(Query<IFontResource>(CreateResourceByType("FontResource", "f")));
    EXPECT_TRUE(Query<IFontResource>(CreateResourceByType("FontSubstituteResource", "s")));

    Ref<IResourceSlave> unnamed = CreateResourceByType("ImageResource", "");
    ASSERT_TRUE(unnamed);
    EXPECT_EQ(unnamed->GetName(), "");

    EXPECT_FALSE(CreateResourceByType("NoSuchResource", "x"));
    EXPECT_FALSE(CreateResourceByType("", "x"));
    if (!FindRegisteredClass("TestPlainPersistObject"))
        RegisterObjectClass(ClassOf<TPlainObject>(), "TestPlainPersistObject");
    EXPECT_FALSE(CreateResourceByType("TestPlainPersistObject", "x"));
}

TEST_F(ResourcesTest, ResourceKeysLoadAndSave) {
    Ref<TImageResource> image = CreateObject<TImageResource>();
    EXPECT_EQ(image->GetNodeName(), "resource");
    image->Load(LoadStorageFromXML(
        R"(<resource name="pic" file="img/a.png" loadbydemand="yes" format="jpng"/>)"));
    EXPECT_EQ(image->GetName(), "pic");
    EXPECT_EQ(image->GetFileName(), "img/a.png");
    EXPECT_TRUE(image->NeedsLoad());
    EXPECT_EQ(image->GetFormat(), kImageFormatJpng);
    image->SetGroupName("menu");

    Ref<IHierStorage> saved = Query<IHierStorage>(CreateStorage("resource"));
    image->Save(saved);
    EXPECT_EQ(ReadString(saved, "name", "?"), "pic");
    EXPECT_EQ(ReadString(saved, "type", "?"), "ImageResource");
    EXPECT_EQ(ReadString(saved, "file", "?"), "img/a.png");
    EXPECT_EQ(ReadString(saved, "loadbydemand", "?"), "yes");
    EXPECT_EQ(ReadString(saved, "format", "?"), "jpng");
    // The group belongs to the load, never to the data.
    EXPECT_EQ(saved->GetValueCount(), 5);

    // Defaults: no "loadbydemand" and no "format" written; "file" always.
    Ref<TImageResource> plain = CreateObject<TImageResource>();
    plain->Load(LoadStorageFromXML(R"(<resource name="p"/>)"));
    EXPECT_FALSE(plain->NeedsLoad());
    EXPECT_EQ(plain->GetFormat(), kImageFormatUnknown);
    Ref<IHierStorage> savedPlain = Query<IHierStorage>(CreateStorage("resource"));
    plain->Save(savedPlain);
    EXPECT_EQ(ReadString(savedPlain, "file", "?"), "");
    EXPECT_EQ(ReadString(savedPlain, "loadbydemand", "?"), "?");
    EXPECT_EQ(ReadString(savedPlain, "format", "?"), "?");
}

TEST_F(ResourcesTest, DuplicateNameKeepsTheFirst) {
    Ref<IResourceSlave> first =
        Attach(R"(<resource type="ImageResource" name="pic" format="png" file="a.png"/>)", "g");
    Ref<IResourceSlave> second =
        Attach(R"(<resource type="ImageResource" name="pic" format="png" file="b.png"/>)", "g");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(resources->GetCount(), 1);
    EXPECT_EQ(resources->Find(Variant("pic")), first);
    EXPECT_EQ(Query<IImageResource>(resources->Find(Variant("pic")))->GetWidth(), 2);
    // The refused one gave back what it had decoded and let go of the owner.
    EXPECT_FALSE(Image(second).IsDecoded());
    EXPECT_EQ(Image(second).Owner(), nullptr);
    EXPECT_FALSE(Image(second).GetSurface());
    // The kept one is untouched.
    EXPECT_TRUE(Image(first).GetSurface());
    EXPECT_EQ(Image(first).Owner(), owner.get());
}

TEST_F(ResourcesTest, NameDifferingInCaseIsTheSameResource) {
    Ref<IResourceSlave> first =
        Attach(R"(<resource type="ImageResource" name="Logo" format="png" file="a.png"/>)", "g");
    Ref<IResourceSlave> second =
        Attach(R"(<resource type="ImageResource" name="LOGO" format="png" file="b.png"/>)", "g");
    EXPECT_EQ(resources->GetCount(), 1);
    EXPECT_EQ(resources->Find(Variant("logo")), first);
    EXPECT_EQ(owner->GetResource("lOgO"), first);
    EXPECT_FALSE(Image(second).GetSurface());
    EXPECT_EQ(Image(second).Owner(), nullptr);
    // The collection kept no reference to it.
    EXPECT_EQ(second->RefCount(), 1);
}

TEST_F(ResourcesTest, AddingTheSameResourceTwiceKeepsItAttached) {
    Ref<IResourceSlave> image =
        Attach(R"(<resource type="ImageResource" name="pic" format="png" file="a.png"/>)", "g");
    resources->Add(image);
    resources->Add(nullptr);
    EXPECT_EQ(resources->GetCount(), 1);
    EXPECT_TRUE(Image(image).GetSurface());
    EXPECT_EQ(Image(image).Owner(), owner.get());
}

TEST_F(ResourcesTest, FindByIndexAndName) {
    Attach(R"(<resource type="ImageResource" name="one" format="png" file="a.png"/>)", "g");
    Attach(R"(<resource type="ImageResource" name="two" format="png" file="b.png"/>)", "g");
    ASSERT_TRUE(resources->Find(Variant(int32_t{1})));
    EXPECT_EQ(resources->Find(Variant(int32_t{1}))->GetName(), "two");
    EXPECT_EQ(resources->Find(Variant("ONE"))->GetName(), "one");
    EXPECT_FALSE(resources->Find(Variant(int32_t{2})));
    EXPECT_FALSE(resources->Find(Variant("three")));
    EXPECT_FALSE(resources->Find(Variant()));
}

TEST_F(ResourcesTest, RemoveGroupUnloadsExactlyItsResources) {
    Ref<IResourceSlave> a1 =
        Attach(R"(<resource type="ImageResource" name="a1" format="png" file="a.png"/>)", "menu");
    Ref<IResourceSlave> b1 =
        Attach(R"(<resource type="ImageResource" name="b1" format="png" file="b.png"/>)", "level");
    Ref<IResourceSlave> a2 =
        Attach(R"(<resource type="ImageResource" name="a2" format="png" file="c.png"/>)", "menu");
    ASSERT_EQ(resources->GetCount(), 3);

    resources->RemoveGroup("MENU");  // group names compare exactly
    EXPECT_EQ(resources->GetCount(), 3);

    resources->RemoveGroup("menu");
    EXPECT_EQ(resources->GetCount(), 1);
    EXPECT_EQ(resources->Find(Variant(int32_t{0})), b1);
    for (const auto& gone : {a1, a2}) {
        EXPECT_FALSE(Image(gone).IsDecoded());
        EXPECT_EQ(Image(gone).Owner(), nullptr);
        EXPECT_TRUE(Image(gone).NeedsLoad());
    }
    EXPECT_TRUE(Image(b1).GetSurface());
    EXPECT_EQ(Image(b1).Owner(), owner.get());

    resources->RemoveGroup("");
    EXPECT_EQ(resources->GetCount(), 0);
    EXPECT_EQ(Image(b1).Owner(), nullptr);
    // Only our references are left: the collection let go of every one.
    EXPECT_EQ(a1->RefCount(), 1);
    EXPECT_EQ(b1->RefCount(), 1);
}

TEST_F(ResourcesTest, TheOwnerLinkHoldsNoCount) {
    const int32_t before = owner->RefCount();
    Ref<IResourceSlave> image =
        Attach(R"(<resource type="ImageResource" name="pic" format="png" file="a.png"/>)", "g");
    ASSERT_TRUE(image);
    EXPECT_EQ(Image(image).Owner(), owner.get());
    EXPECT_EQ(owner->RefCount(), before);

    // An owner that goes first leaves its resources without one, not with a
    // dangling link: unloading and loading again then reach nothing.
    Ref<TTestOwner> shortLived = MakeRef<TTestOwner>(dir.Path().string());
    Ref<IResourceSlave> orphan = CreateResourceByType("ImageResource", "orphan");
    LoadPersistObject(orphan, LoadStorageFromXML(R"(<resource format="png" file="b.png"/>)"));
    orphan->SetOwner(shortLived);
    EXPECT_TRUE(Image(orphan).GetSurface());
    shortLived.reset();
    EXPECT_EQ(Image(orphan).Owner(), nullptr);
    orphan->Unload();
    orphan->Load();
    EXPECT_FALSE(Image(orphan).GetSurface());
    orphan->Detach();
}

TEST_F(ResourcesTest, LoadByDemandDecodesOnFirstUseAndAfterUnload) {
    Ref<IResourceSlave> resource = Attach(
        R"(<resource type="ImageResource" name="lazy" format="png" file="b.png" loadbydemand="yes"/>)",
        "g");
    Ref<IImageResource> image = Query<IImageResource>(resource);
    EXPECT_EQ(owner->opens, 0);
    EXPECT_FALSE(Image(resource).IsDecoded());

    EXPECT_EQ(image->GetWidth(), 3);
    EXPECT_EQ(owner->opens, 1);
    EXPECT_EQ(image->GetHeight(), 1);
    Ref<ISurface> first = image->GetSurface();
    ASSERT_TRUE(first);
    EXPECT_EQ(owner->opens, 1);
    // Another Load without Unload does not decode again.
    image->Load();
    EXPECT_EQ(owner->opens, 1);
    EXPECT_EQ(image->GetSurface(), first);

    image->Unload();
    EXPECT_TRUE(Image(resource).NeedsLoad());
    EXPECT_FALSE(Image(resource).IsDecoded());
    EXPECT_EQ(owner->opens, 1);

    Ref<ISurface> second = image->GetSurface();
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    EXPECT_EQ(owner->opens, 2);
    EXPECT_EQ(image->GetWidth(), 3);
}

TEST_F(ResourcesTest, WithoutLoadByDemandTheImageDecodesWhenAttached) {
    Ref<IResourceSlave> resource =
        Attach(R"(<resource type="ImageResource" name="now" format="png" file="c.png"/>)", "g");
    EXPECT_EQ(owner->opens, 1);
    EXPECT_TRUE(Image(resource).IsDecoded());
    EXPECT_EQ(Query<IImageResource>(resource)->GetWidth(), 4);
    EXPECT_EQ(owner->opens, 1);
}

TEST_F(ResourcesTest, CollectionLoadsItemsByType) {
    // As a persistent collection: every child element is an item (no item
    // element name), created from its "type"; unknown types are skipped.
    Ref<IHierStorage> node = LoadStorageFromXML(
        R"(<resources><resource type="ImageResource" name="x" file="a.png" format="png"/>)"
        R"(<resource type="Unknown" name="y"/>)"
        R"(<resource type="ImageResource" name="X" file="b.png"/>)"
        R"(<other type="FontResource" name="z"/></resources>)");
    Ref<TResourceCollection> loaded = CreateObject<TResourceCollection>();
    loaded->Load(node);
    ASSERT_EQ(loaded->GetCount(), 2);
    EXPECT_EQ(loaded->Find(Variant("x"))->GetFileName(), "a.png");
    EXPECT_TRUE(Query<IFontResource>(loaded->Find(Variant("z"))));

    // Saved back, each item goes into an element of its own node name.
    Ref<IHierStorage> saved = Query<IHierStorage>(CreateStorage("resources"));
    loaded->Save(saved);
    ASSERT_EQ(saved->GetChildCount("resource"), 2);
    EXPECT_EQ(ReadString(saved->GetChild("resource", 1), "type", ""), "FontResource");
    Ref<TResourceCollection> again = CreateObject<TResourceCollection>();
    again->Load(saved);
    EXPECT_EQ(again->GetCount(), 2);
    EXPECT_EQ(again->Find(Variant(int32_t{0}))->GetName(), "x");
}

// ---------------------------------------------------------------------------
// Group resources

class GroupResourceTest : public ResourcesTest {
protected:
    Ref<TGroupResource> MakeGroup() {
        Ref<TGroupResource> group = CreateObject<TGroupResource>();
        group->Load(LoadStorageFromXML(
            R"(<resource name="grp" loadbydemand="yes"><resources>)"
            R"(<resource type="ImageResource" name="m1" format="png" file="a.png"/>)"
            R"(<resource type="ImageResource" name="m2" format="png" file="b.png" loadbydemand="yes"/>)"
            R"(<resource type="Bogus" name="m3"/>)"
            R"(</resources></resource>)"));
        return group;
    }
    TImageResource& Member(const Ref<TGroupResource>& group, const char* name) {
        return Image(group->Members()->Find(Variant(name)));
    }
};

TEST_F(GroupResourceTest, MembersLoadWhenTheGroupGetsItsOwner) {
    Ref<TGroupResource> group = MakeGroup();
    ASSERT_EQ(group->Members()->GetCount(), 2);
    EXPECT_EQ(owner->opens, 0);

    group->SetOwner(owner);
    // Each member by its own "loadbydemand"; the group's own plays no part.
    EXPECT_TRUE(Member(group, "m1").IsDecoded());
    EXPECT_FALSE(Member(group, "m2").IsDecoded());
    EXPECT_EQ(owner->opens, 1);
    EXPECT_EQ(Member(group, "m2").Owner(), owner.get());
    EXPECT_EQ(group->Owner(), owner.get());
    // Members get no group name.
    EXPECT_EQ(Member(group, "m1").GetGroupName(), "");

    group->Unload();
    EXPECT_TRUE(group->NeedsLoad());
    EXPECT_FALSE(Member(group, "m1").IsDecoded());
    EXPECT_TRUE(Member(group, "m1").NeedsLoad());

    group->Load();
    EXPECT_FALSE(group->NeedsLoad());
    EXPECT_TRUE(Member(group, "m1").IsDecoded());
    EXPECT_TRUE(Member(group, "m2").IsDecoded());

    Ref<IResource> m1 = group->Members()->Find(Variant("m1"));
    group->Detach();
    EXPECT_EQ(group->Owner(), nullptr);
    EXPECT_EQ(group->Members()->GetCount(), 0);
    EXPECT_EQ(Image(m1).Owner(), nullptr);
    EXPECT_FALSE(Image(m1).IsDecoded());
    // Calls after Detach stay harmless.
    group->Load();
    group->Unload();
}

TEST_F(GroupResourceTest, SavesMembersFirstAndLoadsThemBack) {
    Ref<TGroupResource> group = MakeGroup();
    Ref<IHierStorage> saved = Query<IHierStorage>(CreateStorage("resource"));
    group->Save(saved);
    EXPECT_EQ(ReadString(saved, "loadbydemand", ""), "yes");
    Ref<IHierStorage> members = saved->GetChild("resources", 0);
    ASSERT_TRUE(members);
    ASSERT_EQ(members->GetChildCount("resource"), 2);
    EXPECT_EQ(ReadString(members->GetChild("resource", 1), "name", ""), "m2");
    EXPECT_EQ(ReadString(members->GetChild("resource", 1), "loadbydemand", ""), "yes");

    Ref<TGroupResource> copy = CreateObject<TGroupResource>();
    copy->Load(saved);
    ASSERT_EQ(copy->Members()->GetCount(), 2);
    EXPECT_EQ(copy->Members()->Find(Variant(int32_t{0}))->GetFileName(), "a.png");
    EXPECT_EQ(Member(copy, "m1").GetFormat(), kImageFormatPng);
}

TEST_F(GroupResourceTest, RemovingTheGroupDetachesItsMembers) {
    Ref<IResourceSlave> group = CreateObject<TGroupResource>();
    Query<IPersistObject>(group)->Load(
        LoadStorageFromXML(R"(<resource name="grp"><resources>)"
                           R"(<resource type="ImageResource" name="m1" format="png" file="a.png"/>)"
                           R"(</resources></resource>)"));
    group->SetGroupName("g");
    group->SetOwner(owner);
    resources->Add(group);
    Ref<IResource> m1 = Query<TGroupResource>(group)->Members()->Find(Variant("m1"));
    ASSERT_TRUE(Image(m1).IsDecoded());
    // Members are reached only through the group.
    EXPECT_FALSE(resources->Find(Variant("m1")));

    resources->RemoveGroup("g");
    EXPECT_EQ(resources->GetCount(), 0);
    EXPECT_FALSE(Image(m1).IsDecoded());
    EXPECT_EQ(Image(m1).Owner(), nullptr);
}

}  // namespace
