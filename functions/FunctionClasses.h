// Function objects: small calculators described by data, each with its own
// parameter space (column 0 the outputs, column 1 the inputs, further columns
// constants), an optional preparation function and, for composites, a list of
// sub-functions bound to it, so that one sub-function's output cell is the
// next one's input cell.
//
// Storage form: element "function" with "name" and "type" (the registered
// name); children "paramspace", "preparation_function" (any function type;
// when it has sub-functions, those named "before" and "after" run at the
// start and the end of Prepare), "functions" (composites and selectors, in
// evaluation order) and "expression" ("function_eval").
//
// Failures: nothing raises out of Calculate or Prepare. Positions that hold
// no cell read as 0 and are not written, so a layout the data breaks gives
// zeros, never a read or write outside the table. A whole-number division by
// zero gives NaN; floating-point faults give infinities or NaN. An eval
// function whose text does not compile, or that fails while running, logs one
// line (module "FUNCTION") and calculates nothing until it is bound again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/surface/EngineSurface.h"
#include "functions/FunctionInterfaces.h"
#include "functions/ParamSpaces.h"
#include "functions/ParseExpr.h"

// The rows of one column of a value table, read safely.
struct TCellColumn {
    const PFloatType* cells = nullptr;
    int32_t rows = 0;

    // Row j's value; 0 for a hole or a row outside the column.
    double operator[](int32_t j) const {
        return j >= 0 && j < rows && cells[j] ? double(*cells[j]) : 0.0;
    }
};

// Element name "functions", items "function", each created from its "type"
// and "name". Functions are kept under their names (ASCII case ignored; an
// unnamed one under the collection's automatic name); a name already present
// keeps the first function.
class TFunctionCollection
    : public TTypedCollection<IFunction, IFunctionCollection, TTypedCreationPersistItemCollection>,
      private IMembershipObserver {
public:
    TFunctionCollection();
    ~TFunctionCollection() override;
    void Create() override;

    Ref<IFunction> GetItem(const Variant& key) override { return Find(key); }
    Ref<IFunction> GetItemByIndex(int32_t index) override { return Find(Variant(index)); }
    Ref<IFunction> GetItemByName(const std::string& name) override { return Find(Variant(name)); }
    void Add(const Ref<IFunction>& function) override;

    // The functions in order, for the per-frame walks, which must not
    // allocate. Valid until the collection changes.
    const std::vector<IFunction*>& Functions() const { return functions_; }

private:
    void ItemAdded(TInterfaceCollection& collection, IInterface& item) noexcept override;
    void ItemRemoved(TInterfaceCollection& collection, IInterface& item) noexcept override;
    void RebuildFunctions() noexcept;

    std::vector<IFunction*> functions_;
};

// The base of every function object. Element name "function".
//
// Binding (SetOwner) builds the value table: linked cells alias the owner's
// cells (the owner's space is the parent space; no owner leaves every link a
// private cell). The preparation function is bound to this function; when it
// has sub-functions, its "before" and "after" ones are calculated at the
// start and end of Prepare (the whole preparation function at the start when
// it has neither). Owner links are plain back-links.
class TFunction : public TPersistObject, public virtual IFunction, public virtual IFunctionOwner {
public:
    TFunction();
    ~TFunction() override;
    void Create() override;

    void SetOwner(IFunctionOwner* owner) override;
    void ReleaseOwner() override;
    // PrepareBefore, CalculateStatics, PrepareAfter.
    void Prepare() override;
    Ref<IParamSpace> GetParamSpace() override;
    int32_t GetInputCount() override { return Rows(1); }
    int32_t GetOutputCount() override { return Rows(0); }
    void SetInput(int32_t index, double value) override { SetCell(1, index, value); }
    void SetOutput(int32_t index, double value) override { SetCell(0, index, value); }
    double GetOutput(int32_t index) override { return Cell(0, index); }
    double GetValue(const std::string& name) override;
    void SetValue(const std::string& name, double value) override;
    std::string GetParamName(int32_t column, int32_t row) override;
    std::string GetParamOutName(int32_t column, int32_t row) override;
    Ref<IFunctionCollection> GetFunctions() override { return nullptr; }

    // The "before" calculation; composites then prepare their sub-functions.
    virtual void PrepareBefore();
    // Derived constants (a path's length); nothing here.
    virtual void CalculateStatics() {}
    // The "after" calculation.
    virtual void PrepareAfter();

