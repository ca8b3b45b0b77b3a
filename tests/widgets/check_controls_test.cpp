// Check boxes and radio groups: the six images and their stand-ins, a click
// that toggles and reports code 2, a press released outside, the state set
// by the screen, and the radio group that keeps one child checked and
// reports code 9 in place of its children's code 2.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/widgets/ControlFixtures.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/CheckControls.h"

namespace controltest {
namespace {

using Names = std::vector<std::string>;

const char* const kAllImages[] = {"image_check_normal",     "image_check_selected",
                                  "image_check_disabled",   "image_uncheck_normal",
                                  "image_uncheck_selected", "image_uncheck_disabled"};

// A check box named name, 40 by 20 at (left, 0), with the given keys and
// images (all six when none are named).
std::string CheckBox(const std::string& name, int left, const std::string& keys,
                     const Names& images = Names(std::begin(kAllImages), std::end(kAllImages))) {
    std::string children;
    for (const std::string& image : images) {
        children += R"(<widget type="test_widget" name=")" + image +
                    R"(" visible="yes" width="40" height="20"/>)";
    }
    return R"(<widget type="CheckBoxControl" visible="yes" mousestop="yes" width="40" height="20" name=")" +
           name + R"(" anchor_left=")" + std::to_string(left) + R"(" )" + keys + ">" +
           MutingSound("sound_buttonclick") + "<widgets>" + children + "</widgets></widget>";
}

class CheckBoxes : public testing::Test {
protected:
    CheckBoxes() { AddLongSound(screen); }

    TCheckBoxControl& Load(const std::string& keys,
                           const Names& images = Names(std::begin(kAllImages),
                                                       std::end(kAllImages))) {
        screen.Platform().SetMousePos({600, 400});
        screen.Load(R"(<widget type="group_widget" name="root"><widgets>)" +
                    CheckBox("c", 0, keys, images) + "</widgets></widget>");
        auto* box = dynamic_cast<TCheckBoxControl*>(screen.Find("c").get());
        if (!box) throw std::runtime_error("no check box");
        return *box;
    }
    Names Shown() {
        Names shown;
        for (const char* image : kAllImages) {
            const Ref<IWidget> widget = screen.Find(std::string("c/") + image);
            if (widget && widget->GetVisible()) shown.push_back(image);
        }
        return shown;
    }

    TWidgetHarness screen;
};

TEST_F(CheckBoxes, EachStateShowsItsImageOrItsStandIn) {
    struct TCase {
        const char* keys;
        bool checked;
        bool hover;
        const char* image;     // all six present
        const char* fallback;  // the image shown when the state's own is missing
    };
    const TCase cases[] = {
        {"", false, false, "image_uncheck_disabled", "image_uncheck_normal"},
        {"", true, false, "image_check_disabled", "image_check_normal"},
        {"", true, true, "image_check_disabled", "image_check_normal"},
        {R"(enabled="yes")", false, false, "image_uncheck_normal", ""},
        {R"(enabled="yes")", false, true, "image_uncheck_selected", "image_uncheck_normal"},
        {R"(enabled="yes")", true, false, "image_check_normal", ""},
        {R"(enabled="yes")", true, true, "image_check_selected", "image_check_normal"},
    };
    for (const TCase& c : cases) {
        for (const bool withAll : {true, false}) {
            Names images(std::begin(kAllImages), std::end(kAllImages));
            if (!withAll) {
                if (!*c.fallback) continue;
                std::erase(images, std::string(c.image));
            }
            TCheckBoxControl& box = Load(c.keys, images);
            box.SetProperty("CheckBoxState", Variant(c.checked));
            if (c.hover) {
                screen.Platform().SetMousePos({20, 10});
                screen.Step();
            }
            EXPECT_EQ(Shown(), Names{withAll ? c.image : c.fallback})
                << c.keys << " checked " << c.checked << " hover " << c.hover;
        }
    }
}

