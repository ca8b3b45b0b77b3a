#include "functions/ParseClass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "core/base/Random.h"
#include "functions/ParseExpr.h"
#include "tests/support/Errors.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kHalfPi = 1.57079632679489661923f;

// Equal as floats, NaN matching NaN.
::testing::AssertionResult Same(float actual, float expected) {
    if (std::isnan(expected)
            ? std::isnan(actual)
            : (actual == expected || std::fabs(actual - expected) <= 4e-7f * std::fabs(expected))) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << actual << " instead of " << expected;
}

struct TValueCase {
    const char* text;
    float value;
};

TEST(ExprWordsTest, RoutinesGiveTheirValues) {
    const TValueCase cases[] = {
        {"7 div 2", 3},
        {"7.5 div 2", 4},
        {"-7 div 2", -3},
        {"6.5 div 2", 3},
        {"7 mod 3", 1},
        {"-7 mod 3", -1},
        {"7 mod -3", 1},
        {"3!", 6},
        {"0!", 1},
        {"2.5!", 2},
        {"(-3)!", 1},
        {"10!", 3628800},
        {"34!", 2.9523279e38f},
        {"35!", kInf},
        {"50%", 0.5f},
        {"not 0", 1},
        {"not 1", 0},
        {"not 256", 1},
        {"not 255", 0},
        {"if(256, 1, 2)", 2},
        {"if(1, 1, 2)", 1},
        {"if(0.4, 1, 2)", 2},
        {"1 < 1", 0},
        {"1 <= 1", 1},
        {"2 > 1", 1},
        {"1 >= 2", 0},
        {"2 >= 2", 1},
        {"1 <> 1", 0},
        {"1 <> 2", 1},
        {"0.1 = 0.1", 1},
        {"1 = 1.0001", 0},
        {"3 in 3", 1},
        {"3 in 4", 0},
        {"5 and 3", 1},
        {"5 or 3", 7},
        {"5 xor 3", 6},
        {"logn(2, 8)", 3},
        {"arctan2(1, 0)", kHalfPi},
        {"degtorad(180)", expr::kPi},
        {"radtodeg(pi)", 180},
        {"pi", 3.1415927f},
        {"max(1, 2)", 2},
        {"max(2, 1)", 2},
        {"min(1, 2)", 1},
        {"2^3", 8},
        {"2^0.5", 1.41421356f},
        {"2^-1", 0.5f},
        {"(-8)^3", -512},
        {"intpower(2, 10)", 1024},
        {"intpower(2, 2.5)", 4},
        {"intpower(2, -2)", 0.25f},
        {"power(9, 0.5)", 3},
        {"pow(2, 3)", 8},
        {"sqr(3)", 9},
        {"sqrt(16)", 4},
        {"abs(-2)", 2},
        {"round(2.5)", 2},
        {"round(3.5)", 4},
        {"round(-2.5)", -2},
        {"trunc(-2.7)", -2},
        {"exp(0)", 1},
        {"ln(1)", 0},
        {"log10(1000)", 3},
        {"sin(0)", 0},
        {"cos(0)", 1},
        {"tan(0)", 0},
        {"arcsin(1)", kHalfPi},
        {"arccos(1)", 0},
        {"arctan(1)", kHalfPi / 2},
        {"sinh(0)", 0},
        {"cosh(0)", 1},
        {"tanh(0)", 0},
        {"arcsinh(0)", 0},
        {"arccosh(1)", 0},
        {"arctanh(0)", 0},
        {"1/0", kInf},
        {"-1/0", -kInf},
        {"0/0", kNaN},
        {"ln(-1)", kNaN},
        {"sqrt(-1)", kNaN},
        {"+-3", -3},
        {"- - 3", 3},
        {"2 - - 3", 5},
        {"2 * -3", -6},
    };
    for (bool optimize : {true, false}) {
        for (const TValueCase& c : cases) {
            TExpressionParser parser;
            parser.SetOptimize(optimize);
            EXPECT_TRUE(Same(parser.Evaluate(c.text), c.value)) << c.text;
        }
    }
}

