#include "functions/ParseExpr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "tests/support/Errors.h"
#include "tests/support/Locale.h"

// Counts the allocations of this test program while a test asks for it.
namespace {
bool gCounting = false;
long gAllocations = 0;
long gLive = 0;
}  // namespace

// GCC pairs the malloc inside this operator new with the free inside the
// operator delete below and warns, wrongly, where both are inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    if (gCounting) ++gAllocations;
    ++gLive;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    if (p) --gLive;
    std::free(p);
}
void operator delete[](void* p) noexcept {
    operator delete(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    operator delete(p);
}
#pragma GCC diagnostic pop

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct TValueCase {
    const char* text;
    float value;
};

TEST(ExpressionParserTest, PrecedenceAndAssociativity) {
    const TValueCase cases[] = {
        {"2+3*4", 14},
        {"2*3+4", 10},
        {"(2+3)*4", 20},
        {"2^3^2", 64},
        {"-2^2", 4},
        {"10-4-3", 3},
        {"8/4/2", 1},
        {"2*-3", -6},
        {"2 - - 3", 5},
        {"not 1 = 2", 1},
        {"not 0 and 0", 0},
        {"1 + 2 = 3", 1},
        {"1 = 1 and 2 = 2", 1},
        {"2 + 3 in 5", 2},
        {"-3!", 1},
        {"2*3!", 12},
        {"3! + 1", 7},
        {"50% * 2", 1},
        {"2 ^ 3 * 2", 16},
        {"-(2+3)", -5},
        {"-(-(-1))", -1},
        {"((((1))))", 1},
        {"max(1, 2) * 3", 6},
        {"if(1 > 2, 10, 20) + 1", 21},
        {"sin(0)+cos(0)", 1},
        {"$ff", 255},
        {"$FF + 1", 256},
        {".5", 0.5f},
        {"1e2", 100},
        {"1.5e-1", 0.15f},
        {"2.5e+1", 25},
        {"  7  ", 7},
        {"SQRT(16)", 4},
        {"1e50", std::numeric_limits<float>::infinity()},
    };
    for (const TValueCase& c : cases) {
        TExpressionParser parser;
        EXPECT_FLOAT_EQ(parser.Evaluate(c.text), c.value) << c.text;
    }
}

TEST(ExpressionParserTest, AssignmentAndIncrementWriteTheBoundCell) {
    TExpressionParser parser;
    float x = 10;
    parser.DefineVariable("x", &x);
    const TValueCase cases[] = {
        {"x := 2+3", 5}, {"x", 5}, {"--x", 4}, {"x++", 5}, {"++x", 6}, {"x := x * 2", 12},
    };
    for (const TValueCase& c : cases) {
        EXPECT_EQ(parser.Evaluate(c.text), c.value) << c.text;
        EXPECT_EQ(x, c.value) << c.text;
    }
    // The cell is read at every evaluation.
    int32_t index = parser.CompileExpression("x * 3");
    x = 2;
    EXPECT_EQ(parser.EvaluateExpression(index), 6);
    x = -1;
    EXPECT_EQ(parser.EvaluateExpression(index), -3);
}

TEST(ExpressionParserTest, CompileErrors) {
    struct Case {
        const char* text;
        const char* message;
    };
    const std::string prefix = "Error in math expression: ";
    const Case cases[] = {
        {"2+", "Error in math expression: Syntax error: function or operand has too few arguments"},
        {"x :=",
         "Error in math expression: Syntax error: function or operand has too few arguments"},
        {"max(1,)",
         "Error in math expression: Syntax error: function or operand has too few arguments"},
        {"sin",
         "Error in math expression: Syntax error: function or operand has too few arguments"},
        {"x y", "Error in math expression: x two space limited variables/constants"},
        {"1 2", "Error in math expression: 1 two space limited variables/constants"},
        {"foo(1)", "Error in math expression: foo is an unknown function"},
        {"()", "Error in math expression: Empty brackets ()"},
        {"(", "Unequal brackets"},
        {"(1+2", "Unequal brackets"},
        {"1+2)", "Unequal brackets"},
        {"(1)+2)*(3", "Unequal brackets"},
        {"(1)(2)", "Error in math expression: Missing operand between )("},
        {"(1)2", "Error in math expression: Missing operand between ) and constant/variable"},
        {"2(1)", "Error in math expression: Missing operand between constant/variable and ("},
        {"pi(1)", "Error in math expression: Missing operand between constant/variable and ("},
        {"max(1,2,3)",
         "Error in math expression: Syntax error: function max has too many arguments"},
        {"sin 1", "Error in math expression: Syntax error in expression sin 1"},
        {"random random", "Error in math expression: Syntax error in expression random random"},
        {"1,2", "Error in math expression: Syntax error in expression 1,2"},
        {"2 sin(1)", "Error in math expression: Syntax error in expression 2 sin(1)"},
        {"sin(1) cos(1)", "Error in math expression: Syntax error in expression sin(1) cos(1)"},
        {"3 ! 4", "Error in math expression: Syntax error in expression 3 ! 4"},
        {"pi := 2", "Error in math expression: := needs a variable as its first operand"},
        {"1 := 2", "Error in math expression: := needs a variable as its first operand"},
        {"(x+1) := 2", "Error in math expression: := needs a variable as its first operand"},
        {"++3", "Error in math expression: ++ needs a variable as its first operand"},
        {"pi++", "Error in math expression: ++ needs a variable as its first operand"},
        {"--pi", "Error in math expression: -- needs a variable as its first operand"},
        {"1 div 0", "Division by zero"},
        {"7 mod (2-2)", "Division by zero"},
    };
    for (const Case& c : cases) {
        TExpressionParser parser;
        EXPECT_EQ(ErrorOf<EParserException>([&] { parser.CompileExpression(c.text); }), c.message)
            << c.text;
        EXPECT_EQ(parser.GetExpressionCount(), 0) << c.text;
    }
}

TEST(ExpressionParserTest, UnreadableNumbersRaiseConversionErrors) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"2e", "'2e' is not a valid floating point value"},
        {"1.5e+", "'1.5e+' is not a valid floating point value"},
        {"$1.5", "'$1.5' is not a valid integer value"},
        {"$11112222333344445", "'$11112222333344445' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        TExpressionParser parser;
        EXPECT_EQ(ErrorOf<EConvertError>([&] { parser.CompileExpression(c.text); }), c.message)
            << c.text;
        EXPECT_EQ(parser.GetExpressionCount(), 0);
    }
}

