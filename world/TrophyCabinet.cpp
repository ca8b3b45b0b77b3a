#include "world/TrophyCabinet.h"

#include <algorithm>
#include <array>

#include "core/base/SafeConvert.h"
#include "core/base/Utf8.h"
#include "core/lang/MultiLanguages.h"
#include "engine/EngineStartup.h"  // FormatThousands
#include "widgets/TextWidget.h"
#include "world/MapObjects.h"

using namespace mapdetail;

namespace {

struct TTrophyKind {
    const char* name;       // widget name and profile key
    const char* limit;      // game option holding the limit
    const char* variable;   // text variable the limit goes into
    const char* textStem;   // "%<stem>_yes%" / "%<stem>_no%"
};

// The small and big grade of a kind share their texts; only the limit
// differs.
constexpr std::array<TTrophyKind, 13> kTrophies = {{
    {"trophy_error_small", "trophy_error_small_limit", "error_limit", "trophy_error"},
    {"trophy_error_big", "trophy_error_big_limit", "error_limit", "trophy_error"},
    {"trophy_hint_small", "trophy_hint_small_limit", "hint_limit", "trophy_hint"},
    {"trophy_hint_big", "trophy_hint_big_limit", "hint_limit", "trophy_hint"},
    {"trophy_speed_small", "trophy_speed_small_limit", "speed_limit", "trophy_speed"},
    {"trophy_speed_big", "trophy_speed_big_limit", "speed_limit", "trophy_speed"},
    {"trophy_japan", "trophy_bonus_japan_limit", "japan_limit", "trophy_japan"},
    {"trophy_rome", "trophy_bonus_rome_limit", "rome_limit", "trophy_rome"},
    {"trophy_tibet", "trophy_bonus_tibet_limit", "tibet_limit", "trophy_tibet"},
    {"trophy_egypt", "trophy_bonus_egypt_limit", "egypt_limit", "trophy_egypt"},
    {"trophy_greece", "trophy_bonus_greece_limit", "greece_limit", "trophy_greece"},
    {"trophy_aztecs", "trophy_bonus_aztecs_limit", "aztecs_limit", "trophy_aztecs"},
    {"trophy_china", "trophy_bonus_china_limit", "china_limit", "trophy_china"},
}};

bool IsMedalPicture(const std::string& name) {
    return name == "error_medal" || name == "hint_medal" || name == "speed_medal";
}

const TTrophyKind* FindTrophy(const std::string& name) {
    for (const TTrophyKind& kind : kTrophies) {
        if (name == kind.name) return &kind;
    }
    return nullptr;
}

// A look flag as the data's aliases answer it: a Boolean, a number (-1 true)
// or their text.
bool IsSet(const Variant& value) {
    if (value.IsUnassigned()) return false;
    if (const bool* flag = value.Get<bool>()) return *flag;
    if (value.IsNumeric()) return value.ToDouble() != 0.0;
    const std::string text = TextOrEmpty(value);
    double number = 0;
    if (TryTextToFloat(text, number)) return number != 0.0;
    return text == "yes" || text == "true";
}

// A widget's number property; fallback when it holds no number.
double Number(const Ref<IWidget>& widget, const std::string& name, double fallback = 0.0) {
    const Variant value = widget->GetProperty(name);
    if (value.IsUnassigned()) return fallback;
    if (value.IsNumeric()) return value.ToDouble();
    double number = 0;
    return TryTextToFloat(TextOrEmpty(value), number) ? number : fallback;
}

// The fade of the owned look: 0 to 255 over its first 800 ms.
constexpr double kTrophyFadeMs = 800.0;
constexpr int32_t kTrophyParticles = 500;

}  // namespace

// ---------------------------------------------------------------------------
// TQuillmarchGameScreenTrophy

Ref<IParamCollection> TQuillmarchGameScreenTrophy::ProfileParams() {
    IGameScreenOwner* game = GetOwner();
    const Ref<IUserProfileCollection> profiles = game ? game->GetUserProfiles() : nullptr;
    const Ref<IUserProfile> profile = profiles ? profiles->GetCurrent() : nullptr;
    return profile ? profile->GetParams() : nullptr;
}

