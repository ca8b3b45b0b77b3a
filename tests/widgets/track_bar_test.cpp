// The track bar: the position limited to its bounds and snapped to the
// frequency, with code 3 for each change and the thumb placed; dragging the
// thumb (the position snapped, the thumb following the pointer, the ends
// holding); the keys by direction; the thumb's images; the properties and
// the stored keys; and a track bar without a thumb.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "tests/widgets/ControlFixtures.h"
#include "widgets/TrackBarControl.h"
#include "widgets/WidgetUtils.h"

namespace controltest {
namespace {

using Events = std::vector<TTestScreen::TEvent>;

class TrackBar : public testing::Test {
protected:
    // The track bar "bar" at (20, 10), 200 by 20 (vertical: 20 by 200), with
    // a thumb of 20 by 20 made of a normal and a held image.
    // size: other "width" and "height" keys.
    TTrackBarControl& Load(const std::string& keys, bool thumb = true, std::string size = "") {
        const bool vertical = keys.find(R"(vertical="yes")") != std::string::npos;
        if (size.empty()) {
            size = vertical ? R"(width="20" height="200")" : R"(width="200" height="20")";
        }
        const std::string slider = R"(
          <widget type="group_widget" name="image_slider" visible="yes">
            <widgets>
              <widget type="test_widget" name="image_slidernormal" visible="yes" width="20"
                      height="20"/>
              <widget type="test_widget" name="image_sliderselected" visible="yes" width="20"
                      height="20"/>
            </widgets>
          </widget>)";
        screen.Load(R"(
          <widget type="group_widget" name="root" visible="yes">
            <widgets>
              <widget type="TrackBarControl" name="bar" visible="yes" mousestop="yes"
                      enabled="yes" tabstop="yes" anchor_left="20" anchor_top="10" )" +
                    size + " " + keys + "><widgets>" + (thumb ? slider : "") +
                    "</widgets></widget></widgets></widget>");
        auto* bar = dynamic_cast<TTrackBarControl*>(screen.Find("bar").get());
        if (!bar) throw std::runtime_error("no track bar");
        return *bar;
    }
    double ThumbLeft() { return screen.Find("bar/image_slider")->GetLeft(); }
    double ThumbTop() { return screen.Find("bar/image_slider")->GetTop(); }
    bool Held() { return screen.Find("bar/image_slider/image_sliderselected")->GetVisible(); }
    bool Normal() { return screen.Find("bar/image_slider/image_slidernormal")->GetVisible(); }
    size_t Reports() { return screen.Events().size(); }
    void Press(SDL_Scancode scancode, SDL_Keycode key) { screen.PressKey(scancode, key); }

    TWidgetHarness screen;
};

TEST_F(TrackBar, APositionIsLimitedToTheBoundsAndSnappedToTheFrequency) {
    TTrackBarControl& bar = Load(R"(min="0" max="100" frequency="10")");
    struct TCase {
        int32_t set;
        int32_t position;
        double thumb;  // (position - min) * 180 / 100
    };
    const TCase cases[] = {{44, 40, 72}, {45, 40, 72},  {55, 60, 108}, {150, 100, 180},
                           {-5, 0, 0},   {65, 60, 108}, {66, 70, 126}, {100, 100, 180}};
    int32_t last = 0;
    for (const TCase& c : cases) {
        screen.Screen().ClearEvents();
        bar.SetProperty("position", Variant(c.set));
        EXPECT_EQ(bar.GetProperty("position"), Variant(c.position)) << c.set;
        EXPECT_DOUBLE_EQ(ThumbLeft(), c.thumb) << c.set;
        // Code 3 only when the position changed.
        EXPECT_EQ(Reports(), c.position != last ? 1u : 0u) << c.set;
        if (c.position != last) {
            EXPECT_EQ(screen.Events(), (Events{{"bar", kEventTrackBarMoved}}));
        }
        last = c.position;
    }
}

TEST_F(TrackBar, ASnappedValueNeverLeavesTheBounds) {
    struct TCase {
        const char* keys;
        int32_t set;
        int32_t position;
    };
    const TCase cases[] = {
        {R"(min="0" max="10" frequency="4")", 10, 8},    // a bound inside is snapped
        {R"(min="0" max="10" frequency="4")", 9, 8},     //
        {R"(min="5" max="100" frequency="10")", 5, 5},   // 0 would lie below the minimum
        {R"(min="5" max="100" frequency="10")", 6, 10},  //
        {R"(min="5" max="100" frequency="10")", 4, 5},   //
        {R"(min="0" max="11" frequency="4")", 11, 11},   // 12 would lie above the maximum
        {R"(min="-8" max="7" frequency="5")", -8, -8},   // -10 would lie below
        {R"(min="-8" max="7" frequency="5")", -7, -5},   //
        {R"(min="-8" max="7" frequency="5")", -3, -5},   //
        {R"(min="20" max="10" frequency="1")", 15, 20},  // a maximum below the minimum
    };
    for (const TCase& c : cases) {
        TTrackBarControl& bar = Load(c.keys);
        bar.SetPosition(c.set);
        EXPECT_EQ(bar.GetPosition(), c.position) << c.keys << " " << c.set;
    }
}

