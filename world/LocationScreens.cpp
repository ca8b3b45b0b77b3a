#include "world/LocationScreens.h"

#include <algorithm>
#include <cctype>

#include "core/base/Log.h"
#include "core/base/ParamStringUtils.h"
#include "core/storage/XMLStorage.h"
#include "engine/resources/EngineImages.h"
#include "nonogram/LevelDefs.h"
#include "world/MapObjects.h"

using namespace mapdetail;

namespace {

// "png" for a name ending in ".png", in any letter case, that holds it
// nowhere earlier; "jpeg" for anything else.
std::string FormatOf(const std::string& file) {
    std::string lower = file;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const size_t png = lower.find(".png");
    return png != std::string::npos && png + 4 == lower.size() ? "png" : "jpeg";
}

double NumberOr(const Variant& value, double fallback) {
    double number = 0;
    if (value.IsUnassigned() || !TryTextToFloat(value.ToString(), number)) return fallback;
    return number;
}

}  // namespace

// --- The scene

void TQuillmarchGameScreenScene::Create() {
    TGameScreen::Create();
    magicItems_ = Query<IGroupsStorage>(CreateAbstractObject(ClassOf<TGroupsStorage>()));
    loadedLocation_.clear();
}

void TQuillmarchGameScreenScene::LoadFrom(const Ref<IHierStorage>& storage) {
    TGameScreen::LoadFrom(storage);
    if (magicItems_) LoadChildObject(magicItems_, storage, "magic_items", 0);
}

void TQuillmarchGameScreenScene::SaveTo(const Ref<IHierStorage>& storage) {
    TGameScreen::SaveTo(storage);
    if (magicItems_) SaveChildObject(magicItems_, storage, "magic_items");
}

void TQuillmarchGameScreenScene::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    const Ref<IWidget> control = FindWidget("control_scene");
    controlScene_ = Weak<IWidget>(Query<IControlScene>(control) ? control : nullptr);
    // A screen attached again after a detach offers an empty store, not none.
    if (!magicItems_)
        magicItems_ = Query<IGroupsStorage>(CreateAbstractObject(ClassOf<TGroupsStorage>()));
    if (owner) owner->SetOptionValue("magic_items", Variant(Ref<IInterface>(magicItems_)));
}

void TQuillmarchGameScreenScene::DetachOwner() {
    if (magicItems_) magicItems_->Clear();
    magicItems_ = nullptr;
    pendingLevelParams_ = nullptr;
    controlScene_ = nullptr;
    TGameScreen::DetachOwner();
}

Ref<IControlScene> TQuillmarchGameScreenScene::GetControlScene() const {
    return Query<IControlScene>(controlScene_.Lock());
}

Ref<IUserProfile> TQuillmarchGameScreenScene::Profile() {
    IGameScreenOwner* game = GetOwner();
    const Ref<IUserProfileCollection> profiles = game ? game->GetUserProfiles() : nullptr;
    return profiles ? profiles->GetCurrent() : nullptr;
}

Ref<IParamCollection> TQuillmarchGameScreenScene::ProfileParams() {
    const Ref<IUserProfile> profile = Profile();
    return profile ? profile->GetParams() : nullptr;
}

void TQuillmarchGameScreenScene::CommandControl(int32_t command,
                                                const Ref<IParamCollection>& params) {
    if (const Ref<IWidget> control = controlScene_.Lock()) control->ExecuteCommand(command, params);
}

void TQuillmarchGameScreenScene::RestartWithSound(const std::string& widget,
                                                  const std::string& sound) {
    const Ref<IWidget> found = FindWidget(widget);
    if (!found) return;
    PlaySound(sound);
    found->Restart();
}

void TQuillmarchGameScreenScene::Show(const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::Show(params);
    PrepareMapSurface(params);
    activeMapPart_ = params ? TextOrEmpty(params->GetValue("active_map_part", Variant(""))) : "";
    SwitchLocationResources(activeMapPart_);
    ResetSceneLayout();
    ShowLocationLayers(controlScene_.Lock(), Profile(), activeMapPart_);
    CommandControl(kCommandSceneShow, params);
}

