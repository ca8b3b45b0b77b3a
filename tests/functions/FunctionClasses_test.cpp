#include "functions/FunctionClasses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include "core/base/Random.h"
#include "functions/PathFunctionClasses.h"
#include "tests/functions/FunctionFixtures.h"
#include "tests/support/LogCapture.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kUnchanged = 42;

using TColumns = std::vector<std::vector<float>>;

// A function of the family over static cells: outputs (0, i) start at 42.
Ref<IFunction> FamilyFunction(const std::string& type, size_t outputs, const TColumns& columns) {
    Ref<IFunction> function = NewFunction(type);
    for (size_t i = 0; i < outputs; ++i)
        Def(function, Numbered("out", i), 0, int32_t(i), kUnchanged);
    FillColumns(function, columns);
    function->SetOwner(nullptr);
    return function;
}

void ExpectOutputs(const Ref<IFunction>& function, const std::vector<float>& expected) {
    ASSERT_EQ(function->GetOutputCount(), int32_t(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        const double value = function->GetOutput(int32_t(i));
        if (std::isnan(expected[i])) {
            EXPECT_TRUE(std::isnan(value)) << "output " << i << " is " << value;
        } else {
            EXPECT_NEAR(value, expected[i], 1e-4) << "output " << i;
        }
    }
}

TEST(FunctionFamily, OutputsFromArgumentColumns) {
    struct Case {
        const char* type;
        TColumns columns;  // from column 1 on
        std::vector<float> expected;
    };
    const Case cases[] = {
        {"function_sum", {{}, {1, 2, 3}}, {0, 6}},
        {"function_substr", {{}, {10, 3, 2}}, {0, 5}},
        {"function_multiply", {{}, {2, 3}}, {1, 6}},
        {"function_division", {{}, {12, 0, 3}}, {0, 4}},
        {"function_polinom2", {{2, 3, 4, 5}}, {25}},
        {"function_sin", {{2, 250, 1000}}, {2}},
        {"function_sin", {{2, 250, 1000, 0.5f}}, {0}},
        {"function_sin", {{2, 250, 1000, 0, 1, 2}}, {5}},
        {"function_sin", {{2, 250, 0}, {2, 250}}, {kUnchanged, kUnchanged}},
        {"function_switch", {{1, 1, 10, 20, 30}}, {20}},
        {"function_switch", {{0, 1, 10, 20, 30}}, {10}},
        {"function_switch", {{2, 1, 10, 20, 30}}, {30}},
        {"function_switch", {{1, 1, 10, 20}}, {kUnchanged}},
        {"function_linear_segment", {{0, 100, 5, 10}}, {50}},
        {"function_linear_segment", {{0, 100, 5, 0}}, {100}},
        {"function_linear_segment", {{0, 100, 5}}, {kUnchanged}},
        // Operands and operators in column pairs.
        {"function_arithmetic", {{2, 3, 4}, {2, 0}}, {10}},
        {"function_arithmetic", {{2, 3, 4}, {7, 0}}, {4}},
        {"function_arithmetic", {{3, 5, 1}, {4, 1}}, {4}},
        {"function_arithmetic", {{3, 5}, {5}}, {3}},
        {"function_arithmetic", {{7, 2}, {3}}, {3.5f}},
        {"function_arithmetic", {{7.9f, 3}, {6}}, {1}},
        {"function_arithmetic", {{-7, 3}, {6}}, {-1}},
        {"function_arithmetic", {{-7, 2}, {7}}, {-3}},
        {"function_arithmetic", {{2, 3}, {9}}, {2}},
        {"function_arithmetic", {{5, 0.5f}, {6}}, {kNaN}},
        {"function_arithmetic", {{5, 0}, {7}}, {kNaN}},
        {"function_arithmetic", {{-1e19f, -1}, {7}}, {9.223372e18f}},
        // A missing operator column or operator row leaves the running value.
        {"function_arithmetic", {{2, 3}}, {2}},
        {"function_arithmetic", {{2, 3, 4}, {0}}, {5}},
        {"function_arithmetic", {{}, {}, {1}}, {0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " case " + std::to_string(&c - cases));
        Ref<IFunction> function = FamilyFunction(c.type, c.expected.size(), c.columns);
        function->Calculate();
        ExpectOutputs(function, c.expected);
        function->ReleaseOwner();
    }
}

TEST(FunctionFamily, LookupsOfInputs) {
    struct Case {
        const char* type;
        TColumns columns;  // column 1 holds the inputs
        std::vector<float> expected;
    };
    const Case cases[] = {
        // Thresholds (1, 5, 9) and values (10, 20, 30).
        {"function_interval", {{0.5f}, {1, 5, 9}, {10, 20, 30}}, {10}},
        {"function_interval", {{5}, {1, 5, 9}, {10, 20, 30}}, {20}},
        {"function_interval", {{7}, {1, 5, 9}, {10, 20, 30}}, {30}},
        {"function_interval", {{100}, {1, 5, 9}, {10, 20, 30}}, {30}},
        // Two inputs, the second without a value column.
        {"function_interval", {{0, 3}, {1, 5}, {10, 20}, {9}}, {10, 0}},
        // No thresholds, or values shorter than the thresholds.
        {"function_interval", {{4}, {}, {10}}, {0}},
        {"function_interval", {{4}, {1, 5, 9}, {10}}, {0}},
        // Knots (0, 10) and values (7, 100).
        {"function_piecewise", {{5}, {0, 10}, {7, 100}}, {53.5f}},
        {"function_piecewise", {{10}, {0, 10}, {7, 100}}, {100}},
        {"function_piecewise", {{20}, {0, 10}, {7, 100}}, {100}},
        {"function_piecewise", {{-5}, {0, 10}, {7, 100}}, {7}},
        {"function_piecewise", {{2}, {0, 4, 10}, {0, 100, 40, 8}, {1, 2}, {6, 8}}, {50, 8}},
        {"function_piecewise", {{}, {0, 10}, {7, 100}}, {7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " case " + std::to_string(&c - cases));
        Ref<IFunction> function = FamilyFunction(c.type, c.expected.size(), c.columns);
        function->Calculate();
        ExpectOutputs(function, c.expected);
    }
}

TEST(FunctionFamily, RandomDrawsFollowTheGenerator) {
    Ref<IFunction> function = FamilyFunction("function_random", 2, {{}, {10, 1, 2}});
    RandomSeed(11);
    const double u = RandomFloat();
    RandomSeed(11);
    function->Calculate();
    ExpectOutputs(function, {0, float(u * 10 + 3)});

    struct Case {
        float bound;
        int32_t expectedDistinct;
    };
    // Whole numbers 0 .. |trunc(a0)| - 1 plus the offset; 0 for a zero,
    // NaN or tiny bound; huge bounds saturate instead of overflowing.
    const Case cases[] = {{5.9f, 5}, {-5, 5}, {0.5f, 1}, {0, 1}, {kNaN, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bound);
        Ref<IFunction> dice = FamilyFunction("function_int_random", 1, {{c.bound, 100}});
        std::set<double> seen;
        for (int i = 0; i < 200; ++i) {
            dice->Calculate();
            const double value = dice->GetOutput(0);
            EXPECT_GE(value, 100);
            EXPECT_LT(value, 100 + std::max(1, c.expectedDistinct));
            EXPECT_EQ(value, std::trunc(value));
            seen.insert(value);
        }
        EXPECT_EQ(int32_t(seen.size()), c.expectedDistinct);
    }
    for (float huge : {3e9f, -3e9f, -2147483648.0f}) {
        Ref<IFunction> dice = FamilyFunction("function_int_random", 1, {{huge}});
        dice->Calculate();
        EXPECT_GE(dice->GetOutput(0), 0);
    }
}

// The multiply function's cells are the composite's, so the composite's
// input 2 gives its output 6.
constexpr const char* kAliasing = R"(
<function name="doubler" type="function_complex">
  <paramspace><paramdefs>
    <paramdef name="x" col="1" row="0" static="yes" value="0"/>
    <paramdef name="y" col="0" row="0" static="yes" value="0"/>
    <paramdef name="K" col="2" row="0" static="yes" value="5"/>
  </paramdefs></paramspace>
  <functions>
    <function name="times" type="function_multiply">
      <paramspace><paramdefs>
        <paramdef name="out" col="0" row="0" outname="y"/>
        <paramdef name="in" col="1" row="0" outname="x"/>
        <paramdef name="three" col="1" row="1" static="yes" value="3"/>
      </paramdefs></paramspace>
    </function>
  </functions>
</function>)";

TEST(Functions, SubFunctionsWorkOnTheCompositesCells) {
    Ref<IFunction> composite = LoadFunction(kAliasing);
    ASSERT_TRUE(composite);
    composite->SetOwner(nullptr);
    composite->SetInput(0, 2);
    composite->Calculate();
    EXPECT_EQ(composite->GetOutput(0), 6);
    Ref<IFunction> times = composite->GetFunctions()->GetItemByName("TIMES");
    ASSERT_TRUE(times);
    EXPECT_EQ(times->GetOutput(0), 6);
    EXPECT_EQ(times->GetInputCount(), 2);

    // Named access ignores case; absent names read 0 and take nothing.
    EXPECT_EQ(composite->GetValue("k"), 5);
    composite->SetValue("k", 8);
    EXPECT_EQ(composite->GetValue("K"), 8);
    EXPECT_EQ(composite->GetValue("none"), 0);
    composite->SetValue("none", 1);
    EXPECT_EQ(times->GetValue("three"), 3);

    // Names and outnames by position; empty for a hole or outside.
    EXPECT_EQ(times->GetParamName(0, 0), "out");
    EXPECT_EQ(times->GetParamOutName(0, 0), "y");
    EXPECT_EQ(times->GetParamOutName(1, 1), "three");
    EXPECT_EQ(times->GetParamName(1, 5), "");
    EXPECT_EQ(times->GetParamOutName(-1, 0), "");
    EXPECT_EQ(composite->GetParamName(1, 0), "x");

    // Binding again restarts the static cells and relinks the sub-function.
    composite->SetOwner(nullptr);
    EXPECT_EQ(composite->GetValue("K"), 5);
    composite->SetInput(0, 4);
    composite->Calculate();
    EXPECT_EQ(composite->GetOutput(0), 12);
    composite->ReleaseOwner();
    EXPECT_EQ(composite->GetInputCount(), 0);
    EXPECT_EQ(composite->GetOutput(0), 0);
}

TEST(Functions, ACompositeWithoutSubFunctionsKeepsItsOutputs) {
    Ref<IFunction> composite = NewFunction("function_complex");
    Def(composite, "y", 0, 0, 9);
    composite->SetOwner(nullptr);
    composite->Calculate();
    EXPECT_EQ(composite->GetOutput(0), 9);
    EXPECT_EQ(composite->GetFunctions()->GetCount(), 0);
}

TEST(Functions, AnUnboundFunctionHasNoCellsAndTakesNoWrites) {
    Ref<IFunction> function = NewFunction("function_sum");
    Def(function, "y", 0, 0, 1);
    Def(function, "x", 1, 0, 2);
    function->SetInput(0, 5);
    function->Calculate();
    EXPECT_EQ(function->GetOutputCount(), 0);
    EXPECT_EQ(function->GetOutput(0), 0);
    function->SetOwner(nullptr);
    function->Calculate();
    EXPECT_EQ(function->GetOutput(0), 2);
}

// A sub-function that outlives its composite keeps no link into it.
TEST(Functions, ChildrenAreReleasedWhenTheirParentGoes) {
    Ref<IFunction> times;
    {
        Ref<IFunction> composite = LoadFunction(kAliasing);
        composite->SetOwner(nullptr);
        times = composite->GetFunctions()->GetItemByName("times");
    }
    EXPECT_EQ(dynamic_cast<TFunction&>(*times).GetOwner(), nullptr);
    EXPECT_EQ(times->GetOutputCount(), 0);
    times->Calculate();
}

std::string PreparationXml(const std::string& preparation, const std::string& type,
                           const std::string& subs) {
    return R"(<function name="main" type=")" + type + R"("><paramspace/>)" + preparation + subs +
           "</function>";
}

TEST(Functions, PreparationOrder) {
    struct Case {
        const char* what;
        std::string xml;
        std::vector<std::string> expected;
    };
    const std::string before = R"(<function name="before" type="test_recorder"/>)";
    const std::string after = R"(<function name="after" type="test_recorder"/>)";
    const auto prep = [](const std::string& subs) {
        return R"(<preparation_function name="prep" type="function_complex"><functions>)" + subs +
               "</functions></preparation_function>";
    };
    const std::string subs = R"(<functions>
        <function name="s1" type="test_recorder">
          <preparation_function name="p1" type="test_recorder"/>
        </function>
        <function name="s2" type="test_recorder"/>
      </functions>)";
    const Case cases[] = {
        {"no preparation", PreparationXml("", "test_recorder", ""), {"statics:main"}},
        {"a simple preparation function",
         PreparationXml(R"(<preparation_function name="p" type="test_recorder"/>)", "test_recorder",
                        ""),
         {"calc:p", "statics:main"}},
        {"before only",
         PreparationXml(prep(before), "test_recorder", ""),
         {"calc:before", "statics:main"}},
        {"after only",
         PreparationXml(prep(after), "test_recorder", ""),
         {"statics:main", "calc:after"}},
        {"both",
         PreparationXml(prep(after + before), "test_recorder", ""),
         {"calc:before", "statics:main", "calc:after"}},
        {"other names: the whole preparation function first",
         PreparationXml(prep(R"(<function name="a" type="test_recorder"/>
                                <function name="b" type="test_recorder"/>)"),
                        "test_recorder", ""),
         {"calc:a", "calc:b", "statics:main"}},
        {"a composite: own before, each sub-function's preparation, own after",
         PreparationXml(prep(before + after), "function_complex", subs),
         {"calc:before", "calc:p1", "statics:s1", "statics:s2", "calc:after"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Ref<IFunction> function = LoadFunction(c.xml);
        ASSERT_TRUE(function);
        function->SetOwner(nullptr);
        RecordedCalls().clear();
        function->Prepare();
        EXPECT_EQ(RecordedCalls(), c.expected);
        function->ReleaseOwner();
    }
}

// A selector over a recorder "sel" (whose output 0 is its cell (2, 0)) and
// recorders r1 and r2.
Ref<IFunction> Selector(const std::string& type, float value) {
    Ref<IFunction> selector = LoadFunction(R"(
      <function type=")" + type + R"(">
        <paramspace><paramdefs>
          <paramdef name="choice" col="2" row="0" static="yes" value="1"/>
        </paramdefs></paramspace>
        <functions>
          <function name="sel" type="test_recorder"><paramspace><paramdefs>
            <paramdef name="out" col="0" row="0" static="yes"/>
            <paramdef name="value" col="2" row="0" static="yes"/>
          </paramdefs></paramspace></function>
          <function name="r1" type="test_recorder"/>
          <function name="r2" type="test_recorder"/>
        </functions>
      </function>)");
    selector->SetOwner(nullptr);
    selector->GetFunctions()->GetItemByIndex(0)->SetValue("value", value);
    selector->SetValue("choice", value);
    return selector;
}

TEST(Functions, SelectorsCalculateOnlyTheSelectedSubFunction) {
    struct Case {
        const char* type;
        float value;
        std::vector<std::string> expected;
    };
    const float inf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {"function_selector_func", 2.7f, {"calc:sel", "calc:r2"}},
        {"function_selector", 1, {"calc:sel", "calc:r1"}},
        // -0.5 cuts to 0: the selector itself again.
        {"function_selector_func", -0.5f, {"calc:sel", "calc:sel"}},
        {"function_selector_func", 3, {"calc:sel"}},
        {"function_selector_func", -1, {"calc:sel"}},
        {"function_selector_func", kNaN, {"calc:sel"}},
        {"function_selector_func", inf, {"calc:sel"}},
        {"function_selector_func", 1e10f, {"calc:sel"}},
        {"function_selector_const", 2.9f, {"calc:r2"}},
        {"function_selector_const", 0, {"calc:sel"}},
        {"function_selector_const", 3, {}},
        {"function_selector_const", kNaN, {}},
        {"function_selector_const", -inf, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + std::to_string(c.value));
        Ref<IFunction> selector = Selector(c.type, c.value);
        RecordedCalls().clear();
        selector->Calculate();
        EXPECT_EQ(RecordedCalls(), c.expected);
    }
    // Without sub-functions, or when the first has no output, nothing runs.
    Ref<IFunction> empty = NewFunction("function_selector_func");
    empty->SetOwner(nullptr);
    empty->Calculate();
    Ref<IFunction> mute = LoadFunction(R"(<function type="function_selector_func"><functions>
        <function name="m" type="test_recorder"/><function name="r" type="test_recorder"/>
      </functions></function>)");
    mute->SetOwner(nullptr);
    RecordedCalls().clear();
    mute->Calculate();
    EXPECT_EQ(RecordedCalls(), std::vector<std::string>{"calc:m"});
}

// An owner of the kind particle systems and widgets are: a space of its own.
class TTestOwner : public IFunctionOwner {
public:
    TTestOwner() : space_(CreateObject<TParamSpace>()) {
        space_->AddParamDef("t", 1, 0, true, "", 0);
        space_->AddParamDef("y", 0, 0, true, "", 0);
        space_->SetParentSpace(nullptr);
    }
    Ref<IParamSpace> GetParamSpace() override { return space_; }
    TParamSpace& Space() { return *space_; }

private:
    Ref<TParamSpace> space_;
};

std::string EvalXml(const std::string& expression, const std::string& defs =
                                                       R"(<paramdef name="t" col="1"/>
                                                          <paramdef name="y" col="0"/>)") {
    return R"(<function name="calc" type="function_eval"><paramspace><paramdefs>)" + defs +
           "</paramdefs></paramspace><expression>" + expression + "</expression></function>";
}

TEST(EvalFunction, WritesIntoItsOwnersCells) {
    TTestOwner owner;
    Ref<IFunction> eval = LoadFunction(EvalXml("y := t * 2"));
    ASSERT_TRUE(eval);
    eval->SetOwner(&owner);
    for (float t : {21.0f, -3.5f}) {
        owner.Space().SetValue("t", t);
        eval->Calculate();
        EXPECT_EQ(owner.Space().GetValue("y"), 2 * t);
    }
    eval->ReleaseOwner();
    // Released: the owner's cells are no longer written.
    owner.Space().SetValue("y", 0);
    eval->Calculate();
    EXPECT_EQ(owner.Space().GetValue("y"), 0);
}

TEST(EvalFunction, WithoutAnOwnerItsLinkedCellsAreItsOwn) {
    Ref<IFunction> eval = LoadFunction(EvalXml("// twice the input\n\n y := t * 2 \n z := y + 1",
                                               R"(<paramdef name="t" col="1"/>
                                                  <paramdef name="y" col="0"/>
                                                  <paramdef name="z" col="0"/>
                                                  <paramdef name="(" col="2"/>
                                                  <paramdef col="2"/>)"));
    eval->SetOwner(nullptr);
    EXPECT_TRUE(dynamic_cast<TEvalFunction&>(*eval).IsCompiled());
    eval->SetInput(0, 5);
    eval->Calculate();
    EXPECT_EQ(eval->GetOutput(0), 10);
    EXPECT_EQ(eval->GetOutput(1), 11);
}

TEST(EvalFunction, ErrorsTurnItOffUntilTheNextBinding) {
    struct Case {
        const char* expression;
        const char* logged;
        bool compiled;  // after SetOwner
    };
    const Case cases[] = {
        {"y := (t", "does not compile", false},
        {"y := t div z", "stopped", true},
        {"", nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        TLogCapture log;
        Ref<IFunction> eval = LoadFunction(EvalXml(c.expression, R"(<paramdef name="t" col="1"/>
                                                                     <paramdef name="z" col="1"/>
                                                                     <paramdef name="y" col="0"/>)"));
        auto& typed = dynamic_cast<TEvalFunction&>(*eval);
        eval->SetOwner(nullptr);
        EXPECT_EQ(typed.IsCompiled(), c.compiled);
        eval->SetInput(0, 4);
        eval->SetOutput(0, 7);
        EXPECT_NO_THROW(eval->Calculate());
        EXPECT_NO_THROW(eval->Calculate());
        EXPECT_FALSE(typed.IsCompiled() && c.logged);
        EXPECT_EQ(eval->GetOutput(0), 7);
        if (c.logged) {
            EXPECT_TRUE(log.Has({"FUNCTION", "\"calc\"", c.logged}));
            EXPECT_EQ(log.Lines().size(), 1u);
        } else {
            EXPECT_TRUE(log.Lines().empty());
        }
    }
    // Binding again compiles again.
    Ref<IFunction> eval = LoadFunction(EvalXml("y := t div z", R"(<paramdef name="t" col="1"/>
                                                                  <paramdef name="z" col="1"/>
                                                                  <paramdef name="y" col="0"/>)"));
    TLogCapture log;
    eval->SetOwner(nullptr);
    eval->Calculate();
    eval->SetOwner(nullptr);
    eval->SetInput(0, 9);
    eval->SetInput(1, 2);
    eval->Calculate();
    EXPECT_EQ(eval->GetOutput(0), 4);
}

Ref<TSurface> TestSurface(int32_t width, int32_t height) {
    Ref<TSurface> surface = MakeRef<TSurface>();
    surface->SetSize(width, height);
    surface->SetTransparent(true);
    return surface;
}

// Outputs x, y, red, green, blue and alpha after the hit flag.
Ref<IFunction> MonteCarlo(double handle, float threshold, float tries) {
    Ref<IFunction> function = NewFunction("function_montecarlo");
    for (int32_t i = 0; i < 7; ++i) Def(function, Numbered("o", size_t(i)), 0, i, kUnchanged);
    Def(function, "surface", 1, 0, float(handle));
    Def(function, "threshold", 1, 1, threshold);
    Def(function, "tries", 1, 2, tries);
    function->SetOwner(nullptr);
    return function;
}

TEST(MonteCarloFunction, SamplesOpaquePixels) {
    Ref<TSurface> clear = TestSurface(4, 4);
    Ref<TSurface> dotted = TestSurface(4, 4);
    dotted->SetPixel(2, 3, 0xC8102030);
    dotted->SetPixel(1, 1, 0x05FFFFFF);  // below the threshold
    Ref<TSurface> empty = TestSurface(0, 0);
    const double clearHandle = AcquireSurfaceHandle(clear);
    const double dottedHandle = AcquireSurfaceHandle(dotted);
    const double emptyHandle = AcquireSurfaceHandle(empty);
    const float x = kUnchanged;
    struct Case {
        const char* what;
        double handle;
        float threshold, tries;
        std::vector<float> expected;
    };
    const Case cases[] = {
        {"no surface", 0, 1, 10, {0, x, x, x, x, x, x}},
        {"a handle not in use", 999, 1, 10, {0, x, x, x, x, x, x}},
        {"a transparent surface", clearHandle, 1, 500, {0, x, x, x, x, x, x}},
        {"an empty surface", emptyHandle, 0, 10, {0, x, x, x, x, x, x}},
        {"the one opaque pixel", dottedHandle, 100, 2000, {1, 2, 3, 0x10, 0x20, 0x30, 0xC8}},
        {"threshold 0 takes the first pixel", clearHandle, 0, 1, {1, kNaN, kNaN, 0, 0, 0, 0}},
        {"tries beyond the bound end", clearHandle, 1, 1e30f, {0, x, x, x, x, x, x}},
        {"NaN tries", clearHandle, 1, kNaN, {0, x, x, x, x, x, x}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RandomSeed(7);
        Ref<IFunction> function = MonteCarlo(c.handle, c.threshold, c.tries);
        function->Calculate();
        for (size_t i = 0; i < c.expected.size(); ++i) {
            if (std::isnan(c.expected[i])) {
                EXPECT_LT(function->GetOutput(int32_t(i)), 4) << i;  // some pixel position
            } else {
                EXPECT_EQ(function->GetOutput(int32_t(i)), c.expected[i]) << i;
            }
        }
    }
    // Fewer outputs are filled as far as they go; fewer inputs take the
    // defaults (threshold 1, one try).
    Ref<IFunction> short1 = NewFunction("function_montecarlo");
    Def(short1, "hit", 0, 0, kUnchanged);
    Def(short1, "x", 0, 1, kUnchanged);
    Def(short1, "surface", 1, 0, float(dottedHandle));
    short1->SetOwner(nullptr);
    bool hit = false;
    for (int i = 0; i < 200 && !hit; ++i) {
        short1->Calculate();
        hit = short1->GetOutput(0) == 1;
    }
    EXPECT_TRUE(hit);
    EXPECT_EQ(short1->GetOutput(1), 2);

    ReleaseSurfaceHandle(clearHandle);
    ReleaseSurfaceHandle(dottedHandle);
    ReleaseSurfaceHandle(emptyHandle);
}

TEST(MonteCarloFunction, HandlesCarrySurfaces) {
    Ref<TSurface> a = TestSurface(1, 1);
    Ref<TSurface> b = TestSurface(1, 1);
    const double first = AcquireSurfaceHandle(a);
    const double second = AcquireSurfaceHandle(b);
    EXPECT_GE(first, 1);
    EXPECT_NE(first, second);
    EXPECT_EQ(float(first), first);  // exact in a cell
    EXPECT_EQ(SurfaceFromHandle(first).get(), a.get());
    EXPECT_EQ(SurfaceFromHandle(float(second)).get(), b.get());
    EXPECT_EQ(AcquireSurfaceHandle(nullptr), 0);
    // The table holds a reference until the handle is released.
    const int32_t held = a->RefCount();
    ReleaseSurfaceHandle(first);
    EXPECT_EQ(a->RefCount(), held - 1);
    EXPECT_FALSE(SurfaceFromHandle(first));
    for (double bad : {0.0, -1.0, 1.5, double(kNaN), 1e30}) EXPECT_FALSE(SurfaceFromHandle(bad));
    ReleaseSurfaceHandle(kNaN);
    ReleaseSurfaceHandle(second);
}

TEST(Functions, SaveAndLoadKeepTheWholeFunction) {
    const std::string xml = R"(
<function name="update" type="function_complex">
  <paramspace><paramdefs>
    <paramdef name="t" col="1" row="0" static="yes" value="0"/>
    <paramdef name="gap" col="1" row="2" static="yes" value="3"/>
    <paramdef name="x" col="0" row="0" static="yes"/>
    <paramdef name="y" col="0" row="1" static="yes"/>
    <paramdef name="z" col="0" row="2" static="yes"/>
  </paramdefs></paramspace>
  <preparation_function type="function_eval">
    <paramspace><paramdefs><paramdef name="gap" col="1"/></paramdefs></paramspace>
    <expression>gap := gap + 1</expression>
  </preparation_function>
  <functions>
    <function name="twice" type="function_eval">
      <paramspace><paramdefs>
        <paramdef name="t" col="1"/><paramdef name="x" col="0"/>
      </paramdefs></paramspace>
      <expression>x := t * 2</expression>
    </function>
    <function type="function_sum">
      <paramspace><paramdefs>
        <paramdef name="y" col="0" row="0"/>
        <paramdef name="a" col="1" row="0" outcol="1" outrow="0"/>
        <paramdef name="b" col="1" row="1" outcol="1" outrow="2"/>
      </paramdefs></paramspace>
    </function>
    <function type="function_interval">
      <paramspace><paramdefs>
        <paramdef name="z" col="0" row="0"/>
        <paramdef name="t" col="1" row="0"/>
        <paramdef name="th" col="2" row="0" static="yes" value="5"/>
        <paramdef name="th2" col="2" row="1" static="yes" value="9"/>
        <paramdef name="v1" col="3" row="0" static="yes" value="100"/>
        <paramdef name="v2" col="3" row="1" static="yes" value="200"/>
      </paramdefs></paramspace>
    </function>
  </functions>
</function>)";
    auto outputs = [](const Ref<IFunction>& function) {
        function->SetOwner(nullptr);
        std::vector<double> values;
        for (float t : {1.0f, 7.0f}) {
            function->SetInput(0, t);
            function->Prepare();
            function->Calculate();
            for (int32_t i = 0; i < 3; ++i) values.push_back(function->GetOutput(i));
        }
        return values;
    };
    Ref<IFunction> original = LoadFunction(xml);
    ASSERT_TRUE(original);
    // Unnamed sub-functions after the first are kept.
    EXPECT_EQ(original->GetFunctions()->GetCount(), 3);
    const std::vector<double> expected = outputs(original);
    EXPECT_EQ(expected, (std::vector<double>{2, 5, 100, 14, 12, 200}));

    const std::string saved = SaveToText(original, "function");
    Ref<IFunction> again = LoadFunction(saved);
    ASSERT_TRUE(again);
    EXPECT_EQ(outputs(again), expected);
    EXPECT_EQ(SaveToText(again, "function"), saved);
    EXPECT_NE(saved.find(R"(type="function_complex")"), std::string::npos);
    EXPECT_NE(saved.find("<expression>x := t * 2</expression>"), std::string::npos);
    EXPECT_NE(saved.find(R"(<preparation_function type="function_eval">)"), std::string::npos);
}

TEST(Functions, EveryRegisteredNameCreatesItsClass) {
    struct Case {
        const char* name;
        const std::type_info& type;
        const char* savedType;
    };
    const Case cases[] = {
        {"function_complex", typeid(TComplexFunction), "function_complex"},
        {"function_selector", typeid(TFuncSelectorFunction), "function_selector"},
        {"function_selector_func", typeid(TFuncSelectorFunction), "function_selector"},
        {"function_selector_const", typeid(TConstSelectorFunction), "function_selector_const"},
        {"function_sin", typeid(TSinFunction), "function_sin"},
        {"function_polinom2", typeid(TPolinom2Function), "function_polinom2"},
        {"function_sum", typeid(TSumFunction), "function_sum"},
        {"function_substr", typeid(TSubstrFunction), "function_substr"},
        {"function_multiply", typeid(TMultiplyFunction), "function_multiply"},
        {"function_division", typeid(TDivisionFunction), "function_division"},
        {"function_arithmetic", typeid(TArithmeticFunction), "function_arithmetic"},
        {"function_eval", typeid(TEvalFunction), "function_eval"},
        {"function_random", typeid(TRandomFunction), "function_random"},
        {"function_int_random", typeid(TIntRandomFunction), "function_int_random"},
        {"function_switch", typeid(TSwitchFunction), "function_switch"},
        {"function_interval", typeid(TIntervalFunction), "function_interval"},
        {"function_piecewise", typeid(TPiecewiseLinearInterpolationFunction), "function_piecewise"},
        {"function_linear_segment", typeid(TLinearSegmentFunction), "function_linear_segment"},
        {"function_montecarlo", typeid(TMonteCarloFunction), "function_montecarlo"},
        {"path_bezier", typeid(TBezierPathFunction), "path_bezier"},
        {"path_segment", typeid(TSegmentPathFunction), "path_segment"},
        {"path_arc", typeid(TArcPathFunction), "path_arc"},
        {"path_segment_accelerate", typeid(TAccelerateSegmentPathFunction),
         "path_segment_accelerate"},
        {"path_composite", typeid(TCompositePathFunction), "path_composite"},
        {"path_arbitrary", typeid(TArbitraryPathFunction), "path_arbitrary"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<IFunction> function = NewFunction(c.name);
        ASSERT_TRUE(function);
        EXPECT_EQ(typeid(*function), c.type);
        EXPECT_EQ(Query<IPersistObject>(function)->GetNodeName(), "function");
        const std::string saved = SaveToText(function, "function");
        EXPECT_NE(saved.find(std::string("type=\"") + c.savedType + "\""), std::string::npos)
            << saved;
    }
}

}  // namespace