std::string Nested(int depth) {
    return std::string(depth, '(') + "1" + std::string(depth, ')');
}

TEST(ExpressionParserTest, NestingIsCapped) {
    TExpressionParser parser;
    EXPECT_EQ(parser.Evaluate(Nested(64)), 1);
    std::string mixed = "-";
    mixed += Nested(64);
    mixed += "+sin";
    mixed += Nested(63);
    EXPECT_EQ(parser.Evaluate(mixed), -1 + std::sin(1.0f));
    for (int depth : {65, 100000}) {
        EXPECT_EQ(ErrorOf<EParserException>([&] { parser.CompileExpression(Nested(depth)); }),
                  "Error in math expression: Brackets nested too deeply");
    }
    // A long flat chain is no nesting: it compiles, folds and links without
    // recursing once per operation.
    float x = 0;
    parser.DefineVariable("x", &x);
    std::string chain = "x";
    for (int i = 0; i < 20000; ++i) chain += "+1";
    for (bool optimize : {true, false}) {
        parser.SetOptimize(optimize);
        int32_t index = parser.CompileExpression(chain);
        EXPECT_EQ(parser.NumberOfOperations(index), 20000);
        EXPECT_EQ(parser.EvaluateExpression(index), 20000);
    }
}

TEST(ExpressionParserTest, GeneratedVariablesAreSharedAndNaNUntilAssigned) {
    TExpressionParser parser;
    int32_t use = parser.CompileExpression("foo + 1");
    EXPECT_TRUE(std::isnan(parser.EvaluateExpression(use)));
    std::vector<expr::TGeneratedVariable*> generated;
    parser.GetGeneratedVars(generated);
    ASSERT_EQ(generated.size(), 1u);
    EXPECT_EQ(generated[0]->Name(), "foo");

    parser.CompileExpression("FOO := 2");
    EXPECT_EQ(parser.Execute(), 2);
    EXPECT_EQ(parser.EvaluateExpression(use), 3);
    EXPECT_EQ(generated[0]->Value(), 2);
}

