// TGame ("Game"): the game object the engine creates from the game
// definition and drives through IGame. It keeps every screen of the game by
// name and the stack of open screens, updates and draws them, routes mouse
// and keys to the top one, holds the options, the resource list files, the
// cursors, the custom settings scripts and the player data (high scores,
// level records, user profiles), and answers the engine's quit requests.
//
//   game name=N type=Game splashlogosgs= splashgs= closequerygs= maings=
//     custom_settings / cursors / resourcefiles / params / gamescreens
//
// A run: Init (player data, cursors, global options, the "synch" resource
// files, the screens attached, the splash-logos screen shown, the custom
// settings run); the logo phase, until the splash-logos screen has left the
// stack; the start-up (the splash screen, the "asynch" resource files, then
// the main screen), during which quitting is refused; then screens open and
// close by name. Done closes the stack, writes the profiles and removes the
// resource groups.
//
// Only the top screen is updated and gets input, but the window of a screen
// closed while its hide effect plays steps until the effect ends, even when
// another screen is shown over it meanwhile. Screens are drawn bottom up;
// one that lies inside a screen above it is not drawn, and what such covered
// screens at the bottom of the stack show is kept in a picture of its own,
// from which every redrawn area starts, so a translucent screen over them
// never blends over its own last frame.
//
// Ownership: the game holds all screens and the stack holds the open ones
// again; screens, cursor widgets and the engine are linked back to the game
// only while attached. The engine is held from Init to Done.
//
// Failures: the option operations do nothing (and answer false) before Init
// and after Done. ShowGameScreen and CloseGameScreen refuse, changing nothing,
// as IGameScreenOwner says. A failed comparison or engine call while passing
// an option to the engine, or an option that has no text form while storing
// it, answers false; other exceptions pass to the engine. A missing child
// element of the definition leaves its collection empty. Cursors and custom
// settings in the definition without their classes (below) are skipped with
// a "GAME" line in the log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Units.h"
#include "core/persist/EngineGeneralClasses.h"
#include "engine/surface/EngineSurface.h"
#include "game/GameShellInterfaces.h"
#include "game/ResourceFiles.h"

// The screens of a game definition ("gamescreens" of "gamescreen" items),
// each made from its "type" and kept under its name; items that are no
// screen are dropped. Also the stack of open screens.
class TGSCollection : public TTypedCollection<IGameScreenSlave, IGSCollection,
                                              TTypedCreationPersistItemCollection> {
public:
    void Create() override;

    Ref<IGameScreenSlave> GetItem(const Variant& key) override { return Find(key); }
    // Null outside 0..Count-1.
    Ref<IGameScreenSlave> At(int32_t position) const;
};

// The classes the game makes its cursor collection (an ICursorCollection,
// loaded from "cursors") and its custom settings (an
// ICustomSettingsCollection, made when the definition has "custom_settings")
// of. The game units set the game's own (Cursors.h, CustomSettings.h); null
// means none: the game then has no cursors.
void SetCursorCollectionClass(TAbstractClass cls);
TAbstractClass GetCursorCollectionClass();
void SetCustomSettingsClass(TAbstractClass cls);
TAbstractClass GetCustomSettingsClass();

