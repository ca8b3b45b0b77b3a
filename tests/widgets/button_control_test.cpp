// The button: its images by state and under the pointer, the click sound of
// the press, the click only for a release inside after a press inside, one
// click for a double click, and each action: closing and showing screens
// (with upper-cased parameter names), addresses, its own properties, and
// the report of code 1.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "tests/widgets/ControlFixtures.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/ButtonControl.h"
#include "widgets/WidgetUtils.h"

namespace controltest {
namespace {

class ButtonControl : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterControlTestClasses(); }
    ButtonControl() { AddLongSound(screen); }

    // The button "b" (100 by 40 at (10, 10)) with the given keys and images
    // inside the recording handler "h"; the pointer far away.
    TButtonControl& Load(const std::string& keys,
                         const std::vector<std::string>& images = {"image_normal", "image_selected",
                                                                   "image_disabled"}) {
        std::string children;
        for (const std::string& image : images) {
            children += R"(<widget type="test_widget" name=")" + image +
                        R"(" visible="yes" width="100" height="40"/>)";
        }
        screen.Platform().SetMousePos({600, 400});
        screen.Load(R"(
          <widget type="test_handler" name="h" visible="yes" mousestop="yes" enabled="yes"
                  width="640" height="480">
            <widgets>
              <widget type="ButtonControl" name="b" visible="yes" mousestop="yes"
                      anchor_left="10" anchor_top="10" width="100" height="40" )" +
                    keys + ">" + MutingSound("sound_buttonclick") + "<widgets>" + children +
                    "</widgets></widget></widgets></widget>");
        auto* button = dynamic_cast<TButtonControl*>(screen.Find("b").get());
        if (!button) throw std::runtime_error("no button");
        return *button;
    }
    std::vector<std::string>& Lines() {
        return dynamic_cast<TRecordingHandler&>(*screen.Root()).lines;
    }
    // The names of the visible images.
    std::vector<std::string> Shown() {
        std::vector<std::string> shown;
        for (const char* name : {"image_normal", "image_selected", "image_disabled"}) {
            const Ref<IWidget> image = screen.Find(std::string("b/") + name);
            if (image && image->GetVisible()) shown.push_back(name);
        }
        return shown;
    }

    TWidgetHarness screen;
};

using Names = std::vector<std::string>;

TEST_F(ButtonControl, AButtonNotEnabledShowsItsDisabledLookAndIgnoresPresses) {
    Load("");
    EXPECT_EQ(Shown(), Names{"image_disabled"});
    screen.Click(60, 30);
    EXPECT_EQ(SoundsPlaying(screen), 0u);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(screen.Screen().GetMouseCapture(), nullptr);

    Load("", {"image_normal", "image_selected"});
    EXPECT_EQ(Shown(), Names{"image_normal"});
}

TEST_F(ButtonControl, TheLookFollowsThePointerEveryFrameAndEnabling) {
    TButtonControl& button = Load(R"(enabled="yes")");
    EXPECT_EQ(Shown(), Names{"image_normal"});
    // The pointer comes to rest on the right edge: inside.
    screen.Platform().SetMousePos({110, 30});
    screen.Step();
    EXPECT_EQ(Shown(), Names{"image_selected"});
    EXPECT_TRUE(button.GetHover());
    // The button moves away under the still pointer.
    button.SetLeft(200);
    screen.Step();
    EXPECT_EQ(Shown(), Names{"image_normal"});
    button.SetLeft(10);
    screen.Step();
    EXPECT_EQ(Shown(), Names{"image_selected"});
    button.SetProperty("enabled", Variant(false));
    EXPECT_EQ(Shown(), Names{"image_disabled"});
    screen.Step(2);
    EXPECT_EQ(Shown(), Names{"image_disabled"});
    button.SetEnabled(true);
    EXPECT_EQ(Shown(), Names{"image_selected"});

    Load(R"(enabled="yes")", {"image_normal", "image_disabled"});
    screen.Platform().SetMousePos({60, 30});
    screen.Step();
    EXPECT_EQ(Shown(), Names{"image_normal"});
}

TEST_F(ButtonControl, AClickWithoutABuiltInActionReportsCodeOne) {
    for (const char* keys : {"", R"(actiontype="no_such_action")", R"(actiontype="")"}) {
        Load(std::string(R"(enabled="yes" )") + keys);
        screen.Click(60, 30);
        EXPECT_EQ(Lines(), Names{"1 from b"}) << keys;
        EXPECT_EQ(SoundsPlaying(screen), 1u);
        EXPECT_EQ(screen.Screen().GetMouseCapture(), nullptr);
        screen.Engine().Audio()->StopAllSounds();
        screen.Step();
    }
}

