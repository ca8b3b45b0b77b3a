#include "game/Game.h"

#include <cctype>
#include <exception>
#include <set>
#include <utility>

#include "core/base/Log.h"
#include "core/base/SafeConvert.h"
#include "core/storage/XMLStorage.h"
#include "engine/EngineStartup.h"
#include "engine/InputLog.h"
#include "engine/StartupTrace.h"
#include "game/GameConfig.h"
#include "game/GameScreen.h"
#include "game/GlobalOptions.h"
#include "game/PlayerDataFile.h"
#include "game/SplashScreens.h"

namespace {

TAbstractClass g_cursorCollectionClass = nullptr;
TAbstractClass g_customSettingsClass = nullptr;

bool Contains(const TRect& outer, const TRect& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

// The setting a Command key toggles; null for other keys.
const char* ToggledSetting(uint8_t key) {
    switch (std::tolower(key)) {
        case 'f':
            return "ShowFPS";
        case 'm':
            return "FullScreenMode";
        case 'r':
            return "ShowRects";
        default:
            return nullptr;
    }
}

bool IsButtonDown(int32_t code) {
    return code == kMouseLeftDown || code == kMouseMiddleDown || code == kMouseRightDown;
}

}  // namespace

void SetCursorCollectionClass(TAbstractClass cls) {
    g_cursorCollectionClass = cls;
}
TAbstractClass GetCursorCollectionClass() {
    return g_cursorCollectionClass;
}
void SetCustomSettingsClass(TAbstractClass cls) {
    g_customSettingsClass = cls;
}
TAbstractClass GetCustomSettingsClass() {
    return g_customSettingsClass;
}

// ---------------------------------------------------------------------------
// TGSCollection

void TGSCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("gamescreens");
    SetItemNodeName("gamescreen");
}

Ref<IGameScreenSlave> TGSCollection::At(int32_t position) const {
    if (position < 0 || position >= Items().GetCount()) return nullptr;
    return Query<IGameScreenSlave>(Items().GetItemAt(position));
}

// ---------------------------------------------------------------------------
// Creation and storage

TGame::~TGame() {
    // A game let go without Done leaves nothing linked to it.
    if (listening_) SetPlayerFileSaveListener(nullptr);
    DetachCursorWidgets();
    DetachScreens();
}

void TGame::Create() {
    TPersistObject::Create();
    SetNodeName("game");
    highScores_ =
        Query<IHighScores>(CreateAbstractObject(ClassOf<THighScores>(), GetHighScoresDefinition()));
    options_ = Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    stack_ = CreateObject<TGSCollection>();
    screens_ = CreateObject<TGSCollection>();
    resourceFiles_ = CreateObject<TResourceFileCollection>();
    userProfiles_ =
        Query<IUserProfileCollection>(CreateAbstractObject(ClassOf<TUserProfileCollection>()));
    levelRecords_ = Query<ILevelRecords>(
        CreateAbstractObject(ClassOf<TLevelRecords>(), GetLevelRecordsDefinition()));
    if (g_cursorCollectionClass) {
        cursors_ = Query<ICursorCollection>(CreateAbstractObject(g_cursorCollectionClass));
    }
    starting_ = true;
    startUpPending_ = true;
    logoPhase_ = false;
}

const TPropertyTable& TGame::Table() {
    using G = TGame;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<G>(TPersistObject::Table())
            .Field("splashlogosgs", &G::splashLogosName_)
            .Field("splashgs", &G::splashName_)
            .Field("closequerygs", &G::closeQueryName_)
            .Field("maings", &G::mainName_)
            .Build();
    // clang-format on
    return table;
}