void TQuillmarchGameScreenScene::PrepareMapSurface(const Ref<IParamCollection>& params) {
    if (const Ref<IWidget> picture = FindWidget("map_surface")) {
        picture->SetTop(0.0);
        picture->SetProperty("shifttop", Variant(0));
        picture->SetProperty("height", Variant(768));
        if (params && TextOrEmpty(params->GetValue("show_scroll", Variant("no"))) == "yes") {
            picture->SetProperty("surface", params->GetValue("surface", Variant()));
            picture->SetVisible(true);
        } else {
            picture->SetVisible(false);
        }
    }
    if (const Ref<IWidget> edge = FindWidget("scroll"))
        edge->SetTop(NumberOr(edge->GetProperty("start_y"), 0));
}

void TQuillmarchGameScreenScene::SwitchLocationResources(const std::string& location) {
    if (location == loadedLocation_) return;
    const Ref<IEngine> engine = GetEngine();
    if (!engine) return;
    engine->RemoveResources(kLocationResourceGroup);
    loadedLocation_.clear();
    const Ref<IItemCollection> resources =
        magicItems_ ? magicItems_->GetItem(location, "components", "resources") : nullptr;
    bool complete = true;
    if (resources) {
        for (int32_t i = 0; i < resources->GetCount(); ++i) {
            if (!LoadLocationResource(resources->GetParam(Variant(i)))) complete = false;
        }
    }
    // A location with a picture missing is tried again on the next visit.
    if (complete) loadedLocation_ = location;
}

Ref<IHierStorage> TQuillmarchGameScreenScene::ResourceListFor(const Ref<IParam>& param) {
    if (!param) return nullptr;
    const std::string value = TextOrEmpty(param->GetValue());
    std::string file;
    std::string format;
    TTwoArrayOfString pairs;
    if (value.find('=') != std::string::npos && SplitParams(value, pairs, '\\', '=') > 0) {
        for (const auto& pair : pairs) {
            if (pair[0] == "file") file = pair[1];
            if (pair[0] == "format") format = pair[1];
        }
    } else {
        file = value;
        format = FormatOf(file);
    }
    // The values go into the document as attributes, so no character of a
    // name can change its shape.
    const Ref<IHierStorage> list = LoadStorageFromXML(LocationResourceTemplate);
    const Ref<IHierStorage> content = list ? list->GetChild("content", 0) : nullptr;
    const Ref<IHierStorage> resource = content ? content->GetChild("resource", 0) : nullptr;
    if (!resource) return nullptr;
    resource->SetValue("name", Variant(param->GetName()));
    resource->SetValue("format", Variant(format));
    resource->SetValue("file", Variant(file));
    return list;
}

bool TQuillmarchGameScreenScene::LoadLocationResource(const Ref<IParam>& param) {
    if (!param) return true;
    const Ref<IEngine> engine = GetEngine();
    if (!engine) return false;
    try {
        const Ref<IHierStorage> list = ResourceListFor(param);
        if (!list) {
            Log("WORLD", "scene " + GetName() + ": no resource list for \"" + param->GetName() + "\"");
            return false;
        }
        engine->LoadResources(list, kLocationResourceGroup, kLoadResourcesAtOnce);
    } catch (const std::exception& e) {
        Log("WORLD", "scene " + GetName() + ": the picture \"" + param->GetName() +
                         "\" does not load: " + e.what());
        return false;
    }
    const Ref<IResource> resource = engine->GetResource(param->GetName());
    const Ref<IImageResource> image = Query<IImageResource>(resource);
    // The picture was decoded as it was loaded: a file that is missing, or
    // is no picture of its format, left it without a surface.
    if (!resource || (image && !image->GetSurface())) {
        Log("WORLD", "scene " + GetName() + ": the picture \"" + param->GetName() +
                         "\" was not loaded");
        return false;
    }
    return true;
}

