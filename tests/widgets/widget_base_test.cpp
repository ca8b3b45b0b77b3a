// The widget base: the clock with its time rate and lifetime, properties by
// name and by path, aliases and extra parameters, path lookups, the stored
// keys, redefined parameters, the function object and the widget's sounds.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "core/storage/XMLStorage.h"
#include "engine/audio/SoundResources.h"
#include "platform/audio/AudioDevice.h"
#include "tests/support/WavFile.h"
#include "tests/support/WidgetHarness.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/WidgetUtils.h"

namespace widgettest {
namespace {

Ref<TTestWidget> NewTestWidget(const std::string& xml) {
    Ref<TTestWidget> widget = Query<TTestWidget>(WidgetFromXMLText(xml));
    EXPECT_TRUE(widget) << xml;
    return widget;
}

std::string SavedXml(const Ref<IInterface>& object) {
    return WidgetToXMLText(object);
}

struct TRateCase {
    double rate;
    int32_t elapsed;
    int32_t step;  // what the widget's own step gets
};

TEST(WidgetClock, TheTimeRateScalesEachStepRoundingHalvesToEven) {
    const TRateCase cases[] = {
        {1.0, 25, 25},
        {1.0, 2147483647, 2147483647},  // a rate of exactly 1 passes the step untouched
        {0.5, 25, 12},                  // 12.5 goes to the even 12
        {0.5, 27, 14},                  // 13.5 goes to the even 14
        {0.5, 23, 12},                  // 11.5 goes to 12
        {1.5, 7, 10},                   // 10.5 goes to 10
        {2.0, 10, 20},
        {0.0, 10, 0},
        {-1.0, 10, -10},
        {1e12, 10, 2147483647},  // beyond the range: the nearest limit
    };
    for (const TRateCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " x " << c.elapsed);
        Ref<TTestWidget> widget = CreateObject<TTestWidget>();
        widget->SetProperty("time_rate", c.rate);
        widget->Update(c.elapsed);
        EXPECT_EQ(widget->lastElapsed, c.step);
        EXPECT_EQ(widget->GetCurrentTime(), c.step);
        EXPECT_TRUE(widget->GetUpdated());
    }
}

TEST(WidgetClock, ALifetimeEndsWhenTheAgeReachesIt) {
    Ref<TTestWidget> widget = NewTestWidget(R"(<widget type="test_widget" timetolive="500"/>)");
    widget->Update(200);
    widget->Update(200);
    EXPECT_FALSE(widget->GetDead());
    widget->Update(100);  // exactly 500
    EXPECT_TRUE(widget->GetDead());

    Ref<TTestWidget> forever = NewTestWidget(R"(<widget type="test_widget"/>)");
    for (int i = 0; i < 100; ++i) forever->Update(100000);
    EXPECT_FALSE(forever->GetDead());
}

TEST(WidgetClock, RestartRewindsToZeroWhileTheStoredAgeStays) {
    Ref<TTestWidget> widget =
        NewTestWidget(R"(<widget type="test_widget" currenttime="1000" paused="yes"/>)");
    EXPECT_EQ(widget->GetCurrentTime(), 1000);
    EXPECT_TRUE(widget->GetPaused());
    widget->Update(50);
    EXPECT_EQ(widget->GetCurrentTime(), 1050);
    widget->Restart();
    EXPECT_EQ(widget->GetCurrentTime(), 0);
    EXPECT_FALSE(widget->GetPaused());
    EXPECT_EQ(widget->lastElapsed, 0);  // restart runs an update of 0
    EXPECT_NE(SavedXml(widget).find(R"(currenttime="1000")"), std::string::npos);
}

TEST(WidgetClock, TheAgeStopsAtTheLimitsInsteadOfWrapping) {
    Ref<TTestWidget> widget =
        NewTestWidget(R"(<widget type="test_widget" currenttime="2147483000"/>)");
    widget->Update(10000);
    EXPECT_EQ(widget->GetCurrentTime(), 2147483647);
}

TEST(WidgetProperties, SettingTheAgeMarksAChangeOnlyWhenItDiffers) {
    Ref<TTestWidget> widget = CreateObject<TTestWidget>();
    widget->SetProperty("currenttime", 0);
    EXPECT_FALSE(widget->GetChanged());
    widget->SetProperty("currenttime", 250);
    EXPECT_TRUE(widget->GetChanged());
    EXPECT_EQ(widget->GetProperty("currenttime").ToInt(), 250);
}

TEST(WidgetProperties, AFreshWidgetIsTransparentUntilLoaded) {
    EXPECT_EQ(CreateObject<TTestWidget>()->GetTransparentLevel(), 0);
    EXPECT_EQ(NewTestWidget(R"(<widget type="test_widget"/>)")->GetTransparentLevel(), 255);
    EXPECT_EQ(NewTestWidget(R"(<widget type="test_widget" transparentlevel="300"/>)")
                  ->GetTransparentLevel(),
              44);  // stored as a byte
}

// One tree for the property table: paths, the class's names, extra
// parameters, aliases, in that order of precedence.
constexpr char kPropertyTree[] = R"(
<widget type="group_widget" name="root" visible="yes">
  <widgets>
    <widget type="test_widget" name="a" visible="yes" anchor_left="10.5" anchor_top="20"
            width="30" height="40" z="2"
            extraparams="\score=7\anchor_left=99\note={x\y}"
            aliases="\x=anchor_left\self=self\score=width\far=../b/width\loop1=loop2\loop2=loop1"/>
    <widget type="test_widget" name="b" width="5" height="6" visible="yes"
            aliases="y=anchor_top\x2=anchor_left"/>
  </widgets>
</widget>)";