TEST_F(ButtonControl, EachBuiltInActionRunsInsteadOfTheReport) {
    struct TCase {
        const char* keys;
        Names lines;
    };
    const TCase cases[] = {
        {R"(actiontype="closegamescreen")", {"close"}},
        {R"(actiontype="CloseGameScreen")", {"close"}},
        {R"(actiontype="showgamescreen" gamescreenname="GS_Level" GSParams="\level=3\mode=easy")",
         {"show GS_Level LEVEL=3 MODE=easy"}},
        {R"(actiontype="showgamescreen" gamescreenname="GS_Options")", {"show GS_Options"}},
        {R"(actiontype="showgamescreen" GSParams="\a=1")", {}},
        {R"(actiontype="url" url="https://example.org/a?b=1&amp;c=2")", {}},
        {R"(actiontype="run_file" file_to_run="readme.txt")", {}},
        {R"(actiontype="change_props" props_to_change="\z=7")", {}},
    };
    for (const TCase& c : cases) {
        Load(std::string(R"(enabled="yes" )") + c.keys);
        screen.Click(60, 30);
        EXPECT_EQ(Lines(), c.lines) << c.keys;
        EXPECT_EQ(screen.Screen().GetMouseCapture(), nullptr);
    }
    // The last ones: the address went to the platform's opener, and the
    // button changed its own property.
    EXPECT_EQ(screen.Platform().OpenedUrls(), Names{"https://example.org/a?b=1&c=2"});
    EXPECT_EQ(screen.Find("b")->GetZ(), 7);
}

TEST_F(ButtonControl, ChangingItsOwnVisibilityHidesTheButton) {
    TButtonControl& button = Load(R"(enabled="yes" actiontype="change_props")"
                                  R"( props_to_change="\visible=no\tabstop=yes")");
    screen.Click(60, 30);
    EXPECT_FALSE(button.GetVisible());
    EXPECT_TRUE(button.GetTabStop());
    EXPECT_TRUE(Lines().empty());
}

TEST_F(ButtonControl, APressInsideAndAReleaseOutsidePlaysTheSoundAndClicksNothing) {
    TButtonControl& button = Load(R"(enabled="yes")");
    screen.MouseDown(60, 30);
    EXPECT_TRUE(button.GetPressed());
    EXPECT_EQ(screen.Screen().GetMouseCapture(), screen.Find("b"));
    EXPECT_EQ(SoundsPlaying(screen), 1u);
    screen.MouseMove(300, 300);
    screen.MouseUp(300, 300);
    EXPECT_FALSE(button.GetPressed());
    EXPECT_EQ(screen.Screen().GetMouseCapture(), nullptr);
    EXPECT_TRUE(Lines().empty());
    // The right edge still counts as inside.
    screen.MouseDown(60, 30);
    screen.MouseUp(110, 50);
    EXPECT_EQ(Lines(), Names{"1 from b"});
}

TEST_F(ButtonControl, AReleaseWithoutAPressDoesNothing) {
    TButtonControl& button = Load(R"(enabled="yes")");
    screen.MouseDown(300, 300);
    screen.MouseUp(60, 30);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(SoundsPlaying(screen), 0u);
    // Nor does a right or third button.
    screen.Click(60, 30, SDL_BUTTON_RIGHT);
    screen.Click(60, 30, SDL_BUTTON_MIDDLE);
    EXPECT_TRUE(Lines().empty());
    EXPECT_FALSE(button.GetPressed());
    EXPECT_EQ(screen.Screen().GetFocus(), nullptr);
}

TEST_F(ButtonControl, ADoubleClickIsOneClick) {
    Load(R"(enabled="yes" tabstop="yes")");
    screen.Click(60, 30);
    screen.Platform().InjectMouseButton(SDL_BUTTON_LEFT, true, 60, 30, 2);
    screen.Platform().InjectMouseButton(SDL_BUTTON_LEFT, false, 60, 30, 2);
    screen.Deliver();
    EXPECT_EQ(Lines(), Names{"1 from b"});
    // A button never takes the focus, tab stop or not.
    EXPECT_EQ(screen.Screen().GetFocus(), nullptr);
}

TEST_F(ButtonControl, ThePressLosesItsCaptureToTheWindow) {
    TButtonControl& button = Load(R"(enabled="yes")");
    screen.MouseDown(60, 30);
    screen.Screen().SetMouseCapture(screen.Find("h"));
    EXPECT_FALSE(button.GetPressed());
    screen.Screen().ReleaseMouseCapture();
    screen.MouseUp(60, 30);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(ButtonControl, AClickThatClosesTheTreeLeavesNothingBehind) {
    TButtonControl& button = Load(R"(enabled="yes" actiontype="change_props")"
                                  R"( props_to_change="\dead=yes")");
    (void)button;
    screen.Click(60, 30);
    screen.Step();
    EXPECT_EQ(screen.Find("b"), nullptr);
    EXPECT_EQ(screen.Screen().GetMouseCapture(), nullptr);
}

TEST(ButtonStorage, TheActionIsStoredInLowerCaseAndEmptyStringsAreNotWritten) {
    const Ref<IWidget> button =
        WidgetFromXMLText(R"(<widget type="ButtonControl" name="b" actiontype="ShowGameScreen")"
                          R"( gamescreenname="GS_Map" GSParams="\a=1"/>)");
    ASSERT_TRUE(button);
    EXPECT_EQ(dynamic_cast<TButtonControl&>(*button).GetActionType(), "showgamescreen");
    const Ref<IHierStorage> node = LoadStorageFromXML(WidgetToXMLText(button));
    EXPECT_EQ(ReadString(node, "actiontype", ""), "showgamescreen");
    EXPECT_EQ(ReadString(node, "gamescreenname", ""), "GS_Map");
    EXPECT_EQ(ReadString(node, "GSParams", ""), "\\a=1");
    for (const char* key : {"url", "file_to_run", "props_to_change"}) {
        EXPECT_EQ(ReadString(node, key, "absent"), "absent") << key;
    }
}

}  // namespace
}  // namespace controltest