void TQuillmarchGameScreenScene::ResetSceneLayout() {
    for (const char* name : {"top_panel", "title", "mana_icon", "mana_counter", "panel", "info",
                             "button_shop", "control_scene/map_parts"}) {
        if (const Ref<IWidget> widget = FindWidget(name))
            widget->SetTop(NumberOr(widget->GetProperty("start_y"), 0));
    }
    if (const Ref<IWidget> exit = FindWidget("button_exit"))
        exit->SetLeft(NumberOr(exit->GetProperty("start_x"), 0));
}

void TQuillmarchGameScreenScene::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                             const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (!sender) return;
    const Ref<IGameScreenSlave> self(this);
    const std::string name = sender->GetName();
    if (name == "button_shop") {
        if (code == kEventButtonClick) RestartWithSound("scene_hide", "sound_show_panel");
        return;
    }
    if (name != "control_scene") return;
    switch (code) {
        case kEventSceneStartLevel: {
            pendingLevelParams_ = params;
            RestartWithSound("scene_all_elements_hide", "sound_show_panel");
            const std::string tutorial =
                params ? TextOrEmpty(params->GetValue("show_tutorial", Variant(""))) : "";
            if (!tutorial.empty()) {
                const Ref<IParamCollection> tutorialParams = NewParams();
                tutorialParams->SetValue("tutorial_part", Variant(tutorial));
                ShowGameScreen("GS_Tutorial", tutorialParams);
            }
            break;
        }
        case kEventSceneHidden:
            ShowGameScreen("GS_GameNonogram", pendingLevelParams_);
            break;
        case kEventLevelsDone:
            ShowGameScreen("GS_CompleteScene", nullptr);
            break;
        case kEventLocationCompleted:
            ShowGameScreen("GS_LocationCompleted", params);
            break;
        case kEventGoToShop: {
            const Ref<IParamCollection> shop = params ? params : NewParams();
            shop->SetValue("active_map_part", Variant(activeMapPart_));
            ShowGameScreen("GS_SceneShop", shop);
            break;
        }
        case kEventReplayPoints:
            ShowGameScreen("GS_ReplayLevel", params);
            break;
        case kEventSceneHint:
            ShowGameScreen("GS_HintScene", nullptr);
            break;
        default:
            break;
    }
}

void TQuillmarchGameScreenScene::ChildScreenClosed(const std::string& screenName,
                                                   const Ref<IParamCollection>& results) {
    TGameScreen::ChildScreenClosed(screenName, results);
    const Ref<IGameScreenSlave> self(this);
    const Ref<IParamCollection> profile = ProfileParams();
    if (screenName == "GS_GameBigMosaic") {
        if (!results || !profile) return;
        profile->SetValue(
            "big_mosaic_completed_" + TextOrEmpty(results->GetValue("active_map_part", Variant(""))),
            Variant("yes"));
        IGameScreenOwner* game = GetOwner();
        if (const Ref<IUserProfileCollection> profiles = game ? game->GetUserProfiles() : nullptr)
            profiles->Save(GetEngine());
    } else if (screenName == "GS_GameNonogram") {
        RestartWithSound("scene_show", "sound_show_panel");
        CommandControl(kCommandSceneLevelResult, results);
    } else if (screenName == "GS_SceneShop") {
        ShowLocationLayers(controlScene_.Lock(), Profile(), activeMapPart_);
        CommandControl(kCommandSceneRefreshMagic, nullptr);
        if (results && TextOrEmpty(results->GetValue("quit_to_map", Variant("no"))) == "yes") {
            CloseGameScreen(nullptr);
        } else if (results &&
                   TextOrEmpty(results->GetValue("start_level_after_quit", Variant("no"))) == "yes") {
            CommandControl(kCommandSceneStartCurrent, nullptr);
        } else {
            RestartWithSound("scene_show", "sound_show_panel");
        }
    } else if (screenName == "GS_CompleteScene") {
        const std::string layer =
            ProfileText(profile, "location_layer_" + activeMapPart_, "layer_1");
        const Ref<IControlScene> control = GetControlScene();
        if (profile && control && control->CanBuyMagicItem(layer))
            RestartWithSound("scene_hide", "sound_show_panel");
    } else if (screenName == "GS_LocationCompleted") {
        CloseGameScreen(nullptr);
    }
}

// --- Location completed

