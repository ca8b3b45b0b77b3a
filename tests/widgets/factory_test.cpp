// Widget factories: macros and their case rule, values that cannot break the
// template, the template parsed once without macros, redefined parameters,
// what is stored, and the failures that give no widget.
#include <gtest/gtest.h>

#include "core/storage/XMLStorage.h"
#include "tests/support/LogCapture.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/WidgetFactories.h"
#include "widgets/WidgetUtils.h"

namespace widgettest {
namespace {

Ref<TWidgetFactory> Factory(const std::string& xml) {
    Ref<TWidgetFactory> factory = CreateObject<TWidgetFactory>();
    factory->Load(LoadStorageFromXML(xml));
    return factory;
}

Ref<IParamCollection> Params(const std::string& text) {
    return ParamCollectionFromString(text);
}

TEST(WidgetFactoryMacros, EveryMacroOfAParameterIsReplacedWithItsExactCase) {
    Ref<TWidgetFactory> factory = CreateObject<TWidgetFactory>();
    factory->SetWidgetString("%name%:%score%:%name%:%Name%:%other%");
    EXPECT_EQ(factory->ExpandMacros(Params("\\name=ann\\score=12")), "ann:12:ann:%Name%:%other%");
    // A value holding a later parameter's macro is expanded too.
    EXPECT_EQ(factory->ExpandMacros(Params("\\name=%score%\\score=3")), "3:3:3:%Name%:%other%");
    EXPECT_EQ(factory->ExpandMacros(nullptr), "%name%:%score%:%name%:%Name%:%other%");
}

TEST(WidgetFactoryMacros, ValuesAreEscapedSoTheyCannotBreakOrAddToTheTemplate) {
    Ref<TWidgetFactory> factory = Factory(R"(
      <widgetfactory name="f" type="WidgetFactory">
        <widgetstring><widget type="test_widget" name="%title%" extraparams="\note=%note%"/></widgetstring>
      </widgetfactory>)");
    struct TCase {
        const char* title;
        const char* note;
    };
    const TCase cases[] = {
        {R"(x" visible="yes)", "plain"},
        {"a<b", "c&d"},
        {"it's", "<widgets><widget type=\"test_widget\"/></widgets>"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.title);
        Ref<IParamCollection> p =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        p->SetValue("title", Variant(c.title));
        p->SetValue("note", Variant(c.note));
        const Ref<IWidget> widget = factory->CreateWidget(p);
        ASSERT_TRUE(widget);
        EXPECT_EQ(widget->GetName(), c.title);
        EXPECT_FALSE(widget->GetVisible());
        EXPECT_EQ(widget->GetProperty("note").ToString(), c.note);
    }
}

TEST(WidgetFactoryTemplate, WithoutMacrosTheTemplateIsParsedOnceAndParametersBecomeProperties) {
    Ref<TWidgetFactory> factory = Factory(R"(
      <widgetfactory name="f" type="WidgetFactory" usemacros="no"
                     redefinedparams="\a=score\anything=anchor_left\b=nosuch">
        <widgetstring><widget type="test_widget" name="%n%" extraparams="\score=0"/></widgetstring>
      </widgetfactory>)");
    EXPECT_FALSE(factory->GetUseMacros());
    const Ref<IWidget> first = factory->CreateWidget(Params("\\n=x\\score=5\\anchor_left=12"));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->GetName(), "%n%");  // no macros here
    EXPECT_EQ(first->GetProperty("score").ToString(), "5");
    EXPECT_EQ(first->GetLeft(), 12.0);

    // The held template stays in use after the text changes.
    factory->SetWidgetString(R"(<widget type="test_widget" name="changed"/>)");
    EXPECT_EQ(factory->CreateWidget(nullptr)->GetName(), "%n%");
    const Ref<IWidget> plain = factory->CreateWidget(nullptr);
    EXPECT_EQ(plain->GetProperty("score").ToString(), "0");  // no parameters: nothing copied