    // The name, the param space from "paramspace", the preparation function
    // from "preparation_function" (kept only when it is a function).
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    IFunctionOwner* GetOwner() const { return owner_; }
    const Ref<IFunction>& GetPreparationFunction() const { return preparation_; }
    TParamSpace& Space() const { return *space_; }

protected:
    // The value table's shape and cells; positions without a cell read 0 and
    // ignore writes.
    int32_t Columns() const { return int32_t(space_->Values().size()); }
    int32_t Rows(int32_t column) const {
        const TFloatMatrix& values = space_->Values();
        return column >= 0 && size_t(column) < values.size()
                   ? int32_t(values[size_t(column)].size())
                   : 0;
    }
    PFloatType CellPtr(int32_t column, int32_t row) const {
        const TFloatMatrix& values = space_->Values();
        if (column < 0 || size_t(column) >= values.size()) return nullptr;
        const TFloatVector& rows = values[size_t(column)];
        return row >= 0 && size_t(row) < rows.size() ? rows[size_t(row)] : nullptr;
    }
    double Cell(int32_t column, int32_t row) const {
        const PFloatType cell = CellPtr(column, row);
        return cell ? double(*cell) : 0.0;
    }
    void SetCell(int32_t column, int32_t row, double value) {
        if (const PFloatType cell = CellPtr(column, row)) *cell = NarrowToCell(value);
    }
    TCellColumn ColumnAt(int32_t column) const {
        const TFloatMatrix& values = space_->Values();
        if (column < 0 || size_t(column) >= values.size()) return {};
        const TFloatVector& rows = values[size_t(column)];
        return {rows.data(), int32_t(rows.size())};
    }

private:
    IFunctionOwner* owner_ = nullptr;  // back-link, never counted
    Ref<TParamSpace> space_;
    Ref<IFunction> preparation_;
    Ref<IFunction> before_;
    Ref<IFunction> after_;
};

// The sub-functions of a composite function or path: bound to it, prepared
// and calculated in collection order, released before it.
class TSubFunctions {
public:
    TSubFunctions();
    ~TSubFunctions();
    TSubFunctions(const TSubFunctions&) = delete;
    TSubFunctions& operator=(const TSubFunctions&) = delete;

    const Ref<TFunctionCollection>& Collection() const { return functions_; }
    const std::vector<IFunction*>& List() const { return functions_->Functions(); }

    void Bind(IFunctionOwner* owner);
    // Releases the sub-functions bound to owner (all of them when null).
    void Release(IFunctionOwner* owner);
    void Prepare();
    void Calculate() {
        const std::vector<IFunction*>& list = functions_->Functions();
        for (size_t i = 0; i < list.size(); ++i) list[i]->Calculate();
    }
    // A new collection from the child "functions" (an empty one without it).
    void Load(const Ref<IHierStorage>& storage);
    void Save(const Ref<IHierStorage>& storage);

private:
    Ref<TFunctionCollection> functions_;
};

// "function_complex": calculates its sub-functions in order and nothing else.
class TComplexFunction : public TFunction {
public:
    ~TComplexFunction() override;

    void SetOwner(IFunctionOwner* owner) override;
    void ReleaseOwner() override;
    void PrepareBefore() override;
    void Calculate() override { subs_.Calculate(); }
    Ref<IFunctionCollection> GetFunctions() override;
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

protected:
    TSubFunctions& Subs() { return subs_; }

private:
    TSubFunctions subs_;
};

// Calculates only the sub-function at the selected index; an index outside
// the sub-functions (or from a NaN) calculates nothing.
class TSelectorFunction : public TComplexFunction {
public:
    void Calculate() override;
    // -1 for none.
    virtual int32_t GetSelectedIndex() = 0;
};

// "function_selector", "function_selector_func": sub-function 0 is calculated
// and its output 0, cut toward zero, selects (0 selects it again).
class TFuncSelectorFunction : public TSelectorFunction {
public:
    int32_t GetSelectedIndex() override;
};

// "function_selector_const": cell (2, 0), cut toward zero, selects.
class TConstSelectorFunction : public TSelectorFunction {
public:
    int32_t GetSelectedIndex() override;
};

// "function_eval": the lines of its "expression" over variables named after
// its own definitions, each bound to the definition's cell (so a linked
// definition's variable is the owner's cell). Compiled at every binding;
// results leave only through assignments. Lines beginning with "//" are
// skipped. Definitions whose names are no identifiers of the language get no
// variable.
class TEvalFunction : public TFunction {
public:
    TEvalFunction();
    ~TEvalFunction() override;
    void Create() override;

    void SetOwner(IFunctionOwner* owner) override;
    void ReleaseOwner() override;
    void Calculate() override;
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    // Compiles the expression over the current cells; on an error, logs and
    // resets.
    void Compile();
    // Forgets the compiled lines; the variables stay defined but no longer
    // point into the value table.
    void Reset();
    bool IsCompiled() const { return compiled_; }
    const std::string& Expression() const { return expression_; }

private:
    std::unique_ptr<TExpressionParser> parser_;
    bool compiled_ = false;
    std::string expression_;
    std::vector<std::string> boundNames_;  // variables pointing into the table
    TFloatType parked_ = 0;                // where they point while unbound
};

