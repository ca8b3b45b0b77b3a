// Custom settings scripts run by the real game at the end of its Init: the
// scripts in order, each command's effect on options, resources and the
// screens' widgets, and the scripts and commands that cannot run.
#include <gtest/gtest.h>

#include <string>

#include "core/packs/Cipher.h"
#include "core/storage/XMLStorage.h"
#include "game/CustomSettings.h"
#include "tests/game/ShellClassesFixture.h"

namespace {

using namespace gametest;

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kDark = 0xFF101010;

std::string Script(const std::string& commands) {
    return "<settings><commands>" + commands + "</commands></settings>";
}

std::string Param(const std::string& name, const std::string& value) {
    return R"(<command type="param_command" paramname=")" + name + R"(" value=")" + value +
           R"("/>)";
}

std::string AddWidget(const std::string& screen, const std::string& parent,
                      const std::string& widgetXml) {
    return R"(<command type="add_widget_command" gamescreenname=")" + screen +
           R"(" parent_widget_name=")" + parent + R"("><storage_string>)" + widgetXml +
           "</storage_string></command>";
}

std::string ChangeProperty(const std::string& screen, const std::string& path,
                           const std::string& name, const std::string& value) {
    return R"(<command type="widget_change_property_value_command" gamescreenname=")" + screen +
           R"(" widgetname=")" + path + R"(" paramname=")" + name + R"(" value=")" + value +
           R"("/>)";
}

std::string Settings(std::initializer_list<std::string> entries) {
    std::string xml = "<custom_settings>";
    for (const std::string& entry : entries) xml += entry;
    return xml + "</custom_settings>";
}

std::string Entry(const std::string& file, const std::string& key = "") {
    return R"(<custom_setting filename=")" + file + R"(" key=")" + key + R"("/>)";
}

// The main screen: "top" (a leaf) and "panel" (a group holding "inner"
// and "badge") in its window, and a leaf "inner" of its own beside them.
std::string MainScreen() {
    return ScreenOf("GS_Main",
                    Leaf("top", 0, 0, 10, 10, kDark) + Leaf("inner", 20, 0, 10, 10, kDark) +
                        R"(<widget type="group_widget" name="panel" visible="yes"><widgets>)" +
                        Leaf("inner", 40, 0, 10, 10, kDark) + Leaf("badge", 60, 0, 10, 10, kRed) +
                        "</widgets></widget>");
}

std::string GameWith(const std::string& settings) {
    return GameOf(R"(maings="GS_Main")",
                  settings + R"(<params><param name="ShowHints" value="yes"/></params>)" +
                      ScreensOf(MainScreen()));
}

// A command made from its XML, as a script's collection makes it.
Ref<ISettingsCommand> Command(const std::string& xml) {
    return Query<ISettingsCommand>(CreateObjectFromStorage(LoadStorageFromXML(xml)));
}

class CustomSettingsTest : public OwnShellClassesTest {
protected:
    Ref<IWidget> Widget(const std::string& path) const {
        const Ref<IWindow> window = harness->Screen("GS_Main")->GetWindow();
        return window ? window->FindWidget(path) : nullptr;
    }
    int32_t ChildCount(const std::string& path) const {
        return Widget(path)->GetChildren()->GetCount();
    }
};

TEST_F(CustomSettingsTest, ScriptsRunInTheirOrderAndALaterOneSeesWhatAnEarlierOneAdded) {
    // Both entries unnamed: each is kept and runs.
    TGameHarness& game = Start(
        GameWith(Settings({Entry("first.xml"), Entry("second.xml")})),
        {{"first.xml", Script(Param("ShowHints", "first") +
                              AddWidget("GS_Main", "", Leaf("added", 100, 100, 10, 10, kRed)))},
         {"second.xml", Script(Param("ShowHints", "second") +
                               ChangeProperty("GS_Main", "added", "visible", "false"))}});
    ASSERT_TRUE(game.Game());
    const Ref<TCustomSettingsCollection> settings = Ref<TCustomSettingsCollection>(
        dynamic_cast<TCustomSettingsCollection*>(Game().GetCustomSettings().get()));
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->GetCount(), 2);
    EXPECT_EQ(Game().GetOption("ShowHints"), Variant("second"));
    const Ref<IWidget> added = Widget("added");
    ASSERT_TRUE(added);
    EXPECT_FALSE(added->GetVisible());
    EXPECT_EQ(added->GetOwner(), Query<IWidgetOwner>(Widget("")).get());
    EXPECT_TRUE(game.Log().Lines().empty()) << game.Log().Lines().front();
}

