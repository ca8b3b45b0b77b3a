// The widget tests' own classes: a leaf that paints a colour and records
// what happens to it ("test_widget"), and a function object that stands in
// for the real ones ("test_function").
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/base/ParamStringUtils.h"
#include "core/object/GeneralClasses.h"
#include "engine/surface/EngineSurface.h"
#include "functions/FunctionInterfaces.h"
#include "widgets/GroupWidgets.h"
#include "widgets/WidgetClasses.h"

namespace widgettest {

// What the test widgets did, in order: "update a 10", "attach a",
// "detach a", "render a", "destroy a".
inline std::vector<std::string>& Journal() {
    static std::vector<std::string> journal;
    return journal;
}
// Off: the test widgets record nothing (and so allocate nothing).
inline bool& JournalOn() {
    static bool on = true;
    return on;
}
inline void Note(const std::string& line) {
    Journal().push_back(line);
}

// A leaf of its own size that covers its rectangle with "color" (through the
// surface, so drawing keeps to the dirty rectangles) and records its calls.
class TTestWidget : public TSingleWidget {
public:
    ~TTestWidget() override {
        if (JournalOn()) Note("destroy " + Name());
    }

    static const TPropertyTable& Table() {
        static const TPropertyTable table =
            TPropertyTable::Builder<TTestWidget>(TSingleWidget::Table())
                .Field("color", &TTestWidget::color_, 0u)
                .Color()
                .Build();
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void DoUpdate(int32_t elapsedMs) override {
        TSingleWidget::DoUpdate(elapsedMs);
        ++updates;
        lastElapsed = elapsedMs;
        if (JournalOn()) Note("update " + Name() + " " + std::to_string(elapsedMs));
        if (onUpdate) {
            // The hook may remove this widget: it is held meanwhile.
            const Ref<IWidget> self(this);
            const auto hook = onUpdate;
            hook(*this);
        }
    }
    void Attach(IWidgetOwner* owner) override {
        TSingleWidget::Attach(owner);
        if (JournalOn()) Note("attach " + Name());
    }
    void Detach() override {
        if (JournalOn()) Note("detach " + Name());
        TSingleWidget::Detach();
    }
    // Records the event; a left release inside the widget reports code 1 to
    // the owner's event handler, as a button would.
    bool HandleEvent(int32_t code, int32_t x, int32_t y, int32_t shift) override {
        if (JournalOn()) {
            Note("mouse " + Name() + " " + std::to_string(code) + " " + std::to_string(x) + "," +
                 std::to_string(y) + " " + std::to_string(shift));
        }
        if (code == 12 && GetOwner()) {
            if (const Ref<IEventHandler> handler = GetOwner()->GetEventHandler()) {
                handler->HandleEvent(Ref<IWidget>(this), 1, nullptr);
            }
        }
        return true;
    }
    void Render(ISurface& surface, int32_t x, int32_t y) override {
        ++renders;
        const int32_t w = GetWidth(), h = GetHeight();
        if (w <= 0 || h <= 0) return;
        if (!scratch_) scratch_ = MakeRef<TSurface>();
        if (scratch_->GetWidth() != w || scratch_->GetHeight() != h) scratch_->SetSize(w, h);
        surface.DrawColored(color_, scratch_.get(), {0, 0, w, h}, {x, y, x + w, y + h},
                            GetTransparentLevel(), bm_Normal);
    }

    uint32_t Color() const { return color_; }

    int updates = 0;
    int renders = 0;
    int32_t lastElapsed = 0;
    std::function<void(TTestWidget&)> onUpdate;

private:
    uint32_t color_ = 0;
    Ref<TSurface> scratch_;
};

// A function object over named parameters: every output is
// scale * (sum of the inputs) + offset. "outputs" and "inputs" list the
// outnames, separated by ","; "names" may give other parameter names with
// the same outnames (a parameter's outname is its name when it has none).
class TTestFunction : public TPersistObject, public virtual IFunction {
public:
    static const TPropertyTable& Table() {
        static const TPropertyTable table =
            TPropertyTable::Builder<TTestFunction>(TPersistObject::Table())
                .Field("outputs", &TTestFunction::outputs_)
                .Field("inputs", &TTestFunction::inputs_)
                .Field("scale", &TTestFunction::scale_, 1.0)
                .Field("offset", &TTestFunction::offset_, 0.0)
                .Build();
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void SetOwner(IFunctionOwner* owner) override {
        ++setOwnerCalls;
        ownerWasNull = owner == nullptr;
        Split();
    }
    void ReleaseOwner() override { ++releaseCalls; }
    void Prepare() override { ++prepareCalls; }
    Ref<IParamSpace> GetParamSpace() override { return nullptr; }
    int32_t GetInputCount() override { return int32_t(in_.size()); }
    int32_t GetOutputCount() override { return int32_t(out_.size()); }
    void SetInput(int32_t index, double value) override {
        if (index >= 0 && size_t(index) < in_.size()) in_[size_t(index)] = value;
    }
    void SetOutput(int32_t index, double value) override {
        if (index >= 0 && size_t(index) < out_.size()) out_[size_t(index)] = value;
        pushedOutputs.push_back(value);
    }
    double GetOutput(int32_t index) override {
        return index >= 0 && size_t(index) < out_.size() ? out_[size_t(index)] : 0.0;
    }
    double GetValue(const std::string&) override { return 0.0; }
    void SetValue(const std::string&, double) override {}
    std::string GetParamName(int32_t column, int32_t row) override {
        return GetParamOutName(column, row);
    }
    std::string GetParamOutName(int32_t column, int32_t row) override {
        const TOneArrayOfString& names = column == 0 ? outNames_ : column == 1 ? inNames_ : none_;
        return row >= 0 && size_t(row) < names.size() ? names[size_t(row)] : std::string();
    }
    void Calculate() override {
        ++calculateCalls;
        double sum = 0;
        for (double v : in_) sum += v;
        for (double& v : out_) v = scale_ * sum + offset_;
    }
    Ref<IFunctionCollection> GetFunctions() override { return nullptr; }

    int setOwnerCalls = 0;
    bool ownerWasNull = false;
    int releaseCalls = 0;
    int prepareCalls = 0;
    int calculateCalls = 0;
    std::vector<double> pushedOutputs;

private:
    void Split() {
        outNames_.clear();
        inNames_.clear();
        ::Split(outputs_, outNames_, ',');
        ::Split(inputs_, inNames_, ',');
        out_.assign(outNames_.size(), 0.0);
        in_.assign(inNames_.size(), 0.0);
    }

    std::string outputs_;
    std::string inputs_;
    double scale_ = 1.0;
    double offset_ = 0.0;
    TOneArrayOfString outNames_, inNames_, none_;
    std::vector<double> out_, in_;
};

inline void RegisterTestClasses() {
    RegisterObjectClass(ClassOf<TTestWidget>(), "test_widget");
    RegisterObjectClass(ClassOf<TTestFunction>(), "test_function");
    RegisterObjectClass(ClassOf<TAbstractWidget>(), "plain_widget");
    RegisterObjectClass(ClassOf<TVisualWidget>(), "plain_visual");
}

inline constexpr TUnit kWidgetTestUnits[] = {{"WidgetTestClasses", RegisterTestClasses, nullptr}};

}  // namespace widgettest
