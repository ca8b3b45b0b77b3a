// The tool switch beside the nonogram board ("QuillmarchControlTools"): it
// holds the player's tool, the arrow (which opens full cells) or the hammer
// (which breaks empty ones), shows it by moving its child "frame" onto the
// tool's image and by switching the game's cursor, and can be switched off
// as a whole when the right button is the hammer. The board reads its
// properties "tools_state" ("active" or the last other state given) and
// "active_tool" ("arrow" or "hammer").
//
// The images are found through the owner at
// "control_game_nonogram/image_select" and ".../image_hammer", or at the
// paths in the control's own properties "arrow" and "hammer". The frame
// carries "arrow_x", "arrow_y", "hammer_x" and "hammer_y": its place over
// each tool.
//
// Commands: 13 applies "tools_state" from its params ("active" enables the
// images, shows the frame and selects the arrow; anything else sets the
// "default" cursor, disables the images and hides the frame); 14 selects
// the tool named by "active_tool", or toggles without params, only while
// both images are visible; 18 selects the arrow.
//
// Failures: a missing frame or image is skipped.
#pragma once

#include <cstdint>
#include <string>

#include "widgets/ControlWidget.h"

class TQuillmarchControlTools : public TControlWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override;

    // 0 the arrow, 1 the hammer.
    uint8_t GetActiveTool() const { return activeTool_; }
    const std::string& GetToolsState() const { return toolsState_; }
    void SelectTool(uint8_t tool);

private:
    static Variant ToolsStateProperty(TQuillmarchControlTools& tools);
    static Variant ActiveToolProperty(TQuillmarchControlTools& tools);
    Ref<IWidget> FindImage(const char* standardPath, const char* property);

    Weak<IWidget> selectImage_;
    Weak<IWidget> hammerImage_;
    uint8_t activeTool_ = 0;
    std::string toolsState_;
    Weak<IWidget> frame_;
};

// Registers "QuillmarchControlTools".
void RegisterToolClasses();