struct TGetCase {
    const char* from;  // path from the root
    const char* name;
    std::optional<std::string> value;  // nullopt: Null
};

TEST(WidgetProperties, NamesResolveByPathThenTableThenExtraParamsThenAliases) {
    TWidgetHarness screen;
    screen.Load(kPropertyTree);
    const TGetCase cases[] = {
        {"a", "anchor_left", "10.5"},  // the class's own name wins over the extra one
        {"a", "left", "10.5"},         // the drawn position
        {"a", "top", "20"},
        {"a", "width", "30"},
        {"a", "z", "2"},
        {"a", "visible", "True"},
        {"a", "name", "a"},
        {"a", "transparentlevel", "255"},
        {"a", "time_rate", "1"},
        {"a", "score", "7"},  // the extra parameter wins over the alias
        {"a", "note", "x\\y"},
        {"a", "x", "10.5"},            // an alias of a name
        {"a", "far", "5"},             // an alias of a path
        {"a", "self", std::nullopt},   // an alias of itself means nothing
        {"a", "loop1", std::nullopt},  // aliases in a loop end
        {"a", "nosuch", std::nullopt},
        {"b", "y", std::nullopt},  // a first pair without its separator never matches
        {"b", "x2", "0"},
        {".", "a/width", "30"},           // child/property
        {".", "A/Height", std::nullopt},  // the child's name ignores case, the property's not
        {".", "A/height", "40"},
        {".", "a/../b/height", "6"},  // up and across
        {"a", "../b/width", "5"},
        {".", "./a/z", "2"},
        {".", "nosuch/width", std::nullopt},
        {".", "a/nosuch", std::nullopt},
        {".", "/a/width", std::nullopt},  // a leading "/" names nothing
        {".", "window:/a/width", "30"},
        {".", "width", "40"},  // the group's bounds: b's 0 to a's 10.5 + 30
        {".", "left", "0"},
    };
    for (const TGetCase& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " : " + c.name);
        const Ref<IWidget> from = screen.Find(c.from);
        ASSERT_TRUE(from);
        const Variant value = from->GetProperty(c.name);
        if (!c.value) {
            EXPECT_TRUE(value.IsNull()) << value.ToString();
        } else {
            EXPECT_EQ(value.ToString(), *c.value);
        }
    }
    EXPECT_TRUE(screen.Log().Has({"WIDGET", "\"loop1\"", "loop"}));
}

