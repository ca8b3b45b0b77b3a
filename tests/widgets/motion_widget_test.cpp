// Rectangle and motion widgets: the rectangle's colour and opacity on
// screen, the straight and circular moves with their fading levels, the
// lifetime that ends them, and the keys that are read but never written.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/WidgetHarness.h"
#include "tests/widgets/LeafFixtures.h"
#include "widgets/MotionWidgets.h"
#include "widgets/WidgetUtils.h"

namespace leaftest {
namespace {

template <class T>
Ref<T> Make(const std::string& xml) {
    Ref<T> widget = Query<T>(WidgetFromXMLText(xml));
    EXPECT_TRUE(widget) << xml;
    return widget;
}

TEST(RectWidget, ItCoversItsRectangleAtItsLevelTimesTheColoursAlpha) {
    TWidgetHarness screen(40, 30);
    screen.Load(R"(<widget type="group_widget"><widgets>
        <widget type="rect_widget" visible="yes" width="40" height="30" color="$FF204060"/>
        <widget type="rect_widget" name="r" visible="yes" z="1" anchor_left="5" anchor_top="6"
                width="10" height="4" color="$FFC86432"/>
        <widget type="rect_widget" name="half" visible="yes" z="1" anchor_left="20" width="5"
                height="5" color="$80C86432"/>
        <widget type="rect_widget" name="faded" visible="yes" z="1" anchor_left="30" width="5"
                height="5" color="$80C86432" transparentlevel="128"/>
      </widgets></widget>)");
    screen.Step();
    EXPECT_EQ(screen.Pixel(5, 6), 0xFFC86432u);
    EXPECT_EQ(screen.Pixel(14, 9), 0xFFC86432u);
    EXPECT_EQ(screen.Pixel(15, 9), 0xFF204060u);
    EXPECT_EQ(screen.Pixel(5, 10), 0xFF204060u);
    // Opacity 128 and 64: each channel (l * c + 255 + (255 - l) * d) / 256.
    const auto mix = [](uint32_t l) {
        uint32_t out = 0xFF000000;
        const uint32_t c[3] = {0x32, 0x64, 0xC8}, d[3] = {0x60, 0x40, 0x20};
        for (int i = 0; i < 3; ++i) out |= ((l * c[i] + 255 + (255 - l) * d[i]) / 256) << (8 * i);
        return out;
    };
    EXPECT_EQ(screen.Pixel(22, 2), mix(128));
    EXPECT_EQ(screen.Pixel(32, 2), mix(64));
}

TEST(RectWidget, OnlyADifferentColourMarksItChanged) {
    const Ref<TRectWidget> rect =
        Make<TRectWidget>(R"(<widget type="rect_widget" color="$11223344"/>)");
    rect->SetColor(0x11223344);
    EXPECT_FALSE(rect->GetChanged());
    rect->SetProperty("color", Variant("$11223345"));
    EXPECT_EQ(rect->GetColor(), 0x11223345u);
    EXPECT_TRUE(rect->GetChanged());
    EXPECT_TRUE(rect->GetProperty("color").IsUnassigned());  // it cannot be read
    EXPECT_NE(WidgetToXMLText(Ref<IInterface>(rect)).find(R"(color="$11223345")"),
              std::string::npos);
}

struct TPlace {
    double left, top;
    int level;
    bool dead;
    bool operator==(const TPlace&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TPlace& p) {
    return out << "(" << p.left << ", " << p.top << ", level " << p.level
               << (p.dead ? ", dead)" : ")");
}

std::vector<TPlace> Travel(const Ref<TMoveWidget>& widget, const std::vector<int32_t>& steps) {
    std::vector<TPlace> places;
    for (int32_t step : steps) {
        widget->Update(step);
        places.push_back({widget->GetLeft(), widget->GetTop(), widget->GetTransparentLevel(),
                          widget->GetDead()});
    }
    return places;
}

TEST(MoveWidget, AStraightMoveOverTheLifetimeFadingAsItGoes) {
    const Ref<TMoveWidget> widget = Make<TMoveWidget>(
        R"(<widget type="move_widget" timetolive="1000" startposx="0" startposy="0"
                   endposx="100" endposy="50" start_trans_level="255" end_trans_level="0"/>)");
    EXPECT_EQ(widget->GetLeft(), 0.0);
    EXPECT_EQ(widget->GetTransparentLevel(), 255);
    // Halves go to the even neighbour: 12.5 gives 12, 37.5 gives 38; the
    // level's quotient is truncated (255 - 63 = 192). The last step kills
    // it and still places it at the end.
    const std::vector<TPlace> expected = {
        {25, 12, 192, false}, {50, 25, 128, false}, {75, 38, 64, false}, {100, 50, 0, true}};
    EXPECT_EQ(Travel(widget, {250, 250, 250, 250}), expected);
}

TEST(MoveWidget, StartAndLifetimeCases) {
    struct TCase {
        const char* name;
        std::string attributes;
        std::vector<int32_t> steps;
        std::vector<TPlace> places;
    };
    const TCase cases[] = {
        {"no lifetime: dead at the first step of time, at its start",
         R"(startposx="7" startposy="9" endposx="100" start_trans_level="200" end_trans_level="0")",
         {0, 10},
         {{7, 9, 200, false}, {7, 9, 200, true}}},
        {"a negative age waits at the start",
         R"(timetolive="100" currenttime="-50" startposx="10" endposx="110" start_trans_level="100" end_trans_level="200")",
         {20, 20, 20, 50},
         {{10, 0, 100, false}, {10, 0, 100, false}, {20, 0, 110, false}, {70, 0, 160, false}}},
        {"equal levels are left alone",
         R"(timetolive="100" endposy="-40" start_trans_level="90" end_trans_level="90")",
         {50, 60},
         {{0, -20, 90, false}, {0, -20, 90, true}}},
        {"past the end it dies where it was",
         R"(timetolive="100" endposx="10")",
         {80, 80},
         {{8, 0, 255, false}, {8, 0, 255, true}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Ref<TMoveWidget> widget =
            Make<TMoveWidget>("<widget type=\"move_widget\" " + c.attributes + "/>");
        EXPECT_EQ(Travel(widget, c.steps), c.places);
    }
}

TEST(MoveWidget, PositionsCanBeSetButNothingOfTheMoveIsWritten) {
    const Ref<TMoveWidget> widget = Make<TMoveWidget>(
        R"(<widget type="move_widget" timetolive="100" startposx="1" endposx="2"
                   start_trans_level="10" end_trans_level="20"/>)");
    widget->SetProperty("startposx", Variant(0));
    widget->SetProperty("endposx", Variant("40"));
    widget->SetProperty("startposy", Variant(0));
    widget->SetProperty("endposy", Variant(-40));
    widget->Update(50);
    EXPECT_EQ(widget->GetLeft(), 20.0);
    EXPECT_EQ(widget->GetTop(), -20.0);
    EXPECT_TRUE(widget->GetProperty("endposx").IsUnassigned());

    const std::string saved = WidgetToXMLText(Ref<IInterface>(widget));
    for (const char* key :
         {"startposx", "startposy", "endposx", "endposy", "start_trans_level", "end_trans_level"}) {
        EXPECT_EQ(saved.find(key), std::string::npos) << key << " in " << saved;
    }
    // So the copy stands at the default start, (0, 0), at level 255.
    const Ref<IWidget> copy = CloneWidget(Ref<IWidget>(widget));
    EXPECT_EQ(copy->GetLeft(), 0.0);
    EXPECT_EQ(copy->GetTransparentLevel(), 255);
}

TEST(MoveWidget, ItDrawsItsSurfaceWhereItIsAndTheGroupRemovesItWhenDead) {
    TWidgetHarness screen(100, 60);
    screen.Load(R"(<widget type="group_widget"><widgets>
        <widget type="move_widget" name="m" visible="yes" timetolive="100" startposx="0"
                endposx="50" startposy="20" endposy="20"/>
      </widgets></widget>)");
    const Ref<IWidget> mover = screen.Find("m");
    Ref<TSurface> dot = MakeRef<TSurface>();
    dot->SetSize(2, 2);
    for (int y = 0; y < 2; ++y) dot->GetScanLine(y)[0] = dot->GetScanLine(y)[1] = 0xFFFFFFFF;
    mover->SetProperty("surface", Variant(dot));
    screen.Step(1, 50);
    EXPECT_EQ(mover->GetLeft(), 25.0);
    EXPECT_EQ(screen.Pixel(25, 20), 0xFFFFFFFFu);
    screen.Step(1, 50);  // at its end: dead, and removed with its area repainted
    EXPECT_FALSE(screen.Find("m"));
    EXPECT_FALSE(screen.FrameRects().empty());
}

TEST(CircularMotionWidget, ItTravelsAlongAnArc) {
    struct TCase {
        const char* name;
        std::string attributes;
        double left, top;  // at half its lifetime
    };
    const double r = std::sqrt(200.0);
    const TCase cases[] = {
        {"a quarter turn, clockwise on the screen",
         R"(startposx="10" startposy="0" endposx="0" endposy="10")", 10 * std::sqrt(0.5),
         10 * std::sqrt(0.5)},
        // From 3 pi / 4 to -3 pi / 4 the short way, through pi.
        {"across the line left of the centre",
         R"(startposx="-10" startposy="10" endposx="-10" endposy="-10")", -r, 0},
        // From -pi / 4 to pi / 4 through 0.
        {"across the line right of the centre",
         R"(startposx="10" startposy="-10" endposx="10" endposy="10")", r, 0},
        {"the radius changes evenly, about another centre",
         R"(centerx="100" centery="50" startposx="110" startposy="50" endposx="130" endposy="50")",
         120, 50},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Ref<TMoveWidget> widget = Make<TMoveWidget>(
            "<widget type=\"circular_motion_widget\" timetolive=\"1000\" " + c.attributes + "/>");
        widget->Update(500);
        EXPECT_NEAR(widget->GetLeft(), c.left, 1e-9);
        EXPECT_NEAR(widget->GetTop(), c.top, 1e-9);
    }
    // Without a lifetime it stays at its start.
    const Ref<TMoveWidget> still = Make<TMoveWidget>(
        R"(<widget type="circular_motion_widget" startposx="3" startposy="4" endposx="0"/>)");
    still->Update(0);
    EXPECT_EQ(still->GetLeft(), 3.0);
    EXPECT_EQ(still->GetTop(), 4.0);
}

}  // namespace
}  // namespace leaftest
