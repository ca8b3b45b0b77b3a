#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/HeadlessPlatform.h"

namespace {

// Writes down every event and frame the platform hands over.
struct TRecorder final : IPlatformClient {
    std::vector<std::string> log;
    std::function<void(const TPlatformEvent&)> onEvent;
    std::function<void()> onFrame;

    void OnPlatformEvent(const TPlatformEvent& e) override {
        switch (e.kind) {
            case TPlatformEventKind::Mouse:
                log.push_back("mouse " + std::to_string(e.code) + " " + std::to_string(e.x) + "," +
                              std::to_string(e.y) + " b" + std::to_string(e.buttons));
                break;
            case TPlatformEventKind::Key:
                log.push_back("key " + std::to_string(e.keyKind) + " " +
                              std::to_string(e.character));
                break;
            case TPlatformEventKind::Activate:
                log.push_back("activate");
                break;
            case TPlatformEventKind::Deactivate:
                log.push_back("deactivate");
                break;
            case TPlatformEventKind::CloseRequest:
                log.push_back("close");
                break;
            case TPlatformEventKind::QuitRequest:
                log.push_back("quit");
                break;
        }
        if (onEvent) onEvent(e);
    }
    void OnPlatformFrame() override {
        log.push_back("frame");
        if (onFrame) onFrame();
    }
};

class HeadlessTick : public ::testing::Test {
protected:
    void SetUp() override {
        platform.SetClient(&client);
        ASSERT_TRUE(platform.CreateDisplay({640, 480, false}));
    }
    THeadlessPlatform platform;
    TRecorder client;
};

using Log = std::vector<std::string>;

TEST_F(HeadlessTick, APendingEventTakesTheTickInsteadOfAFrame) {
    platform.InjectMouseButton(SDL_BUTTON_LEFT, true, 10, 20);
    platform.InjectKey(SDL_SCANCODE_A, SDLK_a, true, 0, "a");
    platform.InjectKey(SDL_SCANCODE_A, SDLK_a, false);
    platform.InjectMouseButton(SDL_BUTTON_LEFT, false, 10, 20);

    EXPECT_EQ(platform.Tick(), TTickOutcome::Event);
    EXPECT_EQ(platform.Tick(), TTickOutcome::Event);  // the key and the text it typed
    EXPECT_EQ(platform.Tick(), TTickOutcome::Event);  // the release: two calls, one tick
    EXPECT_EQ(platform.Tick(), TTickOutcome::Event);
    EXPECT_EQ(platform.Tick(), TTickOutcome::Frame);
    EXPECT_EQ(client.log, (Log{"mouse 11 10,20 b0", "key 1 97", "key 2 97", "key 3 97",
                               "mouse 12 10,20 b0", "frame"}));
}

TEST_F(HeadlessTick, EventsTheEngineDoesNotSeeDoNotTakeTheTick) {
    platform.InjectWindowEvent(SDL_WINDOWEVENT_EXPOSED);
    platform.InjectWindowEvent(SDL_WINDOWEVENT_MOVED);
    SDL_Event wheel{};
    wheel.wheel.type = SDL_MOUSEWHEEL;
    platform.Inject(wheel);
    EXPECT_EQ(platform.Tick(), TTickOutcome::Frame);
    EXPECT_EQ(platform.PendingEvents(), 0u);
    EXPECT_EQ(client.log, (Log{"frame"}));
}

TEST_F(HeadlessTick, AFloodOfMovesDoesNotStarveTheFrames) {
    for (int tick = 0; tick < 10; ++tick) {
        for (int i = 0; i < 50; ++i) platform.InjectMouseMove(tick * 100 + i, i);
        client.log.clear();
        EXPECT_EQ(platform.Tick(), TTickOutcome::Frame) << tick;
        // Only the latest move of the run reaches the engine, then the frame.
        EXPECT_EQ(client.log,
                  (Log{"mouse 10 " + std::to_string(tick * 100 + 49) + ",49 b0", "frame"}));
    }
}

TEST_F(HeadlessTick, MovesBeforeAPressAreDeliveredAndThePressTakesTheTick) {
    platform.InjectMouseMove(1, 1);
    platform.InjectMouseMove(2, 2);
    platform.InjectMouseButton(SDL_BUTTON_RIGHT, true, 2, 2);
    platform.InjectMouseMove(3, 3);  // a drag: the right button is held
    EXPECT_EQ(platform.Tick(), TTickOutcome::Event);
    EXPECT_EQ(platform.Tick(), TTickOutcome::Frame);
    EXPECT_EQ(client.log, (Log{"mouse 10 2,2 b0", "mouse 17 2,2 b0", "mouse 10 3,3 b2", "frame"}));
}

TEST_F(HeadlessTick, ATickReenteredFromAFrameRunsAnEventOrANestedFrame) {
    int depth = 0;
    std::vector<TTickOutcome> nested;
    client.onFrame = [&] {
        if (depth > 0) return;
        ++depth;
        platform.InjectKey(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, true);
        nested.push_back(platform.Tick());  // takes the key
        nested.push_back(platform.Tick());  // nothing pending: a whole nested frame
        --depth;
        client.log.push_back("outer frame ends");
    };
    EXPECT_EQ(platform.Tick(), TTickOutcome::Frame);
    EXPECT_EQ(nested, (std::vector<TTickOutcome>{TTickOutcome::Event, TTickOutcome::Frame}));
    EXPECT_EQ(client.log, (Log{"frame", "key 1 27", "frame", "outer frame ends"}));
}

TEST_F(HeadlessTick, ATickReenteredFromAnEventTakesTheNextEvent) {
    platform.InjectMouseButton(SDL_BUTTON_LEFT, true, 0, 0);
    platform.InjectMouseButton(SDL_BUTTON_LEFT, false, 0, 0);
    bool nestedOnce = false;
    client.onEvent = [&](const TPlatformEvent&) {
        if (nestedOnce) return;
        nestedOnce = true;
        EXPECT_EQ(platform.Tick(), TTickOutcome::Event);
    };
    EXPECT_EQ(platform.Tick(), TTickOutcome::Event);
    EXPECT_EQ(client.log, (Log{"mouse 11 0,0 b0", "mouse 12 0,0 b0"}));
}

TEST_F(HeadlessTick, ActivationPressesTheHeldButtonsAgain) {
    platform.InjectMouseButton(SDL_BUTTON_LEFT, true, 30, 40);
    platform.InjectWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    platform.InjectWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    platform.InjectMouseButton(SDL_BUTTON_LEFT, false, 30, 40);
    platform.InjectWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(platform.Tick(), TTickOutcome::Event) << i;
    EXPECT_EQ(client.log, (Log{"mouse 11 30,40 b0", "deactivate", "activate", "mouse 11 30,40 b0",
                               "mouse 12 30,40 b0", "activate"}));
}

TEST_F(HeadlessTick, EventsOfADestroyedWindowAreDropped) {
    platform.InjectWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);  // addressed to window 1
    platform.InjectMouseMove(5, 5);
    ASSERT_TRUE(platform.CreateDisplay({640, 480, true}));  // window 2
    platform.InjectWindowEvent(SDL_WINDOWEVENT_CLOSE);
    EXPECT_EQ(platform.Tick(), TTickOutcome::Event);
    EXPECT_EQ(client.log, (Log{"close"}));
}