void TGame::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistObject::LoadFrom(storage);
    if (!storage) return;
    if (storage->GetChildCount("custom_settings") > 0) {
        if (g_customSettingsClass) {
            customSettings_ =
                Query<ICustomSettingsCollection>(CreateAbstractObject(g_customSettingsClass));
            LoadChildObject(customSettings_, storage, "custom_settings", 0);
        } else {
            Log("GAME", "The game definition's custom settings are skipped: no class runs them.");
        }
    }
    if (cursors_) {
        LoadChildObject(cursors_, storage, "", 0);
    } else if (storage->GetChildCount("cursors") > 0) {
        Log("GAME", "The game definition's cursors are skipped: no class holds them.");
    }
    LoadChildObject(resourceFiles_, storage, "resourcefiles", 0);
    LoadChildObject(options_, storage, "params", 0);
    LoadChildObject(screens_, storage, "gamescreens", 0);
}

void TGame::SaveTo(const Ref<IHierStorage>& storage) {
    TPersistObject::SaveTo(storage);
    if (!storage) return;
    if (customSettings_) SaveChildObject(customSettings_, storage, "custom_settings");
    if (cursors_) SaveChildObject(cursors_, storage, "");
    SaveChildObject(resourceFiles_, storage, "resourcefiles");
    SaveChildObject(options_, storage, "params");
    SaveChildObject(screens_, storage, "gamescreens");
}

// ---------------------------------------------------------------------------
// Init and Done

bool TGame::Init(const Ref<IEngine>& engine) {
    const Ref<TGame> self(this);
    engine_ = engine;
    {
        const Weak<TGame> weak(self);
        SetPlayerFileSaveListener([weak](const std::string&, const std::string& why) {
            if (const Ref<TGame> game = weak.Lock()) game->NoteSaveFailure(why);
        });
        listening_ = true;
    }

    highScores_->Load(engine, false);
    levelRecords_->Load(engine);
    userProfiles_->Load(engine);
    StartupTrace("the high scores, level records and player profiles are loaded");

    attached_ = true;
    if (cursors_) {
        const int32_t count = cursors_->GetCount();
        for (int32_t i = 0; i < count; ++i) {
            const Ref<ICursor> cursor = cursors_->Find(Variant(i));
            if (const Ref<IWidget> widget = cursor ? cursor->GetWidget() : nullptr) {
                widget->Attach(this);
            }
        }
        cursors_->SetCurrentCursor(cursors_->GetDefaultCursorName());
        if (engine_) engine_->HideCursor();
    }

    if (engine_) {
        LoadGlobalOptions();
        ApplyOptionsToEngine();
        StartupTrace("the options are loaded and applied");
        resourceFiles_->ForEachItem([this](const Ref<IResourceFile>& file) {
            if (file->GetLoadMode() != kResourceFileSynch || !engine_) return;
            engine_->LoadResourceFile(file->GetFileName(), file->GetName(), kResourceFileSynch);
        });
        StartupTrace("the resources for the first screens are loaded");
    }

    screens_->ForEachItem(
        [this](const Ref<IGameScreenSlave>& screen) { screen->AttachOwner(this); });
    logoPhase_ = ShowGameScreen(splashLogosName_, nullptr);
    StartupTrace("the logo screen is shown");

    if (const Ref<ICustomSettingsCollection> settings = customSettings_) {
        settings->LoadAndApplyAll(engine_, this);
    }
    return true;
}

void TGame::Done() {
    const Ref<TGame> self(this);
    // Nobody is left to tell of the saves from here on; the log has them.
    if (listening_) SetPlayerFileSaveListener(nullptr);
    listening_ = false;
    pendingSaveFailure_.clear();
    lastResults_ = nullptr;
    customSettings_ = nullptr;
    levelRecords_ = nullptr;
    highScores_ = nullptr;
    options_ = nullptr;

    DetachCursorWidgets();
    // The open screens go from the top down, without hiding.
    while (stack_->GetCount() > 0) stack_->Delete(Variant(stack_->GetCount() - 1));
    closing_.clear();
    StackChanged();
    backdrop_ = nullptr;
    DetachScreens();
    attached_ = false;

    if (userProfiles_) {
        userProfiles_->Save(engine_);
        userProfiles_ = nullptr;
    }
    if (engine_) {
        for (int32_t i = resourceFiles_->GetCount() - 1; i >= 0; --i) {
            if (const Ref<IResourceFile> file = resourceFiles_->GetItem(Variant(i))) {
                engine_->RemoveResources(file->GetName());
            }
        }
    }
    engine_ = nullptr;
}

