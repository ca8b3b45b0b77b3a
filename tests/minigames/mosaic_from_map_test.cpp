// A 2 × 2 big mosaic played headless from the map until the profile is
// saved: a click on an open location of the real map screen opens the real
// location scene and the real mosaic above it; the map's own scroll
// scenario rolls the map's snapshot away and opens the board; the pieces are
// exchanged by clicks; the close button runs the closing scenario into the
// real statistics screen, whose button closes the mosaic with its result.
// The scene below takes the result (the key "big_mosaic_completed_" +
// location set and the profiles written at once), so the run ends with
// "users.dat" read back from the player data folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "game/UserProfiles.h"
#include "tests/minigames/MosaicTestSupport.h"
#include "tests/world/MapTestSupport.h"
#include "world/LocationScreens.h"

namespace {

using namespace mosaictest;

constexpr TPoint kOnLocationA{120, 120};

// The location scene, noting "closed <name> <results>" for each screen
// closed above it.
class TRecordingScene : public TQuillmarchGameScreenScene {
public:
    void ChildScreenClosed(const std::string& name, const Ref<IParamCollection>& results) override {
        Note("closed " + GetName() + " " + name + " " + maptest::Describe(results));
        TQuillmarchGameScreenScene::ChildScreenClosed(name, results);
    }
};

class MosaicFromMap : public GameShellTest {
protected:
    void SetUp() override {
        GameShellTest::SetUp();
        RegisterMosaicTestClasses();
        maptest::RegisterMapTestClasses();
        if (!FindRegisteredClass("QmMosaicRecordingScene"))
            RegisterObjectClass(ClassOf<TRecordingScene>(), "QmMosaicRecordingScene");
    }

    void StartOnMap() {
        harness = std::make_unique<TGameHarness>(1024, 768);
        const std::string screens =
            maptest::MapScreen({}) + SceneScreen() +
            MosaicScreenOf("GS_GameBigMosaic", "QmMosaicTestScreen") + StatisticsScreen() +
            PlainScreen("GS_HelpMosaic", 0, 0, 100, 100, 0xFF808080) +
            PlainScreen("GS_MapFirstTime", 0, 0, 100, 100, 0xFF808080) +
            PlainScreen("GS_MiniMenuBrief", 0, 0, 100, 100, 0xFF808080);
        ASSERT_TRUE(harness->Start(GameOf("", ScreensOf(screens))));
        harness->Step(1);
        Game().SetOptionValue("mosaic_level_paramsa",
                              Variant("\\rows=2\\cols=2\\resourcename=a_mosaic"
                                      "\\level_tips=Edges first"));
        const Ref<IUserProfileCollection> profiles = Game().GetUserProfiles();
        profiles->FindOrAdd("p");
        profiles->SetCurrent("p");
        profiles->GetCurrent()->GetParams()->SetValue("show_map", Variant("yes"));

        ASSERT_TRUE(Game().ShowGameScreen("GS_Map", nullptr));
        harness->Step(1);
        ASSERT_EQ(harness->StackNames(), "GS_Map");
    }

    // The scene of location "a" with its control and one level button.
    static std::string SceneScreen() {
        return R"(<gamescreen name="GS_Scene" type="QmMosaicRecordingScene"><window><widgets>
                    <widget type="QuillmarchControlScene" name="control_scene" visible="yes" width="1024" height="768"><widgets>
                      <widget type="group_widget" name="scenario_group" visible="yes"/>
                      <widget type="group_widget" name="map_parts" visible="yes"><widgets>
                        <widget type="group_widget" name="a" visible="yes"><widgets>
                          <widget type="group_widget" name="map_levels" visible="yes"><widgets>
                            <widget type="map_probe" name="1" width="40" height="40" anchor_left="100" anchor_top="600"
                                    extraparams="level_ref=a1"/>
                          </widgets></widget>
                        </widgets></widget>
                      </widgets></widget>
                    </widgets></widget>
                  </widgets></window></gamescreen>)";
    }
    static std::string StatisticsScreen() {
        return R"(<gamescreen name="GS_StatBigMosaic" type="QuillmarchGameScreenBigMosaicStat"><window><widgets>
                    <widget type="qm_game_leaf" name="levelTips" width="300" height="20" mousestop="no"
                            extraparams="\text="/>
                    <widget type="qm_game_leaf" name="button_ok" visible="yes" mousestop="yes"
                            anchor_left="500" anchor_top="400" width="40" height="20"/>
                  </widgets></window></gamescreen>)";
    }

    TMosaicTestScreen& Mosaic() const {
        return dynamic_cast<TMosaicTestScreen&>(*harness->Screen("GS_GameBigMosaic"));
    }
    Ref<IWidget> MosaicWidget(const std::string& path) const {
        return harness->Screen("GS_GameBigMosaic")->GetWindowWidget()->FindWidget(path);
    }
    Ref<IWidget> CellAt(int row, int col) const {
        return MosaicWidget("move_group/cells_group/cell_" + std::to_string(row) + "_" +
                            std::to_string(col));
    }
    void ClickCell(int row, int col) {
        const int w = Mosaic().GetCellWidth(), h = Mosaic().GetCellHeight();
        harness->Click(col * w + w / 2, row * h + h / 2);
    }
    // Steps in frames of 10 ms while the condition holds, at most frames.
    template <class F>
    void StepWhile(F condition, int frames = 300) {
        for (int i = 0; i < frames && condition(); ++i) harness->Step(1, 10);
    }

    // The profile "p" as a fresh collection reads it from the player file.
    std::string SavedValue(const std::string& key) const {
        const Ref<IUserProfileCollection> saved = Query<IUserProfileCollection>(
            Ref<IInterface>(CreateAbstractObject(ClassOf<TUserProfileCollection>())));
        if (!saved) return "<no collection>";
        saved->Load(Game().GetEngine());
        const Ref<IUserProfile> p = saved->GetItem(Variant("p"));
        if (!p) return "<no profile>";
        return p->GetParams()->GetValue(key, Variant("")).ToString();
    }

    IGameScreenOwner& Game() const { return *harness->Game(); }
};

