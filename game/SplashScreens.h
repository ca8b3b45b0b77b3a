// The screens that carry the game from its start to the main screen and show
// progress while resources load. The game shows them by the names its
// definition gives ("splashlogosgs", "splashgs"); which class each is, and
// every widget on it, is data. They look widgets up by fixed names, switch
// them on and off, count frames and talk to the game and the engine.
//
//   GameScreenSplashLogos      closes itself when a sequence ends (code 10)
//   GameScreenSplash           "wait_button_name"; shown again with
//                              "LoadComplete", waits for that button or
//                              hands over to the main screen at once
//   GameScreenSplashProgress   the splash with a progress bar
//                              ("image_loading" and its child "progress")
//                              following the load, then "image_loaded", the
//                              wait button and "sound_effect"; "TotalUpdates"
//                              (frames, when no load is reported)
//   GameScreenSplashSelfRefresh    rebuilt from its definition on every show
//   GameScreenSplashResourceLoad   loads one resource of "load_list" a frame
//                              (after unloading "unload_list"), stepping the
//                              tree so the steps add up to "TotalUpdates";
//                              then "image_loaded", or closes
//                              ("close_after_load")
//   GameScreenSplashResourceDefsLoad  the same over an IResourceDefCollection
//                              given as "resource_defs"
//
// Failures: an exception while the splash handles "LoadComplete" is dropped
// and the screen stays shown. A missing widget skips the step that uses it. A
// name on a load or unload list that the engine has no resource for is
// skipped with a "GAME" line. Definition text that no longer parses leaves
// the screen as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/GameScreen.h"

// Resource definitions that a load screen loads one by one, by position.
class IResourceDefCollection : public virtual ICollection {
public:
    virtual void LoadByIndex(const Variant& index) = 0;
};

// A screen that shows how far the start-up's resource load is: the game
// tells it, in each frame of the load, how many of the resources the load
// brings the engine holds (done) out of all of them (total > 0).
class ILoadProgress : public virtual IInterface {
public:
    virtual void SetLoadProgress(int32_t done, int32_t total) = 0;
};

class TGameScreenSplash : public TGameScreen {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // With "LoadComplete" among the parameters (its value is not read): the
    // wait button found runs LoadCompleted, none hands over at once.
    void Show(const Ref<IParamCollection>& params) override;
    // Any report from the wait button finishes the splash.
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    // The load is over and the wait button is there; nothing here.
    virtual void LoadCompleted() {}
    // The game closes the splash and shows the main screen.
    virtual void FinishSplash();

    const std::string& GetWaitButtonName() const { return waitButtonName_; }

private:
    std::string waitButtonName_;
};

class TGameScreenSplashLogos : public TGameScreen {
public:
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;
};

class TGameScreenSplashProgress : public TGameScreenSplash, public virtual ILoadProgress {
public:
    // "TotalUpdates" (200 when absent); it is not written back.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // Until the load completes: every frame in which "image_loading" is
    // visible moves its child "progress" to the share of the load done, as
    // the game last told it; when the game tells nothing, to frames /
    // "TotalUpdates" (beyond 1 when more frames run). "image_loading" gets
    // one more millisecond.
    void Update(int32_t elapsedMs) override;
    // The game's count of the load's resources in (see ILoadProgress).
    void SetLoadProgress(int32_t done, int32_t total) override;
    // The wait button and "image_loaded" (restarted) shown, "image_loading"
    // hidden, "sound_effect" played, counting stopped, the default cursor.
    void LoadCompleted() override;
    // The splash's resource groups ("splash", "splash2") removed as well.
    void FinishSplash() override;

    // The widget shown and resumed, or hidden and paused; false when there
    // is none of that name.
    bool ShowWidget(const std::string& name, bool visible);

    bool IsFinished() const { return finished_ != 0; }
    int32_t GetUpdateCount() const { return updateCount_; }
    int32_t GetTotal() const { return total_; }

private:
    int32_t finished_ = 0;
    int32_t updateCount_ = 0;
    int32_t total_ = 200;
    // The load's resources in and all of them; loadTotal_ 0 until told.
    int32_t loadDone_ = 0;
    int32_t loadTotal_ = 0;
};

class TGameScreenSplashSelfRefresh : public TGameScreen {
public:
    // Keeps the node's text, then loads.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // Every show after the first rebuilds the screen from the kept text and
    // attaches it again.
    void Show(const Ref<IParamCollection>& params) override;

private:
    bool wasShown_ = false;
    std::string definition_;
};

// One item a frame, the window stepped so that a load's steps add up to
// "TotalUpdates" whatever the number of items; then "progress" is hidden and
// "image_loaded" shown (any report from it closes the screen), or the screen
// hides itself when "close_after_load" is "yes". Not registered.
class TGameScreenSplashAbstractLoad : public TGameScreenSplashSelfRefresh {
public:
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void DetachOwner() override;
    // Starts from item 0; subclasses fill the item count.
    void Show(const Ref<IParamCollection>& params) override;
    void Update(int32_t elapsedMs) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    // Loads the item at index and moves the index on; here only the move.
    virtual void LoadItem(int32_t& index) { ++index; }
    // The step per item: the total over the items, halves to even.
    virtual void PrepareLoad();
    virtual void ReleaseWidgets();

    // The window's step for the item just loaded (index is the count of
    // items loaded, last included): the step per item, the last one taking
    // what is left of the total, never below 0.
    static int32_t ItemStep(int32_t total, int32_t perItem, int32_t index, int32_t count);

    int32_t GetItemCount() const { return itemCount_; }
    int32_t GetItemIndex() const { return itemIndex_; }
    int32_t GetUpdatesPerItem() const { return updatesPerItem_; }
    bool IsLoaded() const { return loaded_; }

protected:
    void SetItemCount(int32_t count) { itemCount_ = count; }

private:
    int32_t itemCount_ = 0;
    int32_t itemIndex_ = 0;
    Ref<IWidget> progress_;
    Ref<IWidget> imageLoaded_;
    int32_t totalUpdates_ = 200;
    int32_t updatesPerItem_ = 0;
    bool loaded_ = false;
    bool closeAfterLoad_ = false;
    bool needsPreparing_ = false;
    // The screen hid itself after its load; later frames only step it.
    bool closing_ = false;
};

class TGameScreenSplashResourceLoad : public TGameScreenSplashAbstractLoad {
public:
    // "unload_list" and "load_list": names separated by ";", each trimmed,
    // empty ones dropped.
    void Show(const Ref<IParamCollection>& params) override;
    void LoadItem(int32_t& index) override;
    // A name on both lists stays loaded and is not loaded again; the other
    // names of the unload list are unloaded.
    void PrepareLoad() override;
    void ReleaseWidgets() override;

    const std::vector<std::string>& GetLoadList() const { return loadList_; }

private:
    std::vector<std::string> loadList_;
    std::vector<std::string> unloadList_;
    int32_t unloadCount_ = 0;
};

class TGameScreenSplashResourceDefsLoad : public TGameScreenSplashAbstractLoad {
public:
    // "resource_defs": an IResourceDefCollection; without one (the parameter
    // missing or holding anything else) nothing loads.
    void Show(const Ref<IParamCollection>& params) override;
    void LoadItem(int32_t& index) override;
    void ReleaseWidgets() override;

private:
    Ref<IResourceDefCollection> defs_;
};

// Registers the seven screen classes but the abstract load screen.
void RegisterSplashScreenClasses();
