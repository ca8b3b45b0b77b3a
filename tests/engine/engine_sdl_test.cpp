// The engine on the real SDL backend under an X server (Xvfb in ./test.sh)
// with Mesa's OpenGL: what the game draws into the back surface is what the
// window shows.
#include <SDL2/SDL.h>
#include <SDL2/SDL_opengl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/SdlPlatform.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/WindowReadback.h"

// Xlib, after everything else: its macros ("None", "Bool", "Status") would
// clash with names in the headers above.
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>

namespace enginetest {
namespace {

// A window property of the given type as the X server holds it; none when
// the window has no such property.
std::optional<std::string> XWindowProperty(SDL_Window* window, const char* name, const char* type) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return {};
    Display* display = info.info.x11.display;
    const Atom property = XInternAtom(display, name, False);
    const Atom wanted = XInternAtom(display, type, False);
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, info.info.x11.window, property, 0, 4096, False,
                                          wanted, &actual, &format, &count, &after, &data);
    std::optional<std::string> value;
    if (status == Success && actual == wanted && format == 8 && data) {
        value.emplace(reinterpret_cast<const char*>(data), count);
    }
    if (data) XFree(data);
    return value;
}

class EngineSdl : public EngineTest {
protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) GTEST_SKIP() << "no X display (DISPLAY is not set)";
        EngineTest::SetUp();
        // The real window, not the headless one.
        SetPlatformFactory({});
    }

    TSystemLibraryLeaksIgnored leaksIgnored;  // outlives the engine
};

TEST_F(EngineSdl, TheWindowShowsTheBackSurfaceTheGameDrew) {
    constexpr int kW = 96, kH = 64;
    script.onInit = [&](TTestGame& g) {
        g.engine->SetOption("ScreenWidth", std::to_string(kW));
        g.engine->SetOption("ScreenHeight", std::to_string(kH));
        g.engine->SetOption("ApplicationCaption", "Quillmarch \xE2\x80\x94 \xC3\xA9t\xC3\xA9");
    };
    int frames = 0;
    script.onUpdate = [&](TTestGame& g, int32_t) {
        if (frames == 0) g.engine->InvalidateRect(0, 0, kW, kH);
        if (++frames == 5) g.engine->Quit();
    };
    // Every pixel differs from its neighbours in every channel.
    script.onRender = [&](TTestGame&, ISurface& s) {
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                s.GetScanLine(y)[x] = 0xFF000000u |
                                      (static_cast<uint32_t>((x * 5 + 17) & 0xFF) << 16) |
                                      (static_cast<uint32_t>((y * 3 + 40) & 0xFF) << 8) |
                                      static_cast<uint32_t>((x * 11 + y * 13) & 0xFF);
    };

    StartEngine();
    ASSERT_NE(Game(), nullptr);
    engine->Run();
    ASSERT_EQ(frames, 5);
    ASSERT_TRUE(engine->IsWindowReady());
    auto* sdl = dynamic_cast<TSdlPlatform*>(&engine->Platform());
    ASSERT_NE(sdl, nullptr);
    ASSERT_TRUE(sdl->CanPresent()) << sdl->LastError();
    EXPECT_STREQ(SDL_GetWindowTitle(sdl->Window()), "Quillmarch \xE2\x80\x94 \xC3\xA9t\xC3\xA9");
    // What window managers show: the caption as the X server holds it.
    EXPECT_EQ(XWindowProperty(sdl->Window(), "_NET_WM_NAME", "UTF8_STRING"),
              "Quillmarch \xE2\x80\x94 \xC3\xA9t\xC3\xA9");

    std::vector<uint32_t> expected(static_cast<size_t>(kW) * kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            expected[static_cast<size_t>(y) * kW + x] = engine->BackSurface()->GetScanLine(y)[x];
    EXPECT_EQ(expected[0], 0xFF112800u);  // the game did draw

    // The back surface presented once more, read back before the swap (the
    // buffer shown after a swap cannot be read back under every X server).
    engine->PresentSurface();
    EXPECT_EQ(Opaque(ReadWindowPixels(GL_BACK, kW, kH, kH)), Opaque(expected));

    engine->Done();
    EXPECT_FALSE(sdl->HasDisplay());
}

}  // namespace
}  // namespace enginetest