    // With macros every creation parses the text as it is now.
    Ref<TWidgetFactory> withMacros = Factory(R"(
      <widgetfactory name="g" type="WidgetFactory">
        <widgetstring><widget type="test_widget" name="one"/></widgetstring>
      </widgetfactory>)");
    EXPECT_TRUE(withMacros->GetUseMacros());
    EXPECT_EQ(withMacros->CreateWidget(nullptr)->GetName(), "one");
    withMacros->SetWidgetString(R"(<widget type="test_widget" name="two"/>)");
    EXPECT_EQ(withMacros->CreateWidget(nullptr)->GetName(), "two");
}

TEST(WidgetFactoryTemplate, AMadeWidgetIsNotStoredWithItsGroup) {
    Ref<TWidgetFactory> factory = Factory(R"(
      <widgetfactory name="f" type="WidgetFactory">
        <widgetstring><widget type="test_widget" name="made"/></widgetstring>
      </widgetfactory>)");
    const Ref<IWidget> made = factory->CreateWidget(nullptr);
    ASSERT_TRUE(made);
    EXPECT_FALSE(Query<IPersistObject2>(made)->IsStored());
    Ref<IWidget> group = WidgetFromXMLText(R"(
      <widget type="group_widget"><widgets><widget type="test_widget" name="kept"/></widgets></widget>)");
    group->GetChildren()->AddWidget(made);
    const std::string saved = WidgetToXMLText(group);
    EXPECT_NE(saved.find("kept"), std::string::npos);
    EXPECT_EQ(saved.find("made"), std::string::npos);
}

TEST(WidgetFactoryStorage, UseMacrosIsWrittenOnlyWhenOff) {
    Ref<TWidgetFactory> on = Factory(R"(
      <widgetfactory name="f" type="WidgetFactory"><widgetstring><widget/></widgetstring></widgetfactory>)");
    const std::string text = WidgetToXMLText(on);
    EXPECT_EQ(text.find("usemacros"), std::string::npos);
    EXPECT_NE(text.find("<widgetstring>"), std::string::npos);
    Ref<TWidgetFactory> off = Factory(R"(
      <widgetfactory name="f" type="WidgetFactory" usemacros="no" redefinedparams="\a=b">
        <widgetstring><widget/></widgetstring></widgetfactory>)");
    const std::string offText = WidgetToXMLText(off);
    EXPECT_NE(offText.find(R"(usemacros="no")"), std::string::npos);
    EXPECT_NE(offText.find(R"(redefinedparams="\a=b")"), std::string::npos);
    // What was written loads back the same.
    Ref<TWidgetFactory> again = Factory(offText);
    EXPECT_FALSE(again->GetUseMacros());
    EXPECT_EQ(WidgetToXMLText(again), offText);
}

TEST(WidgetFactoryFailures, ATemplateThatMakesNoWidgetGivesNullAndALogLine) {
    struct TCase {
        const char* label;
        const char* widgetString;
        const char* logged;
    };
    const TCase cases[] = {
        {"empty", "", "empty"},
        {"not XML", "<widget type=", "does not parse"},
        {"unregistered", R"(<widget type="nosuch_widget"/>)", "not registered"},
        {"no widget", R"(<widget type="WidgetFactory"/>)", "is no widget"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.label);
        for (const bool macros : {true, false}) {
            TLogCapture log;
            Ref<TWidgetFactory> factory =
                Factory(std::string(R"(<widgetfactory name="f" type="WidgetFactory")") +
                        (macros ? "" : R"( usemacros="no")") + "/>");
            factory->SetWidgetString(c.widgetString);
            EXPECT_FALSE(factory->CreateWidget(nullptr));
            EXPECT_FALSE(factory->CreateWidget(nullptr));
            EXPECT_TRUE(log.Has({"WIDGET", "WidgetFactory \"f\"", c.logged}))
                << (log.Lines().empty() ? std::string() : log.Lines().front());
        }
    }
}

TEST(WidgetFactoryCollection, FactoriesAreFoundByNameOrPosition) {
    Ref<TWidgetFactoryCollection> factories = CreateObject<TWidgetFactoryCollection>();
    factories->Load(LoadStorageFromXML(R"(
      <widgetfactories>
        <widgetfactory name="a" type="WidgetFactory"><widgetstring/></widgetfactory>
        <widgetfactory name="b" type="WidgetFactory"><widgetstring/></widgetfactory>
        <widgetfactory name="A" type="WidgetFactory"><widgetstring/></widgetfactory>
      </widgetfactories>)"));
    EXPECT_EQ(factories->GetCount(), 2);
    EXPECT_EQ(factories->GetFactory(Variant("B"))->GetName(), "b");
    EXPECT_EQ(factories->GetFactory(Variant(0))->GetName(), "a");
    EXPECT_FALSE(factories->GetFactory(Variant("c")));
    factories->AddFactory(nullptr);
    EXPECT_EQ(factories->GetCount(), 2);
}

}  // namespace
}  // namespace widgettest