TEST_F(HeadlessTick, QuittingStopsTheTicks) {
    platform.InjectQuit();
    client.onEvent = [&](const TPlatformEvent& e) {
        if (e.kind == TPlatformEventKind::QuitRequest) platform.QuitLoop();
    };
    EXPECT_EQ(platform.Tick(), TTickOutcome::Event);
    platform.InjectMouseButton(SDL_BUTTON_LEFT, true, 0, 0);
    EXPECT_EQ(platform.Tick(), TTickOutcome::Quitting);
    EXPECT_TRUE(platform.QuitRequested());
    EXPECT_EQ(client.log, (Log{"quit"}));
    EXPECT_EQ(platform.PendingEvents(), 1u);
}

TEST_F(HeadlessTick, RunAsksAtEveryCloseAndQuitAndEndsOnlyWhenAllowed) {
    // The close box and the application's quit both reach the engine, which
    // refuses twice and then agrees.
    int asked = 0;
    client.onEvent = [&](const TPlatformEvent& e) {
        if (e.kind != TPlatformEventKind::CloseRequest && e.kind != TPlatformEventKind::QuitRequest)
            return;
        if (++asked == 3) platform.QuitLoop();
    };
    platform.SetClock(1000);
    platform.SetBeforeTick([&](uint64_t tick) {
        if (tick == 2) platform.InjectWindowEvent(SDL_WINDOWEVENT_CLOSE);
        if (tick == 4) platform.InjectQuit();
        if (tick == 6) platform.InjectWindowEvent(SDL_WINDOWEVENT_CLOSE);
    });
    platform.Run(10);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(platform.TicksRun(), 7u);
    EXPECT_EQ(platform.TickCountMs(), 1070u);
    EXPECT_EQ(client.log, (Log{"frame", "frame", "close", "frame", "quit", "frame", "close"}));
}

TEST_F(HeadlessTick, RunStopsAtItsTickLimit) {
    platform.SetRunTickLimit(25);
    platform.Run(10);
    EXPECT_EQ(platform.TicksRun(), 25u);
    EXPECT_EQ(platform.TickCountMs(), 250u);
    EXPECT_EQ(client.log.size(), 25u);
}

