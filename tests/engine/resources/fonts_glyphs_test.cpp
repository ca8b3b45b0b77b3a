#include <gtest/gtest.h>

#include "core/persist/EngineGeneralClasses.h"
#include "core/storage/XMLStorage.h"
#include "engine/resources/EngineImages.h"
#include "tests/engine/resources/ImageFixtures.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

namespace {

using fixtures::TTestOwner;

// Glyphs of the small fixture font: "A" (65) at 5,0 10 x 7 with w values,
// "B" (66) at 0,2 4 x 9, "-" (45) 3 x 1 at 0,0, one with a code that is no
// number and one without any.
constexpr const char* kFontEntry =
    R"(<resource type="FontResource" name="main" file="font.png" format="png" %LAZY%>)"
    R"(<symbols>)"
    R"(<symbol scancode="65" left="5" width="10" height="7" wleft="-1" wright="2"/>)"
    R"(<symbol scancode="66" top="2" width="4" height="9"/>)"
    R"(<symbol scancode="45" width="3" height="1"/>)"
    R"(<symbol scancode="x1" left="1" top="1" width="20" height="30" wleft="4"/>)"
    R"(<symbol left="2" width="2" height="40"/>)"
    R"(</symbols></resource>)";

std::string FontEntry(const std::string& name, const std::string& file, const std::string& glyphs,
                      bool lazy = false) {
    return R"(<resource type="FontResource" name=")" + name + R"(" file=")" + file +
           R"(" format="png")" + (lazy ? R"( loadbydemand="yes")" : "") + "><symbols>" + glyphs +
           "</symbols></resource>";
}

class FontsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!FindRegisteredClass("ImageResource")) RegisterResourceClasses();
        dir.Write("font.png", fixtures::EncodeRgbaPng(16, 12, [](int, int) { return ~0u; }));
        dir.Write("second.png", fixtures::EncodeRgbaPng(7, 5, [](int, int) { return ~0u; }));
        owner = MakeRef<TTestOwner>(dir.Path().string());
        resources = CreateObject<TResourceCollection>();
        owner->resources = resources;
    }
    void TearDown() override {
        resources->RemoveGroup("");
        owner->resources = nullptr;
    }

    Ref<IResourceSlave> Attach(const std::string& element) {
        return fixtures::AttachEntry(owner, resources, element, "fonts");
    }
    Ref<TFontResource> MainFont(bool lazy) {
        std::string entry = kFontEntry;
        entry.replace(entry.find("%LAZY%"), 6, lazy ? R"(loadbydemand="yes")" : "");
        return Query<TFontResource>(Attach(entry));
    }

    TLogCapture log;
    TTempDir dir{"fonts"};
    Ref<TTestOwner> owner;
    Ref<TResourceCollection> resources;
};

TEST_F(FontsTest, GlyphsAreFoundByTheDecimalCodeOfTheFirstCharacter) {
    Ref<TFontResource> font = MainFont(false);
    ASSERT_TRUE(font);
    Ref<ISymbol> a = font->GetSymbol(u"A");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->GetName(), "65");
    EXPECT_EQ(a->GetScanCode(), 65);
    EXPECT_EQ(a->GetRect(), (TRect{5, 0, 15, 7}));
    EXPECT_EQ(a->GetWidth(), 10);
    EXPECT_EQ(a->GetHeight(), 7);
    EXPECT_EQ(a->GetWLeft(), -1);
    EXPECT_EQ(a->GetWRight(), 2);

    EXPECT_EQ(font->GetSymbol(u"AB"), a);
    ASSERT_TRUE(font->GetSymbol(u"B"));
    EXPECT_EQ(font->GetSymbol(u"B")->GetRect(), (TRect{0, 2, 4, 11}));
    EXPECT_EQ(font->GetSymbol(u"-")->GetRect(), (TRect{0, 0, 3, 1}));
    EXPECT_EQ(font->GetSymbolByCode(u'B'), font->GetSymbol(u"B"));
    EXPECT_FALSE(font->GetSymbol(u""));
    EXPECT_FALSE(font->GetSymbol(u"C"));
    // A code unit above the ASCII range is looked up by its decimal text too.
    EXPECT_FALSE(font->GetSymbol(u"\u20AC"));

    // The image is the font's surface.
    ASSERT_TRUE(font->GetSurface());
    EXPECT_EQ(font->GetWidth(), 16);
}