void TGame::DetachCursorWidgets() {
    if (!attached_ || !cursors_) return;
    for (int32_t i = cursors_->GetCount() - 1; i >= 0; --i) {
        const Ref<ICursor> cursor = cursors_->Find(Variant(i));
        const Ref<IWidget> widget = cursor ? cursor->GetWidget() : nullptr;
        if (widget && widget->GetOwner() == static_cast<IWidgetOwner*>(this)) widget->Detach();
    }
}

void TGame::DetachScreens() {
    if (!attached_) return;
    attached_ = false;
    for (int32_t i = screens_->GetCount() - 1; i >= 0; --i) {
        if (const Ref<IGameScreenSlave> screen = screens_->At(i)) screen->DetachOwner();
    }
}

// ---------------------------------------------------------------------------
// Frames

Ref<IGameScreenSlave> TGame::GetTopScreen() const {
    return stack_->At(stack_->GetCount() - 1);
}

Ref<IWidget> TGame::CursorWidget() const {
    if (!cursors_) return nullptr;
    const Ref<ICursor> cursor = cursors_->GetCurrentCursor();
    return cursor ? cursor->GetWidget() : nullptr;
}

void TGame::Update(int32_t elapsedMs) {
    const Ref<TGame> self(this);
    // The frames the load runs between its resources show how far it is.
    ReportLoadProgress();
    const Ref<IGameScreenSlave> top = GetTopScreen();
    if (top) top->Update(elapsedMs);
    UpdateClosingScreens(elapsedMs, top);
    RemoveClosedScreens();
    if (logoPhase_) {
        if (!stack_->Exists(splashLogosName_)) logoPhase_ = false;
        return;
    }
    if (startUpPending_) {
        // Cleared first: the start-up runs frames itself, and they must not
        // start it again.
        startUpPending_ = false;
        StartUp();
    }
    if (!starting_ && !pendingSaveFailure_.empty()) ShowSaveFailure();
    if (const Ref<IWidget> widget = CursorWidget()) {
        if (engine_) {
            const TPoint mouse = engine_->GetMousePos();
            const TPoint hotSpot = cursors_->GetCurrentCursor()->GetHotSpot();
            widget->SetLeft(double(mouse.x) - hotSpot.x);
            widget->SetTop(double(mouse.y) - hotSpot.y);
        }
        widget->Update(elapsedMs);
    }
}

void TGame::StackChanged() {
    ++stackGeneration_;
    if (!InputLogOn()) return;
    // Every change is followed by a word on the top screen at the frame's
    // end, even when the same screen is on top again.
    loggedTop_.clear();
    std::string line = "screens";
    stack_->ForEachItem([&line](const Ref<IGameScreenSlave>& screen) { line += " " + screen->GetName(); });
    InputLogLine(line);
}

void TGame::LogTopReadiness() {
    const Ref<IGameScreenSlave> top = GetTopScreen();
    const std::string name = top ? top->GetName() : std::string();
    // Hidden, or still arriving behind an effect that lets no click through.
    const Ref<IWidget> window = top ? top->GetWindowWidget() : nullptr;
    const bool ready = window && window->GetVisible() && window->GetMouseStop();
    if (name == loggedTop_ && ready == loggedTopReady_) return;
    loggedTop_ = name;
    loggedTopReady_ = ready;
    if (!name.empty()) InputLogLine("top " + name + (ready ? " ready" : " busy"));
}