struct TSetCase {
    const char* from;
    const char* name;
    Variant value;
    const char* check;  // read back from the root
    std::string expected;
};

TEST(WidgetProperties, SettingFollowsTheSameOrderAndNeverRaises) {
    TWidgetHarness screen;
    screen.Load(kPropertyTree);
    const TSetCase cases[] = {
        {".", "a/anchor_left", Variant(5.25), "a/anchor_left", "5.25"},
        {"a", "x", Variant(7), "a/anchor_left", "7"},       // through the alias
        {"a", "score", Variant("12"), "a/score", "12"},     // the extra parameter
        {"a", "score", Variant("12"), "a/width", "30"},     // ... not the alias target
        {"a", "anchor_left", Variant(3), "a/score", "12"},  // the table, not the extra one
        {"a", "width", Variant("wide"), "a/width", "30"},   // does not convert: kept
        {"a", "transparentlevel", Variant(300), "a/transparentlevel", "255"},
        {"a", "left", Variant(99), "a/left", "3"},  // read only
        {"a", "../b/height", Variant(16), "b/height", "16"},
        {".", "nosuch/height", Variant(1), "b/height", "16"},
        {"a", "nosuch", Variant(1), "a/nosuch", ""},
        {"a", "loop1", Variant(1), "a/anchor_left", "3"},
    };
    for (const TSetCase& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " : " + c.name);
        const Ref<IWidget> from = screen.Find(c.from);
        ASSERT_TRUE(from);
        EXPECT_NO_THROW(from->SetProperty(c.name, c.value));
        EXPECT_EQ(screen.Root()->GetProperty(c.check).ToString(), c.expected);
    }
    EXPECT_TRUE(screen.Log().Has({"property \"width\"", "\"wide\""}));
}

TEST(WidgetProperties, ReadOnlySizeOnThePlainBase) {
    Ref<TAbstractWidget> plain = CreateObject<TAbstractWidget>();
    EXPECT_EQ(plain->GetProperty("width").ToInt(), 0);
    EXPECT_NO_THROW(plain->SetProperty("width", 5));
    EXPECT_EQ(plain->GetProperty("width").ToInt(), 0);
    EXPECT_EQ(plain->GetProperty("z").ToInt(), -1);
    EXPECT_TRUE(plain->GetProperty("owner").ToInterface() == nullptr);

    Ref<TTestWidget> single = CreateObject<TTestWidget>();
    single->SetProperty("width", 5);
    EXPECT_EQ(single->GetWidth(), 5);
    EXPECT_TRUE(single->GetMoved());
}

TEST(WidgetProperties, ExtraParamsMadeOnFirstUse) {
    Ref<TTestWidget> widget = CreateObject<TTestWidget>();
    EXPECT_TRUE(widget->GetProperty("level").IsNull());
    widget->SetProperty("level", 3);  // no extra parameters yet: nothing
    EXPECT_FALSE(widget->GetExtraParams());
    widget->SetExtraParam("level", 3);
    EXPECT_EQ(widget->GetProperty("level").ToInt(), 3);
    widget->SetProperty("level", 4);
    EXPECT_EQ(widget->GetProperty("level").ToInt(), 4);
}

TEST(WidgetStorage, AWidgetLoadedWithoutKeysWritesNone) {
    Ref<IWidget> plain = WidgetFromXMLText(R"(<widget type="plain_widget" name="p"/>)");
    ASSERT_TRUE(plain);
    EXPECT_EQ(SavedXml(plain), R"(<widget name="p" type="plain_widget"/>)");
}

