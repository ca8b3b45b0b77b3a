#include "nonogram/ControlTools.h"

#include <cmath>

#include "nonogram/GameServices.h"

namespace {

}  // namespace

const TPropertyTable& TQuillmarchControlTools::Table() {
    using W = TQuillmarchControlTools;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TControlWidget::Table())
            .Custom("tools_state", &W::ToolsStateProperty, nullptr)
            .Custom("active_tool", &W::ActiveToolProperty, nullptr)
            .Build();
    // clang-format on
    return table;
}

Variant TQuillmarchControlTools::ToolsStateProperty(TQuillmarchControlTools& tools) {
    return Variant(tools.toolsState_);
}

Variant TQuillmarchControlTools::ActiveToolProperty(TQuillmarchControlTools& tools) {
    return Variant(std::string(tools.activeTool_ == 0 ? "arrow" : "hammer"));
}

Ref<IWidget> TQuillmarchControlTools::FindImage(const char* standardPath, const char* property) {
    IWidgetOwner* owner = GetOwner();
    if (!owner) return nullptr;
    if (Ref<IWidget> image = owner->FindWidget(standardPath)) return image;
    const std::string path = TextOrEmpty(GetProperty(property));
    return path.empty() ? nullptr : owner->FindWidget(path);
}

void TQuillmarchControlTools::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    selectImage_ = Weak<IWidget>(FindImage("control_game_nonogram/image_select", "arrow"));
    hammerImage_ = Weak<IWidget>(FindImage("control_game_nonogram/image_hammer", "hammer"));
    frame_ = Weak<IWidget>(FindWidget("frame"));
}

void TQuillmarchControlTools::Detach() {
    selectImage_ = nullptr;
    hammerImage_ = nullptr;
    frame_ = nullptr;
    TControlWidget::Detach();
}

void TQuillmarchControlTools::SelectTool(uint8_t tool) {
    const Ref<IWidget> frame = frame_.Lock();
    const char* prefix = tool == 0 ? "arrow" : "hammer";
    if (tool != 0) SetGameCursor(GetOwner(), "hammer");
    if (frame) {
        frame->SetLeft(FiniteNumberOr(frame->GetProperty(std::string(prefix) + "_x")));
        frame->SetTop(FiniteNumberOr(frame->GetProperty(std::string(prefix) + "_y")));
    }
    if (tool == 0) SetGameCursor(GetOwner(), "arrow");
    activeTool_ = tool;
}

void TQuillmarchControlTools::ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) {
    TControlWidget::ExecuteCommand(command, params);
    const Ref<TQuillmarchControlTools> self(this);
    switch (command) {
        case 13: {
            if (!params) return;
            toolsState_ = TextOrEmpty(params->GetValue("tools_state", Variant()));
            const bool active = toolsState_ == "active";
            if (!active) SetGameCursor(GetOwner(), "default");
            for (const Weak<IWidget>* image : {&selectImage_, &hammerImage_}) {
                if (const Ref<IWidget> widget = image->Lock()) widget->SetEnabled(active);
            }
            if (const Ref<IWidget> frame = frame_.Lock()) frame->SetVisible(active);
            if (active) SelectTool(0);
            break;
        }
        case 14: {
            const Ref<IWidget> select = selectImage_.Lock();
            const Ref<IWidget> hammer = hammerImage_.Lock();
            if (!select || !hammer || !select->GetVisible() || !hammer->GetVisible()) return;
            if (params) {
                const std::string name = TextOrEmpty(params->GetValue("active_tool", Variant()));
                if (name == "hammer") SelectTool(1);
                if (name == "arrow") SelectTool(0);
            } else {
                SelectTool(activeTool_ == 0 ? 1 : 0);
            }
            break;
        }
        case 18:
            SelectTool(0);
            break;
        default:
            break;
    }
}

void RegisterToolClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchControlTools>(), "QuillmarchControlTools");
}