// Words that convert a float to an integer give defined values for NaN,
// infinities and 1e30 (the suite runs under UBSan, which stops on undefined
// conversions), and division by zero raises the parser's exception.
TEST(ExprWordsTest, IntegerWordsAcceptAnyFloat) {
    const float kMax64 = 9.223372e18f;
    struct Case {
        const char* text;
        float v;
        float value;
        const char* error;
    };
    const Case cases[] = {
        {"v div 2", kNaN, 0, nullptr},
        {"v div 2", kInf, kMax64 / 2, nullptr},
        {"v div 2", -kInf, -kMax64 / 2, nullptr},
        {"v div 2", 1e30f, kMax64 / 2, nullptr},
        {"v div -1", -kInf, kMax64, nullptr},
        {"v div -1", 4, -4, nullptr},
        {"7 div v", kNaN, 0, "Division by zero"},
        {"7 div v", 0.4f, 0, "Division by zero"},
        {"7 div v", kInf, 0, nullptr},
        {"v mod 3", kNaN, 0, nullptr},
        {"v mod 3", kInf, 1, nullptr},
        {"v mod -1", -kInf, 0, nullptr},
        {"7 mod v", 0, 0, "Division by zero"},
        {"7 mod v", -kInf, 7, nullptr},
        {"not v", kNaN, 1, nullptr},
        {"not v", kInf, 0, nullptr},
        {"not v", -kInf, 1, nullptr},
        {"not v", 1e30f, 0, nullptr},
        {"if(v, 1, 2)", kNaN, 2, nullptr},
        {"if(v, 1, 2)", kInf, 1, nullptr},
        {"if(v, 1, 2)", -kInf, 2, nullptr},
        {"v!", kNaN, 1, nullptr},
        {"v!", kInf, kInf, nullptr},
        {"v!", -kInf, 1, nullptr},
        {"v!", 1e30f, kInf, nullptr},
        {"v!", 1e9f, kInf, nullptr},
        {"random_int(v)", kNaN, 0, nullptr},
        {"random_int(v)", -kInf, 0, nullptr},
        {"random_int(v)", -1e30f, 0, nullptr},
        {"intpower(2, v)", kNaN, 1, nullptr},
        {"intpower(2, v)", kInf, kInf, nullptr},
        {"intpower(2, v)", -kInf, 0, nullptr},
        {"intpower(2, v)", 1e30f, kInf, nullptr},
        {"intpower(1, v)", 1e30f, 1, nullptr},
        {"intpower(-1, v)", 1e30f, 1, nullptr},
        {"v ^ 2", kNaN, kNaN, nullptr},
        {"v and 1", kInf, 1, nullptr},
        {"v or 0", kNaN, 0, nullptr},
        {"v xor 0", -kInf, -kMax64, nullptr},
        {"round(v)", kNaN, kNaN, nullptr},
        {"trunc(v)", -kInf, -kInf, nullptr},
    };
    for (const Case& c : cases) {
        TExpressionParser parser;
        float v = c.v;
        parser.DefineVariable("v", &v);
        parser.CompileExpression(c.text);
        float value = 0;
        std::string error = ErrorOf<EParserException>([&] { value = parser.Execute(); });
        if (c.error) {
            EXPECT_EQ(error, c.error) << c.text << " with " << c.v;
        } else {
            EXPECT_EQ(error, "(none)") << c.text << " with " << c.v;
            EXPECT_TRUE(Same(value, c.value)) << c.text << " with " << c.v;
        }
    }
}

TEST(ExprWordsTest, RandomIntWithAHugeBoundStaysInTheGeneratorsRange) {
    TExpressionParser parser;
    float v = kInf;
    parser.DefineVariable("v", &v);
    parser.CompileExpression("random_int(v)");
    for (float bound : {kInf, 1e30f, 3e9f}) {
        v = bound;
        for (int i = 0; i < 100; ++i) {
            float value = parser.Execute();
            EXPECT_GE(value, 0);
            EXPECT_LE(value, 2147483647.0f);
        }
    }
}

