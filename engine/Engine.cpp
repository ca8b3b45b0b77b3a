#include "engine/Engine.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "core/base/Random.h"
#include "core/packs/Cipher.h"
#include "core/packs/ResourceReader.h"
#include "core/storage/XMLStorage.h"
#include "engine/EngineStartup.h"
#include "engine/InputLog.h"
#include "engine/StartupTrace.h"
#include "engine/audio/EngineSounds.h"
#include "engine/resources/EngineResources.h"

namespace {

// A setting's text as a decimal integer; 0 when it is not one.
int32_t DecimalOrZero(const std::string& text) {
    int64_t value = 0;
    if (!TryTextToInt64(text, value) || value < INT32_MIN || value > INT32_MAX) return 0;
    return static_cast<int32_t>(value);
}

// One channel of a colour in a pixel format: its top `bits` bits at `shift`.
uint32_t ChannelBits(uint32_t channel, uint8_t shift, uint8_t bits) {
    const uint32_t value = bits >= 8 ? channel : channel >> (8 - bits);
    return shift >= 32 ? 0 : value << shift;
}

}  // namespace

TEngine::TEngine() = default;

TEngine::~TEngine() {
    if (platform_) platform_->SetClient(nullptr);
    backSurface_ = nullptr;
    audio_.reset();
    resources_ = nullptr;
    settings_ = nullptr;
    game_ = nullptr;
    platform_.reset();
}

void TEngine::Create() {
    TAbstractObject::Create();
    windowReady_ = false;
    resources_ = Query<IResourceCollection>(CreateAbstractObject(ClassOf<TResourceCollection>()));
    settings_ = Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    backSurface_ = Query<ISurface>(CreateAbstractObject(ClassOf<TSurface>()));

    platform_ = CreateEnginePlatform();
    if (!platform_) throw EPlatformError("No platform to run on.");
    platform_->SetClient(this);
    StartupTrace("the platform is started (SDL video and events)");

    TEngineAudioHost host;
    host.openStream = [this](const std::string& fileName) { return OpenStream(fileName); };
    host.resources = [this]() { return resources_.get(); };
    host.getSetting = [this](const std::string& name) {
        return settings_->GetValue(name, Variant::Null());
    };
    audio_ = std::make_unique<TEngineAudio>(CreateEngineAudioBackend(), std::move(host));
    StartupTrace("the audio backend is made");

    redrawNeeded_ = false;
    cursorVisible_ = true;
}

// ---------------------------------------------------------------------------
// Start-up and shut-down

void TEngine::SetDefaultSettings() {
    settings_->SetValue("ScreenWidth", "640");
    settings_->SetValue("ScreenHeight", "480");
    settings_->SetValue("ScreenBPP", "0");
    settings_->SetValue("FullScreenMode", "no");
    settings_->SetValue("WideScreenMode", "no");
    wideScreen_ = false;
    settings_->SetValue("ApplicationCaption", GetProductName());
    settings_->SetValue("SoundVolume", "70");
    settings_->SetValue("MusicVolume", "30");
    timerPeriodMs_ = kDefaultTimerPeriodMs;
    SetOption("ShowFPS", "no");
    SetOption("ShowRects", "yes");
    SetActive(true);
}

bool TEngine::Init(const std::string& gameDefinitionPath) {
    const std::string appDir = GetAppDir();
    if (!appDir.empty()) (void)::chdir(appDir.c_str());  // a failure changes nothing
    // A seed in the environment replays a run's draws (the tests' window
    // beside their headless shadow); else the clock seeds.
    RandomizeFromEnvironment();
    SetDefaultSettings();
    ApplyCaption();
    InitSound();
    StartupTrace(soundAvailable_ ? "the sound is started" : "the sound is not available");
    const bool result = CreateGame(gameDefinitionPath);
    if (!result) Done();
    return result;
}