TEST_F(FontsTest, GlyphWithoutANumericCodeKeepsAnEmptyRectangle) {
    TLogCapture log;
    Ref<TFontResource> font = MainFont(false);
    // Reported once, with the glyph's place; the glyph without a code is not.
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_TRUE(log.Has({"/resource/symbols/symbol[4]", "\"scancode\"", "\"x1\""}))
        << log.Lines()[0];
    Ref<ISymbol> odd = font->Symbols()->Find(Variant("x1"));
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->GetRect(), TRect{});
    EXPECT_EQ(odd->GetWLeft(), 0);
    EXPECT_EQ(odd->GetScanCode(), 0);
    // The one without "scancode" is named "" and is empty too.
    Ref<ISymbol> unnamed = font->Symbols()->Find(Variant(int32_t{4}));
    ASSERT_TRUE(unnamed);
    EXPECT_EQ(unnamed->GetName(), "");
    EXPECT_EQ(unnamed->GetHeight(), 0);
    EXPECT_EQ(font->Symbols()->GetCount(), 5);
}

TEST_F(FontsTest, HeightIsTheTallestGlyphAndNeedsNoDecoding) {
    Ref<TFontResource> font = MainFont(true);
    // 9 from "B": the malformed glyphs count with their empty rectangles.
    EXPECT_EQ(font->GetFontHeight(), 9);
    EXPECT_TRUE(font->GetSymbol(u"A"));
    EXPECT_EQ(owner->opens, 0);

    Ref<IResourceSlave> empty = Attach(FontEntry("empty", "font.png", ""));
    EXPECT_EQ(Query<IFontResource>(empty)->GetFontHeight(), 0);
}

TEST_F(FontsTest, GlyphTableOutlivesUnload) {
    Ref<TFontResource> font = MainFont(false);
    ASSERT_TRUE(font->GetSurface());
    font->Unload();
    EXPECT_FALSE(font->IsDecoded());
    EXPECT_TRUE(font->GetSymbol(u"A"));
    EXPECT_EQ(font->GetFontHeight(), 9);
    EXPECT_TRUE(font->GetSurface());  // decodes again
}

TEST_F(FontsTest, FontWithoutPictureStillAnswersGlyphs) {
    Ref<IResourceSlave> font = Attach(
        FontEntry("broken", "missing.png", R"(<symbol scancode="65" width="2" height="3"/>)"));
    Ref<IFontResource> f = Query<IFontResource>(font);
    EXPECT_FALSE(f->GetSurface());
    EXPECT_TRUE(f->GetSymbol(u"A"));
    EXPECT_EQ(f->GetFontHeight(), 3);
}

TEST_F(FontsTest, GlyphsSaveTheirKeys) {
    Ref<TFontResource> font = MainFont(false);
    Ref<IHierStorage> saved = Query<IHierStorage>(CreateStorage("resource"));
    font->Save(saved);
    EXPECT_EQ(ReadString(saved, "type", ""), "FontResource");
    EXPECT_EQ(ReadString(saved, "format", ""), "png");
    Ref<IHierStorage> symbols = saved->GetChild("symbols", 0);
    ASSERT_TRUE(symbols);
    ASSERT_EQ(symbols->GetChildCount("symbol"), 5);
    Ref<IHierStorage> a = symbols->GetChild("symbol", 0);
    EXPECT_EQ(ReadString(a, "scancode", ""), "65");
    EXPECT_EQ(ReadString(a, "left", ""), "5");
    EXPECT_EQ(ReadString(a, "top", "absent"), "absent");  // 0 is not written
    EXPECT_EQ(ReadString(a, "width", ""), "10");
    EXPECT_EQ(ReadString(a, "height", ""), "7");
    EXPECT_EQ(ReadString(a, "wleft", ""), "-1");
    Ref<IHierStorage> b = symbols->GetChild("symbol", 1);
    EXPECT_EQ(ReadString(b, "left", "absent"), "absent");
    EXPECT_EQ(ReadString(b, "wright", "absent"), "absent");

    // Loaded back, the same glyphs and height.
    Ref<TFontResource> copy = CreateObject<TFontResource>();
    copy->Load(saved);
    ASSERT_TRUE(copy->GetSymbol(u"B"));
    EXPECT_EQ(copy->GetSymbol(u"B")->GetRect(), (TRect{0, 2, 4, 11}));
    EXPECT_EQ(copy->GetSymbol(u"A")->GetWRight(), 2);
    EXPECT_EQ(copy->GetFontHeight(), 9);
}

// ---------------------------------------------------------------------------
// Substitute fonts

class SubstituteFontTest : public FontsTest {
protected:
    void SetUp() override {
        FontsTest::SetUp();
        first = Query<IFontResource>(Attach(
            FontEntry("first", "font.png", R"(<symbol scancode="65" width="4" height="6"/>)")));
        second = Query<IFontResource>(Attach(FontEntry(
            "second", "second.png",
            R"(<symbol scancode="65" width="5" height="5"/><symbol scancode="66" width="3" height="8"/>)")));
        Attach(R"(<resource type="ImageResource" name="picture" file="font.png" format="png"/>)");
    }
    Ref<TFontSubstituteResource> Substitute(const std::string& name, const std::string& fonts) {
        return Query<TFontSubstituteResource>(
            Attach(R"(<resource type="FontSubstituteResource" name=")" + name + R"(" fonts=")" +
                   fonts + R"("/>)"));
    }