TEST_F(TrackBar, DraggingTheThumbSnapsThePositionWhileTheThumbFollowsThePointer) {
    TTrackBarControl& bar = Load(R"(min="0" max="100" frequency="10")");
    // The thumb spans 20..40 of the window; taken 10 pixels in.
    screen.MouseDown(30, 20);
    EXPECT_TRUE(bar.GetPressed());
    EXPECT_EQ(screen.Screen().GetMouseCapture().get(), static_cast<IWidget*>(&bar));
    EXPECT_TRUE(Held());
    EXPECT_FALSE(Normal());
    // Pressing takes no focus.
    EXPECT_EQ(screen.Screen().GetFocus(), nullptr);

    struct TCase {
        int32_t x;
        int32_t position;
        double thumb;
    };
    const TCase cases[] = {
        {120, 50, 90},    // offset 90 of 180
        {125, 50, 95},    // 52.8 snaps back to 50; the thumb follows anyway
        {130, 60, 100},   // 55.6
        {400, 100, 180},  // past the right end
        {-50, 0, 0},      // past the left end
    };
    for (const TCase& c : cases) {
        screen.MouseMove(c.x, 80);
        EXPECT_EQ(bar.GetPosition(), c.position) << c.x;
        EXPECT_DOUBLE_EQ(ThumbLeft(), c.thumb) << c.x;
    }
    EXPECT_EQ(Reports(), 4u);  // 50, 60, 100 and 0
    screen.MouseUp(-50, 80);
    EXPECT_FALSE(bar.GetPressed());
    EXPECT_EQ(screen.Screen().GetMouseCapture(), nullptr);
    EXPECT_FALSE(Held());
    EXPECT_TRUE(Normal());
    // Moves after the release change nothing.
    screen.MouseMove(120, 20);
    EXPECT_EQ(bar.GetPosition(), 0);
}

TEST_F(TrackBar, APressBesideTheThumbOrWithAnotherButtonDoesNothing) {
    TTrackBarControl& bar = Load(R"(min="0" max="100" frequency="10")");
    screen.Click(100, 20);
    screen.Click(30, 20, SDL_BUTTON_RIGHT);
    EXPECT_FALSE(bar.GetPressed());
    EXPECT_EQ(screen.Screen().GetMouseCapture(), nullptr);
    screen.MouseMove(120, 20);
    EXPECT_EQ(bar.GetPosition(), 0);
    EXPECT_EQ(Reports(), 0u);
}

TEST_F(TrackBar, AVerticalThumbIsDraggedDownwards) {
    TTrackBarControl& bar = Load(R"(min="0" max="90" frequency="1" vertical="yes")");
    bar.SetPosition(30);
    EXPECT_DOUBLE_EQ(ThumbTop(), 60);  // 30 * 180 / 90
    EXPECT_DOUBLE_EQ(ThumbLeft(), 0);
    // The thumb spans 70..90 of the window.
    screen.MouseDown(25, 75);
    screen.MouseMove(200, 75 + 45);
    EXPECT_EQ(bar.GetPosition(), 52);  // offset 105 of 180: 52.5, to even
    EXPECT_DOUBLE_EQ(ThumbTop(), 105);
    screen.MouseUp(200, 120);
}

