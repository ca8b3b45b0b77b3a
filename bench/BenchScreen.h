// A screen and an engine for benchmarks that drive widgets without the
// platform: the engine answers surfaces and nothing else.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/Interface.h"
#include "core/persist/EngineGeneralClasses.h"
#include "engine/interfaces/EngineInterfaces.h"
#include "engine/surface/EngineSurface.h"
#include "widgets/GameInterfaces.h"

namespace bench {

class TBenchEngine : public TAbstractObject, public virtual IEngine {
public:
    std::string GetAppDir() override { return {}; }
    std::string GetUserDir() override { return {}; }
    bool SaveUserTextFile(const std::string&, const std::string&) override { return false; }
    bool SaveResourceTextFile(const std::string&, const std::string&) override { return false; }
    void SetOption(const std::string&, const Variant&) override {}
    std::string GetOption(const std::string&) override { return {}; }
    bool ApplySettings() override { return false; }
    std::string ReadTextFile(const std::string&, const std::string&) override { return {}; }
    void LoadResources(const Ref<IHierStorage>&, const std::string&, uint8_t) override {}
    void LoadResourceFile(const std::string&, const std::string&, uint8_t) override {}
    void RemoveResources(const std::string&) override {}
    Ref<IResource> GetResource(const std::string&) override { return nullptr; }
    void RemoveResource(const std::string&) override {}
    TPoint GetMousePos() override { return {}; }
    void HideCursor() override {}
    void ShowCursor() override {}
    TChannelHandle PlayMusic(const Ref<IMusic>&) override { return 0; }
    void StopMusic(const Ref<IMusic>&) override {}
    TChannelHandle PlaySound(const Ref<ISound>&) override { return 0; }
    void StopSound(const Ref<ISound>&) override {}
    void StopAllSounds() override {}
    void SetMusicVolume(const Variant&) override {}
    void Quit() override {}
    void OpenURL(const std::string&) override {}
    Ref<ISurface> CreateSurface() override { return MakeRef<TSurface>(); }
    Ref<IGame> GetGame() override { return nullptr; }
    void InvalidateRect(int32_t, int32_t, int32_t, int32_t) override {}
    void ClearUpdateRects() override {}
    void UpdateGame(int32_t) override {}
};

class TBenchScreen : public TNamedObject, public virtual IWidgetOwner {
public:
    Ref<IEngine> GetEngine() override { return engine; }
    Ref<IWindow> GetWindow() override { return nullptr; }
    Ref<IEventHandler> GetEventHandler() override { return nullptr; }
    TPoint ScreenToClient(int32_t x, int32_t y) override { return {x, y}; }
    Ref<IWidget> CreateFactoryWidget(const std::string&, const Ref<IParamCollection>&) override {
        return nullptr;
    }
    Ref<IWidget> FindWidget(std::string_view) override { return nullptr; }
    std::string GetPath() override { return "bench"; }
    void InvalidateRect(const TRect&) override {}

    Ref<IEngine> engine = MakeRef<TBenchEngine>();
};

}  // namespace bench