bool TEngine::CreateGame(const std::string& path) {
    bool result = false;
    const std::string where = "The game definition \"" + path + "\" in " + GetAppDir();
    try {
        std::string text;
        if (!ReadText(path, GetDataFileKey(), text)) {
            EngineLog(where + " cannot be read.");
            return false;
        }
        StartupTrace("the game definition is read");
        Ref<IHierStorage> root;
        try {
            root = LoadStorageFromXML(text);
            StartupTrace("the game definition is parsed");
            if (!root) EngineLog(where + " is no valid XML.");
        } catch (const std::exception& e) {
            EngineLog(where + " is no valid XML: " + e.what());
        }
        if (root) {
            const std::string name = ReadString(root, "name", "");
            const std::string type = ReadString(root, "type", "");
            Ref<INamedObject> object = CreateNamedObject(type, name);
            if (!object) {
                EngineLog(type.empty() ? where + " names no \"type\"."
                                       : where + " names the type \"" + type +
                                             "\", which is not registered.");
            } else if (!(game_ = Query<IGame>(object))) {
                EngineLog(where + " names the type \"" + type + "\", which is no game.");
            } else {
                if (Ref<IPersistObject> persist = Query<IPersistObject>(object))
                    persist->Load(root);
                StartupTrace("the game object is loaded from its definition");
                game_->Init(Ref<IEngine>(this));
                StartupTrace("the game is initialised");
                gameInitialized_ = true;
                result = true;
            }
        }
    } catch (const std::exception& e) {
        EngineLog("The game could not start: " + std::string(e.what()));
    } catch (...) {
        EngineLog("The game could not start: unknown error.");
    }
    // Out-storage documents the definition pulled in are not needed again.
    ClearStorageCache();
    return result;
}

void TEngine::Done() {
    if (done_) return;
    done_ = true;
    ShowCursor();
    if (game_ && gameInitialized_) {
        try {
            game_->Done();
        } catch (const std::exception& e) {
            EngineLog("The game did not end cleanly: " + std::string(e.what()));
        }
    } else {
        // A game whose Init did not complete is not asked to end (it would
        // save half-loaded player data); it is let go instead.
        game_ = nullptr;
    }
    RemoveResources("");
    ShutdownSound();
    DestroyDisplay();
}

// ---------------------------------------------------------------------------
// The loop

void TEngine::Run() {
    try {
        SetActiveFlag(true);
        ApplySettings();
        StartupTrace("the window and its OpenGL context are made");
        StartupTraceAtPresent("the first frame is presented");
        platform_->Run(timerPeriodMs_);
    } catch (const std::exception& e) {
        EngineLog("The game stopped: " + std::string(e.what()));
    } catch (...) {
        EngineLog("The game stopped on an unknown error.");
    }
}

void TEngine::Tick() {
    platform_->Tick();
}

void TEngine::Frame() {
    if (!running_) return;
    const uint32_t now = platform_->TickCountMs();
    // The clock wraps; the difference stays right across the wrap.
    const int32_t elapsed = static_cast<int32_t>(now - lastTickTime_);
    lastTickTime_ = now;
    UpdateMuteSounds();
    if (!game_) return;
    const Ref<IGame> game = game_;
    UpdateGame(elapsed);
    if (redrawNeeded_) game->Render(backSurface_);
    PresentSurface();
    SwapBuffers();
    StartupTracePresented();
    ClearUpdateRects();
}

void TEngine::UpdateGame(int32_t elapsedMs) {
    if (!game_) return;
    const Ref<IGame> game = game_;
    game->Update(elapsedMs);
    game->EndFrame();
}

void TEngine::OnPlatformEvent(const TPlatformEvent& event) {
    switch (event.kind) {
        case TPlatformEventKind::Mouse: {
            // Moves are many: only those of a drag (a button held) are told.
            const bool logged = InputLogOn() && (event.code != kMouseMove || event.buttons != 0);
            if (logged) InputLogBeginEvent();
            if (active_ && game_) {
                const Ref<IGame> game = game_;
                uint32_t buttons = 0;
                if (event.code == kMouseMove) {
                    // The system pointer shows only outside the window's content.
                    if (!fullScreen_) SetCursorVisible(!event.inside);
                    buttons = event.buttons;
                }
                game->MouseEvent(event.code, event.x, event.y, static_cast<int32_t>(buttons));
            }
            if (logged) {
                InputLogLine("mouse " + std::string(InputLogMouseWord(event.code)) + " " +
                             std::to_string(event.x) + " " + std::to_string(event.y) + " " +
                             InputLogEventWhere());
            }
            return;
        }
        case TPlatformEventKind::Key: {
            const bool logged = InputLogOn();
            if (logged) InputLogBeginEvent();
            // Enter is passed on as Return.
            const uint8_t character = event.character == 3 ? 13 : event.character;
            if (game_) {
                const Ref<IGame> game = game_;
                game->KeyEvent(event.keyKind, character, event.modifiers);
            }
            if (logged) {
                InputLogLine("key " + std::string(InputLogKeyWord(event.keyKind)) + " " +
                             std::to_string(character) + " " + InputLogEventWhere());
            }
            return;
        }
        case TPlatformEventKind::Activate:
            SetActive(true);
            return;
        case TPlatformEventKind::Deactivate:
            SetActive(false);
            return;
        case TPlatformEventKind::CloseRequest:
            QueryQuitAndEndLoop();
            return;
        case TPlatformEventKind::QuitRequest:
            // The session is ending (or a signal asked): nobody is there to
            // answer a query. The loop ends, and the game's Done saves what
            // leaving through the close box would.
            EngineLog("Asked to quit from outside the window: ending without a query");
            platform_->QuitLoop();
            return;
    }
}

