// An idle frame of the game, with screens stacked, draws nothing and
// allocates nothing.
#include <gtest/gtest.h>

#include "tests/game/GameShellTestSupport.h"
#include "tests/support/AllocationCount.h"

namespace gametest {
namespace {

TEST_F(GameShellTest, IdleFramesOfAScreenStackDrawNothingAndAllocateNothing) {
    TGameHarness& game = Start(GameOf(
        R"(maings="A")",
        R"(<cursors><cursor name="arrow" hotspotx="1" hotspoty="1">
             <widget type="qm_game_leaf" width="4" height="4" color="$FFFFFFFF"/>
           </cursor></cursors>)" +
            ScreensOf(PlainScreen("A", 0, 0, 640, 480, 0xFFFF0000) +
                      ScreenOf("B", Leaf("veil", 0, 0, 640, 480, 0xFF000000,
                                         R"(transparentlevel="128")")) +
                      ScreenOf("C", Leaf("one", 100, 100, 50, 50, 0xFF00FF00, R"(tabstop="yes")") +
                                        Leaf("two", 200, 100, 50, 50, 0xFF0000FF)))));
    game.Step(1);
    Game().ShowGameScreen("B", nullptr);
    Game().ShowGameScreen("C", nullptr);
    game.MouseMove(300, 300);
    game.Step(3);  // everything drawn, the covered screens' picture made

    const int updates = Screen("C")->updates;
    long allocations = 0;
    {
        const TAllocationCount count;
        for (int i = 0; i < 100; ++i) game.Engine().UpdateGame(10);
        allocations = count.Count();
    }
    EXPECT_EQ(allocations, 0);
    EXPECT_FALSE(game.Engine().IsRedrawNeeded());
    EXPECT_EQ(Screen("C")->updates, updates + 100);
    EXPECT_EQ(Screen("A")->updates, 0);  // covered screens are not updated

    // A redraw of a small area allocates nothing either.
    {
        const TAllocationCount count;
        game.Find("two")->SetLeft(201);
        game.Engine().UpdateGame(10);
        ASSERT_TRUE(game.Engine().IsRedrawNeeded());
        Game().Render(game.Engine().BackSurface());
        game.Engine().ClearUpdateRects();
        allocations = count.Count();
    }
    EXPECT_EQ(allocations, 0);

    // The counter does count.
    {
        const TAllocationCount count;
        const Ref<TGameLeaf> widget = CreateObject<TGameLeaf>();
        EXPECT_GT(count.Count(), 0);
    }
}

}  // namespace
}  // namespace gametest
