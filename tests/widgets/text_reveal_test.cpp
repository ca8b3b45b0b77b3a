// The text reveal: one letter per drawn character at its place, faded in one
// after another from the start delay, the texts one after another; the end
// time on the control's own clock, with code 7 when it passes; clicks (code 7
// while running, code 8 after), command 3, a second start, and the missing
// letters group and factories.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/widgets/ControlFixtures.h"
#include "widgets/TextVizualizationControl.h"
#include "widgets/TextWidget.h"

namespace controltest {
namespace {

using Events = std::vector<TTestScreen::TEvent>;

constexpr const char* kLetterFactory = R"(
  <widgetfactory name="vizualization_letter" type="WidgetFactory">
    <widgetstring><widget type="text_widget" name="%name%" resourcename="font" visible="yes"
      anchor_left="%anchor_left%" anchor_top="%anchor_top%" width="%width%"
      height="%height%"/></widgetstring>
  </widgetfactory>)";
constexpr const char* kFadeFactory = R"(
  <widgetfactory name="transparent_widget" type="WidgetFactory">
    <widgetstring><widget type="transparent_scenario" name="%name%" timetolive="300"
      start_trans_level="0" end_trans_level="255"/></widgetstring>
  </widgetfactory>)";
constexpr const char* kLettersGroup =
    R"(<widget type="group_widget" name="letters_group" anchor_left="0" anchor_top="0"/>)";

class TextReveal : public testing::Test {
protected:
    TextReveal() { leaftest::AddFont(screen); }

    // The reveal "r" (300 by 100 at the window's corner; start delay 500,
    // letter delay 100) with the given children and factories, its clock at
    // 1000 ms.
    TControlTextVizualization& Load(const std::string& children,
                                    const std::string& factories = std::string(kLetterFactory) +
                                                                   kFadeFactory) {
        screen.Load(R"(
          <widget type="group_widget" name="root" visible="yes">
            <widgetfactories>)" +
                    factories + R"(</widgetfactories>
            <widgets>
              <widget type="control_text_vizualization" name="r" visible="yes" mousestop="yes"
                      enabled="yes" width="300" height="100" startdelaytime="500"
                      letterdelaytime="100">
                <widgets>)" +
                    children + R"(</widgets>
              </widget>
            </widgets>
          </widget>)");
        auto* reveal = dynamic_cast<TControlTextVizualization*>(screen.Find("r").get());
        if (!reveal) throw std::runtime_error("no text reveal");
        reveal->SetProperty("currenttime", Variant(1000));
        return *reveal;
    }
    static std::string Text(const std::string& name, const std::string& text, int top) {
        return R"(<widget type="text_widget" name=")" + name + R"(" resourcename="font"
                   visible="yes" anchor_left="10" anchor_top=")" +
               std::to_string(top) + R"(" width="200" height="14" text=")" + text + R"("/>)";
    }
    int32_t Letters() { return screen.Find("r/letters_group")->GetChildren()->GetCount(); }
    Ref<IWidget> Letter(const std::string& name) { return screen.Find("r/letters_group/" + name); }
    int32_t Time() { return screen.Find("r")->GetProperty("currenttime").ToInt(); }

    TWidgetHarness screen;
};

TEST_F(TextReveal, LettersFadeInOneAfterAnotherAndTheEndReportsCodeSeven) {
    TControlTextVizualization& reveal = Load(std::string(kLettersGroup) + Text("t", "abcd", 5));
    reveal.SetProperty("InitVizualization", Variant(true));
    // 1000 + 500 + 4 x 100 + 300.
    EXPECT_EQ(reveal.GetProperty("visualization_time"), Variant(2200));
    EXPECT_EQ(reveal.GetProperty("visualization_state"), Variant(1));
    EXPECT_FALSE(screen.Find("r/t")->GetVisible());
    EXPECT_TRUE(screen.Find("r/letters_group")->GetVisible());
    EXPECT_EQ(Letters(), 8);

    // Each letter lies where its character was drawn, holds it, and starts
    // invisible; the fourth starts fading 800 ms after the start.
    const Ref<ITextWidget> text = Query<ITextWidget>(screen.Find("r/t"));
    for (int k = 1; k <= 4; ++k) {
        const Ref<IWidget> letter = Letter("letter_1_" + std::to_string(k));
        ASSERT_TRUE(letter) << k;
        TRect place{};
        ASSERT_TRUE(text->GetSymbolPosition(k, place));
        EXPECT_EQ(letter->GetLeft(), place.left) << k;
        EXPECT_EQ(letter->GetTop(), place.top) << k;
        EXPECT_EQ(letter->GetWidth(), place.right - place.left) << k;
        EXPECT_EQ(letter->GetProperty("text_utf8"), Variant(std::string(1, char('a' + k - 1))));
        EXPECT_EQ(letter->GetTransparentLevel(), 0) << k;
        EXPECT_EQ(Letter("appear_letter_1_" + std::to_string(k))->GetProperty("currenttime"),
                  Variant(-(500 + 100 * (k - 1))))
            << k;
    }

    screen.Step(65, 10);  // the clock at 1650: the first letter half faded in
    EXPECT_EQ(Time(), 1650);
    EXPECT_EQ(Letter("letter_1_1")->GetTransparentLevel(), 127);
    EXPECT_EQ(Letter("letter_1_2")->GetTransparentLevel(), 42);
    EXPECT_EQ(Letter("letter_1_4")->GetTransparentLevel(), 0);
    screen.Step(55, 10);  // 2200: not past the end yet
    EXPECT_EQ(reveal.GetState(), TControlTextVizualization::kRunning);
    EXPECT_EQ(screen.Events(), Events{});
    screen.Step(1, 10);
    EXPECT_EQ(reveal.GetState(), TControlTextVizualization::kFinished);
    EXPECT_EQ(screen.Events(), (Events{{"r", kEventRevealDone}}));
    EXPECT_TRUE(screen.Find("r/t")->GetVisible());
    EXPECT_FALSE(screen.Find("r/letters_group")->GetVisible());
    EXPECT_EQ(Letters(), 0);
    screen.Step(10, 10);
    EXPECT_EQ(screen.Events().size(), 1u);
}

