// The interfaces of function objects and their parameter spaces.
//
// A function object computes outputs from inputs and constants held in
// single-precision cells of a parameter space, a table addressed by column
// and row: column 0 holds the outputs, column 1 the inputs, further columns
// constants. A space's cells are either its own (static definitions) or
// aliases of its parent space's cells, found by name or by position, so a
// composite's sub-functions read and write the composite's cells directly.
//
// Clients (widgets, curves, particle systems, scenarios) follow one order:
// after loading, SetOwner once (null when the function stands alone);
// Prepare before each run; then per evaluation SetInput or SetValue,
// Calculate, and GetOutput or GetValue; ReleaseOwner before the owner goes.
//
// Values cross these interfaces as double and are kept as float cells.
// Positions and names that designate nothing read as 0 and are not written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/Interface.h"
#include "core/base/Variant.h"
#include "core/persist/EngineGeneralClasses.h"
#include "core/storage/PersistenceService.h"

using TFloatType = float;
using PFloatType = TFloatType*;
// Per column, the cell pointers of its rows; an entry may be null (a hole,
// or a linked cell with nothing to link to).
using TFloatVector = std::vector<PFloatType>;
using TFloatMatrix = std::vector<TFloatVector>;

class IParamDef : public virtual INamedObject {
public:
    virtual int32_t GetRow() = 0;
    virtual void SetRow(int32_t row) = 0;
    virtual int32_t GetCol() = 0;
    virtual void SetCol(int32_t col) = 0;
    virtual bool GetStatic() = 0;
    virtual void SetStatic(bool value) = 0;
    virtual int32_t GetOutRow() = 0;
    virtual void SetOutRow(int32_t row) = 0;
    virtual int32_t GetOutCol() = 0;
    virtual void SetOutCol(int32_t col) = 0;
    virtual std::string GetOutName() = 0;
    virtual void SetOutName(const std::string& name) = 0;
    virtual TFloatType GetValue() = 0;
    virtual void SetValue(TFloatType value) = 0;
};

class IParamDefCollection : public virtual ICollection {
public:
    // By index or by name (without regard to case); null when absent.
    virtual Ref<IParamDef> GetItem(const Variant& key) = 0;
    virtual Ref<IParamDef> GetItemByIndex(int32_t index) = 0;
    virtual Ref<IParamDef> GetItemByName(const std::string& name) = 0;
    // Appends under the definition's name; a name already present keeps the
    // first.
    virtual void Add(const Ref<IParamDef>& def) = 0;
    // The definition at a position; null for a hole or a position outside.
    virtual Ref<IParamDef> GetItemAt(int32_t column, int32_t row) = 0;
    virtual int32_t GetColumnCount() = 0;
    // 0 for a column at or beyond the column count.
    virtual int32_t GetRowCount(int32_t column) = 0;
};

class IParamSpace : public virtual IInterface {
public:
    // Keeps the parent (null for none) and builds the value table.
    virtual void SetParentSpace(const Ref<IParamSpace>& parent) = 0;
    // Frees the space's own cells, empties the table and forgets the parent.
    virtual void ReleaseParentSpace() = 0;
    // A new definition; its cell exists after the next SetParentSpace.
    virtual Ref<IParamDef> AddParamDef(const std::string& name, int32_t column, int32_t row,
                                       bool isStatic, const std::string& outName,
                                       TFloatType value) = 0;
    virtual int32_t GetColumnCount() = 0;
    virtual int32_t GetRowCount(int32_t column) = 0;
    virtual double GetValueAt(int32_t column, int32_t row) = 0;
    virtual void SetValueAt(int32_t column, int32_t row, double value) = 0;
    // By definition name, without regard to case.
    virtual double GetValue(const std::string& name) = 0;
    virtual void SetValue(const std::string& name, double value) = 0;
    // The table entry; null outside the table or for a hole.
    virtual PFloatType GetValuePtr(int32_t column, int32_t row) = 0;
    virtual PFloatType GetValuePtrByName(const std::string& name) = 0;
    // The value table itself, shared.
    virtual const TFloatMatrix& GetValues() = 0;
    virtual Ref<IParamDefCollection> GetParamDefs() = 0;
    // A new table whose own cells start from this space's current values and
    // whose linked entries share the parent's cells; free it with FreeValues.
    virtual TFloatMatrix CopyValues() = 0;
    virtual void FreeValues(TFloatMatrix& values) = 0;
};

// What an owned function links its cells into: every function is one for its
// preparation function and sub-functions.
class IFunctionOwner : public virtual IInterface {
public:
    virtual Ref<IParamSpace> GetParamSpace() = 0;
};

class IFunctionCollection;

class IFunction : public virtual INamedObject {
public:
    // Binds to an owner's parameter space (null: the function stands alone).
    virtual void SetOwner(IFunctionOwner* owner) = 0;
    virtual void ReleaseOwner() = 0;
    // One-time preparation from the current inputs and outputs.
    virtual void Prepare() = 0;
    virtual Ref<IParamSpace> GetParamSpace() = 0;
    // The row counts of column 1 and column 0.
    virtual int32_t GetInputCount() = 0;
    virtual int32_t GetOutputCount() = 0;
    virtual void SetInput(int32_t index, double value) = 0;
    virtual void SetOutput(int32_t index, double value) = 0;
    virtual double GetOutput(int32_t index) = 0;
    // By definition name, without regard to case; 0 / nothing when absent.
    virtual double GetValue(const std::string& name) = 0;
    virtual void SetValue(const std::string& name, double value) = 0;
    // The definition's name at a position; empty when there is none.
    virtual std::string GetParamName(int32_t column, int32_t row) = 0;
    // The definition's outname, or its name when the outname is empty;
    // empty when there is no definition.
    virtual std::string GetParamOutName(int32_t column, int32_t row) = 0;
    virtual void Calculate() = 0;
    // The sub-functions of a composite; null for a simple function.
    virtual Ref<IFunctionCollection> GetFunctions() = 0;
};

class IFunctionCollection : public virtual ICollection {
public:
    // By index or by name (without regard to case); null when absent.
    virtual Ref<IFunction> GetItem(const Variant& key) = 0;
    virtual Ref<IFunction> GetItemByIndex(int32_t index) = 0;
    virtual Ref<IFunction> GetItemByName(const std::string& name) = 0;
    // Appends under the function's name; a name already present keeps the
    // first.
    virtual void Add(const Ref<IFunction>& function) = 0;
};
