#include "game/SplashScreens.h"

#include <algorithm>
#include <exception>

#include "core/base/AsciiText.h"
#include "core/base/Log.h"
#include "core/base/SafeConvert.h"
#include "core/storage/XMLStorage.h"

namespace {

// The names of a ";"-separated list, each trimmed, empty ones dropped.
std::vector<std::string> SplitNames(const std::string& text) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view piece = Trim(std::string_view(text).substr(start, end - start));
        if (!piece.empty()) names.emplace_back(piece);
        start = end + 1;
    }
    return names;
}

std::string ParamText(const Ref<IParamCollection>& params, const std::string& key) {
    return params->GetValue(key, Variant(std::string())).ToString();
}

}  // namespace

// ---------------------------------------------------------------------------
// Splash

const TPropertyTable& TGameScreenSplash::Table() {
    using S = TGameScreenSplash;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<S>(TGameScreen::Table())
            .Field("wait_button_name", &S::waitButtonName_).SaveAlways()
            .Build();
    // clang-format on
    return table;
}

void TGameScreenSplash::Show(const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::Show(params);
    if (!params) return;
    try {
        if (!params->GetParam(Variant("LoadComplete"))) return;
        if (FindWidget(waitButtonName_)) {
            LoadCompleted();
        } else if (IGameScreenOwner* owner = GetOwner()) {
            owner->SplashFinished();
        }
    } catch (const std::exception&) {
        // The splash stays shown; the player can still quit.
    }
}

void TGameScreenSplash::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                    const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (sender && sender->GetName() == waitButtonName_) FinishSplash();
}

void TGameScreenSplash::FinishSplash() {
    if (IGameScreenOwner* owner = GetOwner()) owner->SplashFinished();
}

// ---------------------------------------------------------------------------
// Logos

void TGameScreenSplashLogos::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                         const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (code == 10) CloseGameScreen(nullptr);
}

// ---------------------------------------------------------------------------
// Progress

void TGameScreenSplashProgress::LoadFrom(const Ref<IHierStorage>& storage) {
    TGameScreenSplash::LoadFrom(storage);
    total_ = ReadInteger(storage, "TotalUpdates", total_);
}

void TGameScreenSplashProgress::Update(int32_t elapsedMs) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreenSplash::Update(elapsedMs);
    if (finished_ != 0) return;
    const Ref<IWidget> loading = FindWidget("image_loading");
    if (!loading || !loading->GetVisible()) return;
    const Ref<IWidgetCollection> children = loading->GetChildren();
    if (const Ref<IWidget> progress =
            children ? children->GetWidget(Variant("progress")) : nullptr) {
        ++updateCount_;
        // The real load when the game reports it: a count of frames runs
        // ahead of a slow load or lags behind a fast one.
        const double position =
            loadTotal_ > 0
                ? static_cast<double>(loadDone_) / static_cast<double>(loadTotal_)
                : static_cast<double>(updateCount_) / static_cast<double>(total_);
        progress->SetProperty("position", Variant(position));
    }
    loading->Update(1);
}

void TGameScreenSplashProgress::SetLoadProgress(int32_t done, int32_t total) {
    if (total <= 0) return;
    loadTotal_ = total;
    loadDone_ = std::clamp(done, 0, total);
}

bool TGameScreenSplashProgress::ShowWidget(const std::string& name, bool visible) {
    const Ref<IWidget> widget = FindWidget(name);
    if (!widget) return false;
    widget->SetVisible(visible);
    if (visible) {
        widget->Resume();
    } else {
        widget->Pause();
    }
    return true;
}

void TGameScreenSplashProgress::LoadCompleted() {
    TGameScreenSplash::LoadCompleted();
    ShowWidget(GetWaitButtonName(), true);
    if (const Ref<IWidget> loading = FindWidget("image_loading")) {
        const Ref<IWidgetCollection> children = loading->GetChildren();
        if (const Ref<IWidget> progress =
                children ? children->GetWidget(Variant("progress")) : nullptr) {
            progress->SetProperty("position", Variant(1.0));
        }
    }
    ShowWidget("image_loading", false);
    ShowWidget("image_loaded", true);
    if (const Ref<IWidget> loaded = FindWidget("image_loaded")) loaded->Restart();
    PlaySound("sound_effect");
    finished_ = 1;
    if (IGameScreenOwner* owner = GetOwner()) {
        if (const Ref<ICursorCollection> cursors = owner->GetCursors()) {
            cursors->SetCurrentCursor(cursors->GetDefaultCursorName());
        }
    }
}