    Ref<IFontResource> first, second;
};

TEST_F(SubstituteFontTest, AnswersFromTheFirstFontThatHasTheGlyph) {
    Ref<TFontSubstituteResource> chain = Substitute("chain", " first , ,picture,nothing,second");
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->FontCount(), 2);  // the picture and the unknown name are skipped
    EXPECT_EQ(log.Lines(),
              (std::vector<std::string>{
                  "FONT: The font list of \"chain\" names \"picture\", which is no font; it is "
                  "skipped.",
                  "FONT: The font list of \"chain\" names \"nothing\", which is no font; it is "
                  "skipped."}));
    // No lookup yet: no current font.
    EXPECT_FALSE(chain->GetSurface());
    EXPECT_EQ(chain->GetWidth(), 0);

    EXPECT_EQ(chain->GetSymbol(u"A"), first->GetSymbol(u"A"));
    EXPECT_EQ(chain->GetSurface(), first->GetSurface());
    EXPECT_EQ(chain->GetWidth(), 16);

    // Only the second font has "B": its glyph and then its surface.
    Ref<ISymbol> b = chain->GetSymbol(u"B");
    ASSERT_TRUE(b);
    EXPECT_EQ(b, second->GetSymbol(u"B"));
    ASSERT_TRUE(chain->GetSurface());
    EXPECT_EQ(chain->GetSurface(), second->GetSurface());
    EXPECT_EQ(chain->GetWidth(), 7);
    EXPECT_EQ(chain->GetHeight(), 5);

    // Missing everywhere: none, and the last font is current.
    EXPECT_EQ(chain->GetSymbol(u"A"), first->GetSymbol(u"A"));
    EXPECT_FALSE(chain->GetSymbol(u"Z"));
    EXPECT_EQ(chain->GetSurface(), second->GetSurface());

    EXPECT_EQ(chain->GetFontHeight(), 8);
    EXPECT_EQ(chain->GetFontHeight(), std::max(first->GetFontHeight(), second->GetFontHeight()));
}

TEST_F(SubstituteFontTest, UnregisteredNamesLeaveAnEmptyChain) {
    Ref<TFontSubstituteResource> chain = Substitute("early", "later1,later2");
    EXPECT_EQ(chain->FontCount(), 0);
    EXPECT_FALSE(chain->GetSymbol(u"A"));
    EXPECT_FALSE(chain->GetSurface());
    EXPECT_EQ(chain->GetHeight(), 0);
    EXPECT_EQ(chain->GetFontHeight(), 0);

    Ref<TFontSubstituteResource> none = Substitute("none", "");
    EXPECT_EQ(none->FontCount(), 0);
}

TEST_F(SubstituteFontTest, DetachEmptiesTheChain) {
    Ref<TFontSubstituteResource> chain = Substitute("chain", "second");
    ASSERT_TRUE(chain->GetSymbol(u"B"));
    resources->RemoveGroup("fonts");
    EXPECT_EQ(chain->FontCount(), 0);
    EXPECT_FALSE(chain->GetSymbol(u"B"));
    EXPECT_FALSE(chain->GetSurface());
}

TEST_F(SubstituteFontTest, ChainsThatReachThemselvesEnd) {
    // "loop1" is attached before "loop2" exists; attached again later, the
    // two list each other.
    Ref<TFontSubstituteResource> loop1 = Substitute("loop1", "loop2,loop1");
    Ref<TFontSubstituteResource> loop2 = Substitute("loop2", "loop1,second");
    loop1->SetOwner(owner);
    ASSERT_EQ(loop1->FontCount(), 1);  // itself is never listed
    ASSERT_EQ(loop2->FontCount(), 2);
    EXPECT_FALSE(loop1->GetSymbol(u"Z"));
    EXPECT_EQ(loop2->GetSymbol(u"B"), second->GetSymbol(u"B"));
    EXPECT_EQ(loop1->GetSymbol(u"B"), second->GetSymbol(u"B"));
    EXPECT_EQ(loop1->GetFontHeight(), 8);
}

TEST_F(SubstituteFontTest, FontsKeySavesOnlyWhenSet) {
    Ref<TFontSubstituteResource> chain = Substitute("chain", "first,second");
    Ref<IHierStorage> saved = Query<IHierStorage>(CreateStorage("resource"));
    chain->Save(saved);
    EXPECT_EQ(ReadString(saved, "fonts", ""), "first,second");
    EXPECT_EQ(ReadString(saved, "type", ""), "FontSubstituteResource");
    Ref<IHierStorage> empty = Query<IHierStorage>(CreateStorage("resource"));
    CreateObject<TFontSubstituteResource>()->Save(empty);
    EXPECT_EQ(ReadString(empty, "fonts", "absent"), "absent");
}

}  // namespace
