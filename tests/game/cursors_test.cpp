// The game's cursors: loading and saving, the default cursor, switching by
// name, and the current cursor drawn by the real game.
#include <gtest/gtest.h>

#include <string>

#include "core/storage/XMLStorage.h"
#include "game/Cursors.h"
#include "tests/game/ShellClassesFixture.h"
#include "tests/support/LogCapture.h"

namespace {

using namespace gametest;

constexpr uint32_t kDark = 0xFF101010;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlue = 0xFF0000FF;

Ref<TCursorCollection> LoadCursors(const std::string& xml) {
    const Ref<TCursorCollection> cursors = CreateObject<TCursorCollection>();
    cursors->Load(LoadStorageFromXML(xml));
    return cursors;
}

// Whether the node holds the value at all.
bool Has(const Ref<IHierStorage>& node, const std::string& key) {
    return node->GetValue(key, Variant("(absent)")) != Variant("(absent)");
}

// The element a cursor saves itself into.
Ref<IHierStorage> Saved(const Ref<TCursor>& cursor) {
    const Ref<IHierStorageRoot> document = CreateStorage("cursor");
    EXPECT_TRUE(document->SaveObject(Query<IPersistObject>(cursor)));
    std::string xml;
    EXPECT_TRUE(document->SaveToXML(xml));
    return LoadStorageFromXML(xml);
}

TEST(CursorCollection, TheDefaultIsTheNamedCursorElseTheFirstElseNone) {
    struct TCase {
        const char* xml;
        const char* expected;
    };
    const TCase cases[] = {
        {R"(<cursors default_cursor_name="hand"><cursor name="arrow"/><cursor name="hand"/></cursors>)",
         "hand"},
        {R"(<cursors default_cursor_name="HAND"><cursor name="arrow"/><cursor name="hand"/></cursors>)",
         "HAND"},  // names ignore case; the setting's spelling is answered
        {R"(<cursors default_cursor_name="wait"><cursor name="arrow"/><cursor name="hand"/></cursors>)",
         "arrow"},
        {R"(<cursors><cursor name="arrow"/><cursor name="hand"/></cursors>)", "arrow"},
        {R"(<cursors default_cursor_name="wait"/>)", ""},
        {R"(<cursors/>)", ""},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(LoadCursors(c.xml)->GetDefaultCursorName(), c.expected) << c.xml;
    }
}

TEST(CursorCollection, LoadsHotSpotsAndWidgetsAndSavesTheDefaultNameAlways) {
    TLogCapture log;
    const Ref<TCursorCollection> cursors = LoadCursors(R"(
      <cursors default_cursor_name="hand">
        <cursor name="arrow" hotspotx="3" hotspoty="-4">
          <widget type="qm_game_leaf" name="arrow_leaf" visible="yes" width="4" height="4"/>
        </cursor>
        <cursor name="hand"><widget type="no_such_widget"/></cursor>
        <cursor name="text"><widget type="GameScreen"/></cursor>
      </cursors>)");
    ASSERT_EQ(cursors->GetCount(), 3);
    const Ref<ICursor> arrow = cursors->Find(Variant("arrow"));
    EXPECT_EQ(arrow->GetHotSpot(), (TPoint{3, -4}));
    ASSERT_TRUE(arrow->GetWidget());
    EXPECT_EQ(arrow->GetWidget()->GetName(), "arrow_leaf");
    // Loading keeps the widget as the data has it.
    EXPECT_TRUE(arrow->GetWidget()->GetVisible());
    // An unknown type and an object that is no widget leave no widget.
    EXPECT_FALSE(cursors->Find(Variant("hand"))->GetWidget());
    EXPECT_FALSE(cursors->Find(Variant("text"))->GetWidget());

    cursors->SetDefaultCursorNameSetting("");
    const Ref<IHierStorageRoot> document = CreateStorage("cursors");
    ASSERT_TRUE(document->SaveObject(Query<IPersistObject>(cursors)));
    std::string xml;
    ASSERT_TRUE(document->SaveToXML(xml));
    const Ref<IHierStorage> root = LoadStorageFromXML(xml);
    EXPECT_EQ(root->GetChildCount("cursor"), 3);
    EXPECT_TRUE(Has(root, "default_cursor_name"));
    EXPECT_EQ(ReadString(root, "default_cursor_name", "absent"), "");
    const Ref<TCursorCollection> again = LoadCursors(xml);
    EXPECT_EQ(again->Find(Variant("arrow"))->GetHotSpot(), (TPoint{3, -4}));
    EXPECT_EQ(again->Find(Variant("arrow"))->GetWidget()->GetName(), "arrow_leaf");
}

TEST(Cursor, TheHotSpotIsSavedOnlyWhenItIsNotTheOrigin) {
    struct TCase {
        int32_t x, y;
        bool written;
    };
    for (const TCase& c : {TCase{0, 0, false}, TCase{5, 0, true}, TCase{0, -3, true}}) {
        const Ref<TCursor> cursor = CreateObject<TCursor>();
        cursor->SetName("arrow");
        cursor->SetHotSpot(c.x, c.y);
        const Ref<IHierStorage> node = Saved(cursor);
        const std::string where = std::to_string(c.x) + "," + std::to_string(c.y);
        EXPECT_EQ(Has(node, "hotspotx"), c.written) << where;
        EXPECT_EQ(Has(node, "hotspoty"), c.written) << where;
        EXPECT_EQ(node->GetChildCount("widget"), 0) << where;

        const Ref<TCursor> loaded = CreateObject<TCursor>();
        loaded->Load(node);
        EXPECT_EQ(loaded->GetHotSpot(), (TPoint{c.x, c.y})) << where;
        EXPECT_EQ(loaded->GetName(), "arrow");
    }
}

TEST(Cursor, SettingAWidgetHidesIt) {
    const Ref<TCursor> cursor = CreateObject<TCursor>();
    const Ref<IWidget> leaf = Query<IWidget>(CreateObjectByName("qm_game_leaf"));
    leaf->SetVisible(true);
    cursor->SetWidget(leaf);
    EXPECT_EQ(cursor->GetWidget(), leaf);
    EXPECT_FALSE(leaf->GetVisible());
    cursor->SetWidget(nullptr);
    EXPECT_FALSE(cursor->GetWidget());
}

TEST(CursorCollection, SwitchingShowsOnlyTheCurrentCursorAndRefusesUnknownNames) {
    const Ref<TCursorCollection> cursors = LoadCursors(R"(
      <cursors>
        <cursor name="arrow"><widget type="qm_game_leaf" visible="yes"/></cursor>
        <cursor name="hand"><widget type="qm_game_leaf" visible="yes"/></cursor>
        <cursor name="empty"/>
      </cursors>)");
    const Ref<IWidget> arrow = cursors->Find(Variant("arrow"))->GetWidget();
    const Ref<IWidget> hand = cursors->Find(Variant("hand"))->GetWidget();
    EXPECT_FALSE(cursors->GetCurrentCursor());

    EXPECT_TRUE(cursors->SetCurrentCursor("hand"));
    EXPECT_EQ(cursors->GetCurrentCursor()->GetName(), "hand");
    EXPECT_TRUE(hand->GetVisible());
    EXPECT_TRUE(arrow->GetVisible());  // never current, left as loaded

    EXPECT_TRUE(cursors->SetCurrentCursor("ARROW"));
    EXPECT_FALSE(hand->GetVisible());
    EXPECT_TRUE(arrow->GetVisible());

    EXPECT_FALSE(cursors->SetCurrentCursor("wait"));
    EXPECT_FALSE(cursors->SetCurrentCursor(""));
    EXPECT_EQ(cursors->GetCurrentCursor()->GetName(), "arrow");
    EXPECT_TRUE(arrow->GetVisible());

    // The current one again: still current and shown.
    EXPECT_TRUE(cursors->SetCurrentCursor("arrow"));
    EXPECT_TRUE(arrow->GetVisible());

    // A cursor without a widget can be current and shows nothing.
    EXPECT_TRUE(cursors->SetCurrentCursor("empty"));
    EXPECT_FALSE(arrow->GetVisible());
    EXPECT_EQ(cursors->GetCurrentCursor()->GetName(), "empty");

    // A current cursor taken out of the collection and freed is current no
    // more.
    cursors->Delete(Variant("empty"));
    EXPECT_FALSE(cursors->GetCurrentCursor());
}

class GameCursorsTest : public OwnShellClassesTest {};

TEST_F(GameCursorsTest, TheGameStartsOnTheDefaultCursorAndASwitchRepaintsTheOldOnesPlace) {
    TGameHarness& game = Start(GameOf(R"(maings="A")", R"(
      <cursors default_cursor_name="arrow">
        <cursor name="hand" hotspotx="1" hotspoty="1">
          <widget type="qm_game_leaf" width="2" height="2" color="$FF0000FF"/>
        </cursor>
        <cursor name="arrow" hotspotx="2" hotspoty="3">
          <widget type="qm_game_leaf" width="8" height="8" color="$FFFFFFFF"/>
        </cursor>
      </cursors>)" + ScreensOf(PlainScreen("A", 0, 0, 640, 480, kDark))));
    ASSERT_TRUE(game.Game());
    const Ref<ICursorCollection> cursors = Game().GetCursors();
    ASSERT_TRUE(dynamic_cast<TCursorCollection*>(cursors.get()));
    EXPECT_EQ(cursors->GetCurrentCursor()->GetName(), "arrow");
    EXPECT_FALSE(game.Engine().IsCursorVisible());

    game.MouseMove(100, 100);
    game.Step(2);
    // The arrow covers 98..105 x 97..104.
    EXPECT_EQ(game.Pixel(98, 97), kWhite);
    EXPECT_EQ(game.Pixel(105, 104), kWhite);
    EXPECT_EQ(game.Pixel(97, 97), kDark);

    ASSERT_TRUE(cursors->SetCurrentCursor("hand"));
    game.Step(1);
    // Only the hand shows, 99..100 x 99..100; the arrow's place is drawn
    // again from the screen.
    EXPECT_EQ(game.Pixel(99, 99), kBlue);
    EXPECT_EQ(game.Pixel(100, 100), kBlue);
    EXPECT_EQ(game.Pixel(98, 97), kDark);
    EXPECT_EQ(game.Pixel(105, 104), kDark);
    EXPECT_EQ(game.Pixel(101, 101), kDark);
    EXPECT_FALSE(cursors->Find(Variant("arrow"))->GetWidget()->GetVisible());
}

}  // namespace