TEST(ExprWordsTest, StringWords) {
    const TValueCase cases[] = {
        {"pos('b', 'abc')", 2},    {"pos('z', 'abc')", 0},     {"pos('', 'abc')", 0},
        {"pos('bc', 'abcbc')", 2}, {"'a' in 'x,a'", 1},        {"'a' in 'x, a'", 0},
        {"'a' in 'a'", 1},         {"'' in 'x,'", 1},          {"'ABC' = 'abc'", 1},
        {"'a' = 'b'", 0},          {"'a' < 'b'", 1},           {"'b' < 'a'", 0},
        {"'a' <> 'b'", 1},         {"'ab' >= 'ab'", 1},        {"'a' <= 'b'", 1},
        {"'b' > 'a'", 1},          {"pos('b', 'abc') + 1", 3}, {"'a' = 'a' and 1", 1},
    };
    for (const TValueCase& c : cases) {
        TExpressionParser parser;
        EXPECT_TRUE(Same(parser.Evaluate(c.text), c.value)) << c.text;
    }
}

TEST(ExprWordsTest, StringErrors) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"'a' + 'b'", "+ is not a valid string operand"},
        {"'a' * 'b'", "* is not a valid string operand"},
        {"'abc'", "Error in math expression: Can not find operand/function"},
        {"'abc' + 1", "Error in math expression: Can not find operand/function"},
        {"pos(1, 'a')", "Error in math expression: Syntax error in expression pos(1, 'a')"},
        {"pos('a', 'b', 'c')",
         "Error in math expression: Syntax error in expression pos('a', 'b', 'c')"},
    };
    for (const Case& c : cases) {
        TExpressionParser parser;
        EXPECT_EQ(ErrorOf<EParserException>([&] { parser.CompileExpression(c.text); }), c.message)
            << c.text;
        EXPECT_EQ(parser.GetExpressionCount(), 0);
    }
}

float Length(std::string_view s1, std::string_view) {
    return static_cast<float>(s1.size());
}

TEST(ExprWordsTest, StringVariablesAreReadAtEveryEvaluation) {
    TExpressionParser parser;
    std::string text = "'abc'";
    parser.AddWord(std::make_unique<expr::TStringVariable>("s", &text));
    parser.DefineStringFunction("len", "length", &Length);
    parser.CompileExpression("pos('c', s)");
    parser.CompileExpression("len(s)");
    parser.CompileExpression("s = 'xy'");
    EXPECT_EQ(parser.EvaluateExpression(0), 3);
    EXPECT_EQ(parser.EvaluateExpression(1), 3);
    EXPECT_EQ(parser.EvaluateExpression(2), 0);
    text = "xy";
    EXPECT_EQ(parser.EvaluateExpression(0), 0);
    EXPECT_EQ(parser.EvaluateExpression(1), 2);
    EXPECT_EQ(parser.EvaluateExpression(2), 1);
    EXPECT_EQ(parser.NumberOfOperations(0), 1);
}

TEST(ExprWordsTest, RandomWordsDrawFromTheSeededGeneratorAndAreNotFolded) {
    TExpressionParser parser;
    parser.CompileExpression("random_int(100)");
    RandomSeed(42);
    std::vector<float> drawn;
    for (int i = 0; i < 8; ++i) drawn.push_back(parser.Execute());
    RandomSeed(42);
    for (float value : drawn) EXPECT_EQ(value, static_cast<float>(Random(100)));

    TExpressionParser folding;
    folding.CompileExpression("random + 1*2");
    EXPECT_EQ(folding.NumberOfOperations(0), 2);
    float first = folding.Execute();
    EXPECT_NE(first, folding.Execute());
    EXPECT_GE(first, 2.0f);
    EXPECT_LT(first, 3.0f);
}