class TGame : public TPersistObject,
              public virtual IGame,
              public virtual IGameScreenOwner,
              public virtual IWidgetOwner {
public:
    // The modifier bit of the Command key, with which F, M and R toggle
    // "ShowFPS", "FullScreenMode" and "ShowRects".
    static constexpr uint32_t kCommandKey = 256;

    ~TGame() override;

    // Element name "game"; the collections and the player data stores made
    // (the high scores and level records from the game configuration's
    // definitions); starting, start-up pending.
    void Create() override;

    // The four screen names, custom settings, cursors, resource files,
    // options ("params"), screens; saved in the same order.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // --- IGame
    // Keeps the engine; the high scores, level records and profiles read;
    // cursor widgets attached, the default cursor current, the system cursor
    // hidden; the global options loaded (or stored when missing) and every
    // option the engine knows passed to it; the "synch" resource files
    // loaded; every screen attached; the splash-logos screen shown (the logo
    // phase runs while it is open); the custom settings run. True.
    bool Init(const Ref<IEngine>& engine) override;
    // Drops results, custom settings, records, high scores and options;
    // detaches the cursor widgets; empties the stack from the top (screens
    // are not hidden); detaches every screen; writes the profiles; removes
    // the resource groups last to first; drops the engine.
    void Done() override;
    // The top screen's step, then a step of the window of each screen below
    // it still playing the hide effect of its closing, then the closed
    // screens removed; in the logo phase nothing more. Otherwise the
    // start-up once, then a save that failed is told (below), then the cursor
    // widget follows the mouse and steps.
    void Update(int32_t elapsedMs) override;

    // The screen that tells the player their progress could not be saved:
    // from Init to Done every player file that fails to save is noted, and
    // the next update after the start-up shows this screen (when the game
    // has it and it is not open) with "label_reason" = why. A failure seen
    // while the screen is open or pending adds nothing.
    static constexpr char kSaveFailedScreenName[] = "GS_SaveFailed";
    const std::string& GetPendingSaveFailure() const { return pendingSaveFailure_; }
    // The open screens bottom up but those inside a screen above them, then
    // the cursor widget.
    void Render(const Ref<ISurface>& surface) override;
    // To the top screen; a button going down that a screen took restarts the
    // cursor widget.
    bool MouseEvent(int32_t code, int32_t x, int32_t y, int32_t buttons) override;
    // To the top screen; then Command with F, M or R toggles its setting
    // between "yes" and "no" (handled) on the key going down, not on the
    // repeats of the held key.
    bool KeyEvent(int32_t kind, uint8_t character, uint32_t modifiers) override;
    // Every open screen bottom up.
    void SetActive(bool active) override;
    // False during the start-up; false while showing the close-query screen
    // instead (when there is one, not open yet); true otherwise.
    bool QueryQuit() override;
    void SetOption(const std::string& name, const std::string& value) override;
    // Every open screen's end-of-frame pass bottom up, then the cursor's.
    void EndFrame() override;

    // --- IGameScreenOwner
    void SetOptionValue(const std::string& name, const Variant& value) override;
    Variant GetOption(const std::string& name) override;
    // The engine given to Init (IGameScreenOwner and IWidgetOwner); null
    // before and after.
    Ref<IEngine> GetEngine() override { return engine_; }
    Ref<IGameScreenOwner> GetGameScreenOwner() override { return Ref<IGameScreenOwner>(this); }
    bool ShowGameScreen(const std::string& name, const Ref<IParamCollection>& params) override;
    bool CloseGameScreen(const Ref<IGameScreenSlave>& screen,
                         const Ref<IParamCollection>& results) override;
    Ref<IGSCollection> GetGameScreens() override { return screens_; }
    Ref<IHighScores> GetHighScores() override { return highScores_; }
    Ref<IUserProfileCollection> GetUserProfiles() override { return userProfiles_; }
    Ref<ILevelRecords> GetLevelRecords() override { return levelRecords_; }
    Ref<ICursorCollection> GetCursors() override { return cursors_; }
    // The splash screen closed when it is open, then the main screen shown.
    void SplashFinished() override;

    // --- IWidgetOwner, for the cursor widgets: the engine and its
    // rectangles; nothing else.
    Ref<IWindow> GetWindow() override { return nullptr; }
    Ref<IEventHandler> GetEventHandler() override { return nullptr; }
    TPoint ScreenToClient(int32_t x, int32_t y) override { return {x, y}; }
    Ref<IWidget> CreateFactoryWidget(const std::string& factoryName,
                                     const Ref<IParamCollection>& params) override;
    Ref<IWidget> FindWidget(std::string_view path) override;
    std::string GetPath() override { return {}; }
    void InvalidateRect(const TRect& rect) override;

    // --- Start-up and options
    // Once, after the logo phase: the splash screen shown, the "asynch"
    // resource files loaded (the engine runs a frame before each resource),
    // then "LoadComplete" shown to the splash screen, or the main screen
    // when no splash screen is open; quitting allowed from then on.
    virtual void StartUp();
    // Every global option loaded from the option store, or stored there with
    // its value from the definition when the store has none.
    virtual void LoadGlobalOptions();
    // Every option passed to the engine (SetEngineOption).
    virtual void ApplyOptionsToEngine();
    // Passes the value to the engine when the engine knows the setting (its
    // text is not empty) and holds another value; answers whether it did.
    bool SetEngineOption(const std::string& name, const Variant& value);
    // Whether the game configuration's list holds ";name;" (case counts).
    static bool IsGlobalOption(const std::string& name);
    // The stored text, when not empty, becomes the option's value.
    bool LoadGlobalOption(const std::string& name);
    // The option's value written to the option store.
    bool SaveGlobalOption(const std::string& name);
    // Each screen whose window is invisible, from the top down: its last
    // area reported, taken off the stack, and the screen below it activated
    // and told its name and the last results. Safe while the screens it
    // tells show and close screens.
    void RemoveClosedScreens();
    // The names of the "asynch" lists' resources, each once; a list that
    // cannot be read adds none.
    std::vector<std::string> AsynchResourceNames();
    // During the start-up's load: how many of its resources the engine
    // holds, told to the splash screen when it takes progress.
    void ReportLoadProgress();
    // One step of each closing screen below the top (see closing_); the
    // ones hidden or gone are forgotten.
    void UpdateClosingScreens(int32_t elapsedMs, const Ref<IGameScreenSlave>& top);

    // --- State
    const Ref<TGSCollection>& GetStack() const { return stack_; }
    const Ref<TGSCollection>& GetAllScreens() const { return screens_; }
    // The top screen; null with an empty stack.
    Ref<IGameScreenSlave> GetTopScreen() const;
    const Ref<IParamCollection>& GetOptions() const { return options_; }
    const Ref<TResourceFileCollection>& GetResourceFiles() const { return resourceFiles_; }
    const Ref<ICustomSettingsCollection>& GetCustomSettings() const { return customSettings_; }
    const Ref<IParamCollection>& GetLastResults() const { return lastResults_; }
    bool IsStarting() const { return starting_; }
    bool IsLogoPhase() const { return logoPhase_; }
    const std::string& GetSplashLogosScreenName() const { return splashLogosName_; }
    const std::string& GetSplashScreenName() const { return splashName_; }
    const std::string& GetCloseQueryScreenName() const { return closeQueryName_; }
    const std::string& GetMainScreenName() const { return mainName_; }

private:
    // The current cursor's widget; null without one.
    Ref<IWidget> CursorWidget() const;
    // Lets go of what Init attached; Done does it in order, the destructor
    // when Done never ran.
    void DetachScreens();
    void DetachCursorWidgets();
    // The picture of the covered screens at the bottom of the stack, made
    // again whenever they change, restored into every redrawn area.
    void RestoreBackdrop(ISurface& surface, int32_t coveredCount);
    void NoteSaveFailure(const std::string& why);
    void ShowSaveFailure();
    // The stack changed: counted for the backdrop, and told to the input log.
    void StackChanged();
    // Tells the input log when the top screen starts or stops taking the
    // mouse.
    void LogTopReadiness();

    std::string splashLogosName_;
    std::string splashName_;
    std::string closeQueryName_;
    std::string mainName_;
    bool starting_ = true;
    Ref<IHighScores> highScores_;
    Ref<IParamCollection> options_;
    Ref<TGSCollection> stack_;
    Ref<TGSCollection> screens_;
    Ref<TResourceFileCollection> resourceFiles_;
    Ref<IEngine> engine_;
    bool startUpPending_ = true;
    bool logoPhase_ = false;
    Ref<IUserProfileCollection> userProfiles_;
    Ref<ILevelRecords> levelRecords_;
    Ref<ICursorCollection> cursors_;
    Ref<ICustomSettingsCollection> customSettings_;
    Ref<IParamCollection> lastResults_;
    // Why the last save failed, until the player is told; see
    // kSaveFailedScreenName.
    std::string pendingSaveFailure_;
    bool listening_ = false;
    // Screens closed while their hide effect plays. Only the top screen is
    // stepped, so these are stepped too until they are hidden, or one that
    // another screen covered in the meantime would never leave the stack.
    std::vector<Weak<IGameScreenSlave>> closing_;
    // The resource names the start-up's lists load (each once), while they
    // load: the splash's progress is how many the engine holds.
    std::vector<std::string> loadNames_;

    // Screens and cursor widgets are linked to the game (Init to Done).
    bool attached_ = false;
    // The toggle key (lower case) taken on its way down; its repeats toggle
    // nothing until it is released.
    uint8_t heldToggleKey_ = 0;
    // Counts pushes and removals, so the backdrop knows when to be made
    // again.
    uint64_t stackGeneration_ = 0;
    Ref<ISurface> backdrop_;
    int32_t backdropCount_ = 0;
    uint64_t backdropGeneration_ = 0;
    // What the input log last said of the top screen.
    std::string loggedTop_;
    bool loggedTopReady_ = false;
    // Render's scratch, kept so that a redraw allocates nothing.
    std::vector<TRect> bounds_;
    std::vector<uint8_t> covered_;
};

// The game shell's classes: "Game", "GameScreen", "ResourceFile".
void RegisterGameShellClasses();
inline constexpr TUnit kGameShellUnit = {"GameShell", RegisterGameShellClasses, nullptr};
