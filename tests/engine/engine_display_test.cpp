// The window and the full screen as the screen settings change, the
// rectangles to redraw, the caption and the system pointer.
#include <gtest/gtest.h>

#include "tests/engine/EngineTestSupport.h"

namespace enginetest {
namespace {

using EngineDisplay = EngineTest;
using Modes = std::vector<TDisplayMode>;

TEST_F(EngineDisplay, TheFirstApplyOpensAWindowOfTheScreenSize) {
    StartEngine();
    engine->SetOption("ScreenWidth", "320");
    engine->SetOption("ScreenHeight", "200");
    EXPECT_TRUE(engine->ApplySettings());
    EXPECT_EQ(platform->DisplaysCreated(), (Modes{{320, 200, false}}));
    EXPECT_TRUE(engine->IsWindowReady());
    EXPECT_EQ(engine->BackSurface()->GetWidth(), 320);
    EXPECT_EQ(engine->BackSurface()->GetHeight(), 200);
    EXPECT_EQ(platform->WindowPosition(), (TPlatformPoint{352, 284}));  // centred on 1024 x 768
    EXPECT_EQ(platform->WindowTitle(), kDefaultProductName);

    // Applying the same settings again changes nothing.
    EXPECT_TRUE(engine->ApplySettings());
    EXPECT_EQ(platform->DisplaysCreated().size(), 1u);
}

TEST_F(EngineDisplay, ScreenSettingsSwitchBetweenWindowAndFullScreen) {
    StartEngine();
    engine->SetOption("ScreenWidth", "320");
    engine->SetOption("ScreenHeight", "200");
    engine->ApplySettings();
    platform->MoveWindow({100, 80});  // the player moves the window

    struct TStep {
        const char* label;
        std::vector<std::pair<const char*, const char*>> options;
        Modes created;  // displays made by this step, in order
        bool fullScreen;
        bool wideScreen;
    };
    const TStep steps[] = {
        {"depth in a window", {{"ScreenBPP", "16"}}, {}, false, false},
        {"wide in a window", {{"WideScreenMode", "yes"}}, {}, false, false},
        {"wide back", {{"WideScreenMode", "no"}}, {}, false, false},
        {"full screen", {{"FullScreenMode", "yes"}}, {{320, 200, true}}, true, false},
        {"depth in full screen", {{"ScreenBPP", "32"}}, {{320, 200, true}}, true, false},
        {"wide in full screen",
         {{"WideScreenMode", "yes"}},
         {{320, 200, false}, {320, 200, true}},
         true,
         true},
        {"size in full screen",
         {{"ScreenWidth", "400"}, {"ScreenHeight", "300"}},
         {{400, 300, true}},
         true,
         true},
        {"back to a window", {{"FullScreenMode", "no"}}, {{400, 300, false}}, false, true},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.label);
        const size_t before = platform->DisplaysCreated().size();
        for (const auto& [name, value] : step.options) engine->SetOption(name, value);
        EXPECT_TRUE(engine->ApplySettings());
        const Modes& all = platform->DisplaysCreated();
        EXPECT_EQ(Modes(all.begin() + static_cast<ptrdiff_t>(before), all.end()), step.created);
        EXPECT_EQ(engine->IsFullScreen(), step.fullScreen);
        EXPECT_EQ(engine->IsWideScreen(), step.wideScreen);
        EXPECT_TRUE(platform->HasDisplay());
    }
    EXPECT_EQ(engine->ScreenDepth(), 32);
    EXPECT_EQ(engine->BackSurface()->GetWidth(), 400);
    // The window is back where the player had put it.
    EXPECT_EQ(platform->WindowPosition(), (TPlatformPoint{100, 80}));
}

TEST_F(EngineDisplay, AWindowThatCannotBeMadeLeavesTheLoopRunning) {
    StartEngine();
    engine->SetOption("ScreenWidth", "wide");  // no number: 0
    engine->ApplySettings();
    EXPECT_EQ(engine->ScreenWidth(), 0);
    EXPECT_FALSE(engine->IsWindowReady());
    EXPECT_TRUE(LogHas("The window could not be set up"));
    TakeCalls();
    EXPECT_EQ(platform->Tick(), TTickOutcome::Frame);
    EXPECT_EQ(TakeCalls(), (Calls{"update 0", "endframe"}));
    EXPECT_EQ(platform->FramesPresented(), 0u);
}

struct TInvalidateCase {
    TRect given;
    TRect added;  // empty: nothing is added
};

TEST_F(EngineDisplay, InvalidateRectClampsToTheScreen) {
    StartEngine();
    // Before the screen is applied every rectangle lies outside it.
    engine->InvalidateRect(0, 0, 10, 10);
    EXPECT_FALSE(engine->IsRedrawNeeded());

    engine->ApplySettings();  // 640 x 480
    const TInvalidateCase cases[] = {
        {{-10, -10, 20, 20}, {0, 0, 20, 20}},
        {{600, 470, 700, 500}, {600, 470, 640, 480}},
        {{5, 6, 7, 8}, {5, 6, 7, 8}},
        {{5, 5, 5, 20}, {}},       // right equal to left
        {{5, 5, 20, 5}, {}},       // bottom equal to top
        {{641, 0, 700, 10}, {}},   // left beyond the width
        {{640, 0, 700, 10}, {}},   // left at the width: nothing left of it
        {{0, 481, 10, 500}, {}},   // top beyond the height
        {{-20, -20, 0, 10}, {}},   // right at 0
        {{-20, -20, 10, -1}, {}},  // bottom above the screen
        {{30, 10, 20, 20}, {}},    // inverted
    };
    auto* back = dynamic_cast<TSurface*>(engine->BackSurface().get());
    ASSERT_NE(back, nullptr);
    for (const TInvalidateCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.given.left << "," << c.given.top << ","
                                        << c.given.right << "," << c.given.bottom);
        engine->InvalidateRect(c.given.left, c.given.top, c.given.right, c.given.bottom);
        if (c.added.IsEmpty()) {
            EXPECT_FALSE(engine->IsRedrawNeeded());
            EXPECT_EQ(back->GetUpdateRegion().Count(), 0);
        } else {
            EXPECT_TRUE(engine->IsRedrawNeeded());
            ASSERT_EQ(back->GetUpdateRegion().Count(), 1);
            EXPECT_EQ(back->GetUpdateRegion().GetRect(0), c.added);
        }
        engine->ClearUpdateRects();
        EXPECT_FALSE(engine->IsRedrawNeeded());
    }
}

