// The list box: the rows drawn through the template from the top row, the
// selected one in its colour over its background, players' texts shown as
// typed; the scroll buttons and their enabling; clicks, double clicks and
// the keys with their reports; deleting; the row under a point; and data
// whose row height fits no row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "tests/widgets/ControlFixtures.h"
#include "tests/widgets/RecordingText.h"
#include "widgets/ListBoxControl.h"
#include "widgets/WidgetUtils.h"

namespace controltest {
namespace {

using Events = std::vector<TTestScreen::TEvent>;
using Lines = std::vector<std::string>;

class ListBox : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterRecordingText(); }
    ListBox() { leaftest::AddFont(screen); }

    // The list "list" at (20, 10), 200 by 65, rows 20 high in blue, the
    // selected one red over a background at (-2, 1) of the row; scroll
    // buttons at its right edge. extra: more children.
    TListBoxControl& Load(const std::string& keys = R"(rowheight="20")",
                          const std::string& extra = "") {
        screen.Load(R"(
          <widget type="group_widget" name="root" visible="yes">
            <widgets>
              <widget type="ListBoxControl" name="list" visible="yes" mousestop="yes"
                      enabled="yes" tabstop="yes" anchor_left="20" anchor_top="10" width="200"
                      height="65" color="$FF0000FF" selectedcolor="$FFFF0000" )" +
                    keys + R"(>
                <widgets>
                  <widget type="recording_text" name="text" resourcename="font" width="150"
                          height="14"/>
                  <widget type="test_widget" name="image_selectedbackground" anchor_left="-2"
                          anchor_top="1" width="160" height="18" color="$FF00FF00"/>
                  <widget type="ButtonControl" name="button_up" visible="yes" mousestop="yes"
                          enabled="yes" anchor_left="180" anchor_top="0" width="20" height="20"/>
                  <widget type="ButtonControl" name="button_down" visible="yes" mousestop="yes"
                          enabled="yes" anchor_left="180" anchor_top="45" width="20" height="20"/>
                  )" +
                    extra + R"(
                </widgets>
              </widget>
            </widgets>
          </widget>)");
        auto* list = dynamic_cast<TListBoxControl*>(screen.Find("list").get());
        if (!list) throw std::runtime_error("no list box");
        return *list;
    }
    void Fill(TListBoxControl& list, const Lines& texts) {
        for (const std::string& text : texts) list.AddItem(text, "");
    }
    Lines& Drawn() { return dynamic_cast<TRecordingText&>(*screen.Find("list/text")).drawn; }
    bool Enabled(const std::string& button) { return screen.Find("list/" + button)->GetEnabled(); }
    // A click at the middle of a row of the area (from 0), left of the
    // buttons.
    void ClickRow(int row) { screen.Click(60, 10 + row * 20 + 10); }
    void Press(SDL_Scancode scancode, SDL_Keycode key) { screen.PressKey(scancode, key); }

    TWidgetHarness screen;
};

TEST_F(ListBox, TheVisibleRowsAreDrawnFromTheTopRowTheSelectedOneOverItsBackground) {
    TListBoxControl& list = Load();
    EXPECT_EQ(list.GetVisibleRows(), 3);
    Fill(list, {"anna", "bert", "cleo", "dora", "emil"});
    list.SetItemIndex(2);
    screen.ClickAt("list/button_down");
    Drawn().clear();
    const Ref<ISurface> picture = screen.RenderTree();
    EXPECT_EQ(Drawn(),
              (Lines{"bert #0000FF at 20,10", "cleo #FF0000 at 20,30", "dora #0000FF at 20,50"}));
    // The background lies under the selected row only, and the template is
    // hidden again, so the group's own pass never draws it.
    EXPECT_EQ(leaftest::PixelOf(*picture, 19, 32), 0xFF00FF00u);
    EXPECT_EQ(leaftest::PixelOf(*picture, 19, 12), 0xFF000000u);
    EXPECT_EQ(leaftest::PixelOf(*picture, 19, 52), 0xFF000000u);
    EXPECT_FALSE(screen.Find("list/text")->GetVisible());
    EXPECT_FALSE(screen.Find("list/image_selectedbackground")->GetVisible());
    // The template changes in every drawing but reports nothing while hidden:
    // frames with nothing new draw nothing.
    screen.Step(2);
    list.SetItemIndex(3);
    screen.Step(1);
    EXPECT_TRUE(screen.FrameRendered());
    screen.Step(1);
    EXPECT_FALSE(screen.FrameRendered());
    EXPECT_EQ(screen.FrameRects(), std::vector<TRect>{});
}