TEST(ExpressionParserTest, DefiningAVariableRedirectsCompiledExpressions) {
    TExpressionParser parser;
    int32_t use = parser.CompileExpression("t * 2");
    int32_t alone = parser.CompileExpression("t");
    float first = 3;
    parser.DefineVariable("t", &first);
    EXPECT_EQ(parser.EvaluateExpression(use), 6);
    EXPECT_EQ(parser.EvaluateExpression(alone), 3);
    float second = 5;
    parser.DefineVariable("T", &second);
    EXPECT_EQ(parser.EvaluateExpression(use), 10);
    EXPECT_EQ(parser.EvaluateExpression(alone), 5);
    std::vector<expr::TGeneratedVariable*> generated;
    parser.GetGeneratedVars(generated);
    EXPECT_TRUE(generated.empty());

    float cell = 1;
    EXPECT_EQ(ErrorOf<Exception>([&] { parser.DefineVariable("max", &cell); }),
              "Error in math expression: Cannot replace variable/function NFuntionArg doesn't "
              "match");
    EXPECT_EQ(parser.Evaluate("max(1, 4)"), 4);
}

TEST(ExpressionParserTest, AFailedCompileLeavesEarlierExpressionsIntact) {
    TExpressionParser parser;
    float x = 0;
    parser.DefineVariable("x", &x);
    ASSERT_EQ(parser.CompileExpression("x := x + 1"), 0);
    for (const char* bad : {"x y", "(1", "foo(1)", "2e", "pi := 3", "1 div 0"}) {
        EXPECT_NE(ErrorOf([&] { parser.CompileExpression(bad); }), "(none)") << bad;
        EXPECT_EQ(parser.GetExpressionCount(), 1);
        EXPECT_EQ(parser.CurrentIndex(), 0);
        EXPECT_EQ(parser.GetCurrentExpression(), "x := x + 1");
    }
    EXPECT_EQ(parser.Execute(), 1);
    EXPECT_EQ(parser.Execute(), 2);
    EXPECT_EQ(x, 2);
    // The rejected assignment changed no constant.
    EXPECT_FLOAT_EQ(parser.Evaluate("pi"), 3.1415927f);
}

TEST(ExpressionParserTest, ConstantFolding) {
    struct Case {
        const char* text;
        int folded, unfolded;
    };
    const Case cases[] = {
        {"2*3+x", 1, 2},      {"x*(2+3)", 1, 2},     {"sin(0)+x", 1, 2}, {"random*2", 2, 2},
        {"1+2", 0, 1},        {"x", 0, 0},           {"x := 1+2", 1, 2}, {"if(x, 1+1, 2*2)", 1, 3},
        {"x := x + 1", 2, 2}, {"not (1 > 2)", 0, 2}, {"-x", 1, 1},
    };
    for (const Case& c : cases) {
        for (bool optimize : {true, false}) {
            TExpressionParser parser;
            float x = 1;
            parser.DefineVariable("x", &x);
            parser.SetOptimize(optimize);
            int32_t index = parser.CompileExpression(c.text);
            EXPECT_EQ(parser.NumberOfOperations(index), optimize ? c.folded : c.unfolded)
                << c.text << (optimize ? " folded" : " unfolded");
        }
    }
    // Division by zero: at compile time between constants, at evaluation
    // otherwise, always as the parser's exception.
    TExpressionParser parser;
    float x = 1;
    parser.DefineVariable("x", &x);
    parser.CompileExpression("x div 0");
    EXPECT_EQ(ErrorOf<EParserException>([&] { parser.Execute(); }), "Division by zero");
    parser.SetOptimize(false);
    parser.ClearExpressions();
    EXPECT_EQ(parser.CompileExpression("1 div 0"), 0);
    EXPECT_EQ(ErrorOf<EParserException>([&] { parser.Execute(); }), "Division by zero");
}

