#include "functions/ParamSpaces.h"

#include <algorithm>
#include <functional>

#include "core/base/Log.h"

namespace {

void LogRefusedPosition(const std::string& where, const std::string& name, int32_t column,
                        int32_t row) {
    Log("FUNCTION", where + "parameter \"" + name + "\" at column " + std::to_string(column) +
                        ", row " + std::to_string(row) + " lies outside the table; skipped");
}

}  // namespace

// ---------------------------------------------------------------------------
// TParamDef

void TParamDef::Create() {
    TPersistObject::Create();
    SetNodeName("paramdef");
}

const TPropertyTable& TParamDef::Table() {
    // Saving writes its own selection of these (SaveTo); the defaults are
    // those of loading.
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<TParamDef>(TPersistObject::Table())
            .Field("row", &TParamDef::row_, -1)
            .Field("col", &TParamDef::col_, 0)
            .Field("static", &TParamDef::static_, false)
            .Field("value", &TParamDef::value_, 0.0f)
            .Field("outname", &TParamDef::outName_, std::string())
            .Field("outrow", &TParamDef::outRow_, -1)
            .Field("outcol", &TParamDef::outCol_, -1)
            .Build();
    // clang-format on
    return table;
}

void TParamDef::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistObject::LoadFrom(storage);
    if (!static_) value_ = 0;
    if (static_ || !outName_.empty()) {
        outRow_ = 0;
        outCol_ = 0;
        return;
    }
    if (outRow_ == -1 && outCol_ == -1) outName_ = Name();
    if (outRow_ == -1) outRow_ = 0;
    if (outCol_ == -1) outCol_ = 0;
}

void TParamDef::SaveTo(const Ref<IHierStorage>& storage) {
    // Row and position links are written too, so that a definition comes
    // back at its row and on its target after a save and a load.
    const std::string& name = Name();
    WriteString(storage, "name", name, !name.empty());
    WriteInteger(storage, "row", row_, true);
    WriteInteger(storage, "col", col_, true);
    WriteBool(storage, "static", static_, true);
    WriteFloat(storage, "value", value_, static_);
    WriteString(storage, "outname", outName_, !outName_.empty());
    const bool positionLink = !static_ && outName_.empty();
    WriteInteger(storage, "outrow", outRow_, positionLink);
    WriteInteger(storage, "outcol", outCol_, positionLink);
}

// ---------------------------------------------------------------------------
// TParamDefCollection

TParamDefCollection::TParamDefCollection() {
    SetMembershipObserver(this);
}

TParamDefCollection::~TParamDefCollection() {
    CloseItems();
}

void TParamDefCollection::Create() {
    TPersistItemCollection::Create();
    SetNodeName("paramdefs");
    SetItemNodeName("paramdef");
}

void TParamDefCollection::Add(const Ref<IParamDef>& def) {
    if (!def) return;
    const std::string name = def->GetName();
    InsertItem(Ref<IInterface>(def), name.empty(), name);
}

Ref<IParamDef> TParamDefCollection::GetItemAt(int32_t column, int32_t row) {
    EnsureIndex();
    if (column < 0 || column >= columnCount_) return nullptr;
    const auto& rows = index_[size_t(column)];
    if (row < 0 || size_t(row) >= rows.size()) return nullptr;
    return Ref<IParamDef>(rows[size_t(row)]);
}

int32_t TParamDefCollection::GetColumnCount() {
    EnsureIndex();
    return columnCount_;
}

int32_t TParamDefCollection::GetRowCount(int32_t column) {
    EnsureIndex();
    if (column < 0 || column >= columnCount_) return 0;
    return rowCounts_[size_t(column)];
}

void TParamDefCollection::LoadItem(const Ref<IHierStorage>& node) {
    const int32_t row = ReadInteger(node, "row", -1);
    const int32_t column = ReadInteger(node, "col", 0);
    const std::string name = ReadString(node, "name", "");
    if (!IsParamPosition(column, row == -1 ? 0 : row)) {
        LogRefusedPosition(node->GetPath() + ": ", name, column, row);
        return;
    }
    if (row >= 0) {
        if (Ref<IParamDef> existing = GetItemAt(column, row)) {
            // The child updates the definition there; the name it is
            // indexed under stays.
            const std::string kept = existing->GetName();
            LoadPersistObject(existing, node);
            existing->SetName(kept);
            existing->SetRow(row);
            existing->SetCol(column);
            InvalidateIndex();
            return;
        }
    }
    Ref<TParamDef> def = CreateObject<TParamDef>();
    def->Load(node);
    if (row == -1) {
        const int32_t next = GetRowCount(column);
        if (next >= kMaxParamRows) {
            LogRefusedPosition(node->GetPath() + ": ", name, column, next);
            return;
        }
        def->SetRow(next);
    }
    if (!name.empty() && Items().Exists(name)) {
        Log("FUNCTION", node->GetPath() + ": parameter \"" + name +
                            "\" is defined twice; the second is skipped");
        return;
    }
    Add(def);
}

