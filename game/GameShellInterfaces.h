// The interfaces of the game shell: the two sides of the screen stack (the
// game as IGameScreenOwner, each screen as IGameScreenSlave), the collections
// of screens and of resource list files, and the cursors and custom settings
// scripts the game holds.
//
// Ownership: the game holds every screen (its collection of all screens) and
// the stack of open screens holds them again while they are open. A screen's
// link to its owner is a plain back-link given by AttachOwner and dropped by
// DetachOwner, never counted.
//
// Failures: lookups answer null; the stack operations answer false and change
// nothing when they refuse (see each one).
#pragma once

#include <cstdint>
#include <string>

#include "core/base/Rect.h"
#include "core/base/Variant.h"
#include "core/persist/EngineGeneralClasses.h"
#include "core/persist/Params.h"
#include "engine/interfaces/EngineInterfaces.h"
#include "game/HighScores.h"
#include "game/LevelRecords.h"
#include "game/UserProfiles.h"
#include "widgets/GameInterfaces.h"

class IGameScreenOwner;
class IGSCollection;
class ICursorCollection;

// One screen as the game drives it. INamedObject::GetName is the name it is
// shown and closed by.
class IGameScreenSlave : public virtual INamedObject {
public:
    // Keeps the owner (a back-link) and attaches the screen's widget tree.
    virtual void AttachOwner(IGameScreenOwner* owner) = 0;
    // Drops capture, focus and show parameters unannounced, detaches the
    // tree and forgets the owner.
    virtual void DetachOwner() = 0;
    // Pushed on the stack: shown with its parameters (null for none).
    virtual void Show(const Ref<IParamCollection>& params) = 0;
    // Closing: the window hides (at once, or when its hide effect ends).
    virtual void Hide() = 0;
    // Another screen left from above it, or was pushed on it.
    virtual void Activate() = 0;
    virtual void Deactivate() = 0;
    virtual void Update(int32_t elapsedMs) = 0;
    virtual void Render(ISurface& surface) = 0;
    // The window's bounds in window pixels; empty without a window.
    virtual TRect GetBounds() = 0;
    // The application became active or inactive.
    virtual void SetActive(bool active) = 0;
    // Codes kMouseMove to kMouseRightDouble in window pixels; true when
    // handled.
    virtual bool MouseEvent(int32_t code, int32_t x, int32_t y, int32_t buttons) = 0;
    // Kinds 1 (down or repeat), 2 and then 3 (one release); true when handled.
    virtual bool KeyEvent(int32_t kind, int32_t key, int32_t modifiers) = 0;
    // The screen above this one left the stack with these results (null for
    // none).
    virtual void ChildScreenClosed(const std::string& screenName,
                                   const Ref<IParamCollection>& results) = 0;
    virtual Ref<IWindow> GetWindow() = 0;
    // The root of the screen's widget tree; null without one.
    virtual Ref<IWidget> GetWindowWidget() = 0;
    // The end-of-frame pass of the screen's tree.
    virtual void CollectDirtyRects() = 0;
    // Whether the window is visible; true without a window.
    virtual bool IsVisible() = 0;
};

// The game's screens by name, in order. The stack of open screens is one too:
// index 0 is the bottom, the last index the top.
class IGSCollection : public virtual ICollection {
public:
    // By position (an integer key) or name (a text key, ignoring case); null
    // when absent.
    virtual Ref<IGameScreenSlave> GetItem(const Variant& key) = 0;
    // Appends the screen under its name; nothing for null or a name present.
    virtual void Add(const Ref<IGameScreenSlave>& screen) = 0;
};

// A named cursor: a widget drawn as the mouse pointer, with the point of it
// that lies under the pointer.
class ICursor : public virtual INamedObject {
public:
    virtual Ref<IWidget> GetWidget() = 0;
    virtual void SetWidget(const Ref<IWidget>& widget) = 0;
    virtual TPoint GetHotSpot() = 0;
    virtual void SetHotSpot(int32_t x, int32_t y) = 0;
};

