// The interfaces through which the program, the game, its screens and the
// resources reach the engine, and through which the engine drives the game.
//
// - IApp: what the program body calls (Init, Run, Done).
// - IEngine: what the game and its screens call (settings, folders, files,
//   resources, cursor and mouse, sound and music, quitting, surfaces, the
//   rectangles to redraw).
// - IResourceOwner: what a resource calls to load itself.
// - IGame: what the engine calls on the game object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/base/Streams.h"
#include "core/base/Variant.h"
#include "core/persist/EngineGeneralClasses.h"
#include "core/storage/PersistenceService.h"
#include "engine/surface/EngineSurface.h"

class IEngine;
class ISound;
class IMusic;

// Audio handles: 0 is never valid.
using TMusicHandle = uint32_t;
using TSampleHandle = uint32_t;
using TChannelHandle = uint32_t;

struct TPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const TPoint&) const = default;
};

// Per channel red, green, blue: a mask, then the shift and bit count.
struct TPixelFormat {
    uint32_t redMask = 0;
    uint8_t redShift = 0, redBits = 0;
    uint32_t greenMask = 0;
    uint8_t greenShift = 0, greenBits = 0;
    uint32_t blueMask = 0;
    uint8_t blueShift = 0, blueBits = 0;
};

// Resource load modes of IEngine::LoadResources.
enum : uint8_t {
    kLoadResourcesAtOnce = 0,
    // One timer tick (an event or a frame) runs before each resource, so a
    // splash screen animates while the list loads.
    kLoadResourcesTicking = 1,
};

class IResource : public virtual INamedObject {
public:
    virtual std::string GetFileName() = 0;
    virtual std::string GetGroupName() = 0;
    virtual void SetGroupName(const std::string& groupName) = 0;
    virtual void Load() = 0;
    virtual void Unload() = 0;
    virtual bool IsAvailable() = 0;
};

class IResourceOwner;

class IResourceSlave : public virtual IResource {
public:
    // Keeps the owner and loads at once unless loading waits for first use.
    virtual void SetOwner(const Ref<IResourceOwner>& owner) = 0;
    // Unloads and drops the owner.
    virtual void Detach() = 0;
};

class IResourceCollection : public virtual ICollection {
public:
    // By index or by name; null when absent.
    virtual Ref<IResource> Find(const Variant& key) = 0;
    // Appends under the resource's own name; nothing for null.
    virtual void Add(const Ref<IResource>& resource) = 0;
    // Detaches and removes every resource of the group (every one for "").
    virtual void RemoveGroup(const std::string& groupName) = 0;
};

class IResourceOwner : public virtual IInterface {
public:
    // The file through the resource paths and packs; null when it cannot open.
    virtual std::unique_ptr<TStream> OpenStream(const std::string& fileName) = 0;
    virtual TPixelFormat GetPixelFormat() = 0;
    // 0xRRGGBB to the pixel format's pixel.
    virtual uint32_t ColorToPixel(uint32_t color) = 0;
    virtual TMusicHandle LoadMusic(const std::string& fileName) = 0;
    virtual void FreeMusic(TMusicHandle music) = 0;
    virtual TSampleHandle LoadSample(const std::string& fileName, uint16_t maxPlaybacks,
                                     bool loop) = 0;
    virtual TChannelHandle LoadLoopedSampleChannel(const std::string& fileName,
                                                   TSampleHandle& sample) = 0;
    virtual void FreeSample(TSampleHandle sample) = 0;
    virtual Ref<IResource> GetResource(const std::string& name) = 0;
};

// The game object as the engine drives it.
class IGame : public virtual IInterface {
public:
    virtual bool Init(const Ref<IEngine>& engine) = 0;
    virtual void Done() = 0;
    virtual void Update(int32_t elapsedMs) = 0;
    virtual void Render(const Ref<ISurface>& surface) = 0;
    // Codes 10 to 19; buttons is the held-button mask with code 10, else 0.
    virtual bool MouseEvent(int32_t code, int32_t x, int32_t y, int32_t buttons) = 0;
    // Kinds 1 (down or repeat), 2 and then 3 (one key up).
    virtual bool KeyEvent(int32_t kind, uint8_t character, uint32_t modifiers) = 0;
    virtual void SetActive(bool active) = 0;
    virtual bool QueryQuit() = 0;
    virtual void SetOption(const std::string& name, const std::string& value) = 0;
    virtual void EndFrame() = 0;
};

class IEngine : public virtual IInterface {
public:
    virtual std::string GetAppDir() = 0;
    virtual std::string GetUserDir() = 0;
    // Failures are reported: false, and a line in the log.
    virtual bool SaveUserTextFile(const std::string& text, const std::string& fileName) = 0;
    virtual bool SaveResourceTextFile(const std::string& text, const std::string& fileName) = 0;
    virtual void SetOption(const std::string& name, const Variant& value) = 0;
    virtual std::string GetOption(const std::string& name) = 0;
    virtual bool ApplySettings() = 0;
    // The file's lines, each ending in a line feed; deciphered when the key
    // is not empty. Empty text when the file cannot be read.
    virtual std::string ReadTextFile(const std::string& fileName, const std::string& key) = 0;

    virtual void LoadResources(const Ref<IHierStorage>& node, const std::string& groupName,
                               uint8_t loadMode) = 0;
    virtual void LoadResourceFile(const std::string& fileName, const std::string& groupName,
                                  uint8_t loadMode) = 0;
    virtual void RemoveResources(const std::string& groupName) = 0;
    virtual Ref<IResource> GetResource(const std::string& name) = 0;
    virtual void RemoveResource(const std::string& name) = 0;

    virtual TPoint GetMousePos() = 0;
    virtual void HideCursor() = 0;
    virtual void ShowCursor() = 0;

    virtual TChannelHandle PlayMusic(const Ref<IMusic>& music) = 0;
    virtual void StopMusic(const Ref<IMusic>& music) = 0;
    virtual TChannelHandle PlaySound(const Ref<ISound>& sound) = 0;
    virtual void StopSound(const Ref<ISound>& sound) = 0;
    virtual void StopAllSounds() = 0;
    virtual void SetMusicVolume(const Variant& value) = 0;

    virtual void Quit() = 0;
    virtual void OpenURL(const std::string& url) = 0;
    virtual Ref<ISurface> CreateSurface() = 0;
    virtual Ref<IGame> GetGame() = 0;
    virtual void InvalidateRect(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
    virtual void ClearUpdateRects() = 0;
    virtual void UpdateGame(int32_t elapsedMs) = 0;
};

class IApp : public virtual IInterface {
public:
    virtual bool Init(const std::string& gameDefinitionPath) = 0;
    virtual void Run() = 0;
    virtual void Done() = 0;
};
