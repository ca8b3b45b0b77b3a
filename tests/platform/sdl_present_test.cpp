// The real SDL backend under an X server (Xvfb in ./test.sh) with Mesa's
// OpenGL: what is presented is what the window's pixels read back as.
#include <SDL2/SDL.h>
#include <SDL2/SDL_opengl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/SdlPlatform.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/WindowReadback.h"


namespace {




class SdlPlatform : public ::testing::Test {
protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) GTEST_SKIP() << "no X display (DISPLAY is not set)";
        try {
            platform = std::make_unique<TSdlPlatform>();
        } catch (const EPlatformError& e) {
            FAIL() << e.Message();
        }
    }

    // A pattern in which every pixel differs from its neighbours in every
    // channel, with alpha varying too.
    static std::vector<uint32_t> Pattern(int w, int h) {
        std::vector<uint32_t> p(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                p[static_cast<size_t>(y) * w + x] =
                    (static_cast<uint32_t>((x * 7 + y) & 0xFF) << 24) |
                    (static_cast<uint32_t>((x * 5 + 17) & 0xFF) << 16) |
                    (static_cast<uint32_t>((y * 3 + 40) & 0xFF) << 8) |
                    static_cast<uint32_t>((x * 11 + y * 13) & 0xFF);
        return p;
    }

    // The top-left w by h pixels of the current GL buffer `buffer` (of a
    // drawable drawableHeight high), rows top-down like the surface.
    TSystemLibraryLeaksIgnored leaksIgnored;  // outlives the platform
    std::unique_ptr<TSdlPlatform> platform;
};

