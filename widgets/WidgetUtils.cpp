#include "widgets/WidgetUtils.h"

#include <algorithm>

#include "core/base/Log.h"
#include "core/storage/XMLStorage.h"
#include "widgets/WidgetInternal.h"

std::string WidgetToXMLText(const Ref<IInterface>& source) {
    const Ref<IPersistObject> persist = Query<IPersistObject>(source);
    if (!persist) return {};
    try {
        const Ref<IHierStorageRoot> root = CreateStorage("widget");
        std::string text;
        if (root && root->SaveObject(persist) && root->SaveToXML(text)) return text;
        Log("WIDGET", "A widget could not be written as XML text");
    } catch (const std::exception& e) {
        Log("WIDGET", std::string("A widget could not be written as XML text: ") + e.what());
    }
    return {};
}

Ref<IWidget> WidgetFromXMLText(std::string_view text) {
    try {
        const Ref<IHierStorage> node = LoadStorageFromXML(text);
        if (!node) return nullptr;
        const std::string type = ReadString(node, "type", "");
        const Ref<INamedObject> object = CreateNamedObject(type, ReadString(node, "name", ""));
        Ref<IWidget> widget = Query<IWidget>(object);
        if (!widget) {
            Log("WIDGET", "The widget text names the type \"" + type + "\", which " +
                              (object ? "is no widget" : "is not registered"));
            return nullptr;
        }
        if (const Ref<IPersistObject> persist = Query<IPersistObject>(widget)) persist->Load(node);
        return widget;
    } catch (const Exception& e) {
        Log("WIDGET", "The widget text does not make a widget: " + e.Message());
    }
    return nullptr;
}

Ref<IWidget> CloneWidget(const Ref<IWidget>& source) {
    if (!source) return nullptr;
    return WidgetFromXMLText(WidgetToXMLText(Ref<IInterface>(source)));
}

TRect GetWidgetScreenBounds(const Ref<IWidget>& widget) {
    if (!widget) return {};
    const TPoint origin = widget->ScreenToLocal(0, 0);
    return ShiftRect(widget->GetBounds(), NegateClamped(origin.x), NegateClamped(origin.y));
}

TPoint WidgetLocalToScreen(const Ref<IWidget>& widget, int32_t x, int32_t y) {
    if (!widget) return {};
    const TPoint origin = widget->ScreenToLocal(0, 0);
    return {AddClamped(x, NegateClamped(origin.x)), AddClamped(y, NegateClamped(origin.y))};
}

namespace {

// Counts the pixels covered in both snapshots over the intersection of the
// two places, stopping at the first when firstOnly.
int32_t CountCovered(const Ref<IWidget>& a, const TRect& rectA, const Ref<IWidget>& b,
                     const TRect& rectB, bool firstOnly) {
    if (!a || !b) return 0;
    TRect shared;
    shared.left = std::max(rectA.left, rectB.left);
    shared.top = std::max(rectA.top, rectB.top);
    shared.right = std::min(rectA.right, rectB.right);
    shared.bottom = std::min(rectA.bottom, rectB.bottom);
    if (shared.IsEmpty()) return 0;
    const Ref<ISurface> snapA = a->GetSnapshot();
    const Ref<ISurface> snapB = b->GetSnapshot();
    if (!snapA || !snapB) return 0;
    // Only the part of the intersection that lies inside both snapshots can
    // hold covered pixels; a place larger than its snapshot is empty beyond it.
    const int64_t offAX = int64_t{shared.left} - rectA.left;
    const int64_t offAY = int64_t{shared.top} - rectA.top;
    const int64_t offBX = int64_t{shared.left} - rectB.left;
    const int64_t offBY = int64_t{shared.top} - rectB.top;
    const int64_t columns =
        std::min({shared.Width(), snapA->GetWidth() - offAX, snapB->GetWidth() - offBX});
    const int64_t rows =
        std::min({shared.Height(), snapA->GetHeight() - offAY, snapB->GetHeight() - offBY});
    int32_t count = 0;
    for (int64_t y = 0; y < rows; ++y) {
        const uint32_t* rowA = snapA->GetScanLine(int32_t(offAY + y));
        const uint32_t* rowB = snapB->GetScanLine(int32_t(offBY + y));
        if (!rowA || !rowB) continue;
        for (int64_t x = 0; x < columns; ++x) {
            if ((rowA[offAX + x] >> 24) != 0 && (rowB[offBX + x] >> 24) != 0) {
                ++count;
                if (firstOnly) return count;
            }
        }
    }
    return count;
}

}  // namespace

bool WidgetsOverlap(const Ref<IWidget>& a, const TRect& rectA, const Ref<IWidget>& b,
                    const TRect& rectB) {
    return CountCovered(a, rectA, b, rectB, true) > 0;
}

int32_t CountOverlappingPixels(const Ref<IWidget>& a, const TRect& rectA, const Ref<IWidget>& b,
                               const TRect& rectB) {
    return CountCovered(a, rectA, b, rectB, false);
}

std::string WidgetPathBelow(const Ref<IWidget>& root, const Ref<IWidget>& widget) {
    if (!root || !widget) return {};
    if (widget == root) return root->GetName();
    std::string path;
    for (IWidget* at = widget.get(); at; at = dynamic_cast<IWidget*>(at->GetOwner())) {
        if (at == root.get()) return path;
        path = path.empty() ? at->GetName() : at->GetName() + "/" + path;
    }
    return {};
}

std::string WidgetPathInTree(const Ref<IWidget>& widget) {
    if (!widget) return {};
    IWidget* root = widget.get();
    while (IWidget* up = dynamic_cast<IWidget*>(root->GetOwner())) root = up;
    return WidgetPathBelow(Ref<IWidget>(root), widget);
}