void TEngine::QueryQuitAndEndLoop() {
    if (running_ && game_) {
        const Ref<IGame> game = game_;
        if (!game->QueryQuit()) return;
    }
    platform_->QuitLoop();
}

void TEngine::Quit() {
    if (!game_) return;
    const Ref<IGame> game = game_;
    if (game->QueryQuit()) platform_->QuitLoop();
}

void TEngine::SetActive(bool active) {
    active_ = active;
    if (active) SetActiveFlag(true);
    if (soundAvailable_) audio_->SetActive(active);
    if (game_) {
        const Ref<IGame> game = game_;
        game->SetActive(active);
    }
}

void TEngine::SetActiveFlag(bool running) {
    running_ = running;
    lastTickTime_ = platform_->TickCountMs();
}

void TEngine::ResetFrameClock() {
    if (windowReady_) lastTickTime_ = platform_->TickCountMs();
}

void TEngine::SetCursorVisible(bool visible) {
    if (cursorVisible_ == visible) return;
    cursorVisible_ = visible;
    platform_->SetSystemCursorVisible(visible);
}

TPoint TEngine::GetMousePos() {
    const TPlatformPoint p = platform_->GetMousePos();
    return {p.x, p.y};
}

// ---------------------------------------------------------------------------
// Display

bool TEngine::ApplySettings() {
    bool result = ApplyScreenSettings();
    if (result) result = ApplyCaption();
    return result;
}

bool TEngine::ApplyScreenSettings() {
    bool result = true;
    bool displayChanged = false;
    bool sizeChanged = false;
    bool wideChanged = false;
    // Each setting on its own: one that cannot be read changes nothing.
    try {
        const int32_t width = DecimalOrZero(SettingText("ScreenWidth"));
        if (width != screenWidth_) {
            screenWidth_ = width;
            displayChanged = sizeChanged = true;
        }
    } catch (const std::exception&) {
    }
    try {
        const int32_t height = DecimalOrZero(SettingText("ScreenHeight"));
        if (height != screenHeight_) {
            screenHeight_ = height;
            displayChanged = sizeChanged = true;
        }
    } catch (const std::exception&) {
    }
    try {
        const bool full = SettingText("FullScreenMode") == "yes";
        if (full != fullScreen_) {
            fullScreen_ = full;
            displayChanged = true;
        }
    } catch (const std::exception&) {
    }
    try {
        // Taken over only in full screen.
        const bool wide = SettingText("WideScreenMode") == "yes";
        if (wide != wideScreen_ && fullScreen_) {
            wideScreen_ = wide;
            displayChanged = wideChanged = true;
        }
    } catch (const std::exception&) {
    }
    try {
        const int32_t depth = DecimalOrZero(SettingText("ScreenBPP"));
        if (depth != screenDepth_) {
            screenDepth_ = depth;
            if (fullScreen_) displayChanged = true;
        }
    } catch (const std::exception&) {
    }

    if (displayChanged) {
        if (fullScreen_) {
            if (wideChanged) result = SwitchToWindow();
            result = SwitchToFullScreen();
        } else {
            result = SwitchToWindow();
        }
        ResetFrameClock();
    }
    if (sizeChanged) backSurface_->SetSize(screenWidth_, screenHeight_);
    return result;
}

bool TEngine::SwitchToFullScreen() {
    DestroyDisplay();
    windowReady_ = platform_->CreateDisplay({screenWidth_, screenHeight_, true});
    if (!windowReady_ || !platform_->CanPresent()) {
        EngineLog("The full screen could not be set up: " + platform_->LastError());
    }
    return true;
}