TEST_F(ListBox, AContentBoxGivesTheRowArea) {
    TListBoxControl& list =
        Load(R"(rowheight="20")",
             R"(<widget type="test_widget" name="image_contentbox" anchor_left="10" anchor_top="5"
                   width="150" height="45"/>)");
    EXPECT_EQ(list.GetVisibleRows(), 2);
    Fill(list, {"anna", "bert", "cleo"});
    screen.RenderTree();
    EXPECT_EQ(Drawn(), (Lines{"anna #FF0000 at 30,15", "bert #0000FF at 30,35"}));
    // The area starts 5 below the control: its first pixel row is row 0.
    EXPECT_EQ(list.ItemAt(30, 15), 0);
    EXPECT_EQ(list.ItemAt(29, 15), -1);
    EXPECT_EQ(list.ItemAt(30, 14), -1);
}

TEST_F(ListBox, PlayersTextsAreShownAsTyped) {
    TListBoxControl& list = Load();
    list.AddItem("100%% anna", "");
    list.AddItem("\xC3\xA9mil", "");  // UTF-8
    screen.RenderTree();
    EXPECT_EQ(Drawn(), (Lines{"100%% anna #FF0000 at 20,10", "\xC3\xA9mil #0000FF at 20,30"}));
}

TEST_F(ListBox, TheScrollButtonsMoveByOneRowAndAreEnabledOnlyWhereTheyCanMove) {
    TListBoxControl& list = Load();
    Fill(list, {"anna", "bert", "cleo", "dora", "emil"});
    EXPECT_FALSE(Enabled("button_up"));
    EXPECT_TRUE(Enabled("button_down"));
    screen.ClickAt("list/button_down");
    EXPECT_EQ(list.GetTopIndex(), 1);
    EXPECT_TRUE(Enabled("button_up"));
    EXPECT_TRUE(Enabled("button_down"));
    screen.ClickAt("list/button_down");
    EXPECT_EQ(list.GetTopIndex(), 2);
    EXPECT_FALSE(Enabled("button_down"));
    // A disabled button reports nothing, so the list stays.
    screen.ClickAt("list/button_down");
    EXPECT_EQ(list.GetTopIndex(), 2);
    screen.ClickAt("list/button_up");
    EXPECT_EQ(list.GetTopIndex(), 1);
    // The buttons report to the list box, not to the screen.
    EXPECT_EQ(screen.Events(), Events{});

    // Fewer items pull the top row up so the last ones fill the area.
    list.DeleteItem(Variant(0));
    list.DeleteItem(Variant(0));
    EXPECT_EQ(list.GetTopIndex(), 0);
    EXPECT_FALSE(Enabled("button_up"));
    EXPECT_FALSE(Enabled("button_down"));
}

TEST_F(ListBox, ItsChildrensRequestsForScreensGoOnToItsOwnHandler) {
    Load(R"(rowheight="20")", R"(
        <widget type="ButtonControl" name="button_close" visible="yes" mousestop="yes"
                enabled="yes" anchor_left="0" anchor_top="80" width="20" height="20"
                actiontype="closegamescreen"/>
        <widget type="ButtonControl" name="button_options" visible="yes" mousestop="yes"
                enabled="yes" anchor_left="30" anchor_top="80" width="20" height="20"
                actiontype="showgamescreen" gamescreenname="GS_Options"/>)");
    screen.ClickAt("list/button_close");
    screen.ClickAt("list/button_options");
    EXPECT_EQ(screen.Screen().ScreenCalls(), (Lines{"close", "show GS_Options"}));
    EXPECT_EQ(screen.Events(), Events{});
}

