// What the level-flow and level-screen tests share:
//
// - "lf_control": a group that notes every command it gets ("command <name>
//   <code> <params>") and answers "tools_state" with the last one command 13
//   gave it: a stand-in board or tool switch.
// - "lf_text": the level-name reveal; "visualization_time" as its data says,
//   noting "reveal <LevelName>" when "InitVizualization" is set.
// - "lf_falling": a falling copy; "durationtime" as its data says, keeping
//   "delaytime" and whether a "surface" was given.
// - LevelScreenFactories(): the factories a level screen's board needs for
//   its scenarios, the real scenario classes among them.
// - LevelScreen(), RealBoardOpen(), RealTools(), LevelFile(): the real level
//   screen with its panel, the real board and tool switch, a level file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/object/GeneralClasses.h"
#include "tests/game/GameTestClasses.h"
#include "tests/nonogram/NonogramTestSupport.h"
#include "widgets/GroupWidgets.h"
#include "widgets/WidgetClasses.h"

namespace nonogramtest {

class TFlowControl : public TVisualGroupWidget {
public:
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override {
        gametest::Note("command " + GetName() + " " + std::to_string(command) + " " +
                       gametest::ParamsText(params));
        if (command == 13 && params) toolsState_ = params->GetValue("tools_state", Variant());
        TVisualGroupWidget::ExecuteCommand(command, params);
    }
    Variant GetProperty(const std::string& name) override {
        if (name == "tools_state") return toolsState_;
        return TVisualGroupWidget::GetProperty(name);
    }

private:
    Variant toolsState_;
};

class TFlowText : public TSingleWidget {
public:
    static const TPropertyTable& Table() {
        using W = TFlowText;
        // clang-format off
        static const TPropertyTable table =
            TPropertyTable::Builder<W>(TSingleWidget::Table())
                .Field("visualization_time", &W::time_, 0)
                .Field("LevelName", &W::levelName_)
                .Build();
        // clang-format on
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }
    void SetProperty(const std::string& name, const Variant& value) override {
        if (name == "InitVizualization") {
            gametest::Note("reveal " + levelName_);
            return;
        }
        TSingleWidget::SetProperty(name, value);
    }

private:
    int32_t time_ = 0;
    std::string levelName_;
};

class TFlowFalling : public TSingleWidget {
public:
    static const TPropertyTable& Table() {
        using W = TFlowFalling;
        // clang-format off
        static const TPropertyTable table =
            TPropertyTable::Builder<W>(TSingleWidget::Table())
                .Field("durationtime", &W::duration_, 0)
                .Field("delaytime", &W::delay_, 0)
                .Build();
        // clang-format on
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }
    void SetProperty(const std::string& name, const Variant& value) override {
        if (name == "surface") {
            hasSurface = Query<ISurface>(value.ToInterface()) != nullptr;
            return;
        }
        TSingleWidget::SetProperty(name, value);
    }
    int32_t Delay() const { return delay_; }