TEST_F(CheckBoxes, AClickTogglesAndReportsCodeTwo) {
    TCheckBoxControl& box = Load(R"(enabled="yes")");
    screen.Click(20, 10);
    EXPECT_TRUE(box.GetCheckBoxState());
    EXPECT_EQ(box.GetProperty("CheckBoxState"), Variant(true));
    EXPECT_EQ(Shown(), Names{"image_check_normal"});
    EXPECT_EQ(SoundsPlaying(screen), 1u);
    screen.Click(40, 20);  // the corner is inside
    EXPECT_FALSE(box.GetCheckBoxState());
    EXPECT_EQ(screen.Events(), (std::vector<TTestScreen::TEvent>{{"c", 2}, {"c", 2}}));
    EXPECT_EQ(screen.Screen().GetMouseCapture(), nullptr);
}

TEST_F(CheckBoxes, APressReleasedOutsideOnlyPlaysTheSound) {
    TCheckBoxControl& box = Load(R"(enabled="yes")");
    screen.MouseDown(20, 10);
    EXPECT_EQ(screen.Screen().GetMouseCapture(), screen.Find("c"));
    screen.MouseUp(200, 10);
    EXPECT_FALSE(box.GetCheckBoxState());
    EXPECT_TRUE(screen.Events().empty());
    EXPECT_EQ(SoundsPlaying(screen), 1u);
    EXPECT_EQ(screen.Screen().GetMouseCapture(), nullptr);
    // Right presses are not clicks.
    screen.Click(20, 10, SDL_BUTTON_RIGHT);
    EXPECT_TRUE(screen.Events().empty());
}

TEST_F(CheckBoxes, ADisabledCheckBoxIgnoresClicks) {
    TCheckBoxControl& box = Load("");
    screen.Click(20, 10);
    EXPECT_FALSE(box.GetCheckBoxState());
    EXPECT_TRUE(screen.Events().empty());
    EXPECT_EQ(SoundsPlaying(screen), 0u);
    box.SetEnabled(true);
    EXPECT_EQ(Shown(), Names{"image_uncheck_normal"});
}

TEST_F(CheckBoxes, TheScreenSetsTheStateWithoutAReport) {
    TCheckBoxControl& box = Load(R"(enabled="yes")");
    box.SetProperty("CheckBoxState", Variant(true));
    EXPECT_EQ(Shown(), Names{"image_check_normal"});
    box.SetProperty("CheckBoxState", Variant("perhaps"));
    EXPECT_TRUE(box.GetCheckBoxState());
    screen.Step();
    EXPECT_TRUE(screen.Events().empty());
}

class RadioGroup : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterControlTestClasses(); }
    RadioGroup() { AddLongSound(screen); }

    // A group "g" of three check boxes a, b, c (or the given children) at 0,
    // 50 and 100; checked lists the ones whose data checks them.
    TRadioGroupControl& Load(const std::string& children) {
        screen.Platform().SetMousePos({600, 400});
        screen.Load(R"(<widget type="group_widget" name="root"><widgets>
            <widget type="RadioGroupControl" name="g" visible="yes" mousestop="yes" width="150" height="20">
              <widgets>)" +
                    children + "</widgets></widget></widgets></widget>");
        auto* group = dynamic_cast<TRadioGroupControl*>(screen.Find("g").get());
        if (!group) throw std::runtime_error("no radio group");
        return *group;
    }
    std::string ThreeBoxes(const std::string& a = "", const std::string& b = "",
                           const std::string& c = "") {
        return CheckBox("a", 0, R"(enabled="yes" z="1")" + a) +
               CheckBox("b", 50, R"(enabled="yes" z="2")" + b) +
               CheckBox("c", 100, R"(enabled="yes" z="3")" + c);
    }
    std::vector<bool> Checked() {
        std::vector<bool> checked;
        for (const char* name : {"g/a", "g/b", "g/c"}) {
            checked.push_back(screen.Find(name)->GetProperty("CheckBoxState").ToBool());
        }
        return checked;
    }

    TWidgetHarness screen;
};

using Flags = std::vector<bool>;