TEST_F(EngineDisplay, TheCaptionAndTheSystemPointer) {
    StartEngine();
    engine->ApplySettings();
    engine->SetOption("ApplicationCaption", "Quillmarch \xE2\x80\x94 caf\xC3\xA9");
    EXPECT_EQ(platform->WindowTitle(), kDefaultProductName);  // not before it is applied
    EXPECT_TRUE(engine->ApplySettings());
    EXPECT_EQ(platform->WindowTitle(), "Quillmarch \xE2\x80\x94 caf\xC3\xA9");
    // Through the settings storage and the platform, characters beyond 16 bits stay whole.
    engine->SetOption("ApplicationCaption", "\xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF");
    EXPECT_TRUE(engine->ApplySettings());
    EXPECT_EQ(platform->WindowTitle(), "\xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF");

    engine->HideCursor();
    engine->HideCursor();
    engine->ShowCursor();
    EXPECT_EQ(platform->CursorCalls(), (std::vector<bool>{false, true}));
}

TEST_F(EngineDisplay, OpeningAnAddressLeavesFullScreenFirst) {
    StartEngine();
    engine->SetOption("FullScreenMode", "yes");
    engine->ApplySettings();
    ASSERT_TRUE(platform->CurrentMode().fullScreen);
    engine->OpenURL("https://example.org/quillmarch");
    EXPECT_EQ(engine->GetOption("FullScreenMode"), "no");
    EXPECT_FALSE(platform->CurrentMode().fullScreen);
    EXPECT_TRUE(platform->HasDisplay());
    EXPECT_EQ(platform->OpenedUrls(), std::vector<std::string>{"https://example.org/quillmarch"});
    EXPECT_TRUE(log.empty());

    engine->OpenURL("--version");  // would pass for an option: refused
    EXPECT_TRUE(LogHas("Cannot open the address --version"));
}

}  // namespace
}  // namespace enginetest