    bool hasSurface = false;

private:
    int32_t duration_ = 0;
    int32_t delay_ = 0;
};

inline void RegisterLevelFlowTestClasses() {
    RegisterObjectClass(ClassOf<TFlowControl>(), "lf_control");
    RegisterObjectClass(ClassOf<TFlowText>(), "lf_text");
    RegisterObjectClass(ClassOf<TFlowFalling>(), "lf_falling");
}

inline constexpr TUnit kLevelFlowTestUnits[] = {
    {"LevelFlowTestClasses", RegisterLevelFlowTestClasses, nullptr}};

struct TFlowFactories {
    int32_t revealMs = 300;  // the level name's reveal; < 0: no factory
    int32_t fallMs = 400;    // a falling copy's fall; < 0: no factory
    bool appearance = true;  // the appearance copies of the board's size
    int32_t errorMs = 500;   // the error marker's flight
    bool startLevel = true;  // the level's start scenario
    std::string errorPath =
        R"(<function name="path" type="path_segment"><paramspace><paramdefs>)"
        R"(<paramdef name="X" col="0" row="0" static="yes"/>)"
        R"(<paramdef name="Y" col="0" row="1" static="yes"/>)"
        R"(<paramdef name="T" col="1" row="0" static="yes"/>)"
        R"(<paramdef name="X1" col="2" row="0" static="yes"/>)"
        R"(<paramdef name="Y1" col="2" row="1" static="yes"/>)"
        R"(<paramdef name="X2" col="2" row="2" static="yes"/>)"
        R"(<paramdef name="Y2" col="2" row="3" static="yes"/>)"
        R"(<paramdef name="TotalTime" col="2" row="4" static="yes"/>)"
        R"(<paramdef name="Length" col="2" row="5" static="yes"/>)"
        R"(</paramdefs></paramspace></function>)";
};

// The scenarios, named like their factories, and what they create, for a
// rows × cols board. The start scenarios take "rows", "cols" and
// "LevelName" as creation parameters; the error marker is named after its
// cell ("%name%", as the breaking cells of Factories() are not).
inline std::string LevelScreenFactories(int32_t rows, int32_t cols, const TFlowFactories& f = {}) {
    std::string text;
    const std::string startParams =
        R"( usemacros="no" redefinedparams="rows=rows\cols=cols\LevelName=LevelName")";
    for (const char* name : {"scenario_start_level", "scenario_nonogram_start_round"}) {
        if (!f.startLevel && std::string(name) == "scenario_start_level") continue;
        text += "<widgetfactory name=\"" + std::string(name) + "\" type=\"WidgetFactory\"" +
                startParams + "><widgetstring><widget type=\"" + name + "\" name=\"" + name +
                R"(" visible="yes" extraparams="rows=0\cols=0\LevelName="><widgets>)"
                R"(<widget type="group_widget" name="cells" visible="yes"/>)"
                "</widgets></widget></widgetstring></widgetfactory>";
    }
    for (const char* name : {"scenario_end_level", "scenario_nonogram_end_round",
                             "scenario_show_final_picture"}) {
        text += Factory(name, "<widget type=\"" + std::string(name) + "\" name=\"" + name +
                                  "\" visible=\"yes\"/>");
    }
    text += Factory("scenario_failed_level",
                    R"(<widget type="scenario_failed_level" name="scenario_failed_level" visible="yes"><widgets>)"
                    R"(<widget type="group_widget" name="cells"/></widgets></widget>)");
    text += Factory("scenario_nonogram_error",
                    R"(<widget type="scenario_nonogram_error" name="%name%" visible="yes" )"
                    R"(extraparams="duration=)" +
                        std::to_string(f.errorMs) +
                        R"(\end_x=600\end_y=20\init_x=%init_x%\init_y=%init_y%"><widgets>)"
                        R"(<widget type="nono_leaf" name="error" width="6" height="6"/>)"
                        R"(</widgets>)" +
                        f.errorPath + "</widget>");
    if (f.revealMs >= 0) {
        // Without macros, so that the name keeps its line break.
        text += R"(<widgetfactory name="text_visualization" type="WidgetFactory" usemacros="no" )"
                R"(redefinedparams="LevelName=LevelName"><widgetstring>)"
                R"(<widget type="lf_text" name="level_name" visible="yes" visualization_time=")" +
                std::to_string(f.revealMs) + R"("/></widgetstring></widgetfactory>)";
    }
    if (f.appearance) {
        text += Factory("appearance_cell" + std::to_string(rows) + "_" + std::to_string(cols),
                        R"(<widget type="nono_leaf" name="%name%" visible="yes" paused="yes" )"
                        R"(anchor_left="%anchor_left%" anchor_top="%anchor_top%" width="10" height="10"/>)");
    }
    if (f.fallMs >= 0) {
        text += Factory("falling_cell",
                        R"(<widget type="lf_falling" name="fall_%name%" visible="yes" paused="yes" )"
                        R"(anchor_left="%anchor_left%" anchor_top="%anchor_top%" delaytime="%delaytime%" )"
                        R"(durationtime=")" +
                            std::to_string(f.fallMs) + R"("/>)");
    }
    return text;
}

// A leaf of the side panel at left, with the place it slides in to.
inline std::string PanelLeaf(const std::string& name, int left, int initX,
                             const std::string& extra = "") {
    return "<widget type=\"nono_leaf\" name=\"" + name +
           "\" visible=\"yes\" mousestop=\"yes\" width=\"10\" height=\"10\" anchor_left=\"" +
           std::to_string(left) + "\" anchor_top=\"300\" extraparams=\"init_x=" +
           std::to_string(initX) + "\\start_x=" + std::to_string(initX) + extra + "\"/>";
}