void TGame::UpdateClosingScreens(int32_t elapsedMs, const Ref<IGameScreenSlave>& top) {
    if (closing_.empty()) return;
    // A step may show and close screens: the list is walked on a copy.
    const std::vector<Weak<IGameScreenSlave>> closing = closing_;
    for (const Weak<IGameScreenSlave>& entry : closing) {
        const Ref<IGameScreenSlave> screen = entry.Lock();
        if (!screen || screen == top || !screen->IsVisible()) continue;
        if (stack_->GetItem(Variant(screen->GetName())) != screen) continue;
        // Covered, the screen is deactivated and runs nothing of its own:
        // only its window steps, to play the hide effect to its end.
        if (const Ref<IWidget> window = screen->GetWindowWidget()) window->Update(elapsedMs);
    }
    std::erase_if(closing_, [this](const Weak<IGameScreenSlave>& entry) {
        const Ref<IGameScreenSlave> screen = entry.Lock();
        return !screen || !screen->IsVisible() ||
               stack_->GetItem(Variant(screen->GetName())) != screen;
    });
}

void TGame::EndFrame() {
    const Ref<TGame> self(this);
    if (InputLogOn()) LogTopReadiness();
    stack_->ForEachItem([](const Ref<IGameScreenSlave>& screen) { screen->CollectDirtyRects(); });
    if (const Ref<IWidget> widget = CursorWidget()) widget->CollectDirtyRects(false, false);
}

void TGame::Render(const Ref<ISurface>& surface) {
    if (!surface) return;
    const Ref<TGame> self(this);
    const int32_t count = stack_->GetCount();
    bounds_.resize(size_t(count));
    covered_.assign(size_t(count), 0);
    for (int32_t i = 0; i < count; ++i) {
        const Ref<IGameScreenSlave> screen = stack_->At(i);
        bounds_[size_t(i)] = screen ? screen->GetBounds() : TRect{};
    }
    for (int32_t i = 0; i < count; ++i) {
        for (int32_t j = count - 1; j > i; --j) {
            if (Contains(bounds_[size_t(j)], bounds_[size_t(i)])) {
                covered_[size_t(i)] = 1;
                break;
            }
        }
    }
    int32_t coveredBottom = 0;
    while (coveredBottom < count && covered_[size_t(coveredBottom)]) ++coveredBottom;
    RestoreBackdrop(*surface, coveredBottom);
    for (int32_t i = 0; i < count; ++i) {
        if (covered_[size_t(i)]) continue;
        if (const Ref<IGameScreenSlave> screen = stack_->At(i)) screen->Render(*surface);
    }
    if (const Ref<IWidget> widget = CursorWidget()) {
        widget->Render(*surface, SaturatingRound<int32_t>(widget->GetLeft()),
                       SaturatingRound<int32_t>(widget->GetTop()));
    }
}

void TGame::RestoreBackdrop(ISurface& surface, int32_t coveredCount) {
    if (coveredCount == 0) {
        backdrop_ = nullptr;
        return;
    }
    const int32_t width = surface.GetWidth();
    const int32_t height = surface.GetHeight();
    if (!backdrop_ || backdropCount_ != coveredCount || backdropGeneration_ != stackGeneration_ ||
        backdrop_->GetWidth() != width || backdrop_->GetHeight() != height) {
        // The covered screens are deactivated, so their picture holds until
        // the stack changes.
        if (!backdrop_) backdrop_ = Query<ISurface>(CreateAbstractObject(ClassOf<TSurface>()));
        backdrop_->SetSize(width, height);
        backdrop_->Clear();
        for (int32_t i = 0; i < coveredCount; ++i) {
            if (const Ref<IGameScreenSlave> screen = stack_->At(i)) screen->Render(*backdrop_);
        }
        backdropCount_ = coveredCount;
        backdropGeneration_ = stackGeneration_;
    }
    // Drawn into the areas being redrawn only.
    surface.Draw(backdrop_.get(), {0, 0, width, height}, {0, 0, width, height}, 255, bm_BltFast);
}

// ---------------------------------------------------------------------------
// The stack

