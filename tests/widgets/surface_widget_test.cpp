// Surface widgets: a surface handed over at run time, its shifts and sizes,
// both draw modes, what marks the widget moved, the stored keys, and the
// linked surface widget's live copy of another widget.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/LogCapture.h"
#include "tests/support/WidgetHarness.h"
#include "tests/widgets/LeafFixtures.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/SurfaceWidgets.h"
#include "widgets/WidgetUtils.h"

namespace leaftest {
namespace {

// An opaque 100 by 50 picture whose red is the column and green the row.
Ref<TSurface> Picture() {
    Ref<TSurface> surface = MakeRef<TSurface>();
    surface->SetSize(100, 50);
    for (int32_t y = 0; y < 50; ++y) {
        for (int32_t x = 0; x < 100; ++x) {
            surface->GetScanLine(y)[x] = 0xFF000000u | uint32_t(x) << 16 | uint32_t(y) << 8;
        }
    }
    return surface;
}

class SurfaceWidgets : public testing::Test {
protected:
    SurfaceWidgets() : screen(120, 80) {
        screen.Load(R"(<widget type="group_widget"><widgets>
            <widget type="surface_widget" name="s" visible="yes" anchor_left="10" anchor_top="5"/>
          </widgets></widget>)");
        widget = dynamic_cast<TSurfaceWidget*>(screen.Find("s").get());
    }