// The level screen's side panel: timer, menu button, panel, errors and
// the two tool images.
inline std::string PanelWidgets() {
    std::string text;
    for (const char* name : {"timer", "button_menu", "nonogram_panel"})
        text += PanelLeaf(name, 300, 500);
    text += PanelLeaf("errors", 300, 500, "\\value=0\\error_pos=0\\current_value=0");
    return text + R"(<widget type="nono_leaf" name="image_select" visible="yes" anchor_left="5" extraparams="start_x=610"/>
                     <widget type="nono_leaf" name="image_hammer" visible="yes" anchor_left="5" extraparams="start_x=622"/>)";
}

// The level screen ("GS_GameNonogram", the real screen class) around a
// board and a tool switch given as widget text.
inline std::string LevelScreen(const std::string& boardOpen, const std::string& boardInside,
                               const std::string& tools) {
    return R"(<gamescreen name="GS_GameNonogram" type="QuillmarchGameScreenGameNonogram"><window><widgets>
                <widget type="group_widget" name="bg_group" visible="yes"><widgets>
                  <widget type="nono_leaf" name="blackout" visible="yes"/>
                </widgets></widget>)" +
           boardOpen + R"(<widgets>
                  <widget type="nono_leaf" name="title" visible="yes" extraparams="text_utf8="/>
                  <widget type="group_widget" name="grid" visible="yes"><widgets>
                    <widget type="group_widget" name="cells" visible="yes"/>
                    <widget type="group_widget" name="digits" visible="yes"/>
                  </widgets></widget>
                  <widget type="group_widget" name="scenario_group" visible="yes"/>)" +
           boardInside + PanelWidgets() + "</widgets></widget>" + tools +
           R"(<widget type="group_widget" name="hint_buttons" visible="yes" anchor_left="300" extraparams="init_x=560"><widgets>
                  <widget type="qm_game_leaf" name="hint_1" visible="yes" anchor_left="560" anchor_top="400" width="8" height="8"/>
                  <widget type="qm_game_leaf" name="hint_3" visible="yes" anchor_left="580" anchor_top="400" width="8" height="8"/>
                  <widget type="nono_leaf" name="title_hints" visible="yes"/>
                </widgets></widget>
                <widget type="qm_game_leaf" name="button_close" visible="yes" mousestop="yes" anchor_left="600" anchor_top="440" width="20" height="20"/>
              </widgets></window></gamescreen>)";
}

// The opening of the real board of a rows × cols level, 640 × 480, with its
// grid definition, cell factories and the level screen's scenarios; the
// breaking cells are named after their cell, as the error markers are.
inline std::string RealBoardOpen(int32_t rows, int32_t cols, const TFlowFactories& factories = {}) {
    return R"(<widget type="QuillmarchControlGameNonogram" name="control_game_nonogram" visible="yes" mousestop="yes" width="640" height="480">)"
           "<grids>" +
           GridDef(rows, cols) + "</grids><widgetfactories>" + Factories(rows, cols, {0, 1}, false) +
           Factory("breaking_cell" + std::to_string(rows) + "_" + std::to_string(cols),
                   R"(<widget type="nono_leaf" name="%name%" width="10" height="10" paused="yes"/>)") +
           LevelScreenFactories(rows, cols, factories) + "</widgetfactories>";
}

// The real tool switch, its frame at the arrow's place.
inline std::string RealTools() {
    return R"(<widget type="QuillmarchControlTools" name="control_tools" visible="yes"><widgets>
                <widget type="nono_leaf" name="frame" visible="yes" anchor_left="300" extraparams="arrow_x=610\arrow_y=2\hammer_x=622\hammer_y=2"/>
              </widgets></widget>)";
}

// A level file named "7", "Crane", of the picture (rows of colour codes),
// with more "extraparams" after its size.
inline std::string LevelFile(const std::vector<std::string>& picture, const std::string& extra) {
    std::string xml = "<level name=\"7\" LevelName=\"Crane\" extraparams=\"rows=" +
                      std::to_string(picture.size()) + "\\cols=" +
                      std::to_string(picture[0].size()) + "\\" + extra + "\"><rows>";
    for (size_t i = 0; i < picture.size(); ++i)
        xml += "<row name=\"r" + std::to_string(i) + "\" cells=\"" + picture[i] + "\"/>";
    return xml + "</rows></level>";
}

}  // namespace nonogramtest
