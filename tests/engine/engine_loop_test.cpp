// The loop: ticks that take an event or run a frame, the frame itself,
// input reaching the game, activation, quitting, and ticks re-entered from
// inside a frame while resources load.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "core/storage/XMLStorage.h"
#include "tests/engine/EngineTestSupport.h"

namespace enginetest {
namespace {

class EngineLoop : public EngineTest {
protected:
    // An engine with its window open and the clock at 1000, no call recorded.
    void Open() {
        StartEngine();
        platform->SetClock(1000);
        engine->ApplySettings();
        ASSERT_TRUE(platform->HasDisplay());
        TakeCalls();
    }
};

TEST_F(EngineLoop, APendingEventTakesTheTickInsteadOfAFrame) {
    Open();
    platform->InjectKey(SDL_SCANCODE_A, SDLK_a, true, 0, "a");
    platform->InjectKey(SDL_SCANCODE_A, SDLK_a, false);
    platform->AdvanceClock(10);
    EXPECT_EQ(platform->Tick(), TTickOutcome::Event);
    EXPECT_EQ(TakeCalls(), Calls{"key 1 97 m0"});
    EXPECT_EQ(platform->Tick(), TTickOutcome::Event);
    EXPECT_EQ(TakeCalls(), (Calls{"key 2 97 m0", "key 3 97 m0"}));
    EXPECT_EQ(platform->FramesPresented(), 0u);
    platform->AdvanceClock(10);
    EXPECT_EQ(platform->Tick(), TTickOutcome::Frame);
    // The step counts from the last frame (here: the window's creation).
    EXPECT_EQ(TakeCalls(), (Calls{"update 20", "endframe"}));
    EXPECT_EQ(platform->FramesPresented(), 1u);
    EXPECT_EQ(platform->Swaps(), 1u);

    // Through Run: while every tick finds an event, no frame runs.
    platform->SetRunTickLimit(8);
    platform->SetBeforeTick([&](uint64_t tick) {
        if (tick < 5) platform->InjectKey(SDL_SCANCODE_B, SDLK_b, true, 0, "b");
    });
    engine->Run();
    EXPECT_EQ(TakeCalls(),
              (Calls{"key 1 98 m0", "key 1 98 m0", "key 1 98 m0", "key 1 98 m0", "key 1 98 m0",
                     "update 50", "endframe", "update 10", "endframe", "update 10", "endframe"}));
}

TEST_F(EngineLoop, EachFrameUpdatesRendersWhatWasInvalidatedAndPresents) {
    Open();
    constexpr uint32_t kInk = 0xFF3366CC;
    bool invalidate = true;
    script.onUpdate = [&](TTestGame& g, int32_t) {
        if (invalidate) g.engine->InvalidateRect(10, 20, 30, 25);
    };
    script.onRender = [&](TTestGame&, ISurface& s) {
        for (int y = 20; y < 25; ++y)
            for (int x = 10; x < 30; ++x) s.GetScanLine(y)[x] = kInk;
    };
    platform->AdvanceClock(16);
    ASSERT_EQ(platform->Tick(), TTickOutcome::Frame);
    EXPECT_EQ(TakeCalls(), (Calls{"update 16", "endframe", "render"}));
    EXPECT_FALSE(engine->IsRedrawNeeded());
    auto* back = dynamic_cast<TSurface*>(engine->BackSurface().get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetUpdateRegion().Count(), 0);

    const THeadlessPlatform::TFrame& first = platform->Frames().back();
    ASSERT_EQ(first.width, 640);
    ASSERT_EQ(first.height, 480);
    EXPECT_EQ(first.Pixel(10, 20), kInk);
    EXPECT_EQ(first.Pixel(29, 24), kInk);
    EXPECT_EQ(first.Pixel(30, 24), 0u);
    EXPECT_EQ(first.Pixel(10, 25), 0u);

    // Nothing invalidated: no render, but the frame is presented again.
    invalidate = false;
    platform->AdvanceClock(10);
    ASSERT_EQ(platform->Tick(), TTickOutcome::Frame);
    EXPECT_EQ(TakeCalls(), (Calls{"update 10", "endframe"}));
    EXPECT_EQ(platform->FramesPresented(), 2u);
    EXPECT_EQ(platform->Frames().back().pixels, first.pixels);
}

TEST_F(EngineLoop, InputReachesTheGameOnlyWhileActiveAndActivationResendsHeldButtons) {
    Open();
    platform->InjectMouseButton(SDL_BUTTON_LEFT, true, 5, 6);
    platform->InjectMouseButton(SDL_BUTTON_LEFT, false, 5, 6);
    platform->InjectMouseButton(SDL_BUTTON_RIGHT, true, 7, 8, 2);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(platform->Tick(), TTickOutcome::Event);
    // A left click with Ctrl is a right click.
    platform->SetKeyModifiers(KMOD_LCTRL);
    platform->InjectMouseButton(SDL_BUTTON_LEFT, true, 9, 9);
    platform->InjectMouseButton(SDL_BUTTON_LEFT, false, 9, 9);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(platform->Tick(), TTickOutcome::Event);
    platform->SetKeyModifiers(0);
    EXPECT_EQ(TakeCalls(), (Calls{"mouse 11 5,6 b0", "mouse 12 5,6 b0", "mouse 19 7,8 b0",
                                  "mouse 17 9,9 b0", "mouse 18 9,9 b0"}));

    // Deactivated: mouse input is dropped, keys and frames go on.
    platform->InjectWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    platform->InjectMouseButton(SDL_BUTTON_LEFT, true, 1, 1);
    platform->InjectKey(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, true);
    for (int i = 0; i < 3; ++i) platform->Tick();
    platform->AdvanceClock(10);
    EXPECT_EQ(platform->Tick(), TTickOutcome::Frame);
    EXPECT_FALSE(engine->IsActive());
    EXPECT_EQ(TakeCalls(), (Calls{"inactive", "key 1 27 m0", "update 10", "endframe"}));

    // A long time later the window comes back with the left button held:
    // one press is sent again, and the first frame gets a small step.
    platform->AdvanceClock(60000);
    platform->SetMouseButtons(SDL_BUTTON_LMASK);
    platform->SetMousePos({40, 50});
    platform->InjectWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    EXPECT_EQ(platform->Tick(), TTickOutcome::Event);
    EXPECT_TRUE(engine->IsActive());
    EXPECT_EQ(TakeCalls(), (Calls{"active", "mouse 11 40,50 b0"}));
    platform->AdvanceClock(10);
    EXPECT_EQ(platform->Tick(), TTickOutcome::Frame);
    EXPECT_EQ(TakeCalls(), (Calls{"update 10", "endframe"}));
}

TEST_F(EngineLoop, MovesCarryTheHeldButtonsAndShowThePointerOnlyOutsideTheWindow) {
    Open();
    engine->HideCursor();
    platform->InjectMouseMove(700, 10);  // outside the 640 by 480 content
    platform->Tick();
    platform->InjectMouseMove(300, 200);
    platform->Tick();
    platform->InjectMouseMove(301, 200);
    platform->Tick();
    platform->InjectMouseButton(SDL_BUTTON_LEFT, true, 301, 200);
    platform->Tick();
    platform->InjectMouseMove(310, 210);
    platform->Tick();
    EXPECT_EQ(platform->CursorCalls(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(TakeCalls(),
              (Calls{"mouse 10 700,10 b0", "update 0", "endframe", "mouse 10 300,200 b0",
                     "update 0", "endframe", "mouse 10 301,200 b0", "update 0", "endframe",
                     "mouse 11 301,200 b0", "mouse 10 310,210 b1", "update 0", "endframe"}));
    EXPECT_EQ(engine->GetMousePos(), (TPoint{310, 210}));
}

TEST_F(EngineLoop, EnterIsReturnAndAKeyUpGivesKindTwoThenThree) {
    Open();
    platform->InjectKey(SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, true);
    platform->InjectKey(SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, false);
    platform->InjectKey(SDL_SCANCODE_RETURN, SDLK_RETURN, true, KMOD_LSHIFT);
    platform->InjectKey(SDL_SCANCODE_RETURN, SDLK_RETURN, false, KMOD_LSHIFT);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(platform->Tick(), TTickOutcome::Event);
    EXPECT_EQ(TakeCalls(), (Calls{"key 1 13 m0", "key 2 13 m0", "key 3 13 m0", "key 1 13 m512",
                                  "key 2 13 m512", "key 3 13 m512"}));
}

TEST_F(EngineLoop, ARefusedQuitKeepsTheProgramRunning) {
    Open();
    script.allowQuit = false;
    script.recordMoves = false;
    platform->SetRunTickLimit(100);
    platform->SetBeforeTick([&](uint64_t tick) {
        switch (tick) {
            case 2:
                platform->InjectWindowEvent(SDL_WINDOWEVENT_CLOSE);
                break;
            case 4:
                platform->InjectWindowEvent(SDL_WINDOWEVENT_CLOSE);
                break;
            case 6:
                engine->Quit();
                break;
            case 8:
                script.allowQuit = true;
                platform->InjectWindowEvent(SDL_WINDOWEVENT_CLOSE);
                break;
            default:
                break;
        }
    });
    engine->Run();
    EXPECT_EQ(script.queryQuitCalls, 4);
    // Quitting ended the loop in the tick of the close that was allowed.
    EXPECT_EQ(platform->TicksRun(), 9u);
    EXPECT_TRUE(platform->QuitRequested());
    EXPECT_EQ(platform->Tick(), TTickOutcome::Quitting);
}

TEST_F(EngineLoop, AQuitFromOutsideTheWindowEndsTheLoopWithoutAskingTheGame) {
    Open();
    script.allowQuit = false;
    script.recordMoves = false;
    platform->SetRunTickLimit(100);
    platform->SetBeforeTick([&](uint64_t tick) {
        if (tick == 3) platform->InjectQuit();
    });
    engine->Run();
    EXPECT_EQ(script.queryQuitCalls, 0);
    EXPECT_EQ(platform->TicksRun(), 4u);
    EXPECT_TRUE(platform->QuitRequested());
}

TEST_F(EngineLoop, LoadingResourcesTickingReentersTheTickBeforeEachEntry) {
    Open();
    const Ref<IHierStorage> list = LoadStorageFromFile("data/lists/plain.xml");
    ASSERT_TRUE(list);
    bool loaded = false;
    uint64_t framesBefore = 0, framesDuring = 0;
    script.onUpdate = [&](TTestGame& g, int32_t) {
        if (loaded) return;
        loaded = true;
        platform->InjectKey(SDL_SCANCODE_A, SDLK_a, true, 0, "a");
        framesBefore = platform->FramesPresented();
        g.engine->LoadResources(list, "splash", kLoadResourcesTicking);
        framesDuring = platform->FramesPresented() - framesBefore;
    };
    platform->AdvanceClock(10);
    ASSERT_EQ(platform->Tick(), TTickOutcome::Frame);

    // Four entries, four ticks: the pending key, then three nested frames.
    EXPECT_EQ(TakeCalls(), (Calls{"update 10", "key 1 97 m0", "update 0", "endframe", "update 0",
                                  "endframe", "update 0", "endframe", "endframe"}));
    EXPECT_EQ(script.maxUpdateDepth, 2);
    EXPECT_EQ(framesDuring, 3u);
    EXPECT_EQ(platform->FramesPresented(), 4u);

    // The unknown type is skipped, and so is the second entry named "first".
    const Ref<IResourceCollection>& resources = engine->Resources();
    ASSERT_EQ(resources->GetCount(), 2);
    const Ref<IResource> first = engine->GetResource("first");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->GetFileName(), "pictures/first.png");
    EXPECT_EQ(first->GetGroupName(), "splash");
    const Ref<IResource> second = engine->GetResource("second");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->GetGroupName(), "splash");
    EXPECT_EQ(dynamic_cast<TResource*>(first.get())->Owner(),
              static_cast<IResourceOwner*>(engine.get()));
    EXPECT_FALSE(engine->GetResource("unknown"));

    // At once: no tick at all.
    engine->RemoveResources("splash");
    EXPECT_EQ(resources->GetCount(), 0);
    const uint64_t frames = platform->FramesPresented();
    engine->LoadResources(list, "again", kLoadResourcesAtOnce);
    EXPECT_EQ(platform->FramesPresented(), frames);
    EXPECT_EQ(resources->GetCount(), 2);
}

}  // namespace
}  // namespace enginetest