void TGameScreenSplashProgress::FinishSplash() {
    const Ref<IGameScreenSlave> self(this);
    TGameScreenSplash::FinishSplash();
    if (IGameScreenOwner* owner = GetOwner()) {
        if (const Ref<IEngine> engine = owner->GetEngine()) {
            engine->RemoveResources("splash");
            engine->RemoveResources("splash2");
        }
    }
}

// ---------------------------------------------------------------------------
// Self refresh

void TGameScreenSplashSelfRefresh::LoadFrom(const Ref<IHierStorage>& storage) {
    if (storage) definition_ = storage->GetXML().ToString();
    TGameScreen::LoadFrom(storage);
}

void TGameScreenSplashSelfRefresh::Show(const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    if (wasShown_) {
        IGameScreenOwner* owner = GetOwner();
        if (const Ref<IHierStorage> node = LoadStorageFromXML(definition_)) {
            ClearContent();
            LoadFrom(node);
        }
        AttachOwner(owner);
    }
    wasShown_ = true;
    TGameScreen::Show(params);
}

// ---------------------------------------------------------------------------
// Loading one item a frame

void TGameScreenSplashAbstractLoad::LoadFrom(const Ref<IHierStorage>& storage) {
    TGameScreenSplashSelfRefresh::LoadFrom(storage);
    totalUpdates_ = ReadInteger(storage, "TotalUpdates", 200);
    closeAfterLoad_ = ReadBool(storage, "close_after_load", false);
}

void TGameScreenSplashAbstractLoad::DetachOwner() {
    ReleaseWidgets();
    TGameScreenSplashSelfRefresh::DetachOwner();
}

void TGameScreenSplashAbstractLoad::Show(const Ref<IParamCollection>& params) {
    TGameScreenSplashSelfRefresh::Show(params);
    itemCount_ = 0;
    progress_ = FindWidget("progress");
    imageLoaded_ = FindWidget("image_loaded");
    itemIndex_ = 0;
    updatesPerItem_ = totalUpdates_;
    loaded_ = false;
    closing_ = false;
    needsPreparing_ = true;
}

void TGameScreenSplashAbstractLoad::PrepareLoad() {
    if (itemCount_ > 0) {
        updatesPerItem_ = SaturatingRound<int32_t>(static_cast<double>(totalUpdates_) /
                                                   static_cast<double>(itemCount_));
    }
    needsPreparing_ = false;
}

void TGameScreenSplashAbstractLoad::ReleaseWidgets() {
    progress_ = nullptr;
    imageLoaded_ = nullptr;
}

int32_t TGameScreenSplashAbstractLoad::ItemStep(int32_t total, int32_t perItem, int32_t index,
                                                int32_t count) {
    if (index < count) return perItem;
    // With many items the rounded step times the items before the last can
    // pass the total; time never runs backwards, so the last step is then 0.
    const int64_t rest = static_cast<int64_t>(total) - static_cast<int64_t>(perItem) * (count - 1);
    return static_cast<int32_t>(std::clamp<int64_t>(rest, 0, INT32_MAX));
}

void TGameScreenSplashAbstractLoad::Update(int32_t elapsedMs) {
    const Ref<IGameScreenSlave> self(this);
    if (needsPreparing_) PrepareLoad();
    if (itemIndex_ < itemCount_) {
        LoadItem(itemIndex_);
        TGameScreenSplashSelfRefresh::Update(
            ItemStep(totalUpdates_, updatesPerItem_, itemIndex_, itemCount_));
    } else if (!loaded_ && !closing_) {
        if (!closeAfterLoad_) {
            if (progress_) {
                progress_->SetVisible(false);
                progress_->Pause();
            }
            if (imageLoaded_) {
                imageLoaded_->SetVisible(true);
                imageLoaded_->Restart();
            }
            loaded_ = true;
        } else {
            // Hidden once: the game takes the screen off the stack when its
            // window is invisible, after any hide effect.
            closing_ = true;
            Hide();
        }
        ReleaseWidgets();
    } else {
        TGameScreenSplashSelfRefresh::Update(elapsedMs);
    }
}

