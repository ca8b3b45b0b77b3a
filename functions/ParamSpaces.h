// Parameter spaces: the tables of single-precision cells that function
// objects compute on, each cell declared by a named definition.
//
// A static definition gets a cell of the space's own, starting from the
// definition's value. A linked one aliases a cell of the parent space, found
// by its outname or, without one, by its outcol and outrow; a link that finds
// nothing (no parent, an unknown name, a position outside the parent's table)
// gets a private cell starting at 0, so every definition of a built table has
// a cell. Positions no definition occupies (holes) and positions outside the
// table read as 0 and ignore writes.
//
// Storage form: "paramspace" > "paramdefs" > "paramdef" with "name", "row",
// "col", "static", "value", "outname", "outrow" and "outcol". A definition
// without "row" takes the next row of its column; one at a position already
// taken updates the definition there (whose name stays); one whose name is
// taken (in any case) is dropped. A column outside 0..kMaxParamColumns-1 or a
// row outside -1..kMaxParamRows-1 is refused with a log line (module
// "FUNCTION"), so data can neither write outside a table nor size one to
// billions of cells.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "functions/FunctionInterfaces.h"

// Generous bounds: real layouts use a handful of columns and rows.
inline constexpr int32_t kMaxParamColumns = 256;
inline constexpr int32_t kMaxParamRows = 4096;

inline bool IsParamPosition(int32_t column, int32_t row) {
    return column >= 0 && column < kMaxParamColumns && row >= 0 && row < kMaxParamRows;
}

// A value handed in as double, as a cell keeps it: a finite value beyond the
// float range becomes an infinity of its sign (a plain cast would be
// undefined there).
inline TFloatType NarrowToCell(double value) {
    if (value > FLT_MAX) return HUGE_VALF;
    if (value < -FLT_MAX) return -HUGE_VALF;
    return static_cast<TFloatType>(value);
}

// Element name "paramdef". Not registered, so no "type" is written.
class TParamDef : public TPersistObject, public virtual IParamDef {
public:
    void Create() override;

    int32_t GetRow() override { return row_; }
    void SetRow(int32_t row) override { row_ = row; }
    int32_t GetCol() override { return col_; }
    void SetCol(int32_t col) override { col_ = col; }
    bool GetStatic() override { return static_; }
    void SetStatic(bool value) override { static_ = value; }
    int32_t GetOutRow() override { return outRow_; }
    void SetOutRow(int32_t row) override { outRow_ = row; }
    int32_t GetOutCol() override { return outCol_; }
    void SetOutCol(int32_t col) override { outCol_ = col; }
    std::string GetOutName() override { return outName_; }
    void SetOutName(const std::string& name) override { outName_ = name; }
    TFloatType GetValue() override { return value_; }
    void SetValue(TFloatType value) override { value_ = value; }

    // The name and the table's keys, then the link rules: "value" only for a
    // static definition; a linked one without "outname" whose "outrow" and
    // "outcol" are both absent links by its own name; a missing half of a
    // position link is 0.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // "name", "row", "col", "static"; "value" when static; "outname" when
    // not empty; "outrow" and "outcol" for a link by position.
    void SaveTo(const Ref<IHierStorage>& storage) override;

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

private:
    int32_t row_ = -1;
    int32_t col_ = 0;
    bool static_ = false;
    int32_t outRow_ = 0;
    int32_t outCol_ = 0;
    std::string outName_;
    TFloatType value_ = 0;
};

