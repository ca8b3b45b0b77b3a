#include "world/MapScreen.h"

#include "world/MapControl.h"
#include "world/MapObjects.h"

using namespace mapdetail;

Ref<IParamCollection> TQuillmarchGameScreenMap::ProfileParams() {
    IGameScreenOwner* game = GetOwner();
    const Ref<IUserProfileCollection> profiles = game ? game->GetUserProfiles() : nullptr;
    const Ref<IUserProfile> profile = profiles ? profiles->GetCurrent() : nullptr;
    return profile ? profile->GetParams() : nullptr;
}

void TQuillmarchGameScreenMap::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    mapControl_ = Weak<IWidget>(FindWidget("map_control"));
}

void TQuillmarchGameScreenMap::DetachOwner() {
    mapControl_ = nullptr;
    TGameScreen::DetachOwner();
}

void TQuillmarchGameScreenMap::Show(const Ref<IParamCollection>& params) {
    TGameScreen::Show(params);
    const Ref<IParamCollection> profile = ProfileParams();
    PrepareMapSurface(params);
    if (profile) profile->SetValue("enter_to_map", Variant("yes"));
    if (const Ref<IWidget> control = GetMapControl())
        control->ExecuteCommand(kCommandMapRecompute, params);
    if (profile && ProfileText(profile, "show_map", "no") == "no") {
        ShowGameScreen("GS_MapFirstTime", nullptr);
        profile->SetValue("show_map", Variant("yes"));
    }
}

void TQuillmarchGameScreenMap::ChildScreenClosed(const std::string& screenName,
                                                 const Ref<IParamCollection>& results) {
    TGameScreen::ChildScreenClosed(screenName, results);
    const Ref<IWidget> control = GetMapControl();
    if (screenName == "GS_GameBigMosaic") {
        if (control) control->ExecuteCommand(kCommandMapMosaicResult, results);
    } else if (screenName == "GS_Scene") {
        PrepareMapSurface(nullptr);
        if (control) control->ExecuteCommand(kCommandMapRecompute, nullptr);
    }
}

void TQuillmarchGameScreenMap::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                           const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (!sender || sender->GetName() != "map_control") return;
    if (code == kEventEnterLocation) {
        EnterLocation(params);
    } else if (code == kEventAllLocationsCompleted) {
        ShowGameScreen("GS_Final", nullptr);
    }
}

void TQuillmarchGameScreenMap::EnterLocation(Ref<IParamCollection> params) {
    // The scene needs a collection to carry the snapshot even when the
    // event came without one.
    if (!params) params = NewParams();
    const Ref<IParamCollection> profile = ProfileParams();
    const std::string location = TextOrEmpty(params->GetValue("active_map_part", Variant("")));
    const bool mosaicPending =
        profile && ProfileText(profile, "big_mosaic_completed_" + location, "no") == "no";
    params->SetValue("surface", Variant(MakeSnapshot()));
    params->SetValue("show_scroll", Variant(mosaicPending ? "no" : "yes"));
    ShowGameScreen("GS_Scene", params);
    if (mosaicPending) {
        // The mosaic opens above the scene and scrolls the map's picture
        // away; the scene below opened without a scroll.
        params->SetValue("show_scroll", Variant("yes"));
        ShowGameScreen("GS_GameBigMosaic", params);
    }
}

Ref<ISurface> TQuillmarchGameScreenMap::MakeSnapshot() {
    const Ref<IEngine> engine = GetEngine();
    const Ref<ISurface> surface = engine ? engine->CreateSurface() : nullptr;
    if (!surface) return nullptr;
    surface->SetSize(kMapScreenWidth, kMapScreenHeight);
    Render(*surface);
    return surface;
}

void TQuillmarchGameScreenMap::PrepareMapSurface(const Ref<IParamCollection>& params) {
    if (const Ref<IWidget> picture = FindWidget("map_surface")) {
        picture->SetTop(0.0);
        picture->SetProperty("shifttop", Variant(0));
        picture->SetProperty("height", Variant(kMapScreenHeight));
        if (params) {
            picture->SetProperty("surface", params->GetValue("surface", Variant()));
            picture->SetVisible(true);
        } else {
            picture->SetVisible(false);
        }
    }
    if (const Ref<IWidget> edge = FindWidget("scroll")) {
        double y = 0;
        const Variant start = edge->GetProperty("start_y");
        if (!start.IsUnassigned() && !TryTextToFloat(start.ToString(), y)) y = 0;
        edge->SetTop(y);
    }
}

void RegisterMapScreenClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenMap>(), "QuillmarchGameScreenMap");
}