TEST_F(ListBox, AClickSelectsARowAndADoubleClickReportsOnlyCodeSix) {
    TListBoxControl& list = Load();
    Fill(list, {"anna", "bert"});
    ClickRow(1);
    EXPECT_EQ(list.GetItemIndex(), 1);
    EXPECT_EQ(screen.Events(), (Events{{"list", kEventListSelection}}));
    screen.Screen().ClearEvents();
    screen.Platform().InjectMouseButton(SDL_BUTTON_LEFT, true, 60, 20, 2);
    screen.Platform().InjectMouseButton(SDL_BUTTON_LEFT, false, 60, 20, 2);
    screen.Deliver();
    // The double click does not select; its release is a click like any.
    EXPECT_EQ(screen.Events(),
              (Events{{"list", kEventListDoubleClick}, {"list", kEventListSelection}}));
    EXPECT_EQ(list.GetItemIndex(), 0);
}

TEST_F(ListBox, AClickBelowTheLastItemSelectsAndReportsNothing) {
    TListBoxControl& list = Load();
    Fill(list, {"anna", "bert"});
    list.SetItemIndex(1);
    ClickRow(2);
    EXPECT_EQ(list.GetItemIndex(), 1);
    screen.Platform().InjectMouseButton(SDL_BUTTON_LEFT, true, 60, 55, 2);
    screen.Platform().InjectMouseButton(SDL_BUTTON_LEFT, false, 60, 55, 2);
    screen.Deliver();
    EXPECT_EQ(screen.Events(), Events{});
}

TEST_F(ListBox, TheRowUnderAPointCountsFromTheTopRow) {
    TListBoxControl& list = Load();
    Fill(list, {"anna", "bert", "cleo", "dora", "emil"});
    screen.ClickAt("list/button_down");
    struct TCase {
        int32_t x, y, row;
    };
    // The owner's content: the area spans 20.. by 10..70 (3 rows of 20).
    const TCase cases[] = {{20, 10, 1},  {19, 10, -1}, {20, 9, -1},   {500, 29, 1},  {100, 30, 2},
                           {100, 69, 3}, {100, 70, 4}, {100, 71, -1}, {100, 200, -1}};
    for (const TCase& c : cases) EXPECT_EQ(list.ItemAt(c.x, c.y), c.row) << c.x << "," << c.y;
    // The bottom edge addresses the row after the last visible one, which
    // has an item here.
    screen.Click(60, 70);
    EXPECT_EQ(list.GetItemIndex(), 4);
}

TEST_F(ListBox, KeysMoveTheSelectionIntoViewWhileFocused) {
    TListBoxControl& list = Load();
    Fill(list, {"anna", "bert", "cleo", "dora", "emil"});
    // Without the focus the keys do nothing.
    EXPECT_FALSE(list.HandleKey(kKeyDown, 31, 0));
    EXPECT_EQ(list.GetItemIndex(), 0);
    ClickRow(0);
    ASSERT_TRUE(list.GetFocused());
    screen.Screen().ClearEvents();

    struct TCase {
        SDL_Scancode scancode;
        SDL_Keycode key;
        int32_t index;
        int32_t top;
        bool reported;
    };
    const TCase cases[] = {
        {SDL_SCANCODE_UP, SDLK_UP, 0, 0, false},      // already at the top
        {SDL_SCANCODE_HOME, SDLK_HOME, 0, 0, false},  // the same
        {SDL_SCANCODE_DOWN, SDLK_DOWN, 1, 0, true},   //
        {SDL_SCANCODE_DOWN, SDLK_DOWN, 2, 0, true},   // the last visible row
        {SDL_SCANCODE_DOWN, SDLK_DOWN, 3, 1, true},   // scrolls by one
        {SDL_SCANCODE_END, SDLK_END, 4, 2, true},     //
        {SDL_SCANCODE_DOWN, SDLK_DOWN, 4, 2, false},  // the last row
        {SDL_SCANCODE_END, SDLK_END, 4, 2, false},    //
        {SDL_SCANCODE_HOME, SDLK_HOME, 0, 0, true},   // scrolls to the top
        {SDL_SCANCODE_LEFT, SDLK_LEFT, 0, 0, false},  // not a list key
    };
    for (const TCase& c : cases) {
        screen.Screen().ClearEvents();
        Press(c.scancode, c.key);
        EXPECT_EQ(list.GetItemIndex(), c.index) << c.key;
        EXPECT_EQ(list.GetTopIndex(), c.top) << c.key;
        const Events expected = c.reported ? Events{{"list", kEventListSelection}} : Events{};
        EXPECT_EQ(screen.Events(), expected) << c.key;
    }
}