TEST(WidgetStorage, ExtraValuesWithTheSeparatorReadBackAsOneValue) {
    Ref<TTestWidget> widget = CreateObject<TTestWidget>();
    widget->SetExtraParam("path", "a\\b\\c");
    widget->SetExtraParam("braced", "{x}");
    widget->SetExtraParam("padded", " x ");
    widget->SetExtraParam("plain", "7");
    widget->SetExtraParam("number", 2.5);
    Ref<TTestWidget> copy = Query<TTestWidget>(CloneWidget(widget));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetProperty("path").ToString(), "a\\b\\c");
    EXPECT_EQ(copy->GetProperty("braced").ToString(), "{x}");
    EXPECT_EQ(copy->GetProperty("padded").ToString(), " x ");
    EXPECT_EQ(copy->GetProperty("plain").ToString(), "7");
    EXPECT_EQ(copy->GetProperty("number").ToString(), "2.5");
    EXPECT_EQ(copy->GetExtraParams()->GetCount(), 5);
}

TEST(WidgetStorage, AnExtraValueThatCannotBeWrittenFaithfullyIsLogged) {
    TLogCapture log;
    Ref<TTestWidget> widget = CreateObject<TTestWidget>();
    widget->SetExtraParam("broken", "{a\\b");  // an unpaired brace and a separator
    SavedXml(widget);
    EXPECT_TRUE(log.Has({"WIDGET", "\"broken\"", "reads back"}));
}

TEST(WidgetPaths, FindWidgetTable) {
    TWidgetHarness screen;
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgets>
          <widget type="group_widget" name="panel" visible="yes">
            <widgets><widget type="test_widget" name="button"/></widgets>
          </widget>
          <widget type="test_widget" name="b"/>
        </widgets>
      </widget>)");
    struct TCase {
        const char* from;
        const char* path;
        const char* found;  // null: nothing
    };
    const TCase cases[] = {
        {".", "", "root"},
        {".", ".", "root"},
        {".", "panel", "panel"},
        {".", "PANEL/Button", "button"},
        {".", "panel/", "panel"},
        {".", "./panel/./button", "button"},
        {".", "/panel", nullptr},
        {".", "nosuch", nullptr},
        {".", "panel/nosuch", nullptr},
        {".", "b/x", nullptr},  // a leaf has no children
        {".", "..", "root"},    // the screen resolves "" from its root
        {"panel/button", "..", "panel"},
        {"panel/button", "../..", "root"},
        {"panel/button", "../../b", "b"},
        {"panel/button", "window:/b", "b"},
        {"panel/button", "window:/panel/button", "button"},
        {"panel/button", "window:", "root"},
        {"panel/button", "window:b", nullptr},  // "window:" is a name of its own
        {"panel/button", "window:/", "root"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.path);
        const Ref<IWidget> from = screen.Find(c.from);
        ASSERT_TRUE(from);
        const Ref<IWidget> found = from->FindWidget(c.path);
        if (!c.found) {
            EXPECT_FALSE(found);
        } else {
            ASSERT_TRUE(found);
            EXPECT_EQ(found->GetName(), c.found);
        }
    }
    auto* button = dynamic_cast<TAbstractWidget*>(screen.Find("panel/button").get());
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetPath(), "test_screen/root/panel/button");

    // Without an owner, ".." and "window:" find nothing.
    Ref<TTestWidget> loose = CreateObject<TTestWidget>();
    EXPECT_FALSE(loose->FindWidget(".."));
    EXPECT_FALSE(loose->FindWidget("window:/b"));
    EXPECT_EQ(loose->FindWidget("").get(), static_cast<IWidget*>(loose.get()));
}

TEST(WidgetAttach, RedefinedParamsCopyPropertiesWhenAttached) {
    TWidgetHarness screen;
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgets>
          <widget type="test_widget" name="b" anchor_left="42" width="5" height="6"/>
          <widget type="test_widget" name="c"
                  redefinedparams="\anchor_left=../b/anchor_left\width=nosuch/width\height=../b/height"/>
        </widgets>
      </widget>)");
    const Ref<IWidget> c = screen.Find("c");
    EXPECT_EQ(c->GetLeft(), 42.0);
    EXPECT_EQ(c->GetWidth(), 0);   // the failing pair changes nothing
    EXPECT_EQ(c->GetHeight(), 6);  // and the pair after it still runs
}