void TQuillmarchGameScreenTrophy::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    scenarioGroup_ = Weak<IWidget>(FindWidget("scenario_group"));
}

void TQuillmarchGameScreenTrophy::DetachOwner() {
    scenarioGroup_ = nullptr;
    hovered_ = nullptr;
    TGameScreen::DetachOwner();
}

void TQuillmarchGameScreenTrophy::Show(const Ref<IParamCollection>& params) {
    TGameScreen::Show(params);
    // Reveals left from an earlier showing.
    if (const Ref<IWidget> group = scenarioGroup_.Lock()) {
        if (const Ref<IWidgetCollection> children = group->GetChildren()) children->Clear();
    }
    // A bubble from an earlier showing belongs to no pointer now.
    hovered_ = nullptr;
    if (const Ref<IWidget> info = FindWidget("info")) info->SetVisible(false);
    const Ref<IParamCollection> profile = ProfileParams();
    if (!profile) return;
    if (!ProfileText(profile, "show_trophy", "").empty()) ShowGameScreen("GS_NewTrophy", nullptr);
    FillCabinet();
}

void TQuillmarchGameScreenTrophy::FillCabinet() {
    const Ref<IParamCollection> profile = ProfileParams();
    if (!profile) return;
    const Ref<IUserProfile> current = GetOwner()->GetUserProfiles()->GetCurrent();
    // A player's name: as typed, never translated, cut with an ellipsis.
    if (const Ref<IWidget> widget = FindWidget("user")) {
        if (const Ref<ITextWidget> user = Query<ITextWidget>(widget)) {
            user->SetText(FitWithEllipsis(*user, UTF8ToWide(current->GetName())));
        } else {
            widget->SetProperty("text_utf8", Variant(current->GetName()));
        }
    }
    for (const char* kind : {"error", "hint", "speed"}) {
        const std::string base = kind;
        if (const Ref<IWidget> counter =
                FindWidget(base + "_medal_counter/" + base + "_medal_received")) {
            counter->SetProperty("text",
                                 Variant(ProfileText(profile, base + "_medals", "0")));
        }
    }
    const Ref<IWidget> trophies = FindWidget("trophies");
    const Ref<IWidgetCollection> children = trophies ? trophies->GetChildren() : nullptr;
    if (!children) return;
    const std::string fresh = ProfileText(profile, "show_trophy", "");
    for (int32_t i = 0; i < children->GetCount(); ++i) {
        const Ref<IWidget> trophy = children->GetWidgetByIndex(i);
        if (!trophy) continue;
        const std::string name = trophy->GetName();
        if (ProfileText(profile, name, "no") != "yes") {
            trophy->SetProperty("trophy_yes", Variant(0));
            trophy->SetProperty("trophy_no", Variant(-1));
        } else if (name.empty() || fresh.find(name) == std::string::npos) {
            trophy->SetProperty("trophy_yes", Variant(-1));
            trophy->SetProperty("trophy_no", Variant(0));
        } else {
            // Neither look: the reveal brings in the owned one.
            trophy->SetProperty("trophy_yes", Variant(0));
            trophy->SetProperty("trophy_no", Variant(0));
            const Ref<IWidget> group = scenarioGroup_.Lock();
            const Ref<IWidgetCollection> scenarios = group ? group->GetChildren() : nullptr;
            if (!scenarios) continue;
            const Ref<IParamCollection> params = NewParams();
            params->SetValue("name", Variant(name));
            params->SetValue("trophy_name", Variant(name));
            if (const Ref<IWidget> reveal = CreateWidgetFromFactory("scenario_show_trophy", params))
                scenarios->AddWidget(reveal);
        }
    }
    profile->SetValue("show_trophy", Variant(""));
}