TEST(ExpressionParserTest, LinesAndAccessors) {
    TExpressionParser parser;
    EXPECT_EQ(parser.Execute(), 0);
    EXPECT_TRUE(std::isnan(parser.Evaluate("")));
    EXPECT_TRUE(std::isnan(parser.CurrentValue()));
    EXPECT_EQ(parser.CompileExpression(""), -1);

    float x = 0, y = 0;
    parser.DefineVariable("x", &x);
    parser.DefineVariable("y", &y);
    EXPECT_TRUE(parser.SetExpressionLines(
        "x := 1\n\n   // a comment\n  y := x + 1  \r\n\t//x := 7\r\nx + y\n   \n"));
    ASSERT_EQ(parser.GetExpressionCount(), 3);
    EXPECT_EQ(parser.GetExpression(1), "y := x + 1");
    EXPECT_EQ(parser.Execute(), 3);
    EXPECT_EQ(y, 2);
    EXPECT_TRUE(parser.SetExpressionLines("// only\n\n"));
    EXPECT_EQ(parser.GetExpressionCount(), 3);

    for (int32_t outside : {-1, 3, 1000}) {
        EXPECT_TRUE(std::isnan(parser.EvaluateExpression(outside))) << outside;
        EXPECT_EQ(parser.NumberOfOperations(outside), 0);
        EXPECT_EQ(parser.GetExpression(outside), "");
        EXPECT_EQ(parser.AsString(outside), "nan");
        EXPECT_EQ(ErrorOf<EParserException>([&] { parser.AsBoolean(outside); }),
                  "Error in math expression: Expression is not boolean");
    }

    parser.ClearExpressions();
    EXPECT_EQ(parser.GetExpressionCount(), 0);
    EXPECT_EQ(parser.CurrentIndex(), -1);
    EXPECT_EQ(parser.Execute(), 0);
    EXPECT_TRUE(std::isnan(parser.CurrentValue()));
}

TEST(ExpressionParserTest, ValuesAsTextAndBooleans) {
    struct Case {
        const char* text;
        const char* asString;
        const char* asHex;
    };
    const Case cases[] = {
        {"1 > 0", "True", "$1"},
        {"1 > 2", "False", "$0"},
        {"1+1", "2", "$2"},
        {"0.1", "0.1000000015", "$0"},
        {"1/3", "0.3333333433", "$0"},
        {"1e20", "1.00000002e+20", "$7fffffffffffffff"},
        {"255", "255", "$ff"},
        {"-1", "-1", "$ffffffffffffffff"},
        {"2.5", "2.5", "$2"},
        {"1/0", "inf", "$7fffffffffffffff"},
        {"(1 > 0) * 5", "5", "$5"},
    };
    for (const Case& c : cases) {
        TExpressionParser parser;
        int32_t index = parser.CompileExpression(c.text);
        EXPECT_EQ(parser.AsString(index), c.asString) << c.text;
        EXPECT_EQ(parser.AsHexadecimal(index), c.asHex) << c.text;
    }
    TExpressionParser parser;
    EXPECT_TRUE(parser.AsBoolean(parser.CompileExpression("2 > 1")));
    EXPECT_FALSE(parser.AsBoolean(parser.CompileExpression("2 < 1")));
    EXPECT_TRUE(parser.AsBoolean(parser.CompileExpression("5 and 3")));
    int32_t sum = parser.CompileExpression("1+1");
    EXPECT_EQ(ErrorOf<EParserException>([&] { parser.AsBoolean(sum); }),
              "Error in math expression: Expression is not boolean");
}

