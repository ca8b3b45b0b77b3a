// The high-score grid ("HighScoresGridControl"): one high-score table drawn
// as a grid, one row per table row and one column per configured field. Each
// column names a field of the rows ("Score", "Player") and a child widget of
// the control (as a rule a hidden text widget) that serves as the template:
// for every row it is given the cell's text and colour and drawn, RowHeight
// pixels further down per row. The row added last is drawn in the selected
// colour; the column named by "column_name_with_format_number" shows its
// values with thousands separators. The screen hands the table over through
// the property "recordtable"; the grid keeps no copy of the rows.
//
// The grid sits with the high-score tables it shows, above the widgets.
// Cell texts are players' names and numbers, shown as given (never passed
// through the language tables) when the template is a text widget.
//
// Failures: without a table nothing is drawn; a column whose template is
// missing is skipped; a cell without a value is left empty; a value of the
// number column that is no 32-bit integer is shown as it is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/Units.h"
#include "game/HighScores.h"
#include "widgets/ControlWidget.h"

// One column: the row field it shows and the child widget that draws it.
struct TGridColumn {
    std::string fieldName;
    std::string widgetName;
};

// Stored keys after the control's: "rowheight" (default: the height divided
// by 10), "font_height" (kept only; default the row height), "color",
// "selectedcolor" (all four always written), "column_name_with_format_number"
// (written when not empty) and the child "columns" of "column" elements
// ("name", "widgetname"), always written. Property "recordtable": the
// IRecordTable shown (not stored); a value that is no table shows none.
class THighScoresGridControl : public TControlWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    // The columns go, then the group's content.
    void ClearContent() override;
    // Only the cells, column after column; the children are not drawn at
    // their own places.
    void Render(ISurface& surface, int32_t x, int32_t y) override;

    const Ref<IRecordTable>& GetRecordTable() const { return recordTable_; }
    void SetRecordTable(const Ref<IRecordTable>& table);
    const std::vector<TGridColumn>& GetColumns() const { return columns_; }
    int32_t GetRowHeight() const { return rowHeight_; }
    int32_t GetFontHeight() const { return fontHeight_; }

private:
    static Variant RecordTableProperty(THighScoresGridControl& grid);
    static void SetRecordTableProperty(THighScoresGridControl& grid, const Variant& value);
    // The cell's text; false when the row has no value for the field.
    bool CellText(IRecord& row, const std::string& field, std::string& text) const;

    int32_t rowHeight_ = 0;
    std::vector<TGridColumn> columns_;
    Ref<IRecordTable> recordTable_;
    uint32_t color_ = 0;
    uint32_t selectedColor_ = 0;
    int32_t fontHeight_ = 0;
    std::string numberColumn_;
};

// Registers "HighScoresGridControl".
void RegisterHighScoresGrid();
inline constexpr TUnit kHighScoresGridUnit = {"HighScoresGrid", RegisterHighScoresGrid, nullptr};