bool TGame::ShowGameScreen(const std::string& name, const Ref<IParamCollection>& params) {
    if (name.empty() || stack_->Exists(name)) return false;
    const Ref<IGameScreenSlave> screen = screens_->GetItem(Variant(name));
    if (!screen) return false;
    if (const Ref<IGameScreenSlave> top = GetTopScreen()) top->Deactivate();
    stack_->Add(screen);
    StackChanged();
    screen->Show(params);
    const TRect bounds = screen->GetBounds();
    if (engine_) engine_->InvalidateRect(bounds.left, bounds.top, bounds.right, bounds.bottom);
    return true;
}

bool TGame::CloseGameScreen(const Ref<IGameScreenSlave>& screen,
                            const Ref<IParamCollection>& results) {
    const Ref<IGameScreenSlave> top = GetTopScreen();
    if (!top || !screen || top->GetName() != screen->GetName()) return false;
    top->Hide();
    if (top->IsVisible()) closing_.push_back(Weak<IGameScreenSlave>(top));
    lastResults_ = results;
    RemoveClosedScreens();
    return true;
}

void TGame::NoteSaveFailure(const std::string& why) {
    if (pendingSaveFailure_.empty() && !stack_->Exists(kSaveFailedScreenName)) {
        pendingSaveFailure_ = why;
    }
}

void TGame::ShowSaveFailure() {
    const std::string why = std::exchange(pendingSaveFailure_, std::string());
    if (stack_->Exists(kSaveFailedScreenName)) return;
    if (!screens_->Exists(kSaveFailedScreenName)) {
        Log(kPlayerLogModule, std::string("No screen \"") + kSaveFailedScreenName +
                                  "\" to tell the player: " + why);
        return;
    }
    const Ref<IParamCollection> params =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    params->SetValue("label_reason", Variant(why));
    ShowGameScreen(kSaveFailedScreenName, params);
}

void TGame::RemoveClosedScreens() {
    // The screens told here may show and close screens, this walk's own
    // included: the cursor follows every insertion and removal, and the
    // stack and each screen are held while they are called.
    const Ref<TGSCollection> stack = stack_;
    for (TCollectionCursor cursor(stack->Items(), true); cursor.Next();) {
        const Ref<IGameScreenSlave> screen = stack->At(cursor.Position());
        if (!screen || screen->IsVisible()) continue;
        const std::string name = screen->GetName();
        screen->CollectDirtyRects();
        const int32_t position = cursor.Position();
        if (position < 0) continue;  // gone already
        stack->Delete(Variant(position));
        StackChanged();
        const Ref<IGameScreenSlave> below = stack->At(position - 1);
        if (!below) continue;
        const Ref<IParamCollection> results = lastResults_;
        below->Activate();
        below->ChildScreenClosed(name, results);
    }
}

void TGame::StartUp() {
    if (!engine_) return;
    const Ref<TGame> self(this);
    StartupTrace("the logo screen has ended");
    if (!splashName_.empty()) ShowGameScreen(splashName_, nullptr);
    StartupTrace("the splash screen is shown");
    loadNames_ = AsynchResourceNames();
    ReportLoadProgress();
    resourceFiles_->ForEachItem([this](const Ref<IResourceFile>& file) {
        if (file->GetLoadMode() != kResourceFileAsynch || !engine_) return;
        engine_->LoadResourceFile(file->GetFileName(), file->GetName(), kResourceFileAsynch);
    });
    loadNames_.clear();
    StartupTrace("the resources loaded behind the splash are in");
    const Ref<IGameScreenSlave> splash =
        splashName_.empty() ? nullptr : stack_->GetItem(Variant(splashName_));
    if (!splash) {
        SplashFinished();
    } else {
        CloseGameScreen(splash, nullptr);
        const Ref<IParamCollection> params =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        params->SetValue("LoadComplete", Variant(true));
        ShowGameScreen(splashName_, params);
    }
    starting_ = false;
}

