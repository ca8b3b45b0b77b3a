#include "tests/support/GameHarness.h"

#include <gtest/gtest.h>

#include "game/GlobalOptions.h"
#include "widgets/WidgetUtils.h"

TGameHarness::TGameHarness(int32_t width, int32_t height)
    : TEngineHarness("game", width, height),
      xdg_("XDG_DATA_HOME", userDataHome_.Path().string().c_str()) {
    // The options store is read once per process: it starts afresh here.
    DoneGlobalOptions();
    InitGlobalOptions();
}

TGameHarness::~TGameHarness() {
    Stop();
    DoneGlobalOptions();
    InitGlobalOptions();
}

TGame* TGameHarness::Game() const {
    return Started() ? dynamic_cast<TGame*>(Engine().GetGame().get()) : nullptr;
}

Ref<IGameScreenSlave> TGameHarness::Screen(std::string_view name) const {
    TGame* game = Game();
    return game ? game->GetAllScreens()->GetItem(Variant(std::string(name))) : nullptr;
}

Ref<IGameScreenSlave> TGameHarness::Top() const {
    TGame* game = Game();
    return game ? game->GetTopScreen() : nullptr;
}

std::string TGameHarness::StackNames() const {
    TGame* game = Game();
    if (!game) return {};
    std::string names;
    const int32_t count = game->GetStack()->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        if (!names.empty()) names += " ";
        const Ref<IGameScreenSlave> screen = game->GetStack()->At(i);
        names += screen ? screen->GetName() : "?";
    }
    return names;
}

Ref<IWidget> TGameHarness::Find(std::string_view path) const {
    const Ref<IGameScreenSlave> top = Top();
    const Ref<IWindow> window = top ? top->GetWindow() : nullptr;
    return window ? window->FindWidget(path) : nullptr;
}

TPoint TGameHarness::CenterOf(std::string_view path) const {
    const Ref<IWidget> widget = Find(path);
    if (!widget) {
        ADD_FAILURE() << "No widget at \"" << path << "\" on the top screen";
        return {};
    }
    const TRect bounds = GetWidgetScreenBounds(widget);
    return {int32_t((int64_t{bounds.left} + bounds.right) / 2),
            int32_t((int64_t{bounds.top} + bounds.bottom) / 2)};
}

void TGameHarness::ClickAt(std::string_view path, uint8_t sdlButton) {
    const TPoint at = CenterOf(path);
    Click(at.x, at.y, sdlButton);
}

std::string TGameHarness::UserDir() const {
    return GetUserDataDir();
}