// Check boxes have no stored state: a child whose data checks it is made
// checked here through a test child with the property.
TEST_F(RadioGroup, AttachingKeepsTheFirstCheckedChild) {
    screen.Load(R"(<widget type="group_widget" name="root"/>)");
    TRadioGroupControl& group = Load(ThreeBoxes());
    EXPECT_EQ(group.GetItemIndex(), -1);
    EXPECT_EQ(Checked(), (Flags{false, false, false}));

    // Children 0 and 2 checked when the group is attached again.
    screen.Find("g/a")->SetProperty("CheckBoxState", Variant(true));
    screen.Find("g/c")->SetProperty("CheckBoxState", Variant(true));
    const Ref<IWidget> g = screen.Find("g");
    IWidgetOwner* owner = g->GetOwner();
    g->Detach();
    g->Attach(owner);
    EXPECT_EQ(group.GetItemIndex(), 0);
    EXPECT_EQ(group.GetProperty("RadioGroupItemIndex"), Variant(0));
    EXPECT_EQ(Checked(), (Flags{true, false, false}));
}

TEST_F(RadioGroup, AClickedChildIsSelectedAndTheGroupReportsCodeNine) {
    TRadioGroupControl& group = Load(ThreeBoxes());
    screen.ClickAt("g/b");
    EXPECT_EQ(group.GetProperty("RadioGroupItemIndex"), Variant(1));
    EXPECT_EQ(Checked(), (Flags{false, true, false}));
    screen.ClickAt("g/c");
    EXPECT_EQ(Checked(), (Flags{false, false, true}));
    // A click on the checked child leaves it checked and still reports.
    screen.ClickAt("g/c");
    EXPECT_EQ(Checked(), (Flags{false, false, true}));
    EXPECT_EQ(screen.Events(), (std::vector<TTestScreen::TEvent>{{"g", 9}, {"g", 9}, {"g", 9}}));
}

TEST_F(RadioGroup, UnnamedChildrenAreToldApartByIdentity) {
    TRadioGroupControl& group = Load(CheckBox("", 0, R"(enabled="yes" z="1")") +
                                     CheckBox("", 50, R"(enabled="yes" z="2")"));
    screen.Click(75, 10);
    EXPECT_EQ(group.GetItemIndex(), 1);
    EXPECT_TRUE(group.GetChildren()->GetWidgetByIndex(1)->GetProperty("CheckBoxState").ToBool());
    EXPECT_FALSE(group.GetChildren()->GetWidgetByIndex(0)->GetProperty("CheckBoxState").ToBool());
}

TEST_F(RadioGroup, AnIndexOutOfRangeIsKeptAndChecksNothing) {
    TRadioGroupControl& group = Load(ThreeBoxes());
    group.SetProperty("RadioGroupItemIndex", Variant(1));
    EXPECT_EQ(Checked(), (Flags{false, true, false}));
    group.SetProperty("RadioGroupItemIndex", Variant(5));
    EXPECT_EQ(group.GetProperty("RadioGroupItemIndex"), Variant(5));
    EXPECT_EQ(Checked(), (Flags{false, false, false}));
    group.SetProperty("RadioGroupItemIndex", Variant("first"));
    EXPECT_EQ(group.GetItemIndex(), 5);
    EXPECT_TRUE(screen.Events().empty());
}

TEST_F(RadioGroup, OtherReportsAndScreenRequestsPassThroughUnchanged) {
    Load(ThreeBoxes() + R"(<widget type="ButtonControl" name="ok" visible="yes" mousestop="yes"
        enabled="yes" anchor_left="0" anchor_top="30" width="20" height="20"/>
        <widget type="ButtonControl" name="close" visible="yes" mousestop="yes" enabled="yes"
        actiontype="closegamescreen" anchor_left="30" anchor_top="30" width="20" height="20"/>)");
    screen.ClickAt("g/ok");
    screen.ClickAt("g/close");
    EXPECT_EQ(screen.Events(), (std::vector<TTestScreen::TEvent>{{"ok", 1}}));
    EXPECT_EQ(screen.Screen().ScreenCalls(), Names{"close"});
}

}  // namespace
}  // namespace controltest