TEST(ExprWordsTest, RandomWordsStayInTheirRanges) {
    RandomSeed(7);
    TExpressionParser parser;
    parser.CompileExpression("random");
    parser.CompileExpression("random_int(5)");
    parser.CompileExpression("random_int(0)");
    parser.CompileExpression("random_int(-3)");
    parser.CompileExpression("randg(10, 2)");
    std::set<float> ints;
    double sum = 0, squares = 0;
    const int kDraws = 10000;
    for (int i = 0; i < kDraws; ++i) {
        float r = parser.EvaluateExpression(0);
        EXPECT_GE(r, 0.0f);
        EXPECT_LT(r, 1.0f);
        ints.insert(parser.EvaluateExpression(1));
        EXPECT_EQ(parser.EvaluateExpression(2), 0);
        EXPECT_EQ(parser.EvaluateExpression(3), 0);
        double g = parser.EvaluateExpression(4);
        sum += g;
        squares += g * g;
    }
    EXPECT_EQ(ints, (std::set<float>{0, 1, 2, 3, 4}));
    double mean = sum / kDraws;
    double deviation = std::sqrt(squares / kDraws - mean * mean);
    EXPECT_NEAR(mean, 10.0, 0.1);
    EXPECT_NEAR(deviation, 2.0, 0.1);
}

TEST(ExprWordsTest, FactorialOfAHugeNumberIsImmediate) {
    TExpressionParser parser;
    float v = 9e18f;
    parser.DefineVariable("v", &v);
    parser.CompileExpression("v!");
    EXPECT_EQ(parser.Execute(), kInf);
    parser.CompileExpression("intpower(1.0000001, v)");
    EXPECT_EQ(parser.Execute(), kInf);
}

// name, arguments, operator, priority, result type, varies, help.
struct TVocabularyEntry {
    const char* name;
    int args;
    bool isOper;
    int priority;
    int resultType;
    bool varies;
    const char* help;
};

const TVocabularyEntry kDefaultVocabulary[] = {
    {"(", 0, false, 0, 3, false, ""},
    {")", 0, false, 0, 4, false, ""},
    {",", 0, false, 0, 5, false, ""},
    {"pi", 0, false, 0, 0, false, "pi = 3.1415926535897932385"},
    {"random", 0, false, 0, 0, true, "random number between 0 and 1"},
    {"random_int", 1, false, 0, 0, true, "random number between 0 and Argument1"},
    {"!", 1, true, 10, 0, false, ""},
    {"++", 1, true, 5, 0, false, ""},
    {"--", 1, true, 5, 0, false, ""},
    {"%", 1, true, 10, 0, false, ""},
    {"-@", 1, true, 10, 0, false, ""},
    {"+@", 1, true, 10, 0, false, ""},
    {"^", 2, true, 20, 0, false, ""},
    {"^@", 2, true, 20, 0, false, ""},
    {"*", 2, true, 30, 0, false, ""},
    {"/", 2, true, 30, 0, false, ""},
    {"div", 2, true, 30, 0, false, ""},
    {"mod", 2, true, 30, 0, false, ""},
    {"+", 2, true, 40, 0, false, ""},
    {"-", 2, true, 40, 0, false, ""},
    {">", 2, true, 50, 1, false, ""},
    {">=", 2, true, 50, 1, false, ""},
    {"<=", 2, true, 50, 1, false, ""},
    {"<", 2, true, 50, 1, false, ""},
    {"<>", 2, true, 50, 1, false, ""},
    {"=", 2, true, 50, 1, false, ""},
    {"in", 2, true, 10, 1, false, ""},
    {"not", 1, true, 60, 1, false, ""},
    {"or", 2, true, 70, 1, false, ""},
    {"and", 2, true, 70, 1, false, ""},
    {"xor", 2, true, 70, 1, false, ""},
    {":=", 2, true, 200, 0, false, ""},
    {"exp", 1, false, 0, 0, false, "the value of e raised to the power of x"},
    {"if", 3, false, 0, 0, false, "if x=True(or 1) then y else z"},
    {"randg", 2, false, 0, 0, true, "draw from normal distrib. (mean=x, sd =y)"},
    {"sqr", 1, false, 0, 0, false, "the square of a number (x*x)"},
    {"sqrt", 1, false, 0, 0, false, "the square root of a number"},
    {"abs", 1, false, 0, 0, false, "absolute value"},
    {"round", 1, false, 0, 0, false, "round to the nearest integer"},
    {"trunc", 1, false, 0, 0, false, "truncates a real number to an integer"},
    {"ln", 1, false, 0, 0, false, "natural logarithm of x"},
    {"log10", 1, false, 0, 0, false, "logarithm base 10 of x"},
    {"logN", 2, false, 0, 0, false, "logarithm base x of y"},
    {"power", 2, false, 0, 0, false, "power: x^y"},
    {"pow", 2, false, 0, 0, false, "power: x^y"},
    {"intpower", 2, false, 0, 0, false, "integer power: x^y"},
    {"max", 2, false, 0, 0, false, "the maximum of both arguments"},
    {"min", 2, false, 0, 0, false, "the minimum of both arguments"},
    {"sin", 1, false, 0, 0, false, "sine of an angle in rad"},
    {"cos", 1, false, 0, 0, false, "cosine of an angle in rad"},
    {"tan", 1, false, 0, 0, false, "tangent of an angle in rad"},
    {"arcsin", 1, false, 0, 0, false, "inverse sine in rad"},
    {"arccos", 1, false, 0, 0, false, "inverse cosine in rad"},
    {"arctan2", 2, false, 0, 0, false, "inverse tangent (x/y) in rad"},
    {"arctan", 1, false, 0, 0, false, "inverse tangent (x/y) in rad"},
    {"sinh", 1, false, 0, 0, false, "hyperbolic sine of an angle in rad"},
    {"cosh", 1, false, 0, 0, false, "hyperbolic sine of an angle in rad"},
    {"tanh", 1, false, 0, 0, false, "hyperbolic tangent of an angle in rad"},
    {"arcsinh", 1, false, 0, 0, false, "inverse sine in rad"},
    {"arccosh", 1, false, 0, 0, false, "inverse hyperbolic cosine in rad"},
    {"arctanh", 1, false, 0, 0, false, "inverse hyperbolic tangent in rad"},
    {"degtorad", 1, false, 0, 0, false, "conversion of degrees to radians"},
    {"radtodeg", 1, false, 0, 0, false, "conversion of rad to degrees"},
    {"pos", 2, false, 0, 0, false, "Position in of substring in string"},
};