TEST_F(CustomSettingsTest, AnAddedWidgetReplacesTheParentsChildOfTheSameName) {
    TGameHarness& game = Start(
        GameWith(Settings({Entry("s.xml")})),
        {{"s.xml", Script(AddWidget("GS_Main", "panel",
                                    Leaf("badge", 60, 0, 7, 10, kDark, R"(tabstop="yes")")))}});
    ASSERT_TRUE(game.Game());
    EXPECT_EQ(ChildCount("panel"), 2);
    const Ref<IWidget> badge = Widget("panel/badge");
    ASSERT_TRUE(badge);
    EXPECT_EQ(badge->GetWidth(), 7);
    EXPECT_TRUE(badge->GetTabStop());
    EXPECT_EQ(badge->GetOwner(), Query<IWidgetOwner>(Widget("panel")).get());
    // The old one is gone: removed and freed before the new one came in.
    EXPECT_TRUE(JournalHas("destroy badge"));
}

TEST_F(CustomSettingsTest, AWidgetIsAddedOnlyWhereItsScreenAndAParentThatHoldsChildrenAre) {
    Start(GameWith(""));
    struct TCase {
        const char* screen;
        const char* parent;
        std::string widget;
        const char* foundAt;  // where the new widget is, "" for nowhere
    };
    const TCase cases[] = {
        {"GS_Main", "panel", Leaf("a1", 0, 0, 1, 1, kRed), "panel/a1"},
        {"gs_main", "PANEL", Leaf("a2", 0, 0, 1, 1, kRed), "panel/a2"},  // names ignore case
        {"GS_Main", "", Leaf("a3", 0, 0, 1, 1, kRed), "a3"},
        {"GS_Main", "no_such", Leaf("a4", 0, 0, 1, 1, kRed), "a4"},  // the window's root
        {"GS_Main", "top", Leaf("a5", 0, 0, 1, 1, kRed), ""},        // a leaf holds no children
        {"GS_None", "", Leaf("a6", 0, 0, 1, 1, kRed), ""},
        {"GS_Main", "", R"(<widget type="no_such_widget" name="a7"/>)", ""},
        {"GS_Main", "", R"(<widget type="GameScreen" name="a8"/>)", ""},  // no widget
        {"GS_Main", "", "&lt;widget", ""},                                // its text, no XML
    };
    for (const TCase& c : cases) {
        const int32_t rootCount = ChildCount("");
        const int32_t panelCount = ChildCount("panel");
        const Ref<ISettingsCommand> command = Command(AddWidget(c.screen, c.parent, c.widget));
        ASSERT_TRUE(command);
        command->Execute(&Game());
        const std::string where = std::string(c.screen) + " " + c.parent + " " + c.widget;
        const int32_t added = ChildCount("") - rootCount + ChildCount("panel") - panelCount;
        EXPECT_EQ(added, *c.foundAt ? 1 : 0) << where;
        if (*c.foundAt) {
            EXPECT_TRUE(Widget(c.foundAt)) << where;
        }
    }
    EXPECT_TRUE(harness->Log().Has({"GAME", "add_widget_command", "no valid XML"}));
}

TEST_F(CustomSettingsTest, APropertyPathNamesAChildOfTheRootThenItsChildren) {
    Start(GameWith(""));
    struct TCase {
        const char* path;
        const char* changed;  // the widget whose "z" becomes 5, "" for none
    };
    const TCase cases[] = {
        {"panel\\inner", "panel/inner"},
        {" panel \\\\ inner\\ ", "panel/inner"},  // trimmed, empty names dropped
        {"inner", "inner"},
        {"missing\\inner", ""},
        {"inner\\x", ""},  // a leaf has no children
        {"panel\\missing", ""},
        {"", ""},
        {"panel/inner", ""},  // "/" is no separator here
    };
    for (const TCase& c : cases) {
        for (const char* path : {"inner", "panel/inner", "panel"}) Widget(path)->SetZ(0);
        const Ref<ISettingsCommand> command = Command(ChangeProperty("GS_Main", c.path, "z", "5"));
        ASSERT_TRUE(command);
        command->Execute(&Game());
        for (const char* path : {"inner", "panel/inner", "panel"}) {
            EXPECT_EQ(Widget(path)->GetZ(), std::string(path) == c.changed ? 5 : 0)
                << "path \"" << c.path << "\", widget " << path;
        }
    }
    // Another screen, or none: nothing.
    Command(ChangeProperty("GS_None", "inner", "z", "5"))->Execute(&Game());
    EXPECT_EQ(Widget("inner")->GetZ(), 0);
}

