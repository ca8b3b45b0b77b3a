#include "world/GameScreenHistory.h"

#include <cmath>
#include <exception>

namespace {

constexpr int32_t kScreenHeight = 768;

}  // namespace

void TQuillmarchGameScreenHistory::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    scenarioGroup_ = Weak<IWidget>(FindWidget("scenario_group"));
}

void TQuillmarchGameScreenHistory::DetachOwner() {
    scenarioGroup_ = nullptr;
    TGameScreen::DetachOwner();
}

void TQuillmarchGameScreenHistory::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreen::BeforeShow(params);
    const Ref<IWidget> group = scenarioGroup_.Lock();
    const Ref<IWidgetCollection> scenarios = group ? group->GetChildren() : nullptr;
    // A scroll of an earlier show stops.
    if (scenarios) scenarios->Clear();
    PrepareMapSurface(params);
    if (const Ref<IWidget> scroll = CreateWidgetFromFactory("scenario_scroll", nullptr)) {
        if (scenarios) scenarios->AddWidget(scroll);
    }
    if (const Ref<IWidget> text = FindWidget("text_history")) {
        text->SetProperty("InitVizualization", Variant("yes"));
    }
}

void TQuillmarchGameScreenHistory::PrepareMapSurface(const Ref<IParamCollection>& params) {
    if (const Ref<IWidget> map = FindWidget("map_surface")) {
        map->SetTop(0);
        map->SetProperty("shifttop", Variant(0));
        map->SetProperty("height", Variant(kScreenHeight));
        if (params) map->SetProperty("surface", params->GetValue("surface", Variant()));
    }
    if (const Ref<IWidget> scroll = FindWidget("scroll")) {
        scroll->SetTop(FiniteNumberOr(scroll->GetProperty("start_y")));
    }
}

void RegisterHistoryScreenClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenHistory>(), "QuillmarchGameScreenHistory");
}
