#include <gtest/gtest.h>

#include <string>

#include "nonogram/QuillmarchCell.h"
#include "tests/nonogram/NonogramTestSupport.h"
#include "tests/support/WidgetHarness.h"

namespace nonogramtest {
namespace {

class CellTest : public ::testing::Test {
protected:
    void SetUp() override {
        cell_ = screen_.Load(
            R"(<widget type="QuillmarchCell" name="cell" visible="yes"><widgets>
                 <widget type="nono_leaf" name="closed" visible="yes" width="10" height="10"/>
                 <widget type="nono_leaf" name="full" width="10" height="10"/>
                 <widget type="nono_leaf" name="empty" width="10" height="10"/>
                 <widget type="nono_leaf" name="final_animation" width="10" height="10" animationtime="570"/>
               </widgets></widget>)");
    }
    TTestLeaf& Child(const char* name) {
        return dynamic_cast<TTestLeaf&>(*cell_->FindWidget(name));
    }
    std::string Shown() {
        std::string shown;
        for (const char* name : {"closed", "full", "empty"}) {
            if (Child(name).GetVisible()) shown += shown.empty() ? name : std::string(" ") + name;
        }
        return shown;
    }

    TWidgetHarness screen_;
    Ref<IWidget> cell_;
};

TEST_F(CellTest, TheStateShowsItsOneLook) {
    EXPECT_EQ(cell_->GetProperty("state").ToString(), "closed");  // set when attached
    struct TCase {
        const char* state;
        const char* shown;
    };
    const TCase cases[] = {
        {"full", "full"}, {"empty", "empty"}, {"invisible", ""}, {"closed", "closed"}};
    for (const TCase& c : cases) {
        cell_->SetProperty("state", Variant(std::string(c.state)));
        EXPECT_EQ(Shown(), c.shown) << c.state;
        EXPECT_EQ(cell_->GetProperty("state").ToString(), c.state);
    }
    // "full" plays its opening from the start, once: the same state again
    // restarts nothing.
    const int before = Child("full").restarts;
    cell_->SetProperty("state", Variant(std::string("full")));
    cell_->SetProperty("state", Variant(std::string("full")));
    EXPECT_EQ(Child("full").restarts, before + 1);
}

TEST_F(CellTest, ADelayedStateIsTakenOnceTheAgeReachesZero) {
    cell_->SetProperty("currenttime", Variant(-300));
    cell_->SetProperty("state_to_set", Variant(std::string("invisible")));
    screen_.Step(29, 10);
    EXPECT_EQ(Shown(), "closed");
    screen_.Step(1, 10);
    EXPECT_EQ(Shown(), "");
    EXPECT_EQ(cell_->GetProperty("state").ToString(), "invisible");
}

TEST_F(CellTest, HighlightLightsOnlyAClosedCell) {
    cell_->SetProperty("highlight", Variant(std::string("yes")));
    EXPECT_TRUE(Child("closed").Highlight());
    cell_->SetProperty("highlight", Variant(std::string("no")));
    EXPECT_FALSE(Child("closed").Highlight());
    cell_->SetProperty("state", Variant(std::string("full")));
    cell_->SetProperty("highlight", Variant(std::string("yes")));
    EXPECT_FALSE(Child("closed").Highlight());
}

TEST_F(CellTest, TheFinalAnimationStartsAtTheAgeGivenAndHidesTheFullLook) {
    EXPECT_EQ(cell_->GetProperty("final_animation_duration").ToInt(), 570);
    cell_->SetProperty("state", Variant(std::string("full")));
    cell_->SetProperty("play_final_animation", Variant(-570));
    EXPECT_TRUE(Child("final_animation").GetVisible());
    EXPECT_EQ(Child("final_animation").GetCurrentTime(), -570);
    EXPECT_FALSE(Child("full").GetVisible());

    // Without the child: a duration of 0, and nothing breaks.
    const Ref<IWidget> bare =
        screen_.Load(R"(<widget type="QuillmarchCell" name="bare" visible="yes"/>)");
    EXPECT_EQ(bare->GetProperty("final_animation_duration").ToInt(), 0);
    bare->SetProperty("play_final_animation", Variant(0));
    bare->SetProperty("state", Variant(std::string("full")));
    bare->SetProperty("highlight", Variant(std::string("yes")));
}

}  // namespace
}  // namespace nonogramtest
