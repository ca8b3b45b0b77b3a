// The nonogram tests' own widgets and the data they build boards from:
//
// - "nono_leaf": a leaf of a given size that keeps the "highlight" it was
//   given and counts its restarts; "animationtime" is a plain value.
// - "nono_digit": a clue digit: a plate of the given size with a hidden
//   child "digit_on", and the values "text" and "crossed".
// - Factories() writes the widget factories a board of one size needs: a
//   cell per colour code (10 × 10 pixels, looks "closed", "full", "empty"),
//   a digit (8 × 8) and a breaking cell.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/object/GeneralClasses.h"
#include "widgets/GroupWidgets.h"
#include "widgets/WidgetClasses.h"

namespace nonogramtest {

class TTestLeaf : public TSingleWidget {
public:
    static const TPropertyTable& Table() {
        using W = TTestLeaf;
        // clang-format off
        static const TPropertyTable table =
            TPropertyTable::Builder<W>(TSingleWidget::Table())
                .Field("highlight", &W::highlight_, false).NotStored()
                .Field("animationtime", &W::animationTime_, 0)
                .Build();
        // clang-format on
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }
    void Restart() override {
        ++restarts;
        TSingleWidget::Restart();
    }
    bool Highlight() const { return highlight_; }
    bool GetEnabled() override { return enabled_; }
    void SetEnabled(bool value) override { enabled_ = value; }

    int restarts = 0;

private:
    bool enabled_ = true;
    bool highlight_ = false;
    int32_t animationTime_ = 0;
};

class TTestDigit : public TVisualGroupWidget {
public:
    static const TPropertyTable& Table() {
        using W = TTestDigit;
        // clang-format off
        static const TPropertyTable table =
            TPropertyTable::Builder<W>(TVisualGroupWidget::Table())
                .Field("text", &W::text_)
                .Field("crossed", &W::crossed_, 0)
                .Build();
        // clang-format on
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }
    const std::string& Text() const { return text_; }
    int32_t Crossed() const { return crossed_; }

private:
    std::string text_;
    int32_t crossed_ = 0;
};

inline void RegisterNonogramTestClasses() {
    RegisterObjectClass(ClassOf<TTestLeaf>(), "nono_leaf");
    RegisterObjectClass(ClassOf<TTestDigit>(), "nono_digit");
}

inline constexpr TUnit kNonogramTestUnits[] = {
    {"NonogramTestClasses", RegisterNonogramTestClasses, nullptr}};

inline std::string Factory(const std::string& name, const std::string& widget) {
    return "<widgetfactory name=\"" + name + "\" type=\"WidgetFactory\"><widgetstring>" + widget +
           "</widgetstring></widgetfactory>";
}

// The looks of a cell, each 10 × 10 at the cell's corner.
inline std::string CellWidget() {
    return R"(<widget type="QuillmarchCell" name="cell%name%" visible="yes"><widgets>)"
           R"(<widget type="nono_leaf" name="closed" visible="yes" width="10" height="10"/>)"
           R"(<widget type="nono_leaf" name="full" width="10" height="10"/>)"
           R"(<widget type="nono_leaf" name="empty" width="10" height="10"/>)"
           R"(</widgets></widget>)";
}

inline std::string DigitWidget() {
    return R"(<widget type="nono_digit" name="digit%name%" visible="yes" text="%text%"><widgets>)"
           R"(<widget type="nono_leaf" name="plate" visible="yes" width="8" height="8"/>)"
           R"(<widget type="nono_leaf" name="digit_on" width="8" height="8"/>)"
           R"(</widgets></widget>)";
}

// The factories of a rows × cols board for the colour codes given.
inline std::string Factories(int32_t rows, int32_t cols, const std::vector<int>& colours = {0, 1},
                             bool withBreaking = true) {
    const std::string size = std::to_string(rows) + "_" + std::to_string(cols);
    std::string text;
    for (int colour : colours) {
        text += Factory("cell" + size + "_" + std::to_string(colour), CellWidget());
    }
    text += Factory("digit" + size, DigitWidget());
    if (withBreaking) {
        text += Factory(
            "breaking_cell" + size,
            R"(<widget type="nono_leaf" name="breaking_%name%" width="10" height="10" paused="yes"/>)");
    }
    return text;
}

// A grid definition of a size: cells 10 pixels apart (2-pixel gaps), an
// extra gap of fivefold after every fifth line, digits 10 pixels apart.
inline std::string GridDef(int32_t rows, int32_t cols, int32_t fivefold = 0) {
    std::string text = "<grid name=\"" + std::to_string(rows) + "_" + std::to_string(cols) +
                       "\"><properties>"
                       "<param name=\"start_x\" value=\"100\"/>"
                       "<param name=\"start_y\" value=\"80\"/>"
                       "<param name=\"regular_shift\" value=\"2\"/>"
                       "<param name=\"info_shift_x\" value=\"-12\"/>"
                       "<param name=\"info_shift_y\" value=\"-12\"/>"
                       "<param name=\"info_regular_shift\" value=\"2\"/>";
    if (fivefold != 0) {
        text += "<param name=\"fivefold_shift\" value=\"" + std::to_string(fivefold) + "\"/>";
    }
    return text + "</properties></grid>";
}

}  // namespace nonogramtest