Ref<IWidget> TQuillmarchGameScreenTrophy::TrophyAt(int32_t x, int32_t y) {
    const Ref<IWidget> trophies = FindWidget("trophies");
    const Ref<IWidgetCollection> children = trophies ? trophies->GetChildren() : nullptr;
    if (!children) return nullptr;
    TPoint point{x, y};
    if (const Ref<IWidgetOwner> content = Query<IWidgetOwner>(trophies))
        point = content->ScreenToClient(x, y);
    for (int32_t i = 0; i < children->GetCount(); ++i) {
        const Ref<IWidget> child = children->GetWidgetByIndex(i);
        if (child && child->ContainsPoint(point.x, point.y, false)) return child;
    }
    return nullptr;
}

void TQuillmarchGameScreenTrophy::Update(int32_t elapsedMs) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::Update(elapsedMs);
    if (!GetShown()) return;
    const Ref<IEngine> engine = GetEngine();
    if (!engine) return;
    const TPoint mouse = engine->GetMousePos();
    const Ref<IWidget> found = TrophyAt(mouse.x, mouse.y);
    const Ref<IWidget> hovered = hovered_.Lock();
    if (found && !hovered) {
        hovered_ = Weak<IWidget>(found);
        ShowTrophyInfo(true, found);
    } else if (found && found != hovered) {
        ShowTrophyInfo(false, hovered);
        hovered_ = Weak<IWidget>(found);
        ShowTrophyInfo(true, found);
    } else if (!found && hovered) {
        ShowTrophyInfo(false, nullptr);
        hovered_ = nullptr;
    }
}

bool TQuillmarchGameScreenTrophy::IsBeingRevealed(const Ref<IWidget>& trophy) {
    const Ref<IWidget> group = scenarioGroup_.Lock();
    const Ref<IWidgetCollection> scenarios = group ? group->GetChildren() : nullptr;
    if (!scenarios) return false;
    const Ref<IWidget> reveal = scenarios->GetWidgetByName(trophy->GetName());
    return reveal && !reveal->GetDead();
}

void TQuillmarchGameScreenTrophy::ShowTrophyInfo(bool show, const Ref<IWidget>& widget) {
    const Ref<IWidget> info = FindWidget("info");
    if (!info) return;
    if (!show || !widget) {
        info->SetVisible(false);
        return;
    }
    const bool medal = IsMedalPicture(widget->GetName());
    const double initX = Number(widget, "init_x");
    const double initY = Number(widget, "init_y");
    const double width = Number(widget, "width", widget->GetWidth());
    const double height = Number(widget, "height", widget->GetHeight());
    const double infoWidth = Number(info, "width", info->GetWidth());
    const double infoHeight = Number(info, "height", info->GetHeight());
    info->SetProperty("anchor_left", Variant(initX - (infoWidth - width) / 2.0));
    double top = initY - infoHeight + (medal ? 5.0 : 10.0);
    // A bubble that would reach the top edge goes below the picture.
    if (top <= 0) top = initY + height - 5.0;
    info->SetProperty("anchor_top", Variant(top));
    if (medal) {
        info->SetProperty("text", Variant(TrophyText(false, widget)));
        info->SetVisible(true);
        return;
    }
    // A trophy in its reveal has no look yet to explain. The look flags may
    // read back the looks' visibility, which the reveal turns on early, so
    // the running reveal is asked first.
    if (IsBeingRevealed(widget)) return;
    std::string text;
    if (IsSet(widget->GetProperty("trophy_yes"))) {
        text = TrophyText(true, widget);
    } else if (IsSet(widget->GetProperty("trophy_no"))) {
        text = TrophyText(false, widget);
    } else {
        return;
    }
    info->SetProperty("text_utf8", Variant(text));
    info->SetVisible(true);
}