bool TEngine::SwitchToWindow() {
    DestroyDisplay();
    windowReady_ = platform_->CreateDisplay({screenWidth_, screenHeight_, false});
    if (!windowReady_ || !platform_->CanPresent()) {
        EngineLog("The window could not be set up: " + platform_->LastError());
    }
    return true;
}

void TEngine::DestroyDisplay() {
    platform_->DestroyDisplay();
}

bool TEngine::ApplyCaption() {
    try {
        caption_ = SettingText("ApplicationCaption");
        platform_->SetTitle(caption_);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void TEngine::PresentSurface() {
    if (!backSurface_) return;
    const uint32_t* pixels = backSurface_->GetScanLine(0);
    if (pixels)
        platform_->PresentPixels(pixels, backSurface_->GetWidth(), backSurface_->GetHeight());
}

void TEngine::SwapBuffers() {
    platform_->SwapBuffers();
}

void TEngine::InvalidateRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (left > screenWidth_ || top > screenHeight_ || right <= 0 || bottom <= 0) return;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, screenWidth_);
    bottom = std::min(bottom, screenHeight_);
    // An inverted rectangle covers nothing either.
    if (left >= right || top >= bottom) return;
    backSurface_->AddUpdateRect({left, top, right, bottom});
    redrawNeeded_ = true;
}

void TEngine::ClearUpdateRects() {
    backSurface_->ClearUpdateRects();
    redrawNeeded_ = false;
}

// ---------------------------------------------------------------------------
// Settings, folders and files

std::string TEngine::SettingText(const std::string& name) {
    return settings_->GetValue(name, Variant()).ToString();
}

void TEngine::SetOption(const std::string& name, const Variant& value) {
    settings_->SetValue(name, value);
    if (name == "MusicVolume") {
        SetMusicVolume(value);
    } else if (name == "SoundVolume") {
        SetSoundVolume(value);
    }
}

std::string TEngine::GetOption(const std::string& name) {
    try {
        return SettingText(name);
    } catch (const std::exception&) {
        return {};
    }
}

std::string TEngine::GetAppDir() {
    return GetResourcesDir();
}
std::string TEngine::GetUserDir() {
    return GetUserDataDir();
}

bool TEngine::SaveUserTextFile(const std::string& text, const std::string& fileName) {
    return ::SaveUserTextFile(text, fileName);
}

bool TEngine::SaveResourceTextFile(const std::string& text, const std::string& fileName) {
    return ::SaveResourceTextFile(text, fileName);
}

bool TEngine::ReadText(const std::string& fileName, const std::string& key, std::string& text) {
    text.clear();
    std::unique_ptr<TStream> stream = OpenStream(fileName);
    if (!stream) return false;
    try {
        text = NormalizeLineBreaks(ReadAllText(*stream));
    } catch (const std::exception&) {
        text.clear();
        return false;
    }
    if (!key.empty()) text = TCipher_Xtea(key).CodeString(text, paDecode, kFormatHex);
    return true;
}

std::string TEngine::ReadTextFile(const std::string& fileName, const std::string& key) {
    std::string text;
    ReadText(fileName, key, text);
    return text;
}

std::unique_ptr<TStream> TEngine::OpenStream(const std::string& fileName) {
    try {
        return OpenResource(fileName, true);
    } catch (...) {
        return nullptr;
    }
}

void TEngine::OpenURL(const std::string& url) {
    if (fullScreen_) {
        // The browser must not open behind the game.
        SetOption("FullScreenMode", "no");
        ApplyScreenSettings();
    }
    if (!platform_->OpenURL(url)) EngineLog("Cannot open the address " + url);
}

Ref<ISurface> TEngine::CreateSurface() {
    return Query<ISurface>(CreateAbstractObject(ClassOf<TSurface>()));
}

uint32_t TEngine::ColorToPixel(uint32_t color) {
    if (!windowReady_) return 0;
    const TPixelFormat& f = pixelFormat_;
    return ChannelBits((color >> 16) & 0xFF, f.redShift, f.redBits) |
           ChannelBits((color >> 8) & 0xFF, f.greenShift, f.greenBits) |
           ChannelBits(color & 0xFF, f.blueShift, f.blueBits);
}

// ---------------------------------------------------------------------------
// Resources

