// Labels and numeric labels: the hover look of an enabled label, the count
// of a numeric label towards its value (the share of the time budget, the
// least speed, a new value mid-count, values whose products need 64 bits),
// and the text helpers: minutes and seconds, and the case tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/Utf8.h"
#include "core/storage/XMLStorage.h"
#include "engine/EngineStartup.h"
#include "tests/widgets/ControlFixtures.h"
#include "widgets/LabelControls.h"
#include "widgets/WidgetUtils.h"

namespace controltest {
namespace {

class NumLabel : public testing::Test {
protected:
    TNumLabelControl& Load(const std::string& keys) {
        screen.Load(R"(
          <widget type="group_widget" name="root">
            <widgets>
              <widget type="NumLabelControl" name="n" visible="yes" width="100" height="20" )" +
                    keys + R"(>
                <widgets><widget type="text_widget" name="text" visible="yes"/></widgets>
              </widget>
            </widgets>
          </widget>)");
        auto* label = dynamic_cast<TNumLabelControl*>(screen.Find("n").get());
        if (!label) throw std::runtime_error("no numeric label");
        return *label;
    }
    std::string Shown() { return screen.Find("n/text")->GetProperty("text_utf8").ToString(); }
    // The number shown after each of frames frames of ms.
    std::vector<int32_t> Count(TNumLabelControl& label, int frames, int32_t ms) {
        std::vector<int32_t> shown;
        for (int i = 0; i < frames; ++i) {
            screen.Step(1, ms);
            shown.push_back(label.GetCurrentValue());
        }
        return shown;
    }