std::string TQuillmarchGameScreenTrophy::TrophyText(bool owned, const Ref<IWidget>& widget) {
    if (!widget) return "";
    const std::string name = widget->GetName();
    if (IsMedalPicture(name)) return TextOrEmpty(widget->GetProperty("hint_text"));
    const TTrophyKind* kind = FindTrophy(name);
    if (!kind) return "";
    IGameScreenOwner* game = GetOwner();
    std::string limit = game ? TextOrEmpty(game->GetOption(kind->limit)) : "";
    int64_t number = 0;
    // Points as every number is shown: with thousands separators.
    if (TryTextToInt64(limit, number)) limit = FormatThousands(number);
    SetTextVariable(kind->variable, limit);
    return Translate(std::string("%") + kind->textStem + (owned ? "_yes%" : "_no%"));
}

// ---------------------------------------------------------------------------
// TScenarioShowTrophy

void TScenarioShowTrophy::Create() {
    TStateScenario::Create();
    AddState("enter", "show_trophy", &TScenarioShowTrophy::EnterStart,
             &TScenarioShowTrophy::AlwaysTrue);
    AddState("show_trophy", "exit", &TScenarioShowTrophy::EnterShowTrophy,
             &TScenarioShowTrophy::IsTimeoutReached, nullptr,
             &TScenarioShowTrophy::ProcessShowTrophy);
    AddState("exit", "", &TScenarioShowTrophy::EnterExit);
}

void TScenarioShowTrophy::Detach() {
    trophy_ = nullptr;
    full_ = nullptr;
    TStateScenario::Detach();
}

void TScenarioShowTrophy::EnterStart() {
    IWidgetOwner* owner = GetOwner();
    const Ref<IWidget> trophy =
        owner ? owner->FindWidget("../../trophies/" + TextOrEmpty(GetProperty("trophy_name"))) : nullptr;
    trophy_ = Weak<IWidget>(trophy);
    const Ref<IWidget> full = trophy ? trophy->FindWidget("full") : nullptr;
    full_ = Weak<IWidget>(full);
    if (full) {
        full->SetTransparentLevel(0);
        full->SetVisible(true);
    }
    if (const Ref<IWidget> empty = trophy ? trophy->FindWidget("empty") : nullptr)
        empty->SetVisible(false);
}

void TScenarioShowTrophy::EnterShowTrophy() {
    SetStateTimeout(static_cast<int32_t>(
        std::clamp<int64_t>(Whole(GetProperty("duration"), 0), 0, INT32_MAX)));
    const Ref<IWidget> particles = CreateFactoryWidget("ps", nullptr);
    const Ref<IWidgetCollection> children = GetChildren();
    if (!particles || !children) return;
    particles->ExecuteCommand(2, nullptr);
    const Ref<IWidget> trophy = trophy_.Lock();
    if (const Ref<IWidget> empty = trophy ? trophy->FindWidget("empty") : nullptr)
        particles->SetProperty("surface", Variant(empty->GetSnapshot()));
    particles->SetVisible(true);
    particles->SetPaused(false);
    if (trophy) {
        particles->SetLeft(Number(trophy, "init_x"));
        particles->SetTop(Number(trophy, "init_y"));
    }
    particles->SetProperty("init_creation_count", Variant(kTrophyParticles));
    particles->SetProperty("delta_step", Variant(-1));
    children->AddWidget(particles);
}

void TScenarioShowTrophy::ProcessShowTrophy() {
    const Ref<IWidget> full = full_.Lock();
    if (!full) return;
    const double share = std::min(GetTimeInState() / kTrophyFadeMs, 1.0);
    full->SetTransparentLevel(SaturatingRound<uint8_t>(255.0 * share));
}

void TScenarioShowTrophy::EnterExit() {
    // The trophy is owned from now on: its flags say so, so that its bubble
    // speaks for the rest of the visit.
    if (const Ref<IWidget> trophy = trophy_.Lock()) {
        trophy->SetProperty("trophy_yes", Variant(-1));
        trophy->SetProperty("trophy_no", Variant(0));
    }
    SetDead(true);
}

void RegisterTrophyClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenTrophy>(), "QuillmarchGameScreenTrophy");
    RegisterObjectClass(ClassOf<TScenarioShowTrophy>(), "scenario_show_trophy");
}