    TWidgetHarness screen;
    TSurfaceWidget* widget = nullptr;
};

TEST_F(SurfaceWidgets, ASurfaceSetsTheSizeAndTheShiftsMoveTheShownRectangle) {
    ASSERT_TRUE(widget);
    screen.Step();
    EXPECT_EQ(widget->GetWidth(), 0);
    widget->SetProperty("shiftleft", Variant(3));
    widget->SetProperty("surface", Variant(Picture()));
    EXPECT_EQ(widget->GetWidth(), 100);
    EXPECT_EQ(widget->GetHeight(), 50);
    EXPECT_EQ(widget->GetProperty("shiftleft").ToInt(), 0);
    EXPECT_EQ(widget->GetProperty("shifttop").ToInt(), 0);
    EXPECT_TRUE(widget->GetMoved());
    screen.Step();
    EXPECT_EQ(screen.Pixel(10, 5), 0xFF000000u);
    EXPECT_EQ(screen.Pixel(109, 54), 0xFF630000u | 49u << 8);

    widget->SetProperty("shiftleft", Variant(10));
    widget->SetProperty("shifttop", Variant(4));
    widget->SetProperty("width", Variant(20));
    widget->SetProperty("height", Variant(6));
    screen.Step();
    // The surface's column 10, row 4 at the widget's corner.
    EXPECT_EQ(screen.Pixel(10, 5), 0xFF0A0400u);
    EXPECT_EQ(screen.Pixel(29, 10), 0xFF1D0900u);
    EXPECT_EQ(widget->GetBounds(), (TRect{10, 5, 30, 11}));
}

TEST_F(SurfaceWidgets, OnlyADifferentSizeOrShiftMarksTheWidgetMoved) {
    widget->SetProperty("surface", Variant(Picture()));
    screen.Step();
    for (const char* name : {"width", "height", "shiftleft", "shifttop"}) {
        SCOPED_TRACE(name);
        const Variant same = widget->GetProperty(name);
        widget->SetProperty(name, same);
        EXPECT_FALSE(widget->GetMoved());
        widget->SetProperty(name, Variant(same.ToInt() + 1));
        EXPECT_TRUE(widget->GetMoved());
        screen.Step();
    }
    widget->SetProperty("fillcolor", Variant("$FF0000FF"));
    EXPECT_TRUE(widget->GetChanged());
    screen.Step();
    widget->SetProperty("fillcolor", Variant("$FF0000FF"));
    EXPECT_FALSE(widget->GetChanged());
}

TEST_F(SurfaceWidgets, FillColorPaintsThroughTheSurfacesAlpha) {
    Ref<TSurface> shape = MakeRef<TSurface>();
    shape->SetSize(4, 1);
    shape->SetTransparent(true);
    uint32_t* row = shape->GetScanLine(0);
    row[0] = 0x00FFFFFF;
    row[1] = 0xFFFFFFFF;
    row[2] = 0x00000000;
    row[3] = 0xFF000000;
    widget->SetProperty("surface", Variant(shape));
    widget->SetProperty("drawmode", Variant(1));
    widget->SetProperty("fillcolor", Variant("$FF00FF00"));
    screen.Step();
    EXPECT_EQ(screen.Pixel(10, 5), 0xFF000000u);  // alpha 0: only the alpha byte is set
    EXPECT_EQ(screen.Pixel(11, 5), 0xFF00FF00u);
    EXPECT_EQ(screen.Pixel(12, 5), 0xFF000000u);
    EXPECT_EQ(screen.Pixel(13, 5), 0xFF00FF00u);
}

TEST_F(SurfaceWidgets, AValueThatIsNoSurfaceLeavesNoneAndDetachingDropsIt) {
    widget->SetProperty("surface", Variant(Picture()));
    widget->SetProperty("surface", Variant("not a surface"));
    EXPECT_FALSE(widget->GetSurface());
    EXPECT_EQ(widget->GetWidth(), 0);
    widget->SetProperty("surface", Variant(Picture()));
    ASSERT_TRUE(widget->GetSurface());
    widget->Detach();
    EXPECT_FALSE(widget->GetSurface());
}

TEST_F(SurfaceWidgets, ShiftsAndSizesPastTheSurfaceDrawOnlyWhatIsThere) {
    widget->SetProperty("surface", Variant(Picture()));
    widget->SetProperty("shifttop", Variant(40));  // rows 40 to 89 of 50
    widget->SetProperty("height", Variant(-7));
    screen.Step();
    widget->SetProperty("height", Variant(50));
    screen.Step();
    EXPECT_EQ(screen.Pixel(10, 5), 0xFF002800u);
    EXPECT_EQ(screen.Pixel(10, 14), 0xFF003100u);
    EXPECT_EQ(screen.Pixel(10, 15), 0u);  // past the surface's last row
}

TEST(SurfaceWidgetStorage, DrawModeIsWrittenOnlyForFillColorAndFillColorAlways) {
    Ref<IWidget> widget = WidgetFromXMLText(R"(<widget type="surface_widget"/>)");
    std::string saved = WidgetToXMLText(widget);
    EXPECT_EQ(saved.find("drawmode"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"(fillcolor="$00000000")"), std::string::npos) << saved;

    widget = WidgetFromXMLText(
        R"(<widget type="surface_widget" drawmode="fillcolor" fillcolor="$80112233" width="9"/>)");
    saved = WidgetToXMLText(widget);
    EXPECT_NE(saved.find(R"(drawmode="fillcolor")"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"(fillcolor="$80112233")"), std::string::npos) << saved;
    EXPECT_EQ(widget->GetWidth(), 0);  // sizes are not read
}

TEST(LinkedSurfaceWidget, ItShowsAFreshSnapshotOfTheLinkedWidgetEveryFrame) {
    TWidgetHarness screen(80, 40);
    screen.Load(R"(<widget type="group_widget"><widgets>
        <widget type="test_widget" name="src" visible="yes" width="6" height="4" color="$FFFF0000"/>
        <widget type="linked_surface_widget" name="copy" visible="yes" anchor_left="40"
                linked_widget_name="../src"/>
      </widgets></widget>)");
    auto& copy = dynamic_cast<TLinkedSurfaceWidget&>(*screen.Find("copy"));
    screen.Step();
    EXPECT_EQ(copy.GetWidth(), 6);
    EXPECT_EQ(copy.GetHeight(), 4);
    screen.Step();
    // The snapshot is a transparent picture: drawn at level 255, an opaque
    // pixel of it keeps 255/256 of each channel.
    EXPECT_EQ(screen.Pixel(40, 0), 0xFFFE0000u);
    EXPECT_EQ(screen.Pixel(45, 3), 0xFFFE0000u);
    EXPECT_EQ(screen.Pixel(46, 3), 0u);

    screen.Find("src")->SetProperty("color", Variant(int64_t{0xFF0000FF}));
    screen.Step(2);
    EXPECT_EQ(screen.Pixel(42, 1), 0xFF0000FEu);

    // A path that finds nothing keeps the last picture.
    copy.SetProperty("linked_widget_name", Variant("../gone"));
    EXPECT_EQ(copy.GetProperty("linked_widget_name").ToString(), "../gone");
    const Ref<ISurface> last = copy.GetSurface();
    screen.Step();
    EXPECT_EQ(copy.GetSurface(), last);

    // An empty path links nothing, not the widget itself.
    copy.SetProperty("linked_widget_name", Variant(""));
    screen.Step();
    EXPECT_EQ(copy.GetSurface(), last);
    const std::string saved = WidgetToXMLText(Ref<IInterface>(screen.Find("copy")));
    EXPECT_EQ(saved.find("linked_widget_name"), std::string::npos) << saved;
}

// Linked to itself or to a widget that holds it, the copy would show its own
// last picture and grow with every frame: the link is refused with one log
// line, and the surface keeps its size.
TEST(LinkedSurfaceWidget, ItselfOrAWidgetHoldingItIsRefusedAsLink) {
    for (const char* path : {".", "..", "../.."}) {
        SCOPED_TRACE(path);
        TWidgetHarness screen(80, 40);
        screen.Load(R"(<widget type="group_widget" name="root" visible="yes"><widgets>
            <widget type="group_widget" name="panel" visible="yes"><widgets>
              <widget type="test_widget" name="src" visible="yes" width="6" height="4" color="$FFFF0000"/>
              <widget type="linked_surface_widget" name="copy" visible="yes" anchor_left="10"
                      linked_widget_name="../src"/>
            </widgets></widget>
          </widgets></widget>)");
        auto& copy = dynamic_cast<TLinkedSurfaceWidget&>(*screen.Find("panel/copy"));
        screen.Step();
        ASSERT_EQ(copy.GetWidth(), 6);
        TLogCapture log;
        copy.SetProperty("linked_widget_name", Variant(path));
        const Ref<IWidget> found = copy.FindWidget(path);
        ASSERT_TRUE(found) << "the path finds nothing";
        screen.Step(5);
        EXPECT_EQ(copy.GetWidth(), 6);
        EXPECT_EQ(copy.GetHeight(), 4);
        ASSERT_EQ(log.Lines().size(), 1u);
        EXPECT_TRUE(log.Has({"WIDGET", "copy", path, "refused"})) << log.Lines()[0];
    }
}

}  // namespace
}  // namespace leaftest