void TEngine::LoadResources(const Ref<IHierStorage>& node, const std::string& groupName,
                            uint8_t loadMode) {
    if (!node) return;
    const Ref<IHierStorage> content = node->GetChild("content", 0);
    if (!content) return;
    const Ref<IResourceOwner> owner(this);
    const int32_t count = content->GetChildCount("resource");
    for (int32_t i = 0; i < count; ++i) {
        // The nested tick lets a splash screen animate while the list loads.
        if (loadMode == kLoadResourcesTicking) Tick();
        const Ref<IHierStorage> item = content->GetChild("resource", i);
        if (!item) continue;
        const std::string name = ReadString(item, "name", "");
        // The collection keeps names unique ignoring case: an entry whose name
        // is taken in any capitals would only be created, decoded and refused.
        if (resources_->Find(Variant(name))) continue;
        const Ref<IResourceSlave> resource =
            CreateResourceByType(ReadString(item, "type", ""), name);
        if (!resource) continue;
        if (const Ref<IPersistObject> persist = Query<IPersistObject>(resource))
            persist->Load(item);
        resource->SetGroupName(groupName);
        resource->SetOwner(owner);
        resources_->Add(resource);
        if (StartupTraceOn()) StartupTrace("resource \"" + name + "\" of \"" + groupName + "\"");
    }
}

void TEngine::LoadResourceFile(const std::string& fileName, const std::string& groupName,
                               uint8_t loadMode) {
    try {
        std::string text;
        if (!ReadText(fileName, GetDataFileKey(), text)) {
            EngineLog("The resource list \"" + fileName + "\" cannot be read.");
            return;
        }
        const Ref<IHierStorage> root = LoadStorageFromXML(text);
        if (StartupTraceOn()) StartupTrace("the resource list \"" + fileName + "\" is read");
        if (root) LoadResources(root, groupName, loadMode);
    } catch (const std::exception& e) {
        EngineLog("The resource list \"" + fileName + "\" stopped loading: " + e.what());
    } catch (...) {
        EngineLog("The resource list \"" + fileName + "\" stopped loading.");
    }
}

void TEngine::RemoveResources(const std::string& groupName) {
    if (resources_) resources_->RemoveGroup(groupName);
}

Ref<IResource> TEngine::GetResource(const std::string& name) {
    return resources_->Find(Variant(name));
}

void TEngine::RemoveResource(const std::string& name) {
    if (resources_->Find(Variant(name))) resources_->Delete(Variant(name));
}

// ---------------------------------------------------------------------------
// Sound and music

bool TEngine::InitSound() {
    soundAvailable_ = false;
    try {
        soundAvailable_ = audio_->InitSound();
    } catch (const std::exception& e) {
        EngineLog("No sound: " + std::string(e.what()));
    }
    // Without sound the game runs silent; the audio part has said why.
    return soundAvailable_;
}

void TEngine::ShutdownSound() {
    audio_->ShutdownSound();
    soundAvailable_ = false;
}

void TEngine::UpdateMuteSounds() {
    if (soundAvailable_) audio_->UpdateMuteSounds();
}

void TEngine::SetMusicVolume(const Variant& value) {
    audio_->SetMusicVolume(value);
}
void TEngine::SetSoundVolume(const Variant& value) {
    audio_->SetSoundVolume(value);
}

TChannelHandle TEngine::PlayMusic(const Ref<IMusic>& music) {
    return audio_->PlayMusic(music);
}
void TEngine::StopMusic(const Ref<IMusic>& music) {
    audio_->StopMusic(music);
}
TChannelHandle TEngine::PlaySound(const Ref<ISound>& sound) {
    return audio_->PlaySound(sound);
}
void TEngine::StopSound(const Ref<ISound>& sound) {
    audio_->StopSound(sound);
}
void TEngine::StopAllSounds() {
    audio_->StopAllSounds();
}

TMusicHandle TEngine::LoadMusic(const std::string& fileName) {
    return audio_->LoadMusic(fileName);
}

void TEngine::FreeMusic(TMusicHandle music) {
    audio_->FreeMusic(music);
}

TSampleHandle TEngine::LoadSample(const std::string& fileName, uint16_t maxPlaybacks, bool loop) {
    return audio_->LoadSample(fileName, maxPlaybacks, loop);
}

TChannelHandle TEngine::LoadLoopedSampleChannel(const std::string& fileName,
                                                TSampleHandle& sample) {
    return audio_->LoadLoopedSampleChannel(fileName, sample);
}

void TEngine::FreeSample(TSampleHandle sample) {
    audio_->FreeSample(sample);
}
