// Storage of every effect and state widget: what each writes, and that a
// saved widget loads and saves again to the same text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/AppearanceEffects.h"
#include "effects/StateWidgets.h"
#include "tests/effects/EffectTestClasses.h"
#include "tests/support/LogCapture.h"
#include "widgets/WidgetUtils.h"

namespace effecttest {
namespace {

struct TStorageCase {
    const char* name;
    std::string xml;
    std::vector<std::string> written;     // pieces the first save holds
    std::vector<std::string> notWritten;  // and pieces it does not
};

TEST(EffectStorage, EveryKindSavesWhatItLoadsAndLoadsWhatItSaves) {
    const TStorageCase cases[] = {
        {"an effect widget with its effects",
         R"(<widget type="appearance_effect_widget" name="window" enable_effects="no"
                    skip_process_mouse="no" visible="yes">
              <widgets><widget type="test_widget" name="box" width="3" height="4"/></widgets>
              <effects type="appearance_effects">
                <widgets>
                  <widget type="func_appearance_effect" name="show_effect" durationtime="300"
                          surfaceparamname="pic/surface">
                    <sounds><sound name="sound_effect" resourcename="Whoosh"/></sounds>
                    <widgets><widget type="test_surface_widget" name="pic" visible="yes"/></widgets>
                  </widget>
                  <widget type="func_appearance_effect" name="hide_effect"/>
                </widgets>
              </effects>
            </widget>)",
         {R"(enable_effects="no")", R"(skip_process_mouse="no")", "<effects", R"(name="pic")",
          R"(surfaceparamname="pic/surface")", R"(durationtime="300")", R"(durationtime="0")",
          R"(type="appearance_effects")", R"(name="sound_effect")", R"(name="box")"},
         {}},
        {"an effect widget with the flags on and no effects",
         R"(<widget type="appearance_effect_widget" name="plain"/>)",
         {R"(type="appearance_effect_widget")"},
         {"enable_effects", "skip_process_mouse", "<effects", "applyingeffect", "effect_state"}},
        {"a function effect alone",
         R"(<widget type="func_appearance_effect" name="fade" durationtime="25">
              <widgets><widget type="group_widget" name="g"/></widgets>
            </widget>)",
         {R"(durationtime="25")", R"(<widgets><widget)", R"(name="g")"},
         {"surfaceparamname", "state="}},
        {"a sequence transition",
         R"(<widget type="sequience_transition_effect" name="t" durationtime="400"
                    extraparams="\cycle=yes">
              <widgets>
                <widget type="test_widget" name="f0" aliases="\surface1=x"/>
                <widget type="test_widget" name="f1"/>
              </widgets>
            </widget>)",
         {R"(type="sequience_transition_effect")", R"(durationtime="400")", "cycle=yes",
          R"(name="f1")"},
         {"surface1=\""}},
        {"a states widget",
         R"(<widget type="states_widget" name="s" state="1">
              <widgets><widget type="test_widget" name="p0"/><widget type="test_widget" name="p1"/></widgets>
            </widget>)",
         {R"(state="1")", R"(name="p1")"},
         {"states_count"}},
        {"a state machine",
         R"(<widget type="statemachine_widget" name="m">
              <widgets><widget type="test_widget" name="a"/></widgets>
              <actiondefs>
                <actiondef name="idle" state="0" probability="3" duration="250" nextstate="1"
                           widgetname="a"/>
                <actiondef state="1"/>
              </actiondefs>
            </widget>)",
         {R"(<actiondef name="idle" state="0" probability="3" duration="250" nextstate="1" widgetname="a"/>)",
          R"(<actiondef state="1" probability="0" duration="0" nextstate="0" widgetname=""/>)"},
         {"type=\"actiondef"}},
    };
    const TLogCapture log;
    for (const TStorageCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Ref<IWidget> first = WidgetFromXMLText(c.xml);
        ASSERT_TRUE(first);
        const std::string saved = WidgetToXMLText(Ref<IInterface>(first));
        for (const std::string& piece : c.written) {
            EXPECT_NE(saved.find(piece), std::string::npos) << piece << "\n" << saved;
        }
        for (const std::string& piece : c.notWritten) {
            EXPECT_EQ(saved.find(piece), std::string::npos) << piece << "\n" << saved;
        }
        const Ref<IWidget> second = WidgetFromXMLText(saved);
        ASSERT_TRUE(second);
        EXPECT_EQ(WidgetToXMLText(Ref<IInterface>(second)), saved);
    }
    EXPECT_TRUE(log.Lines().empty()) << log.Lines().front();
}

TEST(EffectStorage, AnInnerWidgetOfAnUnknownTypeLeavesTheEffectEmptyAndIsLogged) {
    const TLogCapture log;
    const Ref<TAppearanceEffect> effect = Query<TAppearanceEffect>(WidgetFromXMLText(R"(
        <widget type="func_appearance_effect" durationtime="10">
          <widgets><widget type="no_such_widget"/></widgets>
        </widget>)"));
    ASSERT_TRUE(effect);
    EXPECT_FALSE(effect->GetInner());
    EXPECT_TRUE(log.Has({"WIDGET", "no_such_widget"}));
    EXPECT_EQ(effect->GetWidth(), 0);
    effect->Update(10);  // with no inner widget nothing breaks
    EXPECT_EQ(effect->GetState(), 1);
}

TEST(EffectStorage, TheInnerWidgetCanBeSetByPropertyAndIsOwnedByTheEffect) {
    const Ref<TAppearanceEffect> effect = Query<TAppearanceEffect>(
        WidgetFromXMLText(R"(<widget type="func_appearance_effect" anchor_left="5"/>)"));
    const Ref<IWidget> inner = WidgetFromXMLText(
        R"(<widget type="test_widget" visible="yes" anchor_left="2" width="6" height="7"/>)");
    effect->SetProperty("widget", Variant(inner));
    EXPECT_EQ(effect->GetProperty("widget").ToInterface(), Ref<IInterface>(inner));
    EXPECT_EQ(effect->GetBounds(), (TRect{7, 0, 13, 7}));
    EXPECT_EQ(effect->FindWidget("anything"), inner);
    effect->SetProperty("widget", Variant("no widget"));
    EXPECT_FALSE(effect->GetInner());
    EXPECT_EQ(effect->GetWidth(), 0);
}

}  // namespace
}  // namespace effecttest