std::vector<std::string> TGame::AsynchResourceNames() {
    std::vector<std::string> names;
    if (!engine_) return names;
    std::set<std::string> seen;  // the engine's names ignore ASCII case
    resourceFiles_->ForEachItem([&](const Ref<IResourceFile>& file) {
        if (file->GetLoadMode() != kResourceFileAsynch) return;
        try {
            const std::string text = engine_->ReadTextFile(file->GetFileName(), GetDataFileKey());
            const Ref<IHierStorage> root = text.empty() ? nullptr : LoadStorageFromXML(text);
            const Ref<IHierStorage> content = root ? root->GetChild("content", 0) : nullptr;
            if (!content) return;
            const int32_t count = content->GetChildCount("resource");
            for (int32_t i = 0; i < count; ++i) {
                const std::string name = ReadString(content->GetChild("resource", i), "name", "");
                std::string key = name;
                for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                if (seen.insert(key).second) names.push_back(name);
            }
        } catch (const std::exception&) {
            // The load itself reports a list it cannot read.
        }
    });
    return names;
}

void TGame::ReportLoadProgress() {
    if (loadNames_.empty() || !engine_ || splashName_.empty()) return;
    const Ref<ILoadProgress> splash =
        Query<ILoadProgress>(stack_->GetItem(Variant(splashName_)));
    if (!splash) return;
    int32_t done = 0;
    for (const std::string& name : loadNames_) {
        if (engine_->GetResource(name)) ++done;
    }
    splash->SetLoadProgress(done, static_cast<int32_t>(loadNames_.size()));
}

void TGame::SplashFinished() {
    const Ref<TGame> self(this);
    if (!splashName_.empty()) {
        if (const Ref<IGameScreenSlave> splash = stack_->GetItem(Variant(splashName_))) {
            CloseGameScreen(splash, nullptr);
        }
    }
    if (!mainName_.empty() && ShowGameScreen(mainName_, nullptr) && StartupTraceOn()) {
        StartupTrace("the main screen is shown");
        StartupTraceAtPresent("the main screen is presented", true);
    }
}

// ---------------------------------------------------------------------------
// Input

bool TGame::MouseEvent(int32_t code, int32_t x, int32_t y, int32_t buttons) {
    const Ref<TGame> self(this);
    bool handled = false;
    if (const Ref<IGameScreenSlave> top = GetTopScreen()) {
        if (InputLogOn()) InputLogNoteScreen(top->GetName());
        handled = top->MouseEvent(code, x, y, buttons);
        // Taken, but by no widget: the screen acted on it itself.
        if (handled && InputLogOn() && !InputLogHasTaker()) InputLogNoteTaker("(screen)");
    }
    if (handled && IsButtonDown(code)) {
        if (const Ref<IWidget> widget = CursorWidget()) widget->Restart();
    }
    return handled;
}

bool TGame::KeyEvent(int32_t kind, uint8_t character, uint32_t modifiers) {
    const Ref<TGame> self(this);
    bool handled = false;
    if (const Ref<IGameScreenSlave> top = GetTopScreen()) {
        if (InputLogOn()) InputLogNoteScreen(top->GetName());
        handled = top->KeyEvent(kind, character, int32_t(modifiers));
        if (handled && InputLogOn() && !InputLogHasTaker()) InputLogNoteTaker("(screen)");
    }
    const uint8_t lower = uint8_t(std::tolower(character));
    if (kind != kKeyDown) {
        if (lower == heldToggleKey_) heldToggleKey_ = 0;
        return handled;
    }
    if (!(modifiers & kCommandKey)) return handled;
    const char* setting = ToggledSetting(character);
    if (!setting) return handled;
    // A held key repeats its key-down; the setting flips once per press.
    if (lower != heldToggleKey_) {
        heldToggleKey_ = lower;
        const std::string current = engine_ ? engine_->GetOption(setting) : std::string();
        const bool on = current.size() == 3 && std::tolower(current[0]) == 'y' &&
                        std::tolower(current[1]) == 'e' && std::tolower(current[2]) == 's';
        SetOption(setting, on ? "no" : "yes");
    }
    return true;
}

