// The game definition's resource list files: load modes, storage, and when
// the game loads each.
#include <gtest/gtest.h>

#include <string>

#include "core/storage/XMLStorage.h"
#include "game/ResourceFiles.h"
#include "tests/game/GameShellTestSupport.h"
#include "tests/game/PlayerDataTestSupport.h"
#include "tests/support/LogCapture.h"

namespace {

using namespace gametest;

Ref<TResourceFileCollection> Load(const std::string& xml) {
    Ref<TResourceFileCollection> files = CreateObject<TResourceFileCollection>();
    files->Load(LoadStorageFromXML(xml));
    return files;
}

TEST(ResourceFiles, TheLoadModeIsAsynchUnlessTheEntrySaysSynch) {
    TLogCapture log;
    const Ref<TResourceFileCollection> files = Load(R"(
      <resourcefiles>
        <resourcefile name="none" filename="data\a.xml"/>
        <resourcefile name="synch" filename="b.xml" loadmode="synch"/>
        <resourcefile name="asynch" filename="c.xml" loadmode="asynch"/>
        <resourcefile name="bogus" filename="d.xml" loadmode="sometimes"/>
        <resourcefile name="case" filename="e.xml" loadmode="Synch"/>
      </resourcefiles>)");
    struct TCase {
        const char* name;
        const char* file;
        uint8_t mode;
    };
    const TCase cases[] = {
        {"none", "data\\a.xml", kResourceFileAsynch}, {"synch", "b.xml", kResourceFileSynch},
        {"asynch", "c.xml", kResourceFileAsynch},     {"bogus", "d.xml", kResourceFileAsynch},
        {"case", "e.xml", kResourceFileAsynch},
    };
    ASSERT_EQ(files->GetCount(), 5);
    for (int32_t i = 0; i < 5; ++i) {
        const TCase& c = cases[i];
        SCOPED_TRACE(c.name);
        const Ref<IResourceFile> file = files->GetItem(Variant(i));  // in document order
        ASSERT_TRUE(file);
        EXPECT_EQ(file->GetName(), c.name);
        EXPECT_EQ(file->GetFileName(), c.file);
        EXPECT_EQ(file->GetLoadMode(), c.mode);
    }
    EXPECT_TRUE(log.Has({"loadmode", "sometimes"}));
    EXPECT_EQ(files->GetItem(Variant("SYNCH"))->GetFileName(), "b.xml");
    EXPECT_FALSE(files->GetItem(Variant("absent")));
}

TEST(ResourceFiles, SavingWritesTheFileAndTheLoadModeAlways) {
    const Ref<TResourceFileCollection> files = Load(R"(
      <resourcefiles>
        <resourcefile name="base"/>
        <resourcefile name="menu" filename="menu.xml" loadmode="synch"/>
      </resourcefiles>)");
    const Ref<IHierStorageRoot> document = CreateStorage("resourcefiles");
    ASSERT_TRUE(document->SaveObject(Query<IPersistObject>(files)));
    std::string xml;
    ASSERT_TRUE(document->SaveToXML(xml));
    EXPECT_EQ(playerdata::TreeOf(xml),
              "resourcefiles(resourcefile[name=base,type=ResourceFile,filename=,loadmode=asynch] "
              "resourcefile[name=menu,type=ResourceFile,filename=menu.xml,loadmode=synch])");
    EXPECT_EQ(playerdata::TreeOf(xml), [&] {
        const Ref<IHierStorageRoot> again = CreateStorage("resourcefiles");
        again->SaveObject(Query<IPersistObject>(Load(xml)));
        std::string text;
        again->SaveToXML(text);
        return playerdata::TreeOf(text);
    }());
}

TEST_F(GameShellTest, SynchFilesLoadDuringInitAndTheOthersDuringTheStartUp) {
    TGameHarness& game = Start(GameOf("", R"(<resourcefiles>
                              <resourcefile name="g1" filename="one.xml"/>
                              <resourcefile name="g2" filename="two.xml" loadmode="synch"/>
                              <resourcefile name="g3" filename="three.xml" loadmode="other"/>
                            </resourcefiles>)"),
                               {{"one.xml", ResourceList("r1")},
                                {"two.xml", ResourceList("r2")},
                                {"three.xml", ResourceList("r3")}});
    EXPECT_TRUE(JournalHas("load r2"));
    EXPECT_FALSE(JournalHas("load r1"));
    EXPECT_FALSE(JournalHas("load r3"));
    EXPECT_EQ(game.Engine().GetResource("r2")->GetGroupName(), "g2");
    game.Step(1);
    EXPECT_TRUE(JournalHasInOrder({"load r2", "load r1", "load r3"}));
    EXPECT_EQ(game.Engine().GetResource("r3")->GetGroupName(), "g3");
}

}  // namespace