void ExpectVocabulary(const TCustomExpressionParser& parser, const TVocabularyEntry* entries,
                      size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const TVocabularyEntry& e = entries[i];
        const expr::TExprWord* word = parser.WordsList().Find(e.name);
        ASSERT_NE(word, nullptr) << e.name;
        EXPECT_EQ(word->Name(), e.name);
        EXPECT_EQ(word->NFunctionArg(), e.args) << e.name;
        EXPECT_EQ(word->IsOper(), e.isOper) << e.name;
        EXPECT_EQ(word->Priority(), e.priority) << e.name;
        EXPECT_EQ(word->ResultType(), e.resultType) << e.name;
        EXPECT_EQ(word->CanVary(), e.varies) << e.name;
        EXPECT_EQ(word->Description(), e.help) << e.name;
    }
}

TEST(ExprWordsTest, TheDefaultVocabulary) {
    TExpressionParser parser;
    parser.SetArgSeparator(',');
    constexpr size_t kCount = std::size(kDefaultVocabulary);
    ExpectVocabulary(parser, kDefaultVocabulary, kCount);
    EXPECT_EQ(static_cast<size_t>(parser.WordsList().Count()), kCount);
}

TEST(ExprWordsTest, FunctionNamesAndDescriptions) {
    TExpressionParser parser;
    parser.SetArgSeparator(',');
    std::vector<std::string> names{"kept"};
    parser.GetFunctionNames(names);
    for (const char* expected :
         {"kept", "max(,)", "if(,,)", "random", "logN(,)", "random_int()", "pi", "pos(,)"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;
    }
    EXPECT_EQ(std::find(names.begin(), names.end(), "+(,)"), names.end());
    EXPECT_EQ(names.size(), 1u + 35u);
    EXPECT_EQ(parser.GetFunctionDescription("sin(x)"), "sine of an angle in rad");
    EXPECT_EQ(parser.GetFunctionDescription("LOGN"), "logarithm base x of y");
    EXPECT_EQ(parser.GetFunctionDescription("nothing(1)"), "");

    parser.SetArgSeparator(';');
    names.clear();
    parser.GetFunctionNames(names);
    EXPECT_NE(std::find(names.begin(), names.end(), "if(;;)"), names.end());
}

void Twice(TExprRec& rec) {
    rec.Res = 2 * *rec.Args[0];
}

TEST(ExprWordsTest, DefinedFunctions) {
    TExpressionParser parser;
    parser.DefineFunction("twice", "doubles", &Twice, 1);
    EXPECT_EQ(parser.Evaluate("twice(3) + 1"), 7);
    EXPECT_EQ(ErrorOf<EParserException>([&] { parser.DefineFunction("many", "seven", &Twice, 7); }),
              "Too many arguments");
    EXPECT_EQ(parser.WordsList().Find("many"), nullptr);
    EXPECT_EQ(parser.Evaluate("twice(4)"), 8);
}

TEST(ExprWordsTest, CStyleOperators) {
    struct Case {
        const char* text;
        float value;
        float x;  // x afterwards
    };
    const Case cStyle[] = {
        {"x = 3", 3, 3},       {"x == 3", 1, 3},    {"x == 4", 0, 3},    {"7 % 3", 1, 3},
        {"!0", 1, 3},          {"!5", 0, 3},        {"!!5", 5, 3},       {"fact(3)", 6, 3},
        {"perc(50)", 0.5f, 3}, {"div(7, 2)", 3, 3}, {"1 != 2", 1, 3},    {"1 != 1", 0, 3},
        {"1 && 0", 0, 3},      {"1 || 0", 1, 3},    {"x = x + 1", 4, 4},
    };
    const Case defaultStyle[] = {
        {"x := 3", 3, 3},  {"x = 3", 1, 3},  {"7 mod 3", 1, 3}, {"50%", 0.5f, 3}, {"3!", 6, 3},
        {"7 div 2", 3, 3}, {"1 <> 2", 1, 3}, {"1 and 0", 0, 3}, {"1 or 0", 1, 3}, {"not 0", 1, 3},
    };
    TCStyleParser parser;
    EXPECT_TRUE(parser.CStyle());
    float x = 0;
    parser.DefineVariable("x", &x);
    for (const Case& c : cStyle) {
        EXPECT_EQ(parser.Evaluate(c.text), c.value) << c.text;
        EXPECT_EQ(x, c.x) << c.text;
    }
    EXPECT_NE(ErrorOf<EParserException>([&] { parser.CompileExpression("x := 1"); }), "(none)");

    parser.SetCStyle(false);
    EXPECT_FALSE(parser.CStyle());
    x = 0;
    for (const Case& c : defaultStyle) {
        EXPECT_EQ(parser.Evaluate(c.text), c.value) << c.text;
        EXPECT_EQ(x, c.x) << c.text;
    }
    ExpectVocabulary(parser, kDefaultVocabulary, std::size(kDefaultVocabulary));
    for (const char* gone : {"fact", "perc", "||", "&&", "==", "!="}) {
        EXPECT_EQ(parser.WordsList().Find(gone), nullptr) << gone;
    }
}

TEST(ExprWordsTest, CompiledExpressionsKeepTheirMeaningAcrossTheSwitch) {
    TCStyleParser parser;
    parser.SetCStyle(false);
    float x = 0;
    parser.DefineVariable("x", &x);
    int32_t notX = parser.CompileExpression("not x");
    int32_t factX = parser.CompileExpression("x!");
    int32_t modX = parser.CompileExpression("x mod 3");
    int32_t assign = parser.CompileExpression("x := x + 1");
    parser.SetCStyle(true);
    x = 4;
    EXPECT_EQ(parser.EvaluateExpression(notX), 0);
    EXPECT_EQ(parser.EvaluateExpression(factX), 24);
    EXPECT_EQ(parser.EvaluateExpression(modX), 1);
    EXPECT_EQ(parser.EvaluateExpression(assign), 5);
    EXPECT_EQ(x, 5);
    x = 0;
    parser.SetCStyle(false);
    EXPECT_EQ(parser.EvaluateExpression(notX), 1);
    EXPECT_EQ(parser.EvaluateExpression(factX), 1);
}

TEST(ExprWordsTest, GeneratedNamesAndTheSwitch) {
    TCStyleParser parser;
    // ":=" means nothing in C style: it became a generated variable, which
    // must not block the way back.
    EXPECT_NE(ErrorOf([&] { parser.CompileExpression("y := 1"); }), "(none)");
    parser.SetCStyle(false);
    EXPECT_EQ(parser.Evaluate("y := 2"), 2);

    // A compiled expression that reads "fact" as a variable refuses the
    // switch that needs the name, and nothing changes.
    int32_t usesFact = parser.CompileExpression("fact + 1");
    EXPECT_EQ(ErrorOf<Exception>([&] { parser.SetCStyle(true); }),
              "Error in math expression: Cannot replace variable/function NFuntionArg doesn't "
              "match");
    EXPECT_FALSE(parser.CStyle());
    ExpectVocabulary(parser, kDefaultVocabulary, std::size(kDefaultVocabulary));
    EXPECT_TRUE(std::isnan(parser.EvaluateExpression(usesFact)));
    parser.ClearExpressions();
    parser.SetCStyle(true);
    EXPECT_EQ(parser.Evaluate("fact(4)"), 24);
}

TEST(ExprWordsTest, SettingTheStyleInUseChangesNothing) {
    TCStyleParser parser;
    float x = 0;
    parser.DefineVariable("x", &x);
    int32_t notX = parser.CompileExpression("!x");
    std::vector<std::string> before;
    parser.GetFunctionNames(before);
    EXPECT_EQ(ErrorOf([&] { parser.SetCStyle(true); }), "(none)");
    std::vector<std::string> after;
    parser.GetFunctionNames(after);
    EXPECT_EQ(before, after);
    x = 3;
    EXPECT_EQ(parser.EvaluateExpression(notX), 0);
    EXPECT_EQ(parser.Evaluate("!0"), 1);
    EXPECT_EQ(parser.Evaluate("7 % 3"), 1);
}

// The dictionary's work for each new name stays the same however many names
// it holds: an expression naming 200000 new variables makes about as many
// name comparisons per name as one naming 20000, a handful each (a sorted
// list would make twice the logarithm of the count, 30 and more), and every
// name is then found, with its case ignored, as a variable of its own.
TEST(ExprWordsTest, ManyNewNamesCostTheSameWorkPerName) {
    const auto comparisonsPerName = [](int32_t count) {
        TExpressionParser parser;
        std::string text;
        for (int32_t i = 0; i < count; ++i) text += (i ? "+n" : "n") + std::to_string(i);
        const int64_t before = parser.WordsList().NameComparisons();
        EXPECT_EQ(parser.CompileExpression(text), 0);
        const double perName =
            double(parser.WordsList().NameComparisons() - before) / double(count);
        std::vector<expr::TGeneratedVariable*> generated;
        parser.GetGeneratedVars(generated);
        EXPECT_EQ(generated.size(), static_cast<size_t>(count));
        std::set<const float*> cells;
        for (int32_t i = 0; i < count; i += 997) {
            const expr::TExprWord* word = parser.WordsList().Find("N" + std::to_string(i));
            EXPECT_NE(word, nullptr) << i;
            if (!word) continue;
            EXPECT_EQ(word->Name(), "n" + std::to_string(i));
            EXPECT_TRUE(cells.insert(const_cast<expr::TExprWord*>(word)->AsPointer()).second);
        }
        EXPECT_EQ(parser.WordsList().Find("n" + std::to_string(count)), nullptr);
        // The ordered view lists each word once, in order.
        const expr::TExpressList& words = parser.WordsList();
        EXPECT_TRUE(std::is_sorted(words.begin(), words.end(),
                                   [](const expr::TExprWord* a, const expr::TExprWord* b) {
                                       return expr::TExpressList::Compare(a->Name(), b->Name()) < 0;
                                   }));
        EXPECT_EQ(std::distance(words.begin(), words.end()), words.Count());
        return perName;
    };
    const double small = comparisonsPerName(20000);
    const double large = comparisonsPerName(200000);
    EXPECT_LT(small, 6.0);
    EXPECT_LT(large, 6.0);
    EXPECT_LT(large, small + 1.0) << small;
}

}  // namespace
