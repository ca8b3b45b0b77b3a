#include "functions/FunctionClasses.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/base/Log.h"
#include "core/base/Random.h"
#include "core/base/SafeConvert.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Whether the tokeniser of the expression language reads the name as one
// identifier: a letter or "_", then letters, digits and "_".
bool IsIdentifier(const std::string& name) {
    if (name.empty()) return false;
    auto letter = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    };
    if (!letter(name[0])) return false;
    return std::all_of(name.begin() + 1, name.end(),
                       [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

std::string Described(TNamedObject& object) {
    const std::string& name = object.Name();
    return name.empty() ? std::string("an unnamed eval function")
                        : "eval function \"" + name + "\"";
}

}  // namespace

// ---------------------------------------------------------------------------
// TFunctionCollection

TFunctionCollection::TFunctionCollection() {
    SetMembershipObserver(this);
}

TFunctionCollection::~TFunctionCollection() {
    CloseItems();
}

void TFunctionCollection::Create() {
    TTypedCreationPersistItemCollection::Create();
    SetNodeName("functions");
    SetItemNodeName("function");
}

void TFunctionCollection::Add(const Ref<IFunction>& function) {
    if (!function) return;
    // Unnamed functions take automatic names, so a list of several unnamed
    // sub-functions keeps them all.
    const std::string name = function->GetName();
    InsertItem(Ref<IInterface>(function), name.empty(), name);
}

void TFunctionCollection::ItemAdded(TInterfaceCollection&, IInterface&) noexcept {
    RebuildFunctions();
}

void TFunctionCollection::ItemRemoved(TInterfaceCollection&, IInterface&) noexcept {
    RebuildFunctions();
}

void TFunctionCollection::RebuildFunctions() noexcept {
    functions_.clear();
    const TInterfaceCollection& items = Items();
    for (int32_t i = 0; i < items.GetCount(); ++i) {
        auto* function = dynamic_cast<IFunction*>(static_cast<IInterface*>(items.GetDataAt(i)));
        if (function) functions_.push_back(function);
    }
}

// ---------------------------------------------------------------------------
// TFunction

TFunction::TFunction() = default;

TFunction::~TFunction() {
    // A preparation function held elsewhere must not keep cells that point
    // into this function's table.
    if (auto* preparation = dynamic_cast<TFunction*>(preparation_.get())) {
        if (preparation->GetOwner() == static_cast<IFunctionOwner*>(this))
            preparation->ReleaseOwner();
    }
}

void TFunction::Create() {
    TPersistObject::Create();
    SetNodeName("function");
    space_ = CreateObject<TParamSpace>();
}

void TFunction::SetOwner(IFunctionOwner* owner) {
    owner_ = owner;
    space_->SetParentSpace(owner ? owner->GetParamSpace() : nullptr);
    before_ = nullptr;
    after_ = nullptr;
    if (!preparation_) return;
    preparation_->SetOwner(this);
    const Ref<IFunctionCollection> functions = preparation_->GetFunctions();
    if (!functions) {
        before_ = preparation_;
        return;
    }
    before_ = functions->GetItemByName("before");
    after_ = functions->GetItemByName("after");
    if (!before_ && !after_) before_ = preparation_;
}

void TFunction::ReleaseOwner() {
    if (preparation_) preparation_->ReleaseOwner();
    space_->ReleaseParentSpace();
    before_ = nullptr;
    after_ = nullptr;
    owner_ = nullptr;
}

void TFunction::Prepare() {
    PrepareBefore();
    CalculateStatics();
    PrepareAfter();
}

void TFunction::PrepareBefore() {
    if (before_) before_->Calculate();
}

void TFunction::PrepareAfter() {
    if (after_) after_->Calculate();
}

Ref<IParamSpace> TFunction::GetParamSpace() {
    return space_;
}

double TFunction::GetValue(const std::string& name) {
    return space_->GetValue(name);
}

void TFunction::SetValue(const std::string& name, double value) {
    space_->SetValue(name, value);
}

std::string TFunction::GetParamName(int32_t column, int32_t row) {
    const Ref<IParamDef> def = space_->Defs().GetItemAt(column, row);
    return def ? def->GetName() : std::string();
}

std::string TFunction::GetParamOutName(int32_t column, int32_t row) {
    const Ref<IParamDef> def = space_->Defs().GetItemAt(column, row);
    if (!def) return {};
    std::string outName = def->GetOutName();
    return outName.empty() ? def->GetName() : outName;
}

void TFunction::LoadFrom(const Ref<IHierStorage>& storage) {
    TPersistObject::LoadFrom(storage);
    LoadChildObject(space_, storage, "paramspace", 0);
    preparation_ = Query<IFunction>(CreateTypedChildObject(storage, "preparation_function", 0));
}

void TFunction::SaveTo(const Ref<IHierStorage>& storage) {
    TPersistObject::SaveTo(storage);
    SaveChildObject(space_, storage, "paramspace");
    if (preparation_) SaveChildObject(preparation_, storage, "preparation_function");
}

// ---------------------------------------------------------------------------
// TSubFunctions

TSubFunctions::TSubFunctions() : functions_(CreateObject<TFunctionCollection>()) {}

TSubFunctions::~TSubFunctions() = default;

void TSubFunctions::Bind(IFunctionOwner* owner) {
    // The list cannot change while the functions bind: binding touches only
    // cells.
    for (IFunction* function : functions_->Functions()) function->SetOwner(owner);
}

void TSubFunctions::Release(IFunctionOwner* owner) {
    for (IFunction* function : functions_->Functions()) {
        if (owner) {
            auto* typed = dynamic_cast<TFunction*>(function);
            if (!typed || typed->GetOwner() != owner) continue;
        }
        function->ReleaseOwner();
    }
}

void TSubFunctions::Prepare() {
    const std::vector<IFunction*>& list = functions_->Functions();
    for (size_t i = 0; i < list.size(); ++i) list[i]->Prepare();
}

void TSubFunctions::Load(const Ref<IHierStorage>& storage) {
    functions_ = CreateObject<TFunctionCollection>();
    LoadChildObject(functions_, storage, "functions", 0);
}

void TSubFunctions::Save(const Ref<IHierStorage>& storage) {
    SaveChildObject(functions_, storage, "functions");
}

// ---------------------------------------------------------------------------
// TComplexFunction and the selectors

TComplexFunction::~TComplexFunction() {
    subs_.Release(this);
}

void TComplexFunction::SetOwner(IFunctionOwner* owner) {
    TFunction::SetOwner(owner);
    subs_.Bind(this);
}

void TComplexFunction::ReleaseOwner() {
    subs_.Release(nullptr);
    TFunction::ReleaseOwner();
}

void TComplexFunction::PrepareBefore() {
    TFunction::PrepareBefore();
    subs_.Prepare();
}

Ref<IFunctionCollection> TComplexFunction::GetFunctions() {
    return subs_.Collection();
}

void TComplexFunction::LoadFrom(const Ref<IHierStorage>& storage) {
    TFunction::LoadFrom(storage);
    subs_.Load(storage);
}

void TComplexFunction::SaveTo(const Ref<IHierStorage>& storage) {
    TFunction::SaveTo(storage);
    subs_.Save(storage);
}

void TSelectorFunction::Calculate() {
    const int32_t index = GetSelectedIndex();
    const std::vector<IFunction*>& list = Subs().List();
    if (index >= 0 && size_t(index) < list.size()) list[size_t(index)]->Calculate();
}

int32_t TFuncSelectorFunction::GetSelectedIndex() {
    const std::vector<IFunction*>& list = Subs().List();
    if (list.empty()) return -1;
    IFunction* selector = list[0];
    selector->Calculate();
    if (selector->GetOutputCount() < 1) return -1;
    const double value = selector->GetOutput(0);
    return std::isnan(value) ? -1 : SaturatingTrunc<int32_t>(value);
}

int32_t TConstSelectorFunction::GetSelectedIndex() {
    const PFloatType cell = CellPtr(2, 0);
    if (!cell || std::isnan(*cell)) return -1;
    return SaturatingTrunc<int32_t>(*cell);
}

// ---------------------------------------------------------------------------
// TEvalFunction

TEvalFunction::TEvalFunction() = default;

TEvalFunction::~TEvalFunction() = default;

void TEvalFunction::Create() {
    TFunction::Create();
    parser_ = std::make_unique<TExpressionParser>();
    compiled_ = false;
    parser_->SetDecimalSeparator('.');
    parser_->SetArgSeparator(',');
}

void TEvalFunction::SetOwner(IFunctionOwner* owner) {
    TFunction::SetOwner(owner);
    Compile();
}

void TEvalFunction::ReleaseOwner() {
    Reset();
    TFunction::ReleaseOwner();
}

void TEvalFunction::Compile() {
    Reset();
    compiled_ = true;
    try {
        TParamSpace& space = Space();
        for (IParamDef* def : space.Defs().Defs()) {
            if (!def) continue;
            const std::string name = def->GetName();
            // Automatic names ("!", "(", ...) would replace operators.
            if (!IsIdentifier(name)) continue;
            const PFloatType cell = space.GetValuePtrByName(name);
            if (!cell) continue;
            boundNames_.push_back(name);
            parser_->DefineVariable(name, cell);
        }
        parser_->SetExpressionLines(expression_);
    } catch (const Exception& e) {
        Log("FUNCTION", Described(*this) + " does not compile: " + e.Message());
        Reset();
    }
}

void TEvalFunction::Reset() {
    compiled_ = false;
    parser_->ClearExpressions();
    // The cells may go with the table; the variables stay defined, pointing
    // at a cell of this function.
    for (const std::string& name : boundNames_) {
        try {
            parser_->DefineVariable(name, &parked_);
        } catch (const Exception&) {
            // The name never became a variable (its definition failed).
        }
    }
    boundNames_.clear();
}

void TEvalFunction::Calculate() {
    if (!compiled_) return;
    try {
        parser_->Execute();
    } catch (const Exception& e) {
        Log("FUNCTION", Described(*this) + " stopped: " + e.Message());
        Reset();
    }
}

void TEvalFunction::LoadFrom(const Ref<IHierStorage>& storage) {
    TFunction::LoadFrom(storage);
    expression_ = storage ? storage->GetChildText("expression").ToString() : std::string();
}

void TEvalFunction::SaveTo(const Ref<IHierStorage>& storage) {
    TFunction::SaveTo(storage);
    if (storage && !expression_.empty()) storage->SetChildText("expression", Variant(expression_));
}

// ---------------------------------------------------------------------------
// The computing family

void TSinFunction::Calculate() {
    const int32_t columns = Columns();
    for (int32_t c = 1; c < columns; ++c) {
        const TCellColumn a = ColumnAt(c);
        if (a.rows < 3 || a[2] == 0) continue;
        const double phase = a.rows >= 4 ? std::numbers::pi * a[3] : 0.0;
        double offset = 0;
        for (int32_t j = 4; j < a.rows; ++j) offset += a[j];
        SetCell(0, c - 1, a[0] * std::sin(2 * std::numbers::pi * a[1] / a[2] + phase) + offset);
    }
}

void TPolinom2Function::Calculate() {
    const int32_t columns = Columns();
    for (int32_t c = 1; c < columns; ++c) {
        const TCellColumn a = ColumnAt(c);
        SetCell(0, c - 1, a[0] * a[0] * a[1] + a[0] * a[2] + a[3]);
    }
}

void TSumFunction::Calculate() {
    const int32_t columns = Columns();
    for (int32_t c = 1; c < columns; ++c) {
        const TCellColumn a = ColumnAt(c);
        double sum = 0;
        for (int32_t j = 0; j < a.rows; ++j) sum += a[j];
        SetCell(0, c - 1, sum);
    }
}

void TSubstrFunction::Calculate() {
    const int32_t columns = Columns();
    for (int32_t c = 1; c < columns; ++c) {
        const TCellColumn a = ColumnAt(c);
        double result = a[0];
        for (int32_t j = 1; j < a.rows; ++j) result -= a[j];
        SetCell(0, c - 1, result);
    }
}

void TMultiplyFunction::Calculate() {
    const int32_t columns = Columns();
    for (int32_t c = 1; c < columns; ++c) {
        const TCellColumn a = ColumnAt(c);
        double product = 1;
        for (int32_t j = 0; j < a.rows; ++j) product *= a[j];
        SetCell(0, c - 1, product);
    }
}

void TDivisionFunction::Calculate() {
    const int32_t columns = Columns();
    for (int32_t c = 1; c < columns; ++c) {
        const TCellColumn a = ColumnAt(c);
        double result = a[0];
        for (int32_t j = 1; j < a.rows; ++j) {
            if (a[j] != 0) result /= a[j];
        }
        SetCell(0, c - 1, result);
    }
}

void TArithmeticFunction::Calculate() {
    const int32_t columns = Columns();
    for (int32_t k = 0; 2 * k + 1 < columns; ++k) {
        const TCellColumn x = ColumnAt(2 * k + 1);
        const TCellColumn p = ColumnAt(2 * k + 2);
        double acc = x[0];
        for (int32_t j = 1; j < x.rows; ++j) {
            // A missing operator acts as an unknown one.
            const int32_t op = j - 1 < p.rows ? SaturatingTrunc<int32_t>(p[j - 1]) : -1;
            const double v = x[j];
            switch (op) {
                case 0:
                    acc += v;
                    break;
                case 1:
                    acc -= v;
                    break;
                case 2:
                    acc *= v;
                    break;
                case 3:
                    acc /= v;
                    break;
                case 4:
                    acc = std::max(acc, v);
                    break;
                case 5:
                    acc = std::min(acc, v);
                    break;
                case 6:
                case 7: {
                    const int64_t a = SaturatingTrunc<int64_t>(acc);
                    const int64_t b = SaturatingTrunc<int64_t>(v);
                    if (b == 0) {
                        acc = kNaN;
                    } else if (b == -1) {
                        // The one quotient that does not fit: saturate.
                        acc = op == 6 ? 0.0
                              : a == std::numeric_limits<int64_t>::min()
                                  ? double(std::numeric_limits<int64_t>::max())
                                  : double(-a);
                    } else {
                        acc = op == 6 ? double(a % b) : double(a / b);
                    }
                    break;
                }
                default:
                    break;
            }
        }
        SetCell(0, k, acc);
    }
}

void TRandomFunction::Calculate() {
    const int32_t columns = Columns();
    for (int32_t c = 1; c < columns; ++c) {
        const TCellColumn a = ColumnAt(c);
        if (a.rows < 1) {
            SetCell(0, c - 1, 0);
            continue;
        }
        double offset = 0;
        for (int32_t j = 1; j < a.rows; ++j) offset += a[j];
        SetCell(0, c - 1, RandomFloat() * a[0] + offset);
    }
}

void TIntRandomFunction::Calculate() {
    const int32_t columns = Columns();
    for (int32_t c = 1; c < columns; ++c) {
        const TCellColumn a = ColumnAt(c);
        if (a.rows < 1) {
            SetCell(0, c - 1, 0);
            continue;
        }
        const int64_t k = SaturatingTrunc<int32_t>(a[0]);
        const int64_t bound =
            std::min<int64_t>(k < 0 ? -k : k, std::numeric_limits<int32_t>::max());
        double offset = 0;
        for (int32_t j = 1; j < a.rows; ++j) offset += a[j];
        SetCell(0, c - 1, double(Random(int32_t(bound))) + offset);
    }
}

void TSwitchFunction::Calculate() {
    const int32_t columns = Columns();
    for (int32_t c = 1; c < columns; ++c) {
        const TCellColumn a = ColumnAt(c);
        if (a.rows < 5) continue;
        SetCell(0, c - 1, a[0] == a[1] ? a[3] : a[0] < a[1] ? a[2] : a[4]);
    }
}

void TLinearSegmentFunction::Calculate() {
    const int32_t columns = Columns();
    for (int32_t c = 1; c < columns; ++c) {
        const TCellColumn a = ColumnAt(c);
        if (a.rows < 4) continue;
        SetCell(0, c - 1, a[3] == 0 ? a[1] : a[0] + (a[1] - a[0]) * a[2] / a[3]);
    }
}

void TIntervalFunction::Calculate() {
    const int32_t columns = Columns();
    const TCellColumn inputs = ColumnAt(1);
    for (int32_t i = 0; i < inputs.rows; ++i) {
        const double x = inputs[i];
        const int32_t valueColumn = 2 * i + 3;
        if (valueColumn >= columns) {
            SetCell(0, i, 0);
            continue;
        }
        const TCellColumn t = ColumnAt(2 * i + 2);
        const TCellColumn u = ColumnAt(valueColumn);
        double result = u[t.rows - 1];
        for (int32_t j = 0; j + 1 < t.rows; ++j) {
            if (x <= t[j]) {
                result = u[j];
                break;
            }
        }
        SetCell(0, i, result);
    }
}

void TPiecewiseLinearInterpolationFunction::Calculate() {
    const int32_t columns = Columns();
    const double x = Cell(1, 0);
    for (int32_t k = 0; k < (columns - 2) / 2; ++k) {
        const TCellColumn knots = ColumnAt(2 * k + 2);
        const TCellColumn values = ColumnAt(2 * k + 3);
        const int32_t m = knots.rows;
        double result = values[m - 1];
        if (x < knots[m - 1]) {
            // Before the first knot: the first value.
            result = values[0];
            for (int32_t j = m - 2; j >= 0; --j) {
                if (knots[j] <= x) {
                    result = values[j] + (values[j + 1] - values[j]) * (x - knots[j]) /
                                             (knots[j + 1] - knots[j]);
                    break;
                }
            }
        }
        SetCell(0, k, result);
    }
}

void TMonteCarloFunction::Calculate() {
    if (Rows(0) == 0) return;
    SetCell(0, 0, 0);
    if (Columns() < 2) return;
    const int32_t inputs = Rows(1);
    if (inputs == 0) return;
    try {
        const Ref<ISurface> surface = SurfaceFromHandle(Cell(1, 0));
        if (!surface) return;
        const double threshold = inputs >= 2 ? Cell(1, 1) : 1.0;
        const int32_t tries =
            inputs >= 3 ? std::clamp(SaturatingRound<int32_t>(Cell(1, 2)), 0, kMaxMonteCarloTries)
                        : 1;
        const int32_t width = surface->GetWidth();
        const int32_t height = surface->GetHeight();
        if (width <= 0 || height <= 0) return;
        for (int32_t i = 0; i < tries; ++i) {
            const int32_t x = Random(width);
            const int32_t y = Random(height);
            uint32_t pixel = 0;
            surface->GetPixel(x, y, pixel);
            const uint32_t alpha = pixel >> 24;
            if (threshold <= double(alpha)) {
                SetCell(0, 0, 1);
                SetCell(0, 1, x);
                SetCell(0, 2, y);
                SetCell(0, 3, (pixel >> 16) & 0xFF);
                SetCell(0, 4, (pixel >> 8) & 0xFF);
                SetCell(0, 5, pixel & 0xFF);
                SetCell(0, 6, alpha);
                return;
            }
        }
    } catch (...) {
        // Sampling is best effort: the outputs keep what was written.
    }
}

// ---------------------------------------------------------------------------
// Surface handles

namespace {

// Slot i holds handle i + 1.
std::vector<Ref<ISurface>>& SurfaceHandles() {
    static std::vector<Ref<ISurface>> handles;
    return handles;
}

// Handles stay below 2^24, where every whole number is exact in a float.
constexpr size_t kMaxSurfaceHandles = (size_t(1) << 24) - 1;

}  // namespace

double AcquireSurfaceHandle(const Ref<ISurface>& surface) {
    if (!surface) return 0;
    std::vector<Ref<ISurface>>& handles = SurfaceHandles();
    for (size_t i = 0; i < handles.size(); ++i) {
        if (!handles[i]) {
            handles[i] = surface;
            return double(i + 1);
        }
    }
    if (handles.size() >= kMaxSurfaceHandles) {
        Log("FUNCTION", "every surface handle is in use; the surface gets none");
        return 0;
    }
    handles.push_back(surface);
    return double(handles.size());
}

void ReleaseSurfaceHandle(double handle) {
    std::vector<Ref<ISurface>>& handles = SurfaceHandles();
    if (!(handle >= 1 && handle <= double(handles.size())) || handle != std::trunc(handle)) return;
    handles[size_t(handle) - 1] = nullptr;
}

Ref<ISurface> SurfaceFromHandle(double handle) {
    std::vector<Ref<ISurface>>& handles = SurfaceHandles();
    if (!(handle >= 1 && handle <= double(handles.size())) || handle != std::trunc(handle)) {
        return nullptr;
    }
    return handles[size_t(handle) - 1];
}

void ReleaseAllSurfaceHandles() {
    std::vector<Ref<ISurface>>().swap(SurfaceHandles());
}

// ---------------------------------------------------------------------------
// Registration

void RegisterFunctionClasses() {
    RegisterObjectClass(ClassOf<TComplexFunction>(), "function_complex");
    RegisterObjectClass(ClassOf<TFuncSelectorFunction>(), "function_selector");
    RegisterObjectClass(ClassOf<TFuncSelectorFunction>(), "function_selector_func");
    RegisterObjectClass(ClassOf<TConstSelectorFunction>(), "function_selector_const");
    RegisterObjectClass(ClassOf<TSinFunction>(), "function_sin");
    RegisterObjectClass(ClassOf<TPolinom2Function>(), "function_polinom2");
    RegisterObjectClass(ClassOf<TSumFunction>(), "function_sum");
    RegisterObjectClass(ClassOf<TSubstrFunction>(), "function_substr");
    RegisterObjectClass(ClassOf<TMultiplyFunction>(), "function_multiply");
    RegisterObjectClass(ClassOf<TDivisionFunction>(), "function_division");
    RegisterObjectClass(ClassOf<TArithmeticFunction>(), "function_arithmetic");
    RegisterObjectClass(ClassOf<TEvalFunction>(), "function_eval");
    RegisterObjectClass(ClassOf<TRandomFunction>(), "function_random");
    RegisterObjectClass(ClassOf<TIntRandomFunction>(), "function_int_random");
    RegisterObjectClass(ClassOf<TSwitchFunction>(), "function_switch");
    RegisterObjectClass(ClassOf<TIntervalFunction>(), "function_interval");
    RegisterObjectClass(ClassOf<TPiecewiseLinearInterpolationFunction>(), "function_piecewise");
    RegisterObjectClass(ClassOf<TLinearSegmentFunction>(), "function_linear_segment");
    RegisterObjectClass(ClassOf<TMonteCarloFunction>(), "function_montecarlo");
}
