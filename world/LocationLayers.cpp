#include "world/LocationLayers.h"

#include "nonogram/LevelDefs.h"
#include "world/MapObjects.h"

using mapdetail::ListHolds;
using mapdetail::ProfileText;

void PaintLocationLayers(const Ref<IWidget>& widget, const Ref<IUserProfile>& profile,
                         const std::string& location) {
    if (!widget) return;
    const Ref<IParamCollection> params = profile ? profile->GetParams() : nullptr;
    const std::string layer = ProfileText(params, "location_layer_" + location, "layer_1");
    const std::string bought = ProfileText(params, "items_" + location + layer, "");

    const Ref<IWidget> locations = widget->FindWidget("../locations");
    const Ref<IWidgetCollection> pictures = locations ? locations->GetChildren() : nullptr;
    if (!pictures) return;
    for (int32_t i = 0; i < pictures->GetCount(); ++i) {
        if (const Ref<IWidget> picture = pictures->GetWidgetByIndex(i))
            picture->SetVisible(picture->GetName() == location);
    }

    const Ref<IWidget> picture = locations->FindWidget(location);
    const Ref<IWidgetCollection> layers = picture ? picture->GetChildren() : nullptr;
    if (!layers) return;
    for (int32_t i = 0; i < layers->GetCount(); ++i) {
        const Ref<IWidget> child = layers->GetWidgetByIndex(i);
        if (!child || child->GetName().find("layer") == std::string::npos) continue;
        const bool current = child->GetName() == layer;
        child->SetVisible(current);
        if (const Ref<IWidget> items = child->FindWidget("items")) items->SetVisible(current);
    }

    const Ref<IWidget> current = picture->FindWidget(layer);
    const Ref<IWidget> items = current ? current->FindWidget("items") : nullptr;
    const Ref<IWidgetCollection> list = items ? items->GetChildren() : nullptr;
    if (!list) return;
    items->SetVisible(true);
    for (int32_t i = 0; i < list->GetCount(); ++i) {
        const Ref<IWidget> item = list->GetWidgetByIndex(i);
        if (!item || TextOrEmpty(item->GetProperty("item_type")) != "magic") continue;
        const bool unlocked = ListHolds(bought, item->GetName());
        item->SetProperty("state", Variant(unlocked ? "unlocked" : "locked"));
        item->SetVisible(unlocked);
    }
}

void InstallLocationLayersPainter() {
    SetLocationLayersPainter(PaintLocationLayers);
}

void RemoveLocationLayersPainter() {
    SetLocationLayersPainter(nullptr);
}