TEST(ExpressionParserTest, SeparatorsFollowEachOther) {
    TExpressionParser parser;
    parser.SetDecimalSeparator('.');
    parser.SetArgSeparator(',');
    parser.SetDecimalSeparator(',');
    EXPECT_EQ(parser.DecimalSeparator(), ',');
    EXPECT_EQ(parser.ArgSeparator(), ';');
    EXPECT_EQ(parser.Evaluate("max(1,5; 2,25)"), 2.25f);
    parser.SetArgSeparator(',');
    EXPECT_EQ(parser.ArgSeparator(), ',');
    EXPECT_EQ(parser.DecimalSeparator(), '.');
    EXPECT_EQ(parser.Evaluate("max(1.5, 2.25)"), 2.25f);
    EXPECT_EQ(parser.WordsList().Find(";"), nullptr);
    // "^" before a whole literal is the integer power in either notation.
    EXPECT_EQ(parser.Evaluate("(-2)^3"), -8);
}

TEST(ExpressionParserTest, NumbersIgnoreTheProcessLocale) {
    TCommaLocale comma;
    if (!comma.Active()) GTEST_SKIP() << "no locale with a decimal comma";
    TExpressionParser fromLocale;
    EXPECT_EQ(fromLocale.DecimalSeparator(), ',');
    EXPECT_EQ(fromLocale.ArgSeparator(), ';');
    EXPECT_EQ(fromLocale.Evaluate("1,5 + max(1;2)"), 3.5f);

    TExpressionParser parser;
    parser.SetDecimalSeparator('.');
    parser.SetArgSeparator(',');
    EXPECT_EQ(parser.Evaluate("1.5 + max(1,2)"), 3.5f);
    EXPECT_EQ(parser.AsString(parser.CompileExpression("1.25")), "1.25");
    EXPECT_EQ(ErrorOf<EParserException>([&] { parser.CompileExpression("1,5"); }),
              "Error in math expression: Syntax error in expression 1,5");
}

// Evaluation runs pre-linked operations only: no allocation at all.
TEST(ExpressionParserTest, EvaluationAllocatesNothing) {
    TExpressionParser parser;
    float t = 0.5f, x = 2, y = 0, a = 1, b = 2;
    parser.DefineVariable("t", &t);
    parser.DefineVariable("x", &x);
    parser.DefineVariable("y", &y);
    parser.DefineVariable("a", &a);
    parser.DefineVariable("b", &b);
    parser.SetExpressionLines(
        "y := 2*sin(t) + x*x - 3\n"
        "y := if(t > 0.25, a, b) * y + random\n"
        "z := pos('b', 'abc') + max(x, y) div 1 + 3!\n"
        "w := randg(0, 1) + (z mod 4) + (not x)");
    gAllocations = 0;
    gCounting = true;
    float sum = 0;
    for (int i = 0; i < 100; ++i) {
        t = static_cast<float>(i);
        sum += parser.Execute();
        sum += parser.EvaluateExpression(i % 4);
    }
    gCounting = false;
    EXPECT_EQ(gAllocations, 0);
    EXPECT_FALSE(std::isnan(sum));
}