    TWidgetHarness screen;
};

using Ints = std::vector<int32_t>;

TEST_F(NumLabel, TheCountSharesTheDistanceOverTheTimeBudget) {
    TNumLabelControl& label = Load(R"(maxincrementaldurationtime="1000")");
    EXPECT_EQ(Shown(), "0");
    label.SetProperty("value", Variant(100));
    EXPECT_EQ(label.GetProperty("animation_complete"), Variant(false));
    EXPECT_EQ(Count(label, 10, 100), (Ints{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    EXPECT_EQ(Shown(), "100");
    EXPECT_EQ(label.GetProperty("animation_complete"), Variant(true));
    EXPECT_EQ(label.GetProperty("current_value"), Variant(100));
}

TEST_F(NumLabel, TheLeastSpeedWinsOverASmallShareAndNeverPassesTheValue) {
    TNumLabelControl& label =
        Load(R"(maxincrementaldurationtime="10000" minincrementalvaluepersecond="1000")");
    label.SetProperty("value", Variant(50));
    EXPECT_EQ(Count(label, 6, 10), (Ints{10, 20, 30, 40, 50, 50}));
    // Counting down goes at the same least speed.
    label.SetProperty("value", Variant(25));
    EXPECT_EQ(Count(label, 3, 10), (Ints{40, 30, 25}));
}

TEST_F(NumLabel, ANewValueMidCountRestartsTheBudgetFromTheNumberShown) {
    TNumLabelControl& label = Load(R"(maxincrementaldurationtime="1000")");
    label.SetProperty("value", Variant(100));
    EXPECT_EQ(Count(label, 5, 100), (Ints{10, 20, 30, 40, 50}));
    label.SetProperty("value", Variant(150));
    EXPECT_EQ(Count(label, 2, 100), (Ints{60, 70}));
    // After the budget the value is reached, however far.
    screen.Step(1, 900);
    EXPECT_EQ(label.GetCurrentValue(), 150);
}

TEST_F(NumLabel, WithoutABudgetOrAnimationTheFirstUpdateJumps) {
    TNumLabelControl& label = Load("");
    label.SetProperty("value", Variant(-1234567));
    EXPECT_EQ(label.GetCurrentValue(), 0);
    screen.Step(1, 10);
    EXPECT_EQ(label.GetCurrentValue(), -1234567);
    EXPECT_EQ(Shown(), FormatThousands(-1234567));

    TNumLabelControl& still = Load(R"(maxincrementaldurationtime="1000" animation="no")");
    still.SetProperty("value", Variant(300));
    screen.Step(1, 10);
    EXPECT_EQ(still.GetCurrentValue(), 300);
    // Switching the animation on shows the value at once.
    still.SetProperty("animation", Variant(false));
    still.SetProperty("value", Variant(7));
    still.SetProperty("animation", Variant(true));
    EXPECT_EQ(still.GetCurrentValue(), 7);
    EXPECT_EQ(Shown(), "7");
}

TEST_F(NumLabel, LargeValuesCountWithoutOverflow) {
    TNumLabelControl& label = Load(R"(maxincrementaldurationtime="1000")"
                                   R"( minincrementalvaluepersecond="2000000000")");
    label.SetProperty("value", Variant(-2000000000));
    label.SetProperty("animation", Variant(true));
    ASSERT_EQ(label.GetCurrentValue(), -2000000000);
    label.SetProperty("value", Variant(2000000000));
    // The share is 100 * 4e9 / 1000; the least speed's step 100 * 2e9 / 1000
    // is smaller.
    EXPECT_EQ(Count(label, 2, 100), (Ints{-1600000000, -1200000000}));
    screen.Step(1, 801);
    EXPECT_EQ(label.GetCurrentValue(), 2000000000);
}

TEST_F(NumLabel, AValueThatIsNoNumberChangesNothing) {
    TNumLabelControl& label = Load(R"(maxincrementaldurationtime="1000")");
    label.SetProperty("value", Variant(40));
    label.SetProperty("value", Variant("many"));
    label.SetProperty("maxincrementaldurationtime", Variant("long"));
    EXPECT_EQ(label.GetValue(), 40);
    EXPECT_EQ(label.GetProperty("maxincrementaldurationtime"), Variant(1000));
    EXPECT_EQ(label.GetProperty("value"), Variant(40));
}

TEST_F(NumLabel, TheStoredKeysAreAlwaysWritten) {
    const Ref<IWidget> label = WidgetFromXMLText(R"(<widget type="NumLabelControl" name="n"/>)");
    const Ref<IHierStorage> node = LoadStorageFromXML(WidgetToXMLText(label));
    EXPECT_EQ(ReadString(node, "maxincrementaldurationtime", ""), "0");
    EXPECT_EQ(ReadString(node, "minincrementalvaluepersecond", ""), "0");
    EXPECT_EQ(ReadString(node, "animation", ""), "yes");
    EXPECT_EQ(ReadString(node, "value", "absent"), "absent");
}

class Label : public testing::Test {
protected:
    TLabelControl& Load(const std::string& keys, bool withSelected = true) {
        screen.Platform().SetMousePos({600, 400});
        screen.Load(R"(
          <widget type="group_widget" name="root">
            <widgets>
              <widget type="LabelControl" name="l" visible="yes" width="50" height="20" )" +
                    keys + R"(>
                <widgets>
                  <widget type="test_widget" name="image_normal" visible="yes" width="50" height="20"/>
                  )" +
                    (withSelected
                         ? R"(<widget type="test_widget" name="image_selected" visible="yes"
                          width="50" height="20"/>)"
                         : "") +
                    R"(
                </widgets>
              </widget>
            </widgets>
          </widget>)");
        auto* label = dynamic_cast<TLabelControl*>(screen.Find("l").get());
        if (!label) throw std::runtime_error("no label");
        return *label;
    }
    bool Visible(const std::string& path) { return screen.Find(path)->GetVisible(); }

    TWidgetHarness screen;
};

TEST_F(Label, AnEnabledLabelHighlightsUnderThePointer) {
    Load(R"(enabled="yes")");
    EXPECT_TRUE(Visible("l/image_normal"));
    EXPECT_FALSE(Visible("l/image_selected"));
    screen.Platform().SetMousePos({50, 20});
    screen.Step();
    EXPECT_FALSE(Visible("l/image_normal"));
    EXPECT_TRUE(Visible("l/image_selected"));
    EXPECT_TRUE(screen.Find("l/image_normal")->GetPaused());
    screen.Platform().SetMousePos({51, 20});
    screen.Step();
    EXPECT_TRUE(Visible("l/image_normal"));
    EXPECT_FALSE(screen.Find("l/image_normal")->GetPaused());

    Load(R"(enabled="yes")", false);
    screen.Platform().SetMousePos({10, 10});
    screen.Step();
    EXPECT_TRUE(Visible("l/image_normal"));
}

TEST_F(Label, ADisabledLabelKeepsWhatItsChildrenShow) {
    Load("");
    EXPECT_TRUE(Visible("l/image_normal"));
    EXPECT_TRUE(Visible("l/image_selected"));
    screen.Platform().SetMousePos({10, 10});
    screen.Step(2);
    EXPECT_TRUE(Visible("l/image_normal"));
    EXPECT_TRUE(Visible("l/image_selected"));
    EXPECT_TRUE(screen.Events().empty());
}

TEST(FormatTimeString, MinutesAndPaddedSecondsWithHoursInFront) {
    struct TCase {
        int32_t seconds;
        const char* delimiter;
        const char* text;
    };
    const TCase cases[] = {
        {-1, ":", ""},
        {0, ":", "0:00"},
        {5, ":", "0:05"},
        {59, ":", "0:59"},
        {65, ":", "1:05"},
        {600, ":", "10:00"},
        {3599, ":", "59:59"},
        {3600, ":", "1:0:00"},
        {3725, ":", "1:2:05"},
        {3725, " - ", "1 - 2 - 05"},
        {INT32_MAX, ":", "596523:14:07"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(WideToUTF8(FormatTimeString(c.seconds, c.delimiter)), c.text) << c.seconds;
    }
}

TEST(WideCase, EachRangeOfTheTableConvertsAsListed) {
    struct TCase {
        char16_t unit, upper, lower;
    };
    const TCase cases[] = {
        {u'a', u'A', u'a'}, {u'A', u'A', u'a'},       {u'z', u'Z', u'z'}, {u'0', u'0', u'0'},
        {192, 192, 224},    {215, 215, 247},          {222, 222, 254},    {224, 192, 224},
        {247, 215, 247},    {254, 222, 254},          {223, 223, 223},    {255, 255, 255},
        {256, 256, 257},    {257, 256, 257},          {311, 310, 311},    {312, 312, 312},
        {313, 313, 314},    {314, 313, 314},          {328, 327, 328},    {329, 329, 329},
        {330, 330, 331},    {375, 374, 375},          {376, 376, 376},    {377, 377, 378},
        {382, 381, 382},    {383, 383, 383},          {415, 415, 415},    {416, 416, 417},
        {511, 510, 511},    {512, 512, 512},          {1040, 1040, 1072}, {1071, 1071, 1103},
        {1072, 1040, 1072}, {1103, 1071, 1103},       {1025, 1025, 1105}, {1105, 1025, 1105},
        {1024, 1024, 1024}, {0x20AC, 0x20AC, 0x20AC},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(WideUpperCaseText(WideString(1, c.unit)), WideString(1, c.upper)) << int(c.unit);
        EXPECT_EQ(WideLowerCaseText(WideString(1, c.unit)), WideString(1, c.lower)) << int(c.unit);
    }
    EXPECT_EQ(WideUpperCaseText(u"Grüße, Ёлка"), u"GRÜßE, ЁЛКА");
    EXPECT_EQ(WideLowerCaseText(u"GRÜßE, ЁЛКА"), u"grüße, ёлка");
}

}  // namespace
}  // namespace controltest
