#include "minigames/MosaicStatScreen.h"

#include "minigames/MosaicValues.h"
#include "widgets/ControlWidget.h"

using namespace mosaic;

namespace {

// The command that empties a particle effect.
constexpr int32_t kCommandClearParticles = 2;

}  // namespace

void TQuillmarchGameScreenBigMosaicStat::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreen::BeforeShow(params);
    if (const Ref<IWidget> tips = FindWidget("levelTips")) tips->SetVisible(false);
    if (const Ref<IWidget> caption = FindWidget("label_levelTips")) caption->SetVisible(true);
    if (const Ref<IWidget> particles = FindWidget("ps_statlevel")) {
        particles->ExecuteCommand(kCommandClearParticles, nullptr);
    }
}

void TQuillmarchGameScreenBigMosaicStat::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    scenarioGroup_ = Weak<IWidget>(FindWidget("scenario_group"));
}

void TQuillmarchGameScreenBigMosaicStat::DetachOwner() {
    scenarioGroup_ = nullptr;
    TGameScreen::DetachOwner();
}

void TQuillmarchGameScreenBigMosaicStat::Show(const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::Show(params);
    if (const Ref<IWidget> group = scenarioGroup_.Lock()) {
        if (const Ref<IWidgetCollection> children = group->GetChildren()) children->Clear();
    }
    ShowLevelTips(params);
}

void TQuillmarchGameScreenBigMosaicStat::ShowLevelTips(const Ref<IParamCollection>& params) {
    if (!params) return;
    const Ref<IWidget> tips = FindWidget("levelTips");
    if (!tips) return;
    tips->SetProperty("text", Variant(TextOrEmpty(params->GetValue("level_tips", Variant("")))));
    tips->SetVisible(true);
}

void TQuillmarchGameScreenBigMosaicStat::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                                     const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (sender && code == kEventButtonClick && sender->GetName() == "button_ok")
        CloseGameScreen(nullptr);
}

void RegisterMosaicStatScreenClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenBigMosaicStat>(),
                        "QuillmarchGameScreenBigMosaicStat");
}