TEST_F(SdlPlatform, APresentedSurfaceReadsBackFromTheWindowUnchanged) {
    constexpr int kW = 64, kH = 48;
    ASSERT_TRUE(platform->CreateDisplay({kW, kH, false})) << platform->LastError();
    ASSERT_TRUE(platform->CanPresent()) << platform->LastError();
    EXPECT_EQ(platform->LastError(), "");
    const std::vector<uint32_t> surface = Pattern(kW, kH);
    platform->PresentPixels(surface.data(), kW, kH);
    EXPECT_EQ(Opaque(ReadWindowPixels(GL_BACK, kW, kH, kH)), Opaque(surface));
    platform->SwapBuffers();

    // A window larger than the picture (as a full-screen window is when the
    // display keeps a larger mode): the picture is scaled to fit, its aspect
    // kept, centred between black bars, and the pointer maps back onto it.
    SDL_SetWindowSize(platform->Window(), 100, 80);
    SDL_PumpEvents();
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(platform->Window(), &dw, &dh);
    ASSERT_EQ(dw, 100);
    ASSERT_EQ(dh, 80);
    platform->PresentPixels(surface.data(), kW, kH);
    const std::vector<uint32_t> shown = Opaque(ReadWindowPixels(GL_BACK, dw, dh, dh));
    // 64 x 48 fits 100 x 80 at 100 / 64 = 1.5625: 100 x 75, 2 rows of bar above.
    const double scale = 100.0 / 64;
    const double top = 2;
    int mismatches = 0;
    for (int y = 0; y < dh; ++y) {
        for (int x = 0; x < dw; ++x) {
            const uint32_t pixel = shown[size_t(y) * dw + x];
            const double sy = (y + 0.5 - top) / scale, sx = (x + 0.5) / scale;
            if (sy < 0 || sy >= kH) {
                if (pixel != 0xFF000000u) ++mismatches;  // the bars are black
                continue;
            }
            // The source pixel whose scaled area holds this pixel's centre
            // (either neighbour where the centre lies on their border).
            bool found = false;
            for (const double d : {-0.01, 0.0, 0.01}) {
                const int i = std::min(kW - 1, std::max(0, int(std::floor(sx + d))));
                const int j = std::min(kH - 1, std::max(0, int(std::floor(sy + d))));
                found |= pixel == (surface[size_t(j) * kW + i] | 0xFF000000u);
            }
            if (!found) ++mismatches;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(platform->ContentSize(), (TPlatformPoint{kW, kH}));
    EXPECT_EQ(platform->PictureFromWindow({0, 2}), (TPlatformPoint{0, 0}));
    EXPECT_EQ(platform->PictureFromWindow({99, 76}), (TPlatformPoint{63, 47}));
    EXPECT_EQ(platform->PictureFromWindow({50, 40}), (TPlatformPoint{32, 24}));
    EXPECT_LT(platform->PictureFromWindow({50, 0}).y, 0);
}

TEST_F(SdlPlatform, FullScreenHidesThePointerWhateverIsAsked) {
    ASSERT_TRUE(platform->CreateDisplay({320, 240, true})) << platform->LastError();
    ASSERT_TRUE(platform->CanPresent()) << platform->LastError();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    platform->SetSystemCursorVisible(true);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    // Without a window manager (as under Xvfb) the X server never gives the
    // window the whole screen, so only presenting itself is tried here.
    const std::vector<uint32_t> surface = Pattern(320, 240);
    platform->PresentPixels(surface.data(), 320, 240);
    platform->SwapBuffers();

    platform->DestroyDisplay();
    EXPECT_FALSE(platform->HasDisplay());
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

TEST_F(SdlPlatform, WindowIsCentredThenPutBackAndTitledInUtf8) {
    ASSERT_TRUE(platform->CreateDisplay({200, 100, false})) << platform->LastError();
    SDL_Rect bounds{};
    ASSERT_EQ(SDL_GetDisplayBounds(0, &bounds), 0);
    int x = 0, y = 0;
    SDL_GetWindowPosition(platform->Window(), &x, &y);
    EXPECT_EQ(x, bounds.x + (bounds.w - 200) / 2);
    EXPECT_EQ(y, bounds.y + (bounds.h - 100) / 2);
    EXPECT_STREQ(SDL_GetWindowTitle(platform->Window()), "ZentoGameEngineWindow");
    platform->SetTitle("Quillmarch \xE2\x80\x94 \xC3\xA9t\xC3\xA9");
    EXPECT_STREQ(SDL_GetWindowTitle(platform->Window()),
                 "Quillmarch \xE2\x80\x94 \xC3\xA9t\xC3\xA9");

    SDL_SetWindowPosition(platform->Window(), 100, 80);
    SDL_PumpEvents();
    ASSERT_TRUE(platform->CreateDisplay({200, 100, false}));
    SDL_GetWindowPosition(platform->Window(), &x, &y);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 80);
    // The caption stays for the new window.
    EXPECT_STREQ(SDL_GetWindowTitle(platform->Window()),
                 "Quillmarch \xE2\x80\x94 \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    platform->SetSystemCursorVisible(false);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    platform->SetSystemCursorVisible(true);
}

TEST(SdlPlatformStart, RefusesToRunWhereNothingCanBeSeen) {
    // Without any display SDL would fall back to a driver that shows
    // nothing: the game must say so instead of running unseen.
    TSystemLibraryLeaksIgnored leaksIgnored;
    TEnvGuard display("DISPLAY", nullptr);
    TEnvGuard wayland("WAYLAND_DISPLAY", nullptr);
    TEnvGuard driver("SDL_VIDEODRIVER", nullptr);
    try {
        TSdlPlatform platform;
        FAIL() << "started without a display";
    } catch (const EPlatformError& e) {
        EXPECT_NE(e.Message().find("no display"), std::string::npos) << e.Message();
    }
}

// Counts frames and quits the loop after a number of them.
struct TFrameCounter final : IPlatformClient {
    IPlatform* platform = nullptr;
    int frames = 0;
    int quitAfter = 0;
    std::vector<TPlatformEventKind> events;
    void OnPlatformEvent(const TPlatformEvent& e) override { events.push_back(e.kind); }
    void OnPlatformFrame() override {
        if (++frames == quitAfter) platform->QuitLoop();
    }
};

TEST_F(SdlPlatform, EventsFromTheQueueAndTheTenMillisecondLoop) {
    ASSERT_TRUE(platform->CreateDisplay({64, 48, false}));
    TFrameCounter client;
    client.platform = platform.get();
    platform->SetClient(&client);
    // Let the window's own first events (shown, exposed, focus) pass.
    for (int i = 0; i < 50 && platform->Tick() == TTickOutcome::Event; ++i) {
    }
    client.events.clear();

    SDL_Event close{};
    close.window.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = SDL_GetWindowID(platform->Window());
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&close), 1);
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    EXPECT_EQ(platform->Tick(), TTickOutcome::Event);
    EXPECT_EQ(platform->Tick(), TTickOutcome::Event);
    EXPECT_EQ(client.events, (std::vector<TPlatformEventKind>{TPlatformEventKind::CloseRequest,
                                                              TPlatformEventKind::QuitRequest}));

    client.frames = 0;
    client.quitAfter = 20;
    const uint32_t start = platform->TickCountMs();
    const auto wallStart = std::chrono::steady_clock::now();
    platform->Run(10);
    const auto wall = std::chrono::steady_clock::now() - wallStart;
    EXPECT_EQ(client.frames, 20);
    EXPECT_GE(platform->TickCountMs() - start, 190u);
    EXPECT_GE(wall, std::chrono::milliseconds(190));
    EXPECT_LT(wall, std::chrono::seconds(5));
    EXPECT_EQ(platform->Tick(), TTickOutcome::Quitting);
}

}  // namespace
