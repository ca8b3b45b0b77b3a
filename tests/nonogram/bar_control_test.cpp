#include <gtest/gtest.h>

#include <string>

#include "nonogram/BarControl.h"
#include "tests/nonogram/NonogramTestSupport.h"
#include "tests/support/WidgetHarness.h"

namespace nonogramtest {
namespace {

class BarControlTest : public ::testing::Test {
protected:
    TQuillmarchBarControl& Load(int barWidth, const std::string& keys, bool slider = true) {
        const std::string size = std::to_string(barWidth);
        screen_.Load(
            R"(<widget type="QuillmarchBarControl" name="a" visible="yes" width=")" + size +
            "\" height=\"10\" " + keys + R"(><widgets>
                         <widget type="nono_leaf" name="bar" visible="yes" width=")" +
            size + R"(" height="10"/>)" +
            (slider
                 ? R"(<widget type="nono_leaf" name="slider" visible="yes" width="20" height="10"/>)"
                 : "") +
            "</widgets></widget>");
        return dynamic_cast<TQuillmarchBarControl&>(*screen_.Root());
    }
    double SliderLeft() { return screen_.Find("slider")->GetLeft(); }

    TWidgetHarness screen_;
};

TEST_F(BarControlTest, TheSlidersCentreStandsOverTheCurrentValue) {
    TQuillmarchBarControl& bar = Load(200, R"(animation="no")");
    screen_.Step();
    EXPECT_EQ(SliderLeft(), -10);  // at 0, centred on the left edge
    bar.SetProperty("value", Variant(100));
    screen_.Step();
    EXPECT_EQ(SliderLeft(), 90);
    bar.SetProperty("value", Variant(37));
    screen_.Step();
    EXPECT_EQ(SliderLeft(), 27);
}

TEST_F(BarControlTest, TheSliderFollowsTheValueAsItCounts) {
    TQuillmarchBarControl& bar = Load(200, R"(maxincrementaldurationtime="1000")");
    bar.SetProperty("value", Variant(100));
    screen_.Step(1, 100);
    EXPECT_EQ(bar.GetCurrentValue(), 10);
    EXPECT_EQ(SliderLeft(), 0);
    screen_.Step(1, 100);
    EXPECT_EQ(SliderLeft(), bar.GetCurrentValue() - 10);
}

TEST_F(BarControlTest, ABarOfNoWidthCentresTheSliderOnItsLeftEdge) {
    TQuillmarchBarControl& bar = Load(0, R"(animation="no")");
    bar.SetProperty("value", Variant(50));
    screen_.Step();
    EXPECT_EQ(SliderLeft(), -10);
}

TEST_F(BarControlTest, WithoutASliderItIsTheAnimatedBar) {
    TQuillmarchBarControl& bar = Load(200, R"(animation="no")", false);
    bar.SetProperty("value", Variant(100));
    screen_.Step();
    EXPECT_EQ(bar.GetCurrentValue(), 100);
}

}  // namespace
}  // namespace nonogramtest