// The computing family. Each argument column c (1 .. C-1) gives output c-1.

// "function_sin": a0 * sin(2 pi a1 / a2 + pi a3) + (a4 + a5 + ...); with fewer
// than 3 rows or a2 = 0 the output is unchanged.
class TSinFunction : public TFunction {
public:
    void Calculate() override;
};

// "function_polinom2": a0 * a0 * a1 + a0 * a2 + a3.
class TPolinom2Function : public TFunction {
public:
    void Calculate() override;
};

// "function_sum": a0 + a1 + ...; 0 for an empty column.
class TSumFunction : public TFunction {
public:
    void Calculate() override;
};

// "function_substr": a0 - a1 - a2 - ...; 0 for an empty column.
class TSubstrFunction : public TFunction {
public:
    void Calculate() override;
};

// "function_multiply": a0 * a1 * ...; 1 for an empty column.
class TMultiplyFunction : public TFunction {
public:
    void Calculate() override;
};

// "function_division": a0 / a1 / a2 / ..., zero divisors skipped; 0 for an
// empty column.
class TDivisionFunction : public TFunction {
public:
    void Calculate() override;
};

// "function_arithmetic": output k from operand column 2k+1 and operator
// column 2k+2: 0 +, 1 -, 2 *, 3 /, 4 max, 5 min, 6 remainder and 7 quotient
// of the whole parts (NaN for a zero divisor); any other operator, or none
// (the operator column is missing or short), leaves the running value.
class TArithmeticFunction : public TFunction {
public:
    void Calculate() override;
};

// "function_random": u * a0 + (a1 + a2 + ...), u uniform in [0, 1).
class TRandomFunction : public TFunction {
public:
    void Calculate() override;
};

// "function_int_random": n + (a1 + a2 + ...), n uniform in 0 .. |trunc(a0)| - 1.
class TIntRandomFunction : public TFunction {
public:
    void Calculate() override;
};

// "function_switch": a3 when a0 = a1, a2 when a0 < a1, else a4; with fewer
// than 5 rows the output is unchanged.
class TSwitchFunction : public TFunction {
public:
    void Calculate() override;
};

// "function_interval": output i for input i, from threshold column 2i+2 and
// value column 2i+3: the value of the first threshold the input does not
// exceed, the last value above them all (the last threshold is never
// compared); 0 without a value column.
class TIntervalFunction : public TFunction {
public:
    void Calculate() override;
};

// "function_piecewise": output k interpolates input 0 between the knots of
// column 2k+2 and the values of column 2k+3; the last value at or after the
// last knot, the first value before the first knot.
class TPiecewiseLinearInterpolationFunction : public TFunction {
public:
    void Calculate() override;
};

// "function_linear_segment": a1 when a3 = 0, else a0 + (a1 - a0) * a2 / a3;
// with fewer than 4 rows the output is unchanged.
class TLinearSegmentFunction : public TFunction {
public:
    void Calculate() override;
};

// "function_montecarlo": samples random pixels of the surface whose handle
// is input 0 (see AcquireSurfaceHandle) until one's alpha reaches the
// threshold (input 1, default 1), at most input 2 times (default 1, at most
// kMaxMonteCarloTries). Output 0 is 1 on a hit, else 0; on a hit outputs 1 to
// 6 are x, y, red, green, blue and alpha (as far as the outputs go). Without
// a surface, or with an empty one, output 0 is 0. Never raises.
class TMonteCarloFunction : public TFunction {
public:
    void Calculate() override;
};

inline constexpr int32_t kMaxMonteCarloTries = 65536;

// Surfaces carried by float cells: a handle is a small whole number, exact in
// a float; 0 is no surface. The table holds one counted reference per handle
// until it is released. Main thread only.
//
// A new handle for surface; 0 for a null surface or when every handle is in
// use (logged).
double AcquireSurfaceHandle(const Ref<ISurface>& surface);
// Drops the handle's reference; nothing for 0 or a handle not in use.
void ReleaseSurfaceHandle(double handle);
// The surface of a handle in use; null for anything else (NaN included).
Ref<ISurface> SurfaceFromHandle(double handle);

// Registers every function class; the finalisation drops the surfaces still
// held through handles.
void RegisterFunctionClasses();
void ReleaseAllSurfaceHandles();
inline constexpr TUnit kFunctionClassesUnit = {"FunctionClasses", RegisterFunctionClasses,
                                               ReleaseAllSurfaceHandles};