TEST(WidgetFunction, AttachPreparesAndEachUpdateDrivesTheFunction) {
    TWidgetHarness screen;
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgets>
          <widget type="test_widget" name="m" anchor_left="3" visible="yes" width="2" height="2">
            <function_widget type="test_function" outputs="anchor_left,anchor_top"
                             inputs="currenttime" scale="0.5" offset="1"/>
          </widget>
        </widgets>
      </widget>)");
    auto* widget = dynamic_cast<TTestWidget*>(screen.Find("m").get());
    ASSERT_NE(widget, nullptr);
    // Held here: the tree lets it go when the root is dropped below.
    const Ref<IFunction> held = widget->GetFunctionObject();
    auto* function = dynamic_cast<TTestFunction*>(held.get());
    ASSERT_NE(function, nullptr);
    EXPECT_EQ(function->setOwnerCalls, 1);
    EXPECT_TRUE(function->ownerWasNull);
    EXPECT_EQ(function->prepareCalls, 1);
    EXPECT_EQ(function->calculateCalls, 1);  // one step at attach
    // The outputs were first given the widget's own values.
    ASSERT_GE(function->pushedOutputs.size(), 2u);
    EXPECT_EQ(function->pushedOutputs[0], 3.0);
    EXPECT_EQ(widget->GetLeft(), 1.0);  // 0.5 * 0 + 1

    screen.Step(1, 20);
    EXPECT_EQ(function->calculateCalls, 2);
    EXPECT_EQ(widget->GetLeft(), 11.0);  // 0.5 * 20 + 1
    EXPECT_EQ(widget->GetTop(), 11.0);

    widget->Restart();
    EXPECT_EQ(function->prepareCalls, 2);
    EXPECT_EQ(widget->GetLeft(), 1.0);

    const std::string saved = SavedXml(Ref<IInterface>(widget));
    EXPECT_NE(saved.find(R"(<function_widget type="test_function")"), std::string::npos) << saved;

    screen.SetRoot(nullptr);
    EXPECT_EQ(function->releaseCalls, 1);
}

TEST(WidgetFunction, ARealFunctionObjectMovesTheWidgetWithItsAge) {
    TWidgetHarness screen;
    screen.Load(R"(
      <widget type="group_widget">
        <widgets>
          <widget type="test_widget" name="m">
            <function_widget type="function_multiply">
              <paramspace><paramdefs>
                <paramdef name="x" col="0" row="0" outname="anchor_left"/>
                <paramdef name="t" col="1" row="0" outname="currenttime"/>
                <paramdef name="k" col="1" row="1" static="yes" value="0.5"/>
              </paramdefs></paramspace>
            </function_widget>
          </widget>
        </widgets>
      </widget>)");
    const Ref<IWidget> widget = screen.Find("m");
    EXPECT_EQ(widget->GetLeft(), 0.0);
    screen.Step(3, 10);
    EXPECT_EQ(widget->GetLeft(), 15.0);  // 30 ms times 0.5
}

// A motion path drives the widget's anchor from its age, frame by frame.
TEST(WidgetFunction, APathSegmentPlacesTheWidgetWhereThePathIsAtItsAge) {
    TWidgetHarness screen;
    screen.Load(R"(
      <widget type="group_widget">
        <widgets>
          <widget type="test_widget" name="m">
            <function_widget type="path_segment">
              <paramspace><paramdefs>
                <paramdef name="X" col="0" row="0" outname="anchor_left"/>
                <paramdef name="Y" col="0" row="1" outname="anchor_top"/>
                <paramdef name="T" col="1" row="0" outname="currenttime"/>
                <paramdef name="X1" col="2" row="0" static="yes" value="10"/>
                <paramdef name="Y1" col="2" row="1" static="yes" value="20"/>
                <paramdef name="X2" col="2" row="2" static="yes" value="110"/>
                <paramdef name="Y2" col="2" row="3" static="yes" value="70"/>
                <paramdef name="TotalTime" col="2" row="4" static="yes" value="1000"/>
              </paramdefs></paramspace>
            </function_widget>
          </widget>
        </widgets>
      </widget>)");
    const Ref<IWidget> widget = screen.Find("m");
    struct Stop {
        int frames;
        double left, top;
    };
    // Cumulative: 250 ms, 500 ms, then 1000 ms, the end of the segment.
    for (const Stop& stop : {Stop{25, 35, 32.5}, Stop{25, 60, 45}, Stop{50, 110, 70}}) {
        screen.Step(stop.frames, 10);
        EXPECT_NEAR(widget->GetLeft(), stop.left, 1e-3);
        EXPECT_NEAR(widget->GetTop(), stop.top, 1e-3);
    }
}