// Recompiling after a clear, as a function object does at every attach,
// leaves no word behind.
TEST(ExpressionParserTest, ClearingFreesTheWordsOfTheExpressions) {
    TExpressionParser parser;
    float t = 0;
    auto compileOnce = [&] {
        parser.ClearExpressions();
        parser.DefineVariable("t", &t);
        parser.SetExpressionLines(
            "y := 2.5*t + 3 + pos('b', 'abc')\n"
            "z := 'a' < 'b'\n"
            "y := y + 1e3 + sin(2*pi)");
    };
    compileOnce();
    parser.ClearExpressions();
    const long live = gLive;
    for (int i = 0; i < 50; ++i) compileOnce();
    parser.ClearExpressions();
    EXPECT_EQ(gLive, live);
}

TEST(ExpressionParserTest, BaseCompileReplacesItsCurrentExpression) {
    // A parser of the engine alone keeps one expression.
    class TOneExpression : public TCustomExpressionParser {
    public:
        TOneExpression() { FillExpressList(); }
        std::string GetCurrentExpression() const override { return {}; }

    protected:
        void FillExpressList() override {
            AddWord(std::make_unique<expr::TLeftBracket>());
            AddWord(std::make_unique<expr::TRightBracket>());
            AddWord(std::make_unique<expr::TComma>(ArgSeparator()));
            AddWord(std::make_unique<expr::TFunction>("+", &expr::FuncAdd, 2, true, 40));
        }
    };
    TOneExpression parser;
    float v = 1;
    parser.DefineVariable("v", &v);
    EXPECT_EQ(parser.Evaluate("v + 1"), 2);
    EXPECT_EQ(parser.CompileExpression("v + v"), 0);
    v = 4;
    EXPECT_EQ(parser.CurrentValue(), 8);
    float w = 10;
    parser.DefineVariable("v", &w);
    EXPECT_EQ(parser.CurrentValue(), 20);
    EXPECT_NE(ErrorOf([&] { parser.CompileExpression("v * 2"); }), "(none)");
    EXPECT_EQ(parser.CurrentValue(), 20);
    parser.ClearExpressions();
    EXPECT_TRUE(std::isnan(parser.CurrentValue()));
}

// A power whose exponent is the literal 2 is computed as a square: every
// spelling gives the library's pow of the value, to the bit, also for the
// values at the edges; other exponents, and an exponent in a variable, still
// take the general power.
TEST(ExpressionParserTest, SquaresAgreeWithTheLibraryPower) {
    const float values[] = {3.0f,     -1.5f,   0.1f,    0.0f,
                            -0.0f,    1e20f,   -1e25f,  1e-30f,
                            16777217.0f, std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(), kNaN};
    const char* squares[] = {"pow(x, 2)", "x^2", "power(x, 2.0)", "intpower(x, 2)", "pow(x, 1+1)"};
    TExpressionParser parser;
    parser.SetDecimalSeparator('.');
    float x = 0, y = 2;
    parser.DefineVariable("x", &x);
    parser.DefineVariable("y", &y);
    const auto same = [](float got, double expected) {
        const float want = static_cast<float>(expected);
        if (std::isnan(want)) return std::isnan(got);
        return got == want && std::signbit(got) == std::signbit(want);
    };
    for (const char* text : squares) {
        const int32_t e = parser.CompileExpression(text);
        for (float v : values) {
            x = v;
            const float got = parser.EvaluateExpression(e);
            EXPECT_TRUE(same(got, std::pow(double(v), 2.0))) << text << " at " << v << ": " << got;
        }
    }
    const int32_t general = parser.CompileExpression("pow(x, 2.5)");
    const int32_t variable = parser.CompileExpression("pow(x, y)");
    for (float v : {3.0f, 0.1f, 1e10f}) {
        x = v;
        EXPECT_TRUE(same(parser.EvaluateExpression(general), std::pow(double(v), 2.5))) << v;
        y = 2;
        EXPECT_TRUE(same(parser.EvaluateExpression(variable), std::pow(double(v), 2.0))) << v;
        y = 3;
        EXPECT_TRUE(same(parser.EvaluateExpression(variable), std::pow(double(v), 3.0))) << v;
    }
}

}  // namespace