// The game's cursors ("cursors" in the game definition), one of them current.
class ICursorCollection : public virtual ICollection {
public:
    // By position or name; null when absent.
    virtual Ref<ICursor> Find(const Variant& key) = 0;
    virtual void Add(const Ref<ICursor>& cursor) = 0;
    // Null until a cursor was made current.
    virtual Ref<ICursor> GetCurrentCursor() = 0;
    // The cursor of that name becomes current (the old one's widget hidden,
    // the new one's shown); false, and nothing changes, for an unknown name.
    virtual bool SetCurrentCursor(const std::string& name) = 0;
    // The cursor the game starts with; empty without cursors.
    virtual std::string GetDefaultCursorName() = 0;
};

// The game definition's custom settings scripts ("custom_settings").
class ICustomSettingsCollection : public virtual ICollection {
public:
    // Reads every script through the engine and runs its commands on the
    // game, in order; a script that cannot be read is skipped.
    virtual void LoadAndApplyAll(const Ref<IEngine>& engine, IGameScreenOwner* target) = 0;
};

// The game as its screens see it: options, the engine, the screen stack and
// the player data.
class IGameScreenOwner : public virtual IInterface {
public:
    // Sets the option, stores it when it is global, and passes it to the
    // engine when the engine knows that setting and holds another value
    // (then the engine applies its settings). Nothing before Init or after
    // Done.
    virtual void SetOption(const std::string& name, const std::string& value) = 0;
    // Sets the option and passes it to the engine, without storing it or
    // applying the engine's settings.
    virtual void SetOptionValue(const std::string& name, const Variant& value) = 0;
    // The option's value; Null when there is no such option.
    virtual Variant GetOption(const std::string& name) = 0;
    virtual Ref<IEngine> GetEngine() = 0;
    // The game itself.
    virtual Ref<IGameScreenOwner> GetGameScreenOwner() = 0;
    // Pushes the screen of that name and shows it with params (null for
    // none). False, changing nothing, for a screen that is open already or
    // that the game does not have.
    virtual bool ShowGameScreen(const std::string& name, const Ref<IParamCollection>& params) = 0;
    // Hides the top screen; it leaves the stack once its window is
    // invisible, and the screen below is told, with results (null for none).
    // False, changing nothing, for null or a screen that is not the top one.
    virtual bool CloseGameScreen(const Ref<IGameScreenSlave>& screen,
                                 const Ref<IParamCollection>& results) = 0;
    // Every screen of the game.
    virtual Ref<IGSCollection> GetGameScreens() = 0;
    // The player data; null after Done.
    virtual Ref<IHighScores> GetHighScores() = 0;
    virtual Ref<IUserProfileCollection> GetUserProfiles() = 0;
    virtual Ref<ILevelRecords> GetLevelRecords() = 0;
    // Null when the game has no cursors.
    virtual Ref<ICursorCollection> GetCursors() = 0;
    // The splash screen is done: it closes and the main screen opens.
    virtual void SplashFinished() = 0;
};

// One resource list file of the game definition ("resourcefile"). Its name is
// the group its resources are registered under.
class IResourceFile : public virtual INamedObject {
public:
    virtual std::string GetFileName() = 0;
    virtual void SetFileName(const std::string& fileName) = 0;
    // kResourceFileSynch or kResourceFileAsynch.
    virtual uint8_t GetLoadMode() = 0;
    virtual void SetLoadMode(uint8_t mode) = 0;
};

// When a resource list file loads: during the game's Init, or during its
// start-up while the splash screen animates (one frame tick per resource).
inline constexpr uint8_t kResourceFileSynch = kLoadResourcesAtOnce;
inline constexpr uint8_t kResourceFileAsynch = kLoadResourcesTicking;

class IResourceFileCollection : public virtual ICollection {
public:
    // By position or name; null when absent.
    virtual Ref<IResourceFile> GetItem(const Variant& key) = 0;
    // Appends under the entry's name; nothing for null or a name present.
    virtual void Add(const Ref<IResourceFile>& file) = 0;
};