void TGameScreenSplashAbstractLoad::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                                const Ref<IParamCollection>& params) {
    TGameScreenSplashSelfRefresh::HandleEvent(sender, code, params);
    if (loaded_ && sender && sender->GetName() == "image_loaded") CloseGameScreen(nullptr);
}

// ---------------------------------------------------------------------------
// Resources by name

void TGameScreenSplashResourceLoad::Show(const Ref<IParamCollection>& params) {
    TGameScreenSplashAbstractLoad::Show(params);
    // A show without lists loads nothing, whatever an earlier show left.
    unloadList_.clear();
    loadList_.clear();
    unloadCount_ = 0;
    if (!params) return;
    unloadList_ = SplitNames(ParamText(params, "unload_list"));
    unloadCount_ = static_cast<int32_t>(unloadList_.size());
    loadList_ = SplitNames(ParamText(params, "load_list"));
    SetItemCount(static_cast<int32_t>(loadList_.size()));
}

void TGameScreenSplashResourceLoad::PrepareLoad() {
    if (unloadCount_ > 0) {
        const Ref<IEngine> engine = GetEngine();
        for (std::string& name : unloadList_) {
            if (name.empty()) continue;
            bool kept = false;
            for (std::string& entry : loadList_) {
                if (entry == name) {
                    entry.clear();
                    kept = true;
                }
            }
            if (!kept && engine) {
                if (const Ref<IResource> resource = engine->GetResource(name)) {
                    resource->Unload();
                } else {
                    Log("GAME", GetName() + ": no resource \"" + name + "\" to unload.");
                }
            }
            name.clear();
        }
        unloadCount_ = 0;
    }
    TGameScreenSplashAbstractLoad::PrepareLoad();
}

void TGameScreenSplashResourceLoad::LoadItem(int32_t& index) {
    if (index >= 0 && index < static_cast<int32_t>(loadList_.size()) && !loadList_[index].empty()) {
        const std::string& name = loadList_[index];
        const Ref<IEngine> engine = GetEngine();
        if (const Ref<IResource> resource = engine ? engine->GetResource(name) : nullptr) {
            resource->Load();
        } else {
            Log("GAME", GetName() + ": no resource \"" + name + "\" to load.");
        }
    }
    TGameScreenSplashAbstractLoad::LoadItem(index);
}

void TGameScreenSplashResourceLoad::ReleaseWidgets() {
    loadList_.clear();
    unloadList_.clear();
    TGameScreenSplashAbstractLoad::ReleaseWidgets();
}

// ---------------------------------------------------------------------------
// Resource definitions

void TGameScreenSplashResourceDefsLoad::Show(const Ref<IParamCollection>& params) {
    TGameScreenSplashAbstractLoad::Show(params);
    defs_ = nullptr;
    if (!params) return;
    try {
        if (const Ref<IParam> param = params->GetParam(Variant("resource_defs"))) {
            defs_ = Query<IResourceDefCollection>(param->GetValue().ToInterface());
        }
    } catch (const std::exception&) {
        // A value that is no interface holds no definitions.
        defs_ = nullptr;
    }
    if (defs_) SetItemCount(defs_->GetCount());
}

void TGameScreenSplashResourceDefsLoad::LoadItem(int32_t& index) {
    if (defs_) defs_->LoadByIndex(Variant(index));
    TGameScreenSplashAbstractLoad::LoadItem(index);
}

void TGameScreenSplashResourceDefsLoad::ReleaseWidgets() {
    TGameScreenSplashAbstractLoad::ReleaseWidgets();
    defs_ = nullptr;
}

// ---------------------------------------------------------------------------

void RegisterSplashScreenClasses() {
    RegisterObjectClass(ClassOf<TGameScreenSplash>(), "GameScreenSplash");
    RegisterObjectClass(ClassOf<TGameScreenSplashLogos>(), "GameScreenSplashLogos");
    RegisterObjectClass(ClassOf<TGameScreenSplashProgress>(), "GameScreenSplashProgress");
    RegisterObjectClass(ClassOf<TGameScreenSplashSelfRefresh>(), "GameScreenSplashSelfRefresh");
    RegisterObjectClass(ClassOf<TGameScreenSplashResourceLoad>(), "GameScreenSplashResourceLoad");
    RegisterObjectClass(ClassOf<TGameScreenSplashResourceDefsLoad>(),
                        "GameScreenSplashResourceDefsLoad");
}