TEST_F(TrackBar, KeysMoveByTheFrequencyAlongTheBarsOwnDirection) {
    TTrackBarControl& bar = Load(R"(min="0" max="10" frequency="4")");
    screen.Screen().SetFocus(screen.Find("bar"));
    struct TCase {
        SDL_Scancode scancode;
        SDL_Keycode key;
        int32_t position;
    };
    const TCase cases[] = {
        {SDL_SCANCODE_RIGHT, SDLK_RIGHT, 4},  {SDL_SCANCODE_DOWN, SDLK_DOWN, 4},
        {SDL_SCANCODE_UP, SDLK_UP, 4},        {SDL_SCANCODE_END, SDLK_END, 8},
        {SDL_SCANCODE_RIGHT, SDLK_RIGHT, 10},  // 12 lies beyond: the maximum itself
        {SDL_SCANCODE_RIGHT, SDLK_RIGHT, 10}, {SDL_SCANCODE_LEFT, SDLK_LEFT, 8},
        {SDL_SCANCODE_HOME, SDLK_HOME, 0},    {SDL_SCANCODE_LEFT, SDLK_LEFT, 0},
    };
    for (const TCase& c : cases) {
        Press(c.scancode, c.key);
        EXPECT_EQ(bar.GetPosition(), c.position) << c.key;
    }
    EXPECT_EQ(Reports(), 5u);

    TTrackBarControl& vertical = Load(R"(min="0" max="10" frequency="4" vertical="yes")");
    screen.Screen().SetFocus(screen.Find("bar"));
    Press(SDL_SCANCODE_RIGHT, SDLK_RIGHT);
    EXPECT_EQ(vertical.GetPosition(), 0);
    Press(SDL_SCANCODE_DOWN, SDLK_DOWN);
    EXPECT_EQ(vertical.GetPosition(), 4);
    Press(SDL_SCANCODE_UP, SDLK_UP);
    EXPECT_EQ(vertical.GetPosition(), 0);

    // Without the focus keys do nothing.
    screen.Screen().ClearFocus();
    EXPECT_FALSE(vertical.HandleKey(kKeyDown, 31, 0));
    EXPECT_EQ(vertical.GetPosition(), 0);
}

TEST_F(TrackBar, WithoutAThumbOnlyKeysAndPropertiesMoveIt) {
    TTrackBarControl& bar = Load(R"(min="0" max="100" frequency="10")", false);
    screen.MouseDown(30, 20);
    EXPECT_FALSE(bar.GetPressed());
    EXPECT_EQ(bar.GetProperty("slidervisible"), Variant());
    bar.SetProperty("position", Variant(30));
    screen.Screen().SetFocus(screen.Find("bar"));
    Press(SDL_SCANCODE_RIGHT, SDLK_RIGHT);
    EXPECT_EQ(bar.GetPosition(), 40);
    EXPECT_EQ(Reports(), 2u);
}

TEST_F(TrackBar, EqualBoundsOrAThumbAsLongAsTheBarNeverMoveTheThumb) {
    TTrackBarControl& bar = Load(R"(min="50" max="50")");
    screen.Find("bar/image_slider")->SetLeft(7);
    bar.SetPosition(80);
    EXPECT_EQ(bar.GetPosition(), 50);
    EXPECT_DOUBLE_EQ(ThumbLeft(), 7);
    screen.MouseDown(35, 20);
    screen.MouseMove(150, 20);
    EXPECT_DOUBLE_EQ(ThumbLeft(), 7);
    screen.MouseUp(150, 20);

    // A thumb as wide as the bar: held, but a drag changes nothing.
    TTrackBarControl& narrow =
        Load(R"(min="0" max="100" frequency="10")", true, R"(width="20" height="20")");
    screen.MouseDown(30, 20);
    EXPECT_TRUE(narrow.GetPressed());
    screen.MouseMove(150, 20);
    EXPECT_EQ(narrow.GetPosition(), 0);
    EXPECT_DOUBLE_EQ(ThumbLeft(), 0);
    screen.MouseUp(150, 20);
}

TEST_F(TrackBar, PropertiesAndStoredKeys) {
    TTrackBarControl& bar = Load(R"(min="0" max="100" frequency="0")");
    EXPECT_EQ(bar.GetFrequency(), 1);
    bar.SetProperty("frequency", Variant(-3));
    EXPECT_EQ(bar.GetProperty("frequency"), Variant(1));
    bar.SetPosition(90);
    // New bounds leave the position where it is.
    bar.SetProperty("max", Variant(50));
    EXPECT_EQ(bar.GetPosition(), 90);
    EXPECT_EQ(bar.GetProperty("max"), Variant(50));
    bar.SetProperty("position", Variant("not a number"));
    EXPECT_EQ(bar.GetPosition(), 90);
    EXPECT_EQ(bar.GetProperty("slidervisible"), Variant(true));
    bar.SetProperty("slidervisible", Variant(false));
    EXPECT_FALSE(screen.Find("bar/image_slider")->GetVisible());

    Ref<IHierStorage> node = LoadStorageFromXML(WidgetToXMLText(screen.Find("bar")));
    EXPECT_EQ(ReadString(node, "min", ""), "0");
    EXPECT_EQ(ReadString(node, "max", ""), "50");
    EXPECT_EQ(ReadString(node, "frequency", ""), "1");
    EXPECT_EQ(ReadString(node, "vertical", "absent"), "absent");
    EXPECT_EQ(ReadString(node, "position", "absent"), "absent");
    bar.SetProperty("vertical", Variant(true));
    node = LoadStorageFromXML(WidgetToXMLText(screen.Find("bar")));
    EXPECT_EQ(ReadString(node, "vertical", ""), "yes");
}

}  // namespace
}  // namespace controltest
