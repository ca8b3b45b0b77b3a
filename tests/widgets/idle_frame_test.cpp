// An idle frame of a widget tree draws nothing and allocates nothing.
#include <gtest/gtest.h>

#include "tests/support/AllocationCount.h"
#include "tests/support/WidgetHarness.h"
#include "tests/widgets/WidgetTestClasses.h"

namespace widgettest {
namespace {

TEST(IdleFrames, AHundredIdleFramesDrawNothingAndAllocateNothing) {
    TWidgetHarness screen(320, 200);
    screen.Load(R"(
      <widget type="group_widget">
        <widgets>
          <widget type="test_widget" visible="yes" z="-1" width="320" height="200" color="$FF101010"/>
          <widget type="group_widget" name="panel" visible="yes" anchor_left="20" anchor_top="20"
                  mousestop="yes">
            <widgets>
              <widget type="test_widget" name="a" visible="yes" width="10" height="10" z="2"/>
              <widget type="test_widget" visible="yes" anchor_left="12" width="10" height="10"/>
              <widget type="test_widget" anchor_left="24" width="10" height="10"/>
              <widget type="test_widget" visible="yes" anchor_left="36" width="10" height="10"
                      timetolive="1000000" time_rate="0.5"/>
            </widgets>
          </widget>
        </widgets>
      </widget>)");
    screen.Step(2);  // the first frames paint everything and settle the lists
    const int drawn = screen.RenderCount();

    long allocations = 0;
    JournalOn() = false;  // the test widgets' own record would allocate
    {
        const TAllocationCount count;
        for (int i = 0; i < 100; ++i) screen.Engine().UpdateGame(10);
        allocations = count.Count();
    }
    JournalOn() = true;
    EXPECT_EQ(allocations, 0);
    EXPECT_FALSE(screen.Engine().IsRedrawNeeded());
    EXPECT_EQ(screen.RenderCount(), drawn);
    EXPECT_EQ(dynamic_cast<TTestWidget&>(*screen.Find("panel/a")).updates, 102);

    // The counter does count: a new widget is an allocation.
    {
        const TAllocationCount count;
        const Ref<TTestWidget> widget = CreateObject<TTestWidget>();
        EXPECT_GT(count.Count(), 0);
    }
}

}  // namespace
}  // namespace widgettest