TEST_F(ListBox, WithoutASelectionDownAndEndSelectWhileUpAndHomeDoNothing) {
    TListBoxControl& list = Load();
    ClickRow(0);
    Fill(list, {"anna", "bert", "cleo"});
    list.Clear();
    EXPECT_EQ(list.GetItemIndex(), -1);
    Fill(list, {"anna", "bert", "cleo"});
    Press(SDL_SCANCODE_UP, SDLK_UP);
    Press(SDL_SCANCODE_HOME, SDLK_HOME);
    EXPECT_EQ(list.GetItemIndex(), -1);
    Press(SDL_SCANCODE_DOWN, SDLK_DOWN);
    EXPECT_EQ(list.GetItemIndex(), 0);
    list.Clear();
    Fill(list, {"anna", "bert", "cleo"});
    Press(SDL_SCANCODE_END, SDLK_END);
    EXPECT_EQ(list.GetItemIndex(), 2);
}

TEST_F(ListBox, DeletingTheSelectedItemSelectsTheOneInItsPlace) {
    TListBoxControl& list = Load();
    list.AddItem("anna", "a");
    list.AddItem("bert", "b");
    list.AddItem("cleo", "c");
    list.AddItem("dora", "d");
    EXPECT_EQ(list.GetItem(Variant("c")), "cleo");
    EXPECT_EQ(list.GetItem(Variant(1)), "bert");

    list.SetItemIndex(3);
    list.DeleteItem(Variant(3));
    EXPECT_EQ(list.GetItemIndex(), 2);  // the new last one
    list.DeleteItem(Variant("A"));      // names ignore case
    EXPECT_EQ(list.GetItemIndex(), 2);  // unchanged: it now holds nothing
    EXPECT_EQ(list.GetItemCount(), 2);
    list.SetItemIndex(0);
    list.DeleteItem(Variant("b"));
    EXPECT_EQ(list.GetItemIndex(), 0);  // the item that took its place
    EXPECT_EQ(list.GetItem(Variant(0)), "cleo");
    // Keys naming nothing change nothing.
    list.DeleteItem(Variant("nobody"));
    list.DeleteItem(Variant(5));
    list.DeleteItem(Variant(-1));
    list.DeleteItem(Variant(2.0));
    EXPECT_EQ(list.GetItemCount(), 1);
    list.DeleteItem(Variant(0));
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.GetItemIndex(), 0);
    // Indexes outside the items are ignored.
    list.SetItemIndex(0);
    list.SetItemIndex(-1);
    EXPECT_EQ(list.GetItemIndex(), 0);
    EXPECT_EQ(screen.Events(), Events{});
}

TEST_F(ListBox, TheRowHeightDefaultsToATenthOfTheHeightAndIsStored) {
    TListBoxControl& list = Load("");
    EXPECT_EQ(list.GetRowHeight(), 6);
    EXPECT_EQ(list.GetVisibleRows(), 10);
    const Ref<IHierStorage> node = LoadStorageFromXML(WidgetToXMLText(screen.Find("list")));
    EXPECT_EQ(ReadString(node, "rowheight", ""), "6");
    EXPECT_NE(ReadString(node, "color", ""), "");
    EXPECT_NE(ReadString(node, "selectedcolor", ""), "");
    EXPECT_EQ(ReadColor(node, "selectedcolor", 0), 0xFFFF0000u);
}

TEST_F(ListBox, ARowHeightOfZeroFitsNoRow) {
    TListBoxControl& list = Load(R"(rowheight="0")");
    EXPECT_EQ(list.GetVisibleRows(), 0);
    EXPECT_TRUE(screen.Log().Has({"WIDGET", "\"list\"", "the row height 0 fits no row"}));
    Fill(list, {"anna", "bert"});
    screen.Step(2);
    ClickRow(0);
    EXPECT_EQ(list.ItemAt(60, 20), -1);
    EXPECT_EQ(screen.Events(), Events{});
    screen.RenderTree();
    EXPECT_EQ(Drawn(), Lines{});
}

}  // namespace
}  // namespace controltest