void TGame::SetActive(bool active) {
    const Ref<TGame> self(this);
    // A key released while the game was away sends no release.
    if (!active) heldToggleKey_ = 0;
    stack_->ForEachItem(
        [active](const Ref<IGameScreenSlave>& screen) { screen->SetActive(active); });
}

bool TGame::QueryQuit() {
    if (starting_) return false;
    if (!closeQueryName_.empty() && !stack_->Exists(closeQueryName_) &&
        screens_->Exists(closeQueryName_)) {
        ShowGameScreen(closeQueryName_, nullptr);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Options

bool TGame::IsGlobalOption(const std::string& name) {
    return GetGlobalOptionsList().find(";" + name + ";") != std::string::npos;
}

bool TGame::LoadGlobalOption(const std::string& name) {
    if (!options_ || !engine_) return false;
    std::string text;
    if (!ReadGlobalOption(name, text) || text.empty()) return false;
    options_->SetValue(name, Variant(text));
    return true;
}

bool TGame::SaveGlobalOption(const std::string& name) {
    if (!options_ || !engine_) return false;
    const Ref<IParam> option = options_->GetParam(Variant(name));
    if (!option) return false;
    std::string text;
    try {
        text = option->GetValue().ToString();
    } catch (const std::exception&) {
        return false;
    }
    return WriteGlobalOption(name, text);
}

void TGame::LoadGlobalOptions() {
    if (!options_) return;
    const Ref<IParamCollection> options = options_;
    const int32_t count = options->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        const Ref<IParam> option = options->GetParam(Variant(i));
        if (!option || !IsGlobalOption(option->GetName())) continue;
        if (!LoadGlobalOption(option->GetName())) SaveGlobalOption(option->GetName());
    }
}

void TGame::ApplyOptionsToEngine() {
    if (!options_) return;
    const Ref<IParamCollection> options = options_;
    const int32_t count = options->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        if (const Ref<IParam> option = options->GetParam(Variant(i))) {
            SetEngineOption(option->GetName(), option->GetValue());
        }
    }
}

bool TGame::SetEngineOption(const std::string& name, const Variant& value) {
    if (!options_ || !engine_) return false;
    try {
        // The engine answers an empty text for a setting it does not have.
        const std::string current = engine_->GetOption(name);
        if (current.empty() || Variant(current) == value) return false;
        engine_->SetOption(name, value);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void TGame::SetOption(const std::string& name, const std::string& value) {
    if (!options_ || !engine_) return;
    const Ref<TGame> self(this);
    options_->SetValue(name, Variant(value));
    if (IsGlobalOption(name)) SaveGlobalOption(name);
    if (SetEngineOption(name, Variant(value))) engine_->ApplySettings();
}

void TGame::SetOptionValue(const std::string& name, const Variant& value) {
    if (!options_ || !engine_) return;
    options_->SetValue(name, value);
    SetEngineOption(name, value);
}

Variant TGame::GetOption(const std::string& name) {
    if (!options_) return Variant::Null();
    return options_->GetValue(name, Variant::Null());
}

// ---------------------------------------------------------------------------
// The cursor widgets' owner

Ref<IWidget> TGame::CreateFactoryWidget(const std::string& factoryName,
                                        const Ref<IParamCollection>& params) {
    (void)factoryName;
    (void)params;
    return nullptr;
}

Ref<IWidget> TGame::FindWidget(std::string_view path) {
    (void)path;
    return nullptr;
}

void TGame::InvalidateRect(const TRect& rect) {
    if (engine_) engine_->InvalidateRect(rect.left, rect.top, rect.right, rect.bottom);
}

// ---------------------------------------------------------------------------

void RegisterGameShellClasses() {
    RegisterObjectClass(ClassOf<TGame>(), "Game");
    RegisterObjectClass(ClassOf<TGameScreen>(), "GameScreen");
    RegisterObjectClass(ClassOf<TResourceFile>(), "ResourceFile");
}
