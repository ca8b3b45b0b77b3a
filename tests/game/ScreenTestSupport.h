// What the standard screens' tests share: screens of the real classes in a
// game definition, probe widgets, and a fixture on the game shell's.
#pragma once

#include <string>

#include "tests/game/GameShellTestSupport.h"
#include "tests/game/ScreenTestClasses.h"

namespace screentest {

using namespace gametest;

// A screen of a registered screen class on the real effect window.
inline std::string RealScreen(const std::string& name, const std::string& type,
                              const std::string& widgets, const std::string& attributes = "") {
    return "<gamescreen name=\"" + name + "\" type=\"" + type + "\" " + attributes +
           "><window><widgets>" + widgets + "</widgets></window></gamescreen>";
}

// A probe (qm_probe_widget) laid out as Leaf does.
inline std::string Probe(const std::string& name, int x, int y, int w, int h,
                         const std::string& attributes = "") {
    std::string text = Leaf(name, x, y, w, h, 0xFF808080, attributes);
    text.replace(text.find("qm_game_leaf"), 12, "qm_probe_widget");
    return text;
}

// A group holding widgets.
inline std::string Group(const std::string& name, const std::string& widgets,
                         const std::string& attributes = "visible=\"yes\"") {
    return "<widget type=\"group_widget\" name=\"" + name + "\" " + attributes + "><widgets>" +
           widgets + "</widgets></widget>";
}

// A resource list of test resources; names before the "|" load at once,
// those after it only when asked.
inline std::string Resources(std::initializer_list<std::string> atOnce,
                             std::initializer_list<std::string> byDemand = {}) {
    std::string text = "<resources><content>";
    for (const std::string& name : atOnce) {
        text += "<resource name=\"" + name + "\" type=\"QmTestResource\" file=\"none\"/>";
    }
    for (const std::string& name : byDemand) {
        text += "<resource name=\"" + name +
                "\" type=\"QmTestResource\" file=\"none\" loadbydemand=\"yes\"/>";
    }
    return text + "</content></resources>";
}

inline Ref<IParamCollection> Params(std::initializer_list<std::pair<std::string, Variant>> values) {
    Ref<IParamCollection> params =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    for (const auto& [name, value] : values) params->SetValue(name, value);
    return params;
}

class ScreenTest : public GameShellTest {
protected:
    // The real screen of that name, as its class.
    template <class T>
    T* As(const std::string& name) const {
        return dynamic_cast<T*>(harness->Screen(name).get());
    }
    // A widget of a screen's window by path.
    Ref<IWidget> WidgetOf(const std::string& screen, const std::string& path) const {
        const Ref<IGameScreenSlave> s = harness->Screen(screen);
        const Ref<IWidget> window = s ? s->GetWindowWidget() : nullptr;
        return window ? window->FindWidget(path) : nullptr;
    }
    TProbeWidget* ProbeOf(const std::string& screen, const std::string& path) const {
        return dynamic_cast<TProbeWidget*>(WidgetOf(screen, path).get());
    }
    // The screen's event handler, told as a control would.
    void Report(const std::string& screen, const std::string& senderPath, int32_t code) const {
        const Ref<IEventHandler> handler = Query<IEventHandler>(harness->Screen(screen));
        ASSERT_TRUE(handler) << screen;
        handler->HandleEvent(WidgetOf(screen, senderPath), code, nullptr);
    }
};

}  // namespace screentest