void TQuillmarchGameScreenLocationCompleted::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    medallion_ = Weak<IWidget>(FindWidget("medallion"));
}

void TQuillmarchGameScreenLocationCompleted::DetachOwner() {
    medallion_ = nullptr;
    TGameScreen::DetachOwner();
}

void TQuillmarchGameScreenLocationCompleted::Show(const Ref<IParamCollection>& params) {
    TGameScreen::Show(params);
    const auto value = [&params](const char* name, const char* fallback) {
        return params ? TextOrEmpty(params->GetValue(name, Variant(fallback))) : std::string(fallback);
    };
    locationName_ = value("location_name", "");
    if (const Ref<IWidget> name = FindWidget("location_name"))
        name->SetProperty("text", Variant("%" + locationName_ + "%"));
    const Ref<IWidget> text = FindWidget("text");
    const Ref<IWidget> tip = FindWidget("tip");
    if (text && tip) {
        const bool expert = value("location_expert", "no") == "yes";
        text->SetProperty("text", Variant(expert ? "%text_LocationCompletedExpert%"
                                                 : "%text_LocationCompleted%"));
        tip->SetVisible(!expert);
    }
    locationCompletedValue_ = value("location_completed", "no");
    if (const Ref<IWidget> medallion = medallion_.Lock()) medallion->ExecuteCommand(17, params);
}

void TQuillmarchGameScreenLocationCompleted::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                                         const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (!sender || sender->GetName() != "button_ok") return;
    const Ref<IParamCollection> results = NewParams();
    results->SetValue("location_completed", Variant(locationCompletedValue_));
    // The screens below read no more than the completion flag; the key keeps
    // the location's name as the game's screens have always passed it.
    results->SetValue("location_expert", Variant(locationName_));
    CloseGameScreen(results);
}

// --- Replay level

void TQuillmarchGameScreenReplayLevel::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    scenarioGroup_ = Weak<IWidget>(FindWidget("scenario_group"));
}

void TQuillmarchGameScreenReplayLevel::DetachOwner() {
    scenarioGroup_ = nullptr;
    TGameScreen::DetachOwner();
}

void TQuillmarchGameScreenReplayLevel::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreen::BeforeShow(params);
    if (!params) return;
    for (const auto& [label, key] : {std::pair{"EarnedBefore", "old_points"},
                                     {"EarnedNow", "new_points"},
                                     {"EarnedTotal", "add_points"}}) {
        if (const Ref<IWidget> widget = FindWidget(label)) {
            widget->SetProperty("text", Variant(TextOrEmpty(params->GetValue(key, Variant(0)))));
            widget->SetVisible(false);
        }
    }
    for (const char* crystal : {"crystal_EarnedBefore", "crystal_EarnedNow", "crystal_EarnedTotal"}) {
        if (const Ref<IWidget> widget = FindWidget(crystal)) widget->SetVisible(false);
    }
    if (const Ref<IWidget> particles = FindWidget("ps_statlevel"))
        particles->ExecuteCommand(2, nullptr);
}

void TQuillmarchGameScreenReplayLevel::Show(const Ref<IParamCollection>& params) {
    TGameScreen::Show(params);
    if (const Ref<IWidget> group = scenarioGroup_.Lock()) {
        if (const Ref<IWidgetCollection> children = group->GetChildren()) children->Clear();
    }
    ShowResults(params);
}

void TQuillmarchGameScreenReplayLevel::ShowResults(const Ref<IParamCollection>& params) {
    (void)params;
    const Ref<IWidget> group = scenarioGroup_.Lock();
    const Ref<IWidgetCollection> children = group ? group->GetChildren() : nullptr;
    if (!children) return;
    if (const Ref<IWidget> scenario = CreateWidgetFromFactory("scenario_replay_level", nullptr))
        children->AddWidget(scenario);
}

void RegisterLocationScreenClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenScene>(), "QuillmarchGameScreenScene");
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenLocationCompleted>(),
                        "QuillmarchGameScreenLocationCompleted");
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenReplayLevel>(),
                        "QuillmarchGameScreenReplayLevel");
}
