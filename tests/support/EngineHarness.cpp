#include "tests/support/EngineHarness.h"

#include <gtest/gtest.h>

#include "platform/audio/AudioDevice.h"

TEngineHarness::TEngineHarness(const std::string& folderTag, int32_t width, int32_t height)
    : width_(width),
      height_(height),
      folder_(folderTag),
      previousFolder_(std::filesystem::current_path()) {
    SetResourcesDir(folder_.Path().string());
    previousPlatformFactory_ = SetPlatformFactory([this]() {
        auto platform = std::make_unique<THeadlessPlatform>();
        platform_ = platform.get();
        return std::unique_ptr<IPlatform>(std::move(platform));
    });
    previousAudioFactory_ = SetAudioBackendFactory([]() -> Ref<IAudioBackend> {
        Ref<TAudioDevice> device = MakeRef<TAudioDevice>();
        device->OpenWithoutOutput(44100);
        return device;
    });
}

TEngineHarness::~TEngineHarness() {
    Stop();
    SetPlatformFactory(std::move(previousPlatformFactory_));
    SetAudioBackendFactory(std::move(previousAudioFactory_));
    SetResourcesDir("");
    std::error_code ignored;
    std::filesystem::current_path(previousFolder_, ignored);
}

bool TEngineHarness::Start(std::string_view definition) {
    if (engine_) {
        ADD_FAILURE() << "The harness's engine runs already";
        return false;
    }
    folder_.Write("game.xml", std::string(definition));
    Ref<TEngine> engine = CreateObject<TEngine>();
    if (!engine->Init("game.xml")) {
        ADD_FAILURE() << "The engine did not start on the definition:\n"
                      << definition << "\n"
                      << (log_.Lines().empty() ? "" : log_.Lines().back());
        return false;
    }
    engine_ = std::move(engine);
    engine_->SetOption("ScreenWidth", std::to_string(width_));
    engine_->SetOption("ScreenHeight", std::to_string(height_));
    platform_->SetClock(1000);
    engine_->ApplySettings();
    return true;
}

void TEngineHarness::Stop() {
    if (engine_) engine_->Done();  // the game lets its screens and the engine go
    engine_ = nullptr;
}

void TEngineHarness::Deliver() {
    if (!engine_) return;
    while (platform_->PendingEvents() > 0) {
        if (platform_->Tick() != TTickOutcome::Event) break;
    }
}

void TEngineHarness::Step(int frames, int32_t ms) {
    if (!engine_) return;
    Deliver();
    for (int i = 0; i < frames; ++i) {
        platform_->AdvanceClock(uint32_t(ms));
        if (platform_->Tick() != TTickOutcome::Frame) {
            ADD_FAILURE() << "A tick of the harness ran no frame";
        }
    }
}

uint32_t TEngineHarness::Pixel(int32_t x, int32_t y) const {
    uint32_t pixel = 0;
    engine_->BackSurface()->GetPixel(x, y, pixel);
    return pixel;
}

ISurface& TEngineHarness::Back() const {
    return *engine_->BackSurface();
}

void TEngineHarness::MouseMove(int32_t x, int32_t y) {
    if (!engine_) return;
    platform_->InjectMouseMove(x, y);
    Deliver();
}

void TEngineHarness::MouseDown(int32_t x, int32_t y, uint8_t sdlButton) {
    if (!engine_) return;
    platform_->InjectMouseButton(sdlButton, true, x, y);
    Deliver();
}

void TEngineHarness::MouseUp(int32_t x, int32_t y, uint8_t sdlButton) {
    if (!engine_) return;
    platform_->InjectMouseButton(sdlButton, false, x, y);
    Deliver();
}

void TEngineHarness::Click(int32_t x, int32_t y, uint8_t sdlButton) {
    MouseDown(x, y, sdlButton);
    MouseUp(x, y, sdlButton);
}

void TEngineHarness::PressKey(SDL_Scancode scancode, SDL_Keycode key, const char* text) {
    if (!engine_) return;
    platform_->InjectKey(scancode, key, true, 0, text);
    platform_->InjectKey(scancode, key, false);
    Deliver();
}

void TEngineHarness::KeyDown(SDL_Scancode scancode, SDL_Keycode key, uint16_t sdlMod, bool repeat) {
    if (!engine_) return;
    platform_->InjectKey(scancode, key, true, sdlMod, nullptr, repeat);
    Deliver();
}

void TEngineHarness::KeyUp(SDL_Scancode scancode, SDL_Keycode key, uint16_t sdlMod) {
    if (!engine_) return;
    platform_->InjectKey(scancode, key, false, sdlMod);
    Deliver();
}