TEST_F(MosaicFromMap, A2By2MosaicPlayedFromTheMapEndsWithTheProfileSaved) {
    StartOnMap();
    const std::filesystem::path users = harness->UserDir() + "users.dat";
    std::filesystem::remove(users);

    // A click on the open location: the scene without a scroll, the mosaic
    // above it with the map's snapshot to roll away.
    harness->Click(kOnLocationA.x, kOnLocationA.y);
    ASSERT_EQ(harness->StackNames(), "GS_Map GS_Scene GS_GameBigMosaic");
    // The scene below has built its location's level buttons.
    EXPECT_EQ(harness->Screen("GS_Scene")
                  ->GetWindowWidget()
                  ->FindWidget("control_scene/map_parts/a/map_levels/1")
                  ->GetProperty("state"),
              Variant("current"));
    EXPECT_EQ(Mosaic().GetMapPart(), "a");
    EXPECT_EQ(Mosaic().GetBoardState(), mbs_Opening);
    const Ref<IWidget> snapshot = MosaicWidget("map_surface");
    EXPECT_TRUE(snapshot->GetVisible());
    const Ref<ISurface> mapPicture =
        Query<ISurface>(snapshot->GetProperty("surface").ToInterface());
    ASSERT_TRUE(mapPicture);
    EXPECT_EQ(mapPicture->GetWidth(), 1024);
    EXPECT_EQ(mapPicture->GetHeight(), 768);

    // The map's scroll scenario rolls the snapshot down and, at its end,
    // opens the board and the mosaic's help.
    StepWhile([&] { return Mosaic().GetBoardState() != mbs_Playing; });
    ASSERT_EQ(Mosaic().GetBoardState(), mbs_Playing);
    EXPECT_EQ(snapshot->GetTop(), 768.0 + 40.0);
    EXPECT_EQ(MosaicWidget("scroll")->GetTop(), 768.0);
    ASSERT_EQ(harness->StackNames(), "GS_Map GS_Scene GS_GameBigMosaic GS_HelpMosaic");
    Game().CloseGameScreen(harness->Screen("GS_HelpMosaic"), nullptr);
    harness->Step(1);
    const Ref<IWidget> cells = MosaicWidget("move_group/cells_group");
    StepWhile([&] { return !cells->GetVisible(); });
    ASSERT_TRUE(cells->GetVisible());
    ASSERT_EQ(cells->GetChildren()->GetCount(), 4);

    // Each pair of clicks sends a foreign piece to the cell it belongs in.
    for (int moves = 0; moves < 4 && !Mosaic().GetLevelEnded(); ++moves) {
        for (int row = 0; row < 2; ++row) {
            for (int col = 0; col < 2; ++col) {
                const Ref<IWidget> piece = CellAt(row, col)->FindWidget("picture");
                const int pieceRow = piece->GetProperty("row").ToInt();
                const int pieceCol = piece->GetProperty("col").ToInt();
                if (pieceRow == row && pieceCol == col) continue;
                ClickCell(row, col);
                ClickCell(pieceRow, pieceCol);
                harness->Step(1, 10);
                StepWhile([&] { return CellAt(row, col)->GetProperty("state") == Variant(2); });
            }
        }
        harness->Step(1, 10);
    }
    ASSERT_TRUE(Mosaic().GetLevelEnded());
    EXPECT_EQ(CountJournal("sound sound_level_completed"), 1);

    // Close: the closing scenario, then the statistics with the tips.
    harness->ClickAt("button_close");
    StepWhile([&] { return harness->StackNames() == "GS_Map GS_Scene GS_GameBigMosaic"; });
    ASSERT_EQ(harness->StackNames(), "GS_Map GS_Scene GS_GameBigMosaic GS_StatBigMosaic");
    EXPECT_EQ(harness->Find("levelTips")->GetProperty("text"), Variant("Edges first"));
    EXPECT_FALSE(std::filesystem::exists(users));

    // Its button closes the mosaic; the scene below takes the result and
    // writes the profiles.
    harness->ClickAt("button_ok");
    harness->Step(1);
    EXPECT_EQ(harness->StackNames(), "GS_Map GS_Scene");
    EXPECT_TRUE(
        JournalHas("closed GS_Scene GS_GameBigMosaic active_map_part=a,level_completed=yes"));
    ASSERT_TRUE(std::filesystem::exists(users));
    EXPECT_EQ(SavedValue("big_mosaic_completed_a"), "yes");

    // Back on the map, the location opens its scene without the mosaic now.
    Game().CloseGameScreen(harness->Screen("GS_Scene"), nullptr);
    harness->Step(1);
    ASSERT_EQ(harness->StackNames(), "GS_Map");
    harness->Click(kOnLocationA.x, kOnLocationA.y);
    EXPECT_EQ(harness->StackNames(), "GS_Map GS_Scene");
}

}  // namespace