TEST_F(TextReveal, ASecondTextBeginsAfterTheFirstAndKeepsAllItsLetters) {
    TControlTextVizualization& reveal =
        Load(Text("t1", "abcd", 5) + kLettersGroup + Text("t2", "xy", 25));
    reveal.SetProperty("InitVizualization", Variant());
    // 1000 + 500 + 4 x 100 + 300 + 2 x 100 + 300.
    EXPECT_EQ(reveal.GetVisualizationTime(), 2700);
    EXPECT_EQ(Letters(), 12);
    ASSERT_TRUE(Letter("letter_2_2"));
    EXPECT_EQ(Letter("letter_2_2")->GetProperty("text_utf8"), Variant(std::string("y")));
    EXPECT_EQ(Letter("letter_0_4")->GetProperty("text_utf8"), Variant(std::string("d")));
    EXPECT_EQ(Letter("appear_letter_2_1")->GetProperty("currenttime"), Variant(-1200));
    EXPECT_FALSE(screen.Find("r/t1")->GetVisible());
    EXPECT_FALSE(screen.Find("r/t2")->GetVisible());
}

TEST_F(TextReveal, AClickCompletesTheRevealThenReportsCodeEight) {
    TControlTextVizualization& reveal = Load(std::string(kLettersGroup) + Text("t", "abcd", 5));
    // Before a start the click is not taken.
    screen.Click(250, 80);
    EXPECT_EQ(screen.Events(), Events{});
    reveal.SetProperty("InitVizualization", Variant(true));
    screen.Step(2, 10);
    screen.Click(250, 80);
    EXPECT_EQ(screen.Events(), (Events{{"r", kEventRevealDone}}));
    EXPECT_EQ(Letters(), 0);
    EXPECT_TRUE(screen.Find("r/t")->GetVisible());
    screen.Click(250, 80);
    screen.Click(250, 80, SDL_BUTTON_RIGHT);
    EXPECT_EQ(
        screen.Events(),
        (Events{{"r", kEventRevealDone}, {"r", kEventRevealClicked}, {"r", kEventRevealClicked}}));
    // Command 3 reports the end again, even when finished.
    screen.Screen().ClearEvents();
    reveal.ExecuteCommand(3, nullptr);
    EXPECT_EQ(screen.Events(), (Events{{"r", kEventRevealDone}}));
}

TEST_F(TextReveal, StartingAgainClearsTheFirstLetters) {
    TControlTextVizualization& reveal = Load(std::string(kLettersGroup) + Text("t", "abcd", 5));
    reveal.SetProperty("InitVizualization", Variant(true));
    screen.Step(30, 10);
    reveal.SetProperty("InitVizualization", Variant(true));
    EXPECT_EQ(Letters(), 8);
    EXPECT_EQ(reveal.GetVisualizationTime(), 1300 + 1200);
    EXPECT_EQ(Letter("appear_letter_1_1")->GetProperty("currenttime"), Variant(-500));
    screen.Step(5, 10);
    EXPECT_EQ(screen.Events(), Events{});
}

TEST_F(TextReveal, WithoutALettersGroupNothingStarts) {
    TControlTextVizualization& reveal =
        Load(Text("t", "abcd", 5) +
             R"(<widget type="test_widget" name="letters_group" width="5" height="5"/>)");
    reveal.SetProperty("InitVizualization", Variant(true));
    EXPECT_EQ(reveal.GetState(), TControlTextVizualization::kNotStarted);
    EXPECT_TRUE(screen.Find("r/t")->GetVisible());
    screen.Click(250, 80);
    reveal.ExecuteCommand(3, nullptr);
    EXPECT_EQ(reveal.GetState(), TControlTextVizualization::kNotStarted);
    EXPECT_EQ(screen.Events(), Events{});
}

TEST_F(TextReveal, WithoutFadesTheLettersShowAtOnceAndTakeNoTime) {
    TControlTextVizualization& reveal =
        Load(std::string(kLettersGroup) + Text("t", "abcd", 5), kLetterFactory);
    reveal.SetProperty("InitVizualization", Variant(true));
    EXPECT_EQ(reveal.GetVisualizationTime(), 1500);
    EXPECT_EQ(Letters(), 4);
    EXPECT_EQ(Letter("letter_1_1")->GetTransparentLevel(), 255);

    // Without letters either, the texts are hidden for the start delay.
    TControlTextVizualization& bare = Load(std::string(kLettersGroup) + Text("t", "abcd", 5), "");
    bare.SetProperty("InitVizualization", Variant(true));
    EXPECT_EQ(bare.GetVisualizationTime(), 1500);
    EXPECT_EQ(Letters(), 0);
    EXPECT_EQ(bare.GetState(), TControlTextVizualization::kRunning);
    screen.Step(51, 10);
    EXPECT_EQ(screen.Events(), (Events{{"r", kEventRevealDone}}));
}

}  // namespace
}  // namespace controltest