TEST(WidgetFunction, ATypeThatMakesNoFunctionIsLoggedAndIgnored) {
    TLogCapture log;
    Ref<IWidget> widget = WidgetFromXMLText(R"(
      <widget type="test_widget"><function_widget type="group_widget"/></widget>)");
    ASSERT_TRUE(widget);
    EXPECT_FALSE(dynamic_cast<TTestWidget*>(widget.get())->GetFunctionObject());
    EXPECT_TRUE(log.Has({"WIDGET", "function_widget", "\"group_widget\""}));
}

// Sounds: a widget's own sound plays through the engine; with the settings
// overridden it plays at the given pan and the sound keeps its own.
class WidgetSounds : public testing::Test {
protected:
    static constexpr int kRate = 44100;

    // The mean of each channel over the next ms of output.
    std::pair<float, float> Listen(int ms) {
        auto* device = static_cast<TAudioDevice*>(screen.Engine().Audio()->GetBackend());
        const size_t frames = size_t(kRate) * size_t(ms) / 1000;
        std::vector<float> pcm(2 * frames);
        device->RenderFloat(pcm.data(), frames);
        double left = 0, right = 0;
        for (size_t i = 0; i < frames; ++i) {
            left += std::fabs(pcm[2 * i]);
            right += std::fabs(pcm[2 * i + 1]);
        }
        return {float(left / frames), float(right / frames)};
    }

    TWidgetHarness screen;
};

TEST_F(WidgetSounds, OverriddenSettingsApplyToOnePlaybackOnly) {
    screen.Folder().Write("beep.wav", MakeWav16(kRate, 1, std::vector<int16_t>(kRate, 16384)));
    screen.Engine().LoadResources(LoadStorageFromXML(R"(<resources><content>
        <resource name="Beep" type="SoundResource" file="beep.wav"/>
      </content></resources>)"),
                                  "test", kLoadResourcesAtOnce);
    ASSERT_TRUE(screen.Engine().GetResource("Beep"));
    screen.Engine().SetOption("SoundVolume", Variant("100"));
    screen.Load(R"(
      <widget type="group_widget">
        <widgets>
          <widget type="test_widget" name="w">
            <sounds><sound name="click" resourcename="Beep" pan="100" volume="100"/></sounds>
          </widget>
        </widgets>
      </widget>)");
    const Ref<IWidget> widget = screen.Find("w");
    const Ref<ISound> sound = widget->GetSounds()->Find(Variant("click"));
    ASSERT_TRUE(sound);

    const TChannelHandle overridden = widget->PlaySound("click", true, -100, 100);
    ASSERT_NE(overridden, 0u);
    EXPECT_EQ(sound->GetPan(), 100);  // put back at once
    EXPECT_EQ(sound->GetVolume(), 100);
    auto [left, right] = Listen(20);
    EXPECT_GT(left, 0.1f);
    EXPECT_LT(right, 0.01f);
    widget->StopSound("click");

    ASSERT_NE(widget->PlaySound("click", false, -100, 0), 0u);
    std::tie(left, right) = Listen(20);
    EXPECT_LT(left, 0.01f);
    EXPECT_GT(right, 0.1f);

    EXPECT_EQ(widget->PlaySound("nosuch", false, 0, 100), 0u);
    Ref<TTestWidget> loose = CreateObject<TTestWidget>();
    EXPECT_EQ(loose->PlaySound("click", false, 0, 100), 0u);  // no sounds, no owner
}

}  // namespace
}  // namespace widgettest
