#include "game/HighScoresGrid.h"

#include <limits>

#include "core/base/SafeConvert.h"
#include "core/base/Utf8.h"
#include "core/object/GeneralClasses.h"
#include "engine/EngineStartup.h"
#include "widgets/TextWidget.h"

namespace {

int32_t Clamp32(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return int32_t(value);
}

}  // namespace

const TPropertyTable& THighScoresGridControl::Table() {
    using G = THighScoresGridControl;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<G>(TControlWidget::Table())
            .Field("rowheight", &G::rowHeight_, 0).SaveAlways().StorageOnly()
            .Field("font_height", &G::fontHeight_, 0).SaveAlways().StorageOnly()
            .Field("color", &G::color_, 0u).Color().SaveAlways().StorageOnly()
            .Field("selectedcolor", &G::selectedColor_, 0u).Color().SaveAlways().StorageOnly()
            .Field("column_name_with_format_number", &G::numberColumn_).StorageOnly()
            .Custom("recordtable", &G::RecordTableProperty, &G::SetRecordTableProperty)
            .Build();
    // clang-format on
    return table;
}

Variant THighScoresGridControl::RecordTableProperty(THighScoresGridControl& grid) {
    return grid.recordTable_ ? Variant(grid.recordTable_) : Variant();
}

void THighScoresGridControl::SetRecordTableProperty(THighScoresGridControl& grid,
                                                    const Variant& value) {
    Ref<IInterface> object;
    try {
        object = value.ToInterface();
    } catch (const Exception&) {
        // A value that is no object shows no table.
    }
    grid.SetRecordTable(Query<IRecordTable>(object));
}

void THighScoresGridControl::SetRecordTable(const Ref<IRecordTable>& table) {
    recordTable_ = table;
    SetChanged(true);
}

void THighScoresGridControl::LoadFrom(const Ref<IHierStorage>& storage) {
    TControlWidget::LoadFrom(storage);
    if (!storage) return;
    // The defaults depend on the values read before them.
    rowHeight_ = ReadInteger(storage, "rowheight", GetHeight() / 10);
    fontHeight_ = ReadInteger(storage, "font_height", rowHeight_);
    columns_.clear();
    const Ref<IHierStorage> list = storage->GetChild("columns", 0);
    if (!list) return;
    const int32_t count = list->GetChildCount("column");
    for (int32_t i = 0; i < count; ++i) {
        const Ref<IHierStorage> column = list->GetChild("column", i);
        if (!column) continue;
        columns_.push_back({ReadString(column, "name", ""), ReadString(column, "widgetname", "")});
    }
}

void THighScoresGridControl::SaveTo(const Ref<IHierStorage>& storage) {
    TControlWidget::SaveTo(storage);
    const Ref<IHierStorage> list = storage->AddChild("columns");
    for (const TGridColumn& column : columns_) {
        const Ref<IHierStorage> node = list->AddChild("column");
        node->SetValue("name", Variant(column.fieldName));
        node->SetValue("widgetname", Variant(column.widgetName));
    }
}

void THighScoresGridControl::ClearContent() {
    columns_.clear();
    TControlWidget::ClearContent();
}

bool THighScoresGridControl::CellText(IRecord& row, const std::string& field,
                                      std::string& text) const {
    const Ref<IParamCollection> params = row.GetParams();
    const Ref<IParam> param = params ? params->GetParam(Variant(field)) : nullptr;
    if (!param) return false;
    const Variant value = param->GetValue();
    if (value.IsUnassigned()) return false;
    text = value.ToString();
    if (text.empty()) return false;
    if (field == numberColumn_) {
        try {
            text = FormatThousands(value.ToInt());
        } catch (const Exception&) {
            // A value that is no integer is shown as it is.
        }
    }
    return true;
}

void THighScoresGridControl::Render(ISurface& surface, int32_t x, int32_t y) {
    if (!recordTable_) return;
    const Ref<IRecordCollection> rows = recordTable_->GetRecords();
    if (!rows) return;
    const int32_t lastAdded = recordTable_->GetLastAdded();
    const int32_t count = rows->GetCount();
    std::string text;
    for (const TGridColumn& column : columns_) {
        const Ref<IWidget> cell = Children().GetWidgetByName(column.widgetName);
        if (!cell) continue;
        const Ref<ITextWidget> textCell = Query<ITextWidget>(cell);
        for (int32_t r = 0; r < count; ++r) {
            const Ref<IRecord> row = rows->GetItem(Variant(r));
            if (!row) continue;
            cell->SetProperty("fillcolor",
                              Variant(int64_t{r == lastAdded ? selectedColor_ : color_}));
            if (!CellText(*row, column.fieldName, text)) continue;
            // Players' names are shown as typed.
            if (textCell) {
                textCell->SetText(FitWithEllipsis(*textCell, UTF8ToWide(text)));
            } else {
                cell->SetProperty("text_utf8", Variant(text));
            }
            const int64_t left = int64_t{SaturatingRound<int32_t>(cell->GetLeft())} + x;
            const int64_t top =
                int64_t{SaturatingRound<int32_t>(cell->GetTop())} + y + int64_t{r} * rowHeight_;
            cell->Render(surface, Clamp32(left), Clamp32(top));
        }
    }
}

void RegisterHighScoresGrid() {
    RegisterObjectClass(ClassOf<THighScoresGridControl>(), "HighScoresGridControl");
}