void TParamDefCollection::RebuildIndex() {
    int32_t columns = 0;
    for (IParamDef* def : defs_) {
        if (def && IsParamPosition(def->GetCol(), def->GetRow())) {
            columns = std::max(columns, def->GetCol() + 1);
        }
    }
    rowCounts_.assign(size_t(columns), 0);
    for (IParamDef* def : defs_) {
        if (!def) continue;
        const int32_t column = def->GetCol();
        const int32_t row = def->GetRow();
        if (!IsParamPosition(column, row)) continue;
        rowCounts_[size_t(column)] = std::max(rowCounts_[size_t(column)], row + 1);
    }
    index_.assign(size_t(columns), {});
    for (int32_t c = 0; c < columns; ++c)
        index_[size_t(c)].assign(size_t(rowCounts_[size_t(c)]), nullptr);
    for (IParamDef* def : defs_) {
        if (!def) continue;
        const int32_t column = def->GetCol();
        const int32_t row = def->GetRow();
        if (IsParamPosition(column, row)) index_[size_t(column)][size_t(row)] = def;
    }
    columnCount_ = columns;
}

void TParamDefCollection::InvalidateIndex() {
    columnCount_ = -1;
    index_.clear();
    rowCounts_.clear();
}

void TParamDefCollection::ItemAdded(TInterfaceCollection&, IInterface&) noexcept {
    RebuildDefs();
}

void TParamDefCollection::ItemRemoved(TInterfaceCollection&, IInterface&) noexcept {
    RebuildDefs();
}

void TParamDefCollection::RebuildDefs() noexcept {
    InvalidateIndex();
    const TInterfaceCollection& items = Items();
    defs_.resize(size_t(items.GetCount()));
    for (int32_t i = 0; i < items.GetCount(); ++i) {
        // Positions stay aligned with the collection's, for lookups by name.
        defs_[size_t(i)] = dynamic_cast<IParamDef*>(static_cast<IInterface*>(items.GetDataAt(i)));
    }
}

// ---------------------------------------------------------------------------
// TParamSpace

TParamSpace::TParamSpace() = default;

TParamSpace::~TParamSpace() = default;

void TParamSpace::Create() {
    TPersistObject::Create();
    SetNodeName("paramspace");
    defs_ = CreateObject<TParamDefCollection>();
}

void TParamSpace::SetParentSpace(const Ref<IParamSpace>& parent) {
    ReleaseParentSpace();
    parent_ = parent;
    cells_ = BuildValues(values_, nullptr);
    ++generation_;
}

void TParamSpace::ReleaseParentSpace() {
    values_.clear();
    cells_ = {};
    parent_ = nullptr;
    ++generation_;
}

Ref<IParamDef> TParamSpace::AddParamDef(const std::string& name, int32_t column, int32_t row,
                                        bool isStatic, const std::string& outName,
                                        TFloatType value) {
    if (!IsParamPosition(column, row)) {
        LogRefusedPosition("", name, column, row);
        return nullptr;
    }
    Ref<TParamDef> def = CreateObject<TParamDef>();
    def->SetName(name);
    def->SetCol(column);
    def->SetRow(row);
    def->SetStatic(isStatic);
    def->SetOutName(outName);
    def->SetValue(value);
    def->SetOutRow(0);
    def->SetOutCol(0);
    defs_->Add(def);
    return def;
}

int32_t TParamSpace::GetRowCount(int32_t column) {
    if (column < 0 || size_t(column) >= values_.size()) return 0;
    return int32_t(values_[size_t(column)].size());
}

PFloatType TParamSpace::GetValuePtr(int32_t column, int32_t row) {
    if (column < 0 || size_t(column) >= values_.size()) return nullptr;
    const TFloatVector& rows = values_[size_t(column)];
    if (row < 0 || size_t(row) >= rows.size()) return nullptr;
    return rows[size_t(row)];
}

double TParamSpace::GetValueAt(int32_t column, int32_t row) {
    const PFloatType cell = GetValuePtr(column, row);
    return cell ? *cell : 0.0;
}