TEST_F(CustomSettingsTest, LoadedResourcesBelongToTheirGroupAndLeaveWithIt) {
    TGameHarness& game =
        Start(GameWith(Settings({Entry("s.xml")})),
              {{"s.xml", Script(R"(<command type="load_resource_command" groupname="extra">
                               <storage_string>)" +
                                ResourceList("r_extra") + R"(</storage_string></command>)")}});
    ASSERT_TRUE(game.Game());
    const Ref<IResource> resource = game.Engine().GetResource("r_extra");
    ASSERT_TRUE(resource);
    EXPECT_EQ(resource->GetGroupName(), "extra");
    EXPECT_TRUE(JournalHas("load r_extra"));
    game.Engine().RemoveResources("extra");
    EXPECT_FALSE(game.Engine().GetResource("r_extra"));
    EXPECT_TRUE(JournalHas("unload r_extra"));
}

TEST_F(CustomSettingsTest, UnreadableScriptsAndUnknownCommandsAreSkippedWithALogLine) {
    const std::string key = "s3cr3tkey0000001";
    const std::string enciphered =
        TCipher_Xtea(key).CodeString(Script(Param("ShowFPS", "from_cipher")), paEncode, kFormatHex);
    TGameHarness& game = Start(GameWith(Settings({Entry("missing.xml"), Entry("broken.xml"),
                                                  Entry("cipher.txt", "wrongkey00000000"),
                                                  Entry("cipher.txt", key), Entry("unknown.xml")})),
                               {{"broken.xml", Script(Param("ShowHints", "broken")) + "<"},
                                {"cipher.txt", enciphered + "\n"},
                                {"unknown.xml", Script(R"(<command type="no_such_command"/>)"
                                                       R"(<command type="GameScreen"/>)" +
                                                       Param("ShowHints", "after"))}});
    ASSERT_TRUE(game.Game());
    // Every script after a bad one still runs.
    EXPECT_EQ(Game().GetOption("ShowFPS"), Variant("from_cipher"));
    EXPECT_EQ(Game().GetOption("ShowHints"), Variant("after"));
    EXPECT_TRUE(game.Log().Has({"GAME", "missing.xml", "cannot be read"}));
    EXPECT_TRUE(game.Log().Has({"GAME", "broken.xml", "cannot be read"}));
    EXPECT_TRUE(game.Log().Has({"GAME", "cipher.txt", "under its key"}));
    EXPECT_TRUE(game.Log().Has({"GAME", "no_such_command", "skipped"}));
    EXPECT_TRUE(game.Log().Has({"GAME", "\"GameScreen\"", "no command"}));
}

TEST(CustomSettingsStorage, TheDefinitionKeepsFileAndKeyAndACommandItsFragment) {
    const Ref<TCustomSettingsCollection> settings = CreateObject<TCustomSettingsCollection>();
    settings->Load(LoadStorageFromXML(
        R"(<custom_settings><custom_setting filename="a.xml"/>
             <custom_setting filename="b.txt" key="k1"/></custom_settings>)"));
    ASSERT_EQ(settings->GetCount(), 2);
    const Ref<IHierStorageRoot> document = CreateStorage("custom_settings");
    ASSERT_TRUE(document->SaveObject(Query<IPersistObject>(settings)));
    std::string xml;
    ASSERT_TRUE(document->SaveToXML(xml));
    EXPECT_EQ(xml, R"(<custom_settings><custom_setting filename="a.xml"/>)"
                   R"(<custom_setting filename="b.txt" key="k1"/></custom_settings>)");

    // The fragment is kept as the XML of the child's content and written
    // back the same way; a command without one writes none.
    const Ref<ISettingsCommand> command =
        Command(AddWidget("GS_Main", "panel", R"(<widget type="qm_game_leaf" name="x"/>)"));
    auto* typed = dynamic_cast<TAddWidgetSettingsCommand*>(command.get());
    ASSERT_TRUE(typed);
    EXPECT_EQ(typed->GetStorageString(), R"(<widget type="qm_game_leaf" name="x"/>)");
    const Ref<IHierStorageRoot> saved = CreateStorage("command");
    ASSERT_TRUE(saved->SaveObject(Query<IPersistObject>(command)));
    ASSERT_TRUE(saved->SaveToXML(xml));
    EXPECT_EQ(xml, R"(<command type="add_widget_command" gamescreenname="GS_Main" )"
                   R"(parent_widget_name="panel"><storage_string>)"
                   R"(<widget type="qm_game_leaf" name="x"/></storage_string></command>)");
    const Ref<ISettingsCommand> bare = Command(R"(<command type="load_resource_command"/>)");
    ASSERT_TRUE(saved->NewDocument("command"));
    ASSERT_TRUE(saved->SaveObject(Query<IPersistObject>(bare)));
    ASSERT_TRUE(saved->SaveToXML(xml));
    EXPECT_EQ(xml, R"(<command type="load_resource_command" groupname=""/>)");
}

}  // namespace