TEST(HeadlessPlatform, RecordsDisplaysTitlesCursorAndUrls) {
    THeadlessPlatform platform;
    EXPECT_FALSE(platform.HasDisplay());
    EXPECT_TRUE(platform.CreateDisplay({640, 480, false}));
    EXPECT_EQ(platform.WindowTitle(), "ZentoGameEngineWindow");
    EXPECT_EQ(platform.WindowPosition(), (TPlatformPoint{192, 144}));  // centred
    platform.SetTitle("Quillmarch \xC3\xA9t\xC3\xA9\n\xFF");
    EXPECT_EQ(platform.WindowTitle(), "Quillmarch \xC3\xA9t\xC3\xA9 \xEF\xBF\xBD");
    platform.MoveWindow({50, 60});
    platform.SetSystemCursorVisible(false);

    EXPECT_TRUE(platform.CreateDisplay({800, 600, true}));
    EXPECT_FALSE(platform.SystemCursorShown());
    platform.SetSystemCursorVisible(true);
    EXPECT_FALSE(platform.SystemCursorShown());  // full screen hides it whatever is asked
    EXPECT_EQ(platform.WindowTitle(), "Quillmarch \xC3\xA9t\xC3\xA9 \xEF\xBF\xBD");

    EXPECT_TRUE(platform.CreateDisplay({640, 480, false}));
    EXPECT_EQ(platform.WindowPosition(), (TPlatformPoint{50, 60}));  // where it was left
    EXPECT_TRUE(platform.SystemCursorShown());
    platform.DestroyDisplay();

    EXPECT_EQ(platform.DisplaysCreated(),
              (std::vector<TDisplayMode>{{640, 480, false}, {800, 600, true}, {640, 480, false}}));
    EXPECT_EQ(platform.DisplaysDestroyed(), 3);
    EXPECT_EQ(platform.CursorCalls(), (std::vector<bool>{false, true}));
    EXPECT_EQ(platform.TitlesSet().size(), 1u);

    EXPECT_TRUE(platform.OpenURL("https://example.org/?a=1&b=2"));
    EXPECT_FALSE(platform.OpenURL("--help"));
    platform.SetOpenUrlResult(false);
    EXPECT_FALSE(platform.OpenURL("https://example.org/"));
    EXPECT_EQ(platform.OpenedUrls(), (std::vector<std::string>{"https://example.org/?a=1&b=2",
                                                               "--help", "https://example.org/"}));
}

TEST(HeadlessPlatform, EveryPresentedFrameCanBeRead) {
    THeadlessPlatform platform;
    const uint32_t pixels[6] = {0xFF000001, 0xFF000002, 0xFF000003,
                                0xFF000004, 0xFF000005, 0x80FFFFFF};
    platform.PresentPixels(pixels, 3, 2);  // no display: nothing presented
    EXPECT_EQ(platform.FramesPresented(), 0u);

    ASSERT_TRUE(platform.CreateDisplay({3, 2, false}));
    platform.SetFrameHistory(2);
    std::vector<uint32_t> seen;
    platform.SetPresentHook(
        [&](const THeadlessPlatform::TFrame& f) { seen.push_back(f.pixels.back()); });
    for (uint32_t i = 0; i < 3; ++i) {
        platform.SetClock(i * 10);
        platform.PresentPixels(pixels + i, 1, 1);
        platform.SwapBuffers();
    }
    platform.PresentPixels(pixels, 3, 2);
    EXPECT_EQ(platform.FramesPresented(), 4u);
    EXPECT_EQ(platform.Swaps(), 3u);
    ASSERT_EQ(platform.Frames().size(), 2u);
    EXPECT_EQ(platform.Frames()[0].pixels, (std::vector<uint32_t>{0xFF000003}));
    EXPECT_EQ(platform.Frames()[0].clock, 20u);
    const auto& last = platform.Frames().back();
    EXPECT_EQ(last.width, 3);
    EXPECT_EQ(last.Pixel(0, 1), 0xFF000004u);
    EXPECT_EQ(last.Pixel(2, 1), 0x80FFFFFFu);
    EXPECT_EQ(seen, (std::vector<uint32_t>{0xFF000001, 0xFF000002, 0xFF000003, 0x80FFFFFF}));
    EXPECT_THROW(last.Pixel(3, 0), std::out_of_range);
}

TEST(HeadlessPlatform, SimulatedDisplayFailures) {
    THeadlessPlatform platform;
    platform.SetDisplayFailure(true, false);
    EXPECT_FALSE(platform.CreateDisplay({640, 480, false}));
    EXPECT_FALSE(platform.HasDisplay());
    EXPECT_FALSE(platform.LastError().empty());

    platform.SetDisplayFailure(false, true);
    EXPECT_TRUE(platform.CreateDisplay({640, 480, false}));
    EXPECT_FALSE(platform.CanPresent());
    const uint32_t pixel = 0;
    platform.PresentPixels(&pixel, 1, 1);
    EXPECT_EQ(platform.FramesPresented(), 0u);

    platform.SetDisplayFailure(false, false);
    EXPECT_FALSE(platform.CreateDisplay({0, 480, false}));
}

}  // namespace