void TParamSpace::SetValueAt(int32_t column, int32_t row, double value) {
    if (const PFloatType cell = GetValuePtr(column, row)) *cell = NarrowToCell(value);
}

PFloatType TParamSpace::CellOf(IParamDef* def) const {
    if (!def) return nullptr;
    const int32_t column = def->GetCol();
    const int32_t row = def->GetRow();
    if (column < 0 || size_t(column) >= values_.size()) return nullptr;
    const TFloatVector& rows = values_[size_t(column)];
    if (row < 0 || size_t(row) >= rows.size()) return nullptr;
    return rows[size_t(row)];
}

PFloatType TParamSpace::GetValuePtrByName(const std::string& name) {
    const int32_t index = defs_->IndexOf(name);
    if (index < 0) return nullptr;
    return CellOf(defs_->Defs()[size_t(index)]);
}

double TParamSpace::GetValue(const std::string& name) {
    const PFloatType cell = GetValuePtrByName(name);
    return cell ? *cell : 0.0;
}

void TParamSpace::SetValue(const std::string& name, double value) {
    if (const PFloatType cell = GetValuePtrByName(name)) *cell = NarrowToCell(value);
}

Ref<IParamDefCollection> TParamSpace::GetParamDefs() {
    return defs_;
}

PFloatType TParamSpace::ResolveLink(IParamDef& def) const {
    if (!parent_) return nullptr;
    const std::string outName = def.GetOutName();
    if (!outName.empty()) return parent_->GetValuePtrByName(outName);
    return parent_->GetValuePtr(def.GetOutCol(), def.GetOutRow());
}

TParamSpace::TBlock TParamSpace::BuildValues(TFloatMatrix& table, const TFloatMatrix* source) {
    TParamDefCollection& defs = *defs_;
    // The setters of a definition do not mark the index stale.
    defs.RebuildIndex();
    const int32_t columns = defs.GetColumnCount();
    table.assign(size_t(columns), {});
    for (int32_t c = 0; c < columns; ++c)
        table[size_t(c)].assign(size_t(defs.GetRowCount(c)), nullptr);

    // Links first, so the block holds exactly the cells this table owns.
    const std::vector<IParamDef*>& list = defs.Defs();
    std::vector<PFloatType> linked(list.size(), nullptr);
    size_t ownCount = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        IParamDef* def = list[i];
        if (!def || !IsParamPosition(def->GetCol(), def->GetRow())) continue;
        if (!def->GetStatic()) linked[i] = ResolveLink(*def);
        if (!linked[i]) ++ownCount;
    }
    TBlock block;
    if (ownCount > 0) block.cells = std::make_unique<TFloatType[]>(ownCount);
    block.count = ownCount;
    TFloatType* cells = block.cells.get();
    size_t next = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        IParamDef* def = list[i];
        if (!def || !IsParamPosition(def->GetCol(), def->GetRow())) continue;
        const size_t column = size_t(def->GetCol());
        const size_t row = size_t(def->GetRow());
        PFloatType cell = linked[i];
        if (!cell) {
            cell = &cells[next++];
            *cell = def->GetStatic() ? def->GetValue() : 0;
            if (source && column < source->size() && row < (*source)[column].size() &&
                (*source)[column][row]) {
                *cell = *(*source)[column][row];
            }
        }
        table[column][row] = cell;
    }
    return block;
}

TFloatMatrix TParamSpace::CopyValues() {
    TFloatMatrix copy;
    TBlock block = BuildValues(copy, &values_);
    if (block.cells) {
        const TFloatType* first = block.cells.get();
        copies_[first] = std::move(block);
    }
    return copy;
}

void TParamSpace::FreeValues(TFloatMatrix& values) {
    // Every own cell of a copy lies in its one block: the first entry that
    // falls inside a block names the block.
    for (const TFloatVector& column : values) {
        for (const PFloatType cell : column) {
            if (!cell || copies_.empty()) continue;
            auto it = copies_.upper_bound(cell);
            if (it == copies_.begin()) continue;
            --it;
            if (std::less<const TFloatType*>()(cell, it->first + it->second.count)) {
                copies_.erase(it);
                values.clear();
                return;
            }
        }
    }
    values.clear();
}

void TParamSpace::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistObject::LoadFrom(storage);
    LoadChildObject(defs_, storage, "paramdefs", 0);
}

void TParamSpace::SaveTo(const Ref<IHierStorage>& storage) {
    TPersistObject::SaveTo(storage);
    SaveChildObject(defs_, storage, "paramdefs");
}