// Element name "paramdefs", items "paramdef". Keeps the definitions in
// insertion order under their names (an unnamed one under the collection's
// automatic name) and a position index rebuilt when it is asked for after a
// change. Definitions whose position lies outside the bounds (possible only
// through the setters) are left out of the index.
class TParamDefCollection
    : public TTypedCollection<IParamDef, IParamDefCollection, TPersistItemCollection>,
      private IMembershipObserver {
public:
    TParamDefCollection();
    ~TParamDefCollection() override;
    void Create() override;

    Ref<IParamDef> GetItem(const Variant& key) override { return Find(key); }
    Ref<IParamDef> GetItemByIndex(int32_t index) override { return Find(Variant(index)); }
    Ref<IParamDef> GetItemByName(const std::string& name) override { return Find(Variant(name)); }
    // Appends under the definition's name; nothing for null or a name
    // already present.
    void Add(const Ref<IParamDef>& def) override;
    Ref<IParamDef> GetItemAt(int32_t column, int32_t row) override;
    int32_t GetColumnCount() override;
    int32_t GetRowCount(int32_t column) override;

    // One "paramdef" child (see the header comment for the rules).
    void LoadItem(const Ref<IHierStorage>& node) override;

    // Builds the index now, whether it is stale or not: the setters of a
    // definition do not tell the collection.
    void RebuildIndex();
    void InvalidateIndex();

    // The definitions in order, for walks that must not allocate.
    const std::vector<IParamDef*>& Defs() const { return defs_; }

private:
    void ItemAdded(TInterfaceCollection& collection, IInterface& item) noexcept override;
    void ItemRemoved(TInterfaceCollection& collection, IInterface& item) noexcept override;
    void RebuildDefs() noexcept;
    void EnsureIndex() {
        if (columnCount_ < 0) RebuildIndex();
    }

    std::vector<IParamDef*> defs_;
    int32_t columnCount_ = -1;  // -1 while the index is stale
    std::vector<std::vector<IParamDef*>> index_;
    std::vector<int32_t> rowCounts_;
};

// Element name "paramspace", with the child "paramdefs". Not registered.
//
// A built table owns one block of cells (the static definitions' cells and
// the private cells of links that found nothing), freed whole when the table
// is released: two definitions at one position, or a definition moved or
// made static after the build, never free a cell twice or the parent's cell.
class TParamSpace : public TPersistObject, public virtual IParamSpace {
public:
    TParamSpace();
    ~TParamSpace() override;
    void Create() override;

    // Releases the table built before, keeps the parent and builds again:
    // every static cell starts from its definition's value.
    void SetParentSpace(const Ref<IParamSpace>& parent) override;
    void ReleaseParentSpace() override;
    // Null, with a log line, for a position outside the bounds (a row of -1
    // included).
    Ref<IParamDef> AddParamDef(const std::string& name, int32_t column, int32_t row, bool isStatic,
                               const std::string& outName, TFloatType value) override;
    int32_t GetColumnCount() override { return defs_->GetColumnCount(); }
    // The entries of that column of the table; 0 outside it or unbuilt.
    int32_t GetRowCount(int32_t column) override;
    double GetValueAt(int32_t column, int32_t row) override;
    void SetValueAt(int32_t column, int32_t row, double value) override;
    double GetValue(const std::string& name) override;
    void SetValue(const std::string& name, double value) override;
    PFloatType GetValuePtr(int32_t column, int32_t row) override;
    PFloatType GetValuePtrByName(const std::string& name) override;
    const TFloatMatrix& GetValues() override { return values_; }
    Ref<IParamDefCollection> GetParamDefs() override;
    // A table of the same shape: linked entries share the parent's cells,
    // every other cell is the copy's own and starts from this space's
    // current value (the definition's value where this space's table has no
    // cell yet).
    TFloatMatrix CopyValues() override;
    // Frees the cells of a table made by CopyValues (found by their
    // addresses, so a moved table is found too) and empties it; a table this
    // space did not make, or whose cells were freed already, is only emptied.
    void FreeValues(TFloatMatrix& values) override;

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    // The table, for function objects that read it on every frame.
    const TFloatMatrix& Values() const { return values_; }
    // Changes whenever the table is built or released, so that cell
    // pointers taken from it can be known stale.
    uint32_t Generation() const { return generation_; }
    TParamDefCollection& Defs() { return *defs_; }
    const Ref<IParamSpace>& Parent() const { return parent_; }

private:
    struct TBlock {
        std::unique_ptr<TFloatType[]> cells;
        size_t count = 0;
    };

    // Sizes table to the definitions and enters each definition's cell;
    // own cells come from a new block. With source, own cells start from
    // source's cell at the same position when it has one.
    TBlock BuildValues(TFloatMatrix& table, const TFloatMatrix* source);
    PFloatType ResolveLink(IParamDef& def) const;
    PFloatType CellOf(IParamDef* def) const;

    Ref<TParamDefCollection> defs_;
    Ref<IParamSpace> parent_;
    TFloatMatrix values_;
    TBlock cells_;                                // the cells values_ owns
    std::map<const TFloatType*, TBlock> copies_;  // by first cell
    uint32_t generation_ = 0;
};
