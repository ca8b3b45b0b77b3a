#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/nonogram/BoardTestSupport.h"

namespace nonogramtest {
namespace {

using gametest::Journal;

class ToolsTest : public TBoardTest {
protected:
    void SetUp() override {
        StartGame(3, 3);
        tools_ = dynamic_cast<TQuillmarchControlTools*>(Tools().get());
        ASSERT_NE(tools_, nullptr);
        frame_ = Widget("control_tools/frame");
        Journal().clear();
    }
    std::string Where() const {
        return std::to_string(static_cast<int>(frame_->GetLeft())) + "," +
               std::to_string(static_cast<int>(frame_->GetTop()));
    }
    std::string Tool() const { return tools_->GetProperty("active_tool").ToString(); }

    TQuillmarchControlTools* tools_ = nullptr;
    Ref<IWidget> frame_;
};

TEST_F(ToolsTest, CommandFourteenTogglesOrChoosesByName) {
    struct TStep {
        Ref<IParamCollection> params;
        const char *tool, *frame, *cursor;
    };
    const TStep steps[] = {
        {nullptr, "hammer", "30,40", "cursor hammer"},
        {nullptr, "arrow", "1,2", "cursor arrow"},
        {Params({{"active_tool", "hammer"}}), "hammer", "30,40", "cursor hammer"},
        {Params({{"active_tool", "hammer"}}), "hammer", "30,40", "cursor hammer"},
        {Params({{"active_tool", "saw"}}), "hammer", "30,40", ""},  // no such tool
        {Params({{"active_tool", "arrow"}}), "arrow", "1,2", "cursor arrow"},
    };
    for (const TStep& step : steps) {
        Journal().clear();
        tools_->ExecuteCommand(14, step.params);
        EXPECT_EQ(Tool(), step.tool);
        EXPECT_EQ(Where(), step.frame);
        EXPECT_EQ(Lines("cursor"), step.cursor[0] ? std::vector<std::string>{step.cursor}
                                                  : std::vector<std::string>{});
    }
    tools_->ExecuteCommand(14, nullptr);
    tools_->ExecuteCommand(18, nullptr);  // back to the arrow
    EXPECT_EQ(Tool(), "arrow");
    EXPECT_EQ(Where(), "1,2");
}

TEST_F(ToolsTest, WhileAToolImageIsHiddenCommandFourteenDoesNothing) {
    for (const char* image : {"image_select", "image_hammer"}) {
        Widget("control_game_nonogram/" + std::string(image))->SetVisible(false);
        tools_->ExecuteCommand(14, nullptr);
        EXPECT_EQ(Tool(), "arrow") << image;
        Widget("control_game_nonogram/" + std::string(image))->SetVisible(true);
    }
    tools_->ExecuteCommand(14, nullptr);
    EXPECT_EQ(Tool(), "hammer");
}

TEST_F(ToolsTest, CommandThirteenSwitchesTheToolsOffAndOn) {
    const Ref<IWidget> select = Widget("control_game_nonogram/image_select");
    const Ref<IWidget> hammer = Widget("control_game_nonogram/image_hammer");
    tools_->ExecuteCommand(14, nullptr);  // the hammer
    Journal().clear();
    tools_->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    EXPECT_EQ(tools_->GetProperty("tools_state").ToString(), "nonactive");
    EXPECT_FALSE(select->GetEnabled());
    EXPECT_FALSE(hammer->GetEnabled());
    EXPECT_FALSE(frame_->GetVisible());
    EXPECT_EQ(Lines("cursor"), (std::vector<std::string>{"cursor default"}));
    EXPECT_EQ(Tool(), "hammer");  // the last tool is kept

    tools_->ExecuteCommand(13, nullptr);  // without params: nothing
    EXPECT_EQ(tools_->GetProperty("tools_state").ToString(), "nonactive");

    Journal().clear();
    tools_->ExecuteCommand(13, Params({{"tools_state", "active"}}));
    EXPECT_TRUE(select->GetEnabled());
    EXPECT_TRUE(hammer->GetEnabled());
    EXPECT_TRUE(frame_->GetVisible());
    EXPECT_EQ(Tool(), "arrow");  // always starts on the arrow
    EXPECT_EQ(Where(), "1,2");
    EXPECT_EQ(Lines("cursor"), (std::vector<std::string>{"cursor arrow"}));
}

}  // namespace
}  // namespace nonogramtest
