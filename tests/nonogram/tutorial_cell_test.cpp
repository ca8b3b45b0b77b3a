#include <gtest/gtest.h>

#include <string>

#include "nonogram/TutorialCell.h"
#include "tests/nonogram/NonogramTestSupport.h"
#include "tests/support/WidgetHarness.h"

namespace nonogramtest {
namespace {

class TutorialCellTest : public ::testing::Test {
protected:
    void SetUp() override {
        cell_ = screen_.Load(
            R"(<widget type="QuillmarchTutorialCell" name="cell" visible="yes"><widgets>
                 <widget type="nono_leaf" name="closed" visible="yes" width="10" height="10"/>
                 <widget type="nono_leaf" name="full" width="10" height="10"/>
                 <widget type="nono_leaf" name="empty" width="10" height="10"/>
                 <widget type="nono_leaf" name="active" visible="yes" width="10" height="10"/>
               </widgets></widget>)");
    }
    TTestLeaf& Child(const char* name) {
        return dynamic_cast<TTestLeaf&>(*cell_->FindWidget(name));
    }
    std::string Shown() {
        std::string shown;
        for (const char* name : {"closed", "full", "empty", "active"}) {
            if (Child(name).GetVisible()) shown += shown.empty() ? name : std::string(" ") + name;
        }
        return shown;
    }
    void Set(const char* name, const char* value) {
        cell_->SetProperty(name, Variant(std::string(value)));
    }

    TWidgetHarness screen_;
    Ref<IWidget> cell_;
};

TEST_F(TutorialCellTest, AttachingMakesItClosedAndLeavesTheLooksToTheData) {
    EXPECT_EQ(cell_->GetProperty("state").ToString(), "closed");
    EXPECT_EQ(Shown(), "closed active");  // as loaded: nothing applied yet
}

TEST_F(TutorialCellTest, EachStateShowsItsOneLook) {
    const char* const states[] = {"active", "full", "empty", "closed"};
    for (const char* state : states) {
        Set("state", state);
        EXPECT_EQ(Shown(), state);
        EXPECT_EQ(cell_->GetProperty("state").ToString(), state);
    }
}

TEST_F(TutorialCellTest, TheFullLookRestartsTheCellOnlyWhenTheStateChanges) {
    Set("state", "active");
    cell_->SetProperty("currenttime", Variant(400));
    const int closedRestarts = Child("closed").restarts;
    Set("state", "full");
    // The whole cell plays again from its start.
    EXPECT_EQ(cell_->GetProperty("currenttime").ToInt(), 0);
    EXPECT_EQ(Child("closed").restarts, closedRestarts + 1);
    const int fullRestarts = Child("full").restarts;
    cell_->SetProperty("currenttime", Variant(400));
    Set("state", "full");
    EXPECT_EQ(Child("full").restarts, fullRestarts);
    EXPECT_EQ(cell_->GetProperty("currenttime").ToInt(), 400);
}

TEST_F(TutorialCellTest, TheHighlightReachesTheActiveLookOnlyWhileActive) {
    Set("highlight", "yes");  // closed: ignored
    EXPECT_FALSE(Child("active").Highlight());
    Set("state", "active");
    Set("highlight", "yes");
    EXPECT_TRUE(Child("active").Highlight());
    Set("highlight", "no");
    EXPECT_FALSE(Child("active").Highlight());
    Set("highlight", "yes");
    Set("state", "full");
    Set("highlight", "no");  // no longer active: the look keeps its light
    EXPECT_TRUE(Child("active").Highlight());
}

}  // namespace
}  // namespace nonogramtest
